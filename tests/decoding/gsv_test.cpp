// GSV: the satellite table, signal bars, sky-plot markers and bold marks.

#include "support/decoder_fixture.h"

#include <cmath>

using namespace velsor;
using velsor::testing::At;
using velsor::testing::CfgpsDecoderTest;
using velsor::testing::DecoderTest;

namespace {
const Rgb kGreen = RGB(128, 255, 128);
const Rgb kYellow = RGB(255, 255, 128);
const Rgb kRed = RGB(255, 128, 128);

void ExpectClearedRow(const NAV_FORM& form, int row) {
    EXPECT_EQ(form.Label6[row].caption, u"--") << "row " << row;
    EXPECT_EQ(form.Label9[row].caption, u"--") << "row " << row;
    EXPECT_EQ(form.Label10[row].caption, u"---") << "row " << row;
    EXPECT_FALSE(form.Label15[row].visible) << "row " << row;
}
} // namespace

TEST_F(DecoderTest, AShortMessageFillsItsRowsAndClearsTheRest) {
    const QString m = QStringLiteral("$GPGSV,1,1,02,04,45,090,47,05,30,180,42*00");
    ASSERT_EQ(At(m, 15, 2), u"04");
    Line(m);
    EXPECT_EQ(form.Label6[0].caption + form.Label9[0].caption + form.Label10[0].caption,
              u"0445090");
    EXPECT_EQ(form.Label6[0].left, 795);
    EXPECT_EQ(form.dB1[0].fillColor, kGreen);
    EXPECT_DOUBLE_EQ(form.dB1[0].width, 47 * 4335.0 / 60);
    EXPECT_EQ(form.dB1[1].fillColor, kYellow);
    EXPECT_TRUE(form.Label15[0].visible);
    EXPECT_EQ(form.Label15[0].caption, u"04");
    EXPECT_EQ(form.Label15[1].backColor, kYellow);
    for (int row : {2, 3}) {
        ExpectClearedRow(form, row);
        EXPECT_EQ(form.dB1[row].width, 0);
        EXPECT_EQ(form.dB1[row].fillColor, kRed);
    }
}

TEST_F(DecoderTest, SignalBandsAndTheirEdges) {
    Line(QStringLiteral("$GPGSV,2,1,08,01,45,090,46,02,45,090,50,03,45,090,45,06,45,090,41*00"));
    EXPECT_EQ(form.dB1[0].fillColor, kGreen);
    EXPECT_EQ(form.dB1[1].fillColor, kGreen);
    EXPECT_EQ(form.dB1[2].fillColor, kYellow);
    EXPECT_EQ(form.dB1[3].fillColor, kYellow);
    EXPECT_EQ(form.Label15[1].backColor, kGreen);
    EXPECT_EQ(form.Label15[3].backColor, kYellow);

    // Above 50 leaves bar and marker as they were; 40 is red; 00 is an empty grey marker.
    Line(QStringLiteral("$GPGSV,2,1,08,01,45,090,40,02,45,090,51,03,45,090,00,06,45,090,01*00"));
    EXPECT_EQ(form.dB1[0].fillColor, kRed);
    EXPECT_EQ(form.dB1[1].fillColor, kGreen);
    EXPECT_DOUBLE_EQ(form.dB1[1].width, 50 * 4335.0 / 60);
    EXPECT_EQ(form.Label15[1].backColor, kGreen);
    EXPECT_EQ(form.dB1[2].fillColor, kRed);
    EXPECT_EQ(form.dB1[2].width, 0);
    EXPECT_EQ(form.Label15[2].backColor, kGrey);
    EXPECT_EQ(form.Label15[3].backColor, kRed);

    // An empty or negative SNR draws no bar.
    Line(QStringLiteral("$GPGSV,2,1,08,01,45,090,-5,02,45,090,  ,03,45,090,xx,06,45,090,01*00"));
    for (int row = 0; row < 3; ++row)
        EXPECT_EQ(form.dB1[row].width, 0) << row;
}

TEST_F(DecoderTest, ZeroElevationAzimuthAndHighNumbersAreNotPlotted) {
    Line(QStringLiteral("$GPGSV,2,1,08,07,00,090,30,08,45,000,30,42,45,090,48,09,45,090,30*00"));
    EXPECT_EQ(form.Label9[0].caption, u"--");
    EXPECT_FALSE(form.Label15[0].visible);
    EXPECT_EQ(form.Label10[1].caption, u"---");
    EXPECT_FALSE(form.Label15[1].visible);
    // Satellite 42 is cleared from the table but keeps the bar computed for it.
    ExpectClearedRow(form, 2);
    EXPECT_EQ(form.dB1[2].fillColor, kGreen);
    EXPECT_DOUBLE_EQ(form.dB1[2].width, 48 * 4335.0 / 60);
    EXPECT_TRUE(form.Label15[3].visible);
}

