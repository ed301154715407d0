#include "decoding/field_decoder.h"

#include "decoding/receiver.h"
#include "nav/basic_text.h"

#include <QVarLengthArray>

#include <algorithm>
#include <cmath>
#include <optional>

namespace velsor {

const char* SystemName(GnssSystem s) {
    switch (s) {
    case GnssSystem::GPS:
        return "GPS";
    case GnssSystem::GLONASS:
        return "GLONASS";
    case GnssSystem::Galileo:
        return "Galileo";
    case GnssSystem::BeiDou:
        return "BeiDou";
    case GnssSystem::QZSS:
        return "QZSS";
    case GnssSystem::SBAS:
        return "SBAS";
    case GnssSystem::NavIC:
        return "NavIC";
    case GnssSystem::None:
        break;
    }
    return "";
}

char16_t SystemLetter(GnssSystem s) {
    constexpr char16_t letters[] = u"GRECJSI?";
    return letters[static_cast<int>(s)];
}

namespace {

// A caption built on the stack, assigned only when it changed.
class Text {
public:
    Text& operator<<(QStringView s) {
        buf.append(reinterpret_cast<const char16_t*>(s.utf16()), s.size());
        return *this;
    }
    Text& operator<<(char16_t c) {
        buf.append(c);
        return *this;
    }
    // n with at least width digits, zero-filled.
    Text& Num(long long n, int width = 1) {
        char16_t rev[24];
        int k = 0;
        unsigned long long u = n < 0 ? 0ull - static_cast<unsigned long long>(n) : n;
        do {
            rev[k++] = static_cast<char16_t>(u'0' + u % 10);
            u /= 10;
        } while (u != 0 || k < width);
        if (n < 0)
            buf.append(u'-');
        while (k > 0)
            buf.append(rev[--k]);
        return *this;
    }
    QStringView view() const { return QStringView(buf.constData(), buf.size()); }

private:
    QVarLengthArray<char16_t, 96> buf;
};

bool IsDigit(QChar c) {
    return c.unicode() >= u'0' && c.unicode() <= u'9';
}

// A whole number of at most nine digits, nothing else.
std::optional<int> Int(QStringView s) {
    if (s.isEmpty() || s.size() > 9)
        return std::nullopt;
    int v = 0;
    for (QChar c : s) {
        if (!IsDigit(c))
            return std::nullopt;
        v = v * 10 + (c.unicode() - u'0');
    }
    return v;
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

GnssSystem TalkerSystem(QStringView talker) {
    if (talker == u"GP")
        return GnssSystem::GPS;
    if (talker == u"GL")
        return GnssSystem::GLONASS;
    if (talker == u"GA")
        return GnssSystem::Galileo;
    if (talker == u"GB" || talker == u"BD")
        return GnssSystem::BeiDou;
    if (talker == u"GQ" || talker == u"QZ")
        return GnssSystem::QZSS;
    return GnssSystem::None; // GN and any other: by number
}

// NMEA 4.10 system id of GSA and GSV.
GnssSystem SystemId(QStringView id) {
    switch (Int(id).value_or(0)) {
    case 1:
        return GnssSystem::GPS;
    case 2:
        return GnssSystem::GLONASS;
    case 3:
        return GnssSystem::Galileo;
    case 4:
        return GnssSystem::BeiDou;
    case 5:
        return GnssSystem::QZSS;
    default:
        return GnssSystem::None;
    }
}

bool SameSat(const GnssSatellite& a, const GnssSatellite& b) {
    return a.system == b.system && a.prn == b.prn;
}

const Rgb kGreen = RGB(128, 255, 128);
const Rgb kYellow = RGB(255, 255, 128);
const Rgb kRed = RGB(255, 128, 128);

// The SNR colours of the window's legend; above 50 counts as strong.
Rgb SnrColour(int snr) {
    if (snr >= 46)
        return kGreen;
    if (snr >= 41)
        return kYellow;
    if (snr >= 1)
        return kRed;
    return kGrey;
}

// Table and sky-plot geometry of this model: the satellite number is wider than two digits.
constexpr int kNumberLeft = 300, kNumberWidth = 720;
constexpr double kMarkHeight = 240, kMarkCharWidth = 105, kMarkPad = 60;

} // namespace

FieldDecoder::FieldDecoder(Nav& n, NAV_FORM& f, Receiver& r)
    : nav(n), form(f), receiver(r), g(n.Gnss) {
    g = GnssState{};
}

bool FieldDecoder::Split(QStringView line, Fields& out) {
    out.count = 0;
    out.checksummed = out.checksumBad = false;
    while (!line.isEmpty() && (line.back() == u'\n' || line.back() == u'\r'))
        line.chop(1);
    if (line.size() < 6 || line[0] != u'$')
        return false;
    qsizetype end = line.indexOf(u'*');
    if (end >= 0) {
        if (line.size() != end + 3)
            return false;
        const int hi = HexDigit(line[end + 1].unicode()), lo = HexDigit(line[end + 2].unicode());
        if (hi < 0 || lo < 0)
            return false;
        char16_t sum = 0;
        for (qsizetype i = 1; i < end; ++i)
            sum ^= line[i].unicode();
        out.checksummed = sum == hi * 16 + lo;
        out.checksumBad = !out.checksummed;
    } else {
        end = line.size();
    }
    const QStringView body = line.sliced(1, end - 1);
    qsizetype start = 0;
    while (out.count < kMaxFields) {
        const qsizetype comma = body.indexOf(u',', start);
        out.f[out.count++] = body.sliced(start, (comma < 0 ? body.size() : comma) - start);
        if (comma < 0)
            break;
        start = comma + 1;
    }
    const QStringView address = out.f[0];
    if (address.size() != 5)
        return false;
    for (QChar c : address) {
        if (!c.isUpper() || c.unicode() > u'Z')
            return false;
    }
    return !out.checksumBad;
}

GnssSatellite FieldDecoder::Identify(GnssSystem talker, int n) {
    GnssSatellite s;
    auto in = [&](int lo, int hi) { return n >= lo && n <= hi; };
    auto set = [&](GnssSystem sys, int prn) {
        s.system = sys;
        s.prn = static_cast<std::uint16_t>(prn);
    };
    switch (talker) {
    case GnssSystem::GPS:
    case GnssSystem::None:
    case GnssSystem::SBAS:
    case GnssSystem::NavIC:
        // The NMEA numbering: one range per system.
        if (in(1, 32))
            set(GnssSystem::GPS, n);
        else if (in(33, 64))
            set(GnssSystem::SBAS, n + 87);
        else if (in(65, 96))
            set(GnssSystem::GLONASS, n - 64);
        else if (in(120, 158))
            set(GnssSystem::SBAS, n);
        else if (in(193, 202))
            set(GnssSystem::QZSS, n - 192);
        else if (in(301, 336))
            set(GnssSystem::Galileo, n - 300);
        else if (in(401, 463))
            set(GnssSystem::BeiDou, n - 400);
        break;
    case GnssSystem::GLONASS:
        if (in(65, 96))
            set(talker, n - 64);
        else if (in(1, 32))
            set(talker, n);
        break;
    case GnssSystem::Galileo:
        if (in(1, 36))
            set(talker, n);
        else if (in(101, 136)) // as some receivers number them
            set(talker, n - 100);
        else if (in(301, 336))
            set(talker, n - 300);
        break;
    case GnssSystem::BeiDou:
        if (in(1, 63))
            set(talker, n);
        else if (in(201, 263))
            set(talker, n - 200);
        else if (in(401, 463))
            set(talker, n - 400);
        break;
    case GnssSystem::QZSS:
        if (in(1, 10))
            set(talker, n);
        else if (in(193, 202))
            set(talker, n - 192);
        break;
    }
    return s;
}

void FieldDecoder::Decode(const QString& line) {
    Fields f;
    if (!Split(line, f)) {
        // Nor does it end a row of GSA. One whose checksum is wrong still shows raw.
        if (f.checksumBad && f.count > 0 && f[0].size() == 5)
            ShowRaw(f[0].sliced(2), f[2], line);
        return;
    }
    const QStringView talker = f[0].first(2), type = f[0].sliced(2);
    const GnssSystem system = TalkerSystem(talker);
    const bool gsa = type == u"GSA";
    if (talker[0] == u'P') {
        // Proprietary: not ours to read.
    } else if (type == u"GGA") {
        GGA(f, line);
    } else if (gsa) {
        GSA(f, line, system);
    } else if (type == u"GSV") {
        GSV(f, line, system);
    } else if (type == u"RMC") {
        RMC(f, line);
    } else if (type == u"GNS") {
        GNS(f);
    } else if (type == u"ZDA") {
        ZDA(f, line);
    } else if (type == u"GLL") {
        GLL(f);
    } // VTG carries only speed and course: recognised, nothing shown.
    lastWasGsa = gsa;
}

void FieldDecoder::ShowRaw(QStringView type, QStringView gsvNumber, const QString& line) {
    int index = -1;
    if (type == u"GGA")
        index = 0;
    else if (type == u"GSV" && (gsvNumber == u"1" || gsvNumber == u"2"))
        index = gsvNumber == u"1" ? 1 : 2;
    else if (type == u"GSA")
        index = 3;
    else if (type == u"ZDA" || type == u"RMC")
        index = 4;
    if (index >= 0)
        Assign(form.Label16[index].caption, QStringView(line));
}

void FieldDecoder::StoreRaw(int index, const QString& line) {
    QStringView v(line);
    while (!v.isEmpty() && (v.back() == u'\n' || v.back() == u'\r'))
        v.chop(1);
    Assign(nav.RawSentence[index], v);
}

void FieldDecoder::FixTime(QStringView field) {
    // hhmmss with any number of decimals.
    if (field.size() < 6)
        return;
    const auto h = Int(field.first(2)), m = Int(field.sliced(2, 2)), s = Int(field.sliced(4, 2));
    const auto all = Dec(field);
    if (!h || !m || !s || !all || all->point != 6 || *h > 23 || *m > 59 || *s > 60)
        return;
    const double frac = all->value - std::floor(all->value);
    const int ms = ((*h * 60 + *m) * 60 + *s) * 1000 + static_cast<int>(std::lround(frac * 1000));
    g.timeMs = std::min(ms, 86'400'999);
    if (g.timeMs != epochTime) {
        ++epoch;
        epochTime = g.timeMs;
    }
}

void FieldDecoder::Position(QStringView lat, QStringView ns, QStringView lon, QStringView ew) {
    // ddmm.mmmm and dddmm.mmmm with any number of decimals.
    const auto la = Dec(lat), lo = Dec(lon);
    if (!la || !lo || la->point < 3 || lo->point < 3 || (ns != u"N" && ns != u"S") ||
        (ew != u"E" && ew != u"W"))
        return;
    const double latDeg = std::floor(la->value / 100), lonDeg = std::floor(lo->value / 100);
    const double latMin = la->value - latDeg * 100, lonMin = lo->value - lonDeg * 100;
    if (latMin >= 60 || lonMin >= 60 || latDeg + latMin / 60 > 90 || lonDeg + lonMin / 60 > 180)
        return;
    g.hasPosition = true;
    g.lat = (latDeg + latMin / 60) * (ns == u"S" ? -1 : 1);
    g.lon = (lonDeg + lonMin / 60) * (ew == u"W" ? -1 : 1);

    // The window's form: degrees, minutes to four decimals, hemisphere.
    auto minutes = [](Text& t, double m) {
        const long long tenths = std::min(std::llround(m * 10000), 599'999LL);
        t.Num(tenths / 10000, 2) << u'.';
        t.Num(tenths % 10000, 4);
    };
    Text a;
    a << u' ';
    a.Num(static_cast<long long>(latDeg), 2) << u" 度 ";
    minutes(a, latMin);
    a << u" 分 - " << ns;
    Assign(form.Label3[0].caption, a.view());
    Text b;
    b.Num(static_cast<long long>(lonDeg), 3) << u" 度 ";
    minutes(b, lonMin);
    b << u" 分 - " << ew;
    Assign(form.Label3[1].caption, b.view());
}

void FieldDecoder::Altitude(QStringView value, QStringView unit) {
    // Metres above mean sea level, possibly negative; none without a value in metres.
    const bool negative = value.startsWith(u'-');
    const auto a = Dec(negative ? value.sliced(1) : value);
    g.hasAltitude = a && unit == u"M";
    g.altitude = g.hasAltitude ? (negative ? -a->value : a->value) : 0;
}

void FieldDecoder::SetMode(int mode) {
    g.mode = mode;
    if (mode == 3) {
        Assign(form.Label13.caption, QStringView(u"測位状態： 3D 測位中"));
        Assign(nav.FixMode, QStringView(u"3D"));
    } else if (mode == 2) {
        Assign(form.Label13.caption, QStringView(u"測位状態： 2D 測位中"));
        Assign(nav.FixMode, QStringView(u"2D"));
    } else {
        Assign(form.Label13.caption, QStringView(u"測位状態： 受信不能"));
        Assign(nav.FixMode, QStringView(u"--"));
    }
}

void FieldDecoder::SetDate(int year, int month, int day, QStringView time, bool checked, bool zda) {
    const auto v = MakeDate(year, month, day);
    if (!v)
        return;
    Text t;
    t.Num(year, 4) << u" 年 ";
    t.Num(month, 2) << u" 月 ";
    t.Num(day, 2) << (zda ? QStringView(u" 日 ") : QStringView(u" 日"));
    Assign(form.Label4[2].caption, t.view());
    nav.UtcDate = *v;
    // The PC clock takes the sentence's own date and time, and only when its checksum vouches
    // for them.
    nav.UtcDateStamp = 0;
    if (checked && time.size() >= 6) {
        if (const auto seconds = SecondsOfDay(time.first(6)))
            nav.UtcDateStamp = *v + *seconds / 86400.0;
    }
    g.year = year;
    g.month = month;
    g.day = day;
}

void FieldDecoder::GGA(const Fields& f, const QString& line) {
    Assign(form.Label16[0].caption, QStringView(line));
    StoreRaw(0, line);
    const QStringView time = f[1];
    FixTime(time);
    if (time.size() >= 6 && Int(time.first(6))) {
        Text t;
        t << time.first(2) << u" 時 " << time.sliced(2, 2) << u" 分 " << time.sliced(4, 2)
          << u" 秒";
        Assign(form.Label4[0].caption, t.view());
        receiver.LocalTime(Int(time.first(2)), Int(time.sliced(2, 2)), Int(time.sliced(4, 2)),
                           line);
    }
    const auto quality = Int(f[6]);
    if (quality == 0) {
        g.hasPosition = false;
        SetMode(1);
    } else if (quality) {
        Position(f[2], f[3], f[4], f[5]);
        Altitude(f[9], f[10]);
        if (!gsaSeen)
            SetMode(f[9].isEmpty() ? 2 : 3);
    }
    if (const auto n = Int(f[7]); n && *n <= 999) {
        ggaUsed = *n;
        if (!gsaSeen) {
            nav.SatsInUse = static_cast<std::int16_t>(ggaUsed);
            g.usedCount = ggaUsed;
            ShowCounts();
        }
    }
}

void FieldDecoder::GNS(const Fields& f) {
    FixTime(f[1]);
    const QStringView modes = f[6];
    bool fix = false;
    for (QChar c : modes)
        fix = fix || (c != u'N' && c != u'V');
    if (!fix) {
        g.hasPosition = false;
        SetMode(1);
        return;
    }
    Position(f[2], f[3], f[4], f[5]);
    Altitude(f[9], QStringView(u"M"));
    if (!gsaSeen)
        SetMode(f[9].isEmpty() ? 2 : 3);
}

void FieldDecoder::RMC(const Fields& f, const QString& line) {
    Assign(form.Label16[4].caption, QStringView(line));
    StoreRaw(4, line);
    FixTime(f[1]);
    const QStringView date = f[9];
    if (date.size() == 6 && Int(date)) {
        SetDate(2000 + *Int(date.sliced(4, 2)), *Int(date.sliced(2, 2)), *Int(date.first(2)), f[1],
                f.checksummed, false);
    }
    if (f[2] == u"A") {
        Position(f[3], f[4], f[5], f[6]);
        if (!gsaSeen && g.mode == 1)
            SetMode(2);
    } else if (f[2] == u"V") {
        g.hasPosition = false;
        SetMode(1);
    }
    CommitCutGroups();
    if (receiver.afterEpoch)
        receiver.afterEpoch();
}

void FieldDecoder::GLL(const Fields& f) {
    if (f[6] == u"A") {
        Position(f[1], f[2], f[3], f[4]);
        if (!gsaSeen && g.mode == 1)
            SetMode(2);
    } else if (f[6] == u"V") {
        g.hasPosition = false;
        SetMode(1);
    }
}

void FieldDecoder::ZDA(const Fields& f, const QString& line) {
    Assign(form.Label16[4].caption, QStringView(line));
    StoreRaw(4, line);
    FixTime(f[1]);
    const auto d = Int(f[2]), m = Int(f[3]), y = Int(f[4]);
    if (d && m && y && f[4].size() == 4)
        SetDate(*y, *m, *d, f[1], f.checksummed, true);
    CommitCutGroups();
    if (receiver.afterEpoch)
        receiver.afterEpoch();
}

void FieldDecoder::GSA(const Fields& f, const QString& line, GnssSystem talker) {
    Assign(form.Label16[3].caption, QStringView(line));
    StoreRaw(1, line);
    // Every GSA of a row belongs to the same epoch, one per system.
    if (!lastWasGsa)
        usedCount = 0;
    gsaSeen = true;
    const auto fix = Int(f[2]);
    SetMode(fix == 2 || fix == 3 ? *fix : 1);
    // Mode, fix, twelve satellites, PDOP, HDOP, VDOP and, from NMEA 4.10, a one-digit system
    // id (some receivers put a fourth DOP there instead). A receiver with more slots sends
    // more satellites before the three DOPs.
    const auto id = Int(f[18]);
    const bool hasId = f.count == 19 && id && f[18].size() == 1;
    const GnssSystem system = hasId ? SystemId(f[18]) : talker;
    const int end = f.count > 19 ? f.count - 3 : std::min(f.count, 15);
    if (g.mode != 1 && (!hasId || system != GnssSystem::None)) {
        for (int i = 3; i < end; ++i) {
            const auto n = Int(f[i]);
            if (!n)
                continue;
            const GnssSatellite s = Identify(system, *n);
            if (s.system == GnssSystem::None)
                continue;
            bool known = false;
            for (int k = 0; k < usedCount && !known; ++k)
                known = SameSat(used[k], s);
            if (!known && usedCount < GnssState::kMaxSatellites)
                used[usedCount++] = s;
        }
    }
    g.usedCount = usedCount;
    nav.SatsInUse = static_cast<std::int16_t>(usedCount);
    Rebuild();
}

FieldDecoder::Source& FieldDecoder::SourceFor(std::uint32_t key) {
    // Its own, else the first free one, else the one heard from longest ago.
    Source* pick = nullptr;
    for (Source& s : sources) {
        if (s.key == key)
            return s;
        if (!pick || (pick->key != 0 && (s.key == 0 || s.epoch < pick->epoch)))
            pick = &s;
    }
    *pick = Source{};
    pick->key = key;
    pick->epoch = epoch;
    return *pick;
}

void FieldDecoder::GSV(const Fields& f, const QString& line, GnssSystem talker) {
    const auto total = Int(f[1]), number = Int(f[2]);
    if (number == 1) {
        Assign(form.Label16[1].caption, QStringView(line));
        StoreRaw(2, line);
    } else if (number == 2) {
        Assign(form.Label16[2].caption, QStringView(line));
        StoreRaw(3, line);
    }
    if (!total || !number || *number < 1 || *number > *total || *total > 99)
        return;
    // Satellites in blocks of four fields; one field more is the signal id (NMEA 4.10).
    const int rest = f.count - 4;
    const QStringView signal = rest % 4 == 1 ? f[f.count - 1] : QStringView();
    const QStringView t = f[0];
    const std::uint32_t key = (std::uint32_t(t[0].unicode() & 0xff) << 16) |
                              (std::uint32_t(t[1].unicode() & 0xff) << 8) |
                              (signal.size() == 1 ? signal[0].unicode() & 0xff : 1u);
    // A later message continues the group of its talker in progress, even when it alone gives
    // a signal id (seen in real receivers).
    Source* going = nullptr;
    for (Source& c : sources) {
        if (*number > 1 && c.key >> 8 == key >> 8 && c.expect == *number)
            going = &c;
    }
    Source& s = going ? *going : SourceFor(key);
    if (*number == 1) {
        s.pendingCount = 0;
        s.expect = 1;
    }
    if (*number != s.expect) {
        s.expect = 0; // a message lost: the group is not taken
        return;
    }
    for (int b = 0; b + 4 <= rest; b += 4) {
        const auto n = Int(f[4 + b]);
        if (!n)
            continue;
        GnssSatellite sat = Identify(talker, *n);
        if (sat.system == GnssSystem::None)
            continue;
        const auto el = Int(f[5 + b]), az = Int(f[6 + b]), snr = Int(f[7 + b]);
        sat.el = static_cast<std::int16_t>(el && *el <= 90 ? *el : -1);
        sat.az = static_cast<std::int16_t>(az && *az < 360 ? *az : -1);
        sat.snr = static_cast<std::int16_t>(snr && *snr <= 99 ? *snr : -1);
        bool known = false;
        for (int k = 0; k < s.pendingCount && !known; ++k)
            known = SameSat(s.pending[k], sat);
        if (!known && s.pendingCount < GnssState::kMaxSatellites)
            s.pending[s.pendingCount++] = sat;
    }
    s.expect = *number + 1;
    if (*number == *total) {
        s.sats = s.pending;
        s.count = s.pendingCount;
        s.epoch = epoch;
        s.expect = 0;
        Rebuild();
    }
}

void FieldDecoder::CommitCutGroups() {
    // A date sentence ends the epoch: a group still short of its last message shows what came
    // of it (a recording keeps only its first two messages).
    bool any = false;
    for (Source& s : sources) {
        if (s.key != 0 && s.expect > 0 && s.pendingCount > 0) {
            s.sats = s.pending;
            s.count = s.pendingCount;
            s.epoch = epoch;
            any = true;
        }
    }
    if (any)
        Rebuild();
}

void FieldDecoder::ForgetSky() {
    sources.fill(Source{});
    usedCount = 0;
    lastWasGsa = false;
}

void FieldDecoder::Rebuild() {
    int n = 0;
    for (Source& s : sources) {
        if (s.key == 0)
            continue;
        if (epoch - s.epoch > kStaleEpochs) {
            s = Source{};
            continue;
        }
        for (int i = 0; i < s.count; ++i) {
            const GnssSatellite& add = s.sats[i];
            int k = 0;
            while (k < n && !SameSat(g.sats[k], add))
                ++k;
            if (k == n) {
                if (n == GnssState::kMaxSatellites)
                    continue;
                g.sats[n++] = add;
                continue;
            }
            // The same satellite on another signal.
            GnssSatellite& have = g.sats[k];
            have.snr = std::max(have.snr, add.snr);
            if (have.el < 0)
                have.el = add.el;
            if (have.az < 0)
                have.az = add.az;
        }
    }
    for (int k = 0; k < n; ++k) {
        g.sats[k].used = false;
        for (int u = 0; u < usedCount && !g.sats[k].used; ++u)
            g.sats[k].used = SameSat(g.sats[k], used[u]);
    }
    g.satCount = n;
    nav.SatsInView = static_cast<std::int16_t>(n);
    ShowCounts();
    ShowTable();
}

void FieldDecoder::ShowCounts() {
    Text t;
    t.Num(nav.SatsInUse) << u" / ";
    t.Num(nav.SatsInView) << u" 個";
    Assign(form.Label2.caption, t.view());
}

void FieldDecoder::ShowTable() {
    // The eight rows: satellites used first, then by signal, strongest first; then by system
    // and number, so that equal ones keep their places.
    std::array<std::uint8_t, GnssState::kMaxSatellites> order;
    for (int k = 0; k < g.satCount; ++k)
        order[k] = static_cast<std::uint8_t>(k);
    const int rows = std::min(g.satCount, 8);
    std::partial_sort(order.begin(), order.begin() + rows, order.begin() + g.satCount,
                      [this](std::uint8_t a, std::uint8_t b) {
                          const GnssSatellite &x = g.sats[a], &y = g.sats[b];
                          if (x.used != y.used)
                              return x.used;
                          if (x.snr != y.snr)
                              return x.snr > y.snr;
                          if (x.system != y.system)
                              return x.system < y.system;
                          return x.prn < y.prn;
                      });
    for (int row = 0; row < 8; ++row) {
        Label& no = form.Label6[row];
        no.left = kNumberLeft;
        no.width = kNumberWidth;
        form.Label15[row].visible = false;
        Shape& bar = form.dB1[row];
        if (row >= rows) {
            Assign(no.caption, QStringView(u"--"));
            no.bold = false;
            Assign(form.Label9[row].caption, QStringView(u"--"));
            Assign(form.Label10[row].caption, QStringView(u"---"));
            bar.width = 0;
            continue;
        }
        const GnssSatellite& s = g.sats[order[row]];
        Text code;
        code << SystemLetter(s.system);
        code.Num(s.prn, 2);
        Assign(no.caption, code.view());
        no.bold = s.used;
        Text el, az;
        if (s.el > 0)
            el.Num(s.el, 2);
        else
            el << u"--";
        if (s.az > 0)
            az.Num(s.az, 3);
        else
            az << u"---";
        Assign(form.Label9[row].caption, el.view());
        Assign(form.Label10[row].caption, az.view());
        const int snr = std::max<int>(s.snr, 0);
        bar.fillColor = snr > 0 ? SnrColour(snr) : kRed;
        bar.width = std::min(snr, 60) * 4335.0 / 60.0;
    }

    // Every satellite with a place in the sky, over the grid; the marks already there are
    // rewritten in place, which keeps their text buffers.
    auto& ops = form.Picture1.ops;
    std::size_t at = ops.size();
    while (at > 0 && ops[at - 1].kind == DrawOp::Kind::Mark)
        --at;
    for (int k = 0; k < g.satCount; ++k) {
        const GnssSatellite& s = g.sats[k];
        if (s.el < 0 || s.az < 0)
            continue;
        const double r = nav.SkyRadius * std::cos(s.el * kPi / 180);
        Text code;
        code << SystemLetter(s.system);
        code.Num(s.prn, 2);
        if (at == ops.size()) {
            ops.emplace_back();
            ops.back().kind = DrawOp::Kind::Mark;
        }
        DrawOp& op = ops[at++];
        op.x1 = nav.SkyCenterX + r * std::sin(s.az * kPi / 180);
        op.y1 = nav.SkyCenterY - r * std::cos(s.az * kPi / 180);
        op.x2 = kMarkCharWidth * static_cast<double>(code.view().size()) + kMarkPad;
        op.y2 = kMarkHeight;
        Assign(op.text, code.view());
        op.color = SnrColour(std::max<int>(s.snr, 0));
        op.bold = s.used;
    }
    ops.erase(ops.begin() + static_cast<std::ptrdiff_t>(at), ops.end());
}

} // namespace velsor
