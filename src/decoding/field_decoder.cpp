#include "decoding/field_decoder.h"

#include "nav/basic_text.h"
#include "nav/build_date.h"

#include <QVarLengthArray>

#include <algorithm>
#include <cmath>

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

double FixDay(const GnssState& g) {
    const auto date = g.year > 0 ? MakeDate(g.year, g.month, g.day) : std::nullopt;
    if (!date)
        return 0;
    if (g.dateTimeMs < 0 || g.timeMs < 0)
        return *date;
    constexpr int kHalfDay = 43'200'000;
    const int apart = g.timeMs - g.dateTimeMs;
    return *date + (apart < -kHalfDay ? 1 : apart > kHalfDay ? -1 : 0);
}

namespace {

using nmea::FixKind;

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
    if (talker == u"GI")
        return GnssSystem::NavIC;
    return GnssSystem::None; // GN and any other: by number
}

// The system id of GSA and GSV (NMEA 4.10; NavIC from 4.11).
GnssSystem SystemId(int id) {
    switch (id) {
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
    case 6:
        return GnssSystem::NavIC;
    default:
        return GnssSystem::None;
    }
}

std::uint8_t Bit(GnssSystem s) {
    return static_cast<std::uint8_t>(1u << static_cast<int>(s));
}

bool SameSat(const GnssSatellite& a, const GnssSatellite& b) {
    return a.system == b.system && a.prn == b.prn;
}

int Rank(FixKind k) {
    switch (k) {
    case FixKind::Unsaid:
        return 0;
    case FixKind::None:
        return 1;
    case FixKind::Other:
        return 2;
    case FixKind::Estimated:
        return 3;
    case FixKind::Gnss:
        return 4;
    }
    return 0;
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

// Table and sky-plot geometry of this model: the satellite number is wider than two digits,
// and a sky of forty needs marks small enough to be moved apart.
constexpr int kNumberLeft = 300, kNumberWidth = 720;
constexpr double kMarkTextHeight = 150, kMarkHeight = 180, kMarkCharWidth = 90, kMarkPad = 45;

// The sky plot's projection by whole degrees, worked out once.
struct SkyTables {
    std::array<double, 360> sinAz, cosAz;
    std::array<double, 91> cosEl;
};
const SkyTables& Sky() {
    static const SkyTables t = [] {
        SkyTables s;
        for (int a = 0; a < 360; ++a) {
            s.sinAz[a] = std::sin(a * kPi / 180);
            s.cosAz[a] = std::cos(a * kPi / 180);
        }
        for (int e = 0; e <= 90; ++e)
            s.cosEl[e] = std::cos(e * kPi / 180);
        return s;
    }();
    return t;
}

// The raw lines shown: the window's Label16 and the recorded Nav::RawSentence of each kind.
enum RawKind { kRawGga, kRawGsv1, kRawGsv2, kRawGsa, kRawDate, kRawKinds };
constexpr int kRawSentenceOf[kRawKinds] = {0, 2, 3, 1, 4};

// A sentence type's three letters in one number.
constexpr std::uint32_t Code(char16_t a, char16_t b, char16_t c) {
    return std::uint32_t(a & 0xff) << 16 | std::uint32_t(b & 0xff) << 8 | (c & 0xff);
}
constexpr std::uint32_t kGga = Code(u'G', u'G', u'A'), kGsa = Code(u'G', u'S', u'A'),
                        kGsv = Code(u'G', u'S', u'V'), kRmc = Code(u'R', u'M', u'C'),
                        kZda = Code(u'Z', u'D', u'A'), kGns = Code(u'G', u'N', u'S'),
                        kGll = Code(u'G', u'L', u'L');

int RawKindOf(std::uint32_t type, QStringView gsvNumber) {
    switch (type) {
    case kGga:
        return kRawGga;
    case kGsv:
        return gsvNumber == u"1" ? kRawGsv1 : gsvNumber == u"2" ? kRawGsv2 : -1;
    case kGsa:
        return kRawGsa;
    case kZda:
    case kRmc:
        return kRawDate;
    default:
        return -1;
    }
}

// A group's satellites of another talker's numbering are no longer heard after this long
// without their group: well above the receiver's own interval between groups.
constexpr std::int64_t kKeepMs = 10'000, kKeepFirstMs = 60'000;
constexpr int kDayMs = 86'400'000;

} // namespace

