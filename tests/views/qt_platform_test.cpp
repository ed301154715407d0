// The Qt implementations of the platform layer. The real clock is only read here: setting it
// would change the machine's time.

#include "about/frm_end.h"
#include "platform/qt/qt_clock.h"
#include "platform/qt/qt_dialogs.h"
#include "platform/qt/qt_program.h"
#include "views/end_view.h"
#include "views/view_rig.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QTemporaryDir>

#include <sys/wait.h>
#include <unistd.h>

using velsor::platform::FileDialogOptions;
using velsor::platform::MsgButtons;
using velsor::platform::MsgIcon;
using velsor::platform::MsgResult;
using velsor::platform::QtClock;
using velsor::platform::QtDialogs;
using velsor::platform::QtProgram;
using velsor::testing::WhenModal;

TEST(QtClock, NowIsJapanStandardTimeWhateverTheMachinesZone) {
    // Only read: a test never sets the real clock.
    const QDateTime now = QtClock().Now();
    const QDateTime jst = QDateTime::currentDateTimeUtc().addSecs(9 * 3600);
    EXPECT_LE(std::abs(QDateTime(now.date(), now.time(), Qt::UTC).secsTo(
                  QDateTime(jst.date(), jst.time(), Qt::UTC))),
              1);
    EXPECT_EQ(now.time().msec(), 0);
}

TEST(QtProgram, LockIsPerUserInTheTemporaryFolder) {
    EXPECT_TRUE(QtProgram::DefaultLockPath().startsWith(QDir::tempPath()));
    EXPECT_TRUE(QtProgram::DefaultLockPath().endsWith(QStringLiteral("-%1.lock").arg(getuid())));
}

TEST(QtProgram, OneInstanceWhileAnotherProcessHoldsTheLock) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("instance.lock"));
    int ready[2], release[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(release), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // The other instance: take the lock, say so, hold it until told, then die without
        // unlocking, as a crashed instance would.
        QtProgram other(path);
        const char ok = other.AnotherInstanceRunning() ? 'n' : 'y';
        (void)!write(ready[1], &ok, 1);
        char c;
        (void)!read(release[0], &c, 1);
        _exit(0);
    }
    char ok = 0;
    ASSERT_EQ(read(ready[0], &ok, 1), 1);
    ASSERT_EQ(ok, 'y');

    QtProgram second(path);
    EXPECT_TRUE(second.AnotherInstanceRunning());

    const char go = 'x';
    (void)!write(release[1], &go, 1);
    int status = 0;
    waitpid(child, &status, 0);
    for (int fd : {ready[0], ready[1], release[0], release[1]})
        close(fd);

    QtProgram third(path);
    EXPECT_FALSE(third.AnotherInstanceRunning()) << "the lock of a dead instance is stale";
    EXPECT_FALSE(third.AnotherInstanceRunning()) << "held by this instance";
    QtProgram fourth(path);
    EXPECT_TRUE(fourth.AnotherInstanceRunning()) << "taken by the third";
}

TEST(QtProgram, ExitBeforeTheLoopEndsTheLoopAtOnce) {
    QtProgram program(QDir::temp().filePath(QStringLiteral("velsor-unused.lock")));
    QWidget window;
    window.show();
    program.Exit();
    EXPECT_TRUE(program.ExitRequested());
    EXPECT_TRUE(window.isHidden());
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(7); });
    guard.start(3000);
    EXPECT_EQ(QCoreApplication::exec(), 0);
}

TEST(QtProgram, ClosingWindowEndsEveryLoopWithStatusZero) {
    // The way out after the graph was used: the closing window, shown modally from inside the
    // main loop, ends the program once it is up.
    QtProgram program(QDir::temp().filePath(QStringLiteral("velsor-unused.lock")));
    QtDialogs dialogs;
    velsor::FrmEnd end(dialogs, program);
    velsor::views::EndView view(end);
    bool modalReturned = false;
    QTimer::singleShot(0, [&] {
        end.Form_Load(velsor::WindowRect{0, 0, 7215, 7000});
        modalReturned = true;
    });
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(7); });
    guard.start(5000);
    EXPECT_EQ(QCoreApplication::exec(), 0);
    EXPECT_TRUE(modalReturned);
    EXPECT_TRUE(program.ExitRequested());
    EXPECT_TRUE(view.isHidden());
}

