// The two timers of the main window: lamps, the start-up correction delay, the hourly PC clock
// correction and the recording step.

#include "main_window/nav_form.h"
#include "settings/prop_form.h"

#include <limits>

namespace velsor {

void NAV_FORM::SetPcClock(DateValue v) {
    // A refusal (no privilege) is ignored: the program carries on either way.
    platform->clock.SetLocalDate(DatePart(v));
    platform->clock.SetLocalTime(TimePart(v));
}

void NAV_FORM::Timer1_Timer() {
    // Reception lamp: lit for three ticks after the last receive event, dark on the fourth.
    if (nav.RxActivityCount != 0) {
        --nav.RxActivityCount;
        Image1[0].visible = nav.RxActivityCount != 0;
        Image1[1].visible = nav.RxActivityCount == 0;
    }
    if (nav.FixMode == u"2D") {
        Image2[2].visible = Image2[3].visible = false;
        const bool phase = Image2[0].visible;
        Image2[0].visible = !phase;
        Image2[1].visible = phase;
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
    const QDateTime now = platform->clock.Now();
    const bool pc59 = now.time().minute() == 59;
    const bool gps59 = TimePart(nav.JstDateTime).minute() == 59;
    const bool settingOn = prop && prop->Check2.value == 1;
    const bool armed = nav.HourlySetDone == 0;
    if (gps59 && open && nav.FixMode == u"2D" && pc59 && armed && settingOn) {
        SetPcClock(nav.JstDateTime);
        nav.HourlySetDone = 1;
        Label14.backColor = RGB(192, 192, 255);
        Label14.toolTip = QStringLiteral("2D測位で時刻修正しました");
    } else if (gps59 && open && nav.FixMode == u"3D" && pc59 && armed && settingOn) {
        SetPcClock(nav.JstDateTime);
        nav.HourlySetDone = 1;
        Label14.backColor = RGB(192, 255, 255);
        Label14.toolTip = QStringLiteral("3D測位で時刻修正しました");
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
        Image2[0].visible = Image2[1].visible = false;
        const bool phase = Image2[2].visible;
        Image2[2].visible = !phase;
        Image2[3].visible = phase;
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
}

} // namespace velsor
