// Real receiver captures through the receive path, and the velsor-decode tool built on it.

#include "decoding/state_json.h"
#include "decoding/stream_health.h"
#include "support/captures.h"
#include "support/decoder_fixture.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>

#include <random>

using namespace velsor;
using velsor::testing::FileBytes;

namespace {

struct Decoder : velsor::testing::Decoding {
    explicit Decoder(const char* tuner) : Decoding(tuner) { rx.listener = &health; }
    StreamHealth health;
};

// The --each output of feeding data whole, or in random chunks when given a generator.
QByteArray DecodeEach(Decoder& d, const QByteArray& data, std::mt19937* rng) {
    QByteArray out;
    d.rx.afterDispatch = [&] {
        AppendStateJson(out, d.nav, d.form, d.rx.linesDispatched, d.rx.lastType);
        out += '\n';
    };
    std::uniform_int_distribution<qsizetype> size(1, 4096);
    for (qsizetype i = 0, n = 0; i < data.size(); i += n) {
        n = rng ? std::min(size(*rng), data.size() - i) : data.size();
        d.rx.AssembleBytes(QByteArrayView(data).sliced(i, n));
    }
    return out;
}

} // namespace

// Chunked feeding gives exactly the whole-file output.
TEST(Captures, ChunkedFeedingGivesTheWholeFileOutput) {
    const QStringList files = velsor::testing::CaptureFiles(QStringLiteral(VELSOR_TEST_DATA));
    ASSERT_GE(files.size(), 16);
    std::mt19937 rng(20261206);
    for (const QString& file : files) {
        SCOPED_TRACE(file.toStdString());
        const QByteArray data = FileBytes(file);
        for (const char* tuner : {"0", "1"}) {
            Decoder whole(tuner);
            const QByteArray expected = DecodeEach(whole, data, nullptr);
            EXPECT_FALSE(expected.isEmpty()); // broken captures too
            for (int round = 0; round < 3; ++round) {
                Decoder chunked(tuner);
                ASSERT_EQ(DecodeEach(chunked, data, &rng), expected) << "tuner " << tuner;
            }
        }
    }
}

// The tool on a raw log from standard input; its options and exit status are the replay CLI's test.
TEST(DecodeTool, OneObjectPerLineFromStandardInput) {
    QProcess p;
    p.start(QStringLiteral(VELSOR_DECODE_PATH), {u"--each"_qs});
    p.write(FileBytes(QStringLiteral(VELSOR_TEST_DATA "/nmea/layout0/garmin17n.log")));
    p.closeWriteChannel();
    ASSERT_TRUE(p.waitForFinished(60000));
    ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().constData();
    const QList<QByteArray> lines = p.readAllStandardOutput().trimmed().split('\n');
    ASSERT_EQ(lines.size(), 22);
    const QJsonObject last = QJsonDocument::fromJson(lines[21]).object();
    EXPECT_EQ(last[u"line"].toInt(), 22);
    EXPECT_EQ(last[u"state"][u"UsedSatNo"].toArray().size(), 8);
}

// The README's table names the captures the repository holds, with their verdicts (every
// capture from a receiver of the first layout fits it), garbage shares and percentages rounded
// as the verdicts round them.
TEST(Captures, HealthVerdictsRoundAsTheReadmeTable) {
    QString readme =
        QString::fromUtf8(FileBytes(QStringLiteral(VELSOR_TEST_DATA "/../../README.md")));
    EXPECT_FALSE(readme.contains(u"/work/")) << "a path of one machine";
    const QRegularExpression row(
        // capture, GT-74/77 and CFGPS fit, garbage, verdict
        uR"(^\| `(\S+\.log)` \|[^|]+\|[^|]+\| (\d+) % \| (\d+) % \|)"
        uR"([^|]+\|[^|]+\| (\S+) % \| ([^|]+) \|)"_qs,
        QRegularExpression::MultilineOption);
    int rows = 0, layout0 = 0;
    for (auto it = row.globalMatch(readme); it.hasNext(); ++rows) {
        const QRegularExpressionMatch m = it.next();
        SCOPED_TRACE(m.captured(1).toStdString());
        Decoder d("0");
        DecodeEach(d, FileBytes(QStringLiteral(VELSOR_TEST_DATA "/nmea/") + m.captured(1)),
                   nullptr);
        const QString verdict = d.health.Verdict();
        const QString fits = verdict.startsWith(u"fits GT")
                                 ? u"(%1 % of GGA/GSV lines); CFGPS layout %2 %"_qs
                                 : u"GT-74/77 %1 %, CFGPS %2 %"_qs;
        EXPECT_TRUE(verdict.startsWith(m.captured(5)) &&
                    verdict.contains(fits.arg(m.captured(2), m.captured(3))))
            << verdict.toStdString();
        EXPECT_EQ(QString::number(100.0 * d.health.garbageBytes / d.health.bytes, 'f', 1),
                  m.captured(4));
        layout0 += m.captured(1).startsWith(u"layout0/") &&
                   m.captured(5) == u"fits GT-74/77 layout" && m.captured(4) == u"0.0";
    }
    EXPECT_EQ(rows, velsor::testing::CaptureFiles(QStringLiteral(VELSOR_TEST_DATA)).size());
    EXPECT_EQ(layout0, 5);
}
