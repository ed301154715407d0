#include "platform/qt/qt_clock.h"

#include <QTimeZone>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <ctime>
#endif

namespace velsor::platform {

namespace {

// Japan has no daylight-saving time: a fixed offset is exact and needs no zone database.
const QTimeZone& Jst() {
    static const QTimeZone zone(9 * 3600);
    return zone;
}

bool SetJst(const QDate& date, const QTime& time) {
    if (!date.isValid() || !time.isValid())
        return false;
    const QDateTime utc = QDateTime(date, time, Jst()).toUTC();
#ifdef Q_OS_WIN
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(utc.date().year());
    st.wMonth = static_cast<WORD>(utc.date().month());
    st.wDay = static_cast<WORD>(utc.date().day());
    st.wHour = static_cast<WORD>(utc.time().hour());
    st.wMinute = static_cast<WORD>(utc.time().minute());
    st.wSecond = static_cast<WORD>(utc.time().second());
    st.wMilliseconds = static_cast<WORD>(utc.time().msec());
    return ::SetSystemTime(&st) != 0;
#else
    const qint64 ms = utc.toMSecsSinceEpoch();
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
    const QDateTime jst = QDateTime::fromMSecsSinceEpoch(ms - ms % 1000, Jst());
    // Plain date and time fields: the rest of the program works in JST wall-clock time.
    return QDateTime(jst.date(), jst.time());
}

bool QtClock::SetLocalDate(const QDate& date) {
    return SetJst(date, Now().time());
}

bool QtClock::SetLocalTime(const QTime& time) {
    return SetJst(Now().date(), time);
}

} // namespace velsor::platform
