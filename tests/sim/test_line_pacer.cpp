#include "line_pacer.h"

#include <gtest/gtest.h>

#include <vector>

using namespace velsor::sim;
using namespace std::chrono_literals;
using Clock = LinePacer::Clock;

TEST(SimPacing, NoStretchOfTimeCarriesMoreThanTheLine) {
    for (const int rate : {480, 960}) {
        // As velsor-sim drives it: each second a burst of a second and a half's worth, cut
        // into chunks, every chunk written when the pacer grants it, for ten seconds.
        LinePacer pacer(rate);
        std::vector<std::pair<Clock::time_point, qint64>> writes;
        Clock::time_point now{};
        for (int b = 0; b < 10; ++b) {
            now = std::max(now, Clock::time_point{} + b * 1s);
            for (qint64 left = rate * 3 / 2; left > 0; left -= writes.back().second) {
                now = pacer.claim(std::min(left, pacer.chunkBytes()), now);
                writes.emplace_back(now, std::min(left, pacer.chunkBytes()));
            }
        }
        for (const auto window : {1s, 5s}) {
            for (std::size_t i = 0; i < writes.size(); ++i) {
                qint64 sum = 0;
                for (std::size_t j = i;
                     j < writes.size() && writes[j].first < writes[i].first + window; ++j)
                    sum += writes[j].second;
                ASSERT_LE(sum, rate * window.count() + pacer.chunkBytes()) << rate;
            }
        }
    }
}
