// SPDX-License-Identifier: MIT
#include "core/clock.h"

QDateTime SystemClock::now() const {
    QDateTime moment = QDateTime::currentDateTime();
    moment.setTime(QTime(moment.time().hour(), moment.time().minute(), moment.time().second()));
    return moment;
}

qint64 secondsBetween(const QDateTime& from, const QDateTime& to) {
    return from.secsTo(to);
}

QDateTime addSeconds(const QDateTime& moment, qint64 seconds) {
    return moment.addSecs(seconds);
}
