// The Qt implementations of the platform layer.

#include "about/frm_end.h"
#include "platform/qt/qt_dialogs.h"
#include "platform/qt/qt_program.h"
#include "views/end_view.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCoreApplication>
#include <QLabel>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>

#include <sys/wait.h>
#include <unistd.h>

using namespace velsor::platform;

// Another running instance is the program end-to-end test's; here the lock of a crashed one.
TEST(QtProgram, TheLockOfADeadInstanceIsStale) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("instance.lock"));
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        QtProgram other(path);
        _exit(other.AnotherInstanceRunning() ? 1 : 0); // dies without unlocking
    }
    int status = -1;
    waitpid(child, &status, 0);
    ASSERT_EQ(status, 0);
    QtProgram third(path);
    EXPECT_FALSE(third.AnotherInstanceRunning());
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

// Qt's own words in Japanese, every box at least as wide as its title bar needs (its text is
// short), and a user's value shown as typed: markup in a --source value is no heading.
TEST(QtDialogs, JapaneseButtonsInBoxesAsWideAsTheirTitlesShowingTheirTextAsItStands) {
    ASSERT_TRUE(InstallQtTranslations()) << "qtbase_ja.qm (qt6-translations-l10n)";
    const QString title = QStringLiteral("Velsor GPS Analyzer");
    QFont bold = QApplication::font();
    bold.setBold(true);
    QtDialogs dialogs;
    for (const MsgButtons buttons : {MsgButtons::YesNo, MsgButtons::Ok}) {
        QStringList texts;
        int width = 0;
        Qt::TextFormat format = Qt::AutoText;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            width = box->width();
            format = box->findChild<QLabel*>(u"qt_msgbox_label"_qs)->textFormat();
            for (QAbstractButton* b : box->buttons())
                texts << b->text().remove(u'&');
            box->escapeButton()->click();
        });
        dialogs.MessageBox(u"<h1>gps</h1>"_qs, buttons, MsgIcon::None, title);
        texts.sort();
        // Room for the title, the icon before it and the close box after it.
        EXPECT_GE(width, QFontMetrics(bold).horizontalAdvance(title) + 48);
        EXPECT_EQ(texts.join(u' '), buttons == MsgButtons::Ok ? u"OK"_qs : u"いいえ(N) はい(Y)"_qs);
        EXPECT_EQ(format, Qt::PlainText);
    }
}
