#pragma once
// The PC clock as the program sees it: local time (taken to be JST), and setting it.

#include <QDate>
#include <QDateTime>
#include <QTime>

namespace velsor::platform {

class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime Now() const = 0;
    // Both return false when the system refuses; callers carry on regardless.
    virtual bool SetLocalDate(const QDate& date) = 0;
    virtual bool SetLocalTime(const QTime& time) = 0;
};

} // namespace velsor::platform
