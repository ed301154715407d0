// Replay: loading a full recording (3360 snapshots) and showing block 0, and stepping through
// every block, of the GT-74/77 (five-line blocks) and of the by-fields model (the simulated
// multi-GNSS receiver's whole epochs); loading 20 MB that never completes a block ("Stopped."
// lines only, or one line). The load runs with a real event loop; "gap_ms" is the longest time
// the window system waited for a turn during one load (start to first yield, between yields,
// last yield to the end); "kept_MB" what the loaded snapshots take.

#include "decoding/receiver.h"
#include "main_window/nav_form.h"
#include "nav/nav.h"
#include "replay/frm_player.h"
#include "replay/recording_files.h"
#include "support/sky_recording.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>

namespace {

class Dialogs : public velsor::platform::Dialogs {
public:
    QString file;
    velsor::platform::MsgResult MessageBox(const QString&, velsor::platform::MsgButtons,
                                           velsor::platform::MsgIcon, const QString&) override {
        return velsor::platform::MsgResult::Ok;
    }
    QString SaveFile(const velsor::platform::FileDialogOptions&) override { return QString(); }
    QString OpenFile(const velsor::platform::FileDialogOptions&) override { return file; }
    void SetBusyPointer(bool) override {}
};

// Real event-loop turns, timed.
class Program : public velsor::platform::Program {
public:
    QElapsedTimer clock;
    qint64 last = 0, longest = 0;
    int turns = 0;
    void Begin() {
        clock.start();
        last = 0;
        longest = 0;
        turns = 0;
    }
    void Turn() {
        const qint64 now = clock.nsecsElapsed();
        longest = std::max(longest, now - last);
        last = now;
    }
    QString Directory() const override { return QString(); }
    QString CommandLine() const override { return QString(); }
    bool AnotherInstanceRunning() override { return false; }
    void ProcessEvents() override {
        Turn();
        ++turns;
        QCoreApplication::processEvents();
    }
    void Exit() override {}
    bool StartSystemInfo() override { return false; }
};

struct Rig {
    explicit Rig(
        const QByteArray& content = velsor::testing::RecordingText(QStringLiteral("S 3360 X"))) {
        dialogs.file = dir.filePath(QStringLiteral("week.CSV"));
        velsor::testing::WriteFile(dialogs.file, content);
        nav.TunerType = QStringLiteral("0");
        form.PrepareDisplay();
    }
    QTemporaryDir dir;
    Dialogs dialogs;
    Program program;
    velsor::Nav nav;
    velsor::NAV_FORM form{nav};
    velsor::Receiver receiver{nav, form, nullptr};
    velsor::frmPlayer player{nav, form, receiver, dialogs, program};
};

// A week of each model's recording.
QByteArray Week(bool epochs) {
    return epochs ? velsor::testing::SkyRecording(3360, std::nullopt, velsor::sim::Tuner::Gnss)
                  : velsor::testing::RecordingText(QStringLiteral("S 3360 X"));
}

double KeptMegabytes(const velsor::Nav& nav) {
    double bytes = static_cast<double>(nav.ReplayText.capacity()) +
                   static_cast<double>(nav.ReplayAt.capacity() * sizeof(qsizetype));
    for (const auto& block : nav.ReplayLine)
        for (const QString& line : block)
            bytes += line.isEmpty() ? 0 : static_cast<double>(line.capacity()) * 2 + 24;
    return bytes / 1e6;
}

void LoadAndShowBlock0(benchmark::State& state) {
    Rig rig(Week(state.range(0) == 1));
    qint64 worstGap = 0;
    int turns = 0;
    for (auto _ : state) {
        rig.program.Begin();
        rig.player.OpenReplayFile();
        rig.program.Turn(); // the end of the load
        worstGap = std::max(worstGap, rig.program.longest);
        turns += rig.program.turns;
        if (rig.nav.ReplayCount != 3359)
            state.SkipWithError("not loaded");
    }
    state.SetLabel(state.range(0) == 1 ? "whole epochs" : "five-line blocks");
    state.counters["gap_ms"] = static_cast<double>(worstGap) / 1e6;
    state.counters["turns/load"] =
        static_cast<double>(turns) / static_cast<double>(state.iterations());
    state.counters["kept_MB"] = KeptMegabytes(rig.nav);
}
BENCHMARK(LoadAndShowBlock0)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// 20 MB of what is no recording: refused in the end, but the window is never kept waiting.
void LoadNoBlocks(benchmark::State& state) {
    const QByteArray stop = velsor::testing::kStopLine.toLatin1() + "\r\n";
    const qsizetype size = 20 << 20;
    Rig rig("S\r\n" +
            (state.range(0) == 0 ? stop.repeated(size / stop.size()) : QByteArray(size, 'x')));
    qint64 worstGap = 0;
    for (auto _ : state) {
        rig.program.Begin();
        rig.player.OpenReplayFile();
        rig.program.Turn();
        worstGap = std::max(worstGap, rig.program.longest);
    }
    state.SetLabel(state.range(0) == 0 ? "Stopped. lines" : "one line");
    state.counters["gap_ms"] = static_cast<double>(worstGap) / 1e6;
}
BENCHMARK(LoadNoBlocks)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void StepThroughAllBlocks(benchmark::State& state) {
    Rig rig(Week(state.range(0) == 1));
    rig.player.OpenReplayFile();
    for (auto _ : state) {
        for (int v = 1; v <= rig.nav.ReplayCount; ++v)
            rig.player.SetHScroll1Value(v);
        rig.player.SetHScroll1Value(0);
    }
    state.counters["blocks/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * (rig.nav.ReplayCount + 1),
                           benchmark::Counter::kIsRate);
}
BENCHMARK(StepThroughAllBlocks)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace

#include "core_app_main.h"
