// The start-up correction delay and the hourly PC clock correction; the lamps are the view
// test's.

#include "support/main_window_fixture.h"

#include <QColor>

using namespace velsor;
using velsor::testing::MainWindowTest;
using velsor::testing::WithChecksum;

namespace {

class TimersTest : public MainWindowTest {
protected:
    void SetUp() override { Load(); }
    void FeedFix() {
        Feed(WithChecksum("$GPZDA,033000,06,05,2002,00,00"));
        Feed("$GPGSA,A,3,04,05,,,,,,,,,,,1.0,1.0,1.0*00");
    }
    void FeedGga() {
        Feed(WithChecksum("$GPGGA,033011,3541.1234,N,13945.6789,E,1,05,1.0,10,M,,M,,"));
    }
};

} // namespace

TEST_F(TimersTest, StartUpCorrectionWaitsThirtySecondsOfOpenPort) {
    Connect();
    FeedFix();
    for (int tick = 0; tick < 120; ++tick) {
        FeedGga();
        form->Timer2_Timer();
    }
    EXPECT_TRUE(clock.timesSet.empty()) << "120 ticks of Timer2 first";
    FeedGga();
    EXPECT_EQ(clock.timesSet, std::vector<QTime>{QTime(12, 30, 11)});

    form->Mnu_Stop_Click();
    EXPECT_EQ(std::pair(form->Label14.backColor, form->Label14.toolTip),
              std::pair(RGB(192, 192, 192), QStringLiteral("選択しているGPSチューナ")))
        << "no correction claimed once the link is gone";
    form->Mnu_Start_Click();
    EXPECT_EQ(nav.ClockSetDone, 0) << "reconnecting arms it again";
}

TEST_F(TimersTest, HourlyCorrectionNeedsMinute59OnBothClocksAFixAndTheSetting) {
    Connect();
    // One Timer1 tick; what was set, the label's colour and tip, and HourlySetDone after it.
    const auto tick = [&](QTime pc, QTime gps, const char* fix, bool checked = true,
                          int setting = 1, int done = 0) {
        clock.timesSet.clear();
        clock.now = QDateTime(QDate(2024, 1, 1), pc);
        nav.JstDateTime = *MakeDate(2024, 1, 1) + *MakeTime(gps.hour(), gps.minute(), gps.second());
        nav.FixMode = QString::fromLatin1(fix);
        nav.JstDateTimeChecked = checked;
        prop.Check2.value = setting;
        nav.HourlySetDone = done;
        form->Label14.backColor = RGB(1, 2, 3);
        form->Label14.toolTip = QStringLiteral("before");
        form->Timer1_Timer();
        const Rgb c = form->Label14.backColor;
        return QStringLiteral("%1 %2 %3 %4")
            .arg(clock.timesSet.empty() ? QStringLiteral("-") : clock.timesSet[0].toString(),
                 QColor(c.r, c.g, c.b).name(), form->Label14.toolTip)
            .arg(nav.HourlySetDone);
    };
    const QTime pc(12, 59, 10), gps(12, 59, 40);
    EXPECT_EQ(tick(pc, gps, "3D"), u"12:59:40 #c0ffff 3D測位で時刻修正しました 1");
    EXPECT_EQ(tick(pc, gps, "--"), u"- #c0c0c0 時刻修正していません 1");
    const QString untouched = QStringLiteral("- #010203 before ");
    EXPECT_EQ(tick(pc, gps, "3D", false), untouched + u'0') << "GPS time unchecked";
    EXPECT_EQ(tick(QTime(12, 56, 0), gps, "3D"), untouched + u'0');
    EXPECT_EQ(tick(pc, gps, "3D", true, 0), untouched + u'0') << "setting off";
    EXPECT_EQ(tick(pc, gps, "3D", true, 1, 1), untouched + u'1') << "done this hour";
    clock.now = QDateTime(QDate(2024, 1, 1), QTime(13, 0, 0));
    form->Timer1_Timer();
    EXPECT_EQ(nav.HourlySetDone, 0) << "armed again after minute 59";
}

TEST_F(TimersTest, ARefusedClockIsToldOnceAtATimerTickAndNeverShownAsCorrected) {
    Connect();
    clock.refuse = true;
    const QString refused = QStringLiteral("PCの時計を合わせることができませんでした。\r\n"
                                           "時計を変更する権限がありません。");
    // Start-up correction: refused inside the receive path, told at the next Timer1 tick.
    FeedFix();
    nav.ClockSetWait = 120;
    FeedGga();
    EXPECT_EQ(clock.datesSet.size(), 1u);
    EXPECT_TRUE(dialogs.messages.empty()) << "no message box from inside the receive path";
    form->Timer1_Timer();
    form->Timer1_Timer();
    EXPECT_EQ(MessageTexts(), QStringList{refused});

    // The hourly correction refused as well: the same look, no second message.
    nav.JstDateTime = *MakeDate(2024, 1, 1) + *MakeTime(12, 59, 40);
    clock.now = QDateTime(QDate(2024, 1, 1), QTime(12, 59, 10));
    form->Timer1_Timer();
    form->Timer1_Timer();
    EXPECT_EQ(clock.datesSet.size(), 2u) << "once per minute 59";
    EXPECT_EQ(form->Label14.toolTip, u"時刻修正できませんでした");
    EXPECT_NE(form->Label14.backColor, RGB(192, 255, 255));
    EXPECT_EQ(MessageTexts(), QStringList{refused}) << "once per run";
}
