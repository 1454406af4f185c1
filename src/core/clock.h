// SPDX-License-Identifier: MIT
#pragma once

#include <QDateTime>

// The local wall-clock time, to the whole second. Switching is paced against it, so that
// a sleep of the computer or a change of the clock is noticed at the next tick.
class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
};

class SystemClock final : public Clock {
public:
    QDateTime now() const override;
};

// Whole seconds from `from` to `to` (negative when `to` lies before `from`).
qint64 secondsBetween(const QDateTime& from, const QDateTime& to);
QDateTime addSeconds(const QDateTime& moment, qint64 seconds);
