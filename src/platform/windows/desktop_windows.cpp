#include "platform/desktop_win.h"

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

} // namespace

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
    if (error) {
        *error = QStringLiteral("the desktop refused the wallpaper %1: %2").arg(path, lastErrorText());
    }
    return false;
}
