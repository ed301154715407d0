// Decoding throughput of the receive path on real captures (every shared capture, one after
// the other), for the tuner models. Reports sentences per second. Also: placing the marks of a
// full sky apart, which the window does once per epoch it draws.

#include "decoding/receiver.h"
#include "decoding/stream_health.h"
#include "main_window/nav_form.h"
#include "nav/nav.h"
#include "support/captures.h"

#include <benchmark/benchmark.h>

#include <QDir>
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

// The multi-GNSS captures beside the clone, one after the other.
QByteArray GnssCaptures() {
    QByteArray data;
    const QDir dir(velsor::testing::SharedDataDir() + QStringLiteral("/nmea-gnss"));
    for (const QString& name : dir.entryList({QStringLiteral("*.log")}, QDir::Files, QDir::Name))
        data += velsor::testing::FileBytes(dir.filePath(name));
    return data;
}

void Decode(benchmark::State& state, const char* tuner, qsizetype chunk, bool health = false,
            bool gnss = false) {
    static const QByteArray fixed = AllCaptures(), multi = GnssCaptures();
    const QByteArray& data = gnss ? multi : fixed;
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

// The field model on the multi-GNSS captures, in 64 KB and in serial-port chunks.
void BM_DecodeFieldsGnssChunks64K(benchmark::State& s) {
    Decode(s, "2", 1 << 16, false, true);
}
void BM_DecodeFieldsGnssChunks16(benchmark::State& s) {
    Decode(s, "2", 16, false, true);
}

// The marks of a 43-satellite sky (u-blox NEO-M9N) placed apart afresh.
void BM_PlaceSkyMarks(benchmark::State& state) {
    velsor::Nav nav;
    nav.TunerType = QStringLiteral("2");
    velsor::NAV_FORM form(nav);
    form.PrepareDisplay();
    velsor::Receiver rx(nav, form, nullptr);
    rx.AssembleBytes(velsor::testing::FileBytes(
        velsor::testing::SharedDataDir() + QStringLiteral("/nmea-gnss/ublox-neo-m9n-nmea.log")));
    rx.Flush();
    const std::vector<velsor::DrawOp> unplaced = form.Picture1.ops;
    for (auto _ : state) {
        form.Picture1.ops = unplaced;
        form.Picture1.marksPlaced = false;
        form.Picture1.PlaceMarks();
    }
    state.counters["marks"] = static_cast<double>(nav.Gnss.satCount);
}

} // namespace

BENCHMARK(BM_DecodeFieldsGnssChunks64K)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeFieldsGnssChunks16)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlaceSkyMarks)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DecodeGt74Chunks64K)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeCfgpsChunks64K)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeGt74Chunks16)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeGt74Chunks64KHealth)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeGt74Chunks16Health)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HealthOnly)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
