#include "analysis/reception_analysis.h"

#include <QDate>

#include <cmath>
#include <numbers>

namespace velsor::analysis {

namespace {

constexpr std::int64_t kSecond = 1000, kMinute = 60 * kSecond, kHour = 60 * kMinute;
// A clock that runs back further than this, or ahead further than this, is a receiver that
// found its time (a cold start's default date) or files of other days: the history starts
// again there instead of squeezing both into one picture.
constexpr std::int64_t kJumpBack = kHour, kJumpAhead = 24 * kHour;

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0);
}

// Where each satellite of the bucket stands in its list.
void Index(const Bucket& b, std::vector<std::int16_t>& places) {
    places.assign(SatelliteTable::kMax, -1);
    for (std::size_t i = 0; i < b.sats.size(); ++i)
        places[b.sats[i].sat] = std::int16_t(i);
}

SatSum& SumOf(Bucket& b, std::uint16_t sat, std::vector<std::int16_t>& places) {
    std::int16_t& slot = places[sat];
    if (slot < 0) {
        slot = std::int16_t(b.sats.size());
        b.sats.push_back(SatSum{sat, 0, 0, 0});
    }
    return b.sats[std::size_t(slot)];
}

// WGS 84.
constexpr double kA = 6378137.0;
constexpr double kF = 1 / 298.257223563;
constexpr double kE2 = kF * (2 - kF);
constexpr double kRad = std::numbers::pi / 180;

std::array<double, 3> Ecef(double lat, double lon) {
    const double phi = lat * kRad, lambda = lon * kRad;
    const double n = kA / std::sqrt(1 - kE2 * std::sin(phi) * std::sin(phi));
    return {n * std::cos(phi) * std::cos(lambda), n * std::cos(phi) * std::sin(lambda),
            n * (1 - kE2) * std::sin(phi)};
}

// Latitude and longitude of the point's direction from the earth's axis (Bowring's iteration);
// any point but the centre.
std::array<double, 2> Geodetic(const std::array<double, 3>& p) {
    const double rho = std::hypot(p[0], p[1]);
    const double lon = std::atan2(p[1], p[0]) / kRad;
    double phi = std::atan2(p[2], rho * (1 - kE2));
    for (int i = 0; i < 4; ++i) {
        const double n = kA / std::sqrt(1 - kE2 * std::sin(phi) * std::sin(phi));
        phi = std::atan2(p[2] + kE2 * n * std::sin(phi), rho);
    }
    return {phi / kRad, lon};
}

// The east and north unit vectors at a place.
struct Tangent {
    std::array<double, 3> east, north;
};
Tangent TangentAt(double lat, double lon) {
    const double phi = lat * kRad, lambda = lon * kRad;
    return {{-std::sin(lambda), std::cos(lambda), 0},
            {-std::sin(phi) * std::cos(lambda), -std::sin(phi) * std::sin(lambda), std::cos(phi)}};
}

double Dot(const std::array<double, 3>& a, const std::array<double, 3>& b) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

// v' C v for the symmetric matrix stored as xx, xy, xz, yy, yz, zz.
double Quadratic(const std::array<double, 6>& c, const std::array<double, 3>& v) {
    return c[0] * v[0] * v[0] + c[3] * v[1] * v[1] + c[5] * v[2] * v[2] +
           2 * (c[1] * v[0] * v[1] + c[2] * v[0] * v[2] + c[4] * v[1] * v[2]);
}

} // namespace

// ---------------------------------------------------------------------------------------------

int SatelliteTable::IndexOf(GnssSystem system, int prn) {
    if (system == GnssSystem::None || prn < 1 || prn > kMaxPrn)
        return -1;
    if (lookup.empty())
        lookup.assign(std::size_t(kSystemCount) * (kMaxPrn + 1), 0);
    std::uint16_t& at = lookup[std::size_t(system) * (kMaxPrn + 1) + std::size_t(prn)];
    if (at == 0) {
        if (int(keys.size()) >= kMax)
            return -1;
        keys.push_back({system, std::uint16_t(prn)});
        at = std::uint16_t(keys.size());
    }
    return at - 1;
}

QString SatelliteTable::Name(int index) const {
    return QString(QChar(SystemLetter(System(index)))) +
           QStringLiteral("%1").arg(Prn(index), 2, 10, QLatin1Char('0'));
}

