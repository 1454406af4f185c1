#include "platform/desktop_unsupported.h"

QString UnsupportedWallpaper::name() const {
    return QStringLiteral("none");
}

bool UnsupportedWallpaper::setWallpaper(const QString& /*path*/, QString* error) {
    if (error) {
        *error = QStringLiteral("this session offers no known way to set the wallpaper");
    }
    return false;
}
