#pragma once
// Reception analysis: what a session (a connection, or the files read) tells about an antenna's
// site, gathered once per epoch from the fix and satellites the window shows (FixOf). Memory is
// bounded whatever the session's length: each satellite's SNR over time as aggregates per
// stretch of time, the sky in the sky map's cells, the SNR by elevation in bins, and the
// position as exact running statistics with a bounded sample for the scatter and the CEP.

#include "decoding/state_json.h"
#include "nav/gnss.h"
#include "skymap/sky_map.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <optional>
#include <vector>

namespace velsor::analysis {

inline constexpr std::int64_t kNoTime = std::numeric_limits<std::int64_t>::min();
inline constexpr int kSystemCount = int(GnssSystem::None); // GPS .. NavIC

// (system, number) to a small index, for the satellites a session has seen. Bounded: a
// satellite beyond kMax, or a number beyond kMaxPrn, is not kept.
class SatelliteTable {
public:
    static constexpr int kMax = 512;
    static constexpr int kMaxPrn = 1023;
    // The index of the satellite, added when new; -1 when it cannot be kept.
    int IndexOf(GnssSystem system, int prn);
    GnssSystem System(int index) const { return keys[std::size_t(index)].system; }
    int Prn(int index) const { return keys[std::size_t(index)].prn; }
    int Size() const { return int(keys.size()); }
    // "G05", "R12", ...
    QString Name(int index) const;

private:
    struct Key {
        GnssSystem system;
        std::uint16_t prn;
    };
    std::vector<std::uint16_t> lookup; // system * (kMaxPrn + 1) + prn: index + 1, 0 none
    std::vector<Key> keys;
};

// One satellite over a stretch of time: epochs it was heard (SNR above 0), of them in use, and
// the sum of its SNR.
struct SatSum {
    std::uint16_t sat = 0;
    std::uint32_t samples = 0;
    std::uint32_t used = 0;
    std::uint32_t snrSum = 0;
};

// What one epoch adds: the satellites heard, and the SNR of those in use.
struct EpochSample {
    struct Sat {
        std::uint16_t sat;
        std::uint16_t snr;
        bool used;
    };
    std::vector<Sat> sats;
    std::uint32_t usedSnrSum = 0, usedCount = 0;
};

struct Bucket {
    std::int64_t start = kNoTime; // ms since 1970 UTC
    std::uint32_t epochs = 0;
    std::uint32_t usedSamples = 0; // SNR samples of satellites in use
    std::uint64_t usedSnrSum = 0;
    std::vector<SatSum> sats;

    bool Empty() const { return epochs == 0; }
    void Reset(std::int64_t at);
    // Adds the other bucket's sums; `places` maps a satellite to its place in sats (-1 none).
    void Merge(const Bucket& other, std::vector<std::int16_t>& places);
    void Add(const EpochSample& e, std::vector<std::int16_t>& places);
};

// A view of buckets in time order, for drawing: each is `width` ms from its start.
struct BucketSpan {
    std::vector<const Bucket*> buckets; // null where nothing was received
    std::int64_t first = kNoTime;       // start of the first bucket
    std::int64_t width = 0;
};

// The last `capacity` buckets of `width` ms; older ones drop out as time goes on.
class RingSeries {
public:
    RingSeries(std::int64_t widthMs, int capacity) : width(widthMs), capacity(capacity) {}
    void Add(std::int64_t t, const EpochSample& e);
    void Clear();
    // The `capacity` buckets up to the one holding `end` (the latest epoch).
    BucketSpan Span(std::int64_t end) const;
    std::int64_t Width() const { return width; }

private:
    std::int64_t width;
    int capacity;
    std::vector<Bucket> buckets; // made at the first epoch
    std::int64_t head = kNoTime; // index (t / width) of the latest bucket
    std::int64_t placesOf = kNoTime;
    std::vector<std::int16_t> places;
};

// Buckets from the session's start, at most `capacity`: when they run out, neighbours merge
// and the width doubles, so a session of any length fits.
class GrowingSeries {
public:
    GrowingSeries(std::int64_t baseWidthMs, int capacity)
        : baseWidth(baseWidthMs), capacity(capacity), width(baseWidthMs) {}
    void Add(std::int64_t t, const EpochSample& e);
    void Clear();
    BucketSpan Span() const;
    std::int64_t Width() const { return width; }

private:
    void Double();
    std::int64_t baseWidth;
    int capacity;
    std::int64_t width;
    std::int64_t origin = kNoTime;
    std::vector<Bucket> buckets;
    int current = -1;
    std::vector<std::int16_t> places;
};

// SNR by elevation: 5-degree bins, 0-4 up to 85-90.
struct ElevationBin {
    std::uint64_t sightings = 0; // satellites seen there with a position
    std::uint64_t heard = 0;     // of them with an SNR above 0
    std::uint64_t snrSum = 0;    // of those heard
    double MeanSnr() const { return heard ? double(snrSum) / double(heard) : 0.0; }
};
inline constexpr int kElevationBins = 18;
inline constexpr int kBinDegrees = 5;
int ElevationBinOf(int elevation);

// The spread of the position: exact running statistics (earth-centred, so a position that
// jumps a continent or the date line only widens the spread) and a uniform sample of at most
// kSampleSize fixes for the scatter and the CEP, exact while every fix fits.
class PositionStats {
public:
    static constexpr int kSampleSize = 20000;
    void Add(double lat, double lon, std::optional<double> alt);
    void Clear() { *this = PositionStats(); }