// ---------------------------------------------------------------------------------------------

void Bucket::Reset(std::int64_t at) {
    start = at;
    epochs = usedSamples = 0;
    usedSnrSum = 0;
    sats.clear();
}

void Bucket::Add(const EpochSample& e, std::vector<std::int16_t>& places) {
    ++epochs;
    usedSamples += e.usedCount;
    usedSnrSum += e.usedSnrSum;
    for (const EpochSample::Sat& s : e.sats) {
        SatSum& sum = SumOf(*this, s.sat, places);
        ++sum.samples;
        sum.used += s.used ? 1 : 0;
        sum.snrSum += s.snr;
    }
}

void Bucket::Merge(const Bucket& other, std::vector<std::int16_t>& places) {
    epochs += other.epochs;
    usedSamples += other.usedSamples;
    usedSnrSum += other.usedSnrSum;
    for (const SatSum& s : other.sats) {
        SatSum& sum = SumOf(*this, s.sat, places);
        sum.samples += s.samples;
        sum.used += s.used;
        sum.snrSum += s.snrSum;
    }
}

// ---------------------------------------------------------------------------------------------

void RingSeries::Add(std::int64_t t, const EpochSample& e) {
    const std::int64_t idx = FloorDiv(t, width);
    if (buckets.empty())
        buckets.resize(std::size_t(capacity));
    if (head == kNoTime || idx > head)
        head = idx;
    else if (idx <= head - capacity)
        return; // older than the range keeps
    Bucket& b = buckets[std::size_t(((idx % capacity) + capacity) % capacity)];
    const std::int64_t start = idx * width;
    if (b.start != start) {
        b.Reset(start);
        placesOf = kNoTime;
    }
    if (placesOf != start) {
        Index(b, places);
        placesOf = start;
    }
    b.Add(e, places);
}

void RingSeries::Clear() {
    buckets.clear();
    buckets.shrink_to_fit();
    head = placesOf = kNoTime;
}

BucketSpan RingSeries::Span(std::int64_t end) const {
    BucketSpan span;
    span.width = width;
    if (end == kNoTime)
        return span;
    const std::int64_t last = FloorDiv(end, width);
    span.first = (last - capacity + 1) * width;
    span.buckets.reserve(std::size_t(capacity));
    for (std::int64_t i = last - capacity + 1; i <= last; ++i) {
        const Bucket* b = nullptr;
        if (!buckets.empty()) {
            const Bucket& at = buckets[std::size_t(((i % capacity) + capacity) % capacity)];
            if (at.start == i * width && !at.Empty())
                b = &at;
        }
        span.buckets.push_back(b);
    }
    return span;
}

// ---------------------------------------------------------------------------------------------

void GrowingSeries::Add(std::int64_t t, const EpochSample& e) {
    if (origin == kNoTime)
        origin = FloorDiv(t, baseWidth) * baseWidth;
    if (t < origin)
        return; // before the session's start
    while ((t - origin) / width >= capacity)
        Double();
    const std::size_t idx = std::size_t((t - origin) / width);
    if (buckets.size() <= idx)
        buckets.resize(idx + 1);
    Bucket& b = buckets[idx];
    if (b.start == kNoTime)
        b.Reset(origin + std::int64_t(idx) * width);
    if (current != int(idx)) {
        Index(b, places);
        current = int(idx);
    }
    b.Add(e, places);
}

void GrowingSeries::Double() {
    width *= 2;
    const std::size_t half = (buckets.size() + 1) / 2;
    for (std::size_t i = 0; i < half; ++i) {
        Bucket merged = std::move(buckets[2 * i]);
        if (merged.start == kNoTime)
            merged.Reset(kNoTime);
        if (2 * i + 1 < buckets.size() && buckets[2 * i + 1].start != kNoTime) {
            Index(merged, places);
            merged.Merge(buckets[2 * i + 1], places);
        }
        merged.start = merged.Empty() ? kNoTime : origin + std::int64_t(i) * width;
        buckets[i] = std::move(merged);
    }
    buckets.resize(half);
    current = -1;
}

void GrowingSeries::Clear() {
    buckets.clear();
    buckets.shrink_to_fit();
    origin = kNoTime;
    width = baseWidth;
    current = -1;
}

