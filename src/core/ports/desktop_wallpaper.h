// SPDX-License-Identifier: MIT
#pragma once

#include <QSize>
#include <QString>
#include <QtGlobal>

#include <memory>

// A binding's part in writing a converted picture: it takes the picture's rows as the bitmap is written, draws what
// it will show from them, and shows that once the bitmap is in place, so that nothing has to read the bitmap back.
class WallpaperRowSink {
public:
    virtual ~WallpaperRowSink() = default;
    // The picture's next row, width * 3 bytes of blue, green and red. Called on a thread of the writer's, one row at
    // a time, every row once.
    virtual void addRow(const uchar* bgr) = 0;
    // Makes the bitmap now at `path`, which holds the rows taken, the wallpaper; as setWallpaper() does. Called on
    // the thread that asked for the sink, after the last row, and only when the bitmap was written whole.
    virtual bool show(const QString& path, QString* error) = 0;
};

// Tells the desktop to show a bitmap file as its wallpaper.
class DesktopWallpaper {
public:
    virtual ~DesktopWallpaper() = default;
    // A short name of the binding for messages ("GNOME", "X11 root window", ...).
    virtual QString name() const = 0;
    // Makes the file at `path` the wallpaper. The desktop must read the file's content anew on
    // every call, also when the path is the same as last time. False with a message on failure.
    virtual bool setWallpaper(const QString& path, QString* error) = 0;
    // For a bitmap about to be written from a picture of `size` whose rows come top row first or not: a sink to take
    // its rows, when the binding draws the picture itself; nothing (the default) when it reads the file. A sink that
    // is dropped unshown changes nothing.
    virtual std::unique_ptr<WallpaperRowSink> rowSink(QSize size, bool topRowFirst) {
        Q_UNUSED(size);
        Q_UNUSED(topRowFirst);
        return nullptr;
    }
};
