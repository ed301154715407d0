// The program and velsor-sim with --share-nmea, as processes; message boxes go to stderr.

#include "raw_client.h"
#include "support/pty_pair.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

using velsor::testing::FreePort;
using velsor::testing::RawClient;
using velsor::testing::WaitFor;

namespace {

// Local addresses of the listening TCP sockets on `port`, as `ss -ltn` lists them.
QStringList Listening(quint16 port) {
    QProcess ss;
    ss.start(QStringLiteral("ss"),
             {QStringLiteral("-ltnH"), QStringLiteral("sport = :%1").arg(port)});
    ss.waitForFinished(5000);
    QStringList found;
    for (const QString& line :
         QString::fromLatin1(ss.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts))
        found << line.simplified().section(u' ', 3, 3);
    return found;
}

class ShareProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        velsor::testing::EnsureCoreApp();
        port = FreePort();
    }
    void TearDown() override {
        process.kill();
        process.waitForFinished(5000);
    }
    void Run(const char* path, const QStringList& args) {
        TearDown();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("TMPDIR"), tmp.path()); // the instance lock lives there
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        process.setProcessEnvironment(env);
        process.start(QString::fromLocal8Bit(path), args);
        ASSERT_TRUE(process.waitForStarted(5000));
    }
    // By the time `until` is on stderr the monitor has said `text` there, and it runs on.
    void SaysAndRunsOn(const QString& until, const QString& text) {
        QString err;
        ASSERT_TRUE(WaitFor([&] { return (err += process.readAllStandardError()).contains(until); },
                            10000));
        EXPECT_TRUE(err.contains(text)) << err.toStdString();
        WaitFor([] { return false; }, 300);
        EXPECT_EQ(process.state(), QProcess::Running) << "the monitor runs on";
    }
    QTemporaryDir tmp;
    QProcess process;
    quint16 port = 0;
};

} // namespace

TEST_F(ShareProgramTest, LoopbackOnlyUnlessNamedAndAMessageWhenItCannotShare) {
    if (QStandardPaths::findExecutable(QStringLiteral("ss")).isEmpty())
        GTEST_SKIP() << "ss (iproute2) is not installed";
    const QString p = QString::number(port);
    // What is named, and what ss lists: "*" is IPv6 and IPv4 on one socket.
    const std::pair<QString, QString> hosts[] = {
        {QString(), u"127.0.0.1:"_qs}, {u"0.0.0.0:"_qs, u"0.0.0.0:"_qs}, {u"[::]:"_qs, u"*:"_qs}};
    for (const auto& [host, listed] : hosts) {
        Run(VELSOR_ANALYZER_PATH, {u"--share-nmea"_qs, host + p});
        ASSERT_TRUE(WaitFor([&] { return !Listening(port).isEmpty(); }, 10000));
        EXPECT_EQ(Listening(port), QStringList{listed + p}) << host.toStdString();
    }
    TearDown();
    QTcpServer other;
    ASSERT_TRUE(other.listen(QHostAddress::LocalHost, port));
    Run(VELSOR_ANALYZER_PATH, {u"--share-nmea"_qs, p});
    SaysAndRunsOn(u"共有せず"_qs, u"このポートはほかのプログラムが使っています。"_qs);
}

// A --source value the program cannot read is said, and the monitor goes on with its COM port.
TEST_F(ShareProgramTest, AnUnreadableSourceIsSaidAndTheMonitorRuns) {
    Run(VELSOR_ANALYZER_PATH, {u"--source"_qs, u"COM3"_qs, u"LOG"_qs});
    SaysAndRunsOn(u"COM3"_qs, u"受信元の指定「COM3」が読めません。"_qs);
}

#ifdef Q_OS_LINUX
// Qt Network comes with the network module, loaded only for an option that needs it.
TEST_F(ShareProgramTest, TheNetworkIsLoadedOnlyWhenAnOptionAsksForIt) {
    auto maps = [&] {
        QFile f(QStringLiteral("/proc/%1/maps").arg(process.processId()));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    Run(VELSOR_ANALYZER_PATH, {});
    ASSERT_TRUE(WaitFor([&] { return !QDir(tmp.path()).isEmpty(); }, 10000)) << "started";
    WaitFor([] { return false; }, 500);
    EXPECT_TRUE(maps().contains("libQt6Widgets"));
    EXPECT_FALSE(maps().contains("libQt6Network"));
    Run(VELSOR_ANALYZER_PATH, {u"--share-nmea"_qs, QString::number(port)});
    ASSERT_TRUE(WaitFor([&] { return RawClient(port).connected; }, 10000));
    EXPECT_TRUE(maps().contains("/velsor-sharing.so"));
    EXPECT_TRUE(maps().contains("libQt6Network"));
}
#endif

TEST_F(ShareProgramTest, TheSimulatorSharesWithoutADevice) {
    Run(VELSOR_SIM_PATH, QStringLiteral("--share-nmea %1 --seconds 2").arg(port).split(u' '));
    std::unique_ptr<RawClient> c;
    ASSERT_TRUE(WaitFor([&] { return (c = std::make_unique<RawClient>(port))->connected; }));
    ASSERT_TRUE(WaitFor([&] { return c->Read(), process.state() == QProcess::NotRunning; }, 10000));
    c->Read();
    EXPECT_EQ(process.exitCode(), 0);
    EXPECT_TRUE(c->got.startsWith("$GP") && c->got.contains("$GPZDA,") && c->got.endsWith("\r\n"));
}
