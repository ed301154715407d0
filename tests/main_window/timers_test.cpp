// The start-up correction delay and the hourly PC clock correction; the lamps are the view
// test's.

#include "support/main_window_fixture.h"

#include <QColor>

using namespace velsor;
using velsor::testing::MainWindowTest;
using velsor::testing::WithChecksum;

namespace {

const QString kRefused = QStringLiteral("PCの時計を合わせることができませんでした。\r\n"
                                        "時計を変更する権限がありません。");

class TimersTest : public MainWindowTest {
protected:
    void SetUp() override { Load(); }
    void FeedFix() {
        Feed(WithChecksum("$GPZDA,033011,06,05,2096,00,00"));
        Feed("$GPGSA,A,3,04,05,,,,,,,,,,,1.0,1.0,1.0*00");
    }
    void FeedGga() {
        Feed(WithChecksum("$GPGGA,033011,3541.1234,N,13945.6789,E,1,05,1.0,10,M,,M,,"));
    }
};

} // namespace

// The start-up correction waits for 120 Timer2 ticks of open port, a date and a fix, then sets
// the clock once; disconnecting takes the claim back and reconnecting arms it again. A clock
// that cannot be set is told once per run, from the event loop.
TEST_F(TimersTest, StartUpCorrectionWaitsThirtySecondsOfOpenPortADateAndAFix) {
    Connect();
    FeedFix();
    for (int tick = 0; tick < 120; ++tick) {
        FeedGga();
        form->Timer2_Timer();
    }
    EXPECT_TRUE(clock.timesSet.empty()) << "120 ticks of Timer2 first";
    Feed("$GPGSA,A,1,,,,,,,,,,,,,,,*00");
    FeedGga();
    EXPECT_TRUE(clock.timesSet.empty()) << "no fix";
    FeedFix();
    FeedGga();
    FeedGga(); // once per arming
    ASSERT_EQ(clock.datesSet.size(), 1u);
    EXPECT_EQ(QDateTime(clock.datesSet[0], clock.timesSet[0]),
              QDateTime(QDate(2096, 5, 6), QTime(12, 30, 11)));
    EXPECT_EQ(std::pair(form->Label14.backColor, form->Label14.toolTip),
              std::pair(RGB(192, 255, 255), QStringLiteral("3D測位で時刻修正しました")));

    form->Mnu_Stop_Click();
    EXPECT_EQ(std::pair(form->Label14.backColor, form->Label14.toolTip),
              std::pair(RGB(192, 192, 192), QStringLiteral("選択しているGPSチューナ")))
        << "no correction claimed once the link is gone";
    form->Mnu_Start_Click();
    EXPECT_EQ(nav.ClockSetDone, 0) << "reconnecting arms it again";

    // Refused inside the receive path: told once that has returned, never shown as corrected.
    clock.refuse = true;
    FeedFix();
    nav.ClockSetWait = 120;
    FeedGga();
    EXPECT_EQ(clock.datesSet.size(), 2u);
    EXPECT_TRUE(dialogs.messages.empty()) << "no message box from inside the receive path";
    EXPECT_EQ(MessageTexts(), QStringList{kRefused});
    EXPECT_EQ(std::pair(form->Label14.backColor, form->Label14.toolTip),
              std::pair(RGB(192, 192, 192), QStringLiteral("時刻修正できませんでした")));
}

