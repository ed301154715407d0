// The main window follows its model, and what the user does reaches the model's handlers.

#include "nmea_sim.h"
#include "support/captures.h"
#include "views/view_rig.h"

#include <QImage>

#include <algorithm>

using namespace velsor;
using velsor::testing::Click;
using velsor::testing::Mouse;
using velsor::testing::ViewRig;
using velsor::testing::WaitFor;

namespace {

// The pixels of a widget's picture that pass a test.
template <typename F> int Pixels(const QPixmap& picture, F passes) {
    const QImage im = picture.toImage();
    int n = 0;
    for (int y = 0; y < im.height(); ++y)
        for (int x = 0; x < im.width(); ++x)
            n += passes(im.pixel(x, y)) ? 1 : 0;
    return n;
}

// The simulator's fullest sky (of its first 200 seeds): three seconds of 39 satellites.
QByteArray FullestSimulatedSky() {
    using namespace velsor::sim;
    constexpr std::uint64_t kSeed = 11;
    constexpr std::int64_t second = 15250;
    EXPECT_EQ(Sky(kSeed, Tuner::Gnss).at(second).size(), 39u);
    const Generator gen(Tuner::Gnss, kSeed, {});
    const QDateTime utc(QDate(2026, 12, 7), QTime(5, 30, 0), Qt::UTC);
    QByteArray data;
    for (int s = 0; s < 3; ++s)
        data += gen.burst(utc.addSecs(s), second + s);
    return data;
}

} // namespace

// CATALOG holds the word LOG, which shows the graph's entry; quitting after the graph was opened
// shows the closing window.
TEST(NavFormView, ShortcutsReachTheirHandlers) {
    ViewRig rig(QStringLiteral("CATALOG"));
    int graphs = 0, replays = 0, ends = 0;
    rig.form.showGraph = [&] { ++graphs; };
    rig.form.showReplay = [&] { ++replays; };
    rig.form.showEnd = [&] { ++ends; };
    rig.Press(Qt::Key_R);
    EXPECT_TRUE(rig.dialogs.fileDialogs.empty()) << "Ctrl+R while not connected";
    rig.Press(Qt::Key_S);
    EXPECT_TRUE(rig.Tuner().IsOpen());
    rig.Press(Qt::Key_R);
    EXPECT_EQ(rig.dialogs.fileDialogs.size(), 1u);
    rig.Press(Qt::Key_L);
    rig.Press(Qt::Key_Y);
    EXPECT_EQ(std::pair(graphs, replays), std::pair(1, 0)) << "no REPLAY word: the entry is hidden";
    rig.Press(Qt::Key_T);
    EXPECT_FALSE(rig.Tuner().IsOpen());
    rig.Press(Qt::Key_Q);
    EXPECT_EQ(std::pair(rig.program.exits, ends), std::pair(1, 1));
}

TEST(NavFormView, WidgetsFollowTheModel) {
    ViewRig rig;
    // The sky plot is a window of its own: the SNR scale that overlaps its edge stays below.
    auto* plot = rig.Child<QWidget>("Picture1");
    const QRect both = rig.Child("Label7")->geometry() & plot->geometry();
    EXPECT_TRUE(!both.isEmpty() && plot->parentWidget()->childAt(both.center()) == plot);

    // Connected, with satellites: the menus and raw lines follow.
    EXPECT_FALSE(rig.Action("Mnu_Rec_Save")->isEnabled());
    rig.Action("Mnu_Start")->trigger();
    const char* gsv = "$GPGSV,2,1,08,01,45,090,47,02,00,180,42,03,90,000,35,06,10,045,00*7A";
    rig.Receive(gsv);
    rig.Pump();
    EXPECT_TRUE(rig.Action("Mnu_Rec_Save")->isEnabled());
    EXPECT_EQ(rig.Child("Label15_0")->text(), u"01");
    EXPECT_EQ(rig.Child("Label16_1")->text(), QLatin1String(gsv));

    // Colours, and a satellite in use in bold (drawn from the regular face): more ink than one
    // unused.
    rig.form.Label14.backColor = RGB(192, 255, 255);
    for (int i : {0, 1}) {
        rig.form.Label15[i].caption = QStringLiteral("88");
        rig.form.Label15[i].backColor = RGB(255, 255, 255);
        rig.form.Label15[i].bold = i == 0;
    }
    rig.view->ScheduleRender();
    rig.Pump();
    EXPECT_EQ(rig.Child("Label14")->palette().color(QPalette::Window), QColor(192, 255, 255));
    auto ink = [&](const char* name) {
        return Pixels(rig.Child(name)->grab(), [](QRgb p) { return qGray(p) < 100; });
    };
    EXPECT_GT(ink("Label15_0"), ink("Label15_1") * 6 / 5);
}

