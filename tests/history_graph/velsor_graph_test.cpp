// velsor-graph as a user runs it: a process without a display, its exit status, its JSON and
// the images it writes.

#include "support/graph_support.h"

#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>

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
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(VELSOR_GRAPH_PATH), args);
    p.waitForFinished(30000);
    Result r;
    r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

} // namespace

TEST(VelsorGraph, RefusesBadArgumentsAndUnreadableFilesWithOneLine) {
    GraphRig rig;
    const QString log = rig.Write(QStringLiteral("a.LOG"), GraphRig::Records(5));
    const std::vector<std::pair<const char*, QStringList>> cases = {
        {"no file", {}},
        {"a missing file", {rig.dir.filePath(QStringLiteral("none.LOG"))}},
        {"a folder", {rig.dir.path()}},
        {"an unknown series", {QStringLiteral("--series"), QStringLiteral("used,sky"), log}},
        {"--series without a list", {QStringLiteral("--series")}},
        {"an unknown option", {QStringLiteral("--colour"), log}},
        {"an output that is no image", {QStringLiteral("-o"), QStringLiteral("g.jpg"), log}},
        {"two files", {log, log}},
        {"an output that cannot be written",
         {QStringLiteral("-o"), rig.dir.filePath(QStringLiteral("no/dir/g.png")), log}},
    };
    for (const auto& [name, args] : cases) {
        SCOPED_TRACE(name);
        const Result r = Graph(args);
        EXPECT_EQ(r.code, 2);
        EXPECT_TRUE(r.out.isEmpty());
        const QByteArray line = r.err.trimmed().split('\n').last();
        EXPECT_TRUE(line.startsWith("velsor-graph: ")) << r.err.toStdString();
    }
}

TEST(VelsorGraph, JsonListsTheOperationsInTwips) {
    GraphRig rig;
    QByteArray content = GraphRig::Records(7, 4, 9, 3);
    content += "7,24/05/06 00:21,12,10,2\r\n";
    const QString log = rig.Write(QStringLiteral("a.LOG"), content);
    struct Case {
        const char* name;
        QStringList series;
        int lines, texts;
    };
    const std::vector<Case> cases = {
        {"default: used and in view", {}, 3 + 2 * 7, 2},
        {"all three", {QStringLiteral("--series"), QStringLiteral("fix,view,used")}, 3 + 3 * 7, 2},
        {"none", {QStringLiteral("--series"), QString()}, 3, 2},
        {"one", {QStringLiteral("--series=fix")}, 3 + 7, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Result r = Graph(c.series + QStringList{QStringLiteral("--json"), log});
        ASSERT_EQ(r.code, 0) << r.err.toStdString();
        const QJsonObject doc = QJsonDocument::fromJson(r.out).object();
        EXPECT_EQ(doc[QStringLiteral("HistoryLastIndex")].toInt(), 7);
        int lines = 0, texts = 0;
        for (const QJsonValue v : doc[QStringLiteral("ops")].toArray()) {
            const QString op = v[QStringLiteral("op")].toString();
            lines += op == u"line";
            texts += op == u"text";
        }
        EXPECT_EQ(lines, c.lines);
        EXPECT_EQ(texts, c.texts);
    }
    const Result r =
        Graph({QStringLiteral("--series"), QStringLiteral("used"), QStringLiteral("--json"), log});
    const QJsonArray ops = QJsonDocument::fromJson(r.out).object()[QStringLiteral("ops")].toArray();
    // The frame first, then the segments at W/L steps, not rounded to pixels.
    EXPECT_EQ(ops[0].toObject(), (QJsonObject{{"op", "line"},
                                              {"x1", 0},
                                              {"y1", 3595},
                                              {"x2", 7215},
                                              {"y2", 3595},
                                              {"color", "#000000"}}));
    const QJsonObject first = ops[3].toObject();
    EXPECT_EQ(first[QStringLiteral("color")].toString(), u"#ff0000");
    EXPECT_DOUBLE_EQ(first[QStringLiteral("x2")].toDouble(), 7215.0 / 7);
    EXPECT_DOUBLE_EQ(first[QStringLiteral("y1")].toDouble(), 3595 - 359.5 * 4);
    EXPECT_DOUBLE_EQ(ops[9].toObject()[QStringLiteral("y2")].toDouble(), 3595 - 359.5 * 12);
    EXPECT_EQ(
        ops.last().toObject(),
        (QJsonObject{
            {"op", "text"}, {"x", 7215 - 1150}, {"y", 4095 - 380}, {"text", "24/05/06 00:21"}}));
}

TEST(VelsorGraph, RendersTheWindowImageToEachFormat) {
    GraphRig rig;
    const QString week = rig.Write(QStringLiteral("week.LOG"), GraphRig::Records(3360));
    const QString empty = rig.Write(QStringLiteral("empty.LOG"), QByteArray());
    const QString binary = rig.Write(QStringLiteral("bin.LOG"), QByteArray("\x00\x01\xff\r\n", 5));
    for (const auto& [file, out] :
         {std::pair{week, "week.png"}, std::pair{week, "week.svg"}, std::pair{week, "week.pdf"},
          std::pair{empty, "empty.png"}, std::pair{binary, "bin.png"}}) {
        SCOPED_TRACE(out);
        const QString path = rig.dir.filePath(QLatin1String(out));
        const Result r = Graph({QStringLiteral("-o"), path, file});
        EXPECT_EQ(r.code, 0) << r.err.toStdString();
        EXPECT_GT(QFileInfo(path).size(), 0);
    }
    const QImage png(rig.dir.filePath(QStringLiteral("week.png")));
    EXPECT_EQ(png.size(), QSize(538, 381));
    // The blue series at 8 of 10 crosses the surface: Picture1 starts at (32, 48).
    EXPECT_EQ(png.pixelColor(32 + 200, 48 + 240 - 8 * 24), QColor(0, 0, 255));
}
