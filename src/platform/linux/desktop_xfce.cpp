// SPDX-License-Identifier: MIT
#include "platform/linux/desktop_xfce.h"

#include "core/problem_log.h"
#include "platform/linux/path_spelling.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QVariantMap>

#include <optional>

namespace {

constexpr int CallTimeoutMs = 5000;
const QString DesktopChannel = QStringLiteral("xfce4-desktop");

QDBusMessage xfconfCall(const QString& method) {
    return QDBusMessage::createMethodCall(QStringLiteral("org.xfce.Xfconf"), QStringLiteral("/org/xfce/Xfconf"),
                                          QStringLiteral("org.xfce.Xfconf"), method);
}

// All properties under /backdrop with their values, or nothing when xfconf does not answer. A fresh profile has no
// such channel or property yet; xfconf answers that with an error.
std::optional<QVariantMap> backdropProperties(QString* error) {
    QDBusMessage call = xfconfCall(QStringLiteral("GetAllProperties"));
    call << DesktopChannel << QStringLiteral("/backdrop");
    const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, CallTimeoutMs);
    if (reply.type() == QDBusMessage::ErrorMessage) {
        if (reply.errorName() == u"org.xfce.Xfconf.Error.PropertyNotFound" ||
            reply.errorName() == u"org.xfce.Xfconf.Error.ChannelNotFound") {
            return QVariantMap();
        }
        fail(error, QStringLiteral("xfconf did not list the backdrops: %1").arg(reply.errorMessage()));
        return std::nullopt;
    }
    if (reply.arguments().isEmpty()) {
        return QVariantMap();
    }
    const QVariant first = reply.arguments().constFirst();
    return first.canConvert<QDBusArgument>() ? qdbus_cast<QVariantMap>(first.value<QDBusArgument>()) : first.toMap();
}

QString textOf(const QVariant& value) {
    return value.canConvert<QDBusVariant>() ? value.value<QDBusVariant>().variant().toString() : value.toString();
}

bool setProperty(const QString& property, const QString& value, QString* error) {
    QDBusMessage call = xfconfCall(QStringLiteral("SetProperty"));
    call << DesktopChannel << property << QVariant::fromValue(QDBusVariant(value));
    const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, CallTimeoutMs);
    if (reply.type() == QDBusMessage::ErrorMessage) {
        return fail(error, QStringLiteral("xfconf did not take %1: %2").arg(property, reply.errorMessage()));
    }
    return true;
}

QStringList monitorNames() {
    QStringList names;
    for (const QScreen* screen : QGuiApplication::screens()) {
        names.append(screen->name());
    }
    return names;
}

} // namespace

QStringList xfceImageProperties(const QStringList& existingProperties, const QStringList& monitorNames) {
    QStringList properties;
    for (const QString& property : existingProperties) {
        if (property.endsWith(u"last-image")) {
            properties.append(property);
        }
    }
    if (!properties.isEmpty()) {
        return properties;
    }
    const QStringList monitors = monitorNames.isEmpty() ? QStringList{QStringLiteral("0")} : monitorNames;
    for (const QString& monitor : monitors) {
        properties.append(QStringLiteral("/backdrop/screen0/monitor%1/workspace0/last-image").arg(monitor));
    }
    return properties;
}

QString XfceWallpaper::name() const {
    return QStringLiteral("XFCE");
}

// xfdesktop keeps its picture when a property is set to the value it already holds, and loads the file anew whenever
// the text changes. Each property gets the spelling of the path that differs from its own value: one change, straight
// from the old picture to the new one. (An empty value first would let xfdesktop draw its bare colour in between.)
// Each D-Bus call returns only after xfconf has applied it.
bool XfceWallpaper::setWallpaper(const QString& path, QString* error) {
    if (!QFileInfo(path).isFile()) {
        return fail(error, QStringLiteral("the picture %1 does not exist").arg(path));
    }
    const std::optional<QVariantMap> existing = backdropProperties(error);
    if (!existing) {
        return false;
    }
    for (const QString& property : xfceImageProperties(existing->keys(), monitorNames())) {
        const QString value = nextPictureValue(path, PictureValueForm::PlainPath, textOf(existing->value(property)));
        if (!setProperty(property, value, error)) {
            return false;
        }
    }
    return true;
}
