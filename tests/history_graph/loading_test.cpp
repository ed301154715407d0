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

// At most 3360 lines are read, each ending at its line end or the file's end and keeping its
// first 1024 characters, bytes that are not text as they are; a missing file or a device
// loads nothing, silently. A 3 MB line costs one kept kilobyte and lets events in as it is
// read; a quit asked for at any turn of the loop ends the load there, with the file closed and
// nothing drawn.
TEST(LoadHistoryFile, WhatIsReadLongLinesDevicesAndQuitting) {
    const QByteArray oneLine = "1,02/03/04 12:00,7,11,3," + QByteArray(3 << 20, 'x');
    const QByteArray longDate = "1," + QByteArray(500, '9') + ",7,11,3\r\n";
    const struct {
        const char* name;
        QByteArray content; // or, starting with "/", a path
        int quitAt;         // 0: no quit
        const char* loaded; // last index, size of line 0, the last line's first 24 characters
        int minTurns = 0;
    } cases[] = {
        {"100000 records", GraphRig::Records(100000), 0, "3359 22 19,24/05/12 23:57,5,8,3"},
        {"bytes that are not text", QByteArray("\x00\xff,\x80\r\n\x1a\n", 8), 0, "1 4 \x1a"},
        {"one 3 MB line", oneLine, 0, "0 1024 1,02/03/04 12:00,7,11,3,", 40},
        {"one 3 MB line, quit", oneLine, 12, "7 0 "},
        {"40 records, quit", GraphRig::Records(40), 7, "7 22 "}, // at the fourth record
        {"a long date field", longDate + longDate, 0, "1 509 1,9999999999999999999999"},
        {"CR LF across two pieces", QByteArray(65535, '1') + "\r\nb", 0, "1 1024 b"},
        {"missing", "/proc/velsor-missing.LOG", 0, "7 0 "},
        {"a device", "/dev/zero", 0, "7 0 "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        GraphRig rig;
        rig.graph.HistoryLastIndex = 7;
        rig.graph.HistoryLines[0] = QStringLiteral("old");
        // The main window's quit; without one, late, a way out of an endless read.
        rig.events.actions.assign(c.quitAt ? c.quitAt - 1 : 10000, nullptr);
        rig.events.actions.push_back(
            [&] { c.quitAt ? rig.events.Exit() : rig.graph.Form_Unload(); });
        rig.Open(c.content.startsWith('/') ? QString::fromLatin1(c.content)
                                           : rig.Write(QStringLiteral("a.LOG"), c.content));
        const int L = rig.graph.HistoryLastIndex;
        EXPECT_EQ(QStringLiteral("%1 %2 %3")
                      .arg(L)
                      .arg(rig.graph.HistoryLines[0].size())
                      .arg(rig.graph.HistoryLines[L].left(24))
                      .toStdString(),
                  c.loaded);
        EXPECT_TRUE(rig.graph.HistoryLines[L + 1].isEmpty());
        EXPECT_FALSE(FileChannels::Instance().IsOpen(1));
        EXPECT_TRUE(rig.dialogs.messages.empty());
        EXPECT_EQ(rig.events.exits, c.quitAt ? 1 : 0);
        EXPECT_GE(rig.events.eventPasses, c.minTurns);
        if (c.quitAt) {
            EXPECT_EQ(rig.events.eventPasses, c.quitAt) << "not a turn more";
            EXPECT_EQ(rig.graph.Picture1.ops.size(), 3u) << "the frame only, nothing drawn";
        } else {
            EXPECT_EQ(rig.dialogs.busy, 0);
        }
        // A time-axis label holds at most 20 characters.
        for (const DrawOp& op : rig.graph.Picture1.ops)
            EXPECT_LE(op.text.size(), 20);
    }
}