const FieldDecoder::Reader FieldDecoder::kReaders[] = {
    {kGga, 10, &FieldDecoder::OnGga, true},  // through the height's unit
    {kRmc, 9, &FieldDecoder::OnRmc, true},   // through the date
    {kGsa, 17, &FieldDecoder::OnGsa, false}, // twelve slots and three DOPs
    {kGsv, 3, &FieldDecoder::OnGsv, false},  // counts; the satellites they promise
    {kGns, 9, &FieldDecoder::OnGns, true},   // through the height
    {kGll, 6, &FieldDecoder::OnGll, true},   // through the status
    {kZda, 4, &FieldDecoder::OnZda, false},  // through the year
};

FieldDecoder::FieldDecoder(Nav& n, NAV_FORM& f) : nav(n), form(f), g(n.Gnss) {
    g = GnssState{};
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
    case GnssSystem::NavIC:
        if (in(1, 36))
            set(talker, n);
        break;
    }
    return s;
}

std::uint64_t FieldDecoder::KeyOf(const nmea::Sentence& s, bool gsa, bool gsv) const {
    std::uint64_t key = nmea::AddressKey(s.Address()) << 16;
    if (gsv) {
        const auto number = nmea::Int(s[2]);
        const bool last = number && number == nmea::Int(s[1]);
        const QStringView signal = (s.count - 4) % 4 == 1 ? s[s.count - 1] : QStringView();
        key |= (signal.size() == 1 ? signal[0].unicode() & 0xff : 0u) << 8;
        key |= last ? 0xffu : static_cast<unsigned>(number.value_or(0) & 0x7f);
    } else if (gsa) {
        key |= static_cast<unsigned>(e.lastWasGsa ? e.gsaInRow + 1 : 0) & 0xff;
    }
    return key;
}

int FieldDecoder::Decode(const QString& line, QStringView& type) {
    nmea::Sentence s;
    const bool framed = nmea::Frame(line, s);
    const QStringView address = s.count > 0 ? s.Address() : QStringView();
    type = s.text.isEmpty() ? QStringView() : s.text.first(1 + address.size());
    // The standard sentences: a talker of two letters and a type of three. Proprietary ones
    // and noise are not this model's to read.
    if ((!framed && !s.checksumBad) || address.size() != 5 || address[0] == u'P')
        return 0;
    const qsizetype at = s.text.utf16() - QStringView(line).utf16();
    const std::uint32_t code =
        Code(address[2].unicode(), address[3].unicode(), address[4].unicode());
    const int raw = RawKindOf(code, s[2]);
    if (!framed) {
        // A wrong checksum: shown raw, never read.
        if (raw >= 0)
            KeepRaw(raw, line, at, false);
        return 0;
    }

    const Reader* reader = nullptr;
    for (const Reader& r : kReaders) {
        if (code == r.type) {
            reader = &r;
            break;
        }
    }
    const bool gsa = code == kGsa, gsv = code == kGsv;
    bool readable = reader && s.count - 1 >= reader->fewest;
    if (readable && gsv && !s.checksummed) {
        // Without a checksum, a message cut short would lose its last satellites unseen.
        nmea::Gsv counts;
        counts.total = nmea::Int(s[1]);
        counts.number = nmea::Int(s[2]);
        counts.inView = nmea::Int(s[3]);
        readable = s.count - 4 >= 4 * counts.Expected().value_or(0);
    }
    // The fix time this sentence gives, which begins an epoch when it differs from the open one.
    std::optional<int> time;
    if (readable && reader->fixTime)
        time = nmea::TimeOfDay(code == kGll ? s[5] : s[1]);

    int published = 0;
    const std::uint64_t key = KeyOf(s, gsa, gsv);
    if (!snapshot) {
        bool repeated = false;
        for (int k = 0; k < e.keyCount && !repeated; ++k)
            repeated = e.keys[k] == key;
        if (repeated || (time && e.time && *time != *e.time)) {
            // The last sentence before a new epoch ended this one; two epochs ending alike
            // teach which sentence ends them.
            if (e.lastKey == enderSeen)
                ender = e.lastKey;
            enderSeen = e.lastKey;
            endedTime.reset();
            published += Publish();
        } else if (time && endedTime && *time == *endedTime && e.sentences == 0) {
            ender = 0; // it ended an epoch too early: more of it came after
        }
    } else if (time && e.time && *time != *e.time) {
        // A snapshot holds the sentences of earlier seconds that still show (the date, the
        // time, the position): shown in turn as they were live, the last one stays.
        Publish();
    }
    if (e.keyCount < kMaxKeys)
        e.keys[e.keyCount++] = key;
    e.lastKey = key;
    e.gsaInRow = gsa && e.lastWasGsa ? e.gsaInRow + 1 : 0;
    e.lastWasGsa = gsa;
    if (raw >= 0)
        KeepRaw(raw, line, at, readable);
    if (readable) {
        reading = &line;
        if (gsa && snapshot) {
            if (static_cast<int>(snapshotGsa.size()) < kMaxEpochLines)
                snapshotGsa.push_back(line);
        } else {
            (this->*reader->read)(s);
        }
        reading = nullptr;
        ++e.sentences;
        // What the recorder keeps of the epoch besides its groups.
        std::vector<QString>& keep = gsa ? gsaLines : fixLines;
        if (!gsv && static_cast<int>(keep.size()) < kMaxEpochLines)
            keep.push_back(line);
    }
    if (!snapshot && ender != 0 && key == ender) {
        const std::optional<int> t = e.time;
        published += Publish();
        endedTime = t;
    }
    return published;
}

