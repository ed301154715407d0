// Line assembly, field splitting and dispatch.

#include "support/decoder_fixture.h"

using namespace velsor;
using velsor::testing::DecoderTest;

namespace {
const QString kGga = QStringLiteral("$GPGGA,123456,3541.1234,N,13945.6789,E,1,05,1.0,10,M,,M,,*00");
const QString kGsa = QStringLiteral("$GPGSA,A,3,04,05,12,,,,,,,,,,1.0,1.0,1.0*00");
} // namespace

TEST_F(DecoderTest, LinesAreDispatchedOnceAtTheirLineFeedWhateverTheChunks) {
    QStringList types;
    rx.afterDispatch = [&] { types << rx.lastType; };
    Feed(kGga.left(20));
    EXPECT_EQ(nav.RxBuffer[1], kGga.left(20));
    Feed(kGga.mid(20) + QStringLiteral("\r"));
    EXPECT_TRUE(types.empty());
    Feed(QStringLiteral("\n") + kGsa + QStringLiteral("\r\n$GPVTG,x\r\n$GPG"));
    EXPECT_EQ(types.join(u' ') + u'|' + nav.RxBuffer[1], u"$GPGGA $GPGSA $GPVTG|$GPG");
    EXPECT_EQ(nav.RawSentence[0] + nav.RawSentence[1], kGga + kGsa);
    EXPECT_EQ(form.Label16[0].caption, kGga + QStringLiteral("\r\n"));
    // A bare line feed is decoded too, but does not replace the raw copy.
    Feed(u"\r\n"_qs + QString(kGga).replace(u"123456"_qs, u"000000"_qs) + u"\n"_qs);
    EXPECT_EQ(form.Label4[0].caption + nav.RawSentence[0], u"00 時 00 分 00 秒"_qs + kGga);
}

TEST_F(DecoderTest, OverlongLinesAreDroppedWholeAndTheBufferStaysBounded) {
    // A stream with no line feed never grows the buffer past the bound.
    for (int i = 0; i < 100; ++i)
        Feed(QString(300, u'x'));
    ASSERT_LE(nav.RxBuffer[1].size(), Receiver::kMaxLine);
    // The over-long line ends at its line feed and is not dispatched; the next one is.
    QStringList types;
    rx.afterDispatch = [&] { types << rx.lastType; };
    Feed(QStringLiteral("$GPGGA,tail\r\n") + kGga + QStringLiteral("\r\n"));
    EXPECT_EQ(nav.RawSentence[0], kGga);

    // A line of exactly the bound is dispatched; one character more is not.
    QString exact = QStringLiteral("$GPVTG,") + QString(Receiver::kMaxLine - 9, QLatin1Char('0')) +
                    QStringLiteral("\r\n");
    ASSERT_EQ(exact.size(), Receiver::kMaxLine);
    Feed(exact + QStringLiteral("0") + exact);
    Feed(kGsa + QStringLiteral("\r\n"));
    EXPECT_EQ(types.join(u' '), u"$GPGGA $GPVTG $GPGSA");
}

TEST_F(DecoderTest, UnknownTypesAndPrefixedLinesChangeNothing) {
    Line(kGga);
    const QString before = form.Label16[0].caption;
    Line(QStringLiteral("$PFEC,GPint,GGA01,GSA01,GSV01,ZDA01"));
    Line(QStringLiteral("x") +
         QString(kGga).replace(QStringLiteral("123456"), QStringLiteral("000000")));
    Line(QStringLiteral("$gpgga,000000,3541.1234,N,13945.6789,E,1,09,1,1,M,,M,,*00"));
    EXPECT_EQ(form.Label16[0].caption + form.Label4[0].caption, before + u"12 時 34 分 56 秒"_qs);
    EXPECT_EQ(nav.SatsInUse, 5);
    // A type ended by "*" is still recognised.
    Line(QStringLiteral("$GPGSA*00"));
    EXPECT_EQ(form.Label16[3].caption, u"$GPGSA*00\r\n");
}

// Satellites used from the GGA's field 7, which needs an eighth comma; in view from the GSV
// count, one digit for the CFGPS.
TEST_F(DecoderTest, SatelliteCounts) {
    Line(u"$GPGGA,,,,,,0,12,"_qs);
    Line(u"$GPGGA,,,,,,0,09"_qs); // field 7 cannot be located: keeps its value
    nav.TunerType = QStringLiteral("1");
    Line(u"$GPGSV,2,1,9,04,45,090,47*00"_qs);
    EXPECT_EQ(nav.SatsInUse, 12);
    EXPECT_EQ(nav.SatsInView, 9);
}

TEST_F(DecoderTest, GsvMessagesOneAndTwoFillTheTableAndMessageThreeIsIgnored) {
    nav.SatsInUse = 5;
    const QString m1 =
        QStringLiteral("$GPGSV,3,1,10,04,45,090,47,05,30,180,42,12,60,270,35,13,10,000,00*00");
    Line(m1);
    EXPECT_EQ(form.Label2.caption + form.Label6[0].caption + nav.RawSentence[2],
              u"5 / 10 個04"_qs + m1);

    const QString m2 =
        QStringLiteral("$GPGSV,3,2,10,20,15,045,30,21,25,135,44,22,35,225,48,23,45,315,51*00");
    Line(m2);
    EXPECT_EQ(form.Label6[4].caption + nav.RawSentence[3], u"20"_qs + m2);

    Line(QStringLiteral("$GPGSV,3,3,10,30,05,010,20,31,06,020,21*00"));
    EXPECT_EQ(form.Label6[0].caption + form.Label6[4].caption + form.Label16[2].caption,
              u"0420"_qs + m2 + u"\r\n"_qs);
}
