// velsor-decode --replay: the same loading as the window, one JSON object per block shown.

#include "replay/recording_files.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

using velsor::testing::RecordingText;

TEST(ReplayCli, BlocksFedExitStatusAndMessages) {
    QTemporaryDir dir;
    const QString ten = dir.filePath(QStringLiteral("ten.CSV"));
    const QString two = dir.filePath(QStringLiteral("two.CSV"));
    ASSERT_TRUE(velsor::testing::WriteFile(ten, RecordingText(QStringLiteral("S 10 X"))));
    ASSERT_TRUE(velsor::testing::WriteFile(two, RecordingText(QStringLiteral("S 2 X"))));
    const QString r = QStringLiteral("--replay");
    struct Case {
        QStringList args;
        int exitCode;
        std::vector<int> blocks; // "block" of each object printed; -1 for null
        const char* tuner = "0";
    } cases[] = {
        {{r, ten}, 0, {0}},
        {{r + u'=' + ten, QStringLiteral("--block=99")}, 0, {9}},
        {{QStringLiteral("--tuner=1"), r, ten, QStringLiteral("--each")},
         0,
         {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}},
        {{r, two, QStringLiteral("--tuner"), QStringLiteral("1")}, 3, {-1}, "1"},
        // Bad arguments and unreadable files: one line on standard error, nothing printed.
        {{r}, 2, {}},
        {{r, dir.filePath(QStringLiteral("missing.CSV"))}, 2, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(u' ').toStdString());
        QProcess p;
        p.start(QStringLiteral(VELSOR_DECODE_PATH), c.args);
        ASSERT_TRUE(p.waitForFinished(20000));
        EXPECT_EQ(p.exitCode(), c.exitCode);
        const QString errors = QString::fromLocal8Bit(p.readAllStandardError());
        EXPECT_EQ(errors.count(u'\n'), c.exitCode == 2 ? 1 : 0) << errors.toStdString();
        QList<QByteArray> lines = p.readAllStandardOutput().split('\n');
        lines.removeAll(QByteArray());
        ASSERT_EQ(lines.size(), static_cast<qsizetype>(c.blocks.size()));
        for (std::size_t i = 0; i < c.blocks.size(); ++i) {
            const QJsonObject o = QJsonDocument::fromJson(lines[i]).object();
            const QJsonObject rp = o[QStringLiteral("replay")].toObject();
            // The usual object, with the replay key beside its own.
            EXPECT_EQ(o.keys(), (QStringList{QStringLiteral("form"), QStringLiteral("line"),
                                             QStringLiteral("replay"), QStringLiteral("state"),
                                             QStringLiteral("type")}));
            const bool refused = c.blocks[i] < 0;
            EXPECT_EQ(rp[QStringLiteral("ReplayCount")].toInt(), refused ? 1 : 9);
            EXPECT_EQ(rp[QStringLiteral("refused")].toBool(), refused);
            EXPECT_EQ(rp[QStringLiteral("Label2")].toString(), velsor::testing::kStopLine);
            EXPECT_EQ(o[QStringLiteral("state")].toObject()[QStringLiteral("TunerType")],
                      QString::fromLatin1(c.tuner));
            // Snapshot n was recorded at n seconds past midnight; a refused file feeds nothing.
            EXPECT_EQ(o[QStringLiteral("form")][QStringLiteral("Label4")][0].toString(),
                      refused ? QString()
                              : QStringLiteral("00 時 00 分 %1 秒")
                                    .arg(c.blocks[i], 2, 10, QLatin1Char('0')));
            EXPECT_EQ(rp[QStringLiteral("block")].toInt(-1), c.blocks[i]);
        }
    }
}
