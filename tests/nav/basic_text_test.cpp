#include "nav/basic_text.h"
#include "nav/date_value.h"

#include <gtest/gtest.h>

#include <functional>

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
    for (const auto& [text, want] : {std::pair{u"4*", 4.0},
                                     {u"", 0.0},
                                     {u" 5", 5.0},
                                     {u"-7x", -7.0},
                                     {u"12.5,", 12.5},
                                     {u"--", 0.0},
                                     {u",3", 0.0}})
        EXPECT_EQ(Val(text), want) << QString::fromUtf16(text).toStdString();

    // Halves round to even; overflow is no value.
    const std::pair<double, std::optional<std::int16_t>> round[] = {{1.5, 2},
                                                                    {2.5, 2},
                                                                    {-2.5, -2},
                                                                    {32767, 32767},
                                                                    {32768, std::nullopt},
                                                                    {-32769, std::nullopt}};
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
    EXPECT_EQ(QDateTime(DatePart(d + 0.5), TimePart(d + 0.5)),
              QDateTime(QDate(2002, 5, 6), QTime(12, 0, 0)));

    EXPECT_EQ(*ParseDate(u"2099/12/31"), *MakeDate(2099, 12, 31));
    // Years before 100 are not dates.
    for (const char16_t* bad : {u"2002/02/30", u"2002/13/01", u"20,2/05/06", u"0099/05/06"})
        EXPECT_FALSE(ParseDate(bad)) << QString::fromUtf16(bad).toStdString();
    EXPECT_FALSE(MakeTime(24, 0, 0) || MakeTime(12, 60, 0));

    const QDateTime dt(QDate(2026, 12, 6), QTime(20, 53, 32));
    EXPECT_EQ(ToQDateTime(FromQDateTime(dt)), dt);
}

// A changed text goes into the target's own buffer: never into one a copy still shares, and
// correctly when the new text is part of the old one.
TEST(AssignTest, ReusesTheBufferWithoutTouchingCopiesOrItsOwnSource) {
    const QString other = QStringLiteral("$GPGSA,A,3");
    const QString digits = QStringLiteral("0123456789");
    const std::function<QStringView(const QString&)> fromOther = [&](const QString&) {
        return QStringView(other);
    };
    const struct {
        QString start;
        std::function<QStringView(const QString&)> source;
        QString expected;
    } cases[] = {
        {QStringLiteral("$GPGGA,123456,xyz"), fromOther, other},
        {QStringLiteral("ab"), fromOther, other},
        {digits, [](const QString& s) { return QStringView(s).sliced(4); },
         QStringLiteral("456789")},
        {digits, [](const QString&) { return QStringView(); }, QString()},
    };
    for (const auto& c : cases) {
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