BucketSpan GrowingSeries::Span() const {
    BucketSpan span;
    span.width = width;
    span.first = origin;
    span.buckets.reserve(buckets.size());
    for (const Bucket& b : buckets)
        span.buckets.push_back(b.start == kNoTime || b.Empty() ? nullptr : &b);
    return span;
}

// ---------------------------------------------------------------------------------------------

int ElevationBinOf(int elevation) {
    if (elevation < 0 || elevation > 90)
        return -1;
    return std::min(elevation / kBinDegrees, kElevationBins - 1);
}

// ---------------------------------------------------------------------------------------------

void PositionStats::Add(double lat, double lon, std::optional<double> alt) {
    if (!std::isfinite(lat) || !std::isfinite(lon) || std::abs(lat) > 90 || std::abs(lon) > 180)
        return;
    // Horizontal only: on the ellipsoid, so a fix without a height counts as much as one with.
    const std::array<double, 3> p = Ecef(lat, lon);
    ++n;
    std::array<double, 3> d{}, d2{};
    for (int i = 0; i < 3; ++i) {
        d[i] = p[i] - mean[i];
        mean[i] += d[i] / double(n);
        d2[i] = p[i] - mean[i];
    }
    m2[0] += d[0] * d2[0];
    m2[1] += d[0] * d2[1];
    m2[2] += d[0] * d2[2];
    m2[3] += d[1] * d2[1];
    m2[4] += d[1] * d2[2];
    m2[5] += d[2] * d2[2];
    if (alt && std::isfinite(*alt)) {
        ++altN;
        const double da = *alt - altMean;
        altMean += da / double(altN);
        altM2 += da * (*alt - altMean);
        altMin = altN == 1 ? *alt : std::min(altMin, *alt);
        altMax = altN == 1 ? *alt : std::max(altMax, *alt);
    }
    // A uniform sample of every fix so far (reservoir sampling), from a fixed seed so that the
    // same input gives the same figures.
    if (sample.size() < std::size_t(kSampleSize)) {
        sample.push_back({lat, lon});
    } else {
        rng ^= rng << 13;
        rng ^= rng >> 7;
        rng ^= rng << 17;
        const std::uint64_t j = rng % n;
        if (j < std::uint64_t(kSampleSize))
            sample[std::size_t(j)] = {lat, lon};
    }
}

PositionStats::Figures PositionStats::Compute() const {
    Figures f;
    f.fixes = n;
    f.heights = altN;
    if (n == 0)
        return f;
    const auto [lat0, lon0] = Geodetic(mean);
    f.meanLat = lat0;
    f.meanLon = lon0;
    const Tangent t = TangentAt(lat0, lon0);
    if (n > 1) {
        std::array<double, 6> c{};
        for (int i = 0; i < 6; ++i)
            c[std::size_t(i)] = m2[std::size_t(i)] / double(n - 1);
        f.sigmaEast = std::sqrt(std::max(0.0, Quadratic(c, t.east)));
        f.sigmaNorth = std::sqrt(std::max(0.0, Quadratic(c, t.north)));
    }
    f.drms2 = 2 * std::hypot(f.sigmaEast, f.sigmaNorth);
    std::vector<double> r;
    r.reserve(sample.size());
    for (const QPointF& p : Scatter())
        r.push_back(std::hypot(p.x(), p.y()));
    std::sort(r.begin(), r.end());
    // The smallest circle that holds at least that share of the fixes.
    auto within = [&](double share) {
        const std::size_t k = std::size_t(std::ceil(share * double(r.size())));
        return r[std::clamp<std::size_t>(k, 1, r.size()) - 1];
    };
    f.cep50 = within(0.50);
    f.cep95 = within(0.95);
    f.cepExact = sample.size() == n;
    if (altN > 0) {
        f.altMean = altMean;
        f.altSigma = altN > 1 ? std::sqrt(altM2 / double(altN - 1)) : 0.0;
        f.altMin = altMin;
        f.altMax = altMax;
    }
    return f;
}

