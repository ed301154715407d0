// The analysis' figures: the SNR history (buckets at their edges, the session's merging, the
// columns a page draws, the receiver's clock across midnight, a week and its jumps), the
// position's spread on known point sets, the elevation bins and the sky's cells from epochs,
// and the bounds that keep a session of any length in little memory.

#include "analysis/analysis_json.h"
#include "analysis/analysis_pages.h"
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

EpochSample One(int snr, bool used = true) {
    EpochSample e;
    e.sats.push_back({0, std::uint16_t(snr), used});
    e.usedSnrSum = used ? std::uint32_t(snr) : 0;
    e.usedCount = used ? 1 : 0;
    return e;
}

// "start:epochs/snrSum" of each bucket of a span, "-" for an empty one.
QString Read(const BucketSpan& s) {
    QStringList out;
    for (const Bucket* b : s.buckets)
        out << (b ? QStringLiteral("%1:%2/%3")
                        .arg(b->start)
                        .arg(b->epochs)
                        .arg(b->sats.empty() ? 0 : b->sats[0].snrSum)
                  : QStringLiteral("-"));
    return out.join(u' ');
}

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

// Three buckets of a second: an epoch at 999 ms is still in the first, one at 1000 in the
// second; the oldest drops out as time goes on; one older than the range is not kept.
TEST(History, RingBucketsAtTheirEdges) {
    RingSeries r(1000, 3);
    const struct {
        std::int64_t t;
        int snr;
        const char* span; // up to the latest epoch
    } steps[] = {
        {0, 10, "- - 0:1/10"},
        {999, 20, "- - 0:2/30"},
        {1000, 30, "- 0:2/30 1000:1/30"},
        {3000, 40, "1000:1/30 - 3000:1/40"},
        {500, 50, "1000:1/30 - 3000:1/40"}, // older than the range
        {2999, 60, "1000:1/30 2000:1/60 3000:1/40"},
        {9000, 70, "- - 9000:1/70"},
    };
    std::int64_t latest = 0;
    for (const auto& s : steps) {
        r.Add(s.t, One(s.snr));
        latest = std::max(latest, s.t);
        EXPECT_EQ(Read(r.Span(latest)), QString::fromLatin1(s.span)) << s.t;
    }
}

