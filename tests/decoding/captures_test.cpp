// Real receiver captures through the receive path, and the velsor-decode tool built on it.

#include "decoding/receiver.h"
#include "decoding/state_json.h"
#include "main_window/nav_form.h"
#include "nav/nav.h"
#include "support/captures.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <random>

using namespace velsor;

namespace {

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
    return f.readAll();
}

// The --each output of feeding data in the given chunk sizes (0 = all at once).
QByteArray DecodeEach(const QByteArray& data, const QString& tuner, std::mt19937* rng) {
    Nav nav;
    nav.TunerType = tuner;
    NAV_FORM form(nav);
    form.PrepareDisplay();
    Receiver rx(nav, form, nullptr);
    QByteArray out;
    rx.afterDispatch = [&] {
        AppendStateJson(out, nav, form, rx.linesDispatched, rx.lastType);
        out += '\n';
    };
    if (!rng) {
        rx.AssembleBytes(data);
        return out;
    }
    std::uniform_int_distribution<qsizetype> size(1, 4096);
    for (qsizetype i = 0; i < data.size();) {
        const qsizetype n = std::min(size(*rng), data.size() - i);
        rx.AssembleBytes(QByteArrayView(data).sliced(i, n));
        i += n;
    }
    return out;
}

struct ToolRun {
    int exitCode = -1;
    QByteArray out, err;
};

ToolRun Decode(const QStringList& args, const QByteArray& input = {}) {
    QProcess p;
    p.start(QStringLiteral(VELSOR_DECODE_PATH), args);
    EXPECT_TRUE(p.waitForStarted());
    p.write(input);
    p.closeWriteChannel();
    EXPECT_TRUE(p.waitForFinished(60000));
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
            p.readAllStandardError()};
}

} // namespace

TEST(Captures, ChunkedFeedingGivesExactlyTheWholeFileOutput) {
    const QStringList files = velsor::testing::CaptureFiles(QStringLiteral(VELSOR_TEST_DATA));
    ASSERT_GE(files.size(), 16);
    std::mt19937 rng(20261206);
    for (const QString& file : files) {
        const QByteArray data = ReadAll(file);
        for (const char* tuner : {"0", "1"}) {
            const QByteArray whole = DecodeEach(data, QString::fromLatin1(tuner), nullptr);
            EXPECT_FALSE(whole.isEmpty()) << file.toStdString(); // broken captures too
            for (int round = 0; round < 3; ++round) {
                ASSERT_EQ(DecodeEach(data, QString::fromLatin1(tuner), &rng), whole)
                    << file.toStdString() << " tuner " << tuner;
            }
        }
    }
}

TEST(Captures, Gt74CaptureGivesTheWholeMonitorDisplay) {
    const QByteArray data =
        ReadAll(QStringLiteral(VELSOR_TEST_DATA "/nmea/layout0/bundg_zeus_9.log"));
    Nav nav;
    nav.TunerType = QStringLiteral("0");
    NAV_FORM form(nav);
    form.PrepareDisplay();
    Receiver rx(nav, form, nullptr);
    rx.AssembleBytes(data);
    EXPECT_EQ(rx.linesDispatched, 4999u);
    EXPECT_EQ(nav.FixMode, u"3D");
    EXPECT_EQ(DateText(nav.UtcDate), u"2018/08/20");
    EXPECT_EQ(DateText(nav.JstDateTime), u"2018/08/20 18:49:59");
    EXPECT_EQ(form.Label3[0].caption, u" 52 度 50.8776 分 - N");
    EXPECT_EQ(form.Label3[1].caption, u"005 度 18.5177 分 - E");
    EXPECT_EQ(form.Label2.caption, u"12 / 12 個");
    for (const auto& raw : nav.RawSentence)
        EXPECT_FALSE(raw.isEmpty());
    int visible = 0;
    for (int i = 0; i < 8; ++i) {
        EXPECT_NE(form.Label6[i].caption, u"--");
        EXPECT_TRUE(form.Label6[i].bold);
        visible += form.Label15[i].visible;
    }
    EXPECT_EQ(visible, 8);
}

TEST(DecodeTool, PrintsOneObjectOrOnePerLine) {
    const QString file = QStringLiteral(VELSOR_TEST_DATA "/nmea/layout0/garmin17n.log");
    ToolRun all = Decode({file});
    ASSERT_EQ(all.exitCode, 0) << all.err.toStdString();
    const QJsonObject last = QJsonDocument::fromJson(all.out).object();
    EXPECT_EQ(last[u"line"].toInt(), 22);
    const QJsonObject state = last[u"state"].toObject();
    EXPECT_EQ(state[u"TunerType"].toString(), u"0");
    EXPECT_EQ(state[u"UsedSatNo"].toArray().size(), 8);
    const QJsonObject form = last[u"form"].toObject();
    EXPECT_EQ(form[u"dB1"].toArray()[0].toObject()[u"fillColor"].toString(), u"#ff8080");
    EXPECT_EQ(form[u"Label15"].toArray().size(), 8);

    ToolRun each = Decode(
        {QStringLiteral("--each"), QStringLiteral("--tuner"), QStringLiteral("1")}, ReadAll(file));
    ASSERT_EQ(each.exitCode, 0);
    const QList<QByteArray> lines = each.out.trimmed().split('\n');
    ASSERT_EQ(lines.size(), 22);
    for (int i = 0; i < lines.size(); ++i)
        EXPECT_EQ(QJsonDocument::fromJson(lines[i]).object()[u"line"].toInt(), i + 1);
    // Captions keep their line ends (this capture has LF only).
    const QJsonObject o = QJsonDocument::fromJson(lines[0]).object();
    EXPECT_EQ(o[u"type"].toString(), u"$GPRMC");
    EXPECT_EQ(o[u"form"].toObject()[u"Label16"].toArray()[4].toString(),
              u"$GPRMC,093802,A,5213.1439,N,02100.6511,E,000.0,226.0,160305,004.2,E,D*15\n");
}

TEST(DecodeTool, BadArgumentsAndUnreadableFilesExitWithStatus2) {
    QTemporaryDir dir;
    for (const QStringList& args :
         {QStringList{QStringLiteral("--tuner"), QStringLiteral("2")},
          QStringList{QStringLiteral("--tuner")}, QStringList{QStringLiteral("--bogus")},
          QStringList{dir.filePath(QStringLiteral("missing.log"))}, QStringList{dir.path()}}) {
        ToolRun r = Decode(args);
        EXPECT_EQ(r.exitCode, 2) << args.join(u' ').toStdString();
        EXPECT_EQ(r.err.count('\n'), 1) << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty());
    }
    ToolRun empty = Decode({});
    ASSERT_EQ(empty.exitCode, 0);
    EXPECT_EQ(QJsonDocument::fromJson(empty.out).object()[u"line"].toInt(), 0);
}