TEST_F(TimersTest, HourlyCorrectionNeedsMinute59OnBothClocksAFixAndTheSetting) {
    Connect();
    // One Timer1 tick; what was set, the label's colour and tip, and HourlySetDone after it.
    const auto tick = [&](QTime pc, QTime gps, const char* fix, bool checked = true,
                          int setting = 1, int done = 0, int year = 2096) {
        clock.timesSet.clear();
        clock.now = QDateTime(QDate(2024, 1, 1), pc);
        nav.JstClockTime =
            checked ? *MakeDate(year, 1, 1) + *MakeTime(gps.hour(), gps.minute(), gps.second()) : 0;
        nav.FixMode = QString::fromLatin1(fix);
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
    EXPECT_EQ(tick(pc, gps, "3D", true, 1, 0, 2007), untouched + u'0')
        << "a day before the program was built (a receiver past a week rollover)";
    clock.refuse = true; // the same look, one message a run
    EXPECT_EQ(tick(pc, gps, "3D"), u"- #c0c0c0 時刻修正できませんでした 1");
    EXPECT_EQ(tick(pc, gps, "3D"), u"- #c0c0c0 時刻修正できませんでした 1");
    EXPECT_EQ(MessageTexts(), QStringList{kRefused});
    clock.now = QDateTime(QDate(2024, 1, 1), QTime(13, 0, 0));
    form->Timer1_Timer();
    EXPECT_EQ(nav.HourlySetDone, 0) << "armed again after minute 59";
}

// The PC clock takes a date and a time of one moment: the date sentence's own time says which
// day a GGA time belongs to, also across UTC midnight, and only a GGA and a date sentence whose
// checksums are there and right count, of a day not before the program was built. The display
// keeps its own rule and takes every sentence.
TEST_F(TimersTest, TheClockIsSetFromADateAndATimeOfOneMomentWithCheckedSums) {
    const QString gga0 = WithChecksum("$GPGGA,000000,3541.1234,N,13945.6789,E,1,05,1.0,10,M,,M,,");
    const char* gga123456 = "$GPGGA,123456,3541.1234,N,13945.6789,E,1,05,1.0,10,M,,M,,";
    const QString gga = WithChecksum(gga123456),
                  zda = WithChecksum("$GPZDA,235959,31,12,2096,00,00");
    const QString late = WithChecksum("$GPGGA,235959,3541.1234,N,13945.6789,E,1,05,1.0,10,M,,M,,");
    const QString zda2096 = WithChecksum("$GPZDA,123456,06,05,2096,00,00");
    const QString rmc2096 =
        WithChecksum("$GPRMC,123456.0,A,3541.1234,N,13945.6789,E,00.0,000.0,060596,,,A");
    // One bit flipped in the year: 2096 becomes 2086, the checksum no longer fits.
    const QString rmc2086 = QString(rmc2096).replace(u"060596"_qs, u"060586"_qs);
    QString ggaWrong = gga;
    ggaWrong[7] = u'2'; // 223456: the checksum is the one of 123456
    const QString ggaLower = gga.chopped(2) + gga.right(2).toLower();
    ASSERT_NE(ggaLower, gga) << "the checksum needs a letter for this case";
    const auto jst = [](int y, int mo, int d, int h, int mi, int sec) {
        return QDateTime(QDate(y, mo, d), QTime(h, mi, sec));
    };
    const struct {
        char tuner;
        QStringList lines;
        QDateTime set; // JST; invalid: not set
    } cases[] = {
        // No date yet: the clock would go to midnight.
        {'0', {gga}, {}},
        // New Year's Eve: the old year's ZDA, then the GGA of midnight.
        {'0', {zda, gga0}, jst(2097, 1, 1, 9, 0, 0)},
        // The new day's ZDA before a late GGA.
        {'0', {WithChecksum("$GPZDA,000000,01,01,2097,00,00"), late}, jst(2097, 1, 1, 8, 59, 59)},
        // RMC at the end of March, then the GGA of midnight.
        {'1',
         {WithChecksum("$GPRMC,235959.0,A,3541.1234,N,13945.6789,E,00.0,000.0,310396,,,A"),
          WithChecksum("$GPGGA,000000.0,3541.1234,N,13945.6789,E,1,05,1.0,10,M,,M,,")},
         jst(2096, 4, 1, 9, 0, 0)},
        // A date sentence a minute old; a ZDA whose time is no time of day.
        {'0', {WithChecksum("$GPZDA,235859,31,12,2096,00,00"), late}, {}},
        {'0', {WithChecksum("$GPZDA,240000,30,12,2096,00,00"), gga0}, {}},
        // A day before the program was built: a receiver past a GPS week rollover.
        {'0', {WithChecksum("$GPZDA,123456,22,08,1999,00,00"), gga}, {}},
        // Checksums: in lower-case hex; a corrupted RMC after a good one; a GGA's wrong or none.
        {'1', {zda2096, ggaLower}, jst(2096, 5, 6, 21, 34, 56)},
        {'1', {rmc2096, rmc2086, gga}, {}},
        {'1', {zda2096, ggaWrong}, {}},
        {'1', {zda2096, QString::fromLatin1(gga123456)}, {}},
        // The link closed, as in a replay.
        {'0', {zda, gga0}, {}},
    };
    Connect();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.lines.join(u' ').toStdString());
        if (&c == &cases[std::size(cases) - 1])
            form->Mnu_Stop_Click();
        clock.datesSet.clear();
        clock.timesSet.clear();
        form->Label4[1].caption.clear();
        nav.TunerType = QChar::fromLatin1(c.tuner);
        nav.FixMode = QStringLiteral("3D");
        nav.ClockSetDone = 0;
        nav.ClockSetWait = 120;
        for (const QString& line : c.lines)
            Feed(line);
        ASSERT_EQ(clock.datesSet.size(), c.set.isValid() ? 1u : 0u);
        EXPECT_EQ(nav.ClockSetDone, c.set.isValid() ? 1 : 0)
            << "an unchecked time leaves it pending";
        if (c.set.isValid()) {
            EXPECT_EQ(QDateTime(clock.datesSet[0], clock.timesSet[0]), c.set);
        }
        EXPECT_FALSE(form->Label4[1].caption.isEmpty()) << "the display takes every GGA";
        if (&c == &cases[1]) {
            EXPECT_EQ(form->Label4[1].caption, u"2096/12/31 9:00:00") << "the display's own rule";
        }
        if (c.lines.contains(rmc2086)) {
            EXPECT_TRUE(form->Label4[2].caption.startsWith(u"2086 年")) << "and every date";
        }
    }
}
