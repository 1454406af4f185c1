#include "platform/tray_qt.h"

#include <QGuiApplication>
#include <QStyleHints>
#include <QSystemTrayIcon>

namespace {

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

QtTrayIcon::QtTrayIcon(QObject* parent) : TrayIcon(parent), icon_(new QSystemTrayIcon(this)) {
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

void QtTrayIcon::add(const QIcon& icon, const QString& tip) {
    pendingRemoval_.stop();
    icon_->setIcon(icon);
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
