// velsor-decode --replay: the same loading as the window, one JSON object per block shown.

#include "replay/recording_files.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <vector>

using velsor::testing::RecordingText;

namespace {

struct Outcome {
    int exitCode = -1;
    std::vector<QJsonObject> objects;
    QString errors;
};

Outcome Decode(const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral(VELSOR_DECODE_PATH), args);
    p.waitForFinished(20000);
    Outcome r;
    r.exitCode = p.exitCode();
    for (const QByteArray& line : p.readAllStandardOutput().split('\n')) {
        if (!line.isEmpty())
            r.objects.push_back(QJsonDocument::fromJson(line).object());
    }
    r.errors = QString::fromLocal8Bit(p.readAllStandardError());
    return r;
}

QJsonObject Replay(const QJsonObject& o) {
    return o[QStringLiteral("replay")].toObject();
}

} // namespace

TEST(ReplayCli, LoadsFeedsAndReports) {
    QTemporaryDir dir;
    const QString ten = dir.filePath(QStringLiteral("ten.CSV"));
    const QString two = dir.filePath(QStringLiteral("two.CSV"));
    ASSERT_TRUE(velsor::testing::WriteFile(ten, RecordingText(QStringLiteral("S 10 X"))));
    ASSERT_TRUE(velsor::testing::WriteFile(two, RecordingText(QStringLiteral("S 2 X"))));
    struct Case {
        QStringList args;
        int exitCode;
        std::vector<int> blocks; // "block" of each object; -1 for null
        const char* tuner;
    } cases[] = {
        {{QStringLiteral("--replay"), ten}, 0, {0}, "0"},
        {{QStringLiteral("--replay"), ten, QStringLiteral("--block"), QStringLiteral("4")},
         0,
         {4},
         "0"},
        {{QStringLiteral("--replay=") + ten, QStringLiteral("--block=99")}, 0, {9}, "0"},
        {{QStringLiteral("--tuner"), QStringLiteral("1"), QStringLiteral("--replay"), ten,
          QStringLiteral("--each")},
         0,
         {0, 1, 2, 3, 4, 5, 6, 7, 8, 9},
         "0"},
        {{QStringLiteral("--replay"), two, QStringLiteral("--tuner"), QStringLiteral("1")},
         3,
         {-1},
         "1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(u' ').toStdString());
        const Outcome r = Decode(c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << r.errors.toStdString();
        ASSERT_EQ(r.objects.size(), c.blocks.size());
        for (std::size_t i = 0; i < c.blocks.size(); ++i) {
            const QJsonObject& o = r.objects[i];
            const QJsonObject rp = Replay(o);
            // The usual object, with the replay key beside its own.
            EXPECT_EQ(o.keys(), (QStringList{QStringLiteral("form"), QStringLiteral("line"),
                                             QStringLiteral("replay"), QStringLiteral("state"),
                                             QStringLiteral("type")}));
            const bool refused = c.blocks[i] < 0;
            EXPECT_EQ(rp[QStringLiteral("refused")].toBool(), refused);
            EXPECT_EQ(rp[QStringLiteral("ReplayCount")].toInt(), refused ? 1 : 9);
            EXPECT_EQ(rp[QStringLiteral("Label1")].toString(), velsor::testing::kStartLine);
            EXPECT_EQ(rp[QStringLiteral("Label2")].toString(), velsor::testing::kStopLine);
            EXPECT_TRUE(rp[QStringLiteral("Label3")].toString().startsWith(u"再生ファイル： "));
            const QJsonObject state = o[QStringLiteral("state")].toObject();
            EXPECT_EQ(state[QStringLiteral("TunerType")].toString(), QString::fromLatin1(c.tuner));
            if (refused) {
                EXPECT_TRUE(rp[QStringLiteral("block")].isNull());
                EXPECT_EQ(o[QStringLiteral("line")].toInt(), 0) << "nothing fed";
            } else {
                EXPECT_EQ(rp[QStringLiteral("block")].toInt(), c.blocks[i]);
                // Snapshot n was recorded at n seconds past midnight.
                EXPECT_EQ(
                    o[QStringLiteral("form")]
                        .toObject()[QStringLiteral("Label4")]
                        .toArray()[0]
                        .toString(),
                    QStringLiteral("00 時 00 分 %1 秒").arg(c.blocks[i], 2, 10, QLatin1Char('0')));
            }
        }
    }
}

TEST(ReplayCli, BadArgumentsAndUnreadableFilesSayWhyInOneLine) {
    QTemporaryDir dir;
    const QString ten = dir.filePath(QStringLiteral("ten.CSV"));
    ASSERT_TRUE(velsor::testing::WriteFile(ten, RecordingText(QStringLiteral("S 10 X"))));
    const QStringList cases[] = {
        {QStringLiteral("--replay")},
        {QStringLiteral("--replay"), ten, QStringLiteral("--block"), QStringLiteral("-1")},
        {QStringLiteral("--replay"), ten, QStringLiteral("--block"), QStringLiteral("x")},
        {QStringLiteral("--replay"), ten, QStringLiteral("--tuner"), QStringLiteral("2")},
        {QStringLiteral("--replay"), ten, QStringLiteral("--each"), QStringLiteral("--block=1")},
        {QStringLiteral("--replay"), ten, QStringLiteral("other")},
        {QStringLiteral("--replay"), dir.filePath(QStringLiteral("missing.CSV"))},
        {QStringLiteral("--replay"), dir.path()},
    };
    for (const QStringList& args : cases) {
        SCOPED_TRACE(args.join(u' ').toStdString());
        const Outcome r = Decode(args);
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_TRUE(r.objects.empty());
        EXPECT_TRUE(r.errors.startsWith(u"velsor-decode: "));
        EXPECT_EQ(r.errors.count(u'\n'), 1);
    }
}