void FieldDecoder::KeepRaw(int kind, const QString& line, qsizetype at, bool decoded) {
    e.raw[kind] = line;
    e.rawAt[kind] = at;
    e.rawSeen |= static_cast<std::uint8_t>(1u << kind);
    if (decoded) {
        e.rawDecoded[kind] = line;
        e.rawDecodedAt[kind] = at;
        e.rawDecodedSeen |= static_cast<std::uint8_t>(1u << kind);
    }
}

void FieldDecoder::StreamTime(int ms) {
    if (lastTime >= 0) {
        const int ahead = ((ms - lastTime) % kDayMs + kDayMs) % kDayMs;
        if (ahead > 0 && ahead <= kDayMs / 2)
            streamMs += ahead;
        else if (ahead != 0 && kDayMs - ahead <= 10'000)
            return; // a sentence of a moment before: the stream does not go back
    }
    lastTime = ms;
}

void FieldDecoder::FixSentence(std::optional<int> time, FixKind kind, bool checked,
                               const std::optional<nmea::Position>& pos,
                               std::optional<double> altitude) {
    e.fixSentence = true;
    if (time) {
        e.time = time;
        StreamTime(*time);
        e.clockChecked = e.clockChecked || (checked && kind == FixKind::Gnss);
    }
    if (Rank(kind) > Rank(e.fix))
        e.fix = kind;
    if (kind == FixKind::Gnss && pos)
        e.pos = pos;
    if (kind == FixKind::Gnss && altitude)
        e.altitude = altitude;
}

bool FieldDecoder::SetDate(int year, int month, int day, std::optional<int> time, bool checked,
                           bool zda) {
    const auto v = MakeDate(year, month, day);
    if (!v)
        return false;
    nav.UtcDate = *v;
    // The PC clock takes the sentence's own date and time, and only when its checksum vouches
    // for them.
    nav.UtcDateStamp = checked && time ? *v + (*time / 1000) / 86400.0 : 0;
    g.year = year;
    g.month = month;
    g.day = day;
    g.dateTimeMs = time.value_or(-1);
    dateZda = zda;
    e.dateChanged = true;
    return true;
}

void FieldDecoder::OnGga(const nmea::Sentence& s) {
    nmea::Gga r;
    nmea::Read(s, r);
    FixSentence(r.time, r.Kind(), s.checksummed, r.pos, r.altitude);
    if (r.used && *r.used <= 999)
        e.used = r.used;
}

void FieldDecoder::OnRmc(const nmea::Sentence& s) {
    nmea::Rmc r;
    nmea::Read(s, r);
    FixSentence(r.time, r.Kind(), s.checksummed, r.pos, std::nullopt);
    if (r.date && SetDate(r.date->year, r.date->month, r.date->day, r.time, s.checksummed, false) &&
        reading)
        epochDate = *reading;
}

void FieldDecoder::OnGll(const nmea::Sentence& s) {
    nmea::Gll r;
    nmea::Read(s, r);
    FixSentence(r.time, r.Kind(), s.checksummed, r.pos, std::nullopt);
}

void FieldDecoder::OnGns(const nmea::Sentence& s) {
    nmea::Gns r;
    nmea::Read(s, r);
    FixSentence(r.time, r.Kind(), s.checksummed, r.pos, r.altitude);
    if (r.used && *r.used <= 999)
        e.used = r.used;
}

void FieldDecoder::OnZda(const nmea::Sentence& s) {
    nmea::Zda r;
    nmea::Read(s, r);
    // Its time may be of the next second (the pulse it announces): the date's own time, and
    // the time shown only when no fix sentence gives one.
    if (r.time) {
        e.zdaTime = r.time;
        StreamTime(*r.time);
    }
    if (r.date && SetDate(r.date->year, r.date->month, r.date->day, r.time, s.checksummed, true) &&
        reading)
        epochDate = *reading;
}

GnssSystem FieldDecoder::SystemOfGsa(GnssSystem talker,
                                     const std::array<int, nmea::Sentence::kMaxFields>& numbers,
                                     int count) const {
    if (talker != GnssSystem::None)
        return talker;
    // One GNGSA per system without a system id (NMEA 4.0): the system whose talker's groups in
    // view hold most of its numbers; of equals, one no GSA of the epoch has named yet, in the
    // order receivers send them. None when no group holds any: then by the numbering ranges.
    constexpr GnssSystem kOrder[] = {GnssSystem::GPS,    GnssSystem::GLONASS, GnssSystem::Galileo,
                                     GnssSystem::BeiDou, GnssSystem::QZSS,    GnssSystem::NavIC};
    GnssSystem best = GnssSystem::None;
    int bestScore = 0;
    bool bestTaken = false;
    for (GnssSystem sys : kOrder) {
        const Numbers& heard = talkerNumbers[static_cast<int>(sys)];
        int score = 0;
        for (int i = 0; i < count; ++i) {
            const int n = numbers[i];
            score += n < 512 && (heard[n >> 6] >> (n & 63) & 1u) ? 1 : 0;
        }
        const bool taken = (e.systemsTaken & Bit(sys)) != 0;
        if (score > bestScore || (score == bestScore && score > 0 && bestTaken && !taken)) {
            best = sys;
            bestScore = score;
            bestTaken = taken;
        }
    }
    return best;
}

void FieldDecoder::OnGsa(const nmea::Sentence& s) {
    nmea::Gsa r;
    nmea::Read(s, r);
    const int fix = r.fix == 2 || r.fix == 3 ? *r.fix : 1;
    e.gsaFix = e.gsa ? std::max(e.gsaFix, fix) : fix;
    e.gsa = true;
    if (fix == 1)
        return;
    GnssSystem system = GnssSystem::None;
    if (r.systemId) {
        system = SystemId(*r.systemId);
        if (system == GnssSystem::None)
            return; // a system this model does not know
    } else {
        system = SystemOfGsa(TalkerSystem(s.Address().first(2)), r.numbers, r.count);
    }
    if (system != GnssSystem::None)
        e.systemsTaken |= Bit(system);
    for (int i = 0; i < r.count; ++i) {
        const GnssSatellite sat = Identify(system, r.numbers[i]);
        if (sat.system == GnssSystem::None)
            continue;
        bool known = false;
        for (int k = 0; k < e.listedCount && !known; ++k)
            known = SameSat(e.listed[k], sat);
        if (!known && e.listedCount < GnssState::kMaxSatellites)
            e.listed[e.listedCount++] = sat;
    }
}

FieldDecoder::Source& FieldDecoder::SourceFor(std::uint32_t key) {
    // Its own, else the first free one, else the one heard from longest ago.
    Source* pick = nullptr;
    for (Source& s : sources) {
        if (s.key == key)
            return s;
        if (!pick || (pick->key != 0 && (s.key == 0 || s.heardMs < pick->heardMs)))
            pick = &s;
    }
    *pick = Source{};
    pick->key = key;
    return *pick;
}

void FieldDecoder::Commit(Source& s) {
    s.sats = s.pending;
    s.count = s.pendingCount;
    s.numbers = s.pendingNumbers;
    s.lines.swap(s.pendingLines);
    s.pendingLines.clear();
    if (s.heardMs >= 0)
        s.intervalMs = streamMs - s.heardMs;
    s.heardMs = streamMs;
    s.expect = 0;
    e.satsChanged = true;
}

void FieldDecoder::OnGsv(const nmea::Sentence& s) {
    nmea::Gsv r;
    nmea::Read(s, r);
    if (!r.total || !r.number || *r.number < 1 || *r.number > *r.total || *r.total > 99)
        return;
    const int number = *r.number;
    const QStringView t = s.Address();
    const std::uint32_t key = (std::uint32_t(t[0].unicode() & 0xff) << 16) |
                              (std::uint32_t(t[1].unicode() & 0xff) << 8) |
                              (r.signal.isNull() ? 1u : r.signal.unicode() & 0xff);
    // A later message continues the group of its talker in progress, even when it alone gives
    // a signal id (seen in real receivers).
    Source* going = nullptr;
    for (Source& c : sources) {
        if (number > 1 && c.key >> 8 == key >> 8 && c.expect == number)
            going = &c;
    }
    Source& src = going ? *going : SourceFor(key);
    const GnssSystem talker = TalkerSystem(t.first(2));
    src.talker = talker;
    if (number == 1) {
        src.pendingCount = 0;
        src.pendingNumbers.fill(0);
        src.pendingLines.clear();
        src.expect = 1;
    }
    if (number != src.expect) {
        src.expect = 0; // a message lost: the group is not taken
        return;
    }
    for (int b = 0; b < r.count; ++b) {
        const nmea::GsvSatellite& in = r.sats[b];
        GnssSatellite sat = Identify(talker, in.number);
        if (sat.system == GnssSystem::None)
            continue;
        // Elevation 0 and azimuth 0 together: the place is not known yet.
        const bool placed = in.el >= 0 && in.az >= 0 && (in.el != 0 || in.az != 0);
        sat.el = static_cast<std::int16_t>(placed ? in.el : -1);
        sat.az = static_cast<std::int16_t>(placed ? in.az : -1);
        sat.snr = static_cast<std::int16_t>(in.snr);
        bool known = false;
        for (int k = 0; k < src.pendingCount && !known; ++k)
            known = SameSat(src.pending[k], sat);
        if (!known && src.pendingCount < GnssState::kMaxSatellites)
            src.pending[src.pendingCount++] = sat;
        if (in.number < 512)
            src.pendingNumbers[in.number >> 6] |= 1ull << (in.number & 63);
    }
    if (reading)
        src.pendingLines.push_back(*reading);
    src.expect = number + 1;
    if (number == *r.total)
        Commit(src);
}

void FieldDecoder::GatherTalkerNumbers() {
    for (auto& m : talkerNumbers)
        m.fill(0);
    for (const Source& s : sources) {
        if (s.key == 0 || s.talker == GnssSystem::None)
            continue;
        Numbers& to = talkerNumbers[static_cast<int>(s.talker)];
        for (std::size_t w = 0; w < to.size(); ++w)
            to[w] |= s.numbers[w];
    }
}

void FieldDecoder::CommitCutGroups() {
    for (Source& s : sources) {
        if (s.key != 0 && s.expect > 0 && s.pendingCount > 0)
            Commit(s);
    }
}

void FieldDecoder::StartSnapshot() {
    sources.fill(Source{});
    for (auto& n : talkerNumbers)
        n.fill(0);
    lastGsaFix = 0;
    lastUsedCount = 0;
    e = Epoch{};
    fixLines.clear();
    gsaLines.clear();
    snapshotGsa.clear();
    snapshot = true;
    // A snapshot holds all there is of its moment: a position, date or time it does not give
    // was not known then, and the one of the snapshot shown before must not stay.
    g.hasPosition = g.hasAltitude = false;
    g.altitude = 0;
    g.timeMs = g.dateTimeMs = -1;
    g.year = g.month = g.day = 0;
    nav.UtcDate = nav.UtcDateStamp = nav.JstDateTime = nav.JstClockTime = 0;
    form.Label3[0].caption.clear();
    form.Label3[1].caption.clear();
    for (Label& l : form.Label4)
        l.caption.clear();
}

int FieldDecoder::EndSnapshot() {
    if (!snapshot)
        return 0;
    snapshot = false;
    CommitCutGroups();
    // Its GSAs now, with every group of the snapshot heard: one without a system id is told
    // by them, as the groups of the seconds before told it live.
    if (!snapshotGsa.empty()) {
        GatherTalkerNumbers();
        for (const QString& line : snapshotGsa) {
            nmea::Sentence s;
            if (nmea::Frame(line, s))
                OnGsa(s);
        }
        snapshotGsa.clear();
    }
    return Publish();
}

snapshot::Sentences FieldDecoder::Shown() const {
    // Each sentence from its "$" (noise or a TAG block before it is not recorded) to its end.
    auto sentences = [](const std::vector<QString>& lines) {
        std::vector<QString> out;
        out.reserve(lines.size());
        for (const QString& line : lines) {
            QStringView v(line);
            v = v.sliced(std::max<qsizetype>(v.lastIndexOf(u'$'), 0));
            while (!v.isEmpty() && (v.back() == u'\n' || v.back() == u'\r'))
                v.chop(1);
            out.push_back(v.toString());
        }
        return out;
    };
    snapshot::Sentences out;
    // The epochs whose date, position, time and fix show, oldest first, each once.
    std::array<const Kept*, 4> kept = {&keptDate, &keptPosition, &keptTime, &keptFix};
    std::stable_sort(kept.begin(), kept.end(),
                     [](const Kept* a, const Kept* b) { return a->epoch < b->epoch; });
    for (std::size_t k = 0; k < kept.size(); ++k) {
        if (k + 1 < kept.size() && kept[k]->epoch == kept[k + 1]->epoch)
            continue; // the same epoch, its date sentence among its lines
        const std::vector<QString> lines = sentences(kept[k]->lines);
        out.fix.insert(out.fix.end(), lines.begin(), lines.end());
    }
    out.gsa = sentences(shownGsa);
    for (int i = 0; i < groupCount; ++i) {
        if (!shownGroups[groupOrder[i]].empty())
            out.groups.push_back(sentences(shownGroups[groupOrder[i]]));
    }
    return out;
}

int FieldDecoder::Flush() {
    return snapshot ? EndSnapshot() : Publish();
}

int FieldDecoder::Publish() {
    const bool any = e.sentences > 0;
    if (any) {
        // The fix: any fix sentence that says one; a GSA may tell 2D from 3D, not hold it at
        // none. Without a fix sentence in the epoch, the GSA says it.
        int mode = g.mode;
        if (e.gsa)
            lastGsaFix = e.gsaFix;
        if (e.fix == FixKind::Gnss) {
            // Without a GSA and a height, the dimension shown stays as it was.
            mode = lastGsaFix >= 2 ? lastGsaFix : e.altitude ? 3 : std::max(g.mode, 2);
        } else if (e.fix != FixKind::Unsaid) {
            mode = 1;
        } else if (e.gsa) {
            mode = e.gsaFix;
        }
        const bool modeChanged = (mode == 1) != (g.mode == 1);
        ShowFix(mode);
        if (mode == 1) {
            g.hasPosition = g.hasAltitude = false;
            g.altitude = 0;
        } else if (e.pos) {
            g.hasPosition = true;
            g.lat = e.pos->lat;
            g.lon = e.pos->lon;
            g.hasAltitude = e.altitude.has_value();
            g.altitude = e.altitude.value_or(0);
            ShowPosition(*e.pos);
        }

        // Satellites used: the GSA of the epoch, or the last one while it said a fix;
        // without one, the count of the fix sentence.
        bool listChanged = modeChanged;
        if (e.gsa && e.gsaFix >= 2) {
            listChanged = listChanged || e.listedCount != lastUsedCount ||
                          !std::equal(e.listed.begin(), e.listed.begin() + e.listedCount,
                                      lastUsed.begin(), SameSat);
            std::copy(e.listed.begin(), e.listed.begin() + e.listedCount, lastUsed.begin());
            lastUsedCount = e.listedCount;
        }
        const bool listed = mode != 1 && lastGsaFix >= 2;
        g.usedCount = mode == 1 ? 0 : listed ? lastUsedCount : e.used.value_or(g.usedCount);
        if (listed != usedListed) {
            usedListed = listed;
            listChanged = true;
        }
        nav.SatsInUse = static_cast<std::int16_t>(std::min(g.usedCount, 32767));

        if (e.time)
            g.timeMs = *e.time;
        else if (e.zdaTime)
            g.timeMs = *e.zdaTime;
        ShowTime();

        // The PC clock only from a fix whose time and date checksums vouch for.
        nav.JstClockTime = 0;
        if (mode != 1 && e.clockChecked && e.time && nav.UtcDateStamp != 0) {
            if (const auto at = MomentNear(nav.UtcDateStamp, *e.time / 1000)) {
                if (ClockMomentPlausible(*at + kJstOffset))
                    nav.JstClockTime = *at + kJstOffset;
            }
        }
        const bool expired = Expire();
        if (e.satsChanged || listChanged || expired)
            Rebuild();
        else
            ShowCounts();
    }
    ShowRaw();
    // What still shows of this epoch, for the recorder: its date, position and time until
    // another gives them, its fix and its GSAs.
    if (any) {
        ++epochs;
        auto keep = [this](Kept& k) {
            k.epoch = epochs;
            k.lines = fixLines;
        };
        if (e.fixSentence)
            keep(keptFix);
        if (e.time || e.zdaTime)
            keep(keptTime);
        if (g.mode != 1 && e.pos)
            keep(keptPosition);
        if (e.dateChanged && !epochDate.isEmpty()) {
            keptDate.epoch = epochs;
            keptDate.lines.assign(1, epochDate);
        }
        if (e.gsa)
            shownGsa.swap(gsaLines);
    }
    epochDate.clear();
    fixLines.clear();
    gsaLines.clear();
    e = Epoch{};
    return any ? 1 : 0;
}

bool FieldDecoder::Expire() {
    bool any = false;
    for (Source& s : sources) {
        if (s.key == 0 || s.heardMs < 0)
            continue;
        const std::int64_t keep =
            s.intervalMs > 0 ? std::max(kKeepMs, 3 * s.intervalMs) : kKeepFirstMs;
        if (streamMs - s.heardMs > keep) {
            s = Source{};
            any = true;
        }
    }
    return any;
}

void FieldDecoder::ShowFix(int mode) {
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

void FieldDecoder::ShowPosition(const nmea::Position& p) {
    // The window's form: degrees, minutes to four decimals, hemisphere.
    auto minutes = [](Text& t, double m) {
        const long long tenths = std::min(std::llround(m * 10000), 599'999LL);
        t.Num(tenths / 10000, 2) << u'.';
        t.Num(tenths % 10000, 4);
    };
    Text a;
    a << u' ';
    a.Num(p.latDeg, 2) << u" 度 ";
    minutes(a, p.latMin);
    a << u" 分 - " << p.ns.unicode();
    Assign(form.Label3[0].caption, a.view());
    Text b;
    b.Num(p.lonDeg, 3) << u" 度 ";
    minutes(b, p.lonMin);
    b << u" 分 - " << p.ew.unicode();
    Assign(form.Label3[1].caption, b.view());
}

void FieldDecoder::ShowTime() {
    if (e.dateChanged) {
        Text t;
        t.Num(g.year, 4) << u" 年 ";
        t.Num(g.month, 2) << u" 月 ";
        t.Num(g.day, 2) << (dateZda ? QStringView(u" 日 ") : QStringView(u" 日"));
        Assign(form.Label4[2].caption, t.view());
    }
    if (g.timeMs < 0)
        return;
    const int seconds = g.timeMs / 1000;
    const int h = seconds / 3600, m = seconds / 60 % 60, sec = seconds % 60;
    Text t;
    t.Num(h, 2) << u" 時 ";
    t.Num(m, 2) << u" 分 ";
    t.Num(sec, 2) << u" 秒";
    Assign(form.Label4[0].caption, t.view());
    // JST: the date the fix time belongs to (the date may be of the second before midnight);
    // without a date the last one stays.
    if (const DateValue day = FixDay(g); day != 0)
        nav.JstDateTime = day + std::min(seconds, 86399) / 86400.0 + kJstOffset;
    Assign(form.Label4[1].caption, DateText(nav.JstDateTime));
}

void FieldDecoder::ShowRaw() {
    for (int k = 0; k < kRawKinds; ++k) {
        if (e.rawSeen & (1u << k))
            Assign(form.Label16[k].caption, QStringView(e.raw[k]).sliced(e.rawAt[k]));
        if (e.rawDecodedSeen & (1u << k)) {
            QStringView v = QStringView(e.rawDecoded[k]).sliced(e.rawDecodedAt[k]);
            while (!v.isEmpty() && (v.back() == u'\n' || v.back() == u'\r'))
                v.chop(1);
            Assign(nav.RawSentence[kRawSentenceOf[k]], v);
        }
    }
}

void FieldDecoder::Rebuild() {
    // The union of every group in view, one satellite on two signals once, with the strongest
    // signal; then which are used. The groups go by system, talker and signal, not by the slots
    // they happen to hold, so the same sky is the same list (and the same marks) whatever came
    // before it: a replayed snapshot shows it as it was seen live.
    auto before = [this](int a, int b) {
        const Source &x = sources[a], &y = sources[b];
        return x.talker != y.talker ? x.talker < y.talker : x.key < y.key;
    };
    groupCount = 0;
    for (int i = 0; i < kMaxSources; ++i) {
        if (sources[i].key == 0) {
            shownGroups[i].clear();
            continue;
        }
        shownGroups[i] = sources[i].lines;
        int at = groupCount++;
        for (; at > 0 && before(i, groupOrder[at - 1]); --at)
            groupOrder[at] = groupOrder[at - 1];
        groupOrder[at] = static_cast<std::uint8_t>(i);
    }
    int n = 0;
    for (int i = 0; i < g.satCount; ++i)
        slot[static_cast<int>(g.sats[i].system)][g.sats[i].prn & 0xff] = 0;
    for (int k = 0; k < groupCount; ++k) {
        const Source& s = sources[groupOrder[k]];
        for (int i = 0; i < s.count; ++i) {
            const GnssSatellite& add = s.sats[i];
            std::uint8_t& at = slot[static_cast<int>(add.system)][add.prn & 0xff];
            if (at == 0) {
                if (n == GnssState::kMaxSatellites)
                    continue;
                g.sats[n] = add;
                g.sats[n].used = false;
                at = static_cast<std::uint8_t>(++n);
                continue;
            }
            GnssSatellite& have = g.sats[at - 1];
            have.snr = std::max(have.snr, add.snr);
            if (have.el < 0) {
                have.el = add.el;
                have.az = add.az;
            }
        }
    }
    if (usedListed) {
        for (int u = 0; u < lastUsedCount; ++u) {
            const GnssSatellite& s = lastUsed[u];
            if (const std::uint8_t at = slot[static_cast<int>(s.system)][s.prn & 0xff])
                g.sats[at - 1].used = true;
        }
    }
    GatherTalkerNumbers();
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
    // and number, so that equal ones keep their places. A row's texts are built only when its
    // satellite or place changed.
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
    auto same = [](const GnssSatellite& a, const GnssSatellite& b) {
        return SameSat(a, b) && a.el == b.el && a.az == b.az;
    };
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
            rowShown[row] = GnssSatellite{};
            continue;
        }
        const GnssSatellite& s = g.sats[order[row]];
        if (!same(rowShown[row], s)) {
            rowShown[row] = s;
            Text code;
            code << SystemLetter(s.system);
            code.Num(s.prn, 2);
            Assign(no.caption, code.view());
            Text el, az;
            if (s.el >= 0)
                el.Num(s.el, 2);
            else
                el << u"--";
            if (s.az >= 0)
                az.Num(s.az, 3);
            else
                az << u"---";
            Assign(form.Label9[row].caption, el.view());
            Assign(form.Label10[row].caption, az.view());
        }
        no.bold = s.used;
        const int snr = std::max<int>(s.snr, 0);
        bar.fillColor = snr > 0 ? SnrColour(snr) : kRed;
        bar.width = std::min(snr, 60) * 4335.0 / 60.0;
    }

    // Every satellite with a place in the sky, over the grid; the marks already there are
    // rewritten in place, which keeps their text buffers. Where they stand apart is worked out
    // when the plot is drawn (PictureBox::PlaceMarks).
    auto& ops = form.Picture1.ops;
    std::size_t at = ops.size();
    while (at > 0 && ops[at - 1].kind == DrawOp::Kind::Mark)
        --at;
    const std::size_t first = at;
    if (static_cast<std::size_t>(markedCount) != ops.size() - first)
        markedCount = -1; // marks taken away or put there by others: all written anew
    const SkyTables& sky = Sky();
    bool moved = false;
    for (int k = 0; k < g.satCount; ++k) {
        const GnssSatellite& s = g.sats[k];
        if (s.el < 0 || s.az < 0)
            continue;
        const std::size_t i = at - first;
        if (at == ops.size()) {
            ops.emplace_back();
            ops.back().kind = DrawOp::Kind::Mark;
        }
        DrawOp& op = ops[at++];
        if (markedCount < 0 || static_cast<int>(i) >= markedCount || !same(marked[i], s)) {
            moved = true;
            marked[i] = s;
            const double r = nav.SkyRadius * sky.cosEl[s.el];
            Text code;
            code << SystemLetter(s.system);
            code.Num(s.prn, 2);
            op.ax = op.x1 = nav.SkyCenterX + r * sky.sinAz[s.az];
            op.ay = op.y1 = nav.SkyCenterY - r * sky.cosAz[s.az];
            op.x2 = kMarkCharWidth * static_cast<double>(code.view().size()) + kMarkPad;
            op.y2 = kMarkHeight;
            op.textSize = kMarkTextHeight;
            Assign(op.text, code.view());
        }
        op.color = SnrColour(std::max<int>(s.snr, 0));
        // Marks in use take their places first: one that changed is placed anew with the rest,
        // so the same sky is drawn alike whatever was drawn before it.
        moved = moved || op.bold != s.used;
        op.bold = s.used;
    }
    if (at != ops.size() || markedCount < 0)
        moved = true;
    ops.erase(ops.begin() + static_cast<std::ptrdiff_t>(at), ops.end());
    markedCount = static_cast<int>(at - first);
    if (moved)
        form.Picture1.marksPlaced = false;
}

} // namespace velsor
