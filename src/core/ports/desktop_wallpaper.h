#pragma once

#include <QString>

// Tells the desktop to show a bitmap file as its wallpaper.
class DesktopWallpaper {
public:
    virtual ~DesktopWallpaper() = default;
    // A short name of the binding for messages ("GNOME", "X11 root window", ...).
    virtual QString name() const = 0;
    // Makes the file at `path` the wallpaper. The desktop must read the file's content anew on
    // every call, also when the path is the same as last time. False with a message on failure.
    virtual bool setWallpaper(const QString& path, QString* error) = 0;
};
