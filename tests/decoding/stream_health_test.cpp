// Stream health: counts on a hand-made stream and the hint a user would get; the layout fit of
// real lines is judged on the captures in captures_test.cpp.

#include "decoding/stream_health.h"
#include "main_window/reception_hint.h"
#include "support/decoder_fixture.h"

using namespace velsor;
using velsor::testing::DecoderTest;
using velsor::testing::WithChecksum;

namespace {

const QString kGgaGt =
    WithChecksum("GPGGA,123456,3541.1234,N,13945.6789,E,1,08,1.0,40.0,M,39.4,M,,");
const QString kGgaCf =
    WithChecksum("GPGGA,123456.0,3541.1234,N,13945.6789,E,1,08,1.0,40.0,M,39.4,M,,");
const QString kGsvGt =
    WithChecksum("GPGSV,2,1,08,04,45,090,47,05,30,180,42,07,10,300,00,09,80,010,50");
const QString kGsvCf =
    WithChecksum("GPGSV,2,1,8,04,45,090,47,05,30,180,42,07,10,300,00,09,80,010,50");

class HealthTest : public DecoderTest {
protected:
    HealthTest() { rx.listener = &health; }
    StreamHealth health;
};

} // namespace

TEST_F(HealthTest, CountsOfAHandMadeStream) {
    const QString stream = kGgaGt + u"\r\n"_qs                                   // good
                           + kGsvGt + u"\n"_qs                                   // bare LF
                           + u"$GPGSA,A,3,04,05,,,,,,,,,,,2.0,1.0,1.5*FF\r\n"_qs // bad sum
                           + u"$GPZDA,123456,06,05,2002,,\r\n"_qs                // no checksum
                           + u"$PFEC,GPint,GGA01*00\r\n"_qs                      // unknown, bad sum
                           + u"\r\n$GPTXT,"_qs + QString(2000, u'A') + u"\r\n"_qs // blank, dropped
                           + u"xx\u0001\u00FF\u0080$GPVTG,,T,,M*4E\r\n"_qs; // garbage in front
    for (qsizetype i = 0; i < stream.size(); i += 7)
        rx.AssembleLines(QStringView(stream).mid(i, 7));

    EXPECT_EQ(health.bytes, static_cast<std::uint64_t>(stream.size()));
    const std::vector<std::uint64_t> counts = {
        health.lines,       health.blankLines,  health.overlongDropped, health.checksumMissing,
        health.checksumBad, health.unknownType, health.garbageBytes,    health.judged,
        health.fits[0],     health.fits[1],     rx.linesDispatched};
    EXPECT_EQ(counts, (std::vector<std::uint64_t>{7, 1, 1, 1, 3, 2, 3, 2, 2, 0, 7}));
    EXPECT_EQ(form.Label3[1].caption, u"139 度 45.6789 分 - E");
}

TEST_F(HealthTest, HintsForTheWrongModelAndTheWrongBaudRate) {
    using H = StreamHealth::Hint;
    // Lines of the other layout: no judgement before ten of each, then the hint for the other
    // model.
    for (const auto& [gga, gsv, sentByGt] :
         {std::tuple{kGgaGt, kGsvGt, true}, {kGgaCf, kGsvCf, false}}) {
        health.Reset();
        for (int i = 0; i < 10; ++i) {
            EXPECT_EQ(health.Diagnose(sentByGt ? u"1" : u"0"), H::None) << i;
            rx.AssembleLines(gga + u"\r\n"_qs + gsv + u"\r\n"_qs);
        }
        EXPECT_EQ(std::pair(health.Diagnose(u"0"), health.Diagnose(u"1")),
                  sentByGt ? std::pair(H::None, H::WrongModel) : std::pair(H::WrongModel, H::None));
    }

    // A receiver at the other speed: the share of non-NMEA bytes gives the baud rate away.
    const QByteArray clean = (kGgaGt + u"\r\n"_qs + kGsvGt + u"\r\n"_qs).toLatin1();
    for (const int noise : {0, 60}) {
        health.Reset();
        for (int i = 0; i < 20; ++i)
            rx.AssembleBytes(QByteArray(noise, '\xfe') + clean);
        EXPECT_EQ(health.Diagnose(u"0"), noise ? H::WrongBaud : H::None) << noise;
        EXPECT_EQ(health.Verdict().contains(u"wrong baud rate"), noise != 0) << noise;
    }

    // A current receiver: neither layout, but every sentence reads by its fields.
    health.Reset();
    const QString gnss =
        WithChecksum("GNGGA,123456.00,3541.12345,N,13945.67891,E,1,08,1.0,40.0,M,39.4,M,,") +
        u"\r\n"_qs + WithChecksum("GPGSV,1,1,02,04,45,090,47,05,30,180,42,1") + u"\r\n"_qs;
    for (int i = 0; i < 20; ++i)
        rx.AssembleLines(gnss);
    EXPECT_EQ(std::tuple(health.Diagnose(u"0"), health.Diagnose(u"1"), health.Diagnose(u"2")),
              std::tuple(H::UseFields, H::UseFields, H::None));
    EXPECT_TRUE(health.Verdict().startsWith(u"fits neither layout"))
        << health.Verdict().toStdString();
    EXPECT_TRUE(health.Verdict().contains(u"model 2")) << health.Verdict().toStdString();
    EXPECT_TRUE(WrongModelText(u"0", u"2").contains(u"汎用 NMEA 0183 のデータのようです。"));
}
