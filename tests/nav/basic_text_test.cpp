#include "nav/basic_text.h"
#include "nav/date_value.h"

#include <gtest/gtest.h>

using namespace velsor;

TEST(BasicText, MidValAndSixteenBitConversion) {
    const QString s = QStringLiteral("$GPGGA,123");
    EXPECT_EQ(QStringList(
                  {Mid(s, 1, 6)->toString(), Mid(s, 8, 10)->toString(), Mid(s, 99, 2)->toString()})
                  .join(u'|'),
              u"$GPGGA|123|");
    EXPECT_FALSE(Mid(s, 0, 2) || Mid(s, 1, -1) || Left(s, -1));
    EXPECT_EQ(InStr(s, u"GGA"), 4);
    EXPECT_EQ(InStr(s, u'\r'), 0);

    // The leading number only.
    for (const auto& [text, want] :
         {std::pair{u"4*", 4.0}, {u"-7x", -7.0}, {u"12.5,", 12.5}, {u",3", 0.0}})
        EXPECT_EQ(Val(text), want) << QString::fromUtf16(text).toStdString();

    // Halves round to even; overflow is no value.
    const std::pair<double, std::optional<std::int16_t>> round[] = {
        {1.5, 2}, {2.5, 2}, {32767, 32767}, {32768, std::nullopt}};
    for (const auto& [x, want] : round)
        EXPECT_EQ(ToInt16(x), want) << x;
    EXPECT_FALSE(ValInt16(u"99999") || StrictInt16(u"4*") || StrictInt16(u""));
    EXPECT_EQ(*StrictInt16(u" 45 "), 45);
}

TEST(DateValue, CalendarTextParsingAndQDateTime) {
    const DateValue d = *MakeDate(2002, 5, 6);
    EXPECT_EQ(d, 37382); // days since 1899-12-30
    EXPECT_EQ(QStringList({DateText(d), ShortDateText(d + 0.5), DateText(d + *MakeTime(9, 5, 7)),
                           DateText(*MakeTime(12, 34, 56)), DateText(0)})
                  .join(u'|'),
              u"2002/05/06|2002/05/06|2002/05/06 9:05:07|12:34:56|0:00:00");

    EXPECT_EQ(*ParseDate(u"2099/12/31"), *MakeDate(2099, 12, 31));
    // Years before 100 are not dates.
    for (const char16_t* bad : {u"2002/02/30", u"0099/05/06"})
        EXPECT_FALSE(ParseDate(bad)) << QString::fromUtf16(bad).toStdString();
    EXPECT_FALSE(MakeTime(24, 0, 0) || MakeTime(12, 60, 0));

    const QDateTime dt(QDate(2026, 12, 6), QTime(20, 53, 32));
    EXPECT_EQ(ToQDateTime(FromQDateTime(dt)), dt);
}

// A changed text never reaches a copy that shares the buffer, and survives being part of it.
TEST(AssignTest, ReusesTheBufferWithoutTouchingCopiesOrItsOwnSource) {
    QString target = QStringLiteral("0123456789");
    target.detach();
    const QString copy = target;
    Assign(target, QStringView(target).sliced(4));
    EXPECT_EQ(target + u'|' + copy, u"456789|0123456789");
    QString alone = QStringLiteral("$GPGGA,123456,xyz");
    alone.detach();
    Assign(alone, QStringView(alone).sliced(7, 6));
    EXPECT_EQ(alone, u"123456");
}
