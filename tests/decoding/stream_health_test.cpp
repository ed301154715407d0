// Stream health: counts on hand-made streams, layout fit on lines of both receivers, and the hint
// a user would get (the real captures are judged in captures_test.cpp).

#include "decoding/stream_health.h"
#include "support/decoder_fixture.h"

using namespace velsor;
using velsor::testing::DecoderTest;

namespace {

// "$" body "*hh" with the right checksum.
QString Framed(const QString& body) {
    unsigned sum = 0;
    for (const QChar c : body)
        sum ^= c.unicode();
    return u'$' + body + u'*' + QStringLiteral("%1").arg(sum, 2, 16, QLatin1Char('0')).toUpper();
}

const QString kGgaGt = Framed(u"GPGGA,123456,3541.1234,N,13945.6789,E,1,08,1.0,40.0,M,39.4,M,,"_qs);
const QString kGgaCf =
    Framed(u"GPGGA,123456.0,3541.1234,N,13945.6789,E,1,08,1.0,40.0,M,39.4,M,,"_qs);
const QString kGsvGt =
    Framed(u"GPGSV,2,1,08,04,45,090,47,05,30,180,42,07,10,300,00,09,80,010,50"_qs);
const QString kGsvCf =
    Framed(u"GPGSV,2,1,8,04,45,090,47,05,30,180,42,07,10,300,00,09,80,010,50"_qs);

// What a UART sees of `bytes` sent with `sendSamples` samples a bit and read with `readSamples`
// samples a bit (8N1, idle high): it starts on each falling edge, samples the middle of every
// bit, and delivers NUL for a character whose stop bit is low, as a serial driver does.
QByteArray AtWrongSpeed(const QByteArray& bytes, int sendSamples, int readSamples) {
    std::vector<bool> line(20, true);
    for (const char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        line.insert(line.end(), sendSamples, false);
        for (int i = 0; i < 8; ++i)
            line.insert(line.end(), sendSamples, ((b >> i) & 1) != 0);
        line.insert(line.end(), sendSamples, true);
    }
    line.insert(line.end(), 20 * readSamples, true);
    QByteArray out;
    for (std::size_t t = 1; t + 10 * readSamples < line.size(); ++t) {
        if (!line[t - 1] || line[t])
            continue;
        const std::size_t mid = t + readSamples / 2;
        if (line[mid])
            continue;
        int v = 0;
        for (int i = 0; i < 8; ++i)
            v |= line[mid + (i + 1) * readSamples] << i;
        out += line[mid + 9 * readSamples] ? static_cast<char>(v) : '\0';
        t = mid + 9 * readSamples;
    }
    return out;
}

class HealthTest : public DecoderTest {
protected:
    HealthTest() { rx.listener = &health; }
    StreamHealth health;
};

} // namespace

// Whether a line fits the fixed positions of the GT-74/77 and of the CFGPS; none: no judgement.
TEST(LayoutFit, FixedPositionsOfBothReceivers) {
    struct Case {
        QString line;
        std::optional<bool> gt, cf;
    };
    const std::vector<Case> cases = {
        {kGgaGt, true, false},
        {kGgaCf, false, true},
        {u"$GPGGA,123456,3541.1234,S,13945.6789,W,1,08,1.0,,M,,M,,*00"_qs, true, false},
        {u"$GPGGA,123456,,,,,0,00,,,M,,M,,*00"_qs, true, false},          // no fix, time only
        {u"$GPGGA,,,,,,0,00,,,M,,M,,*66"_qs, std::nullopt, std::nullopt}, // no time
        {u"$GPGGA,123456.00,3541.1234,N,13945.6789,E,1,08,1.0,40.0,M,,M,,*00"_qs, false, false},
        {u"$GPGGA,123456,3541.12345,N,13945.67890,E,1,08*00"_qs, false, false},
        {u"$GPGGA,123456,3541.1234,X,13945.6789,E,1*00"_qs, false, false},
        {kGsvGt, true, false},
        {kGsvCf, false, true},
        {u"$GPGSV,1,1,00*79"_qs, true, false},
        {u"$GPGSV,2,2,08,15,33,070,40,16,05,184,*7B"_qs, true, false}, // untracked satellites
        {u"$GPGSV,2,1,08,01,10,158,45,11,24,279,,14,30,119,48*76"_qs, true, false},
        {u"$GPGSV,3,1,10,1,5,,23,2,28,73,24*00"_qs, false, false}, // unpadded
        {u"$GPGSV,3,1,00,,,,,,,,,,,,*00"_qs, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line.toStdString());
        const auto fits = c.line.startsWith(u"$GPGGA") ? GgaFits : GsvFits;
        EXPECT_EQ(fits(c.line, Layout::Gt74), c.gt);
        EXPECT_EQ(fits(c.line, Layout::Cfgps), c.cf);
    }
}

