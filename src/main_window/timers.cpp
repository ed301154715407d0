// The two timers of the main window: lamps, the start-up correction delay, the hourly PC clock
// correction and the recording step.

#include "main_window/nav_form.h"
#include "nav/build_date.h"
#include "settings/prop_form.h"

#include <limits>

namespace velsor {

namespace {

// One blink of a two-phase lamp; the other fix lamp's pair goes dark.
void Blink(Image& first, Image& second, Image& otherFirst, Image& otherSecond) {
    otherFirst.visible = otherSecond.visible = false;
    const bool phase = first.visible;
    first.visible = !phase;
    second.visible = phase;
}

} // namespace

bool NAV_FORM::SetPcClock(DateValue v) {
    // The system may refuse (no right to set the clock); the time is not tried after a
    // refused date.
    return platform->clock.SetLocalDate(DatePart(v)) && platform->clock.SetLocalTime(TimePart(v));
}

void NAV_FORM::ShowClockCorrected(bool at2D) {
    Label14.backColor = at2D ? RGB(192, 192, 255) : RGB(192, 255, 255);
    Label14.toolTip = at2D ? QStringLiteral("2D測位で時刻修正しました")
                           : QStringLiteral("3D測位で時刻修正しました");
}

void NAV_FORM::ShowClockCorrection(bool set, bool at2D) {
    if (set) {
        ShowClockCorrected(at2D);
        return;
    }
    Label14.backColor = kGrey;
    Label14.toolTip = QStringLiteral("時刻修正できませんでした");
    // Once per run: the right to set the clock does not come back by itself.
    if (clockRefusalTold)
        return;
    clockRefusalTold = true;
    TellLater(QStringLiteral("PCの時計を合わせることができませんでした。\r\n"
                             "時計を変更する権限がありません。"));
}

void NAV_FORM::Timer1_Timer() {
    // Reception lamp: lit for three ticks after the last receive event, dark on the fourth.
    if (nav.RxActivityCount != 0) {
        --nav.RxActivityCount;
        Image1[0].visible = nav.RxActivityCount != 0;
        Image1[1].visible = nav.RxActivityCount == 0;
    }
    if (nav.FixMode == u"2D") {
        Blink(Image2[0], Image2[1], Image2[2], Image2[3]);
    } else if (nav.FixMode == u"--") {
        for (auto& img : Image2)
            img.visible = false;
    }
    const bool open = MSComm1->IsOpen();
    if (!open) {
        for (auto& img : Image2)
            img.visible = false;
    }

    // Hourly correction in minute 59, once per hour, only when PC and GPS agree on the minute.
    const bool pc59 = platform->clock.Now().time().minute() == 59;
    const bool gps59 = TimePart(nav.JstClockTime).minute() == 59;
    const bool settingOn = prop && prop->Check2.value == 1;
    const bool armed = nav.HourlySetDone == 0;
    const bool fixed = nav.FixMode == u"2D" || nav.FixMode == u"3D";
    // The GPS time counts only when its GGA and date sentence passed their checksums and
    // belong to the same moment, and never before the program was built.
    if (gps59 && open && fixed && pc59 && armed && settingOn &&
        ClockMomentPlausible(nav.JstClockTime)) {
        nav.HourlySetDone = 1;
        ShowClockCorrection(SetPcClock(nav.JstClockTime), nav.FixMode == u"2D");
    } else if (open && nav.FixMode == u"--" && pc59 && armed && settingOn) {
        nav.HourlySetDone = 1;
        Label14.backColor = kGrey;
        Label14.toolTip = QStringLiteral("時刻修正していません");
    } else if (open && !pc59 && nav.HourlySetDone == 1 && settingOn) {
        nav.HourlySetDone = 0;
    }
}

void NAV_FORM::Timer2_Timer() {
    if (nav.FixMode == u"3D") {
        Blink(Image2[2], Image2[3], Image2[0], Image2[1]);
    } else if (nav.FixMode == u"--") {
        for (auto& img : Image2)
            img.visible = false;
    }
    const bool open = MSComm1->IsOpen();
    if (!open)
        Image2[2].visible = Image2[3].visible = false;
    // Counts while the correction is pending; only reaching 120 matters, so it stops at the
    // type's limit instead of wrapping.
    if (open && nav.ClockSetDone == 0 &&
        nav.ClockSetWait < std::numeric_limits<std::int16_t>::max())
        ++nav.ClockSetWait;
    RecordingStep();
    CheckReceptionHint();
}

} // namespace velsor
