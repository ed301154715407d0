#include "nmea_sim.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numeric>

namespace velsor::sim {

namespace {

constexpr double kPi = 3.141592653589793;

// splitmix64: small, well mixed and identical on every platform, unlike std distributions.
std::uint64_t mix(std::uint64_t x) {
    x += 0x9e3779b97f4a7c15ULL;
    x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ULL;
    x = (x ^ (x >> 27)) * 0x94d049bb133111ebULL;
    return x ^ (x >> 31);
}

// Noise that depends only on its inputs, so a second looks the same however often it is asked.
double unitNoise(std::uint64_t seed, std::uint64_t a, std::uint64_t b) {
    return static_cast<double>(mix(seed ^ mix(a ^ mix(b))) >> 11) / 9007199254740992.0;
}

int intNoise(std::uint64_t seed, std::uint64_t a, std::uint64_t b, int lo, int hi) {
    const auto span = static_cast<std::uint64_t>(hi - lo + 1);
    return lo + static_cast<int>(mix(seed ^ mix(a ^ mix(b + 0x5bd1e995ULL))) % span);
}

QByteArray padded(long long value, int width) {
    return QByteArray::number(value).rightJustified(width, '0');
}

// Fixed-width decimal: `intDigits` digits before the point (zero padded), one after.
QByteArray fixedTenths(double value, int intDigits) {
    const long long tenths = std::llround(std::max(0.0, value) * 10.0);
    return padded(tenths / 10, intDigits) + '.' + QByteArray::number(tenths % 10);
}

// ddmm.mmmm or dddmm.mmmm, rounded on whole ten-thousandths of a minute so 59.99995 carries.
QByteArray angleField(double degrees, int degreeDigits) {
    const long long units = std::llround(std::fabs(degrees) * 60.0 * 10000.0);
    const long long wholeDegrees = units / 600000;
    const long long rest = units % 600000;
    return padded(wholeDegrees, degreeDigits) + padded(rest / 10000, 2) + '.' +
           padded(rest % 10000, 4);
}

QByteArray timeField(Tuner tuner, const QDateTime& utc) {
    const QTime t = utc.time();
    QByteArray field = padded(t.hour(), 2) + padded(t.minute(), 2) + padded(t.second(), 2);
    if (tuner == Tuner::Cfgps) {
        field += '.' + QByteArray::number(t.msec() / 100);
    }
    return field;
}

// Dilution of precision shrinks with more satellites; one digit before the point always.
double hdopFor(std::size_t used) {
    return std::clamp(0.6 + 4.0 / static_cast<double>(std::max<std::size_t>(used, 1)), 0.5, 9.9);
}

QByteArray dopField(double dop) {
    return fixedTenths(std::min(dop, 9.9), 1);
}

// Satellites in view of each system for the multi-GNSS model: 26 to 40 in all.
ViewRange gnssRange(System system) {
    switch (system) {
    case System::Gps:
        return {8, 11};
    case System::Glonass:
        return {5, 8};
    case System::Galileo:
        return {6, 9};
    case System::BeiDou:
        return {7, 12};
    }
    return {0, 0};
}

// Numbers as the system's GSV gives them: GLONASS slots 1..24 as 65..88, the rest their PRN.
// BeiDou stays within 1..32, as receivers in NMEA 4.10 mode number it: decoders of that
// version (gpsd among them) read 33..64 as SBAS.
std::vector<int> gnssNumbers(System system) {
    const auto [first, count] = system == System::Glonass   ? std::pair{65, 24}
                                : system == System::Galileo ? std::pair{1, 36}
                                                            : std::pair{1, 32};
    std::vector<int> numbers(static_cast<std::size_t>(count));
    std::iota(numbers.begin(), numbers.end(), first);
    return numbers;
}

} // namespace

class Rng {
public:
    explicit Rng(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next() {
        state_ += 0x9e3779b97f4a7c15ULL;
        return mix(state_);
    }
    double uniform(double lo, double hi) {
        return lo + (hi - lo) * static_cast<double>(next() >> 11) / 9007199254740992.0;
    }
    int below(int n) { return static_cast<int>(next() % static_cast<std::uint64_t>(n)); }

private:
    std::uint64_t state_;
};

int defaultBaud(Tuner tuner) {
    switch (tuner) {
    case Tuner::Gt74:
        return 4800;
    case Tuner::Cfgps:
        return 9600;
    case Tuner::Gnss:
        return 115200;
    }
    return 9600;
}

ViewRange viewRange(Tuner tuner) {
    switch (tuner) {
    case Tuner::Gt74:
        return {8, 11};
    case Tuner::Cfgps:
        return {7, 9};
    case Tuner::Gnss: {
        ViewRange all{0, 0};
        for (const System s : kSystems) {
            all.fewest += gnssRange(s).fewest;
            all.most += gnssRange(s).most;
        }
        return all;
    }
    }
    return {0, 0};
}

Sky::Sky(std::uint64_t seed, Tuner tuner) : seed_(seed) {
    if (tuner == Tuner::Gnss) {
        for (const System system : kSystems) {
            Rng rng(mix(seed ^ (0x6a09e667f3bcc909ULL * (static_cast<std::uint64_t>(system) + 1))));
            addTracks(rng, system, gnssNumbers(system), gnssRange(system));
        }
    } else {
        Rng rng(seed);
        std::vector<int> prns(32);
        std::iota(prns.begin(), prns.end(), 1);
        addTracks(rng, System::Gps, std::move(prns), viewRange(tuner));
    }
    std::sort(tracks_.begin(), tracks_.end(), [](const Track& a, const Track& b) {
        return std::pair(a.system, a.prn) < std::pair(b.system, b.prn);
    });
}

void Sky::addTracks(Rng& rng, System system, std::vector<int> prns, ViewRange range) {
    for (int i = static_cast<int>(prns.size()) - 1; i > 0; --i) {
        std::swap(prns[static_cast<std::size_t>(i)],
                  prns[static_cast<std::size_t>(rng.below(i + 1))]);
    }
    for (int i = 0; i < range.most; ++i) {
        Track t{};
        t.system = system;
        t.prn = prns[static_cast<std::size_t>(i)];
        t.azimuth0 = rng.uniform(0.0, 360.0);
        // A few degrees a minute, either way round.
        t.azimuthRate = rng.uniform(1.0, 4.0) / 60.0 * (rng.below(2) == 0 ? 1.0 : -1.0);
        t.period = rng.uniform(1800.0, 5400.0);
        t.phase = rng.uniform(0.0, 2.0 * kPi);
        if (i < range.fewest) {
            // Always up; the lowest ones dip under 5 degrees now and then and lose their SNR.
            t.base = rng.uniform(12.0, 55.0);
            t.amplitude = rng.uniform(0.3, 1.0) * std::min(t.base - 1.0, 85.0 - t.base);
        } else {
            // Up for part of each period only.
            t.amplitude = rng.uniform(25.0, 60.0);
            t.base = -t.amplitude * rng.uniform(0.1, 0.5);
        }
        tracks_.push_back(t);
    }
}

std::vector<Satellite> Sky::at(std::int64_t second) const {
    const double t = static_cast<double>(second);
    std::vector<Satellite> sats;
    for (const Track& track : tracks_) {
        const double elevation =
            track.base + track.amplitude * std::sin(2.0 * kPi * t / track.period + track.phase);
        if (elevation < 0.0) {
            continue;
        }
        double azimuth = std::fmod(track.azimuth0 + track.azimuthRate * t, 360.0);
        if (azimuth < 0.0) {
            azimuth += 360.0;
        }
        Satellite s;
        s.system = track.system;
        s.prn = track.prn;
        s.elevation = std::clamp(static_cast<int>(std::lround(elevation)), 0, 90);
        s.azimuth = static_cast<int>(std::lround(azimuth)) % 360;
        // The GPS key stays the PRN alone so the original models' skies do not change.
        const auto key = static_cast<std::uint64_t>(track.prn) +
                         1000ULL * static_cast<std::uint64_t>(track.system);
        s.snr = snrForElevation(s.elevation,
                                intNoise(seed_, key, static_cast<std::uint64_t>(second), -2, 2));
        sats.push_back(s);
    }
    return sats;
}

int snrForElevation(int elevation, int noise) {
    if (elevation < 5) {
        return 0;
    }
    return std::clamp(30 + elevation / 3 + noise, 0, 50);
}

bool Period::contains(std::int64_t second) const {
    if (every <= 0 || length <= 0 || second < 0) {
        return false;
    }
    return second % every >= every - length;
}

Fix FixSchedule::at(std::int64_t second) const {
    if (noFix.contains(second)) {
        return Fix::None;
    }
    if (twoD.contains(second)) {
        return Fix::TwoD;
    }
    return Fix::ThreeD;
}

bool Sector::contains(int azimuth, int elevation) const {
    if (elevation > elevationMax) {
        return false;
    }
    return from <= to ? azimuth >= from && azimuth <= to : azimuth >= from || azimuth <= to;
}

Position positionAt(std::uint64_t seed, std::int64_t second) {
    const auto s = static_cast<std::uint64_t>(second);
    // About +-4 m north-south and east-west, +-1.5 m in height.
    const double jitter = 0.00004;
    Position p;
    p.latitude = 35.0 + 41.0 / 60.0 + (unitNoise(seed, 1, s) - 0.5) * 2.0 * jitter;
    p.longitude = 139.0 + 45.0 / 60.0 + (unitNoise(seed, 2, s) - 0.5) * 2.0 * jitter;
    p.altitude = 40.0 + (unitNoise(seed, 3, s) - 0.5) * 3.0;
    return p;
}

std::uint8_t checksum(QByteArrayView body) {
    std::uint8_t sum = 0;
    for (const char c : body) {
        sum ^= static_cast<std::uint8_t>(c);
    }
    return sum;
}

QByteArray frame(QByteArrayView body) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    const std::uint8_t sum = checksum(body);
    QByteArray out;
    out.reserve(body.size() + 6);
    out += '$';
    out += body;
    out += '*';
    out += kHex[sum >> 4];
    out += kHex[sum & 0x0f];
    out += "\r\n";
    return out;
}

QByteArray ggaSentence(Tuner tuner, const Epoch& epoch) {
    QByteArray body = "GPGGA," + timeField(tuner, epoch.utc) + ',';
    if (epoch.fix == Fix::None) {
        // Time still runs without a fix; everything derived from the fix is empty.
        body += ",,,,0,00,,,M,,M,,";
        return frame(body);
    }
    const Position& p = epoch.position;
    body += angleField(p.latitude, 2) + (p.latitude < 0 ? ",S," : ",N,");
    body += angleField(p.longitude, 3) + (p.longitude < 0 ? ",W," : ",E,");
    body += "1," + padded(static_cast<long long>(epoch.used.size()), 2) + ',';
    body += dopField(hdopFor(epoch.used.size())) + ',';
    body += fixedTenths(p.altitude, 3) + ",M,036.7,M,,";
    return frame(body);
}

QByteArray gsaSentence(const Epoch& epoch) {
    QByteArray body = "GPGSA,A,";
    body += epoch.fix == Fix::ThreeD ? '3' : epoch.fix == Fix::TwoD ? '2' : '1';
    // Twelve slots, used satellites first, so empty slots only ever trail.
    for (std::size_t slot = 0; slot < 12; ++slot) {
        body += ',';
        if (epoch.fix != Fix::None && slot < epoch.used.size()) {
            body += padded(epoch.used[slot].prn, 2);
        }
    }
    if (epoch.fix == Fix::None) {
        body += ",,,";
    } else {
        const double hdop = hdopFor(epoch.used.size());
        body += ',' + dopField(hdop * 1.6) + ',' + dopField(hdop) + ',' + dopField(hdop * 1.2);
    }
    return frame(body);
}

QList<QByteArray> gsvSentences(Tuner tuner, const Epoch& epoch) {
    std::vector<Satellite> sats = epoch.inView;
    // The CFGPS count field has room for one digit only.
    if (tuner == Tuner::Cfgps && sats.size() > 9) {
        sats.resize(9);
    }
    const auto count = static_cast<qsizetype>(sats.size());
    const qsizetype messages = std::max<qsizetype>(1, (count + 3) / 4);
    const int countWidth = tuner == Tuner::Gt74 ? 2 : 1;

    QList<QByteArray> out;
    for (qsizetype m = 0; m < messages; ++m) {
        QByteArray body = "GPGSV," + QByteArray::number(messages) + ',' +
                          QByteArray::number(m + 1) + ',' + padded(count, countWidth);
        for (qsizetype i = m * 4; i < std::min(count, m * 4 + 4); ++i) {
            const Satellite& s = sats[static_cast<std::size_t>(i)];
            body += ',' + padded(s.prn, 2) + ',' + padded(s.elevation, 2) + ',' +
                    padded(s.azimuth, 3) + ',' + padded(s.snr, 2);
        }
        out.push_back(frame(body));
    }
    return out;
}

QByteArray zdaSentence(const Epoch& epoch) {
    const QDate d = epoch.utc.date();
    return frame("GPZDA," + timeField(Tuner::Gt74, epoch.utc) + ',' + padded(d.day(), 2) + ',' +
                 padded(d.month(), 2) + ',' + padded(d.year(), 4) + ",00,00");
}

QByteArray rmcSentence(const Epoch& epoch) {
    // Without a fix the status turns V but the last position stays in place, as some receivers
    // do; that keeps the date at the columns the analyzer reads (55-60).
    const Position& p = epoch.position;
    const auto second = static_cast<std::uint64_t>(epoch.utc.toSecsSinceEpoch());
    const double speedKnots = unitNoise(second, 4, 0) * 0.2;
    const double course = unitNoise(second, 5, 0) * 359.9;
    const QDate d = epoch.utc.date();
    QByteArray body = "GPRMC," + timeField(Tuner::Cfgps, epoch.utc) + ',';
    body += epoch.fix == Fix::None ? "V," : "A,";
    body += angleField(p.latitude, 2) + (p.latitude < 0 ? ",S," : ",N,");
    body += angleField(p.longitude, 3) + (p.longitude < 0 ? ",W," : ",E,");
    body += fixedTenths(speedKnots, 2) + ',' + fixedTenths(course, 3) + ',';
    body += padded(d.day(), 2) + padded(d.month(), 2) + padded(d.year() % 100, 2) + ",,";
    return frame(body);
}

QList<QByteArray> sentences(Tuner tuner, const Epoch& epoch, qsizetype lineBytes) {
    if (tuner == Tuner::Gnss) {
        return gnssSentences(epoch, lineBytes);
    }
    QList<QByteArray> out{ggaSentence(tuner, epoch), gsaSentence(epoch)};
    out += gsvSentences(tuner, epoch);
    out.push_back(tuner == Tuner::Gt74 ? zdaSentence(epoch) : rmcSentence(epoch));
    return out;
}

Generator::Generator(Tuner tuner, std::uint64_t seed, FixSchedule schedule)
    : tuner_(tuner), seed_(seed), schedule_(schedule), sky_(seed, tuner) {}

Epoch Generator::epoch(const QDateTime& utc, std::int64_t runSecond) const {
    Epoch e;
    e.utc = utc;
    e.inView = sky_.at(runSecond);
    e.position = positionAt(seed_, runSecond);
    if (blocked_) {
        for (Satellite& s : e.inView) {
            if (blocked_->contains(s.azimuth, s.elevation)) {
                s.snr = 0;
            }
        }
    }

    const Fix wanted = schedule_.at(runSecond);
    if (wanted == Fix::None) {
        // A blocked sky: satellites stay listed but their signals drop.
        for (Satellite& s : e.inView) {
            s.snr /= 3;
        }
    }

    std::vector<Satellite> usable;
    std::copy_if(e.inView.begin(), e.inView.end(), std::back_inserter(usable),
                 [](const Satellite& s) { return s.snr > 0; });
    std::stable_sort(usable.begin(), usable.end(),
                     [](const Satellite& a, const Satellite& b) { return a.snr > b.snr; });

    std::size_t take = 0;
    if (wanted == Fix::ThreeD && usable.size() >= 4) {
        e.fix = Fix::ThreeD;
        take = tuner_ == Tuner::Gnss ? usable.size() : std::min<std::size_t>(usable.size(), 12);
    } else if (wanted != Fix::None && usable.size() >= 3) {
        e.fix = Fix::TwoD;
        take = 3;
    } else {
        e.fix = Fix::None;
    }
    std::array<int, std::size(kSystems)> perSystem{};
    for (std::size_t i = 0; i < usable.size() && e.used.size() < take; ++i) {
        // GSA has twelve slots a system.
        if (++perSystem[static_cast<std::size_t>(usable[i].system)] <= 12) {
            e.used.push_back(SatId{usable[i].system, usable[i].prn});
        }
    }
    std::sort(e.used.begin(), e.used.end());
    return e;
}

QByteArray Generator::burst(const QDateTime& utc, std::int64_t runSecond) const {
    QByteArray out;
    for (const QByteArray& s : sentences(tuner_, epoch(utc, runSecond), lineBytes_)) {
        out += s;
    }
    return out;
}

} // namespace velsor::sim
