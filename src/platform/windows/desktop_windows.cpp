// SPDX-License-Identifier: MIT
#include "core/ports/desktop_wallpaper.h"
#include "core/problem_log.h"
#include "platform/system_services.h"

#include <QDir>

#include <string>

#include <windows.h>

namespace {

QString lastErrorText() {
    const DWORD code = GetLastError();
    wchar_t* buffer = nullptr;
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    QString text = length > 0 ? QString::fromWCharArray(buffer, static_cast<qsizetype>(length)).trimmed()
                              : QStringLiteral("error %1").arg(code);
    if (buffer) {
        LocalFree(buffer);
    }
    return text;
}

// The Windows desktop: SystemParametersInfoW reads the bitmap anew on every call, also when the path is the one it
// already shows.
class WindowsWallpaper final : public DesktopWallpaper {
public:
    QString name() const override;
    bool setWallpaper(const QString& path, QString* error) override;
};

QString WindowsWallpaper::name() const {
    return QStringLiteral("Windows");
}

bool WindowsWallpaper::setWallpaper(const QString& path, QString* error) {
    // The wide call, so that names outside the ANSI code page reach the desktop intact. Only the
    // profile is updated; no change broadcast is asked for, the desktop repaints by itself.
    std::wstring nativePath = QDir::toNativeSeparators(path).toStdWString();
    if (SystemParametersInfoW(SPI_SETDESKWALLPAPER, 0, nativePath.data(), SPIF_UPDATEINIFILE)) {
        return true;
    }
    return fail(error, QStringLiteral("the desktop refused the wallpaper %1: %2").arg(path, lastErrorText()));
}

} // namespace

std::unique_ptr<DesktopWallpaper> chooseDesktopWallpaper() {
    auto binding = std::make_unique<WindowsWallpaper>();
    reportProblem(QStringLiteral("wallpaper binding: %1").arg(binding->name()));
    return binding;
}
