#pragma once
// The PC clock: local time now, and setting the local date or time of day.

#include "platform/clock.h"

namespace velsor::platform {

class QtClock : public Clock {
public:
    // To the second. Working out local time reads the zone information each time, and the
    // main window asks twenty times a second: the result is kept for the rest of its second.
    QDateTime Now() const override;
    // Each keeps the other part of the current local date-time. False when the system
    // refuses (no privilege) or the value does not exist locally.
    bool SetLocalDate(const QDate& date) override;
    bool SetLocalTime(const QTime& time) override;

private:
    mutable QDateTime kept;
    mutable qint64 keptSecond = -1; // seconds since the epoch, UTC
};

} // namespace velsor::platform
