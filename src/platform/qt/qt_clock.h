#pragma once
// The PC clock, read and set as Japan Standard Time whatever the machine's own time zone: the
// program's local time is JST, so on a machine set to another zone the correction still puts
// the right instant on the system clock instead of shifting it by the zone difference.

#include "platform/clock.h"

namespace velsor::platform {

class QtClock : public Clock {
public:
    // JST now, to the second.
    QDateTime Now() const override;
    // Each keeps the other part of the current JST date-time. False when the system refuses
    // (no privilege).
    bool SetLocalDate(const QDate& date) override;
    bool SetLocalTime(const QTime& time) override;
};

} // namespace velsor::platform