std::vector<QPointF> PositionStats::Scatter() const {
    std::vector<QPointF> out;
    if (n == 0)
        return out;
    const auto [lat0, lon0] = Geodetic(mean);
    const Tangent t = TangentAt(lat0, lon0);
    out.reserve(sample.size());
    for (const auto& [lat, lon] : sample) {
        const std::array<double, 3> p = Ecef(lat, lon);
        const std::array<double, 3> d{p[0] - mean[0], p[1] - mean[1], p[2] - mean[2]};
        out.emplace_back(Dot(t.east, d), Dot(t.north, d));
    }
    return out;
}

QPointF EastNorth(double lat0, double lon0, double lat, double lon) {
    const std::array<double, 3> a = Ecef(lat0, lon0), b = Ecef(lat, lon);
    const std::array<double, 3> d{b[0] - a[0], b[1] - a[1], b[2] - a[2]};
    const Tangent t = TangentAt(lat0, lon0);
    return {Dot(t.east, d), Dot(t.north, d)};
}

// ---------------------------------------------------------------------------------------------

ReceptionAnalysis::ReceptionAnalysis()
    : tenMinutes(kSecond, 600), hour(6 * kSecond, 600), day(kMinute, 1440), session(kSecond, 2048) {
}

void ReceptionAnalysis::Start(std::int64_t at) {
    table = SatelliteTable();
    RestartHistory();
    sky.Clear();
    bins = {};
    position.Clear();
    modes = {};
    epochs = 0;
    timedSeen = false;
    started = at;
    firstEpoch = lastEpoch = firstFix = kNoTime;
    ++generation;
}

void ReceptionAnalysis::RestartHistory() {
    tenMinutes.Clear();
    hour.Clear();
    day.Clear();
    session.Clear();
}

void ReceptionAnalysis::AddEpoch(const FixSnapshot& f, std::int64_t t, std::int64_t clock,
                                 bool timed) {
    if (timed && !timedSeen && epochs > 0) {
        // Seconds from 0 until now: the epochs before are taken as a second apart up to this
        // one, and the history starts here.
        RestartHistory();
        const std::int64_t shift = t - (lastEpoch + kSecond);
        firstEpoch += shift;
        if (firstFix != kNoTime && started == kNoTime)
            firstFix += shift;
        lastEpoch = t;
    } else if (lastEpoch != kNoTime && (t < lastEpoch - kJumpBack || t > lastEpoch + kJumpAhead)) {
        RestartHistory();
        lastEpoch = t;
    }
    timedSeen = timedSeen || timed;
    ++epochs;
    ++generation;
    ++modes[std::size_t(std::clamp(f.mode, 1, 3) - 1)];
    if (firstEpoch == kNoTime)
        firstEpoch = t;
    lastEpoch = lastEpoch == kNoTime ? t : std::max(lastEpoch, t);
    if (f.mode >= 2 && f.lat && f.lon) {
        position.Add(*f.lat, *f.lon, f.alt);
        if (firstFix == kNoTime)
            firstFix = clock != kNoTime ? clock : t;
    }

    EpochSample& e = scratch;
    e.sats.clear();
    e.usedSnrSum = e.usedCount = 0;
    for (const GnssSatellite& s : f.sats) {
        const bool heard = s.snr > 0;
        // The sky map's rule: the sky plot shows no satellite at elevation or azimuth 0.
        if (s.el > 0 && s.el <= 90 && s.az > 0 && s.az <= 359)
            sky.Add(s.el, s.az, heard ? s.snr : 0);
        // An elevation and azimuth both 0 is an empty slot, not a satellite on the horizon.
        if (const int bin = ElevationBinOf(s.el); bin >= 0 && s.az >= 0 && s.az <= 359 &&
                                                  (s.el > 0 || s.az > 0) &&
                                                  s.system != GnssSystem::None) {
            ElevationBin& b = bins[std::size_t(s.system)][std::size_t(bin)];
            ++b.sightings;
            if (heard) {
                ++b.heard;
                b.snrSum += std::uint64_t(s.snr);
            }
        }
        if (!heard)
            continue;
        const int idx = table.IndexOf(s.system, s.prn);
        if (idx < 0)
            continue;
        e.sats.push_back({std::uint16_t(idx), std::uint16_t(s.snr), s.used});
        if (s.used) {
            e.usedSnrSum += std::uint32_t(s.snr);
            ++e.usedCount;
        }
    }
    tenMinutes.Add(t, e);
    hour.Add(t, e);
    day.Add(t, e);
    session.Add(t, e);
}

