#include "platform/desktop_unsupported.h"
#include "platform/diagnostics.h"

QString UnsupportedWallpaper::name() const {
    return QStringLiteral("none");
}

bool UnsupportedWallpaper::setWallpaper(const QString& /*path*/, QString* error) {
    const QString refusal = QStringLiteral("this session offers no known way to set the wallpaper");
    return fail(error, reason_.isEmpty() ? refusal : QStringLiteral("%1 (%2)").arg(refusal, reason_));
}
