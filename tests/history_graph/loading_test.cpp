// LoadHistoryFile through channel 1, and what a user may do while a load or drawing lets
// events through.

#include "nav/file_channels.h"
#include "support/graph_support.h"

using namespace velsor;
using velsor::testing::GraphRig;

namespace {
const QString kInUse =
    QStringLiteral("現在ファイル使用中につき、読み込みできません。再度、実行してください。");
} // namespace

TEST(LoadHistoryFile, ReadsWhatTheFileHolds) {
    GraphRig rig;
    rig.graph.HistoryLastIndex = 7;
    rig.graph.HistoryLines[0] = QStringLiteral("old");
    rig.Open(rig.dir.filePath(QStringLiteral("none.LOG"))); // missing: silent, the index stays
    EXPECT_EQ(rig.graph.HistoryLastIndex, 7);
    EXPECT_TRUE(rig.graph.HistoryLines[0].isEmpty());
    rig.Open(rig.Write(QStringLiteral("big.LOG"), GraphRig::Records(100000))); // the first 3360
    EXPECT_EQ(rig.graph.HistoryLastIndex, 3359);
    EXPECT_EQ(rig.graph.HistoryLines[0], u"0,24/05/06 00:00,5,8,3");
    EXPECT_EQ(rig.graph.HistoryLines[3359], u"19,24/05/12 23:57,5,8,3");
    EXPECT_TRUE(rig.graph.HistoryLines[3360].isEmpty());
    EXPECT_FALSE(FileChannels::Instance().IsOpen(1)) << "released at once";
    rig.Open(rig.Write(QStringLiteral("h.LOG"), "a\r\nb")); // no line end at the end
    EXPECT_EQ(rig.graph.HistoryLastIndex, 1);
    EXPECT_EQ(rig.graph.HistoryLines[0] + rig.graph.HistoryLines[1], u"ab");
    // Lines of 10,000 characters keep their first 1024; bytes that are not text are read as
    // they are. Both are drawn safely.
    const QByteArray longLine = "0,24/05/06 00:00," + QByteArray(10000, '7') + ",8,3";
    rig.Open(rig.Write(QStringLiteral("long.LOG"), longLine + "\r\n" + longLine));
    EXPECT_EQ(rig.graph.HistoryLines[1], QString::fromLatin1(longLine.first(1024)));
    rig.Open(rig.Write(QStringLiteral("bin.LOG"), QByteArray("\x00\xff,\x80\r\n\x1a\n", 8)));
    EXPECT_EQ(rig.graph.HistoryLastIndex, 1);
    EXPECT_TRUE(rig.dialogs.messages.empty() && rig.dialogs.busy == 0);
    EXPECT_FALSE(FileChannels::Instance().IsOpen(1));
}

