// velsor-sim as a process, writing into one end of a socat pseudo-terminal pair while the test
// reads the other.

#include "nmea_sim.h"
#include "support/pty_pair.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QSet>
#include <QTemporaryDir>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

using velsor::testing::PtyPair;

// The GT-74/77 run ends by --seconds, the CFGPS run by SIGTERM; both end with status 0, every
// sentence whole and no faster than the line.
TEST(SimEndToEnd, SentencesArriveCompleteWithinTheLineRate) {
    if (!PtyPair::Available())
        GTEST_SKIP() << "socat is not installed";
    QTemporaryDir dir;
    PtyPair pty(dir.path(), 1);
    ASSERT_TRUE(pty.Ready());
    const int fd = ::open(QFile::encodeName(pty.peerLink).constData(), O_RDONLY | O_NOCTTY);
    ASSERT_GE(fd, 0);
    const auto drain = [fd](QByteArray& out, int ms) {
        pollfd p{fd, POLLIN, 0};
        char buf[4096];
        for (ssize_t n = 0; ::poll(&p, 1, ms) > 0 && (n = ::read(fd, buf, sizeof buf)) > 0; ms = 0)
            out.append(buf, n);
    };

    for (const bool gt74 : {true, false}) {
        QProcess sim;
        sim.setProcessChannelMode(QProcess::ForwardedChannels);
        QElapsedTimer clock;
        clock.start();
        sim.start(
            VELSOR_SIM_PATH,
            QStringList{"--device", pty.portLink} +
                (gt74 ? QStringList{"--seconds", "3", "--nofix-every", "3", "--nofix-for", "1"}
                      : QStringList{"--tuner", "1", "--mode2d-every", "2", "--mode2d-for", "1"}));
        ASSERT_TRUE(sim.waitForStarted(5000));
        QByteArray got;
        while (!sim.waitForFinished(20) && clock.elapsed() < 10000) {
            drain(got, 0);
            if (!gt74 && clock.elapsed() >= 2500)
                sim.terminate();
        }
        const double seconds = static_cast<double>(clock.elapsed()) / 1000.0;
        ASSERT_EQ(sim.state(), QProcess::NotRunning) << "velsor-sim did not stop";
        EXPECT_TRUE(sim.exitStatus() == QProcess::NormalExit && sim.exitCode() == 0);
        drain(got, 300);

        const QList<QByteArray> lines = got.left(got.lastIndexOf('\n')).split('\n');
        ASSERT_GE(lines.size(), 10) << "gt74 " << gt74;
        QSet<QByteArray> types;
        for (const QByteArray& line : lines) {
            EXPECT_EQ(velsor::sim::frame(line.mid(1, line.lastIndexOf('*') - 1)), line + '\n');
            types.insert(line.left(6));
        }
        EXPECT_EQ(types,
                  (QSet<QByteArray>{"$GPGGA", "$GPGSA", "$GPGSV", gt74 ? "$GPZDA" : "$GPRMC"}));
        // Only an upper bound, with room for start-up and slow machines, yet far below an
        // unpaced writer.
        EXPECT_LE(got.size(), (gt74 ? 480 : 960) * seconds * 1.2 + 200)
            << got.size() << " bytes in " << seconds << " s";
    }
    ::close(fd);
}
