// The command-line tools in a bare shell (no display, no XDG_RUNTIME_DIR): their --help, and
// velsor-sim facing a port another program holds. Their silence when all is well is each tool's
// own test's.

#include "platform/qt/qt_serial_port.h"
#include "support/pty_pair.h"
#include "support/tool_run.h"

#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QTemporaryDir>

using velsor::testing::RunTool;

TEST(Tools, HelpListsEveryOptionOnALineOfItsOwn) {
    const std::pair<const char*, QStringList> cases[] = {
        {VELSOR_DECODE_PATH, {"--tuner", "--each", "--health", "--replay", "--block", "--help"}},
        {VELSOR_SKYMAP_PATH, {"--tuner", "--json", "-o", "--help"}},
        {VELSOR_GRAPH_PATH, {"--series", "--json", "-o", "--help"}},
        {VELSOR_SIM_PATH,
         {"--device", "--share-nmea", "--tuner", "--baud", "--seed", "--nofix-every", "--nofix-for",
          "--mode2d-every", "--mode2d-for", "--blocked-sector", "--replay", "--seconds", "--help"}},
    };
    for (const auto& [tool, options] : cases) {
        const auto [code, out, err] = RunTool(tool, {"--help"});
        EXPECT_TRUE(code == 0 && err.isEmpty()) << tool << err.constData();
        // Every tool that reads NMEA takes the three models.
        EXPECT_FALSE(
            QString::fromUtf8(out).contains(QRegularExpression(u"--tuner 0\\|1(?!\\|2)"_qs)))
            << out.constData();
        // Indented, and first on the line or after the options (and values) it goes with.
        for (const QString& option : options) {
            const QRegularExpression own(u"^\\s+(-[^\\s,]+(,| [^-\\s]\\S*)? +)*"_qs +
                                         QRegularExpression::escape(option) + u"(?![\\w-])"_qs);
            EXPECT_EQ(QString::fromUtf8(out).split(u'\n').filter(own).size(), 1)
                << option.toStdString() << "\n"
                << out.constData();
        }
    }
}

TEST(Tools, SimSaysThePortIsInUse) {
    if (!velsor::testing::PtyPair::Available())
        GTEST_SKIP() << "socat is not installed";
    velsor::testing::EnsureCoreApp();
    QTemporaryDir dir;
    velsor::testing::PtyPair pty(dir.path(), 1);
    velsor::platform::QtSerialPort analyzer(dir.path()); // holds ports/COM1, as the program does
    ASSERT_TRUE(pty.Ready() && analyzer.Open() == 0);
    const auto [code, out, err] = RunTool(VELSOR_SIM_PATH, {"--device", pty.portLink});
    EXPECT_EQ(std::pair(code, err),
              std::pair(2, "velsor-sim: cannot open " + pty.portLink.toLocal8Bit() +
                               ": the port is in use by another program\n"));
}
