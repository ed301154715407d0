#include "decoding/nmea_readers.h"

#include <cmath>

namespace velsor::nmea {

namespace {

bool IsDigit(QChar c) {
    return c.unicode() >= u'0' && c.unicode() <= u'9';
}

// Digits with at most one decimal point; the value and where the point stands (size if none).
struct Decimal {
    double value;
    qsizetype point;
};
std::optional<Decimal> Dec(QStringView s) {
    if (s.isEmpty() || s.size() > 32)
        return std::nullopt;
    double whole = 0, frac = 0, scale = 1;
    qsizetype point = s.size();
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s[i];
        if (c == u'.' && point == s.size()) {
            point = i;
        } else if (IsDigit(c)) {
            if (point == s.size()) {
                whole = whole * 10 + (c.unicode() - u'0');
            } else {
                scale /= 10;
                frac += (c.unicode() - u'0') * scale;
            }
        } else {
            return std::nullopt;
        }
    }
    if (point == 0 && s.size() == 1)
        return std::nullopt; // "." alone
    return Decimal{whole + frac, point};
}

// A signed decimal: heights below the geoid are negative.
std::optional<double> Signed(QStringView s) {
    const bool negative = s.startsWith(u'-');
    const auto d = Dec(negative ? s.sliced(1) : s);
    if (!d)
        return std::nullopt;
    return negative ? -d->value : d->value;
}

QChar Letter(QStringView s) {
    return s.size() == 1 ? s[0] : QChar();
}

std::optional<Date> DayMonthYear(int day, int month, int year) {
    if (day < 1 || day > 31 || month < 1 || month > 12)
        return std::nullopt;
    return Date{year, month, day};
}

// The mode indicator of NMEA 2.3 (RMC, GLL, each letter of GNS).
FixKind ModeKind(QChar m) {
    switch (m.unicode()) {
    case u'A': // autonomous
    case u'D': // differential
    case u'F': // float RTK
    case u'P': // precise
    case u'R': // RTK
        return FixKind::Gnss;
    case u'E':
        return FixKind::Estimated;
    case u'M':
    case u'S':
        return FixKind::Other;
    case u'N':
        return FixKind::None;
    default:
        return FixKind::Unsaid;
    }
}

// Status A or V, and the mode letter when there is one. NMEA 4.10's navigational status says
// whether the position is safe to steer by, not where it came from: receivers send "V" (no
// such indication) with every fix.
FixKind StatusKind(QChar status, QChar mode) {
    if (status == u'V')
        return FixKind::None;
    if (const FixKind k = ModeKind(mode); k != FixKind::Unsaid)
        return k;
    return status == u'A' ? FixKind::Gnss : FixKind::Unsaid;
}

} // namespace

std::optional<int> TimeOfDay(QStringView field) {
    if (field.size() < 6)
        return std::nullopt;
    const auto h = Int(field.first(2)), m = Int(field.sliced(2, 2)), s = Int(field.sliced(4, 2));
    const auto all = Dec(field);
    if (!h || !m || !s || !all || all->point != 6 || *h > 23 || *m > 59 || *s > 60)
        return std::nullopt;
    const double frac = all->value - std::floor(all->value);
    const int ms = ((*h * 60 + *m) * 60 + *s) * 1000 + static_cast<int>(std::lround(frac * 1000));
    return std::min(ms, 86'400'999);
}

int FullYear(int yy) {
    return yy >= 80 ? 1900 + yy : 2000 + yy;
}

std::optional<Position> ReadPosition(QStringView lat, QStringView ns, QStringView lon,
                                     QStringView ew) {
    const auto la = Dec(lat), lo = Dec(lon);
    if (!la || !lo || la->point < 3 || lo->point < 3 || (ns != u"N" && ns != u"S") ||
        (ew != u"E" && ew != u"W"))
        return std::nullopt;
    Position p;
    const double latDeg = std::floor(la->value / 100), lonDeg = std::floor(lo->value / 100);
    p.latMin = la->value - latDeg * 100;
    p.lonMin = lo->value - lonDeg * 100;
    if (p.latMin >= 60 || p.lonMin >= 60 || latDeg + p.latMin / 60 > 90 ||
        lonDeg + p.lonMin / 60 > 180)
        return std::nullopt;
    p.latDeg = static_cast<int>(latDeg);
    p.lonDeg = static_cast<int>(lonDeg);
    p.ns = ns[0];
    p.ew = ew[0];
    p.lat = (latDeg + p.latMin / 60) * (p.ns == u'S' ? -1 : 1);
    p.lon = (lonDeg + p.lonMin / 60) * (p.ew == u'W' ? -1 : 1);
    return p;
}

FixKind Gga::Kind() const {
    if (!quality)
        return FixKind::Unsaid;
    switch (*quality) {
    case 0:
        return FixKind::None;
    case 6:
        return FixKind::Estimated;
    case 7: // entered by hand
    case 8: // simulator
        return FixKind::Other;
    default: // 1 to 5, and 9 (SBAS) as some receivers send it
        return FixKind::Gnss;
    }
}

