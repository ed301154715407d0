// velsor-decode --replay: the same loading as the window, one JSON object per block shown.

#include "replay/recording_files.h"
#include "support/tool_run.h"

#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

TEST(ReplayCli, BlocksFedExitStatusAndMessages) {
    QTemporaryDir dir;
    const QString ten = dir.filePath(QStringLiteral("ten.CSV")),
                  two = dir.filePath(QStringLiteral("two.CSV")),
                  epochs = dir.filePath(QStringLiteral("epochs.CSV"));
    for (const auto& [path, recording] :
         {std::pair{ten, "S 10 X"}, std::pair{two, "S 2 X"}, std::pair{epochs, "S e3 c4 e1"}})
        ASSERT_TRUE(velsor::testing::WriteFile(path, velsor::testing::RecordingText(recording)));
    const struct {
        QStringList args;
        int exitCode;
        QString blocks; // "block" of each object printed, then "s" and the snapshots skipped
    } cases[] = {
        {{"--replay=" + ten, "--block=99"}, 0, "9s0"},
        {{"--replay", ten, "--each"}, 0, "0123456789s0"},
        {{"--replay", two}, 3, "-1s0"},                     // refused: null
        {{"--replay", dir.filePath("missing.CSV")}, 2, ""}, // one line on stderr
        {{"--replay", epochs, "--each"}, 0, "0123s1"},      // whole epochs, one cut
    };
    for (const auto& c : cases) {
        const auto run = velsor::testing::RunTool(QStringLiteral(VELSOR_DECODE_PATH), c.args);
        EXPECT_EQ(run.code, c.exitCode);
        EXPECT_EQ(run.err.count('\n'), c.exitCode == 2 ? 1 : 0);
        QString blocks;
        int skipped = -1;
        for (const QByteArray& line : run.out.split('\n')) {
            const QJsonObject o = QJsonDocument::fromJson(line).object();
            if (!o.isEmpty())
                blocks += QString::number(o["replay"]["block"].toInt(-1));
            skipped = o.isEmpty() ? skipped : o["replay"]["skipped"].toInt(-1);
        }
        if (skipped >= 0)
            blocks += u's' + QString::number(skipped);
        EXPECT_EQ(blocks, c.blocks);
    }
}
