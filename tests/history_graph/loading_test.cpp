// LoadHistoryFile through channel 1, the window's handlers, and what happens when the user
// acts while a load or drawing lets events through.

#include "nav/file_channels.h"
#include "support/graph_support.h"

using namespace velsor;
using velsor::testing::GraphRig;

namespace {

const QString kInUse =
    QStringLiteral("現在ファイル使用中につき、読み込みできません。再度、実行してください。");

int CountOf(const std::vector<DrawOp>& ops, Rgb color) {
    return static_cast<int>(
        std::count_if(ops.begin(), ops.end(), [&](const DrawOp& op) { return op.color == color; }));
}

} // namespace

TEST(LoadHistoryFile, ReadsWhatTheFileHolds) {
    struct Case {
        const char* name;
        QByteArray content; // null: no file
        int lastBefore;
        int last;
        QString line0, lastLine;
    };
    const QByteArray longLine = "0,24/05/06 00:00,5,8,3," + QByteArray(10000, 'x');
    const std::vector<Case> cases = {
        {"one line", "0,24/05/06 00:00,5,8,3\r\n", 7, 0, "0,24/05/06 00:00,5,8,3", {}},
        {"no line end at the end", "a\r\nb", 7, 1, "a", "b"},
        {"3360 lines or more: the first 3360", GraphRig::Records(3365), 0, 3359,
         "0,24/05/06 00:00,5,8,3", "19,24/05/12 23:57,5,8,3"},
        {"100,000 lines: still only 3360 read", GraphRig::Records(100000), 0, 3359,
         "0,24/05/06 00:00,5,8,3", "19,24/05/12 23:57,5,8,3"},
        {"lines of 10,000 characters are kept whole", longLine + "\r\n" + longLine, 0, 1,
         QString::fromLatin1(longLine), QString::fromLatin1(longLine)},
        {"binary bytes survive one to one",
         QByteArray("\x00\xff\x80,\x01", 5),
         3,
         0,
         QString::fromLatin1(QByteArray("\x00\xff\x80,\x01", 5)),
         {}},
        {"an empty file leaves the last index", "", 7, 7, {}, {}},
        {"a missing file: silent, the index stays", QByteArray(), 7, 7, {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        GraphRig rig;
        rig.graph.HistoryLastIndex = static_cast<std::int16_t>(c.lastBefore);
        rig.graph.HistoryLines[0] = QStringLiteral("old");
        const QString path = c.content.isNull() ? rig.dir.filePath(QStringLiteral("none.LOG"))
                                                : rig.Write(QStringLiteral("h.LOG"), c.content);
        rig.Open(path);
        EXPECT_EQ(rig.graph.HistoryFilePath, path);
        EXPECT_EQ(rig.graph.HistoryLastIndex, c.last);
        EXPECT_EQ(rig.graph.HistoryLines[0], c.line0);
        if (!c.lastLine.isEmpty()) {
            EXPECT_EQ(rig.graph.HistoryLines[c.last], c.lastLine);
        }
        EXPECT_TRUE(rig.graph.HistoryLines[3360].isEmpty());
        EXPECT_TRUE(rig.dialogs.messages.empty());
        EXPECT_FALSE(FileChannels::Instance().IsOpen(1)) << "released at once";
        EXPECT_EQ(rig.dialogs.busy, 0);
    }
}

TEST(LoadHistoryFile, TheOpenDialogAndCancelling) {
    GraphRig rig;
    const QString path = rig.Write(QStringLiteral("a.LOG"), GraphRig::Records(30));
    rig.Open(path);
    const auto before = rig.graph.Picture1.ops.size();
    ASSERT_GT(before, 3u);
    rig.Open(QString()); // cancelled
    EXPECT_EQ(rig.graph.HistoryFilePath, path);
    EXPECT_EQ(rig.graph.HistoryLastIndex, 29);
    EXPECT_EQ(rig.graph.Picture1.ops.size(), before);
    const auto& o = rig.dialogs.fileDialogs.front();
    EXPECT_EQ(o.title, u"ﾌｧｲﾙを開く");
    EXPECT_EQ(o.defaultExt, u"LOG");
    EXPECT_EQ(o.filter, u"LOGﾌｧｲﾙ(*.LOG)|*.LOG|");
    EXPECT_FALSE(o.fileMustExist);
}

TEST(LoadHistoryFile, AHeldChannelGivesTheFileInUseMessage) {
    GraphRig rig;
    const QString other = rig.Write(QStringLiteral("other.txt"), "x\r\n");
    ASSERT_EQ(FileChannels::Instance().Open(1, other, FileChannels::Mode::Input), 0);
    rig.Open(rig.Write(QStringLiteral("a.LOG"), GraphRig::Records(5)));
    FileChannels::Instance().Close(1);
    ASSERT_EQ(rig.dialogs.messages.size(), 1u);
    EXPECT_EQ(rig.dialogs.messages[0].text, kInUse);
    EXPECT_EQ(rig.dialogs.messages[0].title, u"Velsor GPS Analyzer");
    EXPECT_EQ(rig.dialogs.messages[0].icon, platform::MsgIcon::Exclamation);
    EXPECT_EQ(rig.dialogs.busy, 0) << "the drawing after it resets the pointer";
}

TEST(GraphWindow, RefreshPicksUpRecordsAddedSince) {
    GraphRig rig;
    const QString path = rig.Write(QStringLiteral("a.LOG"), GraphRig::Records(10));
    rig.Open(path);
    EXPECT_EQ(rig.graph.HistoryLastIndex, 9);
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::Append));
    f.write("10,24/05/06 00:30,7,9,3\r\n");
    f.close();
    rig.graph.Command1_Click();
    EXPECT_EQ(rig.graph.HistoryLastIndex, 10);
    EXPECT_EQ(rig.graph.Picture1.ops.back().text, u"24/05/06 00:30");
}

