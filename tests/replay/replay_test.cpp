// The replay window's model on the main window's model: counting rules of the file reading,
// refusals and bad input, the open-file button, the menu command's questions,
// and loads that are interrupted by a newer load or by closing the window.

#include "nav/file_channels.h"
#include "replay/frm_player.h"
#include "replay/recording_files.h"
#include "support/graph_support.h"
#include "support/main_window_fixture.h"

#include <optional>

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
        // Each GGA fed tells its snapshot's number through the decoded time.
        form->receiver->afterDispatch = [this] {
            if (form->receiver->lastType == u"$GPGGA")
                fed.push_back(ShownSnapshot());
        };
    }
    int ShownSnapshot() const {
        const QStringList p = form->Label4[0].caption.split(u' ');
        return p.size() >= 5 ? p[0].toInt() * 3600 + p[2].toInt() * 60 + p[4].toInt() : -1;
    }
    QString File(const char* name, const char* description) {
        const QString path = Path(QString::fromLatin1(name));
        EXPECT_TRUE(
            velsor::testing::WriteFile(path, RecordingText(QString::fromLatin1(description))));
        return path;
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
    qsizetype LongestLine() const {
        qsizetype n = 0;
        for (const auto& block : nav.ReplayLine)
            for (const QString& l : block)
                n = std::max(n, l.size());
        return n;
    }

    velsor::testing::ScriptedEvents events; // runs a planned action at a yield of a load
    std::unique_ptr<frmPlayer> player;
    int shown = 0;
    std::vector<int> fed;
};

} // namespace