TEST_F(HealthTest, CountsOfAHandMadeStream) {
    QString overlong = u"$GPTXT,"_qs + QString(2000, u'A') + u"\r\n"_qs;
    const QString stream = kGgaGt + u"\r\n"_qs                                   // good
                           + kGsvGt + u"\n"_qs                                   // bare LF
                           + u"$GPGSA,A,3,04,05,,,,,,,,,,,2.0,1.0,1.5*FF\r\n"_qs // bad sum
                           + u"$GPZDA,123456,06,05,2002,,\r\n"_qs                // no checksum
                           + u"$PFEC,GPint,GGA01*00\r\n"_qs                      // unknown, bad sum
                           + u"\r\n"_qs                                          // blank
                           + overlong                                            // dropped
                           + u"xx\u0001\u00FF\u0080$GPVTG,,T,,M*4E\r\n"_qs;      // garbage in front
    // In small pieces, as a serial port delivers them.
    for (qsizetype i = 0; i < stream.size(); i += 7)
        rx.AssembleLines(QStringView(stream).mid(i, 7));

    EXPECT_EQ(health.bytes, static_cast<std::uint64_t>(stream.size()));
    EXPECT_EQ(health.lines, 7u);
    EXPECT_EQ(health.blankLines, 1u);
    EXPECT_EQ(health.overlongDropped, 1u);
    EXPECT_EQ(health.checksumMissing, 1u);
    EXPECT_EQ(health.checksumBad, 3u); // GSA, PFEC and the line with garbage in front
    EXPECT_EQ(health.unknownType, 2u); // $PFEC and "xx..$GPVTG"
    EXPECT_EQ(health.garbageBytes, 3u);
    EXPECT_EQ(health.judged, 2u);
    EXPECT_EQ(health.fits[0], 2u);
    EXPECT_EQ(health.fits[1], 0u);
    // The decoders still got every line but the dropped one.
    EXPECT_EQ(rx.linesDispatched, 7u);
    EXPECT_EQ(form.Label3[1].caption, u"139 度 45.6789 分 - E");

    // The type table and the JSON carry the same counts.
    const QByteArray json = health.Json(u"0");
    EXPECT_TRUE(json.contains("\"$GPGGA\":1")) << json.constData();
    EXPECT_TRUE(json.contains("\"overlong_dropped\":1"));
    EXPECT_TRUE(json.contains("\"xx\\u0001\\u00ff\\u0080$GPVTG\":1")) << json.constData();
}

TEST_F(HealthTest, HintsForTheWrongModelAndTheWrongBaudRate) {
    struct Case {
        const char* what;
        QString gga, gsv;
        int repeat;
        StreamHealth::Hint asGt, asCf;
    };
    using H = StreamHealth::Hint;
    const std::vector<Case> cases = {
        {"GT stream", kGgaGt, kGsvGt, 10, H::None, H::WrongModel},
        {"CFGPS stream", kGgaCf, kGsvCf, 10, H::WrongModel, H::None},
        {"too few lines to judge", kGgaCf, kGsvCf, 9, H::None, H::None},
        {"a stream that fits neither", kGgaGt, kGsvCf, 20, H::None, H::None},
    };
    for (const Case& c : cases) {
        health.Reset();
        for (int i = 0; i < c.repeat; ++i)
            rx.AssembleLines(c.gga + u"\r\n"_qs + c.gsv + u"\r\n"_qs);
        EXPECT_EQ(health.Diagnose(u"0"), c.asGt) << c.what;
        EXPECT_EQ(health.Diagnose(u"1"), c.asCf) << c.what;
    }

    // A receiver at the other speed: the share of non-NMEA bytes gives the baud rate away.
    QByteArray clean;
    for (int i = 0; i < 20; ++i)
        clean += (kGgaGt + u"\r\n"_qs + kGsvGt + u"\r\n"_qs).toLatin1();
    // Samples a bit: 4800 read at 9600, 9600 read at 4800, the same speed.
    for (const auto& [send, read] : {std::pair{4, 2}, {2, 4}, {2, 2}}) {
        health.Reset();
        rx.AssembleBytes(AtWrongSpeed(clean, send, read));
        EXPECT_EQ(health.Diagnose(u"0"), send == read ? H::None : H::WrongBaud)
            << send << "/" << read;
        EXPECT_EQ(health.Verdict().contains(u"wrong baud rate"), send != read)
            << send << "/" << read;
    }
}

TEST(StreamHealthScan, EveryLengthAndPositionCountsOnceAndChecksOnce) {
    // Lines are scanned in groups of characters; a fault must be counted wherever it falls.
    for (int len = 1; len <= 40; ++len) {
        const QString body = u"GPTXT,"_qs + QString(len, u'A');
        for (int at = 0; at < body.size(); ++at) {
            StreamHealth h;
            QString bad = body;
            bad[at] = QChar(u'\u00E9');
            h.Line(u'$' + bad + u"\r\n"_qs);
            EXPECT_EQ(h.garbageBytes, 1u) << len << " " << at;
            h.Line(Framed(body) + u"\r\n"_qs);
            EXPECT_EQ(h.checksumBad, 0u) << len << " " << at;
            QString wrong = Framed(body);
            wrong[1 + at] = u'B';
            h.Line(wrong + u"\r\n"_qs);
            EXPECT_EQ(h.checksumBad, body[at] == u'B' ? 0u : 1u) << len << " " << at;
            EXPECT_EQ(h.garbageBytes, 1u) << len << " " << at;
        }
    }
}
