#pragma once

#include "platform/desktop_wallpaper.h"

// The Windows desktop: SystemParametersInfoW reads the bitmap anew on every call, also when
// the path is the one it already shows.
class WindowsWallpaper final : public DesktopWallpaper {
public:
    QString name() const override;
    bool setWallpaper(const QString& path, QString* error) override;
};
