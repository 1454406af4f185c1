#pragma once

#include "platform/desktop_wallpaper.h"

#include <QRect>
#include <QSize>

// Any other X11 session: the picture becomes the background pixmap of every screen's root
// window and is published in _XROOTPMAP_ID and ESETROOT_PMAP_ID for programs that draw
// over the root (pseudo-transparent terminals, docks). Works through a connection of its own
// from DISPLAY, whatever Qt's platform is.
class X11RootWallpaper final : public DesktopWallpaper {
public:
    QString name() const override;
    bool setWallpaper(const QString& path, QString* error) override;
};

// The part of a picture of `pictureSize` that, scaled, fills `screenSize` exactly: the
// largest centered rectangle with the screen's proportions; the overflow is cropped.
QRect fillSourceRect(QSize pictureSize, QSize screenSize);
