#pragma once
// The sentences the by-fields model reads, each as a plain struct with named fields, and their
// readers. A reader takes what each field holds (an empty or malformed field is "none") and
// never fails as a whole: whether a sentence holds enough fields to be read at all is the
// dispatch table's (field_decoder.cpp).

#include "decoding/nmea_sentence.h"

#include <QChar>
#include <QStringView>

#include <array>
#include <optional>

namespace velsor::nmea {

// A whole number of at most nine digits, nothing else.
inline std::optional<int> Int(QStringView s) {
    if (s.isEmpty() || s.size() > 9)
        return std::nullopt;
    int v = 0;
    for (const QChar c : s) {
        const unsigned d = c.unicode() - u'0';
        if (d > 9)
            return std::nullopt;
        v = v * 10 + static_cast<int>(d);
    }
    return v;
}
// "hhmmss" with any number of decimals, as milliseconds since midnight.
std::optional<int> TimeOfDay(QStringView s);
// A two-digit year: 80 to 99 are 1980 to 1999 (a receiver's "no date yet" and dates of a week
// rollover), the rest 2000 to 2079.
int FullYear(int yy);

struct Position {
    double lat = 0, lon = 0; // degrees, south and west negative
    // As the window shows them: whole degrees and minutes, hemisphere letters.
    int latDeg = 0, lonDeg = 0;
    double latMin = 0, lonMin = 0;
    QChar ns, ew;
};
// ddmm.mmmm and dddmm.mmmm with any number of decimals, N/S and E/W.
std::optional<Position> ReadPosition(QStringView lat, QStringView ns, QStringView lon,
                                     QStringView ew);

struct Date {
    int year = 0, month = 0, day = 0;
};

// What a fix sentence's quality, status or mode says.
enum class FixKind {
    Unsaid,    // the field is empty or unknown
    None,      // no position
    Gnss,      // computed from satellites
    Estimated, // dead reckoning
    Other,     // entered by hand, a simulator: not from satellites
};

struct Gga {
    std::optional<int> time;
    std::optional<Position> pos;
    std::optional<int> quality;
    std::optional<int> used;
    std::optional<double> altitude; // metres above mean sea level
    FixKind Kind() const;
};
struct Rmc {
    std::optional<int> time;
    QChar status; // A valid, V not
    std::optional<Position> pos;
    std::optional<Date> date;
    QChar mode; // NMEA 2.3: A D E F M N P R S
    FixKind Kind() const;
};
struct Gll {
    std::optional<Position> pos;
    std::optional<int> time;
    QChar status, mode;
    FixKind Kind() const;
};
struct Gns {
    std::optional<int> time;
    std::optional<Position> pos;
    QStringView modes; // one letter per system
    std::optional<int> used;
    std::optional<double> altitude;
    FixKind Kind() const;
};
struct Zda {
    std::optional<int> time;
    std::optional<Date> date;
};
struct Gsa {
    std::optional<int> fix; // 1 none, 2 2D, 3 3D
    std::array<int, Sentence::kMaxFields> numbers{};
    int count = 0;
    std::optional<int> systemId; // NMEA 4.10
};
struct GsvSatellite {
    int number = 0;
    int el = -1, az = -1, snr = -1; // -1 not given
};
struct Gsv {
    std::optional<int> total, number, inView;
    QChar signal; // NMEA 4.10 signal id; null when not given
    std::array<GsvSatellite, (Sentence::kMaxFields - 4) / 4 + 1> sats{};
    int count = 0;
    // The blocks this message should carry by its counts, when they say.
    std::optional<int> Expected() const;
};

void Read(const Sentence& s, Gga& out);
void Read(const Sentence& s, Rmc& out);
void Read(const Sentence& s, Gll& out);
void Read(const Sentence& s, Gns& out);
void Read(const Sentence& s, Zda& out);
void Read(const Sentence& s, Gsa& out);
void Read(const Sentence& s, Gsv& out);

} // namespace velsor::nmea
