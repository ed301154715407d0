#pragma once
// The reception analysis of the link to the tuner: a new session at every connection, one
// sample of the window's state per epoch while the link is open (replayed snapshots, which go
// through the same receiver with the link closed, are not the antenna's). It runs whether the
// analysis window is open or not, so it only copies what the decoders have already shown.
// Epochs are placed at the receiver's own UTC (the PC's clock when it gives none); the time to
// the first fix is measured on the PC's clock from the connection.

#include "analysis/reception_analysis.h"

#include <functional>

namespace velsor {
class NAV_FORM;
}

namespace velsor::analysis {

class LiveAnalysis {
public:
    // Milliseconds since 1970 UTC. The default follows the PC's clock from the first call on
    // without its jumps (the program itself may set the clock).
    using Clock = std::function<std::int64_t()>;
    explicit LiveAnalysis(Clock now = {});

    // Hooks the main window's connection and its receiver's epochs; earlier hooks still run.
    void Attach(NAV_FORM& form);

    void Connected();
    void Epoch(const NAV_FORM& form);

    const ReceptionAnalysis& Data() const { return data; }
    bool Started() const { return started; }

private:
    Clock now;
    ReceptionAnalysis data;
    EpochSampler sampler{data};
    bool started = false;
};

} // namespace velsor::analysis
