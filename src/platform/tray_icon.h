#pragma once

#include <QIcon>
#include <QObject>
#include <QString>

// What describes the tray icon: the window it belongs to, its id and its tip.
struct TrayIconRecord {
    quintptr window = 0;
    int id = 0;
    QIcon icon;
    QString tip;
};

enum class TrayActivation { DoubleClick, Click, Context, Middle };

// The icon in the notification area. Adding or removing it never fails loudly: a missing host
// simply shows nothing.
class TrayIcon : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    // Whether a tray host is there to show the icon right now.
    virtual bool isHostAvailable() const = 0;
    // Whether the host reports single clicks only (StatusNotifierItem): then a click restores.
    virtual bool clickRestores() const = 0;
    virtual void add(const TrayIconRecord& data) = 0;
    virtual void remove() = 0;
    virtual bool isShown() const = 0;

signals:
    void activated(TrayActivation how);
};
