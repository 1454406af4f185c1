// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <memory>
#include <thread>

class DesktopWallpaper;
class ReplacedFileHold;
class WallpaperRowSink;

// Makes one picture the wallpaper. A name ending in ".bmp" (any case) goes to the desktop as it is; anything else
// is decoded by its content and written as the folder's "temp.bmp", which then goes to the desktop; a desktop that
// draws the picture itself is handed its rows while the bitmap is written.
class WallpaperChanger final {
public:
    explicit WallpaperChanger(DesktopWallpaper& desktop) : desktop_(desktop) {}
    ~WallpaperChanger();
    WallpaperChanger(const WallpaperChanger&) = delete;
    WallpaperChanger& operator=(const WallpaperChanger&) = delete;

    // False with a message when the picture cannot be read or the bitmap cannot be written. A desktop that
    // refuses the file is reported on stderr (once for the same complaint) but is no failure of the switch.
    bool apply(const QString& name, const QString& path, const QString& folder, QString* error);

private:
    bool applyPicture(const QString& name, const QString& path, const QString& folder, QString* error);
    // Through the sink that drew the picture, when there is one.
    void tellDesktop(const QString& path, WallpaperRowSink* drawn);
    // Drops the hold on the bitmap just replaced on a thread of its own, where the system frees it.
    void letGo(std::unique_ptr<ReplacedFileHold> replaced);

    DesktopWallpaper& desktop_;
    std::thread lettingGo_;
    QString lastDesktopComplaint_;
};
