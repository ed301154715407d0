#pragma once
// Date values: days since 1899-12-30 with the time of day as the fraction; 0 is the empty date.
// Text forms follow Japanese regional settings whatever the host locale.

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringView>
#include <QTime>

#include <optional>

namespace velsor {

using DateValue = double;

// Nine hours, the offset of JST from UTC.
inline constexpr DateValue kJstOffset = 0.375;

// A calendar date; years 100 to 9999 only.
std::optional<DateValue> MakeDate(int year, int month, int day);
// A time of day as a fraction of a day; 0:00:00 to 23:59:59 only.
std::optional<DateValue> MakeTime(int hour, int minute, int second);

// "y/m/d" with decimal components, as the date decoders build it.
std::optional<DateValue> ParseDate(QStringView text);

DateValue FromQDateTime(const QDateTime& dt);
// Whole seconds: the fraction is rounded to the nearest second.
QDate DatePart(DateValue v);
QTime TimePart(DateValue v);
QDateTime ToQDateTime(DateValue v);

// The time of day "hhmmss" in seconds since midnight; nullopt unless six digits of a valid time.
std::optional<int> SecondsOfDay(QStringView hhmmss);

// The moment of a time of day (seconds since midnight) within ten seconds of a stamped date
// and time, on whichever side of midnight that puts it; nullopt when the two are further apart.
std::optional<DateValue> MomentNear(DateValue stamp, int seconds);
// The date a time of day belongs to: the stamp's day, or the next or the day before when the
// time lies just across midnight from it; `date` when there is no stamp or they lie apart.
DateValue DayOfTime(DateValue date, DateValue stamp, int seconds);

// General form: "yyyy/MM/dd H:mm:ss"; the date alone at midnight; the time alone when the date
// part is empty.
QString DateText(DateValue v);
// "yyyy/MM/dd".
QString ShortDateText(DateValue v);

} // namespace velsor
