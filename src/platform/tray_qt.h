#pragma once

#include "platform/tray_icon.h"

class QSystemTrayIcon;

// The tray icon through QSystemTrayIcon, which also brings the icon back when the tray host restarts.
class QtTrayIcon final : public TrayIcon {
    Q_OBJECT
public:
    explicit QtTrayIcon(QObject* parent = nullptr);
    bool isHostAvailable() const override;
    bool clickRestores() const override;
    void add(const QIcon& icon, const QString& tip) override;
    void remove() override;

private:
    QSystemTrayIcon* icon_;
};

// Whether icons are served through StatusNotifierItem (a registered watcher with a registered host),
// the same test Qt makes when it picks that protocol. Such hosts report clicks, never double clicks.
bool statusNotifierHostRegistered();
