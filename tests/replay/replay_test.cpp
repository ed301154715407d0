// The replay window's model: counting rules, refusals, the open-file button, interrupted loads.

#include "nav/file_channels.h"
#include "nav/snapshot_format.h"
#include "replay/frm_player.h"
#include "replay/recording_files.h"
#include "support/graph_support.h"
#include "support/main_window_fixture.h"

using namespace velsor;
using velsor::testing::MainWindowTest;
using velsor::testing::RecordingText;
using velsor::testing::Snapshot;
using velsor::testing::WithChecksum;

namespace {

const QString kTooFew = QStringLiteral("データ数が足りません。ほかのファイルを選んでください。");
const QString kUnreadable = QStringLiteral("再生ファイルを読み込めません。");

class ReplayTest : public MainWindowTest {
protected:
    void SetUp() override {
        Load("[Velsor GPS Analyzer]\r\n[CommPort]=1\r\n[Tuner]=0\r\n[Time]=0\r\n");
        player = std::make_unique<frmPlayer>(nav, *form, *form->receiver, dialogs, program);
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
    // A recording in the test folder, by name.
    QString Written(const QString& name, const QByteArray& text) {
        const QString path = Path(name);
        EXPECT_TRUE(velsor::testing::WriteFile(path, text));
        return path;
    }
    void Unload() {
        if (player->loaded)
            player->Form_Unload();
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

    velsor::testing::FakeProgram& events = program; // runs a planned action at a yield
    std::unique_ptr<frmPlayer> player;
    int shown = 0;
    std::vector<int> fed;
};

} // namespace

TEST_F(ReplayTest, FilesAreCountedOrRefused) {
    QDir(dir.path()).mkdir(QStringLiteral("folder.CSV"));
    const QByteArray binary = QByteArray("\x00\xff\r\n\x80\n\r\x1a,", 9).repeated(7000);
    const struct {
        const char* recording; // or "binary", "folder", "device"
        const char* summary;   // count, bar maximum (-1: off), blocks fed, message, stop line
        int block = -1, snapshot = -1; // ReplayLine(block, 0) is snapshot's GGA
        const char* lineEnd = "\r\n";
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
        {"device", "0 -1 - unreadable -"},      // /dev/zero would never end
        {"S 10 X", "9 9 0 - stop", 9, 9, "\r"}, // line ends as the history reader takes them
        {"S 10 X", "9 9 0 - stop", 9, 9, "\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.recording);
        Unload();
        dialogs.messages.clear();
        fed.clear();
        const QString r = QLatin1String(c.recording);
        const QString path =
            r == u"device" ? u"/dev/zero"_qs
            : r == u"folder"
                ? Path(u"folder.CSV"_qs)
                : Written(u"case.CSV"_qs,
                          r == u"binary" ? binary : RecordingText(r).replace("\r\n", c.lineEnd));
        if (r == u"device")
            events.actions = {[&] { player->Form_Unload(); }}; // a way out of an endless read
        ReplayFromMenu(path);
        events.actions.clear();
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

// Recordings of whole epochs: a snapshot is shown whole or left out whole, whatever the file
// holds; five-line blocks of the same model (written before) read as snapshots too.
TEST_F(ReplayTest, SnapshotsOfWholeEpochsAreShownOrLeftOutWhole) {
    const struct {
        const char* recording;
        int count;         // ReplayCount; -1 refused
        int skipped;       // snapshots left out
        const char* shown; // the snapshot each block shows, by its number
    } cases[] = {
        {"S e10 X", 9, 0, "0 1 2 3 4 5 6 7 8 9"},
        {"S e5 c4", 4, 1, "0 1 2 3 4"},      // the file cut inside its last snapshot
        {"S e2 c4 e3 X", 4, 1, "0 1 3 4 5"}, // lines lost inside one
        {"S e2 X c4", -1, 1, ""},            // a stop line cuts it too
        {"S l4 X", 3, 0, "0 1 2 3"},
        {"S e2 l2 e2", 5, 0, "0 1 2 3 4 5"},
        {"S e2 g3000 h3000 w e2", 3, 3, "0 1 5 6"}, // too long: not counted, counted, a long line
        {"S e2 h130 e2", 3, 1, "0 1 3 4"},          // its GGA starts no block of its own
        {"S X e3", 2, 0, "0 1 2"},
        {"S e3365 X", 3359, 0, nullptr}, // only the first 3360
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.recording);
        Unload();
        dialogs.messages.clear();
        nav.TunerType = u"0"_qs; // the settings' model: the file's own wins
        ReplayFromMenu(Written(u"epochs.CSV"_qs, RecordingText(QLatin1String(c.recording))));
        EXPECT_FALSE(player->busy || FileChannels::Instance().IsOpen(2));
        EXPECT_EQ(player->skipped, c.skipped);
        if (c.count < 0) {
            EXPECT_EQ(dialogs.messages.size(), 1u);
            EXPECT_TRUE(nav.ReplayText.isEmpty() && nav.ReplayAt.empty()) << "nothing kept";
            continue;
        }
        EXPECT_EQ(nav.ReplayCount, c.count);
        EXPECT_EQ(nav.TunerType, u"2");
        EXPECT_EQ(form->Label14.caption, u"NMEA");
        EXPECT_LE(nav.ReplayText.size(), (c.count + 1) * 8 * 84);
        if (!c.shown)
            continue;
        QStringList shown;
        for (int v = 0; v <= player->HScroll1.max; ++v) {
            player->SetHScroll1Value(v);
            shown << QString::number(ShownSnapshot());
        }
        EXPECT_EQ(shown.join(u' '), QLatin1String(c.shown));
        // The last one shown is whole: its three systems, four used.
        EXPECT_EQ(form->Label2.caption, c.recording[2] == u'l' ? u"3 / 5 個" : u"4 / 7 個");
    }
    EXPECT_EQ(events.exits, 0);
}

// An epoch beyond the bounds is recorded cut at a group's end, and says so; the reader takes
// what the recorder writes and nothing beyond it.
TEST(SnapshotFormat, BoundsAndHeaders) {
    const struct {
        int lineSize, groups; // 4 lines each, after 2 fix sentences and 2 GSAs
        const char* header;
    } blocks[] = {
        {70, 3, "#SNAPSHOT,16"},
        {70, 40, "#SNAPSHOT,128,CUT,36"}, // 31 groups fit the lines
        {200, 40, "#SNAPSHOT,80,CUT,84"}, // 19 groups fit the bytes
        {3000, 1, "#SNAPSHOT,4,CUT,4"},   // the fix and GSAs, not the group
    };
    for (const auto& b : blocks) {
        snapshot::Sentences s;
        const QString line = u'$' + QString(b.lineSize - 1, u'x');
        s.fix = {line, line};
        s.gsa = {line, line};
        s.groups.assign(static_cast<std::size_t>(b.groups), std::vector<QString>(4, line));
        const QStringList block = snapshot::Block(s);
        EXPECT_EQ(block.first(), QLatin1String(b.header));
        EXPECT_EQ(snapshot::HeaderCount(block.first().toLatin1()), block.size() - 1);
    }
    for (const char* bad : {"#SNAPSHOT,0", "#SNAPSHOT,129", "#SNAPSHOT,12x", "#SNAPSHOT,",
                            "#SNAPSHOT,5,LOST,2", "#SNAPSHOT,-5"})
        EXPECT_EQ(snapshot::HeaderCount(bad), 0) << bad;
    EXPECT_EQ(snapshot::HeaderCount("$GNGGA,#SNAPSHOT,5"), std::nullopt);
}

// At a yield of a long load a newer load takes over, or closing stops it: nothing of it is left.
TEST_F(ReplayTest, LoadsInterruptedAtAYield) {
    const QString big = Written(u"big.CSV"_qs, RecordingText("S 3360 X")),
                  small = Written(u"small.CSV"_qs, RecordingText("S 5 X"));
    player->yieldMs = 0;
    for (const bool newer : {true, false}) {
        SCOPED_TRACE(newer ? "newer load" : "closing");
        Unload();
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
    const QString four = Written(u"four.CSV"_qs, RecordingText("S 4 X"));
    ReplayFromMenu(Written(u"ten.CSV"_qs, RecordingText("S 10 X")));
    player->SetHScroll1Value(8);
    fed.clear();
    ChooseWithButton(four);
    EXPECT_EQ(std::tuple(nav.ReplayCount, player->HScroll1.max, player->HScroll1.value),
              std::tuple(3, 3, 3));
    EXPECT_EQ(fed, (std::vector<int>{3, 0})) << "its last block as the bar comes down, then 0";
}

// Quitting while a load lets events in ends it where it is: no message, no window, files closed.
// The loader looks in before every line, whatever the lines hold, and inside long ones.
TEST_F(ReplayTest, QuitDuringALoad) {
    const QByteArray stops =
        "S\r\n" + (velsor::testing::kStopLine.toLatin1() + "\r\n").repeated(20000);
    const struct {
        const char* name;
        QByteArray content;
        int quitAt;             // turn of the event loop that quits; 0: none
        bool mainWindow = true; // quit from the menu, else the close box
    } cases[] = {
        {"stop lines only", stops, 0},
        {"stop lines only, quit", stops, 300},
        {"a week", RecordingText("S 3360 X"), 500, false},
        {"a week of whole epochs", RecordingText("S e3360 X"), 500},
        {"one 3 MB line", "S\r\n" + QByteArray(3 << 20, 'x'), 10},
    };
    player->yieldMs = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        program.exits = program.eventPasses = shown = 0;
        dialogs.messages.clear();
        Unload();
        const QString path = Written(u"q.CSV"_qs, c.content);
        events.actions.assign(std::max(c.quitAt - 1, 0), nullptr);
        if (c.quitAt)
            events.actions.push_back(
                [&] { c.mainWindow ? form->Mnu_Quit_Click() : form->Form_Unload(); });
        ReplayFromMenu(path);
        EXPECT_TRUE(events.actions.empty());
        EXPECT_FALSE(FileChannels::Instance().IsOpen(2));
        if (c.quitAt) {
            EXPECT_EQ(
                std::tuple(program.exits, program.eventPasses, shown, dialogs.messages.size()),
                std::tuple(1, c.quitAt, 0, std::size_t{0}));
        } else {
            EXPECT_GE(program.eventPasses, 20000) << "a turn each line";
            EXPECT_EQ(dialogs.messages.size(), 1u) << "too few snapshots";
        }
    }
}

// Each snapshot shows its own date, and its own sky in the field model, wherever the bar jumps
// and from the first one on, whichever snapshot was shown before it (groups of other talkers do
// not linger from one block to the next). A snapshot at UTC midnight may hold the date sentence
// of the second before: its GGA is of the new day.
TEST_F(ReplayTest, EachSnapshotStandsAlone) {
    struct Block {
        const char *ddmmyy, *hhmmss, *dateAt, *gsv1, *gsv2;
        std::int16_t inView; // field model
        const char* jst;
    };
    const Block blocks[] = {
        {"021226", "235700", "235700", "$GPGSV,1,1,03,04,45,090,47,05,30,180,42,12,10,200,30",
         "$GLGSV,1,1,01,65,20,100,33", 4, "2026/12/03 8:57:00"},
        {"051226", "000300", "000300", "$GAGSV,1,1,02,11,45,090,40,12,30,180,41",
         "$GBGSV,1,1,01,05,20,100,33", 3, "2026/12/05 9:03:00"},
        {"071226", "235700", "235700", "$GPGSV,1,1,01,07,45,090,47", "$GLGSV,1,1,01,70,60,120,44",
         2, "2026/12/08 8:57:00"},
        {"311226", "000000", "235959", "$GPGSV,1,1,01,07,45,090,47", "$GLGSV,1,1,01,70,60,120,44",
         2, "2027/01/01 9:00:00"},
    };
    enum Model { Zda, Rmc, Fields }; // the GT-74/77 with ZDA, the CFGPS with RMC, any talker
    for (const Model model : {Zda, Rmc, Fields}) {
        SCOPED_TRACE(model);
        Unload();
        nav.UtcDate = 0; // as at start
        QByteArray text = velsor::testing::kStartLine.toLatin1() + "\r\n";
        for (const Block& b : blocks) {
            const QByteArray d(b.ddmmyy), t(b.hhmmss), at(b.dateAt);
            const QByteArray date =
                d.first(2) + "," + d.sliced(2, 2) + ",20" + d.sliced(4) + ",00,00";
            auto checked = [](const QByteArray& s) { return WithChecksum(s.constData()); };
            QStringList block = velsor::testing::Snapshot(0);
            block[0].replace(7, 6, QLatin1String(t));
            if (model == Rmc) {
                block[0].insert(13, u".0"); // the CFGPS's time field, hhmmss.s
                block[4] = checked("$GPRMC," + at + ",A,3541.1234,N,13945.6789,E,000.00,000.0," +
                                   d + ",,,A");
            } else if (model == Zda) {
                block[4] = checked("$GPZDA," + at + "," + date);
            } else {
                block =
                    QString::fromLatin1("$GNGGA," + t +
                                        ".00,3541.12340,N,13945.67890,E,1,05,1.0,10.0,M,,M,,\n" +
                                        "$GNGSA,A,3,04,05,,,,,,,,,,,1.0,1.0,1.0,1\n" + b.gsv1 +
                                        "\n" + b.gsv2 + "\n")
                        .split(u'\n');
                block.last() = checked("$GNZDA," + at + ".00," + date);
            }
            text += block.join(u"\r\n").toLatin1() + "\r\n";
        }
        ReplayFromMenu(Written(u"dates.CSV"_qs, text));
        EXPECT_EQ(nav.TunerType, QString::number(model));
        for (const int v : {0, 2, 0, 1, 3, 2}) {
            if (v != 0 || player->HScroll1.value != 0)
                player->SetHScroll1Value(v);
            SCOPED_TRACE(v);
            EXPECT_EQ(form->Label4[1].caption, QString::fromLatin1(blocks[v].jst));
            EXPECT_TRUE(model != Fields || nav.SatsInView == blocks[v].inView);
        }
    }
}
