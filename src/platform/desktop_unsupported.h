#pragma once

#include "platform/desktop_wallpaper.h"

// Stands in when the session offers no interface this program knows: every call fails with a
// message, and switching goes on regardless.
class UnsupportedWallpaper final : public DesktopWallpaper {
public:
    QString name() const override;
    bool setWallpaper(const QString& path, QString* error) override;
};
