// The replay window on the main window: the menu opens it, the keyboard and the open-file button
// reach the model, closing it gives the main window back. A picture of both windows is written
// when VELSOR_REPLAY_SCREENSHOT names the PNG file.

#include "replay/recording_files.h"
#include "views/player_view.h"
#include "views/view_rig.h"
#include "views/windows.h"

#include <QImage>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>

using namespace velsor;

namespace {

struct ReplayRig : velsor::testing::ViewRig {
    ReplayRig() : ViewRig(QStringLiteral("REPLAY")) {
        views::ConnectWindows(form, *view);
        player = view->findChild<views::PlayerView*>(QStringLiteral("frmPlayer"));
        velsor::testing::WriteFile(file, velsor::testing::RecordingText(QStringLiteral("S 60 X")));
    }
    void Send(QWidget* w, QEvent&& e) {
        QApplication::sendEvent(w, &e);
        Pump();
    }
    void Mouse(QWidget* w, QEvent::Type type) {
        const QPointF at(w->width() / 2.0, w->height() / 2.0);
        Send(w, QMouseEvent(type, at, w->mapToGlobal(at), Qt::LeftButton,
                            type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                            Qt::NoModifier));
    }
    views::PlayerView* player = nullptr;
    QString file = dir.filePath(QStringLiteral("2026-12-06.CSV"));
};

} // namespace

TEST(PlayerView, MenuKeysButtonAndClosing) {
    ReplayRig rig;
    ASSERT_NE(rig.player, nullptr);
    rig.Action("Mnu_Replay")->trigger(); // cancelled: the window shows, nothing loaded
    rig.Pump();
    ASSERT_TRUE(rig.player->isVisible());
    EXPECT_FALSE(rig.player->isModal());
    auto* bar = rig.Child<QScrollBar>("HScroll1");
    EXPECT_FALSE(bar->isEnabled());
    EXPECT_FALSE(rig.Action("Mnu_File")->isEnabled());

    auto* button = rig.Child<views::StackedImage>("Image4");
    rig.Mouse(button, QEvent::MouseButtonPress);
    EXPECT_EQ(button->ShownIndex(), 1) << "pressed look";
    rig.dialogs.files.push_back(rig.file);
    rig.Mouse(button, QEvent::MouseButtonRelease);
    EXPECT_EQ(button->ShownIndex(), 0);
    EXPECT_TRUE(bar->isEnabled());
    EXPECT_EQ(bar->maximum(), 59);
    EXPECT_EQ(rig.Child("Label3")->text(), u"再生ファイル： 2026-12-06.CSV");

    // A large step is a tenth of these 60 blocks (at most 20); snapshot n was recorded at n
    // seconds past midnight.
    for (const auto& [key, value] : {std::pair{Qt::Key_Right, 1},
                                     {Qt::Key_PageDown, 6},
                                     {Qt::Key_Left, 5},
                                     {Qt::Key_End, 59},
                                     {Qt::Key_PageUp, 54},
                                     {Qt::Key_Home, 0}}) {
        rig.Send(bar, QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier));
        EXPECT_EQ(rig.form.Label4[0].caption, QStringLiteral("00 時 %1 分 %2 秒")
                                                  .arg(value / 60, 2, 10, QLatin1Char('0'))
                                                  .arg(value % 60, 2, 10, QLatin1Char('0')));
    }

    rig.player->close();
    rig.Pump();
    EXPECT_TRUE(rig.Action("Mnu_File")->isEnabled());
    EXPECT_FALSE(rig.player->model().loaded);
}

// The two windows side by side, for a person to look at.
TEST(PlayerView, Screenshot) {
    const QString path = qEnvironmentVariable("VELSOR_REPLAY_SCREENSHOT");
    if (path.isEmpty())
        GTEST_SKIP() << "VELSOR_REPLAY_SCREENSHOT not set";
    ReplayRig rig;
    rig.dialogs.files.push_back(qEnvironmentVariable("VELSOR_REPLAY_FILE", rig.file));
    rig.Action("Mnu_Replay")->trigger();
    rig.player->model().SetHScroll1Value(rig.nav.ReplayCount / 2);
    rig.Pump();
    const QImage main = rig.view->grab().toImage(), replay = rig.player->grab().toImage();
    QImage both(main.width() + 16 + replay.width(), main.height(), QImage::Format_RGB32);
    both.fill(QColor(235, 235, 235));
    QPainter(&both).drawImage(0, 0, main);
    QPainter(&both).drawImage(main.width() + 16, 0, replay);
    EXPECT_TRUE(both.save(path)) << path.toStdString();
}