    std::uint64_t Fixes() const { return n; }
    struct Figures {
        std::uint64_t fixes = 0;
        double meanLat = 0, meanLon = 0;      // degrees
        double sigmaEast = 0, sigmaNorth = 0; // metres
        double cep50 = 0, cep95 = 0, drms2 = 0;
        bool cepExact = true; // every fix in the sample
        std::uint64_t heights = 0;
        double altMean = 0, altSigma = 0, altMin = 0, altMax = 0;
    };
    Figures Compute() const;
    // The sample, in metres east and north of the mean.
    std::vector<QPointF> Scatter() const;

private:
    std::uint64_t n = 0;
    std::array<double, 3> mean{}; // earth-centred, metres
    std::array<double, 6> m2{};   // xx, xy, xz, yy, yz, zz
    std::uint64_t altN = 0;
    double altMean = 0, altM2 = 0, altMin = 0, altMax = 0;
    std::vector<std::array<double, 2>> sample; // latitude, longitude
    std::uint64_t rng = 0x9E3779B97F4A7C15ull;
};

// Metres east and north of (lat0, lon0) for a point, on the ellipsoid: exact in the plane
// tangent at the reference, for any distance.
QPointF EastNorth(double lat0, double lon0, double lat, double lon);

class ReceptionAnalysis {
public:
    // History ranges: the last 10 minutes, hour and day (1-second, 6-second and 1-minute
    // buckets), and the whole session (from 1-second buckets, 2048 at most).
    enum class Range { TenMinutes, Hour, Day, Session };
    static constexpr int kRanges = 4;

    ReceptionAnalysis();

    // A new session: everything forgotten; at is its start (the connection) on the clock that
    // AddEpoch is given, kNoTime for files.
    void Start(std::int64_t at);
    // One epoch at time t (ms UTC): the receiver's own time when it gives one. clock is the
    // moment on Start's clock (the PC's), for the time to the first fix; kNoTime: t. An epoch
    // not timed is of an input that gave no time at all: t counts seconds from 0 then, and
    // the first timed epoch starts the times afresh.
    void AddEpoch(const FixSnapshot& fix, std::int64_t t, std::int64_t clock = kNoTime,
                  bool timed = true);
    // Epochs, and none of them with a time: times are seconds since the first epoch.
    bool Clockless() const { return epochs > 0 && !timedSeen; }

    std::int64_t SessionStart() const { return started; }
    std::int64_t FirstEpoch() const { return firstEpoch; }
    std::int64_t LastEpoch() const { return lastEpoch; }
    std::uint64_t Epochs() const { return epochs; }
    std::uint64_t EpochsWithMode(int mode) const {
        return modes[std::size_t(std::clamp(mode, 1, 3) - 1)];
    }
    // From the session's start (or its first epoch) to the first 2D or 3D fix; empty without.
    std::optional<std::int64_t> TimeToFirstFix() const;

    const SatelliteTable& Satellites() const { return table; }
    BucketSpan History(Range range) const;
    const SkyMap& Sky() const { return sky; }
    const ElevationBin& Bin(GnssSystem system, int bin) const {
        return bins[std::size_t(system)][std::size_t(bin)];
    }
    // Systems seen in the elevation bins, in their order.
    std::vector<GnssSystem> SystemsSeen() const;
    const PositionStats& Position() const { return position; }

    // Counted changes, for a window that redraws only when there is something new.
    std::uint64_t Generation() const { return generation; }

private:
    void RestartHistory();
    SatelliteTable table;
    RingSeries tenMinutes, hour, day;
    GrowingSeries session;
    SkyMap sky;
    std::array<std::array<ElevationBin, kElevationBins>, kSystemCount> bins{};
    PositionStats position;
    std::array<std::uint64_t, 3> modes{};
    std::uint64_t epochs = 0;
    bool timedSeen = false;
    std::int64_t started = kNoTime, firstEpoch = kNoTime, lastEpoch = kNoTime;
    std::int64_t firstFix = kNoTime; // on Start's clock
    std::uint64_t generation = 0;
    EpochSample scratch;
};

// Milliseconds since 1970 of the snapshot's UTC text ("2026-12-07T10:00:00.000Z"); empty when
// it has none or it cannot be read.
std::optional<std::int64_t> UtcMs(const QByteArray& utc);

// Hands epochs to an analysis once per moment: a model that ends an epoch more than once for
// the same time (RMC, then ZDA) gives its last and fullest state of that moment.
class EpochSampler {
public:
    explicit EpochSampler(ReceptionAnalysis& analysis) : analysis(analysis) {}
    // An epoch at the snapshot's own UTC; without one at `clock` (the PC's, ms UTC, for a live
    // session), else a second after the epoch before. clock also times the first fix. The
    // epoch is held back until one of another moment comes, or Flush. Epochs before the
    // input's first time (a receiver that sends its date a few sentences in) wait for it and
    // are dated a second apart back from it; kMaxUntimed of them, or the end of an input
    // without any time, and they go in as seconds from 0.
    void Sample(FixSnapshot fix, std::optional<std::int64_t> clock = std::nullopt);
    // Hands over the epochs held back.
    void Flush();
    // Drops them: a new session.
    void Forget();

    static constexpr std::size_t kMaxUntimed = 600;

private:
    void AddUntimed(std::int64_t from, bool timed);
    ReceptionAnalysis& analysis;
    std::optional<FixSnapshot> held;
    std::int64_t heldTime = kNoTime, heldClock = kNoTime;
    bool heldTimed = true;
    std::vector<FixSnapshot> untimed;
};

} // namespace velsor::analysis
