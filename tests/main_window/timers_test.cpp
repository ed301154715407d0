// Lamps, the start-up correction delay and the hourly PC clock correction.

#include "support/main_window_fixture.h"

using namespace velsor;
using velsor::testing::MainWindowTest;
using velsor::testing::PtyPair;
using velsor::testing::WithChecksum;

namespace {

class TimersTest : public MainWindowTest {
protected:
    // Loads with the clock setting on and opens the tuner port on a pseudo-terminal.
    void Connect() {
        pty = std::make_unique<PtyPair>(dir.path(), 1);
        Load();
        form->Mnu_Start_Click();
        ASSERT_TRUE(form->MSComm1->IsOpen());
    }
    bool Lit() const { return form->Image1[0].visible && !form->Image1[1].visible; }
    bool Dark() const { return !form->Image1[0].visible && form->Image1[1].visible; }
    int VisibleFixLamps() const {
        int n = 0;
        for (const auto& img : form->Image2)
            n += img.visible;
        return n;
    }
    void FeedChecked(const char* sentence) {
        form->receiver->AssembleLines(WithChecksum(sentence) + QStringLiteral("\r\n"));
    }
    std::unique_ptr<PtyPair> pty;
};

} // namespace

TEST_F(TimersTest, ReceptionLampLightsForThreeTicksAfterData) {
    Load();
    nav.RxActivityCount = 4;
    for (int tick = 1; tick <= 3; ++tick) {
        form->Timer1_Timer();
        EXPECT_TRUE(Lit()) << tick;
    }
    form->Timer1_Timer();
    EXPECT_TRUE(Dark());
    form->Timer1_Timer();
    EXPECT_TRUE(Dark()) << "left as it is once the countdown is 0";
}

TEST_F(TimersTest, FixLampsBlinkOnlyWhileConnected) {
    Load();
    nav.FixMode = QStringLiteral("2D");
    form->Timer1_Timer();
    EXPECT_EQ(VisibleFixLamps(), 0) << "port closed: the lamp is hidden again at once";

    Connect();
    nav.FixMode = QStringLiteral("2D");
    form->Timer1_Timer();
    EXPECT_TRUE(form->Image2[0].visible && !form->Image2[1].visible);
    form->Timer1_Timer();
    EXPECT_TRUE(!form->Image2[0].visible && form->Image2[1].visible);

    nav.FixMode = QStringLiteral("3D");
    form->Timer2_Timer();
    EXPECT_FALSE(form->Image2[0].visible || form->Image2[1].visible) << "3D hides the 2D pair";
    EXPECT_TRUE(form->Image2[2].visible);
    form->Timer2_Timer();
    EXPECT_TRUE(!form->Image2[2].visible && form->Image2[3].visible);

    nav.FixMode = QStringLiteral("2D");
    form->Timer1_Timer();
    EXPECT_FALSE(form->Image2[2].visible || form->Image2[3].visible) << "2D hides the 3D pair";

    nav.FixMode = QStringLiteral("--");
    form->Timer2_Timer();
    EXPECT_EQ(VisibleFixLamps(), 0);
}

TEST_F(TimersTest, StartUpCorrectionWaitsThirtySecondsOfOpenPort) {
    Connect();
    FeedChecked("$GPZDA,033000,06,05,2002,00,00");
    Feed("$GPGSA,A,3,04,05,,,,,,,,,,,1.0,1.0,1.0*00");
    for (int tick = 0; tick < 119; ++tick)
        form->Timer2_Timer();
    EXPECT_EQ(nav.ClockSetWait, 119);
    FeedChecked("$GPGGA,033010,3541.1234,N,13945.6789,E,1,05,1.0,10,M,,M,,");
    EXPECT_TRUE(clock.timesSet.empty()) << "119 ticks are not enough";
    form->Timer2_Timer();
    FeedChecked("$GPGGA,033011,3541.1234,N,13945.6789,E,1,05,1.0,10,M,,M,,");
    ASSERT_EQ(clock.datesSet.size(), 1u);
    EXPECT_EQ(clock.datesSet[0], QDate(2002, 5, 6));
    EXPECT_EQ(clock.timesSet[0], QTime(12, 30, 11));
    EXPECT_EQ(nav.ClockSetDone, 1);
    EXPECT_EQ(nav.ClockSetWait, 0);
    form->Timer2_Timer();
    EXPECT_EQ(nav.ClockSetWait, 0) << "no counting once done";

    // Reconnecting arms it again; the counter never wraps.
    form->Mnu_Stop_Click();
    EXPECT_EQ(form->Label14.backColor, kGrey);
    EXPECT_EQ(form->Label14.toolTip, u"選択しているGPSチューナ") << "no correction claimed";
    form->Mnu_Start_Click();
    EXPECT_EQ(nav.ClockSetDone, 0);
    nav.ClockSetWait = 32766;
    form->Timer2_Timer();
    form->Timer2_Timer();
    EXPECT_EQ(nav.ClockSetWait, 32767);
}

