// Lamps, the start-up correction delay and the hourly PC clock correction.

#include "support/main_window_fixture.h"

using namespace velsor;
using velsor::testing::MainWindowTest;
using velsor::testing::WithChecksum;

namespace {

class TimersTest : public MainWindowTest {
protected:
    bool Lit() const { return form->Image1[0].visible && !form->Image1[1].visible; }
    bool Dark() const { return !form->Image1[0].visible && form->Image1[1].visible; }
    std::string Lamps() const {
        std::string out;
        for (int i = 0; i < 4; ++i)
            out += form->Image2[i].visible ? (i < 2 ? '2' : '3') : '-';
        return out;
    }
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
    EXPECT_EQ(Lamps(), "----") << "port closed: the lamp is hidden again at once";

    Connect();
    struct Step {
        const char* fix;
        int timer;
        const char* lamps; // Image2(0..3): the 2D pair, then the 3D pair
    };
    for (const Step& s : {Step{"2D", 1, "2---"}, Step{"2D", 1, "-2--"}, Step{"3D", 2, "--3-"},
                          Step{"3D", 2, "---3"}, Step{"2D", 1, "2---"}, Step{"--", 2, "----"}}) {
        SCOPED_TRACE(::testing::Message() << s.fix << " at Timer" << s.timer);
        nav.FixMode = QString::fromLatin1(s.fix);
        s.timer == 1 ? form->Timer1_Timer() : form->Timer2_Timer();
        EXPECT_EQ(Lamps(), s.lamps);
    }
}

TEST_F(TimersTest, StartUpCorrectionWaitsThirtySecondsOfOpenPort) {
    Load();
    Connect();
    Feed(WithChecksum("$GPZDA,033000,06,05,2002,00,00"));
    Feed("$GPGSA,A,3,04,05,,,,,,,,,,,1.0,1.0,1.0*00");
    for (int tick = 0; tick < 119; ++tick)
        form->Timer2_Timer();
    EXPECT_EQ(nav.ClockSetWait, 119);
    form->Timer2_Timer();
    Feed(WithChecksum("$GPGGA,033011,3541.1234,N,13945.6789,E,1,05,1.0,10,M,,M,,"));
    EXPECT_EQ(clock.timesSet, std::vector<QTime>{QTime(12, 30, 11)});
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

TEST_F(TimersTest, HourlyCorrectionNeedsMinute59OnBothClocksAFixAndTheSetting) {
    Load();
    Connect();
    struct Case {
        const char* name;
        QTime pc, gps;
        const char* fix;
        bool checked, settingOn;
        int done; // HourlySetDone before
        bool set;
        Rgb color;
        const char16_t* toolTip;
    };
    const QTime pc(12, 59, 10), gps(12, 59, 40);
    const Rgb untouched = RGB(1, 2, 3);
    const Case cases[] = {
        {"3D", pc, gps, "3D", true, true, 0, true, RGB(192, 255, 255), u"3D測位で時刻修正しました"},
        {"2D", pc, gps, "2D", true, true, 0, true, RGB(192, 192, 255), u"2D測位で時刻修正しました"},
        {"GPS time unchecked", pc, gps, "3D", false, true, 0, false, untouched, u"before"},
        {"PC at 12:56", QTime(12, 56, 0), gps, "3D", true, true, 0, false, untouched, u"before"},
        {"GPS at 12:58", pc, QTime(12, 58, 0), "3D", true, true, 0, false, untouched, u"before"},
        {"done this hour", pc, gps, "3D", true, true, 1, false, untouched, u"before"},
        {"setting off", pc, gps, "3D", true, false, 0, false, untouched, u"before"},
        {"no fix", pc, gps, "--", true, true, 0, false, kGrey, u"時刻修正していません"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        clock.timesSet.clear();
        clock.now = QDateTime(QDate(2024, 1, 1), c.pc);
        nav.JstDateTime =
            *MakeDate(2024, 1, 1) + *MakeTime(c.gps.hour(), c.gps.minute(), c.gps.second());
        nav.FixMode = QString::fromLatin1(c.fix);
        nav.JstDateTimeChecked = c.checked;
        prop.Check2.value = c.settingOn ? 1 : 0;
        nav.HourlySetDone = c.done;
        form->Label14.backColor = untouched;
        form->Label14.toolTip = QStringLiteral("before");
        form->Timer1_Timer();
        EXPECT_EQ(clock.timesSet, c.set ? std::vector<QTime>{c.gps} : std::vector<QTime>{});
        EXPECT_EQ(form->Label14.backColor, c.color);
        EXPECT_EQ(form->Label14.toolTip, QStringView(c.toolTip));
        EXPECT_EQ(nav.HourlySetDone, c.set || c.color == kGrey ? 1 : c.done);
    }

    // Once per minute 59, armed again after it.
    nav.FixMode = QStringLiteral("3D");
    form->Timer1_Timer();
    EXPECT_TRUE(clock.timesSet.empty());
    clock.now = QDateTime(QDate(2024, 1, 1), QTime(13, 0, 0));
    form->Timer1_Timer();
    EXPECT_EQ(nav.HourlySetDone, 0);
}

TEST_F(TimersTest, ARefusedClockIsToldOnceAtATimerTickAndNeverShownAsCorrected) {
    Load();
    Connect();
    clock.refuse = true;
    const QString refused = QStringLiteral("PCの時計を合わせることができませんでした。\r\n"
                                           "時計を変更する権限がありません。");
    auto countTold = [&] { return MessageTexts().count(refused); };
    // Start-up correction: refused inside the receive path, told at the next Timer1 tick.
    Feed(WithChecksum("$GPZDA,033000,06,05,2002,00,00"));
    Feed("$GPGSA,A,3,04,05,,,,,,,,,,,1.0,1.0,1.0*00");
    nav.ClockSetWait = 120;
    Feed(WithChecksum("$GPGGA,033011,3541.1234,N,13945.6789,E,1,05,1.0,10,M,,M,,"));
    EXPECT_EQ(clock.datesSet.size(), 1u);
    EXPECT_EQ(countTold(), 0) << "no message box from inside the receive path";
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
