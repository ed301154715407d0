#include "line_pacer.h"
#include "nmea_sim.h"

#include <gtest/gtest.h>

#include <vector>

using namespace velsor::sim;
using namespace std::chrono_literals;
using Clock = LinePacer::Clock;

namespace {

struct Write {
    Clock::time_point at;
    qint64 bytes;
};

// Drives the pacer as velsor-sim does: each second a burst, cut into chunks, every chunk
// written when the pacer grants it; a burst waits for the one before it.
std::vector<Write> paceBursts(LinePacer& pacer, Clock::time_point t0, qint64 burst, int count) {
    std::vector<Write> writes;
    Clock::time_point now = t0;
    for (int b = 0; b < count; ++b) {
        now = std::max(now, t0 + b * 1s);
        for (qint64 left = burst; left > 0; left -= writes.back().bytes) {
            now = pacer.claim(std::min(left, pacer.chunkBytes()), now);
            writes.push_back({now, std::min(left, pacer.chunkBytes())});
        }
    }
    return writes;
}

qint64 mostBytesWithin(const std::vector<Write>& writes, Clock::duration window) {
    qint64 most = 0;
    for (std::size_t i = 0; i < writes.size(); ++i) {
        qint64 sum = 0;
        for (std::size_t j = i; j < writes.size() && writes[j].at < writes[i].at + window; ++j) {
            sum += writes[j].bytes;
        }
        most = std::max(most, sum);
    }
    return most;
}

} // namespace

TEST(SimPacing, LineRateIsBaudOverTenBitsPerByte) {
    EXPECT_EQ(lineBytesPerSecond(defaultBaud(Tuner::Gt74)), 480);
    EXPECT_EQ(lineBytesPerSecond(defaultBaud(Tuner::Cfgps)), 960);
    EXPECT_EQ(LinePacer(480).transmitTime(480), Clock::duration(1s));
    EXPECT_EQ(LinePacer(960).transmitTime(96), Clock::duration(100ms));
}

TEST(SimPacing, OversizedBurstSpillsAndTheNextQueuesBehindIt) {
    LinePacer pacer(480);
    const Clock::time_point t0{};
    EXPECT_EQ(paceBursts(pacer, t0, 400, 1).front().at, t0); // an idle line takes it at once
    EXPECT_LT(pacer.freeAt(), t0 + 1s);

    const auto writes = paceBursts(pacer, t0 + 10s, 1000, 1);
    EXPECT_GT(writes.back().at, t0 + 12s);
    EXPECT_EQ(pacer.claim(10, t0 + 11s), t0 + 10s + pacer.transmitTime(1000));
}

TEST(SimPacing, NoWindowCarriesMoreThanTheLine) {
    for (const int rate : {480, 960}) {
        LinePacer pacer(rate);
        // A second and a half's worth every second, for ten seconds.
        const auto writes = paceBursts(pacer, Clock::time_point{}, rate * 3 / 2, 10);
        EXPECT_LE(mostBytesWithin(writes, 1s), rate + pacer.chunkBytes()) << rate;
        EXPECT_LE(mostBytesWithin(writes, 5s), 5 * rate + pacer.chunkBytes()) << rate;
    }
}

TEST(SimPacing, EachModelsSecondFitsItsOwnLine) {
    // Otherwise the output would fall ever further behind the clock.
    for (const Tuner tuner : {Tuner::Gt74, Tuner::Cfgps}) {
        const Generator g(tuner, 5, FixSchedule{Period{}, Period{30, 5}});
        const QDateTime utc(QDate(2024, 1, 1), QTime(0, 0), Qt::UTC);
        for (std::int64_t s = 0; s < 3600; s += 11) {
            ASSERT_LT(g.burst(utc.addSecs(s), s).size(), lineBytesPerSecond(defaultBaud(tuner)));
        }
    }
}
