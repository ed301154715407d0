// Sentence generation of the simulated GPS tuner: a deterministic sky, a fix schedule and the
// NMEA 0183 sentences of the receiver models. The two original models put every field at the
// fixed width the analyzer reads by character position; the multi-GNSS model writes them as a
// current receiver does.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QList>

#include <cstdint>
#include <optional>
#include <vector>

namespace velsor::sim {

// The numbers are the ones the analyzer's settings use for the models.
enum class Tuner {
    Gt74 = 0,  // FURUNO GT-74/77: GGA, GSA, GSV, ZDA; two-digit GSV count, hhmmss times
    Cfgps = 1, // I-O DATA CFGPS: GGA, GSA, GSV, RMC; one-digit GSV count, hhmmss.s times
    Gnss = 2,  // a current multi-GNSS receiver: $GN talker, NMEA 4.10 system and signal ids
};

// Satellite systems of the multi-GNSS model, in the order its sentences list them.
enum class System { Gps, Glonass, Galileo, BeiDou };
inline constexpr System kSystems[] = {System::Gps, System::Glonass, System::Galileo,
                                      System::BeiDou};

int defaultBaud(Tuner tuner);

// Fewest and most satellites the sky of a model ever shows. The CFGPS count field has one
// digit, so it never reports more than nine.
struct ViewRange {
    int fewest;
    int most;
};
ViewRange viewRange(Tuner tuner);

enum class Fix { None, TwoD, ThreeD };

struct Satellite {
    int prn = 0;
    int elevation = 0; // degrees, 0..90
    int azimuth = 0;   // degrees, 0..359
    int snr = 0;       // dB, 0..50; 0 = not tracked
    System system = System::Gps;

    bool operator==(const Satellite&) const = default;
};

// A satellite as GSA names it: GLONASS numbers are 65..96, the others their own PRN.
struct SatId {
    System system = System::Gps;
    int prn = 0;

    auto operator<=>(const SatId&) const = default;
};

// Satellites moving slowly over the sky, the same for the same seed. A few of them rise and
// set, so the number in view wanders within the model's range.
class Sky {
public:
    Sky(std::uint64_t seed, Tuner tuner);

    // The satellites above the horizon at a second of the run, by system, then ascending PRN.
    std::vector<Satellite> at(std::int64_t second) const;

private:
    struct Track {
        System system;
        int prn;
        double azimuth0;    // degrees at second 0
        double azimuthRate; // degrees per second
        double base;        // elevation = base + amplitude * sin(2 pi t / period + phase)
        double amplitude;
        double period; // seconds
        double phase;  // radians
    };
    // Shuffles `prns` and puts the first range.most of them on tracks; the first range.fewest
    // never set.
    void addTracks(class Rng& rng, System system, std::vector<int> prns, ViewRange range);

    std::uint64_t seed_;
    std::vector<Track> tracks_;
};

// Snr for a satellite at an elevation: strong overhead, untracked near the horizon.
// `noise` is added before clipping to 0..50.
int snrForElevation(int elevation, int noise);

// A recurring stretch: within every `every` seconds of the run, the last `length` seconds.
// A zero `every` never applies.
struct Period {
    int every = 0;
    int length = 0;

    bool contains(std::int64_t second) const;
};

struct FixSchedule {
    Period noFix;
    Period twoD;

    // The fix the receiver is asked to have; no fix wins over 2D.
    Fix at(std::int64_t second) const;
};

struct Position {
    double latitude = 0;  // degrees, north positive
    double longitude = 0; // degrees, east positive
    double altitude = 0;  // metres above mean sea level
};

// The antenna near Tokyo (35 41' N, 139 45' E) with a jitter of a few metres.
Position positionAt(std::uint64_t seed, std::int64_t second);

// Part of the sky the antenna cannot see: satellites with an azimuth from `from` to `to`
// degrees (clockwise, wrapping through north when from > to) and an elevation of at most
// `elevationMax` are reported with SNR 0.
struct Sector {
    int from = 0;
    int to = 0;
    int elevationMax = 90;

    bool contains(int azimuth, int elevation) const;
    bool operator==(const Sector&) const = default;
};

// Everything the receiver reports for one second.
struct Epoch {
    QDateTime utc;
    Fix fix = Fix::ThreeD;
    Position position;
    std::vector<Satellite> inView; // by system, ascending PRN
    std::vector<SatId> used;       // satellites used in the fix, ascending; empty without fix
};

// XOR of the bytes between '$' and '*'.
std::uint8_t checksum(QByteArrayView body);
// "$" body "*hh" CR LF.
QByteArray frame(QByteArrayView body);

// Sentence builders; each returns the framed sentence.
QByteArray ggaSentence(Tuner tuner, const Epoch& epoch);
QByteArray gsaSentence(const Epoch& epoch);
QList<QByteArray> gsvSentences(Tuner tuner, const Epoch& epoch);
QByteArray zdaSentence(const Epoch& epoch);
QByteArray rmcSentence(const Epoch& epoch);

// The multi-GNSS model's sentences ($GN for the combined solution, the system's own talker for
// GSV): GSA gives one sentence per system, GSV one group per system with satellites in view.
QByteArray gnssGgaSentence(const Epoch& epoch);
QByteArray gnssRmcSentence(const Epoch& epoch);
QByteArray gnssGnsSentence(const Epoch& epoch);
QByteArray gnssVtgSentence(const Epoch& epoch);
QByteArray gnssGllSentence(const Epoch& epoch);
QByteArray gnssZdaSentence(const Epoch& epoch);
QList<QByteArray> gnssGsaSentences(const Epoch& epoch);
QList<QByteArray> gnssGsvSentences(System system, const Epoch& epoch);
QList<QByteArray> gnssSentences(const Epoch& epoch, qsizetype lineBytes);

// One second's output of a model, in the order the receiver sends it. The multi-GNSS model
// keeps within `lineBytes` a second (0: no limit), as a receiver whose output buffer overflows
// drops what does not fit: first the extras (VTG, GNS, GLL, ZDA), then whole GSV groups, a
// different system's first from one second to the next; RMC, GGA and GSA always go.
QList<QByteArray> sentences(Tuner tuner, const Epoch& epoch, qsizetype lineBytes = 0);

class Generator {
public:
    Generator(Tuner tuner, std::uint64_t seed, FixSchedule schedule);

    Tuner tuner() const { return tuner_; }
    void setBlocked(std::optional<Sector> sector) { blocked_ = sector; }
    // Line speed in bytes a second; 0 (the default) never drops a sentence.
    void setLineBytes(qsizetype bytesPerSecond) { lineBytes_ = bytesPerSecond; }
    Epoch epoch(const QDateTime& utc, std::int64_t runSecond) const;
    // The second's sentences joined into the burst that goes out on the line.
    QByteArray burst(const QDateTime& utc, std::int64_t runSecond) const;

private:
    Tuner tuner_;
    std::uint64_t seed_;
    FixSchedule schedule_;
    Sky sky_;
    std::optional<Sector> blocked_;
    qsizetype lineBytes_ = 0;
};

} // namespace velsor::sim
