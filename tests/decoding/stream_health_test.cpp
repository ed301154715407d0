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
const QString kGsvGt =
    WithChecksum("GPGSV,2,1,08,04,45,090,47,05,30,180,42,07,10,300,00,09,80,010,50");

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
        health.fits[0],     health.fits[1],     health.ggaJudged,       health.ggaFits[0],
        health.fixLines,    rx.linesDispatched};
    EXPECT_EQ(counts, (std::vector<std::uint64_t>{7, 1, 1, 1, 3, 2, 3, 2, 2, 0, 1, 1, 1, 7}));
    EXPECT_EQ(form.Label3[1].caption, u"139 度 45.6789 分 - E");
}

// What a user with each model setting is told, by receiver: a fixed-position model is named (or
// nothing said) only when it would show the fix, from a $GPGGA at its positions; a fix that
// comes in other sentences or talkers gets the by-fields model, whatever the GSV widths.
TEST_F(HealthTest, TheHintNamesAModelThatWouldShowTheFix) {
    using H = StreamHealth::Hint;
    const auto line = [](const char* body) { return WithChecksum(body) + u"\r\n"_qs; };
    const QString gsv = kGsvGt + u"\r\n"_qs; // the GT-74/77's widths, as most receivers send
    const struct {
        const char* receiver;
        QString second;
        H gt74, cfgps;
        const char16_t* verdict;
    } cases[] = {
        {"GT-74/77", kGgaGt + u"\r\n"_qs + gsv, H::None, H::WrongModel, u"fits GT-74/77 layout"},
        {"CFGPS",
         line("GPGGA,123456.0,3541.1234,N,13945.6789,E,1,08,1.0,40.0,M,39.4,M,,") +
             line("GPGSV,2,1,8,04,45,090,47,05,30,180,42,07,10,300,00,09,80,010,50"),
         H::WrongModel, H::None, u"fits CFGPS layout"},
        {"u-blox: $GNGGA",
         line("GNRMC,123456.00,A,3541.12345,N,13945.67891,E,0.0,,061202,,,A") +
             line("GNGGA,123456.00,3541.12345,N,13945.67891,E,1,08,1.0,40.0,M,39.4,M,,") + gsv,
         H::UseFields, H::UseFields,
         u"fits neither layout: GT-74/77 100 %, CFGPS 0 % of GGA/GSV lines, but no $GPGGA"},
        {"RMC only", line("GPRMC,123456,A,3541.1234,N,13945.6789,E,0.0,0.0,061202,,") + gsv,
         H::UseFields, H::UseFields, u"fits neither layout: GT-74/77 100 %"},
        {"MediaTek: hhmmss.sss",
         line("GPGGA,123456.000,3541.1234,N,13945.6789,E,1,08,1.0,40.0,M,39.4,M,,") + gsv,
         H::UseFields, H::UseFields, u"fits neither layout: GT-74/77 50 %"},
        // No time yet: nothing tells which fixed model it is, but any reads by fields.
        {"GT-74/77 before its first time", line("GPGGA,,,,,,0,00,,,M,,M,,") + gsv, H::None,
         H::UseFields, u"fits neither layout: GT-74/77 100 %"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.receiver);
        health.Reset();
        for (int second = 0; second < 24; ++second) {
            if (second == 4) { // too soon to judge
                EXPECT_EQ(std::pair(health.Diagnose(u"0"), health.Diagnose(u"1")),
                          std::pair(H::None, H::None));
            }
            rx.AssembleLines(c.second);
        }
        EXPECT_EQ(std::tuple(health.Diagnose(u"0"), health.Diagnose(u"1"), health.Diagnose(u"2")),
                  std::tuple(c.gt74, c.cfgps, H::None));
        const QString verdict = health.Verdict();
        EXPECT_TRUE(verdict.startsWith(QStringView(c.verdict))) << verdict.toStdString();
        EXPECT_EQ(verdict.contains(u"model 2"), c.gt74 == H::UseFields || c.cfgps == H::UseFields)
            << verdict.toStdString();
        EXPECT_FALSE(verdict.contains(u"wrong baud rate"));
        // Every type here is one the by-fields model reads; $GN ones are not the fixed models'.
        EXPECT_TRUE(health.Json(u"2").contains("\"unknown_type_lines\":0,"));
        EXPECT_EQ(health.Json(u"0").contains("\"unknown_type_lines\":48,"),
                  c.second.contains(u"$GN"));
    }
    EXPECT_TRUE(WrongModelText(u"0", u"2").contains(u"汎用 NMEA 0183 のデータのようです。"));

    // A receiver at the other speed: the share of non-NMEA bytes gives the baud rate away, on
    // a serial line; over TCP there is no speed to be wrong.
    health.Reset();
    for (int i = 0; i < 20; ++i)
        rx.AssembleBytes(QByteArray(60, '\xfe') + (kGgaGt + u"\r\n"_qs + gsv).toLatin1());
    EXPECT_EQ(
        std::tuple(health.Diagnose(u"0"), health.Diagnose(u"2"), health.Diagnose(u"0", false)),
        std::tuple(H::WrongBaud, H::WrongBaud, H::None));
    EXPECT_TRUE(health.Verdict().contains(u"wrong baud rate"));
}
