// The command-line tools as a user meets them in a bare shell: their --help, their silence
// when all is well, and velsor-sim facing a port another program holds.

#include "platform/qt/qt_serial_port.h"
#include "support/pty_pair.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace {

struct ToolRun {
    int code;
    QString out, err;
};

ToolRun Tool(const QString& path, const QStringList& args, const QProcessEnvironment& env) {
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(path, args);
    p.waitForFinished(30000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

// A login shell without a desktop session: no display, no runtime directory.
QProcessEnvironment BareShell() {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_RUNTIME_DIR"})
        env.remove(QLatin1String(name));
    return env;
}

} // namespace

TEST(Tools, HelpListsEveryOptionOnALineOfItsOwn) {
    struct Case {
        const char* tool;
        QStringList args;
        QStringList options;
    };
    const Case cases[] = {
        {VELSOR_DECODE_PATH,
         {"--help"},
         {"--tuner", "--each", "--health", "--replay", "--block", "--help"}},
        {VELSOR_DECODE_PATH, {"--replay", "x.CSV", "--help"}, {"--replay", "--block"}},
        {VELSOR_DECODE_PATH, {"--health", "-h"}, {"--health", "--tuner"}},
        {VELSOR_SKYMAP_PATH, {"--help"}, {"--tuner", "--json", "-o", "--help"}},
        {VELSOR_GRAPH_PATH, {"--help"}, {"--series", "--json", "-o", "--help"}},
        {VELSOR_SIM_PATH,
         {"--help"},
         {"--device", "--share-nmea", "--tuner", "--baud", "--seed", "--nofix-every", "--nofix-for",
          "--mode2d-every", "--mode2d-for", "--blocked-sector", "--replay", "--seconds", "--help"}},
    };
    for (const Case& c : cases) {
        const ToolRun r = Tool(QString::fromLatin1(c.tool), c.args, BareShell());
        const QString name = QFileInfo(QString::fromLatin1(c.tool)).fileName();
        ASSERT_EQ(r.code, 0) << name.toStdString() << " " << r.err.toStdString();
        EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
        // An option's own line is indented and begins with it, or with other options (and
        // their values) that go with it.
        const QStringList lines = r.out.split(u'\n');
        for (const QString& option : c.options) {
            const QRegularExpression own(u"^\\s+(-[^\\s,]+(,| [^-\\s]\\S*)? +)*"_qs +
                                         QRegularExpression::escape(option) + u"(?![\\w-])"_qs);
            EXPECT_EQ(lines.filter(own).size(), 1)
                << name.toStdString() << " " << option.toStdString() << "\n"
                << r.out.toStdString();
        }
    }
}

// The tools promise one line on error and nothing otherwise, also where Qt finds no session.
TEST(Tools, OffscreenToolsSayNothingWhenAllIsWell) {
    QTemporaryDir dir;
    const QString log = dir.filePath(QStringLiteral("a.LOG"));
    QFile f(log);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    for (int i = 0; i < 30; ++i)
        f.write(QStringLiteral("%1,24/05/06 %2:%3,5,8,3\r\n")
                    .arg(i % 20)
                    .arg(i / 20, 2, 10, QChar(u'0'))
                    .arg(i * 3 % 60, 2, 10, QChar(u'0'))
                    .toLatin1());
    f.close();
    const QString capture = QStringLiteral(VELSOR_TEST_DATA "/nmea/layout0/GPSmap-76S.log");
    const struct {
        const char* tool;
        QStringList args;
    } cases[] = {
        {VELSOR_GRAPH_PATH, {"-o", dir.filePath("g.png"), log}},
        {VELSOR_GRAPH_PATH, {"-o", dir.filePath("g.svg"), "--json", log}},
        {VELSOR_SKYMAP_PATH, {"-o", dir.filePath("s.png"), capture}},
        {VELSOR_SKYMAP_PATH, {"-o", dir.filePath("s.pdf"), capture}},
    };
    for (const auto& c : cases) {
        const ToolRun r = Tool(QString::fromLatin1(c.tool), c.args, BareShell());
        EXPECT_EQ(r.code, 0) << c.tool;
        EXPECT_EQ(r.err.toStdString(), "") << c.tool << " " << c.args.join(u' ').toStdString();
    }
}

TEST(Tools, SimSaysThePortIsInUse) {
    if (!velsor::testing::PtyPair::Available())
        GTEST_SKIP() << "socat is not installed";
    velsor::testing::EnsureCoreApp();
    QTemporaryDir dir;
    velsor::testing::PtyPair pty(dir.path(), 1);
    ASSERT_TRUE(pty.Ready());
    velsor::platform::QtSerialPort analyzer(dir.path()); // holds ports/COM1, as the program does
    ASSERT_EQ(analyzer.Open(), 0);
    const ToolRun r = Tool(QStringLiteral(VELSOR_SIM_PATH),
                           {"--device", pty.portLink, "--seconds", "1"}, BareShell());
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.err.toStdString(), "velsor-sim: cannot open " + pty.portLink.toStdString() +
                                       ": the port is in use by another program\n");
}
