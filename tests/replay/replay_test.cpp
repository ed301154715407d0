// The replay window's model: counting rules, refusals, the open-file button, interrupted loads.

#include "nav/file_channels.h"
#include "replay/frm_player.h"
#include "replay/recording_files.h"
#include "support/graph_support.h"
#include "support/main_window_fixture.h"

using namespace velsor;
using velsor::testing::MainWindowTest;
using velsor::testing::RecordingText;
using velsor::testing::Snapshot;

namespace {

const QString kTooFew = QStringLiteral("データ数が足りません。ほかのファイルを選んでください。");
const QString kUnreadable = QStringLiteral("再生ファイルを読み込めません。");

class ReplayTest : public MainWindowTest {
protected:
    void SetUp() override {
        Load("[Velsor GPS Analyzer]\r\n[CommPort]=1\r\n[Tuner]=0\r\n[Time]=0\r\n");
        player = std::make_unique<frmPlayer>(nav, *form, *form->receiver, dialogs, events);
        form->showReplay = [this] { player->StartFromMenu(); };
        player->show = [this] { ++shown; };
        form->receiver->afterDispatch = [this] {
            if (form->receiver->lastType == u"$GPGGA")
                fed.push_back(ShownSnapshot());
        };
    }
    int ShownSnapshot() const {
        const QStringList p = form->Label4[0].caption.split(u' ');
        return p.size() >= 5 ? p[0].toInt() * 3600 + p[2].toInt() * 60 + p[4].toInt() : -1;
    }
    void ReplayFromMenu(const QString& path) {
        dialogs.files.push_back(path);
        form->Mnu_Replay_Click();
    }
    void ChooseWithButton(const QString& path) {
        dialogs.files.push_back(path);
        player->Image4_MouseDown(0, 1, 0, 10, 10);
        player->Image4_MouseUp(0, 1, 0, 10, 10);
    }

    velsor::testing::ScriptedEvents events; // runs a planned action at a yield of a load
    std::unique_ptr<frmPlayer> player;
    int shown = 0;
    std::vector<int> fed;
};

} // namespace

TEST_F(ReplayTest, FilesAreCountedOrRefused) {
    QDir(dir.path()).mkdir(QStringLiteral("folder.CSV"));
    const QByteArray binary = QByteArray("\x00\xff\r\n\x80\n\r\x1a,", 9).repeated(7000);
    const struct {
        const char* recording; // or "binary", or "folder"
        const char* summary;   // count, bar maximum (-1: off), blocks fed, message, stop line
        int block = -1, snapshot = -1; // ReplayLine(block, 0) is snapshot's GGA
    } cases[] = {
        {"S 10 X", "9 9 0 - stop", 9, 9},
        {"S 10", "9 9 0 - -", 9, 9},
        {"S 3 X 2", "3 3 0 - stop", 2, 3}, // what follows a stop line overwrites its block
        {"S X 3", "2 2 0 - stop", 2, 2},   // never a step below block 0
        {"", "0 -1 - few -"},
        {"S", "0 -1 - few -"},
        {"S 3 X", "2 2 0 - stop"},
        {"S 2 X", "1 -1 - few stop"},
        {"S 4 p2", "4 4 0 - -", 4, 4}, // a trailing part counts without a stop line
        {"S 4 p2 X", "3 3 0 - stop", 4, 4},
        {"S 3365 X", "3359 3359 0 - -", 3359, 3359}, // only the first 3360 snapshots
        {"binary", nullptr},
        {"folder", "0 -1 - unreadable -"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.recording);
        if (player->loaded)
            player->Form_Unload();
        dialogs.messages.clear();
        fed.clear();
        const QString r = QLatin1String(c.recording);
        const QString path = Path(r == u"folder" ? QStringLiteral("folder.CSV") : "case.CSV");
        if (r != u"folder") {
            ASSERT_TRUE(
                velsor::testing::WriteFile(path, r == u"binary" ? binary : RecordingText(r)));
        }
        ReplayFromMenu(path);
        EXPECT_TRUE(!player->busy && !FileChannels::Instance().IsOpen(2));
        EXPECT_TRUE(nav.ReplayCount >= 0 && nav.ReplayCount < Nav::kReplayBlocks);
        QStringList said, blocks;
        for (const auto& m : dialogs.messages)
            said << (m.text.startsWith(kTooFew)       ? QStringLiteral("few")
                     : m.text.startsWith(kUnreadable) ? QStringLiteral("unreadable")
                                                      : m.text);
        for (int b : fed)
            blocks << QString::number(b);
        const QString& stop = player->Label2[0].caption;
        const bool on = player->HScroll1.enabled;
        const QString summary = QStringLiteral("%1 %2 %3 %4 %5")
                                    .arg(nav.ReplayCount)
                                    .arg(on ? player->HScroll1.max : -1)
                                    .arg(blocks.isEmpty() ? "-" : blocks.join(u','),
                                         said.isEmpty() ? "-" : said.join(u','),
                                         stop == velsor::testing::kStopLine ? "stop"
                                         : stop.isEmpty()                   ? "-"
                                                                            : stop);
        if (c.summary) {
            EXPECT_EQ(summary, QLatin1String(c.summary));
            EXPECT_TRUE(said.isEmpty() || nav.ReplayLine[0][0].isEmpty()) << "nothing kept";
            EXPECT_TRUE(!on || player->Label1[0].caption == velsor::testing::kStartLine);
        }
        if (c.block >= 0) {
            EXPECT_EQ(nav.ReplayLine[c.block][0], Snapshot(c.snapshot)[0]);
        }
        for (int v = 0; on && v <= player->HScroll1.max; ++v)
            player->SetHScroll1Value(v); // every position can be shown
        EXPECT_EQ(events.exits, 0);
    }
}

