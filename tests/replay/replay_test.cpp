// The replay window's model on the main window's model: counting rules of the file reading,
// refusals and bad input, tuner detection, the open-file button, the menu command's questions,
// and loads that are interrupted by a newer load or by closing the window.

#include "nav/file_channels.h"
#include "replay/frm_player.h"
#include "replay/recording_files.h"
#include "support/main_window_fixture.h"

#include <QRandomGenerator>

#include <optional>

using namespace velsor;
using velsor::testing::MainWindowTest;
using velsor::testing::RecordingText;
using velsor::testing::Snapshot;

namespace {

const QString kTooFew = QStringLiteral("データ数が足りません。ほかのファイルを選んでください。");
const QString kUnreadable = QStringLiteral("再生ファイルを読み込めません。");
const char* kGtSettings = "[Velsor GPS Analyzer]\r\n[CommPort]=1\r\n[Tuner]=0\r\n[Time]=0\r\n";
const char* kCfSettings = "[Velsor GPS Analyzer]\r\n[CommPort]=1\r\n[Tuner]=1\r\n[Time]=0\r\n";

// The event pump of a load: runs one planned action at the first yield.
struct YieldingProgram : velsor::testing::FakeProgram {
    std::function<void()> atYield;
    void ProcessEvents() override {
        ++eventPasses;
        if (auto f = std::exchange(atYield, nullptr))
            f();
    }
};

class ReplayTest : public MainWindowTest {
protected:
    void SetUp() override { Start(kGtSettings); }
    void Start(const char* settings) {
        Load(settings);
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
    QString File(const char* name, const QString& description, bool cfgps = false) {
        const QString path = Path(QString::fromLatin1(name));
        EXPECT_TRUE(velsor::testing::WriteFile(path, RecordingText(description, cfgps)));
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
    bool AllLinesEmpty() const {
        for (const auto& block : nav.ReplayLine)
            for (const QString& l : block)
                if (!l.isEmpty())
                    return false;
        return true;
    }

    YieldingProgram events;
    std::unique_ptr<frmPlayer> player;
    int shown = 0;
    std::vector<int> fed;
};

} // namespace

// Counting rules and bad input: each file is loaded from the menu and either counted as the
// rules say or refused with a message, and the index never leaves the array.
TEST_F(ReplayTest, FilesAreCountedOrRefused) {
    QByteArray binary(64 * 1024, '\0');
    QRandomGenerator rng(7);
    for (char& c : binary)
        c = static_cast<char>(rng.bounded(256));
    const QByteArray longLine(3 * 1024 * 1024, 'A');
    QDir(dir.path()).mkdir(QStringLiteral("folder.CSV"));
    struct Case {
        const char* name;
        QByteArray content; // a description for RecordingText, or with `raw` the bytes
        int count;          // -1: any count within the array
        std::optional<QString> message;
        bool stopShown = false;
        int block = -1, snapshot = -1; // ReplayLine(block, 0) is snapshot's GGA
        const char* file = "case.CSV";
        bool raw = false; // content written as it is; nothing written when empty
    } cases[] = {
        {"complete snapshots and the stop line", "S 10 X", 9, {}, true, 9, 9},
        {"complete snapshots, no stop line", "S 10", 9, {}, false, 9, 9},
        {"three snapshots are enough", "S 3 X", 2, {}, true},
        {"two are too few", "S 2 X", 1, kTooFew, true},
        {"trailing part counts without a stop line", "S 4 p2", 4, {}, false, 4, 4},
        {"trailing part lies beyond with a stop line", "S 4 p2 X", 3, {}, true, 4, 4},
        {"stop line in the middle: what follows overwrites", "S 2 X 3", 3, {}, true, 1, 2},
        {"only the first 3360 snapshots", "S 3365 X", 3359, {}, false, 3359, 3359},
        {"empty file", "", 0, kTooFew},
        {"start line only", "S", 0, kTooFew},
        {"stop line right after the start line", "S X", 0, kTooFew, true},
        {"stop line as the first data line", "S X 3", 2, {}, true, 0, 0},
        {"binary", binary, -1, std::nullopt, false, -1, -1, "binary.CSV", true},
        {"a line of 3 MiB is kept cut",
         RecordingText(QStringLiteral("S 2")) + longLine + "\r\n" +
             RecordingText(QStringLiteral("3 X")),
         4,
         {},
         true,
         -1,
         -1,
         "long.CSV",
         true},
        {"vanished after choosing", {}, 0, kUnreadable, false, -1, -1, "gone.CSV", true},
        {"a folder", {}, 0, kUnreadable, false, -1, -1, "folder.CSV", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (player->loaded)
            player->Form_Unload();
        dialogs.messages.clear();
        fed.clear();
        const QString path = Path(QString::fromLatin1(c.file));
        if (!c.raw || !c.content.isEmpty()) {
            ASSERT_TRUE(velsor::testing::WriteFile(
                path, c.raw ? c.content : RecordingText(QString::fromLatin1(c.content))));
        }
        ReplayFromMenu(path);

        EXPECT_EQ(form->GraphOpened, 1);
        EXPECT_FALSE(player->busy);
        EXPECT_FALSE(FileChannels::Instance().IsOpen(2));
        EXPECT_GE(nav.ReplayCount, 0);
        EXPECT_LT(nav.ReplayCount, Nav::kReplayBlocks);
        if (c.count >= 0) {
            EXPECT_EQ(nav.ReplayCount, c.count);
        }
        if (c.message) {
            ASSERT_EQ(dialogs.messages.size(), 1u);
            EXPECT_TRUE(dialogs.messages[0].text.startsWith(*c.message));
            EXPECT_EQ(dialogs.messages[0].icon, platform::MsgIcon::Exclamation);
            EXPECT_EQ(dialogs.messages[0].title, u"Velsor GPS Analyzer");
            EXPECT_FALSE(player->HScroll1.enabled);
            EXPECT_TRUE(AllLinesEmpty());
            EXPECT_TRUE(fed.empty());
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
        for (const auto& block : nav.ReplayLine)
            for (const QString& l : block)
                ASSERT_LE(l.size(), 1024);
        // Whatever was loaded, every position of the bar can be shown.
        for (int v = 0; player->HScroll1.enabled && v <= player->HScroll1.max; ++v)
            player->SetHScroll1Value(v);
        EXPECT_EQ(events.exits, 0);
    }
}

TEST_F(ReplayTest, TheRecordingsTunerDecodesItAndClosingRestoresTheSettings) {
    struct Case {
        const char* settings;
        bool cfgpsFile;
        const char* replayed;
        const char* restored;
    } cases[] = {
        {kCfSettings, false, "GT-74/77", "CFGPS"},
        {kGtSettings, true, "CFGPS", "GT-74/77"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.replayed);
        Start(c.settings);
        ReplayFromMenu(File("tuner.CSV", QStringLiteral("S 5 X"), c.cfgpsFile));
        EXPECT_EQ(form->Label14.caption, QString::fromUtf8(c.replayed));
        EXPECT_EQ(nav.TunerType, c.cfgpsFile ? u"1" : u"0");
        // Decoded at that tuner's positions: the date comes from its date sentence.
        EXPECT_EQ(form->Label4[2].caption, u"2026 年 12 月 06 日 ");
        EXPECT_FALSE(form->Mnu_File.enabled || form->Mnu_Option.enabled ||
                     form->Mnu_Version.enabled);

        player->Form_Unload();
        EXPECT_EQ(form->Label14.caption, QString::fromUtf8(c.restored));
        EXPECT_TRUE(form->Mnu_File.enabled && form->Mnu_Option.enabled &&
                    form->Mnu_Version.enabled);
        EXPECT_TRUE(AllLinesEmpty());
        EXPECT_EQ(form->Label4[2].caption, u"2026 年 12 月 06 日 ") << "the last values stay";
    }
}

TEST_F(ReplayTest, TheOpenFileButton) {
    ReplayFromMenu(File("long.CSV", QStringLiteral("S 120 X")));
    player->SetHScroll1Value(100);
    EXPECT_EQ(ShownSnapshot(), 100);

    // Cancelled: the button comes back up and nothing changes.
    player->Image4_MouseDown(0, 1, 0, 10, 10);
    EXPECT_TRUE(player->Image4[1].visible);
    EXPECT_FALSE(player->Image4[0].visible);
    fed.clear();
    player->Image4_MouseUp(0, 1, 0, 10, 10);
    EXPECT_TRUE(player->Image4[0].visible);
    EXPECT_FALSE(player->Image4[1].visible);
    EXPECT_TRUE(fed.empty());
    EXPECT_EQ(nav.ReplayCount, 119);

    // A shorter file while the bar stands beyond its end: the bar drops to the new end, which
    // feeds that block, then block 0 is fed.
    ChooseWithButton(File("short.CSV", QStringLiteral("S 50 X")));
    EXPECT_EQ(fed, (std::vector<int>{49, 0}));
    EXPECT_EQ(player->HScroll1.value, 49);
    EXPECT_EQ(player->HScroll1.max, 49);
    EXPECT_EQ(player->Label3.caption, u"再生ファイル： short.CSV");
    EXPECT_TRUE(player->Image4[0].visible);
    EXPECT_EQ(dialogs.fileDialogs.back().title, u"ﾌｧｲﾙを開く");
    EXPECT_EQ(dialogs.fileDialogs.back().filter, u"CSVﾌｧｲﾙ(*.CSV)|*.CSV|");

    // A refused file leaves no file loaded; the empty block 0 is fed.
    fed.clear();
    ChooseWithButton(File("two.CSV", QStringLiteral("S 2 X")));
    EXPECT_EQ(MessageTexts(), QStringList{kTooFew});
    EXPECT_EQ(dialogs.fileDialogs.back().fileName, Path(QStringLiteral("short.CSV")))
        << "the window's dialog offers its last file";
    EXPECT_FALSE(player->HScroll1.enabled);
    EXPECT_TRUE(AllLinesEmpty());
    EXPECT_TRUE(fed.empty());
}

TEST_F(ReplayTest, ScrollBarStaysWithinTheFileAndAnImpossibleBlockEndsTheProgram) {
    ReplayFromMenu(File("ten.CSV", QStringLiteral("S 10 X")));
    struct Step {
        int set, value;
    } steps[] = {{3, 3}, {99999, 9}, {-5, 0}, {9, 9}};
    for (const Step& s : steps) {
        player->SetHScroll1Value(s.set);
        EXPECT_EQ(player->HScroll1.value, s.value);
        EXPECT_EQ(ShownSnapshot(), s.value);
    }
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(events.exits, 0);

    player->HScroll1.value = Nav::kReplayBlocks + 1;
    player->HScroll1_Change();
    EXPECT_EQ(MessageTexts(), QStringList{QStringLiteral(
                                  "予期しないエラーとなってしまいました。強制終了されます。")});
    EXPECT_EQ(events.exits, 1);
}

TEST_F(ReplayTest, MenuCommandStopsTheLinkAndRecordingWhenTheUserAgrees) {
    if (!velsor::testing::PtyPair::Available())
        GTEST_SKIP() << "socat is not installed";
    velsor::testing::PtyPair pty(dir.path(), 1);
    ASSERT_TRUE(pty.Ready());
    const QString recording = Path(QStringLiteral("rec.CSV"));
    const QString replay = File("replay.CSV", QStringLiteral("S 3 X"));
    struct Case {
        bool link, recording;
        platform::MsgResult answer;
        const char* question; // nullptr: none asked
        bool replays;
    } cases[] = {
        {false, false, platform::MsgResult::No, nullptr, true},
        {true, false, platform::MsgResult::No, "通信中です。終了しますか？", false},
        {true, false, platform::MsgResult::Yes, "通信中です。終了しますか？", true},
        {true, true, platform::MsgResult::No, "通信中、データ記録中です。終了しますか？", false},
        {true, true, platform::MsgResult::Yes, "通信中、データ記録中です。終了しますか？", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.link) + ::testing::PrintToString(c.recording));
        if (player->loaded)
            player->Form_Unload();
        dialogs.messages.clear();
        dialogs.fileDialogs.clear();
        dialogs.answers.clear();
        shown = 0;
        if (c.link)
            form->Mnu_Start_Click();
        ASSERT_EQ(form->MSComm1->IsOpen(), c.link);
        if (c.recording) {
            dialogs.files.push_back(recording);
            form->Mnu_Rec_Save_Click();
        }
        dialogs.answers.push_back(c.answer);
        dialogs.files.push_back(replay);
        form->Mnu_Replay_Click();

        if (c.question) {
            ASSERT_FALSE(dialogs.messages.empty());
            EXPECT_EQ(dialogs.messages[0].text, QString::fromUtf8(c.question));
            EXPECT_EQ(dialogs.messages[0].buttons, platform::MsgButtons::YesNo);
            EXPECT_EQ(dialogs.messages[0].icon, platform::MsgIcon::None);
        } else {
            EXPECT_TRUE(dialogs.messages.empty());
        }
        EXPECT_EQ(shown, c.replays ? 1 : 0);
        EXPECT_EQ(form->MSComm1->IsOpen(), !c.replays);
        EXPECT_EQ(nav.RecordingOn, c.recording && !c.replays ? 1 : 0);
        if (c.recording && c.replays) {
            EXPECT_TRUE(ReadFile(recording).endsWith("(JST) Stopped.\r\n"));
        }
        EXPECT_EQ(dialogs.busy, 0);
        if (c.replays) {
            ASSERT_EQ(dialogs.fileDialogs.size(), 1u + (c.recording ? 1u : 0u));
        }
        dialogs.files.clear();
        if (!c.replays) {
            form->Mnu_Rec_Stop_Click();
            form->Mnu_Stop_Click();
        }
    }
}

TEST_F(ReplayTest, ANewerLoadDuringALoadTakesOver) {
    const QString big = File("big.CSV", QStringLiteral("S 3360 X"));
    const QString small = File("small.CSV", QStringLiteral("S 5 X"));
    player->yieldMs = 0;
    events.atYield = [&] { ChooseWithButton(small); };
    ReplayFromMenu(big);

    EXPECT_EQ(nav.ReplayCount, 4);
    EXPECT_EQ(player->HScroll1.max, 4);
    EXPECT_EQ(player->Label3.caption, u"再生ファイル： small.CSV");
    EXPECT_TRUE(nav.ReplayLine[100][0].isEmpty()) << "nothing left of the first file";
    EXPECT_EQ(fed, std::vector<int>{0}) << "only the newer load fed its block 0";
    EXPECT_EQ(shown, 1);
    EXPECT_FALSE(player->busy);
    EXPECT_FALSE(FileChannels::Instance().IsOpen(2));
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(ReplayTest, ClosingTheWindowDuringALoadStopsIt) {
    const QString big = File("big.CSV", QStringLiteral("S 3360 X"));
    player->yieldMs = 0;
    events.atYield = [&] { player->Form_Unload(); };
    ReplayFromMenu(big);

    EXPECT_FALSE(player->loaded);
    EXPECT_EQ(shown, 0);
    EXPECT_TRUE(AllLinesEmpty());
    EXPECT_TRUE(fed.empty());
    EXPECT_TRUE(form->Mnu_File.enabled);
    EXPECT_FALSE(FileChannels::Instance().IsOpen(2));
    EXPECT_EQ(form->GraphOpened, 1) << "quitting still shows the closing window";

    // The window opens again as new.
    ReplayFromMenu(big);
    EXPECT_EQ(nav.ReplayCount, 3359);
    player->SetHScroll1Value(3000);
    player->Form_Unload();
    fed.clear();
    dialogs.files.clear();
    form->Mnu_Replay_Click(); // cancelled
    EXPECT_EQ(player->HScroll1.value, 0);
    EXPECT_EQ(player->Label3.caption, u"再生ファイル：");
    EXPECT_TRUE(fed.empty());
    EXPECT_GT(events.eventPasses, 2) << "the load let the window system in";
}
