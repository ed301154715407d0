// Replay in the window: the real main window and replay window (offscreen), a week of recording
// (3360 snapshots) chosen from the replay menu, loaded with the event loop turning, block 0 fed
// and both windows drawn (grabbed). Five-line blocks of the GT-74/77 and whole epochs of the
// by-fields model; "rss_MB" is the process's resident memory after the last load.

#include "main_window/nav_form.h"
#include "nav/nav.h"
#include "replay/recording_files.h"
#include "settings/prop_form.h"
#include "support/fake_platform.h"
#include "support/fakes.h"
#include "support/sky_recording.h"
#include "views/nav_form_view.h"
#include "views/player_view.h"
#include "views/windows.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

namespace {

using namespace velsor;

// Lets the window system in for real, as the program does.
class Program : public testing::FakeProgram {
public:
    void ProcessEvents() override { QCoreApplication::processEvents(); }
};

double ResidentMegabytes() {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : f.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ')[0].toDouble() / 1024;
    }
    return -1;
}

void ReplayWeekInTheWindow(benchmark::State& state) {
    const bool epochs = state.range(0) == 1;
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("week.CSV"));
    testing::WriteFile(file, epochs ? testing::SkyRecording(3360, std::nullopt, sim::Tuner::Gnss)
                                    : testing::RecordingText(QStringLiteral("S 3360 X")));
    testing::FakeClock clock;
    testing::FakeDialogs dialogs;
    Program program;
    program.directory = dir.path();
    program.commandLine = QStringLiteral("REPLAY");
    testing::FakeSerialPortFactory ports;
    platform::Platform platform{clock, dialogs, program, ports};
    Nav nav;
    Prop_Form prop{nav};
    NAV_FORM form{nav, platform, prop};
    form.Form_Load();
    views::NavFormView view(form);
    views::ConnectWindows(form, view);
    view.show();
    QCoreApplication::processEvents();
    auto* player = view.findChild<views::PlayerView*>(QStringLiteral("frmPlayer"));
    for (auto _ : state) {
        dialogs.files.push_back(file);
        form.Mnu_Replay_Click();
        // The program renders at its next 50 ms tick; here at once.
        view.Render();
        QCoreApplication::processEvents();
        benchmark::DoNotOptimize(view.grab());
        benchmark::DoNotOptimize(player->grab());
        state.PauseTiming();
        if (nav.ReplayCount != 3359)
            state.SkipWithError("not loaded");
        const double rss = ResidentMegabytes();
        player->close();
        QCoreApplication::processEvents();
        state.counters["rss_MB"] = rss;
        state.ResumeTiming();
    }
    state.SetLabel(epochs ? "whole epochs" : "five-line blocks");
}
BENCHMARK(ReplayWeekInTheWindow)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