TEST(GraphWindow, ActionsDuringALoadOrDrawing) {
    // 40 records: the load turns the loop twice a record, then the drawing once a record.
    const struct {
        const char* name;
        std::function<void(GraphRig&)> action;
        int turn;
        std::size_t messages;
        bool closes = false;
    } cases[] = {
        {"a check box during the drawing supersedes it",
         [](GraphRig& r) { r.graph.Check3.value = 1, r.graph.Check3_Click(); }, 85, 0},
        {"refresh during the load: file in use, nothing cleared",
         [](GraphRig& r) { r.graph.Command1_Click(); }, 7, 1},
        {"closing during the load stops it and frees the channel",
         [](GraphRig& r) { r.graph.Mnu_File_Quit_Click(); }, 9, 0, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        GraphRig rig;
        const QString path = rig.Write(QStringLiteral("a.LOG"), GraphRig::Records(40));
        rig.events.actions.resize(c.turn);
        rig.events.actions.push_back([&] { c.action(rig); });
        rig.Open(path);
        if (c.closes) {
            EXPECT_FALSE(rig.graph.Loaded());
            EXPECT_EQ(rig.graph.HistoryLastIndex, 0) << "the stopped load set nothing";
            rig.graph.Form_Load(); // opened again, the file is kept
            rig.graph.Command1_Click();
        }
        ASSERT_EQ(rig.dialogs.messages.size(), c.messages);
        EXPECT_TRUE(!c.messages || rig.dialogs.messages[0].text == kInUse);
        EXPECT_TRUE(rig.dialogs.busy == 0 && !FileChannels::Instance().IsOpen(1));
        EXPECT_EQ(QStringLiteral("%1 %2 %3")
                      .arg(rig.graph.HistoryFilePath == path)
                      .arg(rig.graph.HistoryLastIndex)
                      .arg(rig.graph.HistoryLines[0]),
                  u"1 39 0,24/05/06 00:00,5,8,3");
        // One complete drawing, never two mixed.
        GraphRig fresh;
        fresh.graph.HistoryLines = rig.graph.HistoryLines;
        fresh.graph.HistoryLastIndex = rig.graph.HistoryLastIndex;
        fresh.graph.Check3.value = rig.graph.Check3.value;
        fresh.graph.DrawHistoryGraph();
        EXPECT_EQ(rig.Picture(), fresh.Picture());
    }
}

// A 3 MB line costs one kept kilobyte and lets events in as it is read; a quit asked for at
// any turn of the loop ends the load there, with the file closed and nothing drawn.
TEST(LoadHistoryFile, LongLinesDevicesAndQuitting) {
    const QByteArray oneLine = "1,02/03/04 12:00,7,11,3," + QByteArray(3 << 20, 'x');
    const QByteArray longDate = "1," + QByteArray(500, '9') + ",7,11,3\r\n";
    const struct {
        const char* name;
        QByteArray content; // or a device when empty
        int quitAt;         // 0: no quit
        const char* loaded; // "last index, size of line 0"
        int minTurns = 0;
    } cases[] = {
        {"one 3 MB line", oneLine, 0, "0 1024", 40},
        {"one 3 MB line, quit", oneLine, 12, "7 0"},
        {"40 records, quit", GraphRig::Records(40), 7, "7 22"}, // at the fourth record
        {"a long date field", longDate + longDate, 0, "1 509"},
        {"/dev/zero", {}, 0, "7 0"},
        {"CR LF across two pieces", QByteArray(65535, '1') + "\r\nb", 0, "1 1024"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        GraphRig rig;
        rig.graph.HistoryLastIndex = 7;
        // The main window's quit; without one, late, a way out of an endless read.
        rig.events.actions.assign(c.quitAt ? c.quitAt - 1 : 5000, nullptr);
        rig.events.actions.push_back(
            [&] { c.quitAt ? rig.events.Exit() : rig.graph.Form_Unload(); });
        rig.Open(c.content.isEmpty() ? QStringLiteral("/dev/zero")
                                     : rig.Write(QStringLiteral("a.LOG"), c.content));
        EXPECT_EQ(QStringLiteral("%1 %2")
                      .arg(rig.graph.HistoryLastIndex)
                      .arg(rig.graph.HistoryLines[0].size()),
                  QLatin1String(c.loaded));
        EXPECT_FALSE(FileChannels::Instance().IsOpen(1));
        EXPECT_TRUE(rig.dialogs.messages.empty());
        EXPECT_EQ(rig.events.exits, c.quitAt ? 1 : 0);
        EXPECT_GE(rig.events.eventPasses, c.minTurns);
        if (c.quitAt) {
            EXPECT_EQ(rig.events.eventPasses, c.quitAt) << "not a turn more";
            EXPECT_EQ(rig.graph.Picture1.ops.size(), 3u) << "the frame only, nothing drawn";
        }
        // A time-axis label holds at most 20 characters.
        for (const DrawOp& op : rig.graph.Picture1.ops)
            EXPECT_LE(op.text.size(), 20);
    }
}