// At a yield of a long load a newer load takes over, or closing stops it: nothing of it is left.
TEST_F(ReplayTest, LoadsInterruptedAtAYield) {
    const QString big = Path(QStringLiteral("big.CSV")), small = Path(QStringLiteral("small.CSV"));
    ASSERT_TRUE(velsor::testing::WriteFile(big, RecordingText("S 3360 X")) &&
                velsor::testing::WriteFile(small, RecordingText("S 5 X")));
    player->yieldMs = 0;
    for (const bool newer : {true, false}) {
        SCOPED_TRACE(newer ? "newer load" : "closing");
        if (player->loaded)
            player->Form_Unload();
        fed.clear();
        shown = 0;
        events.actions = {[&] { newer ? ChooseWithButton(small) : player->Form_Unload(); }};
        ReplayFromMenu(big);

        EXPECT_EQ(std::pair(player->loaded, shown), std::pair(newer, newer ? 1 : 0));
        EXPECT_TRUE(!newer || nav.ReplayCount == 4);
        EXPECT_TRUE(nav.ReplayLine[100][0].isEmpty()) << "nothing left of the first file";
        EXPECT_EQ(fed, newer ? std::vector<int>{0} : std::vector<int>{});
        EXPECT_FALSE(player->busy || FileChannels::Instance().IsOpen(2));
        EXPECT_EQ(form->Mnu_File.enabled, !newer);
    }
    ReplayFromMenu(big); // opened again, it loads in full
    EXPECT_EQ(nav.ReplayCount, 3359);
    EXPECT_GT(events.eventPasses, 2) << "the load let the window system in";
}

TEST_F(ReplayTest, TheButtonLoadsAShorterFileWhileTheBarStandsBeyondItsEnd) {
    const QString ten = Path(QStringLiteral("ten.CSV")), four = Path(QStringLiteral("four.CSV"));
    ASSERT_TRUE(velsor::testing::WriteFile(ten, RecordingText("S 10 X")) &&
                velsor::testing::WriteFile(four, RecordingText("S 4 X")));
    ReplayFromMenu(ten);
    player->SetHScroll1Value(8);
    fed.clear();
    ChooseWithButton(four);
    EXPECT_EQ(std::tuple(nav.ReplayCount, player->HScroll1.max, player->HScroll1.value),
              std::tuple(3, 3, 3));
    EXPECT_EQ(fed, (std::vector<int>{3, 0})) << "its last block as the bar comes down, then 0";
}
