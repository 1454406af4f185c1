#pragma once

#include <QString>

class DesktopWallpaper;

// Joins a folder and a file name with exactly one separator between them.
QString joinPath(const QString& folder, const QString& name);

// Makes one picture the wallpaper. A name ending in ".bmp" (any case) goes to the desktop as it is;
// anything else is decoded by its content and written as the folder's "temp.bmp", which then goes to
// the desktop. False with a message when the picture cannot be read or the bitmap cannot be written.
// A desktop that refuses the file is reported on stderr but is no failure of the switch.
bool ApplyWallpaper(const QString& name, const QString& path, const QString& dirName, DesktopWallpaper& desktop,
                    QString* error);

// Decodes `source` by its content and writes it whole, at its own size, as a Windows bitmap at
// `target`, replacing the file atomically.
bool writeBitmapCopy(const QString& source, const QString& target, QString* error);
