// The program binary with --share-nmea, offscreen (message boxes are echoed to standard
// error): where it listens, as the system's socket table shows it, and what it says when it
// cannot share.

#include "support/pty_pair.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>

using velsor::testing::WaitFor;

namespace {

quint16 FreePort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

// Local addresses of the listening TCP sockets on `port`, as `ss -ltn` lists them.
QStringList Listening(quint16 port) {
    QProcess ss;
    ss.start(QStringLiteral("ss"), {QStringLiteral("-ltnH")});
    ss.waitForFinished(5000);
    QStringList found;
    const QString suffix = u':' + QString::number(port);
    for (const QString& line : QString::fromLatin1(ss.readAllStandardOutput()).split(u'\n')) {
        const QStringList cols = line.simplified().split(u' ');
        if (cols.size() >= 4 && cols[3].endsWith(suffix))
            found << cols[3];
    }
    return found;
}

class ShareProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        velsor::testing::EnsureCoreApp();
        if (QStandardPaths::findExecutable(QStringLiteral("ss")).isEmpty())
            GTEST_SKIP() << "ss (iproute2) is not installed";
        port = FreePort();
    }
    void TearDown() override {
        if (program.state() != QProcess::NotRunning) {
            program.terminate();
            program.waitForFinished(5000);
        }
    }
    void Run(const QStringList& args) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("TMPDIR"), tmp.path()); // the instance lock lives there
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        program.setProcessEnvironment(env);
        program.start(QStringLiteral(VELSOR_ANALYZER_PATH), args);
        ASSERT_TRUE(program.waitForStarted(5000));
    }
    QTemporaryDir tmp;
    QProcess program;
    quint16 port = 0;
};

} // namespace

TEST_F(ShareProgramTest, LoopbackOnlyUnlessAnAddressIsNamed) {
    struct Case {
        QString value;
        QString listens;
    };
    for (const Case& c :
         {Case{QString::number(port), QStringLiteral("127.0.0.1")},
          Case{QStringLiteral(":%1").arg(port), QStringLiteral("127.0.0.1")},
          Case{QStringLiteral("0.0.0.0:%1").arg(port), QStringLiteral("0.0.0.0")}}) {
        SCOPED_TRACE(c.value.toStdString());
        Run({QStringLiteral("--share-nmea"), c.value});
        ASSERT_TRUE(WaitFor([&] { return !Listening(port).isEmpty(); }, 10000));
        EXPECT_EQ(Listening(port), QStringList{c.listens + u':' + QString::number(port)});
        TearDown();
    }
}

TEST_F(ShareProgramTest, WhenItCannotShareItSaysSoAndRunsOn) {
    QTcpServer other;
    ASSERT_TRUE(other.listen(QHostAddress::LocalHost, port));
    struct Case {
        QStringList args;
        QString says;
    };
    const Case cases[] = {
        {{QStringLiteral("--share-nmea"), QString::number(port)},
         QStringLiteral("このポートはほかのプログラムが使っています。")},
        {{QStringLiteral("--share-nmea"), QStringLiteral("LOGGER:port")},
         QStringLiteral("NMEA 共有の指定「LOGGER:port」が読めません。")},
        {{QStringLiteral("--share-nmea=192.0.2.1:%1").arg(port)},
         QStringLiteral("このアドレスはこのコンピュータのものではありません。")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(u' ').toStdString());
        Run(c.args);
        QByteArray stderrText;
        ASSERT_TRUE(WaitFor(
            [&] {
                stderrText += program.readAllStandardError();
                return stderrText.contains("共有せず");
            },
            10000));
        EXPECT_TRUE(QString::fromUtf8(stderrText).contains(c.says)) << stderrText.toStdString();
        WaitFor([] { return false; }, 500);
        EXPECT_EQ(program.state(), QProcess::Running) << "the monitor runs on";
        TearDown();
    }
}
