#include "analysis/live_analysis.h"

#include "decoding/receiver.h"
#include "main_window/nav_form.h"

#include <QDateTime>
#include <QElapsedTimer>

namespace velsor::analysis {

namespace {

std::int64_t SteadyNow() {
    static const std::int64_t wall = QDateTime::currentMSecsSinceEpoch();
    static QElapsedTimer since;
    if (!since.isValid())
        since.start();
    return wall + since.elapsed();
}

} // namespace

LiveAnalysis::LiveAnalysis(Clock clock) : now(clock ? std::move(clock) : Clock(SteadyNow)) {}

void LiveAnalysis::Attach(NAV_FORM& form) {
    form.connected = [this, before = form.connected] {
        if (before)
            before();
        Connected();
    };
    if (!form.receiver)
        return;
    form.receiver->afterEpoch = [this, &form, before = form.receiver->afterEpoch] {
        if (before)
            before();
        if (form.MSComm1 && form.MSComm1->IsOpen())
            Epoch(form);
    };
}

void LiveAnalysis::Connected() {
    sampler.Forget();
    data.Start(now());
    started = true;
}

void LiveAnalysis::Epoch(const NAV_FORM& form) {
    if (!started)
        Connected();
    sampler.Sample(FixOf(form.nav, form), now());
}

} // namespace velsor::analysis
