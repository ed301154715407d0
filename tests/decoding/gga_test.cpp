// GGA: time, local time, position and the start-up clock correction.

#include "support/decoder_fixture.h"

using namespace velsor;
using velsor::testing::At;
using velsor::testing::CfgpsDecoderTest;
using velsor::testing::DecoderTest;

namespace {
const QString kGga0 =
    QStringLiteral("$GPGGA,123456,3541.1234,N,13945.6789,E,1,05,1.0,10,M,,M,,*00");
// The CFGPS layout: an eight-character time field moves every later field two places on.
const QString kGga1 =
    QStringLiteral("$GPGGA,123456.0,3541.1234,N,13945.6789,E,1,05,1.0,10,M,,M,,*00");
} // namespace

TEST_F(DecoderTest, GgaShowsTimeAndPositionAtTheGt74Positions) {
    ASSERT_EQ(At(kGga0, 24, 2), u",N");
    ASSERT_EQ(At(kGga0, 37, 2), u",E");
    Line(kGga0);
    EXPECT_EQ(form.Label4[0].caption, u"12 時 34 分 56 秒");
    EXPECT_EQ(form.Label3[0].caption, u" 35 度 41.1234 分 - N");
    EXPECT_EQ(form.Label3[1].caption, u"139 度 45.6789 分 - E");
}

TEST_F(CfgpsDecoderTest, GgaShowsTimeAndPositionAtTheCfgpsPositions) {
    ASSERT_EQ(At(kGga1, 26, 2), u",N");
    ASSERT_EQ(At(kGga1, 39, 2), u",E");
    Line(kGga1);
    EXPECT_EQ(form.Label4[0].caption, u"12 時 34 分 56 秒");
    EXPECT_EQ(form.Label3[0].caption, u" 35 度 41.1234 分 - N");
    EXPECT_EQ(form.Label3[1].caption, u"139 度 45.6789 分 - E");
}

TEST_F(DecoderTest, SouthWestAndEmptyPositionsKeepThePreviousText) {
    Line(kGga0);
    Line(QStringLiteral("$GPGGA,123457,3541.9999,S,13945.0000,E,1,05,1.0,10,M,,M,,*00"));
    EXPECT_EQ(form.Label3[0].caption, u" 35 度 41.1234 分 - N");
    EXPECT_EQ(form.Label3[1].caption, u"139 度 45.0000 分 - E");
    Line(QStringLiteral("$GPGGA,123458,3541.9999,N,13945.1111,W,1,05,1.0,10,M,,M,,*00"));
    EXPECT_EQ(form.Label3[0].caption, u" 35 度 41.9999 分 - N");
    EXPECT_EQ(form.Label3[1].caption, u"139 度 45.0000 分 - E");
    Line(QStringLiteral("$GPGGA,123459,,,,,0,00,,,M,,M,,*00"));
    EXPECT_EQ(form.Label4[0].caption, u"12 時 34 分 59 秒");
    EXPECT_EQ(form.Label3[0].caption, u" 35 度 41.9999 分 - N");
}

TEST_F(DecoderTest, AnEmptyOrShortTimeFieldOnlyShowsTheRawLine) {
    Line(kGga0);
    nav.UtcDate = *MakeDate(2002, 5, 6);
    nav.FixMode = QStringLiteral("3D");
    nav.ClockSetWait = 500;
    const QString shortTime = QStringLiteral("$GPGGA,1234,3541.1234,N,13945.6789,E,1,05*00");
    Line(shortTime);
    EXPECT_EQ(form.Label16[0].caption, shortTime + QStringLiteral("\r\n"));
    EXPECT_EQ(form.Label4[0].caption, u"12 時 34 分 56 秒");
    EXPECT_TRUE(clock.timesSet.empty());
    Line(QStringLiteral("$GPGGA,"));
    EXPECT_EQ(form.Label4[0].caption, u"12 時 34 分 56 秒");
    EXPECT_EQ(nav.ClockSetDone, 0);
}

TEST_F(DecoderTest, LocalTimeNeedsADateAndCarriesIntoTheNextDay) {
    Line(kGga0);
    EXPECT_EQ(nav.JstDateTime, 0);
    EXPECT_EQ(form.Label4[1].caption, u"0:00:00");

    nav.UtcDate = *MakeDate(2002, 5, 6);
    Line(QStringLiteral("$GPGGA,153000,3541.1234,N,13945.6789,E,1,05*00"));
    EXPECT_EQ(DateText(nav.JstDateTime), u"2002/05/07 0:30:00");
    EXPECT_EQ(form.Label4[1].caption, u"2002/05/07 0:30:00");
    Line(QStringLiteral("$GPGGA,150000,3541.1234,N,13945.6789,E,1,05*00"));
    EXPECT_EQ(form.Label4[1].caption, u"2002/05/07") << "midnight shows the date alone";
    // A time that is no time of day keeps the previous local time.
    Line(QStringLiteral("$GPGGA,256000,3541.1234,N,13945.6789,E,1,05*00"));
    EXPECT_EQ(form.Label4[0].caption, u"25 時 60 分 00 秒");
    EXPECT_EQ(form.Label4[1].caption, u"2002/05/07");
}

TEST_F(DecoderTest, StartUpClockCorrectionWaitsFor120TicksAFixAndADate) {
    nav.FixMode = QStringLiteral("3D");
    nav.ClockSetWait = 300;
    Line(kGga0);
    EXPECT_TRUE(clock.timesSet.empty()) << "no date yet: the clock would go to midnight";

    nav.UtcDate = *MakeDate(2002, 5, 6);
    nav.ClockSetWait = 119;
    Line(kGga0);
    nav.FixMode = QStringLiteral("--");
    nav.ClockSetWait = 5000;
    Line(kGga0);
    EXPECT_TRUE(clock.datesSet.empty()) << "119 ticks, or no fix";

    nav.FixMode = QStringLiteral("3D");
    nav.ClockSetWait = 120;
    Line(kGga0);
    ASSERT_EQ(clock.datesSet.size(), 1u);
    EXPECT_EQ(clock.datesSet[0], QDate(2002, 5, 6));
    EXPECT_EQ(clock.timesSet[0], QTime(21, 34, 56));
    EXPECT_EQ(nav.ClockSetDone, 1);
    EXPECT_EQ(nav.ClockSetWait, 0);
    EXPECT_EQ(form.Label14.backColor, RGB(192, 255, 255));
    EXPECT_EQ(form.Label14.toolTip, u"3D測位で時刻修正しました");
    nav.ClockSetWait = 200;
    Line(kGga0);
    EXPECT_EQ(clock.datesSet.size(), 1u) << "once per arming";

    // At 2D, and a refusal by the system still counts as done.
    clock.refuse = true;
    nav.ClockSetDone = 0;
    nav.ClockSetWait = 121;
    nav.FixMode = QStringLiteral("2D");
    Line(QStringLiteral("$GPGGA,150000,3541.1234,N,13945.6789,E,1,05*00"));
    ASSERT_EQ(clock.datesSet.size(), 2u);
    EXPECT_EQ(clock.datesSet[1], QDate(2002, 5, 7));
    EXPECT_EQ(clock.timesSet[1], QTime(0, 0, 0));
    EXPECT_EQ(nav.ClockSetDone, 1);
    EXPECT_EQ(form.Label14.backColor, RGB(192, 192, 255));
    EXPECT_EQ(form.Label14.toolTip, u"2D測位で時刻修正しました");
}
