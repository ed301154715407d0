#include "nav/basic_text.h"
#include "nav/date_value.h"

#include <gtest/gtest.h>

#include <functional>

using namespace velsor;

TEST(BasicText, MidValAndSixteenBitConversion) {
    const QString s = QStringLiteral("$GPGGA,123");
    EXPECT_EQ(*Mid(s, 1, 6), u"$GPGGA");
    EXPECT_EQ(*Mid(s, 8, 10), u"123");
    EXPECT_EQ(*Mid(s, 11, 2), u"");
    EXPECT_EQ(*Mid(s, 99, 2), u"");
    EXPECT_FALSE(Mid(s, 0, 2) || Mid(s, 1, -1) || Left(s, -1));
    EXPECT_EQ(InStr(s, u"GGA"), 4);
    EXPECT_EQ(InStr(s, u'\r'), 0);

    // The leading number only.
    const std::pair<const char16_t*, double> val[] = {
        {u"4*", 4}, {u"", 0}, {u" 5", 5}, {u"-7x", -7}, {u"12.5,", 12.5}, {u"--", 0}, {u",3", 0}};
    for (const auto& [text, want] : val)
        EXPECT_EQ(Val(text), want) << QString::fromUtf16(text).toStdString();

    // Halves round to even; overflow is no value.
    const std::pair<double, std::optional<std::int16_t>> round[] = {{0.5, 0},
                                                                    {1.5, 2},
                                                                    {2.5, 2},
                                                                    {-2.5, -2},
                                                                    {1447.5, 1448},
                                                                    {32767, 32767},
                                                                    {32768, std::nullopt},
                                                                    {-32769, std::nullopt}};
    for (const auto& [x, want] : round)
        EXPECT_EQ(ToInt16(x), want) << x;
    EXPECT_FALSE(ValInt16(u"99999"));
    EXPECT_EQ(*StrictInt16(u" 45 "), 45);
    EXPECT_FALSE(StrictInt16(u"4*"));
    EXPECT_FALSE(StrictInt16(u""));
}

TEST(DateValue, CalendarTextParsingAndQDateTime) {
    const DateValue d = *MakeDate(2002, 5, 6);
    EXPECT_EQ(d, 37382); // days since 1899-12-30
    EXPECT_EQ(DateText(d), u"2002/05/06");
    EXPECT_EQ(ShortDateText(d + 0.5), u"2002/05/06");
    EXPECT_EQ(DateText(d + *MakeTime(9, 5, 7)), u"2002/05/06 9:05:07");
    EXPECT_EQ(DateText(*MakeTime(12, 34, 56)), u"12:34:56");
    EXPECT_EQ(DateText(0), u"0:00:00");
    EXPECT_EQ(DatePart(d + 0.5), QDate(2002, 5, 6));
    EXPECT_EQ(TimePart(d + 0.5), QTime(12, 0, 0));

    EXPECT_EQ(*ParseDate(u"2099/12/31"), *MakeDate(2099, 12, 31));
    // Years before 100 are not dates.
    for (const char16_t* bad :
         {u"2002/02/30", u"2002/13/01", u"2002/05/", u"20,2/05/06", u"0099/05/06"})
        EXPECT_FALSE(ParseDate(bad)) << QString::fromUtf16(bad).toStdString();
    EXPECT_FALSE(MakeTime(24, 0, 0));
    EXPECT_FALSE(MakeTime(12, 60, 0));

    const QDateTime dt(QDate(2026, 12, 6), QTime(20, 53, 32));
    EXPECT_EQ(ToQDateTime(FromQDateTime(dt)), dt);
    // Nine hours past 15:00 UTC carry into the next day.
    const DateValue jst = *MakeDate(2024, 2, 28) + *MakeTime(15, 30, 0) + kJstOffset;
    EXPECT_EQ(DateText(jst), u"2024/02/29 0:30:00");
}

// A changed text goes into the target's own buffer: never into one a copy still shares, and
// correctly when the new text is part of the old one.
TEST(AssignTest, ReusesTheBufferWithoutTouchingCopiesOrItsOwnSource) {
    const QString other = QStringLiteral("$GPGSA,A,3");
    const QString digits = QStringLiteral("0123456789");
    struct Case {
        QString start;
        std::function<QStringView(const QString&)> source;
        QString expected;
    };
    const Case cases[] = {
        {QStringLiteral("$GPGGA,123456,xyz"), [&](const QString&) { return QStringView(other); },
         other},
        {QStringLiteral("ab"), [&](const QString&) { return QStringView(other); }, other},
        {digits, [](const QString& s) { return QStringView(s).sliced(4); },
         QStringLiteral("456789")},
        {digits, [](const QString& s) { return QStringView(s).first(3); }, QStringLiteral("012")},
        {digits, [](const QString&) { return QStringView(); }, QString()},
    };
    for (const Case& c : cases) {
        for (const bool shared : {true, false}) {
            QString target = c.start;
            target.detach();
            const QString copy = shared ? target : QString();
            Assign(target, c.source(target));
            EXPECT_EQ(target, c.expected) << c.start.toStdString() << (shared ? ", shared" : "");
            EXPECT_EQ(copy, shared ? c.start : QString());
        }
    }
}