// The session's buckets: when the fifth second comes to four buckets, pairs merge and the width
// doubles; nothing is lost.
TEST(History, SessionBucketsMergeWhenFull) {
    GrowingSeries g(1000, 4);
    for (int t = 0; t < 4000; t += 500)
        g.Add(10'000 + t, One(t / 500 + 1));
    EXPECT_EQ(Read(g.Span()), u"10000:2/3 11000:2/7 12000:2/11 13000:2/15");
    g.Add(14'000, One(9));
    EXPECT_EQ(g.Width(), 2000);
    EXPECT_EQ(Read(g.Span()), u"10000:4/10 12000:4/26 14000:1/9");
    g.Add(25'000, One(1)); // beyond 8 s: doubles again, the gap stays empty
    EXPECT_EQ(g.Width(), 4000);
    EXPECT_EQ(Read(g.Span()), u"10000:8/36 14000:1/9 - 22000:1/1");
    g.Add(9'999, One(1)); // before the session's start
    EXPECT_EQ(Read(g.Span()), u"10000:8/36 14000:1/9 - 22000:1/1");
}

// A page draws at most kMaxColumns columns: buckets merge in equal groups, the last shorter.
TEST(History, ColumnsOfAPage) {
    std::vector<Bucket> buckets(7);
    BucketSpan span;
    span.first = 0;
    span.width = 10;
    for (std::size_t i = 0; i < buckets.size(); ++i) {
        std::vector<std::int16_t> places(SatelliteTable::kMax, -1);
        buckets[i].Reset(std::int64_t(i) * 10);
        if (i != 4) // a gap
            buckets[i].Add(One(int(i) + 1), places);
        span.buckets.push_back(i == 4 ? nullptr : &buckets[i]);
    }
    const struct {
        int most;
        std::vector<std::int64_t> widths;
        std::vector<std::uint32_t> sums;
    } cases[] = {
        {7, {10, 10, 10, 10, 10, 10, 10}, {1, 2, 3, 4, 0, 6, 7}},
        {3, {30, 30, 10}, {6, 10, 7}},
        {2, {40, 30}, {10, 13}},
        {1, {70}, {23}},
    };
    for (const auto& c : cases) {
        const std::vector<Column> cols = Columns(span, c.most);
        ASSERT_EQ(cols.size(), c.widths.size()) << c.most;
        std::int64_t start = 0;
        for (std::size_t i = 0; i < cols.size(); ++i) {
            EXPECT_EQ(cols[i].start, start);
            EXPECT_EQ(cols[i].width, c.widths[i]);
            EXPECT_EQ(cols[i].sum.sats.empty() ? 0 : cols[i].sum.sats[0].snrSum, c.sums[i]);
            start += cols[i].width;
        }
    }
}

// The receiver's clock runs on across midnight and for a week into one history; a jump of
// more than a day ahead or an hour back (a cold start's date, files of other days) starts the
// history again there, and a small step back lands in its own bucket.
TEST(History, MidnightAWeekAndJumpsOfTheClock) {
    ReceptionAnalysis a;
    const std::int64_t night = vt::Utc(2026, 12, 7, 23, 59, 58);
    auto add = [&](std::int64_t t, int snr = 40) {
        a.AddEpoch(Fix(3, 35.0, 139.0, 1.0, {Sat(GnssSystem::GPS, 7, 45, 90, snr, true)}), t);
    };
    for (int s = 0; s < 4; ++s)
        add(night + s * 1000);
    const BucketSpan ten = a.History(ReceptionAnalysis::Range::TenMinutes);
    EXPECT_EQ(std::count_if(ten.buckets.begin(), ten.buckets.end(), [](auto* b) { return b; }), 4);
    EXPECT_EQ(ten.buckets.back()->start, night + 3000) << "the last at 00:00:01";

    for (int d = 1; d <= 7; ++d) // a week, a day at a time
        add(night + std::int64_t(d) * 86'400'000);
    const BucketSpan week = a.History(ReceptionAnalysis::Range::Session);
    EXPECT_EQ(week.first, night) << "a day ahead is no jump";

    add(a.LastEpoch() - 2000, 10); // two seconds back
    EXPECT_EQ(a.History(ReceptionAnalysis::Range::Session).first, night) << "no restart";
    add(a.LastEpoch() - 2 * 3'600'000); // two hours back
    EXPECT_EQ(a.History(ReceptionAnalysis::Range::Session).first, a.LastEpoch());
    const std::int64_t cold = vt::Utc(2006, 4, 2); // a receiver's default date, then now
    add(cold);
    add(night);
    EXPECT_EQ(a.History(ReceptionAnalysis::Range::Session).first, night);
    EXPECT_EQ(a.Epochs(), 15u) << "the other figures keep every epoch";
}

// An input that gives its first time a few epochs in (the date after the first GGA) dates
// the epochs before back from it; one without any time counts seconds from its first epoch
// and says so, in the pages and the JSON, instead of a day in 1970.
TEST(History, EpochsBeforeTheFirstTime) {
    const std::int64_t at = vt::Utc(2026, 12, 7, 0, 0, 10);
    constexpr int kMax = int(EpochSampler::kMaxUntimed);
    const struct {
        int untimed;
        bool timeAfter;
        std::int64_t first, last;
    } cases[] = {
        {2, true, at - 2000, at},
        {3, false, 0, 2000},
        {kMax + 2, true, at - (kMax + 2) * 1000, at},
        {kMax + 2, false, 0, (kMax + 1) * 1000},
    };
    for (const auto& c : cases) {
        ReceptionAnalysis a;
        EpochSampler sampler(a);
        for (int i = 0; i < c.untimed; ++i)
            sampler.Sample(Fix(3, 35.0, 139.0));
        if (c.timeAfter) {
            FixSnapshot f = Fix(3, 35.0, 139.0);
            f.utc = "2026-12-07T00:00:10.000Z";
            sampler.Sample(f);
        }
        sampler.Flush();
        SCOPED_TRACE(::testing::Message() << c.untimed << (c.timeAfter ? " then a time" : ""));
        EXPECT_EQ(a.Epochs(), std::uint64_t(c.untimed + c.timeAfter));
        EXPECT_EQ(a.FirstEpoch(), c.first);
        EXPECT_EQ(a.LastEpoch(), c.last);
        EXPECT_EQ(a.Clockless(), !c.timeAfter);
        EXPECT_EQ(AnalysisJson(a).contains("\"first\":null,\"last\":null"), !c.timeAfter);
        EXPECT_EQ(SourceLine(a, u"x"_qs).contains(u"受信機の時刻なし"), !c.timeAfter);
        EXPECT_EQ(a.TimeToFirstFix(), 0);
    }
}

TEST(History, TimeTextsAndTheFirstFix) {
    EXPECT_EQ(JstText(vt::Utc(2026, 12, 7, 15, 0, 5)), u"2026/12/08 0:00:05");
    const struct {
        std::int64_t ms;
        const char16_t* text;
    } durations[] = {
        {1500, u"1.5 秒"},      {45'000, u"45 秒"},           {61'000, u"1 分 1 秒"},
        {3'600'000, u"1 時間"}, {5'000'000, u"1 時間 23 分"}, {90'000'000, u"1 日 1 時間"}};
    for (const auto& d : durations)
        EXPECT_EQ(DurationText(d.ms), QString::fromUtf16(d.text));
    EXPECT_EQ(CompactCount(9999), u"9999");
    EXPECT_EQ(CompactCount(123'456), u"12.3万");
    EXPECT_EQ(CompactCount(24'000'000), u"2400万");

    // The first fix counts from the connection on the PC's clock, whatever the receiver's.
    ReceptionAnalysis a;
    a.Start(1'000'000);
    a.AddEpoch(Fix(1), vt::Utc(2026, 12, 7), 1'004'000);
    EXPECT_FALSE(a.TimeToFirstFix());
    a.AddEpoch(Fix(2, 35.0, 139.0), vt::Utc(2026, 12, 7, 0, 0, 1), 1'032'500);
    a.AddEpoch(Fix(3, 35.0, 139.0), vt::Utc(2026, 12, 7, 0, 0, 2), 1'033'500);
    EXPECT_EQ(a.TimeToFirstFix(), 32'500);
    EXPECT_EQ(a.EpochsWithMode(1), 1u);
    EXPECT_EQ(a.EpochsWithMode(2), 1u);
    EXPECT_EQ(a.EpochsWithMode(3), 1u);
}

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
