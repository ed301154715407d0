// Decoding throughput of the receive path on real captures (every shared capture, one after
// the other), for both tuner models. Reports sentences per second.

#include "decoding/receiver.h"
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

void Decode(benchmark::State& state, const char* tuner, qsizetype chunk) {
    static const QByteArray data = AllCaptures();
    velsor::Nav nav;
    nav.TunerType = QString::fromLatin1(tuner);
    velsor::NAV_FORM form(nav);
    form.PrepareDisplay();
    velsor::Receiver rx(nav, form, nullptr);
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

} // namespace

BENCHMARK(BM_DecodeGt74Chunks64K)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeCfgpsChunks64K)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeGt74Chunks16)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
