// The reception analysis: what one epoch costs the monitor (sampling the window's state and
// adding it, as the live session does at every epoch whether the window is open or not), and
// drawing each page over a simulated week at 1 Hz with 26 to 40 satellites (24 million
// sightings): the page made as a display list and painted at the window's size. Goal: a page
// within 100 ms. Also reports the analysis's heap after the week.

#include "analysis/analysis_pages.h"
#include "analysis/live_analysis.h"
#include "decoding/receiver.h"
#include "drawing/painter.h"
#include "main_window/nav_form.h"
#include "nmea_sim.h"

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <malloc.h>

#include <memory>

namespace {

using namespace velsor;
using analysis::ReceptionAnalysis;

constexpr std::int64_t kWeek = 7 * 24 * 3600;

FixSnapshot Snapshot(const sim::Epoch& e) {
    FixSnapshot f;
    f.utc = e.utc.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzzZ")).toLatin1();
    f.lat = e.position.latitude;
    f.lon = e.position.longitude;
    f.alt = e.position.altitude;
    f.mode = e.fix == sim::Fix::ThreeD ? 3 : e.fix == sim::Fix::TwoD ? 2 : 1;
    const GnssSystem systems[] = {GnssSystem::GPS, GnssSystem::GLONASS, GnssSystem::Galileo,
                                  GnssSystem::BeiDou};
    for (const sim::Satellite& s : e.inView) {
        GnssSatellite g;
        g.system = systems[int(s.system)];
        g.prn = std::uint16_t(s.prn);
        g.el = std::int16_t(s.elevation);
        g.az = std::int16_t(s.azimuth);
        g.snr = std::int16_t(s.snr > 0 ? s.snr : -1);
        g.used =
            std::find(e.used.begin(), e.used.end(), sim::SatId{s.system, s.prn}) != e.used.end();
        f.sats.push_back(g);
        f.used += g.used ? 1 : 0;
    }
    f.inView = int(f.sats.size());
    return f;
}

const QDateTime kStart(QDate(2026, 11, 30), QTime(0, 0), Qt::UTC);

// The heap the week's analysis holds, measured by the allocator while it is made.
std::size_t weekHeap = 0;

const ReceptionAnalysis& Week() {
    static const std::unique_ptr<ReceptionAnalysis> week = [] {
        const std::size_t before = mallinfo2().uordblks;
        auto a = std::make_unique<ReceptionAnalysis>();
        sim::Generator gen(sim::Tuner::Gnss, 1, {});
        gen.setBlocked(sim::Sector{90, 179, 40});
        for (std::int64_t s = 0; s < kWeek; ++s) {
            const sim::Epoch e = gen.epoch(kStart.addSecs(s), s);
            a->AddEpoch(Snapshot(e), kStart.toMSecsSinceEpoch() + s * 1000);
        }
        weekHeap = mallinfo2().uordblks - before;
        return a;
    }();
    return *week;
}

// Adding one epoch of 26 to 40 satellites.
void BM_AddEpoch(benchmark::State& state) {
    sim::Generator gen(sim::Tuner::Gnss, 1, {});
    std::vector<FixSnapshot> epochs;
    for (int s = 0; s < 600; ++s)
        epochs.push_back(Snapshot(gen.epoch(kStart.addSecs(s), s)));
    ReceptionAnalysis a;
    std::int64_t t = kStart.toMSecsSinceEpoch();
    std::size_t i = 0;
    for (auto _ : state) {
        a.AddEpoch(epochs[i++ % epochs.size()], t);
        t += 1000;
    }
}
BENCHMARK(BM_AddEpoch);

// The live session's whole cost per epoch on the multi-GNSS model: the window's state as one
// value (FixOf) and its sample, after the receiver has decoded the second.
void BM_LiveEpoch(benchmark::State& state) {
    Nav nav;
    nav.TunerType = QStringLiteral("2");
    nav.Pi = kPi;
    NAV_FORM form(nav);
    form.PrepareDisplay();
    Receiver rx(nav, form, nullptr);
    sim::Generator gen(sim::Tuner::Gnss, 1, {});
    rx.AssembleBytes(gen.burst(kStart, 0));
    analysis::LiveAnalysis live([t = std::int64_t(0)]() mutable { return t += 1000; });
    live.Connected();
    for (auto _ : state)
        live.Epoch(form);
}
BENCHMARK(BM_LiveEpoch);

// A page over the week: made and painted at the window's size (800 x 520 pixels).
void BM_DrawPage(benchmark::State& state) {
    const ReceptionAnalysis& a = Week();
    const drawing::Style style;
    analysis::PageOptions o;
    o.range = ReceptionAnalysis::Range(state.range(1));
    o.measure = drawing::Measure(style);
    o.source = QStringLiteral("week");
    QImage image(800, 520, QImage::Format_RGB32);
    for (auto _ : state) {
        const PictureBox pic = analysis::DrawPage(a, analysis::Page(state.range(0)), o);
        QPainter p(&image);
        drawing::PaintPicture(p, pic, QRectF(0, 0, 800, 520), style);
        benchmark::DoNotOptimize(pic.ops.size());
    }
    state.SetLabel(
        (analysis::PageName(analysis::Page(state.range(0))) + u' ' + analysis::RangeName(o.range))
            .toStdString());
}
BENCHMARK(BM_DrawPage)
    ->Args({0, 0})
    ->Args({0, 1})
    ->Args({0, 2})
    ->Args({0, 3})
    ->Args({1, 1})
    ->Args({2, 1})
    ->Args({3, 1})
    ->Unit(benchmark::kMillisecond);

// The display list alone.
void BM_MakePage(benchmark::State& state) {
    const ReceptionAnalysis& a = Week();
    analysis::PageOptions o;
    o.range = ReceptionAnalysis::Range(state.range(1));
    for (auto _ : state) {
        const PictureBox pic = analysis::DrawPage(a, analysis::Page(state.range(0)), o);
        benchmark::DoNotOptimize(pic.ops.size());
    }
}
BENCHMARK(BM_MakePage)->Args({0, 0})->Args({0, 3})->Unit(benchmark::kMillisecond);

// The analysis's own heap after the week: everything it keeps.
void BM_WeekHeap(benchmark::State& state) {
    const ReceptionAnalysis& a = Week();
    for (auto _ : state)
        benchmark::DoNotOptimize(a.Epochs());
    state.counters["heap_MB"] = double(weekHeap) / (1024.0 * 1024.0);
    state.counters["epochs"] = double(a.Epochs());
}
BENCHMARK(BM_WeekHeap)->Iterations(1);

} // namespace

int main(int argc, char** argv) {
    // Drawing needs fonts, not a screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