TEST_F(TimersTest, HourlyCorrectionActsOnceInMinute59WhenClocksAgree) {
    Connect();
    nav.FixMode = QStringLiteral("3D");
    nav.JstDateTime = *MakeDate(2024, 1, 1) + *MakeTime(12, 59, 40);
    clock.now = QDateTime(QDate(2024, 1, 1), QTime(12, 59, 10));
    form->Timer1_Timer();
    EXPECT_TRUE(clock.timesSet.empty()) << "a GPS time whose checksums were not right";
    nav.JstDateTimeChecked = true;
    form->Timer1_Timer();
    ASSERT_EQ(clock.timesSet.size(), 1u);
    EXPECT_EQ(clock.timesSet[0], QTime(12, 59, 40));
    EXPECT_EQ(form->Label14.backColor, RGB(192, 255, 255));
    EXPECT_EQ(form->Label14.toolTip, u"3D測位で時刻修正しました");
    form->Timer1_Timer();
    EXPECT_EQ(clock.timesSet.size(), 1u) << "once per minute 59";

    clock.now = QDateTime(QDate(2024, 1, 1), QTime(13, 0, 0));
    form->Timer1_Timer();
    EXPECT_EQ(nav.HourlySetDone, 0) << "re-armed after minute 59";

    // 2D in the next hour.
    nav.FixMode = QStringLiteral("2D");
    nav.JstDateTime = *MakeDate(2024, 1, 1) + *MakeTime(13, 59, 5);
    clock.now = QDateTime(QDate(2024, 1, 1), QTime(13, 59, 1));
    form->Timer1_Timer();
    EXPECT_EQ(clock.timesSet.size(), 2u);
    EXPECT_EQ(form->Label14.backColor, RGB(192, 192, 255));
}

TEST_F(TimersTest, HourlyCheckNeedsMatchingMinutesAFixAndTheSetting) {
    Connect();
    nav.JstDateTimeChecked = true;
    nav.FixMode = QStringLiteral("3D");
    nav.JstDateTime = *MakeDate(2024, 1, 1) + *MakeTime(12, 59, 0);
    clock.now = QDateTime(QDate(2024, 1, 1), QTime(12, 56, 0));
    form->Timer1_Timer();
    EXPECT_TRUE(clock.timesSet.empty()) << "PC at 12:56, GPS at 12:59";

    // No fix in minute 59: grey indicator, clock untouched.
    nav.FixMode = QStringLiteral("--");
    clock.now = QDateTime(QDate(2024, 1, 1), QTime(12, 59, 30));
    form->Timer1_Timer();
    EXPECT_TRUE(clock.timesSet.empty());
    EXPECT_EQ(form->Label14.backColor, kGrey);
    EXPECT_EQ(form->Label14.toolTip, u"時刻修正していません");
    EXPECT_EQ(nav.HourlySetDone, 1);

    // Setting off: never acts, the indicator keeps its state.
    prop.Check2.value = 0;
    nav.FixMode = QStringLiteral("3D");
    nav.HourlySetDone = 0;
    form->Timer1_Timer();
    EXPECT_TRUE(clock.timesSet.empty());
    EXPECT_EQ(form->Label14.toolTip, u"時刻修正していません");
}

TEST_F(TimersTest, ARefusedClockIsToldOnceAtATimerTickAndNeverShownAsCorrected) {
    Connect();
    clock.refuse = true;
    const QString refused = QStringLiteral("PCの時計を合わせることができませんでした。\r\n"
                                           "時計を変更する権限がありません。");
    auto countTold = [&] { return MessageTexts().count(refused); };
    // Start-up correction: refused inside the receive path, told at the next Timer1 tick.
    FeedChecked("$GPZDA,033000,06,05,2002,00,00");
    Feed("$GPGSA,A,3,04,05,,,,,,,,,,,1.0,1.0,1.0*00");
    nav.ClockSetWait = 120;
    FeedChecked("$GPGGA,033011,3541.1234,N,13945.6789,E,1,05,1.0,10,M,,M,,");
    EXPECT_EQ(clock.datesSet.size(), 1u);
    EXPECT_EQ(countTold(), 0) << "no message box from inside the receive path";
    EXPECT_EQ(form->Label14.backColor, kGrey);
    EXPECT_EQ(form->Label14.toolTip, u"時刻修正できませんでした");
    form->Timer1_Timer();
    form->Timer1_Timer();
    ASSERT_EQ(countTold(), 1);
    EXPECT_EQ(dialogs.messages.back().icon, platform::MsgIcon::Exclamation);

    // The hourly correction refused as well: the same look, no second message.
    nav.JstDateTime = *MakeDate(2024, 1, 1) + *MakeTime(12, 59, 40);
    clock.now = QDateTime(QDate(2024, 1, 1), QTime(12, 59, 10));
    form->Timer1_Timer();
    EXPECT_EQ(clock.datesSet.size(), 2u);
    EXPECT_EQ(form->Label14.toolTip, u"時刻修正できませんでした");
    EXPECT_NE(form->Label14.backColor, RGB(192, 255, 255));
    form->Timer1_Timer();
    EXPECT_EQ(clock.datesSet.size(), 2u) << "once per minute 59";
    EXPECT_EQ(countTold(), 1) << "once per run";
}
