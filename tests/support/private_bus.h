// SPDX-License-Identifier: MIT
#pragma once

#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

// Starts a D-Bus daemon of the test's own with `arguments` (a configuration) and makes it the session bus of this
// process and of what it starts; call it before anything uses the session bus, which reads the address once. The
// daemon and the services it starts inherit this process's environment. False with the reason otherwise.
inline bool startPrivateBus(QProcess& bus, const QStringList& arguments, QString* why) {
    const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
    if (daemon.isEmpty()) {
        *why = QStringLiteral("dbus-daemon is not installed");
        return false;
    }
    bus.start(daemon, arguments + QStringList{QStringLiteral("--nofork"), QStringLiteral("--nopidfile"),
                                              QStringLiteral("--print-address")});
    while (bus.waitForStarted() && !bus.canReadLine()) {
        if (!bus.waitForReadyRead(30000))
            break;
    }
    if (!bus.canReadLine()) {
        *why = QStringLiteral("dbus-daemon printed no address: %1")
                   .arg(QString::fromLocal8Bit(bus.readAllStandardError()));
        return false;
    }
    qputenv("DBUS_SESSION_BUS_ADDRESS", bus.readLine().trimmed());
    return true;
}