// Counting rules and bad input: each file is loaded from the menu and either counted as the
// rules say or refused with a message, and the index never leaves the array.
TEST_F(ReplayTest, FilesAreCountedOrRefused) {
    const QByteArray binary = QByteArray("\x00\xff\r\n\x80\n\r\x1a,", 9).repeated(7000);
    auto rec = [](const char* d) { return RecordingText(QString::fromLatin1(d)); };
    const QByteArray longLine = rec("S 2") + QByteArray(3 << 20, 'A') + "\r\n" + rec("3 X");
    QDir(dir.path()).mkdir(QStringLiteral("folder.CSV"));
    struct Case {
        const char* name;
        QByteArray content; // null: nothing written to `file`
        int count;          // -1: any count within the array
        std::optional<QString> message;
        bool stopShown = false;
        int block = -1, snapshot = -1; // ReplayLine(block, 0) is snapshot's GGA
        const char* file = "case.CSV";
    } cases[] = {
        {"complete snapshots and the stop line", rec("S 10 X"), 9, {}, true, 9, 9},
        {"three snapshots are enough", rec("S 3 X"), 2, {}, true},
        {"two are too few", rec("S 2 X"), 1, kTooFew, true},
        {"trailing part counts without a stop line", rec("S 4 p2"), 4, {}, false, 4, 4},
        {"trailing part lies beyond with a stop line", rec("S 4 p2 X"), 3, {}, true, 4, 4},
        {"stop line in the middle: what follows overwrites", rec("S 2 X 3"), 3, {}, true, 1, 2},
        {"only the first 3360 snapshots", rec("S 3365 X"), 3359, {}, false, 3359, 3359},
        {"binary", binary, -1, std::nullopt},
        {"a line of 3 MiB is kept cut", longLine, 4, {}, true},
        {"a folder", {}, 0, kUnreadable, false, -1, -1, "folder.CSV"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (player->loaded)
            player->Form_Unload();
        dialogs.messages.clear();
        fed.clear();
        const QString path = Path(QString::fromLatin1(c.file));
        if (!c.content.isNull()) {
            ASSERT_TRUE(velsor::testing::WriteFile(path, c.content));
        }
        ReplayFromMenu(path);

        EXPECT_TRUE(form->GraphOpened == 1 && !player->busy);
        EXPECT_FALSE(FileChannels::Instance().IsOpen(2));
        EXPECT_TRUE(nav.ReplayCount >= 0 && nav.ReplayCount < Nav::kReplayBlocks);
        EXPECT_TRUE(c.count < 0 || nav.ReplayCount == c.count) << nav.ReplayCount;
        if (c.message) {
            ASSERT_EQ(dialogs.messages.size(), 1u);
            EXPECT_TRUE(dialogs.messages[0].text.startsWith(*c.message));
            EXPECT_EQ(dialogs.messages[0].icon, platform::MsgIcon::Exclamation);
            EXPECT_FALSE(player->HScroll1.enabled);
            EXPECT_TRUE(LongestLine() == 0 && fed.empty());
        } else if (c.count >= 0) {
            EXPECT_TRUE(dialogs.messages.empty());
            EXPECT_EQ(player->HScroll1.max, c.count);
            EXPECT_EQ(fed, std::vector<int>{0}) << "block 0 is fed";
            EXPECT_EQ(player->Label1[0].caption, velsor::testing::kStartLine);
        }
        if (c.count >= 0 || c.stopShown) {
            EXPECT_EQ(player->Label2[0].caption,
                      c.stopShown ? velsor::testing::kStopLine : QString());
        }
        if (c.block >= 0) {
            EXPECT_EQ(nav.ReplayLine[c.block][0], Snapshot(c.snapshot)[0]);
        }
        ASSERT_LE(LongestLine(), 1024);
        // Whatever was loaded, every position of the bar can be shown.
        for (int v = 0; player->HScroll1.enabled && v <= player->HScroll1.max; ++v)
            player->SetHScroll1Value(v);
        EXPECT_EQ(events.exits, 0);
    }
}

TEST_F(ReplayTest, OpenFileButtonAndScrollBar) {
    ReplayFromMenu(File("long.CSV", "S 120 X"));
    player->SetHScroll1Value(99999); // as far as the file goes, no further
    EXPECT_EQ(ShownSnapshot(), 119);
    player->SetHScroll1Value(100);
    fed.clear();
    ChooseWithButton(QString()); // cancelled: nothing fed
    EXPECT_TRUE(fed.empty());

    // A shorter file while the bar stands beyond its end: the bar drops to the new end, which
    // feeds that block, then block 0 is fed.
    ChooseWithButton(File("short.CSV", "S 50 X"));
    EXPECT_EQ(fed, (std::vector<int>{49, 0}));
    EXPECT_EQ(player->HScroll1.value, 49);
    EXPECT_EQ(player->HScroll1.max, 49);

    // A refused file leaves no file loaded.
    ChooseWithButton(File("two.CSV", "S 2 X"));
    EXPECT_EQ(MessageTexts(), QStringList{kTooFew});
    EXPECT_FALSE(player->HScroll1.enabled);
    EXPECT_EQ(dialogs.fileDialogs.back().fileName, Path(QStringLiteral("short.CSV")))
        << "the window's dialog offers its last file";

    // Only a block outside the array could reach the last resort.
    player->HScroll1.value = Nav::kReplayBlocks + 1;
    player->HScroll1_Change();
    EXPECT_EQ(MessageTexts().last(),
              QStringLiteral("予期しないエラーとなってしまいました。強制終了されます。"));
    EXPECT_EQ(events.exits, 1);
}

// A yield of a long load lets the user act: a newer load takes over, closing the window stops
// it. Either way nothing of the older load is fed or left, and the channel is free.
TEST_F(ReplayTest, LoadsInterruptedAtAYield) {
    const QString big = File("big.CSV", "S 3360 X");
    const QString small = File("small.CSV", "S 5 X");
    player->yieldMs = 0;
    for (const bool newer : {true, false}) {
        SCOPED_TRACE(newer ? "newer load" : "closing");
        if (player->loaded)
            player->Form_Unload();
        fed.clear();
        shown = 0;
        events.actions = {[&] { newer ? ChooseWithButton(small) : player->Form_Unload(); }};
        ReplayFromMenu(big);

        EXPECT_EQ(player->loaded, newer);
        EXPECT_EQ(shown, newer ? 1 : 0);
        EXPECT_TRUE(!newer || nav.ReplayCount == 4);
        EXPECT_TRUE(nav.ReplayLine[100][0].isEmpty()) << "nothing left of the first file";
        EXPECT_EQ(fed, newer ? std::vector<int>{0} : std::vector<int>{});
        EXPECT_FALSE(player->busy || FileChannels::Instance().IsOpen(2));
        EXPECT_EQ(form->Mnu_File.enabled, !newer);
    }
    // Opened again, the window starts as designed and loads in full.
    ReplayFromMenu(big);
    EXPECT_EQ(player->Label3.caption, u"再生ファイル： big.CSV");
    EXPECT_EQ(nav.ReplayCount, 3359);
    EXPECT_GT(events.eventPasses, 2) << "the load let the window system in";
}
