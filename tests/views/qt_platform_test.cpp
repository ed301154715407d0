// The Qt implementations of the platform layer.

#include "about/frm_end.h"
#include "platform/qt/qt_dialogs.h"
#include "platform/qt/qt_program.h"
#include "views/end_view.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTimer>

#include <sys/wait.h>
#include <unistd.h>

using namespace velsor::platform;

TEST(QtProgram, OneInstanceWhileAnotherProcessHoldsTheLock) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("instance.lock"));
    int ready[2], release[2];
    ASSERT_EQ(pipe(ready) | pipe(release), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    char c = 0;
    if (child == 0) {
        QtProgram other(path);
        c = other.AnotherInstanceRunning() ? 'n' : 'y';
        (void)!write(ready[1], &c, 1);
        (void)!read(release[0], &c, 1);
        _exit(0);
    }
    ASSERT_EQ(read(ready[0], &c, 1), 1);
    ASSERT_EQ(c, 'y');
    EXPECT_TRUE(QtProgram(path).AnotherInstanceRunning());
    (void)!write(release[1], "x", 1);
    waitpid(child, nullptr, 0);
    for (int fd : {ready[0], ready[1], release[0], release[1]})
        close(fd);

    QtProgram third(path);
    EXPECT_FALSE(third.AnotherInstanceRunning()) << "the lock of a dead instance is stale";
    EXPECT_FALSE(third.AnotherInstanceRunning()) << "held by this instance";
    EXPECT_TRUE(QtProgram(path).AnotherInstanceRunning()) << "taken by the third";
}

TEST(QtProgram, ExitFromAModalWindowEndsEveryLoopWithStatusZero) {
    QObject guard; // ends a loop that would not end, for this test only
    QTimer::singleShot(5000, &guard, [] { QCoreApplication::exit(7); });
    QTemporaryDir dir;
    QtProgram program(dir.filePath(QStringLiteral("instance.lock")));
    QtDialogs dialogs;
    velsor::FrmEnd end(dialogs, program);
    velsor::views::EndView view(end);
    bool modalReturned = false;
    QTimer::singleShot(0, &guard, [&] {
        end.Form_Load(velsor::WindowRect{0, 0, 7215, 7000});
        modalReturned = true;
    });
    EXPECT_EQ(QCoreApplication::exec(), 0);
    EXPECT_TRUE(modalReturned && program.ExitRequested() && view.isHidden());
}
