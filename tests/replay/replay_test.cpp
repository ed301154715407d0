// The replay window's model: counting rules, refusals, the open-file button, interrupted loads.

#include "nav/file_channels.h"
#include "nav/snapshot_format.h"
#include "replay/frm_player.h"
#include "replay/recording_files.h"
#include "support/main_window_fixture.h"

using namespace velsor;
using velsor::testing::MainWindowTest;
using velsor::testing::RecordingText;
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
                fed << QString::number(ShownSnapshot());
        };
    }
    int ShownSnapshot() const {
        const QStringList p = form->Label4[0].caption.split(u' ');
        return p.size() >= 5 ? p[0].toInt() * 3600 + p[2].toInt() * 60 + p[4].toInt() : -1;
    }
    QString Fed() const { return fed.isEmpty() ? u"-"_qs : fed.join(u','); }
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

    std::unique_ptr<frmPlayer> player;
    int shown = 0;
    QStringList fed; // the snapshot each block fed shows
};

} // namespace

// A recording is counted and every block shown, or refused with nothing kept. Of the by-fields
// model a snapshot is shown whole or left out whole, whatever the file holds; five-line blocks
// of the same model (written before) read as snapshots too. The file's own model wins.
TEST_F(ReplayTest, RecordingsAreCountedAndShownOrRefused) {
    QDir(dir.path()).mkdir(QStringLiteral("folder.CSV"));
    const QByteArray binary = QByteArray("\x00\xff\r\n\x80\n\r\x1a,", 9).repeated(7000);
    const struct {
        const char* recording; // or "binary", "folder", "device"
        // count, bar maximum (-1: off), blocks fed (by a $GPGGA), message, stop line, snapshots
        // left out, model
        const char* summary;
        const char* shown = ""; // the snapshot each block shows, by its number; "... n" the last
        const char* lineEnd = "\r\n";
    } cases[] = {
        {"S 10 X", "9 9 0 - stop 0 0", "0 1 2 3 4 5 6 7 8 9"},
        // What follows a stop line overwrites its block.
        {"S 3 X 2", "3 3 0 - stop 0 0", "0 1 3 4"},
        {"S X 3", "2 2 0 - stop 0 0", "0 1 2"}, // never a step below block 0
        {"", "0 -1 - few - 0 0"},
        {"S 3 X", "2 2 0 - stop 0 0", "0 1 2"},
        {"S 2 X", "1 -1 - few stop 0 0"},
        // A trailing part counts without a stop line.
        {"S 4 p2", "4 4 0 - - 0 0", "0 1 2 3 4"},
        {"S 4 p2 X", "3 3 0 - stop 0 0", "0 1 2 3"},
        {"S 3365 X", "3359 3359 0 - - 0 0", "... 3359"}, // only the first 3360 snapshots
        {"binary", nullptr},
        {"folder", "0 -1 - unreadable - 0 0"},
        {"device", "0 -1 - unreadable - 0 0"}, // /dev/zero would never end
        // Line ends as the history reader takes them.
        {"S 10 X", "9 9 0 - stop 0 0", "0 1 2 3 4 5 6 7 8 9", "\r"},
        {"S 10 X", "9 9 0 - stop 0 0", "0 1 2 3 4 5 6 7 8 9", "\n"},
        {"S e10 X", "9 9 - - stop 0 2", "0 1 2 3 4 5 6 7 8 9"},
        {"S e5 c4", "4 4 - - - 1 2", "0 1 2 3 4"},         // the file cut inside its last snapshot
        {"S e2 c4 e3 X", "4 4 - - stop 1 2", "0 1 3 4 5"}, // lines lost inside one
        {"S e2 X c4", "1 -1 - few stop 1 0"},              // a stop line cuts it too
        {"S l4 X", "3 3 - - stop 0 2", "0 1 2 3"},
        {"S e2 l2 e2", "5 5 - - - 0 2", "0 1 2 3 4 5"},
        // Too long: not counted, counted, a long line.
        {"S e2 g3000 h3000 w e2", "3 3 - - - 3 2", "0 1 5 6"},
        {"S e2 h130 e2", "3 3 - - - 1 2", "0 1 3 4"}, // its GGA starts no block of its own
        {"S X e3", "2 2 - - stop 0 2", "0 1 2"},
        {"S e3365 X", "3359 3359 - - - 0 2", "... 3359"}, // only the first 3360
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.recording);
        Unload();
        dialogs.messages.clear();
        fed.clear();
        nav.TunerType = u"0"_qs; // the settings' model
        const QString r = QLatin1String(c.recording);
        const QString path =
            r == u"device" ? u"/dev/zero"_qs
            : r == u"folder"
                ? Path(u"folder.CSV"_qs)
                : Written(u"case.CSV"_qs,
                          r == u"binary" ? binary : RecordingText(r).replace("\r\n", c.lineEnd));
        if (r == u"device")
            program.actions = {[&] { player->Form_Unload(); }}; // a way out of an endless read
        ReplayFromMenu(path);
        program.actions.clear();
        EXPECT_TRUE(!player->busy && !FileChannels::Instance().IsOpen(2));
        EXPECT_TRUE(nav.ReplayCount >= 0 && nav.ReplayCount < Nav::kReplayBlocks);
        EXPECT_LE(nav.ReplayText.size(), (nav.ReplayCount + 1) * 8 * 84);
        QStringList said;
        for (const auto& m : dialogs.messages)
            said << (m.text.startsWith(kTooFew)       ? QStringLiteral("few")
                     : m.text.startsWith(kUnreadable) ? QStringLiteral("unreadable")
                                                      : m.text);
        const QString& stop = player->Label2[0].caption;
        const bool on = player->HScroll1.enabled;
        const QString summary = QStringLiteral("%1 %2 %3 %4 %5 %6 %7")
                                    .arg(nav.ReplayCount)
                                    .arg(on ? player->HScroll1.max : -1)
                                    .arg(Fed(), said.isEmpty() ? "-" : said.join(u','),
                                         stop == velsor::testing::kStopLine ? "stop"
                                         : stop.isEmpty()                   ? "-"
                                                                            : stop)
                                    .arg(player->skipped)
                                    .arg(nav.TunerType);
        if (!c.summary)
            continue;
        EXPECT_EQ(summary.toStdString(), c.summary);
        EXPECT_TRUE(said.isEmpty() || (nav.ReplayLine[0][0].isEmpty() && nav.ReplayText.isEmpty() &&
                                       nav.ReplayAt.empty()))
            << "nothing kept";
        EXPECT_EQ(form->Label14.caption, nav.TunerType == u"2" ? u"NMEA" : u"GT-74/77");
        EXPECT_TRUE(!on || player->Label1[0].caption == velsor::testing::kStartLine);
        QStringList shown;
        for (int v = 0; on && v <= player->HScroll1.max; ++v) {
            player->SetHScroll1Value(v);
            shown << QString::number(ShownSnapshot());
        }
        EXPECT_EQ((shown.size() > 10 ? "... " + shown.last() : shown.join(u' ')).toStdString(),
                  c.shown);
        // The last one shown is whole: its three systems, four used.
        if (on && nav.TunerType == u"2") {
            EXPECT_EQ(form->Label2.caption, r.contains(u'e') ? u"4 / 7 個" : u"3 / 5 個");
        }
    }
    EXPECT_EQ(program.exits, 0);
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

