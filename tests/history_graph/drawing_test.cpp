// DrawHistoryGraph on the display list: frame, ticks, series and labels.

#include "support/graph_support.h"

using namespace velsor;
using velsor::testing::GraphRig;

namespace {

constexpr Rgb kBlue = RGB(0, 0, 255), kRed = RGB(255, 0, 0), kGreen = RGB(0, 255, 0);
constexpr double W = 7215, H = 4095, U = (H - 500) / 10;

struct Text {
    double x, y;
    QString text;
    friend bool operator==(const Text&, const Text&) = default;
};

// The values of a series' points, from its segments.
std::vector<double> Values(const PictureBox& p, Rgb color) {
    std::vector<double> v;
    for (const DrawOp& op : p.ops) {
        if (op.kind != DrawOp::Kind::Line || op.color != color)
            continue;
        if (v.empty())
            v.push_back((H - 500 - op.y1) / U);
        v.push_back((H - 500 - op.y2) / U);
    }
    return v;
}

std::vector<double> TickXs(const PictureBox& p) {
    std::vector<double> xs;
    for (const DrawOp& op : p.ops) {
        if (op.kind == DrawOp::Kind::Line && op.color == kBlack && op.y1 == H - 500 &&
            op.y2 == H - 400)
            xs.push_back(op.x1);
    }
    return xs;
}

std::vector<Text> Texts(const PictureBox& p) {
    std::vector<Text> t;
    for (const DrawOp& op : p.ops) {
        if (op.kind == DrawOp::Kind::Text)
            t.push_back({op.x1, op.y1, op.text});
    }
    return t;
}

QString Date(int i) {
    return QStringLiteral("24/05/06 00:%1").arg(i, 2, 10, QLatin1Char('0'));
}

QStringList Numbered(int count) {
    QStringList r;
    for (int i = 0; i < count; ++i)
        r << QStringLiteral("%1,%2,5,8,3").arg(i).arg(Date(i));
    return r;
}

// The first and last labels; a null text is a label that cannot be cut out.
std::vector<Text> Ends(const char* first, const char* last) {
    std::vector<Text> t;
    if (first)
        t.push_back({0, H - 380, QString::fromLatin1(first)});
    if (last)
        t.push_back({W - 1150, H - 380, QString::fromLatin1(last)});
    return t;
}

struct DrawCase {
    const char* name;
    QStringList records;
    int last; // HistoryLastIndex
    std::array<int, 3> checks;
    std::vector<double> ticks;
    std::vector<Text> texts;
    std::vector<double> blue, red, green;
};

} // namespace

