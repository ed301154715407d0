// The replay window on the main window: the menu opens it, the keyboard and the open-file button
// reach the model, closing it gives the main window back.

#include "replay/recording_files.h"
#include "views/player_view.h"
#include "views/view_rig.h"
#include "views/windows.h"

#include <QKeyEvent>
#include <QScrollBar>

using namespace velsor;

TEST(PlayerView, MenuKeysButtonAndClosing) {
    velsor::testing::ViewRig rig(QStringLiteral("REPLAY"));
    views::ConnectWindows(rig.form, *rig.view);
    auto* player = rig.view->findChild<views::PlayerView*>(QStringLiteral("frmPlayer"));
    ASSERT_NE(player, nullptr);
    const QString file = rig.dir.filePath(QStringLiteral("2026-12-06.CSV"));
    velsor::testing::WriteFile(file, velsor::testing::RecordingText(QStringLiteral("S 60 X")));

    rig.Action("Mnu_Replay")->trigger(); // cancelled: the window shows, nothing loaded
    rig.Pump();
    ASSERT_TRUE(player->isVisible());
    auto* bar = rig.Child<QScrollBar>("HScroll1");
    EXPECT_FALSE(rig.Action("Mnu_File")->isEnabled());

    auto* button = rig.Child<views::StackedImage>("Image4");
    rig.dialogs.files.push_back(file);
    velsor::testing::Click(button, Qt::LeftButton);
    rig.Pump();
    EXPECT_EQ(bar->isEnabled() ? bar->maximum() : -1, 59);
    EXPECT_EQ(rig.Child("Label3")->text(), u"再生ファイル： 2026-12-06.CSV");

    // A large step is a tenth of these 60 blocks; snapshot n was recorded n seconds past 0:00.
    QStringList seen;
    for (int key : {Qt::Key_Right, Qt::Key_PageDown, Qt::Key_End}) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(bar, &press);
        rig.Pump();
        seen << rig.form.Label4[0].caption;
    }
    EXPECT_EQ(seen.join(u'|'), u"00 時 00 分 01 秒|00 時 00 分 06 秒|00 時 00 分 59 秒");

    player->close();
    rig.Pump();
    EXPECT_TRUE(rig.Action("Mnu_File")->isEnabled());
    EXPECT_FALSE(player->model().loaded);
}
