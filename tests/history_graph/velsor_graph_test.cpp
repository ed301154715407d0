// velsor-graph as a user runs it: a process without a display, its exit status, its JSON and
// the images it writes.

#include "support/graph_support.h"

#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

using velsor::testing::GraphRig;

namespace {

struct Result {
    int code = -1;
    QByteArray out, err;
};

Result Graph(const QStringList& args) {
    QProcess p;
    // As on a machine without a display: the tool must find its own way.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QLatin1String(name));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(VELSOR_GRAPH_PATH), args);
    p.waitForFinished(30000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
            p.readAllStandardError()};
}

} // namespace

TEST(VelsorGraph, ExitStatusImagesAndJson) {
    GraphRig rig;
    const QString week = rig.Write(QStringLiteral("week.LOG"), GraphRig::Records(3360));
    const QString empty = rig.Write(QStringLiteral("empty.LOG"), QByteArray());
    auto out = [&](const char* name) { return rig.dir.filePath(QLatin1String(name)); };
    const struct {
        QStringList args;
        int code;
        const char* image; // written when the run succeeds
    } cases[] = {
        {{}, 2, nullptr},
        {{out("none.LOG")}, 2, nullptr},
        {{"--series", "used,sky", week}, 2, nullptr},
        {{"-o", out("g.jpg"), week}, 2, nullptr},
        {{week, week}, 2, nullptr},
        {{"-o", out("week.png"), week}, 0, "week.png"},
        {{"--series", "fix", "-o", out("week.svg"), week}, 0, "week.svg"},
        {{"-o", out("empty.png"), empty}, 0, "empty.png"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(u' ').toStdString());
        const Result r = Graph(c.args);
        EXPECT_EQ(r.code, c.code);
        const QByteArray said = r.err.trimmed().split('\n').last();
        EXPECT_EQ(said.startsWith("velsor-graph: "), c.code == 2) << said.toStdString();
        EXPECT_EQ(c.image && QFileInfo(out(c.image)).size() > 0, c.code == 0);
    }
    const QImage png(out("week.png"));
    EXPECT_EQ(png.size(), QSize(538, 381));
    // The blue series at 8 of 10 crosses the surface, which starts at (32, 48).
    EXPECT_EQ(png.pixelColor(32 + 200, 48 + 240 - 8 * 24), QColor(0, 0, 255));
    // JSON: the operations in twips, not rounded to pixels; used and in view by default.
    const QString log = rig.Write(QStringLiteral("a.LOG"),
                                  GraphRig::Records(7, 4, 9, 3) + "7,24/05/06 00:21,12,10,2\r\n");
    const Result r = Graph({"--json", log});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QJsonObject doc = QJsonDocument::fromJson(r.out).object();
    EXPECT_EQ(doc[QStringLiteral("HistoryLastIndex")].toInt(), 7);
    const QJsonArray ops = doc[QStringLiteral("ops")].toArray();
    EXPECT_EQ(ops.size(), 3 + 14 + 2) << "used and in view by default";
    EXPECT_EQ(QJsonDocument(ops[0].toObject()).toJson(QJsonDocument::Compact),
              R"({"color":"#000000","op":"line","x1":0,"x2":7215,"y1":3595,"y2":3595})");
    // Not rounded to pixels: record 1 at 7215/7.
    EXPECT_DOUBLE_EQ(ops[3].toObject()[QStringLiteral("x2")].toDouble(), 7215.0 / 7);
    EXPECT_DOUBLE_EQ(ops[16].toObject()[QStringLiteral("y2")].toDouble(), 3595 - 359.5 * 12);
}
