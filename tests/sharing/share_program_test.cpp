// The program and velsor-sim with --share-nmea, as processes: where they listen, as the
// system's socket table shows it, what they say when they cannot share, and what clients get
// from the simulator. The program runs offscreen, where message boxes go to standard error.

#include "raw_client.h"
#include "support/pty_pair.h"

#include <gtest/gtest.h>

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
    ss.start(QStringLiteral("ss"), {QStringLiteral("-ltnH")});
    ss.waitForFinished(5000);
    QStringList found;
    for (const QString& line : QString::fromLatin1(ss.readAllStandardOutput()).split(u'\n')) {
        const QStringList cols = line.simplified().split(u' ');
        if (cols.size() >= 4 && cols[3].endsWith(u':' + QString::number(port)))
            found << cols[3];
    }
    return found;
}

class ShareProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        velsor::testing::EnsureCoreApp();
        port = FreePort();
    }
    void TearDown() override {
        if (process.state() != QProcess::NotRunning) {
            process.terminate();
            process.waitForFinished(5000);
        }
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
    QTemporaryDir tmp;
    QProcess process;
    quint16 port = 0;
};

} // namespace

TEST_F(ShareProgramTest, LoopbackOnlyUnlessAnAddressIsNamed) {
    if (QStandardPaths::findExecutable(QStringLiteral("ss")).isEmpty())
        GTEST_SKIP() << "ss (iproute2) is not installed";
    const QString p = QString::number(port);
    const QStringList cases[][2] = {
        {{QStringLiteral("--share-nmea"), p}, {QStringLiteral("127.0.0.1:") + p}},
        {{QStringLiteral("--share-nmea=:") + p}, {QStringLiteral("127.0.0.1:") + p}},
        {{QStringLiteral("--share-nmea"), QStringLiteral("0.0.0.0:") + p},
         {QStringLiteral("0.0.0.0:") + p}},
    };
    for (const auto& [args, listens] : cases) {
        SCOPED_TRACE(args.join(u' ').toStdString());
        Run(VELSOR_ANALYZER_PATH, args);
        ASSERT_TRUE(WaitFor([&] { return !Listening(port).isEmpty(); }, 10000));
        EXPECT_EQ(Listening(port), listens);
    }
}

TEST_F(ShareProgramTest, WhenTheProgramCannotShareItSaysSoAndRunsOn) {
    QTcpServer other;
    ASSERT_TRUE(other.listen(QHostAddress::LocalHost, port));
    const QString p = QString::number(port);
    const QStringList cases[][2] = {
        {{QStringLiteral("--share-nmea"), p},
         {QStringLiteral("NMEA 共有を開始できません（127.0.0.1:%1）。").arg(port),
          QStringLiteral("このポートはほかのプログラムが使っています。")}},
        {{QStringLiteral("--share-nmea"), QStringLiteral("LOGGER:port")},
         {QStringLiteral("NMEA 共有の指定「LOGGER:port」が読めません。")}},
        {{QStringLiteral("--share-nmea=192.0.2.1:") + p},
         {QStringLiteral("このアドレスはこのコンピュータのものではありません。")}},
    };
    for (const auto& [args, says] : cases) {
        SCOPED_TRACE(args.join(u' ').toStdString());
        Run(VELSOR_ANALYZER_PATH, args);
        QString err;
        ASSERT_TRUE(WaitFor(
            [&] {
                err += QString::fromUtf8(process.readAllStandardError());
                return err.contains(u"共有せず");
            },
            10000));
        for (const QString& text : says)
            EXPECT_TRUE(err.contains(text)) << err.toStdString();
        WaitFor([] { return false; }, 300);
        EXPECT_EQ(process.state(), QProcess::Running) << "the monitor runs on";
    }
}

TEST_F(ShareProgramTest, TheSimulatorSharesWithoutADeviceAndRefusesWhatItCannotDo) {
    Run(VELSOR_SIM_PATH, {QStringLiteral("--share-nmea"), QString::number(port),
                          QStringLiteral("--seconds"), QStringLiteral("2")});
    std::unique_ptr<RawClient> c;
    ASSERT_TRUE(WaitFor([&] { return (c = std::make_unique<RawClient>(port))->connected; }));
    ASSERT_TRUE(WaitFor(
        [&] {
            c->Read();
            return process.state() == QProcess::NotRunning;
        },
        10000));
    c->Read();
    EXPECT_EQ(process.exitCode(), 0);
    EXPECT_TRUE(c->got.startsWith("$GP")) << "from a line start";
    EXPECT_TRUE(c->got.contains("$GPGGA,") && c->got.contains("$GPZDA,"));
    EXPECT_TRUE(c->got.endsWith("\r\n"));

    QTcpServer other;
    ASSERT_TRUE(other.listen(QHostAddress::LocalHost, port));
    for (const char* value : {"LOG", "70000", ""}) {
        SCOPED_TRACE(value);
        const QString v = *value ? QString::fromLatin1(value) : QString::number(port);
        Run(VELSOR_SIM_PATH, {QStringLiteral("--share-nmea"), v});
        ASSERT_TRUE(process.waitForFinished(5000));
        EXPECT_EQ(process.exitCode(), 2);
        EXPECT_TRUE(process.readAllStandardError().contains("share"));
    }
}
