// The position's spread on known point sets, the elevation bins and the sky's cells from
// epochs, and the bounds that keep a session of any length in little memory.

#include "analysis/analysis_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

using namespace velsor;
namespace vt = velsor::testing;
using namespace velsor::analysis;
using vt::Fix;
using vt::Sat;

namespace {

constexpr double kLat = 35.6833, kLon = 139.75; // Tokyo
constexpr double kRad = std::numbers::pi / 180;

// A point d metres east and n north of (kLat, kLon), within a millimetre over a few km.
std::array<double, 2> Offset(double east, double north) {
    const double a = 6378137.0, e2 = 0.00669437999014, s = std::sin(kLat * kRad);
    const double m = a * (1 - e2) / std::pow(1 - e2 * s * s, 1.5),
                 n = a / std::sqrt(1 - e2 * s * s);
    return {kLat + north / (m * kRad), kLon + east / (n * std::cos(kLat * kRad) * kRad)};
}

PositionStats::Figures Spread(const std::vector<std::array<double, 2>>& en) {
    PositionStats p;
    for (const auto& [e, n] : en) {
        const auto [lat, lon] = Offset(e, n);
        p.Add(lat, lon, std::nullopt);
    }
    return p.Compute();
}

} // namespace

TEST(PositionSpread, KnownPointSets) {
    std::vector<std::array<double, 2>> circle, line, one{{0, 0}};
    for (int i = 0; i < 36; ++i) // radius 5 m round (3, 4)
        circle.push_back({3 + 5 * std::cos(i * 10 * kRad), 4 + 5 * std::sin(i * 10 * kRad)});
    for (int i = -10; i <= 10; ++i) // 21 points east-west, a metre apart
        line.push_back({double(i), 0});
    const struct {
        const char* name;
        std::vector<std::array<double, 2>> points;
        double meanEast, meanNorth, cep50, cep95, sigmaEast, sigmaNorth;
    } cases[] = {
        // Every point 5 m from the centre; sigma with n - 1: 5 / sqrt(2) * sqrt(36 / 35).
        {"circle", circle, 3, 4, 5, 5, 5 / std::sqrt(2.0) * std::sqrt(36.0 / 35),
         5 / std::sqrt(2.0) * std::sqrt(36.0 / 35)},
        // Distances 0, 1, 1, 2, 2 ... 10, 10: the 11th is 5, the 20th (ceil of 19.95) 10.
        {"line", line, 0, 0, 5, 10, std::sqrt(770.0 / 20), 0},
        {"one point", one, 0, 0, 0, 0, 0, 0},
    };
    for (const auto& c : cases) {
        const PositionStats::Figures f = Spread(c.points);
        const QPointF mean = EastNorth(kLat, kLon, f.meanLat, f.meanLon);
        EXPECT_NEAR(mean.x(), c.meanEast, 0.001) << c.name;
        EXPECT_NEAR(mean.y(), c.meanNorth, 0.001) << c.name;
        EXPECT_NEAR(f.cep50, c.cep50, 0.002) << c.name;
        EXPECT_NEAR(f.cep95, c.cep95, 0.002) << c.name;
        EXPECT_NEAR(f.sigmaEast, c.sigmaEast, 0.002) << c.name;
        EXPECT_NEAR(f.sigmaNorth, c.sigmaNorth, 0.002) << c.name;
        EXPECT_NEAR(f.drms2, 2 * std::hypot(c.sigmaEast, c.sigmaNorth), 0.004) << c.name;
        EXPECT_TRUE(f.cepExact) << c.name;
        EXPECT_EQ(f.heights, 0u) << c.name;
    }
}

// A fix far away, a fix across the date line, a fix without height: figures stay finite and
// mean what they say.
TEST(PositionSpread, ContinentsTheDateLineAndMissingHeights) {
    PositionStats jump; // Tokyo and New York, alternately
    for (int i = 0; i < 10; ++i)
        jump.Add(i % 2 ? 40.7 : kLat, i % 2 ? -74.0 : kLon, 10.0 * i);
    const PositionStats::Figures j = jump.Compute();
    EXPECT_TRUE(std::isfinite(j.cep50) && std::isfinite(j.drms2));
    EXPECT_GT(j.cep50, 4e6) << "half the chord between the cities, millions of metres";
    EXPECT_LT(j.cep95, 6.5e6);
    EXPECT_EQ(j.heights, 10u);
    EXPECT_DOUBLE_EQ(j.altMin, 0);
    EXPECT_DOUBLE_EQ(j.altMax, 90);

    PositionStats dateLine; // two fixes 22 m apart astride 180 degrees
    dateLine.Add(0, 179.9999, std::nullopt);
    dateLine.Add(0, -179.9999, 5.0);
    const PositionStats::Figures d = dateLine.Compute();
    EXPECT_NEAR(std::abs(d.meanLon), 180, 1e-6);
    EXPECT_NEAR(d.cep95, 11.13, 0.01) << "metres, not the width of the earth";
    EXPECT_EQ(d.heights, 1u) << "the fix without height counts for the position only";
    EXPECT_DOUBLE_EQ(d.altMean, 5.0);

    PositionStats junk;
    junk.Add(std::nan(""), kLon, 1.0);
    junk.Add(91, kLon, 1.0);
    junk.Add(kLat, 181, 1.0);
    EXPECT_EQ(junk.Fixes(), 0u);
}

