// velsor-graph as a user runs it: a process without a display, its exit status, its JSON and
// the images it writes.

#include "support/graph_support.h"

#include <QImage>
#include <QJsonDocument>
#include <QProcess>

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
