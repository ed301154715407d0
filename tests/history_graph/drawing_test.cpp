// DrawHistoryGraph on the display list: frame, ticks, series and labels.

#include "support/graph_support.h"

using namespace velsor;
using velsor::testing::GraphRig;

namespace {

constexpr double H = 4095;

// After the three frame lines, in drawing order: "tick X", a series as its colour and the
// values of its points on its scale (the counts' or the fix levels' 0 to 10), "text X Y TEXT".
QString Describe(const std::vector<DrawOp>& ops, int countScale) {
    QStringList parts;
    Rgb series{};
    for (std::size_t i = 3; i < ops.size(); ++i) {
        const DrawOp& op = ops[i];
        if (op.kind == DrawOp::Kind::Text) {
            parts << QStringLiteral("text %1 %2 %3").arg(op.x1).arg(op.y1).arg(op.text);
        } else if (op.color == kBlack) {
            parts << QStringLiteral("tick %1").arg(op.x1);
        } else {
            const double U = (H - 500) / (op.color == RGB(0, 255, 0) ? 10 : countScale);
            if (parts.isEmpty() || op.color != series || !parts.last().startsWith(u'#'))
                parts << ColorText(op.color) + QStringLiteral(" %1").arg((H - 500 - op.y1) / U);
            parts.last() += QStringLiteral(" %1").arg((H - 500 - op.y2) / U);
            series = op.color;
        }
    }
    return parts.join(QStringLiteral(" | "));
}

QStringList Numbered(int count) {
    QStringList r;
    for (int i = 0; i < count; ++i)
        r << QStringLiteral("%1,d%1,5,8,3").arg(i);
    return r;
}

// A graph of the records, the last one HistoryLastIndex, with the check boxes at `checks`.
void Draw(GraphRig& rig, const QStringList& records, int checks) {
    for (int i = 0; i < records.size(); ++i)
        rig.graph.HistoryLines[i] = records[i];
    rig.graph.HistoryLastIndex = static_cast<std::int16_t>(records.size() - 1);
    rig.graph.Check1.value = rig.graph.Check2.value = rig.graph.Check3.value = checks;
    rig.graph.DrawHistoryGraph();
}

} // namespace

TEST(DrawHistoryGraph, FollowsTheRecords) {
    const struct {
        const char* name;
        QStringList records; // the last one is HistoryLastIndex
        const char* picture; // every series shown, none for the long tables
    } cases[] = {
        {"19: five ticks, labels of records 3 to 15 in two rows", Numbered(20),
         "tick 1202.5 | tick 2405 | tick 3607.5 | tick 4810 | tick 6012.5 | text 0 3715 d0 | "
         "text 602.5 3895 d3 | text 1805 3715 d6 | text 3007.5 3895 d9 | text 4210 3715 d12 | "
         "text 5412.5 3895 d15 | text 6065 3715 d19"},
        {"18: no ticks, the first and last labels", Numbered(19),
         "text 0 3715 d0 | text 6065 3715 d18"},
        {"0: one record, no lines", {"0,a,5,8,3"}, "text 0 3715 a | text 6065 3715 a"},
        {"too few fields",
         {"0,a,5,8,3", "1,b,6", "2,c"},
         "#0000ff 8 6 0 | #ff0000 5 6 0 | #00ff00 3 6 0 | text 0 3715 a"},
        {"blue, red, green; 10 on the top edge, 12 above, used as in view",
         {"0,a,10,12,1", "1,b,12,10,3"},
         "#0000ff 12 10 | #ff0000 10 12 | #00ff00 1 3 | text 0 3715 a | text 6065 3715 b"},
        {"an empty line: used ends there, the others drop to 0",
         {"0,d,5,8,3", "1,d,6,9,2", "", "3,d,7,10,3"},
         "#0000ff 8 9 0 10 | #ff0000 5 6 | #00ff00 3 2 0 3 | text 0 3715 d | text 6065 3715 d"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        GraphRig rig;
        Draw(rig, c.records, c.records.size() >= 19 ? 0 : 1);
        const auto& ops = rig.graph.Picture1.ops;
        ASSERT_GE(ops.size(), 3u);
        EXPECT_EQ(Describe(ops, rig.graph.CountScale), QLatin1String(c.picture));
        EXPECT_EQ(rig.dialogs.busy, 0) << "the pointer is back to normal";
    }
}

// Counts within 10 keep the 0 to 10 scale of both columns; a larger count takes the left
// column to the next multiple of 10, and the right column then names the fix levels.
TEST(DrawHistoryGraph, ScaleReachesTheLargestCount) {
    const std::tuple<QStringList, int, const char*> cases[] = {
        // The scale, and the left column top to bottom.
        {{"0,a,10,10,3", "1,b,4,9,3"}, 10, "10 9 8 7 6 5 4 3 2 1 0"},
        {{"0,a,9,11,3", "1,b,4,9,3"}, 20, "20 18 16 14 12 10 8 6 4 2 0"},
        {{"0,a,28,40,3", "1,b,29,40,3"}, 40, "40 36 32 28 24 20 16 12 8 4 0"},
        {{"0,a,41,12,3", ""}, 50, "50 45 40 35 30 25 20 15 10 5 0"},
        // Fields are read two digits at most: 123 is 12.
        {{"0,a,12,99,3", "1,b,4,123,3"}, 100, "100 90 80 70 60 50 40 30 20 10 0"},
    };
    for (const auto& [records, scale, left] : cases) {
        SCOPED_TRACE(scale);
        GraphRig rig;
        Draw(rig, records, 1);
        EXPECT_EQ(rig.graph.CountScale, scale);
        QStringList captions, right; // the right column's texts and tops
        for (int k = 0; k <= 10; ++k)
            captions << rig.graph.Label3[k].caption;
        for (int k = 11; k <= 13; ++k)
            right << QStringLiteral("%1@%2")
                         .arg(rig.graph.Label3[k].caption)
                         .arg(rig.graph.Label3[k].top);
        EXPECT_EQ(captions.join(u' '), QLatin1String(left));
        EXPECT_EQ(right.join(u' '),
                  scale == 10 ? u"5@2400 10@600 0@4200" : u"1@3840 2@3480 3@3120");
        EXPECT_EQ(rig.graph.Label3[0].width, scale >= 100 ? 345 : 255);
        // The largest count reaches the top edge or stays below it: nothing is cut off.
        for (const DrawOp& op : rig.graph.Picture1.ops)
            EXPECT_GE(std::min(op.y1, op.y2), 0) << ColorText(op.color).toStdString();
    }
}
