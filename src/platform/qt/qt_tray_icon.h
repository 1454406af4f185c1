// SPDX-License-Identifier: MIT
#pragma once

#include "core/ports/tray_icon.h"

#include <QElapsedTimer>
#include <QIcon>
#include <QTimer>

class QSystemTrayIcon;

// The tray icon through QSystemTrayIcon, which also brings the icon back when the tray host restarts.
class QtTrayIcon final : public TrayIcon {
    Q_OBJECT
public:
    explicit QtTrayIcon(const QIcon& icon, QObject* parent = nullptr);
    bool isHostAvailable() const override;
    bool clickRestores() const override;
    void add(const QString& tip) override;
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
