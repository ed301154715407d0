// The main window follows its model, and what the user does reaches the model's handlers.

#include "views/view_rig.h"

#include <QGroupBox>
#include <QImage>
#include <QMenuBar>
#include <QMouseEvent>

#include <set>

using namespace velsor;
using velsor::testing::PumpUntil;
using velsor::testing::ViewRig;

namespace {

std::set<QString> VisibleOptionalEntries(const ViewRig& rig) {
    std::set<QString> out;
    for (const char* name :
         {"Mnu_Sepa7", "Mnu_FW", "Mnu_Sepa6", "Mnu_Rec_Log", "Mnu_Sepa5", "Mnu_Replay"}) {
        if (rig.Action(name)->isVisible())
            out.insert(QLatin1String(name));
    }
    return out;
}

void Click(QWidget* w, Qt::MouseButton button, QEvent::Type type) {
    const QPointF at(w->width() / 2.0, w->height() / 2.0);
    QMouseEvent e(type, at, w->mapToGlobal(at), button,
                  type == QEvent::MouseButtonPress ? button : Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

} // namespace

TEST(NavFormViewMenus, HiddenEntriesFollowTheCommandLineWords) {
    using S = std::set<QString>;
    const S all{"Mnu_Sepa7", "Mnu_FW", "Mnu_Sepa6", "Mnu_Rec_Log", "Mnu_Sepa5", "Mnu_Replay"};
    EXPECT_EQ(VisibleOptionalEntries(ViewRig(QStringLiteral("REPLAY LOG FW"))), all);
    EXPECT_EQ(VisibleOptionalEntries(ViewRig(QStringLiteral("/FWD"))), (S{"Mnu_Sepa7", "Mnu_FW"}));
    EXPECT_EQ(VisibleOptionalEntries(ViewRig(QStringLiteral("CATALOG"))),
              (S{"Mnu_Sepa6", "Mnu_Rec_Log"}));
    EXPECT_EQ(VisibleOptionalEntries(ViewRig(QStringLiteral("replay log fw"))), S{});
    EXPECT_EQ(VisibleOptionalEntries(ViewRig()), S{});
}

TEST(NavFormViewMenus, TreeCaptionsShortcutsAndStates) {
    ViewRig rig;
    auto* file = rig.Child<QMenu>(QStringLiteral("Mnu_File"));
    ASSERT_EQ(rig.view->menuBar()->actions().size(), 3);
    EXPECT_EQ(rig.view->menuBar()->actions()[0], file->menuAction());
    EXPECT_EQ(file->title(), u"ﾌｧｲﾙ(&F)");

    EXPECT_EQ(rig.Action("Mnu_Start")->text(), u"接続開始(&S)");
    EXPECT_EQ(rig.Action("Mnu_Start")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_S));
    EXPECT_EQ(rig.Action("Mnu_Rec_Stop")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_A));
    EXPECT_TRUE(rig.Action("Mnu_Rec_Stop")->shortcut().matches(QKeySequence("Ctrl+A")));
    EXPECT_TRUE(rig.Action("Mnu_Help")->shortcut().isEmpty());
    EXPECT_TRUE(rig.Action("Mnu_Sepa2")->isSeparator());

    // The connect menu holds start, a separator and stop, in that order.
    const QList<QAction*> connect = rig.Child<QMenu>(QStringLiteral("Mnu_Connect"))->actions();
    ASSERT_EQ(connect.size(), 3);
    EXPECT_EQ(connect[0], rig.Action("Mnu_Start"));
    EXPECT_TRUE(connect[1]->isSeparator());
    EXPECT_EQ(connect[2], rig.Action("Mnu_Stop"));

    // Recording is offered only while connected, and so are the entries under it.
    EXPECT_FALSE(rig.Action("Mnu_Rec")->isEnabled());
    EXPECT_FALSE(rig.Action("Mnu_Rec_Save")->isEnabled());
    rig.Action("Mnu_Start")->trigger();
    rig.Pump();
    EXPECT_TRUE(rig.Action("Mnu_Rec")->isEnabled());
    EXPECT_TRUE(rig.Action("Mnu_Rec_Save")->isEnabled());
}

