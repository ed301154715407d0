// ZDA and RMC: the UTC date.

#include "support/decoder_fixture.h"

using namespace velsor;
using velsor::testing::At;
using velsor::testing::CfgpsDecoderTest;
using velsor::testing::DecoderTest;

TEST_F(DecoderTest, ZdaSetsDateAndCaptionWithTrailingBlank) {
    Line(QStringLiteral("$GPZDA,123456,06,05,2002,00,00*00"));
    EXPECT_EQ(form.Label4[2].caption, u"2002 年 05 月 06 日 ");
    EXPECT_EQ(nav.UtcDate, *MakeDate(2002, 5, 6));
    EXPECT_EQ(form.Label16[4].caption, u"$GPZDA,123456,06,05,2002,00,00*00\r\n");
}

TEST_F(DecoderTest, ZdaWithAnEmptyTimeStillSetsTheDateButNotTheCaption) {
    Line(QStringLiteral("$GPZDA,123456,06,05,2002,00,00*00"));
    Line(QStringLiteral("$GPZDA,,07,05,2002,00,00*00"));
    EXPECT_EQ(form.Label4[2].caption, u"2002 年 05 月 06 日 ");
    // The head is taken at fixed places, so an empty time shifts the date fields.
    EXPECT_EQ(nav.UtcDate, *MakeDate(2002, 5, 6));
    Line(QStringLiteral("$GPZDA,      ,07,05,2002,00,00*00"));
    EXPECT_EQ(nav.UtcDate, *MakeDate(2002, 5, 7));
    EXPECT_EQ(form.Label4[2].caption, u"2002 年 05 月 07 日 ");
}

TEST_F(DecoderTest, AnInvalidDateIsShownButNotTaken) {
    Line(QStringLiteral("$GPZDA,123456,06,05,2002,00,00*00"));
    Line(QStringLiteral("$GPZDA,123456,31,02,2002,00,00*00"));
    EXPECT_EQ(form.Label4[2].caption, u"2002 年 02 月 31 日 ");
    EXPECT_EQ(nav.UtcDate, *MakeDate(2002, 5, 6));
}

TEST_F(CfgpsDecoderTest, RmcTakesTheDateAtColumns55To60) {
    const QString rmc =
        QStringLiteral("$GPRMC,123456.0,A,3541.1234,N,13945.6789,E,00.0,000.0,060502,,,A*00");
    ASSERT_EQ(At(rmc, 55, 6), u"060502");
    Line(rmc);
    EXPECT_EQ(form.Label4[2].caption, u"2002 年 05 月 06 日");
    EXPECT_EQ(nav.UtcDate, *MakeDate(2002, 5, 6));
    EXPECT_EQ(nav.RawSentence[4], rmc);
    // Years 00 to 99 are 2000 to 2099.
    Line(QString(rmc).replace(QStringLiteral("060502"), QStringLiteral("311299")));
    EXPECT_EQ(nav.UtcDate, *MakeDate(2099, 12, 31));
}

TEST_F(CfgpsDecoderTest, AShiftedRmcDateChangesOnlyTheRawLine) {
    const QString good =
        QStringLiteral("$GPRMC,123456.0,A,3541.1234,N,13945.6789,E,00.0,000.0,060502,,,A*00");
    Line(good);
    const QString shifted =
        QStringLiteral("$GPRMC,123456.0,A,3541.1234,N,13945.6789,E,0.0,000.0,070502,,,A*00");
    Line(shifted);
    EXPECT_EQ(form.Label16[4].caption, shifted + QStringLiteral("\r\n"));
    EXPECT_EQ(form.Label4[2].caption, u"2002 年 05 月 06 日");
    EXPECT_EQ(nav.UtcDate, *MakeDate(2002, 5, 6));
    Line(QStringLiteral("$GPRMC,1*00"));
    EXPECT_EQ(nav.UtcDate, *MakeDate(2002, 5, 6));
}

TEST_F(CfgpsDecoderTest, ZdaIsStillDecodedForTheCfgps) {
    Line(QStringLiteral("$GPZDA,123456,06,05,2002,00,00*00"));
    EXPECT_EQ(nav.UtcDate, *MakeDate(2002, 5, 6));
    EXPECT_EQ(nav.RawSentence[4], u"");
}