TEST(QtDialogs, FilterPairsBecomeNameFilters) {
    EXPECT_EQ(QtDialogs::NameFilters(QStringLiteral("CSVﾌｧｲﾙ(*.CSV)|*.CSV|")),
              QStringList{QStringLiteral("CSVﾌｧｲﾙ(*.CSV)")});
    EXPECT_EQ(
        QtDialogs::NameFilters(QStringLiteral("Logs|*.LOG;*.TXT|All files|*.*")),
        (QStringList{QStringLiteral("Logs (*.LOG *.TXT)"), QStringLiteral("All files (*.*)")}));
    EXPECT_TRUE(QtDialogs::NameFilters(QString()).isEmpty());
    EXPECT_TRUE(QtDialogs::NameFilters(QStringLiteral("dangling")).isEmpty());
}

TEST(QtDialogs, DefaultExtensionOnlyWhenTheNameHasNone) {
    EXPECT_EQ(QtDialogs::WithDefaultExtension(QStringLiteral("/d/rec"), QStringLiteral("CSV")),
              u"/d/rec.CSV");
    EXPECT_EQ(QtDialogs::WithDefaultExtension(QStringLiteral("/d/rec.txt"), QStringLiteral("CSV")),
              u"/d/rec.txt");
    EXPECT_EQ(QtDialogs::WithDefaultExtension(QStringLiteral("/d.old/rec"), QStringLiteral("CSV")),
              u"/d.old/rec.CSV");
    EXPECT_EQ(QtDialogs::WithDefaultExtension(QString(), QStringLiteral("CSV")), u"");
}

TEST(QtDialogs, MessageBoxShowsTitleIconButtonsAndAnswers) {
    QtDialogs dialogs;
    WhenModal([](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->windowTitle(), u"Velsor GPS Analyzer");
        EXPECT_EQ(box->text(), u"一行目\n二行目");
        EXPECT_EQ(box->icon(), QMessageBox::NoIcon);
        EXPECT_EQ(box->standardButtons(), QMessageBox::Yes | QMessageBox::No);
        box->button(QMessageBox::No)->click();
    });
    EXPECT_EQ(dialogs.MessageBox(QStringLiteral("一行目\r\n二行目"), MsgButtons::YesNo,
                                 MsgIcon::None, QStringLiteral("Velsor GPS Analyzer")),
              MsgResult::No);

    WhenModal([](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->icon(), QMessageBox::Warning);
        EXPECT_EQ(box->standardButtons(), QMessageBox::Ok);
        QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(box, &esc);
    });
    EXPECT_EQ(dialogs.MessageBox(QStringLiteral("注意"), MsgButtons::Ok, MsgIcon::Exclamation,
                                 QStringLiteral("Velsor GPS Analyzer")),
              MsgResult::Ok);
}

TEST(QtDialogs, SaveDialogAddsTheDefaultExtension) {
    QTemporaryDir dir;
    QtDialogs dialogs;
    FileDialogOptions o;
    o.title = QStringLiteral("名前を付けて保存・記録");
    o.defaultExt = QStringLiteral("CSV");
    o.filter = QStringLiteral("CSVﾌｧｲﾙ(*.CSV)|*.CSV|");
    o.overwritePrompt = true;
    WhenModal([&](QWidget* w) {
        auto* d = qobject_cast<QFileDialog*>(w);
        ASSERT_NE(d, nullptr);
        EXPECT_EQ(d->windowTitle(), o.title);
        EXPECT_EQ(d->acceptMode(), QFileDialog::AcceptSave);
        EXPECT_EQ(d->nameFilters(), QStringList{QStringLiteral("CSVﾌｧｲﾙ(*.CSV)")});
        d->selectFile(dir.filePath(QStringLiteral("rec")));
        QMetaObject::invokeMethod(d, "accept");
    });
    EXPECT_EQ(dialogs.SaveFile(o), dir.filePath(QStringLiteral("rec.CSV")));

    WhenModal([](QWidget* w) { qobject_cast<QDialog*>(w)->reject(); });
    EXPECT_EQ(dialogs.SaveFile(o), QString()) << "cancelled";
}

TEST(QtDialogs, BusyPointerIsAStateNotACount) {
    QtDialogs dialogs;
    dialogs.SetBusyPointer(true);
    dialogs.SetBusyPointer(true);
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    dialogs.SetBusyPointer(false);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}
