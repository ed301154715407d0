// Decoding throughput of the receive path on real captures (every shared capture, one after
// the other), for both tuner models. Reports sentences per second.

#include "decoding/receiver.h"
#include "decoding/stream_health.h"
#include "main_window/nav_form.h"
#include "nav/nav.h"
#include "support/captures.h"

#include <benchmark/benchmark.h>

#include <QFile>

namespace {

QByteArray AllCaptures() {
    QByteArray data;
    for (const QString& name : velsor::testing::CaptureFiles(QStringLiteral(VELSOR_TEST_DATA))) {
        QFile f(name);
        if (f.open(QIODevice::ReadOnly))
            data += f.readAll();
    }
    return data;
}

void Decode(benchmark::State& state, const char* tuner, qsizetype chunk, bool health = false) {
    static const QByteArray data = AllCaptures();
    velsor::Nav nav;
    nav.TunerType = QString::fromLatin1(tuner);
    velsor::NAV_FORM form(nav);
    form.PrepareDisplay();
    velsor::Receiver rx(nav, form, nullptr);
    velsor::StreamHealth listener;
    if (health)
        rx.listener = &listener;
    for (auto _ : state) {
        for (qsizetype i = 0; i < data.size(); i += chunk)
            rx.AssembleBytes(QByteArrayView(data).sliced(i, std::min(chunk, data.size() - i)));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * data.size());
    state.counters["sentences/s"] =
        benchmark::Counter(static_cast<double>(rx.linesDispatched), benchmark::Counter::kIsRate);
}

void BM_DecodeGt74Chunks64K(benchmark::State& s) {
    Decode(s, "0", 1 << 16);
}
void BM_DecodeCfgpsChunks64K(benchmark::State& s) {
    Decode(s, "1", 1 << 16);
}
// Serial ports deliver small chunks.
void BM_DecodeGt74Chunks16(benchmark::State& s) {
    Decode(s, "0", 16);
}

// The same with the stream-health listener on: its cost is the difference.
void BM_DecodeGt74Chunks64KHealth(benchmark::State& s) {
    Decode(s, "0", 1 << 16, true);
}
void BM_DecodeGt74Chunks16Health(benchmark::State& s) {
    Decode(s, "0", 16, true);
}

// The listener alone, over the same lines: what it adds per line.
void BM_HealthOnly(benchmark::State& state) {
    static const QByteArray data = AllCaptures();
    static const QStringList lines = [] {
        QStringList l;
        for (const QByteArray& b : data.split('\n'))
            l << QString::fromLatin1(b + '\n');
        return l;
    }();
    velsor::StreamHealth health;
    for (auto _ : state) {
        for (const QString& l : lines)
            health.Line(l);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * data.size());
    state.counters["sentences/s"] =
        benchmark::Counter(static_cast<double>(health.lines), benchmark::Counter::kIsRate);
}

} // namespace

BENCHMARK(BM_DecodeGt74Chunks64K)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeCfgpsChunks64K)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeGt74Chunks16)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeGt74Chunks64KHealth)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeGt74Chunks16Health)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HealthOnly)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