// At a yield of a long load a newer load takes over; closing or quitting stops it where it is:
// no message, no window, files closed, nothing of it left. The loader looks in before every
// line, whatever the lines hold, and inside long ones.
TEST_F(ReplayTest, EventsAtTheYieldsOfALoad) {
    const QByteArray week = RecordingText("S 3360 X"),
                     stops =
                         "S\r\n" + (velsor::testing::kStopLine.toLatin1() + "\r\n").repeated(20000);
    const QString small = Written(u"small.CSV"_qs, RecordingText("S 5 X"));
    const auto quit = [&] { form->Mnu_Quit_Click(); };
    const struct {
        const char* name;
        QByteArray content;
        int turn; // of the event loop that acts; 0: none
        std::function<void()> act;
        const char* after; // loaded, shown, blocks fed, ReplayCount if shown, exits, messages
    } cases[] = {
        {"a newer load", week, 1, [&] { ChooseWithButton(small); }, "1 1 0 4 0 0"},
        {"closing", week, 1, [&] { player->Form_Unload(); }, "0 0 - - 0 0"},
        {"opened again", week, 0, nullptr, "1 1 0 3359 0 0"},
        {"stop lines only", stops, 0, nullptr, "1 1 - 0 0 1"}, // too few snapshots
        {"stop lines only, quit", stops, 300, quit, "1 0 - - 1 0"},
        {"a week, the close box", week, 500, [&] { form->Form_Unload(); }, "1 0 - - 1 0"},
        {"a week of whole epochs", RecordingText("S e3360 X"), 500, quit, "1 0 - - 1 0"},
        {"one 3 MB line", "S\r\n" + QByteArray(3 << 20, 'x'), 10, quit, "1 0 - - 1 0"},
    };
    player->yieldMs = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Unload();
        fed.clear();
        dialogs.messages.clear();
        program.exits = program.eventPasses = shown = 0;
        program.actions.assign(std::max(c.turn - 1, 0), nullptr);
        if (c.act)
            program.actions.push_back(c.act);
        ReplayFromMenu(Written(u"long.CSV"_qs, c.content));
        EXPECT_TRUE(program.actions.empty());
        EXPECT_FALSE(FileChannels::Instance().IsOpen(2));
        EXPECT_TRUE(program.exits || !player->busy); // a quit leaves it to the program's end
        EXPECT_EQ(form->Mnu_File.enabled, !player->loaded);
        EXPECT_EQ(u"%1 %2 %3 %4 %5 %6"_qs.arg(player->loaded)
                      .arg(shown)
                      .arg(Fed())
                      .arg(shown ? QString::number(nav.ReplayCount) : u"-"_qs)
                      .arg(program.exits)
                      .arg(dialogs.messages.size())
                      .toStdString(),
                  c.after);
        if (!c.act) {
            EXPECT_GE(program.eventPasses, c.content.count('\n')) << "a turn each line";
        } else if (program.exits) {
            EXPECT_EQ(program.eventPasses, c.turn);
        }
        EXPECT_TRUE(nav.ReplayCount == 3359 || nav.ReplayLine[100][0].isEmpty()) << "nothing left";
    }
}

