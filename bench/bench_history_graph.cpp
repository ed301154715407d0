// Loading and drawing a week of reception history (3,360 records, all three series), and the
// longest stretch between two turns of the event loop while doing it.

#include "history_graph/frm_graph.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>

namespace {

class Silent : public velsor::platform::Dialogs {
public:
    velsor::platform::MsgResult MessageBox(const QString&, velsor::platform::MsgButtons,
                                           velsor::platform::MsgIcon, const QString&) override {
        return velsor::platform::MsgResult::Ok;
    }
    QString SaveFile(const velsor::platform::FileDialogOptions&) override { return {}; }
    QString OpenFile(const velsor::platform::FileDialogOptions&) override { return path; }
    void SetBusyPointer(bool) override {}
    QString path;
};

// The event pump of the program, timing the work between its turns.
class TimedPump : public velsor::platform::Program {
public:
    QString Directory() const override { return {}; }
    QString CommandLine() const override { return {}; }
    bool AnotherInstanceRunning() override { return false; }
    void ProcessEvents() override {
        if (clock.isValid())
            longest = std::max(longest, clock.nsecsElapsed());
        QCoreApplication::processEvents();
        clock.start();
    }
    void Exit() override {}
    bool StartSystemInfo() override { return false; }
    QElapsedTimer clock;
    qint64 longest = 0;
};

QByteArray Week() {
    QByteArray out;
    for (int i = 0; i < 3360; ++i) {
        const int view = 6 + i % 7, used = std::max(0, view - i % 4);
        out += QStringLiteral("%1,24/05/%2 %3:%4,%5,%6,%7\r\n")
                   .arg(i % 20)
                   .arg(6 + i / 480, 2, 10, QLatin1Char('0'))
                   .arg(i / 20 % 24, 2, 10, QLatin1Char('0'))
                   .arg(i % 20 * 3, 2, 10, QLatin1Char('0'))
                   .arg(used)
                   .arg(view)
                   .arg(used >= 4 ? 3 : 1)
                   .toLatin1();
    }
    return out;
}

void BM_LoadAndDrawWeek(benchmark::State& state) {
    QTemporaryDir dir;
    Silent dialogs;
    dialogs.path = dir.filePath(QStringLiteral("week.LOG"));
    QFile f(dialogs.path);
    f.open(QIODevice::WriteOnly);
    f.write(Week());
    f.close();
    TimedPump pump;
    velsor::frmGraph graph(dialogs, pump);
    graph.Form_Load();
    graph.Check3.value = 1;
    qint64 longest = 0;
    for (auto _ : state) {
        pump.clock.start(); // the handler starts right after a turn of the loop
        pump.longest = 0;
        graph.Mnu_File_Open_Click(); // load, then draw
        longest = std::max({longest, pump.longest, pump.clock.nsecsElapsed()});
        benchmark::DoNotOptimize(graph.Picture1.ops.data());
    }
    if (graph.HistoryLastIndex != 3359 || graph.Picture1.ops.size() < 3 * 3359)
        state.SkipWithError("the week was not loaded and drawn");
    state.counters["longest_gap_ms"] = static_cast<double>(longest) / 1e6;
    state.counters["ops"] = static_cast<double>(graph.Picture1.ops.size());
}
BENCHMARK(BM_LoadAndDrawWeek)->Unit(benchmark::kMillisecond);

} // namespace

#include "core_app_main.h"