TEST(NavFormViewMenus, ShortcutsReachTheirHandlers) {
    ViewRig rig(QStringLiteral("LOG"));
    int graphs = 0;
    rig.form.showGraph = [&] { ++graphs; };

    rig.Press(Qt::Key_R, Qt::ControlModifier);
    EXPECT_TRUE(rig.fake.dialogs.fileDialogs.empty()) << "Ctrl+R while not connected";

    rig.Press(Qt::Key_S, Qt::ControlModifier);
    EXPECT_TRUE(rig.Tuner().IsOpen());
    EXPECT_EQ(rig.LabelW(QStringLiteral("Label11"))->text(), u"動作状態：モニタ中");

    rig.Press(Qt::Key_R, Qt::ControlModifier);
    ASSERT_EQ(rig.fake.dialogs.fileDialogs.size(), 1u);
    EXPECT_EQ(rig.fake.dialogs.fileDialogs[0].defaultExt, u"CSV");

    rig.Press(Qt::Key_L, Qt::ControlModifier);
    EXPECT_EQ(graphs, 1);

    rig.Press(Qt::Key_T, Qt::ControlModifier);
    EXPECT_FALSE(rig.Tuner().IsOpen());

    rig.Press(Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(rig.fake.program.exits, 1);
}

TEST(NavFormViewMenus, HiddenEntryShortcutDoesNothing) {
    ViewRig rig;
    int replays = 0;
    rig.form.showReplay = [&] { ++replays; };
    rig.Press(Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(replays, 0);
}

TEST(NavFormViewWindow, FixedClientAreaTitleAndLook) {
    ViewRig rig;
    QWidget* client = rig.view->centralWidget();
    EXPECT_EQ(client->size(), QSize(481, 441));
    EXPECT_EQ(rig.view->minimumSize(), rig.view->maximumSize());
    EXPECT_FALSE(rig.view->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(rig.view->windowTitle(), u"Velsor GPS Analyzer");
    EXPECT_FALSE(rig.view->windowIcon().isNull());
    EXPECT_EQ(client->palette().color(QPalette::Window), QColor(192, 192, 192));

    QLabel* state = rig.LabelW(QStringLiteral("Label11"));
    EXPECT_EQ(state->geometry(), QRect(224, 8, 121, 17));
    EXPECT_EQ(state->palette().color(QPalette::WindowText), QColor(192, 0, 0));
    auto* frame = rig.Child<QGroupBox>(QStringLiteral("Frame1"));
    EXPECT_EQ(frame->title(), u" SNR(dB) ");
    QLabel* legend = rig.LabelW(QStringLiteral("Label12_1"));
    EXPECT_EQ(legend->parentWidget(), frame);
    EXPECT_EQ(legend->text(), u"41-45");
    EXPECT_EQ(legend->toolTip(), u"41～45dB");
    EXPECT_EQ(legend->palette().color(QPalette::Window), QColor(255, 255, 128));
}

TEST(NavFormViewRender, LabelsFollowTheModelAfterOneCoalescedRender) {
    ViewRig rig;
    rig.Pump();
    const int before = rig.view->RenderCount();
    rig.form.Label13.caption = QStringLiteral("測位状態：3D測位中");
    rig.form.Label18.visible = true;
    rig.form.Label6[2].bold = true;
    rig.form.Label14.backColor = RGB(192, 255, 255);
    rig.form.Label14.toolTip = QStringLiteral("3D測位で時刻修正しました");
    rig.form.changed();
    rig.form.changed();
    rig.view->ScheduleRender();
    EXPECT_EQ(rig.LabelW(QStringLiteral("Label13"))->text(), u"測位状態： ")
        << "nothing changes before the render runs";
    rig.Pump();
    EXPECT_EQ(rig.view->RenderCount(), before + 1);

    EXPECT_EQ(rig.LabelW(QStringLiteral("Label13"))->text(), u"測位状態：3D測位中");
    EXPECT_FALSE(rig.LabelW(QStringLiteral("Label18"))->isHidden());
    EXPECT_TRUE(rig.LabelW(QStringLiteral("Label6_2"))->font().bold());
    EXPECT_FALSE(rig.LabelW(QStringLiteral("Label6_3"))->font().bold());
    QLabel* tuner = rig.LabelW(QStringLiteral("Label14"));
    EXPECT_EQ(tuner->palette().color(QPalette::Window), QColor(192, 255, 255));
    EXPECT_EQ(tuner->toolTip(), u"3D測位で時刻修正しました");
}

TEST(NavFormViewRender, RawSentencesShowOnOneLine) {
    ViewRig rig;
    rig.Tuner().open = true;
    rig.Receive("$GPZDA,123456,06,05,2002,00,00*00");
    rig.Receive("$GPGSV,2,1,08,01,45,090,47,02,30,180,42,03,60,270,35,06,10,045,00*7A");
    rig.Pump();
    EXPECT_EQ(rig.LabelW(QStringLiteral("Label16_4"))->text(),
              u"$GPZDA,123456,06,05,2002,00,00*00");
    // A full sentence fits when set a little smaller.
    QLabel* gsv = rig.LabelW(QStringLiteral("Label16_1"));
    EXPECT_EQ(gsv->text(), u"$GPGSV,2,1,08,01,45,090,47,02,30,180,42,03,60,270,35,06,10,045,00*7A");
    EXPECT_GE(gsv->font().pixelSize(), rig.view->font().pixelSize() - 2);
    // Far longer than the label: cut short with an ellipsis, never wrapped.
    rig.form.Label16[0].caption =
        QStringLiteral("$GPGGA,") + QString(200, u'9') + QStringLiteral("\r\n");
    rig.view->Render();
    const QString cut = rig.LabelW(QStringLiteral("Label16_0"))->text();
    EXPECT_TRUE(cut.startsWith(u"$GPGGA,999")) << cut.toStdString();
    EXPECT_TRUE(cut.endsWith(QChar(0x2026))) << cut.toStdString();
    EXPECT_FALSE(cut.contains(u'\n'));
}

TEST(NavFormViewRender, BarsAndSkyMarkersFollowReceivedSatellites) {
    ViewRig rig;
    rig.Action("Mnu_Start")->trigger();
    rig.Receive("$GPGSV,2,1,08,01,45,090,47,02,00,180,42,03,90,000,35,06,10,045,00*7A");
    rig.Pump();

    // 47 dB of 60 on a 4335-twip bar.
    auto* bar0 = rig.Child(QStringLiteral("dB1_0"));
    EXPECT_EQ(bar0->width(), qRound(47 * 4335.0 / 60 / 15));
    EXPECT_EQ(bar0->x(), 72);
    EXPECT_FALSE(bar0->isHidden());
    EXPECT_TRUE(rig.Child(QStringLiteral("dB1_3"))->isHidden()) << "0 dB: no bar";

    QLabel* east = rig.LabelW(QStringLiteral("Label15_0"));
    EXPECT_FALSE(east->isHidden());
    EXPECT_EQ(east->text(), u"01");
    EXPECT_EQ(east->parentWidget(), rig.Child(QStringLiteral("Picture1")));
    EXPECT_EQ(east->geometry(), QRect(qRound(rig.form.Label15[0].left / 15.0),
                                      qRound(rig.form.Label15[0].top / 15.0), 17, 16));
    EXPECT_EQ(east->palette().color(QPalette::Window), QColor(128, 255, 128));
    // Elevation 45, azimuth 90: right of the centre on the horizontal axis.
    const QPoint centre(rig.nav.SkyCenterX / 15, rig.nav.SkyCenterY / 15);
    EXPECT_GT(east->geometry().center().x(), centre.x() + 40);
    EXPECT_NEAR(east->geometry().center().y(), centre.y(), 2);
    EXPECT_TRUE(rig.LabelW(QStringLiteral("Label15_1"))->isHidden()) << "elevation 00";

    // The next message moves the marker.
    rig.Receive("$GPGSV,2,1,08,01,45,270,47,02,00,180,42,03,90,000,35,06,10,045,00*7A");
    rig.Pump();
    EXPECT_LT(east->geometry().center().x(), centre.x() - 40);
}

TEST(NavFormViewRender, SkyPlotPaintsItsGrid) {
    ViewRig rig;
    QWidget* plot = rig.Child(QStringLiteral("Picture1"));
    EXPECT_EQ(plot->geometry(), QRect(16, 0, 193, 193));
    const QImage img = plot->grab().toImage();
    const int cx = rig.nav.SkyCenterX / 15, cy = rig.nav.SkyCenterY / 15;
    const int r = rig.nav.SkyRadius / 15;
    auto dark = [&](int x, int y) { return qGray(img.pixel(x, y)) < 100; };
    EXPECT_TRUE(dark(cx, cy)) << "axes cross at the centre";
    EXPECT_TRUE(dark(cx, cy - r / 2)) << "vertical axis";
    EXPECT_FALSE(dark(cx + r / 3, cy - r / 3)) << "between axes and rings";
    EXPECT_EQ(QColor(img.pixel(cx + r / 3, cy - r / 3)), QColor(192, 192, 192));
    // The outer ring crosses the diagonal at r / sqrt(2).
    bool ring = false;
    for (int d = -2; d <= 2; ++d) {
        const int o = qRound(r / std::sqrt(2.0)) + d;
        ring = ring || dark(cx + o, cy + o);
    }
    EXPECT_TRUE(ring);
}

TEST(NavFormViewRender, ScaleNumbersStandAtTheirTicks) {
    ViewRig rig;
    QLabel* scale = rig.LabelW(QStringLiteral("Label7"));
    EXPECT_EQ(scale->text(), rig.form.Label7.caption);
    const QImage img = scale->grab().toImage();
    auto inkIn = [&](int from, int to) {
        for (int x = std::max(from, 0); x < std::min(to, img.width()); ++x) {
            for (int y = 0; y < img.height(); ++y) {
                if (qGray(img.pixel(x, y)) < 100)
                    return true;
            }
        }
        return false;
    };
    // Each number starts just right of its tick; halfway to the next tick there is nothing.
    for (const LineControl& tick : rig.form.Line1) {
        const int x = qRound(tick.x1 / 15.0) - scale->x();
        EXPECT_TRUE(inkIn(x, x + 8)) << "number at tick " << x;
        EXPECT_FALSE(inkIn(x + 18, x + 30)) << "gap after tick " << x;
    }
}

TEST(NavFormViewRecordButtons, PressAndReleaseReachTheButtonPressedFirst) {
    ViewRig rig;
    auto* start = rig.Child<views::StackedImage>(QStringLiteral("Image3_0"));
    EXPECT_TRUE(start->isHidden()) << "no record buttons before connecting";
    rig.Action("Mnu_Start")->trigger();
    rig.Pump();
    ASSERT_FALSE(start->isHidden());
    EXPECT_EQ(start->ShownIndex(), 0);
    EXPECT_EQ(start->toolTip(), u"記録開始ボタン");

    Click(start, Qt::RightButton, QEvent::MouseButtonPress);
    Click(start, Qt::RightButton, QEvent::MouseButtonRelease);
    rig.Pump();
    EXPECT_EQ(start->ShownIndex(), 0) << "only the left button counts";

    Click(start, Qt::LeftButton, QEvent::MouseButtonPress);
    rig.Pump();
    EXPECT_EQ(start->ShownIndex(), 1) << "pressed look";
    // The release comes after the pressed look replaced the button; it still belongs to it.
    rig.fake.dialogs.files.push_back(rig.fake.dir.filePath(QStringLiteral("REC.CSV")));
    Click(start, Qt::LeftButton, QEvent::MouseButtonRelease);
    rig.Pump();
    ASSERT_EQ(rig.fake.dialogs.fileDialogs.size(), 1u);
    EXPECT_EQ(rig.nav.RecordingOn, 1);
    EXPECT_EQ(start->ShownIndex(), 1) << "recording";

    // Stop: the question, answered Yes.
    auto* stop = rig.Child<views::StackedImage>(QStringLiteral("Image3_2"));
    rig.fake.dialogs.answers.push_back(platform::MsgResult::Yes);
    Click(stop, Qt::LeftButton, QEvent::MouseButtonPress);
    rig.Pump();
    EXPECT_EQ(stop->ShownIndex(), 3);
    Click(stop, Qt::LeftButton, QEvent::MouseButtonRelease);
    rig.Pump();
    EXPECT_EQ(rig.nav.RecordingOn, 0);
    ASSERT_FALSE(rig.fake.dialogs.messages.empty());
    EXPECT_EQ(rig.fake.dialogs.messages.back().text, u"記録中です。終了しますか？");
    EXPECT_EQ(start->ShownIndex(), 0);
    EXPECT_EQ(stop->ShownIndex(), 2);
}

TEST(NavFormViewTimers, TicksDriveTheReceptionLamp) {
    ViewRig rig(QString(), /*timers=*/true);
    rig.Action("Mnu_Start")->trigger();
    auto* lamp = rig.Child<views::StackedImage>(QStringLiteral("Image1"));
    rig.Receive("$GPGSA,A,3,04,05,12,,,,,,,,,,1.0,1.0,1.0*00");
    EXPECT_TRUE(PumpUntil([&] { return lamp->ShownIndex() == 0; }, 2000)) << "lit by a tick";
    EXPECT_TRUE(PumpUntil([&] { return lamp->ShownIndex() == 1; }, 2000))
        << "dark again about 200 ms after the last data";
    // Timer2 blinks the 3D lamp.
    auto* fix = rig.Child<views::StackedImage>(QStringLiteral("Image2"));
    EXPECT_TRUE(PumpUntil([&] { return fix->ShownIndex() == 2; }, 2000));
    EXPECT_TRUE(PumpUntil([&] { return fix->ShownIndex() == 3; }, 2000));
}

TEST(NavFormViewClose, ClosingTheWindowQuits) {
    ViewRig rig;
    int ends = 0;
    rig.form.showEnd = [&] { ++ends; };
    rig.form.GraphOpened = 1;
    rig.view->show();
    rig.view->close();
    EXPECT_EQ(ends, 1);
    EXPECT_EQ(rig.fake.program.exits, 1);
    rig.view->close();
    EXPECT_EQ(rig.fake.program.exits, 1) << "once";
}
