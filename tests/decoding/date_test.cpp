// ZDA and RMC: the UTC date, and the raw copy kept of the date sentence of the set model. The
// cases run in order, each on the state the last one left.

#include "support/decoder_fixture.h"

using namespace velsor;
using velsor::testing::DecoderTest;

TEST_F(DecoderTest, ZdaAndRmcDates) {
    const QString rmc = u"$GPRMC,123456.0,A,3541.1234,N,13945.6789,E,00.0,000.0,060502,,,A*00"_qs;
    struct Case {
        const char* tuner;
        QString line;
        const char16_t* caption;
        int y, m, d;
        bool raw = true; // kept as the last date sentence
    };
    const Case cases[] = {
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
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line.toStdString());
        nav.TunerType = QString::fromLatin1(c.tuner);
        Line(c.line);
        EXPECT_EQ(form.Label4[2].caption + DateText(nav.UtcDate),
                  QString::fromUtf16(c.caption) + DateText(*MakeDate(c.y, c.m, c.d)));
        EXPECT_EQ(form.Label16[4].caption, c.line + u"\r\n"_qs);
        EXPECT_EQ(nav.RawSentence[4] == c.line, c.raw);
    }
}
