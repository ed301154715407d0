#include "nav/basic_text.h"
#include "nav/date_value.h"

#include <gtest/gtest.h>

using namespace velsor;

// Mid, InStr and the date texts are read through every decoder test.
TEST(BasicText, ValAndSixteenBitConversion) {
    // The leading number only.
    for (const auto& [text, want] :
         {std::pair{u"4*", 4.0}, {u"-7x", -7.0}, {u"12.5,", 12.5}, {u",3", 0.0}})
        EXPECT_EQ(Val(text), want) << QString::fromUtf16(text).toStdString();
    // Halves round to even; overflow is no value.
    EXPECT_EQ(std::pair(ToInt16(2.5), ToInt16(32767)),
              std::pair(std::optional<std::int16_t>(2), std::optional<std::int16_t>(32767)));
    EXPECT_FALSE(ToInt16(32768) || ValInt16(u"99999") || StrictInt16(u"4*") || StrictInt16(u""));
    EXPECT_EQ(*StrictInt16(u" 45 "), 45);
}

TEST(DateValue, DaysParsingAndQDateTime) {
    EXPECT_EQ(*MakeDate(2002, 5, 6), 37382); // days since 1899-12-30
    EXPECT_EQ(*ParseDate(u"2099/12/31"), *MakeDate(2099, 12, 31));
    // Years before 100 are not dates.
    EXPECT_FALSE(ParseDate(u"2002/02/30") || ParseDate(u"0099/05/06") || MakeTime(24, 0, 0));
    const QDateTime dt(QDate(2026, 12, 6), QTime(20, 53, 32));
    EXPECT_EQ(ToQDateTime(FromQDateTime(dt)), dt);
}

// A changed text never reaches a copy that shares the buffer, and survives coming from its own.
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
