// Line assembly, field splitting and dispatch.

#include "support/decoder_fixture.h"

using namespace velsor;
using velsor::testing::DecoderTest;

namespace {
const QString kGga = QStringLiteral("$GPGGA,123456,3541.1234,N,13945.6789,E,1,05,1.0,10,M,,M,,*00");
const QString kGsa = QStringLiteral("$GPGSA,A,3,04,05,12,,,,,,,,,,1.0,1.0,1.0*00");
} // namespace

// Chunks are the captures' test; here a line ended by a bare line feed, decoded too, but not
// replacing the raw copy.
TEST_F(DecoderTest, ABareLineFeedEndsALineThatIsNotKeptRaw) {
    Line(kGga);
    Feed(QString(kGga).replace(u"123456"_qs, u"000000"_qs) + u"\n"_qs);
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
    Line(u"$GPGGA,,,,,,0,09"_qs); // no eighth comma: the used count cannot be located
    EXPECT_EQ(nav.SatsInUse, 5);
    // A type ended by "*" is still recognised.
    Line(QStringLiteral("$GPGSA*00"));
    EXPECT_EQ(form.Label16[3].caption, u"$GPGSA*00\r\n");
}
