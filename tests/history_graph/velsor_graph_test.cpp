// velsor-graph as a user runs it: a process without a display or session, its exit status, its
// silence when all is well, its JSON and the images it writes.

#include "support/captures.h"
#include "support/file_size_limit.h"
#include "support/graph_support.h"
#include "support/tool_run.h"

#include <QImage>
#include <QJsonDocument>
#include <QPainter>
#include <QSvgRenderer>

using velsor::testing::GraphRig;

namespace {

int Graph(const QStringList& args, QByteArray* out = nullptr) {
    const auto run = velsor::testing::RunTool(QStringLiteral(VELSOR_GRAPH_PATH), args);
    if (out)
        *out = run.out;
    // One line on error, nothing otherwise.
    EXPECT_TRUE(run.code == 2 ? run.err.count('\n') == 1 && run.err.startsWith("velsor-graph: ")
                              : run.err.isEmpty())
        << run.err.data();
    return run.code;
}

} // namespace

TEST(VelsorGraph, ExitStatusImagesJsonAndAFullDisk) {
    GraphRig rig;
    const QString week = rig.Write(QStringLiteral("week.LOG"), GraphRig::Records(3360));
    const QString png = rig.dir.filePath(QStringLiteral("week.png"));
    EXPECT_EQ(Graph({}), 2);
    EXPECT_EQ(Graph({"-o", rig.dir.filePath(QStringLiteral("g.jpg")), week}), 2);
    EXPECT_EQ(Graph({"-o", png, week}), 0);
    // The blue series at 8 of 10 crosses the surface, which starts at (32, 48).
    EXPECT_EQ(QImage(png).pixelColor(32 + 200, 48 + 240 - 8 * 24), QColor(0, 0, 255));
    EXPECT_EQ(QImage(png).pixelColor(223, 25), QColor(Qt::white)) << "Check1 on the window's";
    // JSON: the operations in twips, not rounded to pixels.
    const QString log = rig.Write(QStringLiteral("a.LOG"),
                                  GraphRig::Records(7, 4, 9, 3) + "7,24/05/06 00:21,12,10,2\r\n");
    QByteArray out;
    ASSERT_EQ(Graph({"--json", "-o", rig.dir.filePath(QStringLiteral("a.svg")), log}, &out), 0);
    const QJsonValue ops = QJsonDocument::fromJson(out)[QStringLiteral("ops")];
    EXPECT_DOUBLE_EQ(ops[3][QStringLiteral("x2")].toDouble(), 7215.0 / 7);

    // A disk that fills while the image is written is told, and an earlier file of that name is
    // left as it was: no cut image reported as saved.
    for (const char* ext : {"png", "pdf", "svg"}) {
        SCOPED_TRACE(ext);
        const QString out = rig.Write(QStringLiteral("old.") + QLatin1String(ext), "old");
        {
            velsor::testing::FileSizeLimit full(2000);
            EXPECT_EQ(Graph({"--series", "used,view,fix", "-o", out, week}), 2);
        }
        EXPECT_EQ(velsor::testing::FileBytes(out), "old");
        for (const QString& f : QDir(rig.dir.path()).entryList(QDir::Files))
            EXPECT_TRUE(!f.startsWith(u"old.") || f.size() == 7) << "left: " << f.toStdString();
    }
}

// A drawing shows what the image shows: series above 10 end at the surface's edge, not over
// the notes and the check boxes above it; a week's series are a few polylines.
TEST(VelsorGraph, ADrawingIsCutToTheSurfaceAndStaysSmall) {
    GraphRig rig;
    // Every other record far above the scale: steep lines out of the top and back.
    QList<QByteArray> records = GraphRig::Records(3360).split('\n');
    for (qsizetype i = 1; i < records.size(); i += 2)
        records[i].replace(",5,8,3\r", ",25,30,3\r");
    const QString week = rig.Write(QStringLiteral("week.LOG"), records.join('\n'));
    const QString svg = rig.dir.filePath(QStringLiteral("week.svg"));
    ASSERT_EQ(Graph({"--series", "used,view,fix", "-o", svg, week}), 0);
    const QByteArray text = velsor::testing::FileBytes(svg);
    // The check boxes and the button take a few dozen elements; the series a handful.
    EXPECT_TRUE(text.size() < 300 * 1024 && text.count("<path") + text.count("<polyline") < 100);
    QImage image(QSvgRenderer(svg).viewBox().size(), QImage::Format_RGB32); // a unit a pixel
    image.fill(Qt::white);
    QPainter p(&image);
    QSvgRenderer(svg).render(&p);
    int outside = 0; // between the check boxes' captions and the surface, which starts at y 48
    for (int x = 0; x < image.width(); ++x)
        for (int y = 42; y < 48; ++y)
            outside += image.pixelColor(x, y) == Qt::red || image.pixelColor(x, y) == Qt::blue;
    EXPECT_EQ(std::pair(outside, image.pixelColor(232, 100)), std::pair(0, QColor(Qt::red)));
}
