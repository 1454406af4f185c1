// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>
#include <QString>

enum class TrayActivation { DoubleClick, Click, Context, Middle };

// The program's icon in the notification area. Adding or removing it never fails loudly: a missing host simply
// shows nothing.
class TrayIcon : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    // Whether a tray host is there to show the icon right now.
    virtual bool isHostAvailable() const = 0;
    // Whether the host reports single clicks only (StatusNotifierItem): then a click restores.
    virtual bool clickRestores() const = 0;
    virtual void add(const QString& tip) = 0;
    virtual void remove() = 0;

signals:
    void activated(TrayActivation how);
};