// Beyond the sample's size the CEP comes from a uniform sample: close to the exact figure.
TEST(PositionSpread, ASampleKeepsAnyNumberOfFixes) {
    PositionStats p;
    constexpr int n = 3 * PositionStats::kSampleSize;
    for (int i = 0; i < n; ++i) { // radii evenly from 0 to 10 m, in every direction
        const double r = 10.0 * i / n, a = i * 137.5 * kRad;
        const auto [lat, lon] = Offset(r * std::cos(a), r * std::sin(a));
        p.Add(lat, lon, std::nullopt);
    }
    const PositionStats::Figures f = p.Compute();
    EXPECT_FALSE(f.cepExact);
    EXPECT_EQ(p.Scatter().size(), std::size_t(PositionStats::kSampleSize));
    EXPECT_NEAR(f.cep50, 5.0, 0.15);
    EXPECT_NEAR(f.cep95, 9.5, 0.15);
}

TEST(ElevationBins, EdgesOfTheBins) {
    const int el[] = {-1, 0, 4, 5, 84, 85, 89, 90, 91};
    const int bin[] = {-1, 0, 0, 1, 16, 17, 17, 17, -1};
    for (std::size_t i = 0; i < std::size(el); ++i)
        EXPECT_EQ(ElevationBinOf(el[i]), bin[i]) << el[i];
}

// What one epoch adds to the bins and the sky: a satellite without SNR is seen but not heard
// (and counts as SNR 0 on the sky map), one without a position is neither, the empty slot
// (0, 0) is no satellite; any system, NavIC too, has its own row.
TEST(ElevationBins, SightingsFromAnEpoch) {
    ReceptionAnalysis a;
    a.AddEpoch(
        Fix(3, kLat, kLon, 40.0,
            {Sat(GnssSystem::GPS, 1, 12, 100, 40, true), Sat(GnssSystem::GPS, 2, 14, 100, -1),
             Sat(GnssSystem::GPS, 3, -1, -1, 35), Sat(GnssSystem::GPS, 4, 0, 0, 20),
             Sat(GnssSystem::NavIC, 5, 90, 200, 44), Sat(GnssSystem::GLONASS, 6, 0, 45, 30)}),
        vt::Utc(2026, 12, 7));
    const ElevationBin& gps = a.Bin(GnssSystem::GPS, 2);
    EXPECT_EQ(gps.sightings, 2u);
    EXPECT_EQ(gps.heard, 1u);
    EXPECT_DOUBLE_EQ(gps.MeanSnr(), 40);
    EXPECT_EQ(a.Bin(GnssSystem::GPS, 0).sightings, 0u) << "(0, 0) is an empty slot";
    EXPECT_EQ(a.Bin(GnssSystem::GLONASS, 0).sightings, 1u) << "the horizon due north-east";
    EXPECT_EQ(a.Bin(GnssSystem::NavIC, 17).heard, 1u);
    EXPECT_EQ(a.SystemsSeen(),
              (std::vector<GnssSystem>{GnssSystem::GPS, GnssSystem::GLONASS, GnssSystem::NavIC}));
    const SkyCell& cell = a.Sky().Cell(1, 10);
    EXPECT_EQ(cell.sightings, 2u);
    EXPECT_TRUE(cell.Blocked()) << "one of two without signal";
    EXPECT_EQ(a.Sky().Sightings(), 3u) << "the sky map leaves out elevation or azimuth 0";
    EXPECT_EQ(a.Satellites().Size(), 5) << "only satellites heard enter the history";
}

// Whatever arrives, the structures stay within their bounds.
TEST(Bounds, SatellitesSessionAndTime) {
    SatelliteTable t;
    int kept = 0;
    for (int s = 0; s < kSystemCount; ++s)
        for (int prn = 1; prn <= 100; ++prn)
            kept += t.IndexOf(GnssSystem(s), prn) >= 0 ? 1 : 0;
    EXPECT_EQ(kept, SatelliteTable::kMax);
    EXPECT_EQ(t.IndexOf(GnssSystem::GPS, 0), -1);
    EXPECT_EQ(t.IndexOf(GnssSystem::GPS, SatelliteTable::kMaxPrn + 1), -1);
    EXPECT_EQ(t.IndexOf(GnssSystem::None, 3), -1);
    EXPECT_EQ(t.Name(t.IndexOf(GnssSystem::GPS, 5)), u"G05");

    // Ten years at an epoch an hour: the session's history stays within its buckets.
    ReceptionAnalysis a;
    const std::int64_t start = vt::Utc(2026, 1, 1);
    for (int h = 0; h < 10 * 365 * 24; ++h)
        a.AddEpoch(Fix(3, kLat, kLon, 1.0, {Sat(GnssSystem::GPS, 1 + h % 32, 45, 90, 40, true)}),
                   start + std::int64_t(h) * 3600 * 1000);
    const BucketSpan s = a.History(ReceptionAnalysis::Range::Session);
    EXPECT_LE(s.buckets.size(), 2048u);
    EXPECT_EQ(s.first, start);
    EXPECT_GE(s.first + s.width * std::int64_t(s.buckets.size()), a.LastEpoch());
    EXPECT_EQ(a.History(ReceptionAnalysis::Range::Day).buckets.size(), 1440u);
}
