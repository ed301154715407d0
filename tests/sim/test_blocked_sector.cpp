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
        {"10-20:91", {}}};
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

// A sector through north, low only; the map tests run a whole week behind an eastern wall.
TEST(SimBlockedSector, SignalsInsideAreZeroAndOutsideUnchanged) {
    const Sector sector{300, 60, 30};
    for (const auto& [az, el, inside] : {std::tuple{300, 30, true},
                                         {359, 0, true},
                                         {60, 10, true},
                                         {299, 10, false},
                                         {61, 10, false},
                                         {0, 31, false}})
        EXPECT_EQ(sector.contains(az, el), inside) << az << " " << el;
    const QDateTime t0(QDate(2026, 12, 1), QTime(0, 0), Qt::UTC);
    Generator open(Tuner::Gt74, 5, {}), walled(Tuner::Gt74, 5, {});
    walled.setBlocked(sector);
    int inside = 0;
    for (std::int64_t s = 0; s < 24 * 3600; s += 600) {
        const Epoch a = open.epoch(t0.addSecs(s), s), b = walled.epoch(t0.addSecs(s), s);
        ASSERT_EQ(a.inView.size(), b.inView.size());
        for (std::size_t i = 0; i < a.inView.size(); ++i) {
            const bool in = sector.contains(a.inView[i].azimuth, a.inView[i].elevation);
            inside += in;
            EXPECT_EQ(b.inView[i].snr, in ? 0 : a.inView[i].snr);
        }
    }
    EXPECT_GT(inside, 5);
}