FixKind Rmc::Kind() const {
    return StatusKind(status, mode);
}

FixKind Gll::Kind() const {
    return StatusKind(status, mode);
}

FixKind Gns::Kind() const {
    if (modes.isEmpty())
        return FixKind::Unsaid;
    // One letter per system: a fix when any system has one.
    FixKind best = FixKind::Unsaid;
    for (QChar c : modes) {
        const FixKind k = ModeKind(c);
        if (k == FixKind::Gnss)
            return k;
        if (k == FixKind::Estimated || (k == FixKind::Other && best != FixKind::Estimated) ||
            (k == FixKind::None && best == FixKind::Unsaid))
            best = k;
    }
    return best;
}

void Read(const Sentence& s, Gga& out) {
    out.time = TimeOfDay(s[1]);
    out.pos = ReadPosition(s[2], s[3], s[4], s[5]);
    out.quality = Int(s[6]);
    out.used = Int(s[7]);
    out.altitude = s[10] == u"M" ? Signed(s[9]) : std::nullopt;
}

void Read(const Sentence& s, Rmc& out) {
    out.time = TimeOfDay(s[1]);
    out.status = Letter(s[2]);
    out.pos = ReadPosition(s[3], s[4], s[5], s[6]);
    const QStringView d = s[9];
    const auto day = d.size() == 6 ? Int(d.first(2)) : std::nullopt;
    const auto month = d.size() == 6 ? Int(d.sliced(2, 2)) : std::nullopt;
    const auto yy = d.size() == 6 ? Int(d.sliced(4, 2)) : std::nullopt;
    out.date = day && month && yy ? DayMonthYear(*day, *month, FullYear(*yy)) : std::nullopt;
    out.mode = Letter(s[12]);
}

void Read(const Sentence& s, Gll& out) {
    out.pos = ReadPosition(s[1], s[2], s[3], s[4]);
    out.time = TimeOfDay(s[5]);
    out.status = Letter(s[6]);
    out.mode = Letter(s[7]);
}

void Read(const Sentence& s, Gns& out) {
    out.time = TimeOfDay(s[1]);
    out.pos = ReadPosition(s[2], s[3], s[4], s[5]);
    out.modes = s[6];
    out.used = Int(s[7]);
    out.altitude = Signed(s[9]);
}

void Read(const Sentence& s, Zda& out) {
    out.time = TimeOfDay(s[1]);
    const auto d = Int(s[2]), m = Int(s[3]), y = Int(s[4]);
    out.date = d && m && y && s[4].size() == 4 ? DayMonthYear(*d, *m, *y) : std::nullopt;
}

void Read(const Sentence& s, Gsa& out) {
    out.fix = Int(s[2]);
    // Mode, fix, twelve satellite slots, PDOP, HDOP, VDOP and, from NMEA 4.10, a one-digit
    // system id (some receivers put a fourth DOP there instead). A receiver with more slots
    // sends more satellites before the DOPs.
    const QStringView last = s[s.count - 1];
    const bool hasId = s.count >= 19 && last.size() == 1 && Int(last);
    out.systemId = hasId ? Int(last) : std::nullopt;
    const int end = s.count - (hasId ? 4 : 3);
    out.count = 0;
    for (int i = 3; i < end; ++i) {
        if (const auto n = Int(s[i]))
            out.numbers[out.count++] = *n;
    }
}

std::optional<int> Gsv::Expected() const {
    if (!total || !number || !inView || *number < 1 || *number > *total)
        return std::nullopt;
    return std::max(0, std::min(4, *inView - 4 * (*number - 1)));
}

void Read(const Sentence& s, Gsv& out) {
    out.total = Int(s[1]);
    out.number = Int(s[2]);
    out.inView = Int(s[3]);
    // Satellites in blocks of four fields, the last one's SNR field left out by some
    // receivers; one field more is the signal id (NMEA 4.10).
    const int rest = s.count - 4;
    out.signal = rest % 4 == 1 ? Letter(s[s.count - 1]) : QChar();
    const int blocks = rest % 4 == 3 ? rest / 4 + 1 : rest / 4;
    out.count = 0;
    for (int b = 0; b < blocks && out.count < static_cast<int>(out.sats.size()); ++b) {
        const int at = 4 + 4 * b;
        const auto n = Int(s[at]);
        if (!n)
            continue;
        const auto el = Int(s[at + 1]), az = Int(s[at + 2]);
        const auto snr = at + 3 < s.count ? Int(s[at + 3]) : std::nullopt;
        GsvSatellite& sat = out.sats[out.count++];
        sat.number = *n;
        sat.el = el && *el <= 90 ? *el : -1;
        sat.az = az && *az < 360 ? *az : -1;
        sat.snr = snr && *snr <= 99 ? *snr : -1;
    }
}

} // namespace velsor::nmea
