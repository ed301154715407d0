// velsor-decode --replay: the same loading as the window, one JSON object per block shown.

#include "replay/recording_files.h"
#include "support/tool_run.h"

#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

TEST(ReplayCli, BlocksFedExitStatusAndMessages) {
    QTemporaryDir dir;
    const QString ten = dir.filePath(QStringLiteral("ten.CSV"));
    const QString two = dir.filePath(QStringLiteral("two.CSV"));
    ASSERT_TRUE(velsor::testing::WriteFile(ten, velsor::testing::RecordingText("S 10 X")));
    ASSERT_TRUE(velsor::testing::WriteFile(two, velsor::testing::RecordingText("S 2 X")));
    const struct {
        QStringList args;
        int exitCode;
        QString blocks; // "block" of each object printed
    } cases[] = {
        {{"--replay=" + ten, "--block=99"}, 0, "9"},
        {{"--replay", ten, "--each"}, 0, "0123456789"},
        {{"--replay", two}, 3, "-1"},                       // refused: null
        {{"--replay", dir.filePath("missing.CSV")}, 2, ""}, // one line on stderr
    };
    for (const auto& c : cases) {
        const auto run = velsor::testing::RunTool(QStringLiteral(VELSOR_DECODE_PATH), c.args);
        EXPECT_EQ(run.code, c.exitCode);
        EXPECT_EQ(run.err.count('\n'), c.exitCode == 2 ? 1 : 0);
        QString blocks;
        for (const QByteArray& line : run.out.split('\n')) {
            const QJsonObject o = QJsonDocument::fromJson(line).object();
            if (!o.isEmpty())
                blocks += QString::number(o["replay"]["block"].toInt(-1));
        }
        EXPECT_EQ(blocks, c.blocks);
    }
}
