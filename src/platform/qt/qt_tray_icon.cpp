// SPDX-License-Identifier: MIT
#include "platform/qt/qt_tray_icon.h"

#include <QGuiApplication>
#include <QStyleHints>
#include <QSystemTrayIcon>

#ifndef Q_OS_WIN
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#endif

namespace {

// Whether icons are served through StatusNotifierItem (a registered watcher with a registered host), the same test
// Qt makes when it picks that protocol. Such hosts report clicks, never double clicks; so does no Windows shell.
bool statusNotifierHostRegistered() {
#ifdef Q_OS_WIN
    return false;
#else
    const QString watcher = QStringLiteral("org.kde.StatusNotifierWatcher");
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface()->isServiceRegistered(watcher))
        return false;
    QDBusMessage get =
        QDBusMessage::createMethodCall(watcher, QStringLiteral("/StatusNotifierWatcher"),
                                       QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << watcher << QStringLiteral("IsStatusNotifierHostRegistered");
    const QDBusMessage reply = bus.call(get, QDBus::Block, 1000);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return false;
    return reply.arguments().constFirst().value<QDBusVariant>().variant().toBool();
#endif
}

TrayActivation toActivation(QSystemTrayIcon::ActivationReason reason) {
    switch (reason) {
    case QSystemTrayIcon::DoubleClick:
        return TrayActivation::DoubleClick;
    case QSystemTrayIcon::Context:
        return TrayActivation::Context;
    case QSystemTrayIcon::MiddleClick:
        return TrayActivation::Middle;
    default:
        return TrayActivation::Click;
    }
}

} // namespace

QtTrayIcon::QtTrayIcon(const QIcon& icon, QObject* parent) : TrayIcon(parent), icon_(new QSystemTrayIcon(icon, this)) {
    pendingRemoval_.setSingleShot(true);
    connect(&pendingRemoval_, &QTimer::timeout, icon_, &QSystemTrayIcon::hide);
    connect(icon_, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) { onActivated(reason); });
}

void QtTrayIcon::onActivated(int reason) {
    if (pendingRemoval_.isActive())
        return;
    lastClick_.start();
    emit activated(toActivation(QSystemTrayIcon::ActivationReason(reason)));
}

bool QtTrayIcon::isHostAvailable() const {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

bool QtTrayIcon::clickRestores() const {
    static const bool statusNotifier = statusNotifierHostRegistered();
    return statusNotifier;
}

void QtTrayIcon::add(const QString& tip) {
    pendingRemoval_.stop();
    icon_->setToolTip(tip);
    icon_->show();
}

void QtTrayIcon::remove() {
    const qint64 interval = QGuiApplication::styleHints()->mouseDoubleClickInterval();
    if (icon_->isVisible() && lastClick_.isValid() && lastClick_.elapsed() < interval) {
        pendingRemoval_.start(static_cast<int>(interval - lastClick_.elapsed()));
        return;
    }
    icon_->hide();
}
