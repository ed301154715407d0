// The simulator's blocked sector: how it is given on the command line and what it does to the
// reported signals.

#include "nmea_sim.h"
#include "sim_options.h"

#include <gtest/gtest.h>

#include <QDateTime>

using namespace velsor::sim;

TEST(SimBlockedSector, CommandLine) {
    const std::pair<const char*, std::optional<Sector>> cases[] = {
        {"90-180", Sector{90, 180, 90}},
        {"300-30:40", Sector{300, 30, 40}},
        {"90", {}},
        {"90-360", {}},
        {"10-20:91", {}},
        {"10-20:", {}},
        {"a-b", {}}};
    for (const auto& [text, sector] : cases) {
        const ParseResult r = parseArguments(
            {"velsor-sim", "--device", "/dev/null", "--blocked-sector", QString::fromLatin1(text)});
        if (sector)
            EXPECT_EQ(r.options ? r.options->blocked : std::nullopt, sector) << text;
        else
            EXPECT_TRUE(!r.options && r.error.contains(u"--blocked-sector")) << text;
    }
    EXPECT_FALSE(parseArguments({"velsor-sim", "--device", "/dev/null"}).options->blocked);
}

TEST(SimBlockedSector, SignalsInsideAreZeroAndOutsideUnchanged) {
    const QDateTime t0(QDate(2026, 12, 1), QTime(0, 0), Qt::UTC);
    // East at all elevations; through north, low only.
    for (const Sector& sector : {Sector{45, 135, 90}, Sector{300, 60, 30}}) {
        SCOPED_TRACE(sector.from);
        Generator open(Tuner::Gt74, 5, {});
        Generator walled(Tuner::Gt74, 5, {});
        walled.setBlocked(sector);
        int inside = 0, outside = 0;
        for (std::int64_t s = 0; s < 7 * 24 * 3600; s += 180) {
            const Epoch a = open.epoch(t0.addSecs(s), s), b = walled.epoch(t0.addSecs(s), s);
            ASSERT_EQ(a.inView.size(), b.inView.size());
            for (std::size_t i = 0; i < a.inView.size(); ++i) {
                const Satellite& sat = a.inView[i];
                if (sector.contains(sat.azimuth, sat.elevation)) {
                    ++inside;
                    EXPECT_EQ(b.inView[i].snr, 0);
                } else {
                    ++outside;
                    EXPECT_EQ(b.inView[i].snr, sat.snr);
                }
            }
        }
        EXPECT_TRUE(inside > 100 && outside > inside) << inside << " " << outside;
    }
}
