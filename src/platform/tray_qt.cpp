#include "platform/tray_qt.h"

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
    connect(icon_, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) { emit activated(toActivation(reason)); });
}

bool QtTrayIcon::isHostAvailable() const {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

bool QtTrayIcon::clickRestores() const {
    static const bool statusNotifier = statusNotifierHostRegistered();
    return statusNotifier;
}

void QtTrayIcon::add(const QIcon& icon, const QString& tip) {
    icon_->setIcon(icon);
    icon_->setToolTip(tip);
    icon_->show();
}

void QtTrayIcon::remove() {
    icon_->hide();
}
