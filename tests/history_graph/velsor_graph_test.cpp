// velsor-graph as a user runs it: a process without a display, its exit status, its JSON and
// the images it writes.

#include "support/graph_support.h"

#include <QImage>
#include <QJsonDocument>
#include <QPainter>
#include <QProcess>
#include <QSvgRenderer>

using velsor::testing::GraphRig;

namespace {

int Graph(const QStringList& args, QByteArray* out = nullptr) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QLatin1String(name)); // the tool must find its own way
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(VELSOR_GRAPH_PATH), args);
    p.waitForFinished(30000);
    const QByteArray err = p.readAllStandardError().trimmed();
    if (out)
        *out = p.readAllStandardOutput();
    const int code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    EXPECT_EQ(err.split('\n').last().startsWith("velsor-graph: "), code == 2) << err.data();
    return code;
}

} // namespace

TEST(VelsorGraph, ExitStatusImagesAndJson) {
    GraphRig rig;
    const QString week = rig.Write(QStringLiteral("week.LOG"), GraphRig::Records(3360));
    const QString png = rig.dir.filePath(QStringLiteral("week.png"));
    EXPECT_EQ(Graph({}), 2);
    EXPECT_EQ(Graph({"-o", rig.dir.filePath(QStringLiteral("g.jpg")), week}), 2);
    EXPECT_EQ(Graph({"-o", png, week}), 0);
    // The blue series at 8 of 10 crosses the surface, which starts at (32, 48).
    EXPECT_EQ(QImage(png).pixelColor(32 + 200, 48 + 240 - 8 * 24), QColor(0, 0, 255));
    // JSON: the operations in twips, not rounded to pixels.
    const QString log = rig.Write(QStringLiteral("a.LOG"),
                                  GraphRig::Records(7, 4, 9, 3) + "7,24/05/06 00:21,12,10,2\r\n");
    QByteArray out;
    ASSERT_EQ(Graph({"--json", log}, &out), 0);
    const QJsonValue ops = QJsonDocument::fromJson(out)[QStringLiteral("ops")];
    EXPECT_DOUBLE_EQ(ops[3][QStringLiteral("x2")].toDouble(), 7215.0 / 7);
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
    QFile file(svg);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    EXPECT_LT(text.size(), 300 * 1024);
    // The check boxes and the button take a few dozen; the series a handful, not thousands.
    EXPECT_LT(text.count("<path") + text.count("<polyline"), 100);
    QSvgRenderer drawing(svg);
    ASSERT_TRUE(drawing.isValid());
    QImage image(drawing.viewBox().size(), QImage::Format_RGB32); // one unit a pixel
    image.fill(Qt::white);
    QPainter p(&image);
    drawing.render(&p);
    p.end();
    // Picture1 in pixels, and the rows between it and the check boxes' captions.
    const QRect surface(32, 48, 481, 273), above(0, 42, image.width(), 6);
    int seriesInside = 0, seriesOutside = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c == QColor(0, 0, 255) || c == QColor(255, 0, 0)) {
                seriesInside += surface.contains(x, y);
                seriesOutside += above.contains(x, y);
            }
        }
    }
    EXPECT_GT(seriesInside, 1000);
    EXPECT_EQ(seriesOutside, 0);
}
