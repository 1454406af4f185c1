// SPDX-License-Identifier: MIT
#include "platform/linux/desktop_plasma.h"
#include "core/problem_log.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

#include <algorithm>

namespace {

constexpr int CallTimeoutMs = 10000;

bool isPlainLiteralCharacter(QChar c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9');
}

} // namespace

QString javaScriptStringLiteral(const QString& text) {
    QString literal = QStringLiteral("\"");
    for (const QChar c : text) {
        if (isPlainLiteralCharacter(c)) {
            literal += c;
        } else {
            literal += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
        }
    }
    return literal + u'"';
}

QString plasmaImageUri(const QString& path, qint64 marker) {
    QUrl url = QUrl::fromLocalFile(QDir::cleanPath(QFileInfo(path).absoluteFilePath()));
    url.setQuery(QStringLiteral("quorlen=%1").arg(marker));
    return QString::fromLatin1(url.toEncoded());
}

QString plasmaWallpaperScript(const QString& imageUri) {
    return QStringLiteral("var image = %1;\n"
                          "var changed = 0;\n"
                          "var all = desktops();\n"
                          "for (var i = 0; i < all.length; ++i) {\n"
                          "    var d = all[i];\n"
                          "    if (d.wallpaperPlugin !== 'org.kde.image') continue;\n"
                          "    d.currentConfigGroup = ['Wallpaper', 'org.kde.image', 'General'];\n"
                          "    d.writeConfig('Image', image);\n"
                          "    ++changed;\n"
                          "}\n"
                          "if (changed === 0) throw new Error('no desktop uses the picture wallpaper plugin');\n")
        .arg(javaScriptStringLiteral(imageUri));
}

QString PlasmaWallpaper::name() const {
    return QStringLiteral("KDE Plasma");
}

// Plasma keeps the picture when the configured value is unchanged, and its image cache is keyed
// by URL. A query that differs on every call (a time stamp, also across runs of the program)
// makes each call a new URL, so the file is read again.
bool PlasmaWallpaper::setWallpaper(const QString& path, QString* error) {
    if (!QFileInfo(path).isFile()) {
        return fail(error, QStringLiteral("the picture %1 does not exist").arg(path));
    }
    lastMarker_ = std::max(lastMarker_ + 1, QDateTime::currentMSecsSinceEpoch());
    QDBusMessage call =
        QDBusMessage::createMethodCall(QStringLiteral("org.kde.plasmashell"), QStringLiteral("/PlasmaShell"),
                                       QStringLiteral("org.kde.PlasmaShell"), QStringLiteral("evaluateScript"));
    call << plasmaWallpaperScript(plasmaImageUri(path, lastMarker_));
    const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, CallTimeoutMs);
    if (reply.type() == QDBusMessage::ErrorMessage) {
        return fail(error, QStringLiteral("Plasma did not take the wallpaper: %1").arg(reply.errorMessage()));
    }
    return true;
}
