#include "platform/desktop_wallpaper.h"
#include "platform/desktop_win.h"
#include "platform/diagnostics.h"
#include "platform/system_services.h"

std::unique_ptr<DesktopWallpaper> chooseDesktopWallpaper() {
    auto binding = std::make_unique<WindowsWallpaper>();
    reportProblem(QStringLiteral("wallpaper binding: %1").arg(binding->name()));
    return binding;
}
