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

// Feeds bursts to the pacer the way velsor-sim does: chunk by chunk, each chunk written at the
// time the pacer grants; a burst is offered at its second or when the previous one is done.
std::vector<Write> paceBursts(LinePacer& pacer, Clock::time_point t0, qint64 burstBytes,
                              int bursts) {
    std::vector<Write> writes;
    Clock::time_point now = t0;
    for (int b = 0; b < bursts; ++b) {
        now = std::max(now, t0 + b * 1s);
        for (qint64 left = burstBytes; left > 0;) {
            const qint64 n = std::min(left, pacer.chunkBytes());
            now = pacer.claim(n, now);
            writes.push_back({now, n});
            left -= n;
        }
    }
    return writes;
}

qint64 mostBytesInWindow(const std::vector<Write>& writes, Clock::duration window) {
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
    EXPECT_EQ(lineBytesPerSecond(115200), 11520);
    EXPECT_EQ(lineBytesPerSecond(10), 1);
    EXPECT_EQ(LinePacer(480).transmitTime(480), Clock::duration(1s));
    EXPECT_EQ(LinePacer(960).transmitTime(96), Clock::duration(100ms));
}

TEST(SimPacing, BurstWithinASecondLeavesAtLineSpeed) {
    LinePacer pacer(480);
    const Clock::time_point t0{};
    const auto writes = paceBursts(pacer, t0, 400, 1);
    EXPECT_EQ(writes.front().at, t0); // nothing waits for an idle line
    EXPECT_EQ(pacer.freeAt(), t0 + pacer.transmitTime(400));
    EXPECT_LT(pacer.freeAt(), t0 + 1s);
}

TEST(SimPacing, OversizedBurstSpillsIntoTheNextSeconds) {
    LinePacer pacer(480);
    const Clock::time_point t0{};
    const auto writes = paceBursts(pacer, t0, 1000, 1);
    EXPECT_EQ(pacer.freeAt(), t0 + pacer.transmitTime(1000)); // about 2.08 s
    EXPECT_GT(writes.back().at, t0 + 2s);
    // The next second's burst queues behind the spill instead of overtaking it.
    EXPECT_EQ(pacer.claim(10, t0 + 1s), t0 + pacer.transmitTime(1000));
}

TEST(SimPacing, IdleTimeEarnsNoCredit) {
    LinePacer pacer(480);
    const Clock::time_point t0{};
    pacer.claim(100, t0);
    const Clock::time_point later = t0 + 10s;
    const auto writes = paceBursts(pacer, later, 960, 1);
    EXPECT_GE(writes.back().at + pacer.transmitTime(writes.back().bytes), later + 2s);
}

TEST(SimPacing, NoWindowCarriesMoreThanTheLineAllows) {
    for (const int rate : {480, 960}) {
        LinePacer pacer(rate);
        // Bursts of one and a half seconds' worth, every second, for ten seconds.
        const auto writes = paceBursts(pacer, Clock::time_point{}, rate * 3 / 2, 10);
        EXPECT_LE(mostBytesInWindow(writes, 1s), rate + pacer.chunkBytes()) << rate;
        EXPECT_LE(mostBytesInWindow(writes, 5s), 5 * rate + pacer.chunkBytes()) << rate;
        EXPECT_LE(pacer.chunkBytes(), rate / 20);
    }
}

TEST(SimPacing, GeneratedSecondsFitTheirOwnLine) {
    // A model whose second of output overran its line would fall ever further behind.
    for (const Tuner tuner : {Tuner::Gt74, Tuner::Cfgps}) {
        const Generator g(tuner, 5, FixSchedule{Period{}, Period{30, 5}});
        const QDateTime utc(QDate(2024, 1, 1), QTime(0, 0), Qt::UTC);
        for (std::int64_t s = 0; s < 3600; s += 11) {
            ASSERT_LT(g.burst(utc.addSecs(s), s).size(), lineBytesPerSecond(defaultBaud(tuner)))
                << "second " << s;
        }
    }
}
