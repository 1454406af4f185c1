// SPDX-License-Identifier: MIT
#pragma once

#include "core/ports/desktop_wallpaper.h"

// Any other X11 session: the picture becomes the background pixmap of every screen's root
// window and is published in _XROOTPMAP_ID and ESETROOT_PMAP_ID for programs that draw
// over the root (pseudo-transparent terminals, docks). Works through a connection of its own
// from DISPLAY, whatever Qt's platform is.
class X11RootWallpaper final : public DesktopWallpaper {
public:
    QString name() const override;
    bool setWallpaper(const QString& path, QString* error) override;
    // Draws the root pictures from the rows of a converted picture, so that the bitmap is not read back.
    std::unique_ptr<WallpaperRowSink> rowSink(QSize size, bool topRowFirst) override;
};
