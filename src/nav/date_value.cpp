#include "nav/date_value.h"

#include <cmath>

namespace velsor {

namespace {

// Julian day number of 1899-12-30, day 0 of date values.
constexpr qint64 kEpochJulianDay = 2415019;
constexpr qint64 kSecondsPerDay = 86400;

// Splits a value into whole days and seconds of the day, rounding to the nearest second.
void Split(DateValue v, qint64& days, qint64& seconds) {
    days = static_cast<qint64>(std::floor(v));
    seconds = std::llround((v - static_cast<double>(days)) * kSecondsPerDay);
    if (seconds >= kSecondsPerDay) {
        seconds -= kSecondsPerDay;
        ++days;
    }
}

void Put2(QChar*& p, int v) {
    *p++ = QChar(u'0' + v / 10);
    *p++ = QChar(u'0' + v % 10);
}

} // namespace

std::optional<DateValue> MakeDate(int year, int month, int day) {
    if (year < 100 || year > 9999)
        return std::nullopt;
    const QDate d(year, month, day);
    if (!d.isValid())
        return std::nullopt;
    return static_cast<DateValue>(d.toJulianDay() - kEpochJulianDay);
}

std::optional<DateValue> MakeTime(int hour, int minute, int second) {
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59)
        return std::nullopt;
    return (hour * 3600 + minute * 60 + second) / static_cast<double>(kSecondsPerDay);
}

std::optional<DateValue> ParseDate(QStringView text) {
    int parts[3] = {0, 0, 0};
    int digits[3] = {0, 0, 0};
    int k = 0;
    for (QChar c : text) {
        if (c == u'/') {
            if (++k > 2)
                return std::nullopt;
        } else if (c >= u'0' && c <= u'9') {
            if (++digits[k] > 4)
                return std::nullopt;
            parts[k] = parts[k] * 10 + (c.unicode() - u'0');
        } else {
            return std::nullopt;
        }
    }
    if (k != 2 || digits[0] == 0 || digits[1] == 0 || digits[2] == 0)
        return std::nullopt;
    return MakeDate(parts[0], parts[1], parts[2]);
}

DateValue FromQDateTime(const QDateTime& dt) {
    const qint64 days = dt.date().toJulianDay() - kEpochJulianDay;
    return static_cast<double>(days) + dt.time().msecsSinceStartOfDay() / 86400000.0;
}

QDate DatePart(DateValue v) {
    qint64 days, seconds;
    Split(v, days, seconds);
    return QDate::fromJulianDay(days + kEpochJulianDay);
}

QTime TimePart(DateValue v) {
    qint64 days, seconds;
    Split(v, days, seconds);
    return QTime::fromMSecsSinceStartOfDay(static_cast<int>(seconds * 1000));
}

QDateTime ToQDateTime(DateValue v) {
    return QDateTime(DatePart(v), TimePart(v));
}

QString DateText(DateValue v) {
    qint64 days, seconds;
    Split(v, days, seconds);
    QChar buf[24];
    QChar* p = buf;
    if (days != 0) {
        int y, m, d;
        QDate::fromJulianDay(days + kEpochJulianDay).getDate(&y, &m, &d);
        Put2(p, (y / 100) % 100);
        Put2(p, y % 100);
        *p++ = u'/';
        Put2(p, m);
        *p++ = u'/';
        Put2(p, d);
        if (seconds == 0)
            return QString(buf, p - buf);
        *p++ = u' ';
    }
    const int h = static_cast<int>(seconds / 3600);
    if (h >= 10)
        *p++ = QChar(u'0' + h / 10);
    *p++ = QChar(u'0' + h % 10);
    *p++ = u':';
    Put2(p, static_cast<int>(seconds / 60 % 60));
    *p++ = u':';
    Put2(p, static_cast<int>(seconds % 60));
    return QString(buf, p - buf);
}

QString ShortDateText(DateValue v) {
    return DatePart(v).toString(u"yyyy/MM/dd");
}

std::optional<int> SecondsOfDay(QStringView hhmmss) {
    if (hhmmss.size() != 6)
        return std::nullopt;
    int v[3];
    for (int k = 0; k < 3; ++k) {
        const char16_t a = hhmmss[2 * k].unicode(), b = hhmmss[2 * k + 1].unicode();
        if (a < u'0' || a > u'9' || b < u'0' || b > u'9')
            return std::nullopt;
        v[k] = (a - u'0') * 10 + (b - u'0');
    }
    if (!MakeTime(v[0], v[1], v[2]))
        return std::nullopt;
    return v[0] * 3600 + v[1] * 60 + v[2];
}

std::optional<DateValue> MomentNear(DateValue stamp, int seconds) {
    constexpr int kDay = 86400, kMaxApart = 10;
    const double day = std::floor(stamp);
    const int stampSeconds = static_cast<int>(std::lround((stamp - day) * kDay));
    int apart = seconds - stampSeconds;
    if (apart > kDay / 2)
        apart -= kDay;
    else if (apart <= -kDay / 2)
        apart += kDay;
    if (std::abs(apart) > kMaxApart)
        return std::nullopt;
    return day + (stampSeconds + apart) / double(kDay);
}

DateValue DayOfTime(DateValue date, DateValue stamp, int seconds) {
    const auto at = stamp != 0 ? MomentNear(stamp, seconds) : std::nullopt;
    return at ? std::floor(*at) : date;
}

} // namespace velsor