TEST_F(CfgpsDecoderTest, CfgpsBlocksStartOnePositionEarlier) {
    const QString m =
        QStringLiteral("$GPGSV,2,1,8,04,45,090,47,05,30,180,42,12,60,270,35,13,10,300,20*00");
    ASSERT_EQ(At(m, 14, 2), u"04");
    Line(m);
    EXPECT_EQ(nav.SatsInView, 8);
    const QString numbers[] = {QStringLiteral("04"), QStringLiteral("05"), QStringLiteral("12"),
                               QStringLiteral("13")};
    for (int row = 0; row < 4; ++row) {
        EXPECT_EQ(form.Label6[row].caption, numbers[row]);
        EXPECT_TRUE(form.Label15[row].visible);
    }
    EXPECT_EQ(form.Label10[3].caption, u"300");
}

TEST_F(DecoderTest, MarkersUseTheOrthographicSkyProjection) {
    nav.SkyCenterX = 1446;
    nav.SkyCenterY = 1448;
    nav.SkyRadius = 1200;
    rx.PlotSatellite(u"45", u"90", u"04", u"0", u"47");
    // r = 1200 cos 45 = 848.5, so 849 right of the centre; the marker's half size is 128 x 120.
    EXPECT_EQ(form.Label15[0].left, 1446 - 128 + 849);
    EXPECT_EQ(form.Label15[0].top, 1448 - 120);
    EXPECT_EQ(form.Label15[0].backColor, kGreen);

    rx.PlotSatellite(u"90", u"123", u"05", u"1", u"10");
    EXPECT_EQ(form.Label15[1].left, 1446 - 128);
    EXPECT_EQ(form.Label15[1].top, 1448 - 120) << "zenith at the centre";

    rx.PlotSatellite(u"00", u"000", u"06", u"2", u"0");
    EXPECT_EQ(form.Label15[2].top, 1448 - 120 - 1200) << "north horizon at the top";
    EXPECT_EQ(form.Label15[2].backColor, kGrey);

    // Nothing to plot from an empty or broken field.
    const Label before = form.Label15[3];
    for (const char16_t* e : {u"", u"4,", u"4*"})
        rx.PlotSatellite(e, u"090", u"07", u"3", u"40");
    EXPECT_EQ(form.Label15[3].left, before.left);
}

TEST_F(DecoderTest, DateSentencesMarkTheUsedSatellitesInBold) {
    Line(QStringLiteral("$GPGSV,2,1,08,04,45,090,47,05,30,180,42,12,60,270,35,13,10,300,20*00"));
    Line(QStringLiteral("$GPGSA,A,3,05,13,,,,,,,,,,,1.0,1.0,1.0*00"));
    EXPECT_FALSE(form.Label6[1].bold) << "bold follows only on the date sentence";
    Line(QStringLiteral("$GPZDA,123456,06,05,2002,00,00*00"));
    const bool expected[] = {false, true, false, true};
    for (int row = 0; row < 4; ++row) {
        EXPECT_EQ(form.Label6[row].bold, expected[row]) << row;
        EXPECT_EQ(form.Label15[row].bold, expected[row]) << row;
    }
    Line(QStringLiteral("$GPGSA,A,3,,,,,,,,,,,,,1.0,1.0,1.0*00"));
    Line(QStringLiteral("$GPRMC,123456,A,3541.1234,N,13945.6789,E,0.0,0.0,060502,,*00"));
    for (int row = 0; row < 4; ++row)
        EXPECT_FALSE(form.Label6[row].bold) << row;
}

TEST_F(DecoderTest, TheSkyGridFollowsThePictureSize) {
    EXPECT_EQ(nav.SkyCenterX, 1446);
    EXPECT_EQ(nav.SkyCenterY, 1448); // 1447.5 rounds to even
    EXPECT_EQ(nav.SkyRadius, 1196);
    const auto& ops = form.Picture1.ops;
    ASSERT_EQ(ops.size(), 3u + 2u + 8u);
    EXPECT_NEAR(ops[1].radius, 1196 * std::cos(kPi / 6), 1e-9);
    EXPECT_EQ(ops[3].x1, 1446 + 1196);
    // Every label inside the picture; W and N 180 twips outside the ring.
    for (size_t i = 5; i < ops.size(); ++i) {
        EXPECT_TRUE(ops[i].x1 >= 0 && ops[i].y1 >= 0 && ops[i].x1 < 2892 && ops[i].y1 < 2895)
            << ops[i].text.toStdString();
    }
    EXPECT_EQ(ops[6].text, u"W");
    EXPECT_EQ(ops[6].x1, 1446 - 1196 - 180);
    EXPECT_EQ(ops[8].text, u"N");
    EXPECT_EQ(ops[8].y1, 1448 - 1196 - 180);
    EXPECT_EQ(ops[9].text, u"0\uFF9F");
}