TEST_F(ReplayTest, TheButtonLoadsAShorterFileWhileTheBarStandsBeyondItsEnd) {
    const QString four = Written(u"four.CSV"_qs, RecordingText("S 4 X"));
    ReplayFromMenu(Written(u"ten.CSV"_qs, RecordingText("S 10 X")));
    player->SetHScroll1Value(8);
    fed.clear();
    ChooseWithButton(four);
    EXPECT_EQ(std::tuple(nav.ReplayCount, player->HScroll1.max, player->HScroll1.value),
              std::tuple(3, 3, 3));
    EXPECT_EQ(Fed(), u"3,0") << "its last block as the bar comes down, then 0";
}

// Each snapshot shows its own date, and its own sky in the field model, wherever the bar jumps
// and from the first one on, whichever snapshot was shown before it (groups of other talkers do
// not linger from one block to the next). A snapshot at UTC midnight may hold the date sentence
// of the second before: its GGA is of the new day.
TEST_F(ReplayTest, EachSnapshotStandsAlone) {
    const struct {
        const char *date, *hhmmss, *dateAt; // the date sentence's date and time
        const char* gsv;                    // of the field model
        std::int16_t inView;
        const char* jst;
    } blocks[] = {
        {"02,12,2026", "235700", "235700",
         "GPGSV,1,1,03,04,45,090,47,05,30,180,42,12,10,200,30 GLGSV,1,1,01,65,20,100,33", 4,
         "2026/12/03 8:57:00"},
        {"05,12,2026", "000300", "000300",
         "GAGSV,1,1,02,11,45,090,40,12,30,180,41 GBGSV,1,1,01,05,20,100,33", 3,
         "2026/12/05 9:03:00"},
        {"31,12,2026", "000000", "235959", "GPGSV,1,1,01,07,45,090,47 GLGSV,1,1,01,70,60,120,44", 2,
         "2027/01/01 9:00:00"},
    };
    // %T the GGA's time, %A the date sentence's, %D its date, %d as ddmmyy, %G the field GSVs.
    const QString gt = u"GPGSA,A,3,04,05,12,,,,,,,,,,1.0,1.0,1.0 GPGSV,2,1,05,04,45,090,47,05,30,"
                       u"180,42,12,10,200,30,17,60,300,45 GPGSV,2,2,05,20,05,100,20"_qs;
    const QString models[] = {
        // the GT-74/77 with ZDA
        u"GPGGA,%T,3541.1234,N,13945.6789,E,1,05,1.0,10,M,,M,, "_qs + gt + u" GPZDA,%A,%D,00,00"_qs,
        // the CFGPS with RMC
        u"GPGGA,%T.0,3541.1234,N,13945.6789,E,1,05,1.0,10,M,,M,, "_qs + gt +
            u" GPRMC,%A,A,3541.1234,N,13945.6789,E,000.00,000.0,%d,,,A"_qs,
        // any talker
        u"GNGGA,%T.00,3541.12340,N,13945.67890,E,1,05,1.0,10.0,M,,M,, "
        u"GNGSA,A,3,04,05,,,,,,,,,,,1.0,1.0,1.0,1 %G GNZDA,%A.00,%D,00,00"_qs,
    };
    for (int model = 0; model < 3; ++model) {
        SCOPED_TRACE(model);
        Unload();
        nav.UtcDate = 0; // as at start
        QByteArray text = velsor::testing::kStartLine.toLatin1() + "\r\n";
        for (const auto& b : blocks) {
            const QString d = QLatin1String(b.date);
            const QString block = QString(models[model])
                                      .replace(u"%T"_qs, QLatin1String(b.hhmmss))
                                      .replace(u"%A"_qs, QLatin1String(b.dateAt))
                                      .replace(u"%D"_qs, d)
                                      .replace(u"%d"_qs, d.left(2) + d.mid(3, 2) + d.right(2))
                                      .replace(u"%G"_qs, QLatin1String(b.gsv));
            for (const QString& body : block.split(u' '))
                text += WithChecksum(body.toLatin1().constData()).toLatin1() + "\r\n";
        }
        ReplayFromMenu(Written(u"dates.CSV"_qs, text));
        EXPECT_EQ(nav.TunerType, QString::number(model));
        for (const int v : {0, 2, 0, 1, 2, 1}) {
            if (v != 0 || player->HScroll1.value != 0)
                player->SetHScroll1Value(v);
            SCOPED_TRACE(v);
            EXPECT_EQ(form->Label4[1].caption, QString::fromLatin1(blocks[v].jst));
            EXPECT_TRUE(model != 2 || nav.SatsInView == blocks[v].inView);
        }
    }
}
