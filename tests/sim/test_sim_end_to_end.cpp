// velsor-sim as a process, writing into one end of a socat pseudo-terminal pair while the test
// reads the other.

#include "nmea_sim.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace {

const QString kSim = QStringLiteral(VELSOR_SIM_PATH);

struct SimRun {
    QByteArray received;
    double seconds = 0; // from starting the simulator to its exit
    int exitCode = -1;
};

class SimEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        if (QStandardPaths::findExecutable(QStringLiteral("socat")).isEmpty()) {
            GTEST_SKIP() << "socat is not installed";
        }
        socat_.setStandardOutputFile(QProcess::nullDevice());
        socat_.setStandardErrorFile(QProcess::nullDevice());
        socat_.start("socat", {"-d", "-d", "pty,raw,echo=0,link=" + dir_.filePath("a"),
                               "pty,raw,echo=0,link=" + dir_.filePath("b")});
        ASSERT_TRUE(socat_.waitForStarted(5000));
        for (int i = 0; i < 100 && !QFile::exists(dir_.filePath("b")); ++i) {
            QThread::msleep(50);
        }
        fd_ = ::open(QFile::encodeName(dir_.filePath("b")).constData(),
                     O_RDONLY | O_NOCTTY | O_NONBLOCK);
        ASSERT_GE(fd_, 0) << "socat pty pair did not come up";
    }

    void TearDown() override {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        if (socat_.state() != QProcess::NotRunning) {
            socat_.terminate();
            socat_.waitForFinished(2000);
        }
    }

    // Whatever has arrived at the far end, waiting at most `ms` for the first byte.
    QByteArray drain(int ms) {
        QByteArray out;
        pollfd p{fd_, POLLIN, 0};
        char buf[4096];
        for (ssize_t n = 0; ::poll(&p, 1, ms) > 0 && (n = ::read(fd_, buf, sizeof buf)) > 0;) {
            out.append(buf, n);
            ms = 0;
        }
        return out;
    }

    // Runs the simulator on the near end; with `stopAfterMs` it gets SIGTERM at that time.
    SimRun run(QStringList args, int stopAfterMs = -1) {
        SimRun r;
        QProcess sim;
        sim.setProcessChannelMode(QProcess::ForwardedChannels);
        QElapsedTimer clock;
        clock.start();
        sim.start(kSim, QStringList{"--device", dir_.filePath("a")} + args);
        EXPECT_TRUE(sim.waitForStarted(5000));
        while (!sim.waitForFinished(20) && clock.elapsed() < 20000) {
            r.received += drain(0);
            if (stopAfterMs >= 0 && clock.elapsed() >= stopAfterMs) {
                sim.terminate();
                stopAfterMs = -1;
            }
        }
        r.seconds = static_cast<double>(clock.elapsed()) / 1000.0;
        if (sim.state() != QProcess::NotRunning) {
            ADD_FAILURE() << "velsor-sim did not stop";
            sim.kill();
            sim.waitForFinished(2000);
        }
        r.exitCode = sim.exitStatus() == QProcess::NormalExit ? sim.exitCode() : -1;
        r.received += drain(300);
        return r;
    }

    QTemporaryDir dir_;
    QProcess socat_;
    int fd_ = -1;
};

// Only an upper bound, with room for start-up and slow machines, yet far below an unpaced
// writer.
void expectWithinLineRate(const SimRun& r, int bytesPerSecond) {
    EXPECT_LE(r.received.size(), static_cast<qsizetype>(bytesPerSecond * r.seconds * 1.2 + 200))
        << r.received.size() << " bytes in " << r.seconds << " s";
}

} // namespace

// The GT-74/77 run ends by --seconds, the CFGPS run by SIGTERM; both must end with status 0.
TEST_F(SimEndToEnd, GeneratedSentencesArriveCompleteWithinTheLineRate) {
    for (const bool gt74 : {true, false}) {
        const SimRun r =
            gt74 ? run({"--seconds", "3", "--nofix-every", "3", "--nofix-for", "1"})
                 : run({"--tuner", "1", "--mode2d-every", "2", "--mode2d-for", "1"}, 2500);
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_LT(r.seconds, 6.0);
        const QList<QByteArray> lines = r.received.left(r.received.lastIndexOf('\n')).split('\n');
        ASSERT_GE(lines.size(), 10) << "tuner " << !gt74;
        QMap<QByteArray, int> types;
        for (const QByteArray& line : lines) {
            const qsizetype star = line.lastIndexOf('*');
            EXPECT_EQ(velsor::sim::frame(line.mid(1, star - 1)), line + '\n') << line.toStdString();
            types[line.left(6)] += 1;
        }
        EXPECT_GE(types.value("$GPGGA"), 2);
        EXPECT_GE(types.value("$GPGSV"), 4);
        EXPECT_GE(types.value(gt74 ? "$GPZDA" : "$GPRMC"), 2);
        EXPECT_EQ(types.keys(),
                  (QList<QByteArray>{"$GPGGA", "$GPGSA", "$GPGSV", gt74 ? "$GPZDA" : "$GPRMC"}));
        expectWithinLineRate(r, gt74 ? 480 : 960);
    }
}

TEST_F(SimEndToEnd, ReplayIsPacedAndSentAsItStands) {
    // Far more than the run can carry, with a line of noise ending in a bare line feed.
    QByteArray capture = "noise ahead of the first sentence\n";
    const velsor::sim::Generator g(velsor::sim::Tuner::Gt74, 3, {});
    const QDateTime old(QDate(2003, 4, 5), QTime(6, 7, 8), Qt::UTC);
    for (int s = 0; capture.size() < 6000; ++s) {
        capture += g.burst(old.addSecs(s), s);
    }
    QFile file(dir_.filePath("capture.log"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(capture) == capture.size());
    file.close();

    const SimRun r = run({"--replay", file.fileName(), "--seconds", "2"});
    EXPECT_EQ(r.exitCode, 0);
    ASSERT_GT(r.received.size(), 200);
    EXPECT_TRUE(capture.startsWith(r.received)) << "replayed bytes differ from the capture";
    EXPECT_TRUE(r.received.endsWith('\n')) << "stopped in the middle of a line";
    expectWithinLineRate(r, 480);
}

TEST(SimCommandLine, RefusalsExitWithStatusTwoAndOneLine) {
    QTemporaryDir dir;
    QFile plain(dir.filePath("plain.txt")); // not a terminal, and an empty capture
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    const QString p = plain.fileName();
    for (const QStringList& args : QList<QStringList>{{"--tuner", "2", "--device", p},
                                                      {"--device", dir.filePath("missing/tty")},
                                                      {"--device", p},
                                                      {"--device", p, "--replay", p},
                                                      {"--device", p, "--replay", p + "x"}}) {
        QProcess sim;
        sim.start(kSim, args);
        ASSERT_TRUE(sim.waitForFinished(10000)) << args.join(' ').toStdString();
        EXPECT_EQ(sim.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(sim.exitCode(), 2) << args.join(' ').toStdString();
        EXPECT_EQ(sim.readAllStandardError().count('\n'), 1) << args.join(' ').toStdString();
    }
}
