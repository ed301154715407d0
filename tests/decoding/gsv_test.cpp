// GSV: the satellite table, signal bars, sky-plot markers and bold marks.

#include "support/decoder_fixture.h"

#include <QPointF>
using namespace velsor;
using velsor::testing::DecoderTest;

namespace {
const Rgb kGreen = RGB(128, 255, 128);
const Rgb kYellow = RGB(255, 255, 128);
const Rgb kRed = RGB(255, 128, 128);
} // namespace

// Each row as number + elevation + azimuth captions; a row with a "-" has no marker.
TEST_F(DecoderTest, TheTableRowsOfBothLayouts) {
    struct Case {
        const char* tuner;
        QString line;
        const char16_t* rows[4];
    };
    const Case cases[] = {
        {"1",
         u"$GPGSV,2,1,8,04,45,090,47,05,30,180,42,12,60,270,35,13,10,300,20*00"_qs,
         {u"0445090", u"0530180", u"1260270", u"1310300"}},
        // Elevation 00, azimuth 000 and numbers from 40 are not plotted.
        {"0",
         u"$GPGSV,2,1,08,07,00,090,30,08,45,000,30,42,45,090,48,09,45,090,30*00"_qs,
         {u"07--090", u"0845---", u"-------", u"0945090"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line.toStdString());
        nav.TunerType = QString::fromLatin1(c.tuner);
        Line(c.line);
        for (int row = 0; row < 4; ++row) {
            const QString text =
                form.Label6[row].caption + form.Label9[row].caption + form.Label10[row].caption;
            EXPECT_EQ(text, c.rows[row]) << row;
            EXPECT_EQ(form.Label15[row].visible ? form.Label15[row].caption : u"-"_qs,
                      text.contains(u'-') ? u"-"_qs : text.left(2))
                << row;
        }
        EXPECT_EQ(nav.SatsInView, 8) << "one digit in the CFGPS layout";
    }
    // Satellite 42 is cleared from the table but keeps the bar computed for it; the rows the
    // short message left empty have none.
    EXPECT_DOUBLE_EQ(form.dB1[2].width, 48 * 4335.0 / 60);
    Line(u"$GPGSV,1,1,02,04,45,090,47,05,30,180,42*00"_qs);
    EXPECT_EQ(form.Label6[3].caption + form.Label9[3].caption + form.Label10[3].caption +
                  form.Label6[1].caption,
              u"-------05");
    EXPECT_FALSE(form.Label15[3].visible);
    EXPECT_EQ(std::pair(form.dB1[3].width, form.dB1[3].fillColor), std::pair(0.0, kRed));
}

// Messages 1 and 2 fill rows 0 to 3 and 4 to 7 and are kept raw; message 3 is not read.
TEST_F(DecoderTest, GsvMessagesOneAndTwoFillTheTableAndMessageThreeIsIgnored) {
    nav.SatsInUse = 5;
    const QString m1 = u"$GPGSV,3,1,10,04,45,090,47,05,30,180,42,12,60,270,35,13,10,000,00*00"_qs;
    const QString m2 = u"$GPGSV,3,2,10,20,15,045,30,21,25,135,44,22,35,225,48,23,45,315,51*00"_qs;
    for (const QString& m : {m1, m2, u"$GPGSV,3,3,10,30,05,010,20,31,06,020,21*00"_qs})
        Line(m);
    EXPECT_EQ(form.Label2.caption + form.Label6[0].caption + form.Label6[4].caption,
              u"5 / 10 個0420");
    EXPECT_EQ(nav.RawSentence[2] + nav.RawSentence[3] + form.Label16[2].caption,
              m1 + m2 + m2 + u"\r\n"_qs);
}

TEST_F(DecoderTest, SignalBandsAndTheirEdges) {
    struct Case {
        const char* snr;
        Rgb bar;
        int width; // in dB
        Rgb marker;
    };
    const Case cases[] = {
        {"46", kGreen, 46, kGreen}, {"45", kYellow, 45, kYellow},
        {"40", kRed, 40, kRed},     {"00", kRed, 0, kGrey},
        {"xx", kRed, 0, kGrey},     {"51", kGreen, 50, kGreen}, // above 50: left as it was
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.snr);
        Line(QStringLiteral("$GPGSV,1,1,01,01,45,090,50*00"));
        Line(QStringLiteral("$GPGSV,1,1,01,01,45,090,%1*00").arg(QLatin1String(c.snr)));
        EXPECT_EQ(std::pair(form.dB1[0].fillColor, form.Label15[0].backColor),
                  std::pair(c.bar, c.marker));
        EXPECT_DOUBLE_EQ(form.dB1[0].width, c.width * 4335.0 / 60);
    }
}

TEST_F(DecoderTest, DateSentencesMarkTheUsedSatellitesInBold) {
    Line(QStringLiteral("$GPGSV,2,1,08,04,45,090,47,05,30,180,42,12,60,270,35,13,10,300,20*00"));
    Line(QStringLiteral("$GPGSA,A,3,05,13,,,,,,,,,,,1.0,1.0,1.0*00"));
    EXPECT_FALSE(form.Label6[1].bold) << "bold follows only on the date sentence";
    Line(QStringLiteral("$GPZDA,123456,06,05,2002,00,00*00"));
    const auto bold = [&] {
        QString marks;
        for (int row = 0; row < 4; ++row)
            marks += QString::number(form.Label6[row].bold + form.Label15[row].bold);
        return marks;
    };
    EXPECT_EQ(bold(), u"0202");
    Line(QStringLiteral("$GPGSA,A,3,,,,,,,,,,,,,1.0,1.0,1.0*00"));
    Line(QStringLiteral("$GPRMC,123456,A,3541.1234,N,13945.6789,E,0.0,0.0,060502,,*00"));
    EXPECT_EQ(bold(), u"0000");
}

// The markers placed on the sky plot by orthographic projection.
TEST_F(DecoderTest, TheSkyMarkers) {
    // 1447.5 rounds to even.
    EXPECT_EQ(std::tuple(nav.SkyCenterX, nav.SkyCenterY, nav.SkyRadius),
              std::tuple(1446, 1448, 1196));
    // r = 1196 cos 45 = 845.7 east; the north horizon at the top. The marker's top left is its
    // half size of 128 x 120 less.
    for (const auto& [el, az, left, top] :
         {std::tuple(u"45", u"90", 846, 0), std::tuple(u"00", u"000", 0, -1196)}) {
        rx.PlotSatellite(el, az, u"04", u"0", u"47");
        EXPECT_EQ(QPointF(form.Label15[0].left, form.Label15[0].top),
                  QPointF(1446 - 128 + left, 1448 - 120 + top));
    }
    // Nothing to plot from a broken field.
    const Label before = form.Label15[3];
    rx.PlotSatellite(u"4,", u"090", u"07", u"3", u"40");
    EXPECT_EQ(form.Label15[3].left, before.left);
}