TEST(NavFormView, RecordButtonsGetTheReleaseOfTheirOwnPress) {
    ViewRig rig;
    rig.Action("Mnu_Start")->trigger();
    rig.Pump();
    auto* start = rig.Child<views::StackedImage>("Image3_0");
    Click(start, Qt::RightButton);
    EXPECT_TRUE(rig.dialogs.fileDialogs.empty()) << "only the left button counts";
    Click(start, Qt::LeftButton);
    EXPECT_EQ(rig.nav.RecordingOn, 0) << "the file dialog cancelled";
    // The release comes after the pressed look replaced the button; it still belongs to it.
    Mouse(start, Qt::LeftButton, QEvent::MouseButtonPress);
    EXPECT_EQ(start->ShownIndex(), 1) << "pressed look";
    rig.dialogs.files.push_back(rig.dir.filePath(QStringLiteral("REC.CSV")));
    Mouse(start, Qt::LeftButton, QEvent::MouseButtonRelease);
    EXPECT_EQ(rig.nav.RecordingOn, 1);
    rig.dialogs.answers = {platform::MsgResult::Yes}; // stop?
    auto* stop = rig.Child<views::StackedImage>("Image3_2");
    Mouse(stop, Qt::LeftButton, QEvent::MouseButtonPress);
    EXPECT_EQ(std::pair(start->ShownIndex(), stop->ShownIndex()), std::pair(0, 3))
        << "pressing stop: the start button at rest, the stop button sunk";
    Mouse(stop, Qt::LeftButton, QEvent::MouseButtonRelease);
    EXPECT_EQ(rig.nav.RecordingOn, 0);
    EXPECT_EQ(start->ShownIndex(), 0) << "back at rest";
}

TEST(NavFormView, TimerTicksDriveTheLamps) {
    ViewRig rig(QString(), /*timers=*/true);
    rig.Action("Mnu_Start")->trigger();
    auto* lamp = rig.Child<views::StackedImage>("Image1");
    auto* fix = rig.Child<views::StackedImage>("Image2");
    rig.Receive("$GPGSA,A,3,04,05,12,,,,,,,,,,1.0,1.0,1.0*00");
    EXPECT_TRUE(WaitFor([&] { return lamp->ShownIndex() == 0; })) << "lit by a tick";
    EXPECT_TRUE(WaitFor([&] { return lamp->ShownIndex() == 1; })) << "dark without data";
    EXPECT_TRUE(WaitFor([&] { return fix->ShownIndex() == 3; })) << "the 3D lamp blinks";
}

// No closing window unless the graph or replay was opened.
TEST(NavFormView, ClosingTheWindowQuitsOnce) {
    ViewRig rig;
    int ends = 0;
    rig.form.showEnd = [&] { ++ends; };
    rig.view->show();
    rig.view->close();
    rig.view->close();
    EXPECT_EQ(std::pair(rig.program.exits, ends), std::pair(1, 0));
}

// The third model on the window, on the simulator's fullest sky and the three real captures
// with most satellites: every satellite placed in the sky is a mark, painted where the display
// list puts it; no mark covers another's number or the place of a satellite whose mark was
// moved off it; marks' and the table's numbers with their system letter fit their boxes.
TEST(NavFormView, MultiGnssSkyOfTheThirdModel) {
    std::vector<std::pair<QString, QByteArray>> skies = {{u"simulator"_qs, FullestSimulatedSky()}};
    for (const char* file : {"ublox-neo-m9n-nmea.log", "unicore-um621.log", "telit-pls83-w.log"})
        skies.emplace_back(file, velsor::testing::FileBytes(velsor::testing::SharedDataDir() +
                                                            u"/nmea-gnss/"_qs + file));
    for (const auto& [name, data] : skies) {
        SCOPED_TRACE(name.toStdString());
        ViewRig rig;
        rig.nav.TunerType = QStringLiteral("2");
        rig.form.Label14.caption = QStringLiteral("NMEA");
        rig.Action("Mnu_Start")->trigger();
        rig.Tuner().Receive(data);
        rig.Pump();
        rig.view->Render();
        std::vector<const DrawOp*> marks;
        double coloured = 0; // pixels of the marks' boxes in SNR colours
        for (const DrawOp& op : rig.form.Picture1.ops) {
            if (op.kind == DrawOp::Kind::Mark)
                marks.push_back(&op);
            if (op.kind == DrawOp::Kind::Mark && op.color != kGrey)
                coloured += op.x2 * op.y2 / (15.0 * 15.0);
        }
        EXPECT_GE(marks.size(), 26u);
        const auto box = [](const DrawOp* m) {
            return QRectF(m->x1 - m->x2 / 2, m->y1 - m->y2 / 2, m->x2, m->y2);
        };
        QFont font = rig.Child<QWidget>("Picture1")->font();
        for (const DrawOp* m : marks) {
            const QPointF at(m->ax, m->ay);
            for (const DrawOp* other : marks) {
                if (other == m)
                    continue;
                EXPECT_FALSE(box(m).intersects(box(other)))
                    << m->text.toStdString() << " on " << other->text.toStdString();
                EXPECT_FALSE(box(other).contains(at) && !box(m).contains(at))
                    << m->text.toStdString() << "'s place under " << other->text.toStdString();
            }
            font.setPixelSize(qRound(m->textSize / 15));
            font.setBold(m->bold);
            EXPECT_LE(QFontMetrics(font).horizontalAdvance(m->text), m->x2 / 15)
                << m->text.toStdString();
        }
        const QRgb snr[] = {qRgb(128, 255, 128), qRgb(255, 255, 128), qRgb(255, 128, 128)};
        const int painted = Pixels(rig.Child<QWidget>("Picture1")->grab(), [&](QRgb p) {
            return std::find(std::begin(snr), std::end(snr), p) != std::end(snr);
        });
        EXPECT_GT(painted, coloured / 2) << "half of each box at least; the rest is its text";
        for (int i = 0; i < 8; ++i) {
            const QLabel* no = rig.Child(QStringLiteral("Label6_%1").arg(i).toLatin1().constData());
            EXPECT_TRUE(QStringLiteral("GRECJIS").contains(no->text().left(1)))
                << no->text().toStdString();
            EXPECT_LE(no->fontMetrics().horizontalAdvance(no->text()), no->width());
        }
    }
}
