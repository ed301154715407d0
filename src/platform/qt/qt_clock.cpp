#include "platform/qt/qt_clock.h"

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <ctime>
#endif

namespace velsor::platform {

namespace {

bool SetLocal(const QDate& date, const QTime& time) {
    if (!date.isValid() || !time.isValid())
        return false;
#ifdef Q_OS_WIN
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(date.year());
    st.wMonth = static_cast<WORD>(date.month());
    st.wDay = static_cast<WORD>(date.day());
    st.wHour = static_cast<WORD>(time.hour());
    st.wMinute = static_cast<WORD>(time.minute());
    st.wSecond = static_cast<WORD>(time.second());
    st.wMilliseconds = static_cast<WORD>(time.msec());
    return ::SetLocalTime(&st) != 0;
#else
    const QDateTime target(date, time);
    // A local time skipped by a daylight-saving change has no instant to set.
    if (!target.isValid() || target.date() != date || target.time() != time)
        return false;
    const qint64 ms = target.toMSecsSinceEpoch();
    timespec ts{};
    ts.tv_sec = static_cast<time_t>(ms / 1000);
    ts.tv_nsec = static_cast<long>(ms % 1000) * 1000000L;
    if (ts.tv_nsec < 0) {
        ts.tv_nsec += 1000000000L;
        ts.tv_sec -= 1;
    }
    return ::clock_settime(CLOCK_REALTIME, &ts) == 0;
#endif
}

} // namespace

QDateTime QtClock::Now() const {
    const qint64 ms = QDateTime::currentMSecsSinceEpoch();
    const qint64 second = ms / 1000;
    if (second != keptSecond) {
        kept = QDateTime::fromMSecsSinceEpoch(second * 1000);
        keptSecond = second;
    }
    return kept;
}

bool QtClock::SetLocalDate(const QDate& date) {
    keptSecond = -1;
    return SetLocal(date, QTime::currentTime());
}

bool QtClock::SetLocalTime(const QTime& time) {
    keptSecond = -1;
    return SetLocal(QDate::currentDate(), time);
}

} // namespace velsor::platform
