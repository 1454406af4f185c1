#pragma once

#include <QString>

class DesktopWallpaper;

// Makes one picture the wallpaper. A name ending in ".bmp" (any case) goes to the desktop as it is; anything else
// is decoded by its content and written as the folder's "temp.bmp", which then goes to the desktop.
class WallpaperChanger final {
public:
    explicit WallpaperChanger(DesktopWallpaper& desktop) : desktop_(desktop) {}

    // False with a message when the picture cannot be read or the bitmap cannot be written. A desktop that
    // refuses the file is reported on stderr (once for the same complaint) but is no failure of the switch.
    bool apply(const QString& name, const QString& path, const QString& folder, QString* error);

private:
    bool applyPicture(const QString& name, const QString& path, const QString& folder, QString* error);
    void tellDesktop(const QString& path);

    DesktopWallpaper& desktop_;
    QString lastDesktopComplaint_;
};
