#pragma once

#include "platform/tray_icon.h"

#include <QElapsedTimer>
#include <QTimer>

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
    void onActivated(int reason);

    QSystemTrayIcon* icon_;
    // A host that reports each click (a status-notifier panel) turns a double click into two. When the first one
    // takes the icon away, the panel shifts under the pointer and the second lands on whatever moved there. So an
    // icon removed within the double-click interval of a click stays until that interval is over, and clicks on it
    // meanwhile are dropped.
    QElapsedTimer lastClick_;
    QTimer pendingRemoval_;
};

// Whether icons are served through StatusNotifierItem (a registered watcher with a registered host),
// the same test Qt makes when it picks that protocol. Such hosts report clicks, never double clicks.
bool statusNotifierHostRegistered();