TEST(DrawHistoryGraph, FollowsTheRecords) {
    const double S6 = W / 6;
    const std::vector<DrawCase> cases = {
        {"18 records after the first: no ticks, first and last label only",
         Numbered(19),
         18,
         {1, 1, 0},
         {},
         {{0, H - 380, Date(0)}, {W - 1150, H - 380, Date(18)}},
         std::vector<double>(19, 8),
         std::vector<double>(19, 5),
         {}},
        {"19: five ticks and labels of records 3, 6, 9, 12, 15 in two rows",
         Numbered(20),
         19,
         {0, 0, 0},
         {S6, 2 * S6, 3 * S6, 4 * S6, 5 * S6},
         {{0, H - 380, Date(0)},
          {S6 - 600, H - 200, Date(3)},
          {2 * S6 - 600, H - 380, Date(6)},
          {3 * S6 - 600, H - 200, Date(9)},
          {4 * S6 - 600, H - 380, Date(12)},
          {5 * S6 - 600, H - 200, Date(15)},
          {W - 1150, H - 380, Date(19)}},
         {},
         {},
         {}},
        {"one record: the walks end at once, record 0 labels both ends",
         Numbered(1),
         0,
         {1, 1, 1},
         {},
         {{0, H - 380, Date(0)}, {W - 1150, H - 380, Date(0)}},
         {},
         {},
         {}},
        {"10 lies on the top edge, 12 above it, used as in view",
         {"0,a,10,12,3", "1,b,12,10,3"},
         1,
         {1, 1, 0},
         {},
         Ends("a", "b"),
         {12, 10},
         {10, 12},
         {}},
        {"an empty line: the used series ends there, the others drop to 0",
         {"0,d,5,8,3", "1,d,6,9,2", "", "3,d,7,10,3"},
         3,
         {1, 1, 1},
         {},
         Ends("d", "d"),
         {8, 9, 0, 10},
         {5, 6},
         {3, 2, 0, 3}},
        {"too few fields read the last one, or the whole line",
         {"7", "0,d,5", "x,y,z,w", "1,d,,,"},
         3,
         {1, 1, 1},
         {},
         Ends(nullptr, "d"),
         {7, 5, 0, 0},
         {7, 5, 0, 0},
         {7, 5, 0, 0}},
        {"all boxes cleared: frame and labels only",
         Numbered(3),
         2,
         {0, 0, 0},
         {},
         {{0, H - 380, Date(0)}, {W - 1150, H - 380, Date(2)}},
         {},
         {},
         {}},
        {"values: two digits when both are digits, else the first; 0 and others give 0",
         {"0,d,0,9x,1", "1,d,05,1a,3", "1,d, 4,123,-2"},
         2,
         {1, 1, 1},
         {},
         Ends("d", "d"),
         {9, 1, 12},
         {0, 0, 0},
         {1, 3, 0}},
    };
    for (const DrawCase& c : cases) {
        SCOPED_TRACE(c.name);
        GraphRig rig;
        for (int i = 0; i < c.records.size(); ++i)
            rig.graph.HistoryLines[i] = c.records[i];
        rig.graph.HistoryLastIndex = static_cast<std::int16_t>(c.last);
        rig.graph.Check1.value = c.checks[0];
        rig.graph.Check2.value = c.checks[1];
        rig.graph.Check3.value = c.checks[2];
        rig.graph.DrawHistoryGraph();
        const PictureBox& p = rig.graph.Picture1;
        EXPECT_EQ(TickXs(p), c.ticks);
        EXPECT_EQ(Texts(p), c.texts);
        EXPECT_EQ(Values(p, kBlue), c.blue);
        EXPECT_EQ(Values(p, kRed), c.red);
        EXPECT_EQ(Values(p, kGreen), c.green);
        EXPECT_EQ(rig.dialogs.busy, 0) << "the pointer is back to normal";
    }
}

TEST(DrawHistoryGraph, FrameFirstThenBlueRedGreenAcrossTheWholeWidth) {
    GraphRig rig;
    for (int i = 0; i < 4; ++i)
        rig.graph.HistoryLines[i] = QStringLiteral("0,24/05/06 00:00,4,6,3");
    rig.graph.HistoryLastIndex = 3;
    rig.graph.Check3.value = 1;
    rig.graph.DrawHistoryGraph();
    const auto& ops = rig.graph.Picture1.ops;
    ASSERT_EQ(ops.size(), 3u + 3 * 3 + 2);
    // The frame: time axis, left edge, right edge.
    EXPECT_EQ(ops[0].y1, H - 500);
    EXPECT_EQ(ops[0].x2, W);
    EXPECT_EQ(ops[1].y2, H - 400);
    EXPECT_EQ(ops[2].x1, W - 15);
    QList<Rgb> order;
    for (std::size_t i = 3; i < 12; ++i)
        order << ops[i].color;
    EXPECT_EQ(order, (QList<Rgb>{kBlue, kBlue, kBlue, kRed, kRed, kRed, kGreen, kGreen, kGreen}));
    // Record i at i·W/L: the walk starts at the left edge and ends at the right one.
    EXPECT_EQ(ops[3].x1, 0);
    EXPECT_DOUBLE_EQ(ops[5].x2, W);
}

TEST(DrawHistoryGraph, NothingLoadedShowsTheBareFrame) {
    GraphRig rig;
    rig.graph.Check1_Click();
    EXPECT_EQ(rig.graph.Picture1.ops.size(), 3u);
    rig.graph.Command1_Click(); // no file yet: nothing happens
    EXPECT_TRUE(rig.dialogs.messages.empty());
    EXPECT_EQ(rig.graph.Picture1.ops.size(), 3u);
}
