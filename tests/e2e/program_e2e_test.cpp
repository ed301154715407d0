// The program binary: one instance at a time, a clear word without a display.

#include "support/pty_pair.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

using velsor::testing::WaitFor;

namespace {

QProcessEnvironment Env(const QString& tmp, bool display) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TMPDIR"), tmp); // the instance lock lives there
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), display ? u"offscreen"_qs : QString());
    return env;
}

} // namespace

TEST(Program, NeedsADisplayAndRunsOnce) {
    velsor::testing::EnsureCoreApp();
    QTemporaryDir bare, tmp; // a lock left by the first run must not count for the second
    QProcess first, second;
    first.setProcessEnvironment(Env(bare.path(), false));
    first.start(QStringLiteral(VELSOR_ANALYZER_PATH), {});
    ASSERT_TRUE(first.waitForFinished(10000));
    EXPECT_EQ(first.exitCode(), 2);
    const QByteArray err = first.readAllStandardError();
    EXPECT_TRUE(err.count('\n') == 1 && err.contains("Xvfb")) << err.toStdString();

    first.setProcessEnvironment(Env(tmp.path(), true));
    first.start(QStringLiteral(VELSOR_ANALYZER_PATH), {});
    ASSERT_TRUE(first.waitForStarted(5000));
    ASSERT_TRUE(WaitFor([&] { return !QDir(tmp.path()).entryList(QDir::Files).isEmpty(); }, 10000))
        << "the first instance takes its lock";
    second.setProcessEnvironment(Env(tmp.path(), true));
    second.start(QStringLiteral(VELSOR_ANALYZER_PATH), {});
    ASSERT_TRUE(second.waitForFinished(15000));
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_TRUE(QString::fromUtf8(second.readAllStandardError()).contains(u"同時に複数起動"));
    EXPECT_EQ(first.state(), QProcess::Running) << "the first is not disturbed";
    first.terminate(), first.waitForFinished(5000);
}
