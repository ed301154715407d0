// GGA: time, local time, position and the start-up clock correction.

#include "support/decoder_fixture.h"

using namespace velsor;
using velsor::testing::DecoderTest;
using velsor::testing::WithChecksum;

namespace {
const QString kGga0 =
    QStringLiteral("$GPGGA,123456,3541.1234,N,13945.6789,E,1,05,1.0,10,M,,M,,*00");
const char* kGgaBody = "$GPGGA,123456,3541.1234,N,13945.6789,E,1,05,1.0,10,M,,M,,";
const QString kZda = WithChecksum("$GPZDA,123456,06,05,2002,00,00");

// UTC time | latitude | longitude as shown.
QString Shown(const NAV_FORM& f) {
    return f.Label4[0].caption + u'|' + f.Label3[0].caption + u'|' + f.Label3[1].caption;
}
} // namespace

// In order on one model: each tuner's field positions, then a south or west position, or none,
// keeps the previous text of its own axis.
TEST_F(DecoderTest, GgaTimeAndPositionAtEachTunersPositions) {
    const char* const cases[][3] = {
        // The CFGPS layout: an eight-character time field moves every later field two places on.
        {"1", "$GPGGA,123456.0,3541.1234,N,13945.6789,E,1,05,1.0,10,M,,M,,*00",
         "12 時 34 分 56 秒| 35 度 41.1234 分 - N|139 度 45.6789 分 - E"},
        {"0", "$GPGGA,123457,3541.9999,S,13945.0000,E,1,05,1.0,10,M,,M,,*00",
         "12 時 34 分 57 秒| 35 度 41.1234 分 - N|139 度 45.0000 分 - E"},
        {"0", "$GPGGA,123458,3541.9999,N,13945.1111,W,1,05,1.0,10,M,,M,,*00",
         "12 時 34 分 58 秒| 35 度 41.9999 分 - N|139 度 45.0000 分 - E"},
        {"0", "$GPGGA,123459,,,,,0,00,,,M,,M,,*00",
         "12 時 34 分 59 秒| 35 度 41.9999 分 - N|139 度 45.0000 分 - E"},
    };
    for (const auto& [tuner, gga, shown] : cases) {
        nav.TunerType = QString::fromLatin1(tuner);
        Line(QString::fromLatin1(gga));
        EXPECT_EQ(Shown(form), QString::fromUtf8(shown)) << gga;
    }
}

TEST_F(DecoderTest, LocalTimeNeedsADateAndCarriesIntoTheNextDay) {
    Line(kGga0);
    EXPECT_EQ(form.Label4[1].caption, u"0:00:00");

    nav.UtcDate = *MakeDate(2002, 5, 6);
    Line(QStringLiteral("$GPGGA,153000,3541.1234,N,13945.6789,E,1,05*00"));
    EXPECT_EQ(DateText(nav.JstDateTime) + form.Label4[1].caption,
              u"2002/05/07 0:30:002002/05/07 0:30:00");
    Line(QStringLiteral("$GPGGA,150000,3541.1234,N,13945.6789,E,1,05*00"));
    EXPECT_EQ(form.Label4[1].caption, u"2002/05/07") << "midnight shows the date alone";
}

TEST_F(DecoderTest, StartUpClockCorrectionWaitsFor120TicksAFixAndADate) {
    const QString gga = WithChecksum(kGgaBody);
    nav.FixMode = QStringLiteral("3D");
    nav.ClockSetWait = 300;
    Line(gga);
    EXPECT_TRUE(clock.timesSet.empty()) << "no date yet: the clock would go to midnight";

    Line(kZda);
    nav.FixMode = QStringLiteral("--");
    nav.ClockSetWait = 5000;
    Line(gga);
    EXPECT_TRUE(clock.datesSet.empty()) << "no fix";

    nav.FixMode = QStringLiteral("3D");
    nav.ClockSetWait = 120;
    Line(gga);
    nav.ClockSetWait = 200;
    Line(gga); // once per arming
    ASSERT_EQ(clock.datesSet.size(), 1u);
    EXPECT_EQ(QDateTime(clock.datesSet[0], clock.timesSet[0]),
              QDateTime(QDate(2002, 5, 6), QTime(21, 34, 56)));
    EXPECT_EQ(std::pair(nav.ClockSetDone, form.Label14.backColor),
              std::pair(std::int16_t(1), RGB(192, 255, 255)));
    EXPECT_EQ(form.Label14.toolTip, u"3D測位で時刻修正しました");
}