TEST(GraphWindow, ReopeningStartsFromTheDesignStateButKeepsTheFile) {
    GraphRig rig;
    rig.Open(rig.Write(QStringLiteral("a.LOG"), GraphRig::Records(25)));
    rig.graph.Check3.value = 1;
    rig.graph.Check1.value = 0;
    rig.graph.Mnu_File_Quit_Click();
    EXPECT_FALSE(rig.graph.Loaded());
    rig.graph.Form_Load();
    EXPECT_EQ(rig.graph.Check1.value, 1);
    EXPECT_EQ(rig.graph.Check2.value, 1);
    EXPECT_EQ(rig.graph.Check3.value, 0);
    EXPECT_EQ(rig.graph.Picture1.ops.size(), 3u) << "the frame only";
    rig.graph.Check2_Click();
    EXPECT_EQ(CountOf(rig.graph.Picture1.ops, RGB(0, 0, 255)), 24) << "the kept file";
}

// What a user may do while a long load or drawing lets events through.
TEST(GraphWindow, ActionsDuringALoadOrDrawing) {
    struct Case {
        const char* name;
        std::function<void(GraphRig&)> action; // run at the chosen turn of the loop
        int turn;
        int messages;
    };
    const std::vector<Case> cases = {
        {"a check box during the drawing supersedes it",
         [](GraphRig& r) {
             r.graph.Check3.value = 1;
             r.graph.Check3_Click();
         },
         // A turn inside the blue walk of the drawing that follows the load.
         2 * 40 + 5, 0},
        {"a check box during the load draws what is there; the load's own drawing follows",
         [](GraphRig& r) {
             r.graph.Check3.value = 1;
             r.graph.Check3_Click();
         },
         7, 0},
        {"refresh during the load: file in use, nothing cleared",
         [](GraphRig& r) { r.graph.Command1_Click(); }, 7, 1},
        {"open during the load: file in use, the path kept",
         [](GraphRig& r) {
             r.dialogs.files.push_back(r.dir.filePath(QStringLiteral("b.LOG")));
             r.graph.Mnu_File_Open_Click();
         },
         7, 1},
        {"a refresh during the drawing loads and draws anew",
         [](GraphRig& r) { r.graph.Command1_Click(); }, 2 * 40 + 5, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        GraphRig rig;
        const QString path = rig.Write(QStringLiteral("a.LOG"), GraphRig::Records(40, 5, 8, 3));
        rig.events.actions.resize(c.turn);
        rig.events.actions.push_back([&] { c.action(rig); });
        rig.Open(path);
        EXPECT_EQ(rig.dialogs.messages.size(), static_cast<std::size_t>(c.messages));
        EXPECT_EQ(rig.graph.HistoryFilePath, path);
        EXPECT_EQ(rig.graph.HistoryLastIndex, 39);
        EXPECT_EQ(rig.graph.HistoryLines[0], u"0,24/05/06 00:00,5,8,3");
        EXPECT_FALSE(FileChannels::Instance().IsOpen(1));
        // One complete drawing, never two mixed: the frame once, each series once.
        GraphRig fresh;
        fresh.graph.HistoryLines = rig.graph.HistoryLines;
        fresh.graph.HistoryLastIndex = rig.graph.HistoryLastIndex;
        fresh.graph.Check3.value = rig.graph.Check3.value;
        fresh.graph.DrawHistoryGraph();
        ASSERT_EQ(rig.graph.Picture1.ops.size(), fresh.graph.Picture1.ops.size());
        for (std::size_t i = 0; i < fresh.graph.Picture1.ops.size(); ++i) {
            EXPECT_EQ(rig.graph.Picture1.ops[i].x2, fresh.graph.Picture1.ops[i].x2) << i;
            EXPECT_EQ(rig.graph.Picture1.ops[i].color, fresh.graph.Picture1.ops[i].color) << i;
        }
    }
}

TEST(GraphWindow, ClosingDuringALoadReleasesTheChannelAndStopsIt) {
    GraphRig rig;
    const QString path = rig.Write(QStringLiteral("a.LOG"), GraphRig::Records(40));
    rig.events.actions.resize(9);
    rig.events.actions.push_back([&] { rig.graph.Mnu_File_Quit_Click(); });
    rig.Open(path);
    EXPECT_FALSE(FileChannels::Instance().IsOpen(1));
    EXPECT_FALSE(rig.graph.Loaded());
    EXPECT_EQ(rig.graph.HistoryLastIndex, 0) << "the stopped load set nothing";
    EXPECT_EQ(rig.dialogs.busy, 0);
    // The channel is free for the recorder and for the next load.
    rig.graph.Form_Load();
    rig.graph.Command1_Click();
    EXPECT_EQ(rig.graph.HistoryLastIndex, 39);
}
