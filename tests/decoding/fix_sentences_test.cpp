// GGA, GSA, ZDA and RMC: time, local time, position, fix state, the satellites used and the
// date.

#include "support/decoder_fixture.h"

using namespace velsor;
using velsor::testing::DecoderTest;

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
        EXPECT_EQ(form.Label4[0].caption + u'|' + form.Label3[0].caption + u'|' +
                      form.Label3[1].caption,
                  QString::fromUtf8(shown))
            << gga; // UTC time | latitude | longitude
    }
}

TEST_F(DecoderTest, LocalTimeNeedsADateAndCarriesIntoTheNextDay) {
    Line(u"$GPGGA,123456,3541.1234,N,13945.6789,E,1,05,1.0,10,M,,M,,*00"_qs);
    EXPECT_EQ(form.Label4[1].caption, u"0:00:00");

    nav.UtcDate = *MakeDate(2002, 5, 6);
    Line(QStringLiteral("$GPGGA,150000,3541.1234,N,13945.6789,E,1,05*00"));
    EXPECT_EQ(form.Label4[1].caption, u"2002/05/07") << "midnight shows the date alone";
}

// The GSA: fix state, the satellites used and the bold marks.
TEST_F(DecoderTest, GsaFixStateAndUsedSatellites) {
    const struct {
        QString line;
        const char16_t *caption, *mode;
        std::vector<const char16_t*> used; // none: all eight empty
    } cases[] = {
        {u"$GPGSA,A,3,04,05,12,,,,,,,,,,1.0,1.0,1.0*00"_qs,
         u"3D 測位中",
         u"3D",
         {u"04", u"05", u"12", u",,"}}, // empty slots never match a satellite number
        {u"$GPGSA,A,2,04,05,12,,,,,,,,,,1.0,1.0,1.0*00"_qs, u"2D 測位中", u"2D", {u"04"}},
        // A fix whose list does not start in the first slot leaves it empty.
        {u"$GPGSA,A,3,,04,05,,,,,,,,,,1.0,1.0,1.0*00"_qs, u"3D 測位中", u"3D", {}},
        {u"$GPGSA,A,"_qs, u"受信不能", u"--", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line.toStdString());
        nav.SatsInUse = 7;
        for (int i = 0; i < 8; ++i)
            form.Label6[i].bold = form.Label15[i].bold = true;
        Line(c.line);
        // No fix clears the used count and every bold mark; a fix leaves them.
        const bool fixed = nav.FixMode != u"--";
        int bold = 0;
        for (int i = 0; i < 8; ++i)
            bold += form.Label6[i].bold + form.Label15[i].bold;
        EXPECT_EQ(std::pair(int(nav.SatsInUse), bold), std::pair(fixed ? 7 : 0, fixed ? 16 : 0));
        EXPECT_EQ(form.Label13.caption + nav.FixMode,
                  u"測位状態： "_qs + QString::fromUtf16(c.caption) + QString::fromUtf16(c.mode));
        for (std::size_t i = 0; i < (c.used.empty() ? 8 : c.used.size()); ++i)
            EXPECT_EQ(nav.UsedSatNo[i], c.used.empty() ? u"" : c.used[i]) << i;
        EXPECT_EQ(form.Label16[3].caption, c.line + u"\r\n"_qs);
    }
}

// The UTC date, and the raw copy kept of the date sentence of the set model. The cases run in
// order, each on the state the last one left.
TEST_F(DecoderTest, ZdaAndRmcDates) {
    const QString rmc = u"$GPRMC,123456.0,A,3541.1234,N,13945.6789,E,00.0,000.0,060502,,,A*00"_qs;
    const struct {
        const char* tuner;
        QString line;
        const char16_t* caption;
        int y, m, d;
        bool raw = true; // kept as the last date sentence
    } cases[] = {
        {"0", u"$GPZDA,123456,06,05,2002,00,00*00"_qs, u"2002 年 05 月 06 日 ", 2002, 5, 6},
        // The head is taken at fixed places; no date there (here an impossible one) leaves it.
        {"0", u"$GPZDA,123456,31,02,2002,00,00*00"_qs, u"2002 年 02 月 31 日 ", 2002, 5, 6},
        // The CFGPS date is at columns 55 to 60; years 00 to 99 are 2000 to 2099.
        {"1", rmc, u"2002 年 05 月 06 日", 2002, 5, 6},
        {"1", QString(rmc).replace(u"060502"_qs, u"311299"_qs), u"2099 年 12 月 31 日", 2099, 12,
         31},
        {"1", u"$GPRMC,1*00"_qs, u"2099 年 12 月 31 日", 2099, 12, 31},
        {"1", u"$GPZDA,123456,06,05,2002,00,00*00"_qs, u"2002 年 05 月 06 日 ", 2002, 5, 6, false},
        {"0", QString(rmc).replace(u"060502"_qs, u"080502"_qs), u"2002 年 05 月 08 日", 2002, 5, 8,
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line.toStdString());
        nav.TunerType = QString::fromLatin1(c.tuner);
        Line(c.line);
        EXPECT_EQ(form.Label4[2].caption + DateText(nav.UtcDate),
                  QString::fromUtf16(c.caption) + DateText(*MakeDate(c.y, c.m, c.d)));
        EXPECT_EQ(form.Label16[4].caption, c.line + u"\r\n"_qs);
        EXPECT_EQ(nav.RawSentence[4] == c.line, c.raw);
    }
}