std::optional<std::int64_t> ReceptionAnalysis::TimeToFirstFix() const {
    if (firstFix == kNoTime)
        return std::nullopt;
    const std::int64_t from = started != kNoTime ? started : firstEpoch;
    return std::max<std::int64_t>(0, firstFix - from);
}

BucketSpan ReceptionAnalysis::History(Range range) const {
    switch (range) {
    case Range::TenMinutes:
        return tenMinutes.Span(lastEpoch);
    case Range::Hour:
        return hour.Span(lastEpoch);
    case Range::Day:
        return day.Span(lastEpoch);
    case Range::Session:
        break;
    }
    return session.Span();
}

std::vector<GnssSystem> ReceptionAnalysis::SystemsSeen() const {
    std::vector<GnssSystem> out;
    for (int s = 0; s < kSystemCount; ++s) {
        for (const ElevationBin& b : bins[std::size_t(s)]) {
            if (b.sightings > 0) {
                out.push_back(GnssSystem(s));
                break;
            }
        }
    }
    return out;
}

// ---------------------------------------------------------------------------------------------

std::optional<std::int64_t> UtcMs(const QByteArray& utc) {
    // yyyy-MM-ddTHH:mm:ss.zzzZ
    if (utc.size() < 23 || utc[4] != '-' || utc[7] != '-' || utc[10] != 'T' || utc[13] != ':' ||
        utc[16] != ':' || utc[19] != '.')
        return std::nullopt;
    auto num = [&](int at, int len) -> std::optional<int> {
        int v = 0;
        for (int i = at; i < at + len; ++i) {
            if (utc[i] < '0' || utc[i] > '9')
                return std::nullopt;
            v = v * 10 + (utc[i] - '0');
        }
        return v;
    };
    const auto y = num(0, 4), mo = num(5, 2), d = num(8, 2), h = num(11, 2), mi = num(14, 2),
               s = num(17, 2), ms = num(20, 3);
    if (!y || !mo || !d || !h || !mi || !s || !ms || *h > 23 || *mi > 59 || *s > 60)
        return std::nullopt;
    const QDate date(*y, *mo, *d);
    if (!date.isValid())
        return std::nullopt;
    const std::int64_t days = date.toJulianDay() - QDate(1970, 1, 1).toJulianDay();
    return ((days * 24 + *h) * 60 + *mi) * kMinute + std::int64_t(*s) * kSecond + *ms;
}

void EpochSampler::Sample(FixSnapshot fix, std::optional<std::int64_t> clock) {
    const bool same = held && !fix.utc.isEmpty() && fix.utc == held->utc;
    std::int64_t t = 0;
    bool timed = true;
    if (const auto u = UtcMs(fix.utc)) {
        t = *u;
    } else if (clock) {
        t = *clock;
    } else if (held) {
        t = heldTime + kSecond;
        timed = heldTimed;
    } else if (analysis.LastEpoch() != kNoTime) {
        t = analysis.LastEpoch() + kSecond;
        timed = !analysis.Clockless();
    } else {
        untimed.push_back(std::move(fix));
        if (untimed.size() >= kMaxUntimed)
            AddUntimed(0, false);
        return;
    }
    if (timed && !untimed.empty())
        AddUntimed(t - kSecond * std::int64_t(untimed.size()), true);
    if (!same)
        Flush();
    held = std::move(fix);
    heldTime = t;
    heldTimed = timed;
    heldClock = clock.value_or(kNoTime);
}

void EpochSampler::AddUntimed(std::int64_t from, bool timed) {
    for (const FixSnapshot& f : untimed) {
        analysis.AddEpoch(f, from, kNoTime, timed);
        from += kSecond;
    }
    untimed.clear();
}

void EpochSampler::Flush() {
    if (!untimed.empty())
        AddUntimed(analysis.LastEpoch() != kNoTime ? analysis.LastEpoch() + kSecond : 0, false);
    if (held)
        analysis.AddEpoch(*held, heldTime, heldClock, heldTimed);
    held.reset();
}

void EpochSampler::Forget() {
    held.reset();
    untimed.clear();
}

} // namespace velsor::analysis
