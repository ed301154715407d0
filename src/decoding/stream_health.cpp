#include "decoding/stream_health.h"

#include "decoding/field_decoder.h"
#include "decoding/gsv_fields.h"
#include "nav/basic_text.h"

#include <cmath>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace velsor {

namespace {

// Whole percent, rounded half up, as every table of these figures shows them.
int Percent(double share) {
    return static_cast<int>(std::floor(share * 100.0 + 0.5 + 1e-9));
}

void AppendJsonString(QByteArray& out, QStringView s) {
    out += '"';
    for (const QChar ch : s) {
        const char16_t c = ch.unicode();
        if (c == u'"' || c == u'\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c >= 0x7F) {
            out += "\\u" + QByteArray::number(static_cast<uint>(c), 16).rightJustified(4, '0');
        } else {
            out += static_cast<char>(c);
        }
    }
    out += '"';
}

QByteArray Share(double v) {
    return QByteArray::number(v, 'f', 4);
}

} // namespace

namespace {

// Fixed-position checks on a line known to be long enough: p[pos - 1] is position pos.
struct Fields {
    const char16_t* p;
    qsizetype n;

    char16_t At(int pos) const { return pos <= n ? p[pos - 1] : 0; }
    bool Digits(int pos, int count) const {
        if (pos - 1 + count > n)
            return false;
        bool ok = true;
        for (int i = 0; i < count; ++i)
            ok &= static_cast<char16_t>(p[pos - 1 + i] - u'0') < 10;
        return ok;
    }
    bool Is(int pos, char16_t c) const { return At(pos) == c; }
    bool OneOf(int pos, char16_t a, char16_t b) const {
        const char16_t c = At(pos);
        return c == a || c == b;
    }
};

Fields Of(QStringView s) {
    return {reinterpret_cast<const char16_t*>(s.utf16()), s.size()};
}

// Up to eight ASCII characters packed into one number, for quick comparison of types; 0 when
// the type does not fit.
constexpr std::uint64_t Key(const char* s) {
    std::uint64_t key = 0;
    for (; *s; ++s)
        key = key << 8 | static_cast<unsigned char>(*s);
    return key;
}

constexpr std::uint64_t kGga = Key("$GPGGA"), kGsv = Key("$GPGSV");
constexpr std::uint64_t kKnown[] = {kGga,          Key("$GPGSA"), kGsv,
                                    Key("$GPZDA"), Key("$GPVTG"), Key("$GPRMC")};

// Counts the characters that cannot be NMEA (below 0x20 except CR and LF, 0x7F and above) and
// XORs all of them together, eight at a time where the processor allows. Lines are short, so
// the last, partial group is read as the final eight characters with the ones already counted
// masked off.
struct CharScan {
    unsigned garbage = 0;
    unsigned xorAll = 0;
};

CharScan ScanScalar(const char16_t* p, qsizetype n) {
    CharScan r;
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = p[i];
        r.xorAll ^= c;
        r.garbage += (c < 0x20 && c != u'\r' && c != u'\n') || c >= 0x7F;
    }
    return r;
}

CharScan Scan(const char16_t* p, qsizetype n) {
#if defined(__SSE2__)
    if (n < 8)
        return ScanScalar(p, n);
    const __m128i flip = _mm_set1_epi16(static_cast<short>(0x8000));
    const __m128i low = _mm_set1_epi16(static_cast<short>(0x20 ^ 0x8000));
    const __m128i high = _mm_set1_epi16(static_cast<short>(0x7E ^ 0x8000));
    const __m128i cr = _mm_set1_epi16(13), lf = _mm_set1_epi16(10);
    __m128i vx = _mm_setzero_si128(), vg = _mm_setzero_si128();
    const auto step = [&](__m128i c, __m128i keep) {
        c = _mm_and_si128(c, keep);
        vx = _mm_xor_si128(vx, c);
        const __m128i cs = _mm_xor_si128(c, flip); // unsigned order as signed
        __m128i bad = _mm_or_si128(_mm_cmplt_epi16(cs, low), _mm_cmpgt_epi16(cs, high));
        bad = _mm_andnot_si128(_mm_or_si128(_mm_cmpeq_epi16(c, cr), _mm_cmpeq_epi16(c, lf)), bad);
        vg = _mm_sub_epi16(vg, _mm_and_si128(bad, keep));
    };
    const __m128i all = _mm_set1_epi16(-1);
    qsizetype i = 0;
    for (; i + 8 <= n; i += 8)
        step(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i)), all);
    if (i < n) {
        const short done = static_cast<short>(8 - (n - i));
        const __m128i lane = _mm_setr_epi16(0, 1, 2, 3, 4, 5, 6, 7);
        step(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + n - 8)),
             _mm_cmpgt_epi16(lane, _mm_set1_epi16(static_cast<short>(done - 1))));
    }
    __m128i sum = _mm_madd_epi16(vg, _mm_set1_epi16(1));
    sum = _mm_add_epi32(sum, _mm_shuffle_epi32(sum, _MM_SHUFFLE(1, 0, 3, 2)));
    sum = _mm_add_epi32(sum, _mm_shuffle_epi32(sum, _MM_SHUFFLE(2, 3, 0, 1)));
    vx = _mm_xor_si128(vx, _mm_srli_si128(vx, 8));
    vx = _mm_xor_si128(vx, _mm_srli_si128(vx, 4));
    vx = _mm_xor_si128(vx, _mm_srli_si128(vx, 2));
    return {static_cast<unsigned>(_mm_cvtsi128_si32(sum)),
            static_cast<unsigned>(_mm_cvtsi128_si32(vx)) & 0xFFFF};
#else
    return ScanScalar(p, n);
#endif
}

} // namespace

std::optional<bool> GgaFits(QStringView line, Layout layout) {
    const Fields f = Of(line);
    // hhmmss at 8-13; the CFGPS adds ".s" before the comma.
    if (f.Is(8, u','))
        return std::nullopt;
    int p = 14;
    if (!f.Digits(8, 6))
        return false;
    if (layout == Layout::Cfgps) {
        if (!f.Is(14, u'.') || !f.Digits(15, 1))
            return false;
        p = 16;
    }
    if (!f.Is(p, u','))
        return false;
    // Without a fix the position fields are empty: the time alone decides.
    if (f.Is(p + 1, u','))
        return true;
    const int lat = p + 1, lon = lat + 12;
    return f.Digits(lat, 4) && f.Is(lat + 4, u'.') && f.Digits(lat + 5, 4) && f.Is(lat + 9, u',') &&
           f.OneOf(lat + 10, u'N', u'S') && f.Is(lat + 11, u',') && f.Digits(lon, 5) &&
           f.Is(lon + 5, u'.') && f.Digits(lon + 6, 4) && f.Is(lon + 10, u',') &&
           f.OneOf(lon + 11, u'E', u'W') && f.Is(lon + 12, u',');
}

std::optional<bool> GsvFits(QStringView line, Layout layout) {
    const Fields f = Of(line);
    const int o = layout == Layout::Gt74 ? 1 : 0;
    if (!f.Digits(8, 1) || !f.Is(9, u',') || !f.Digits(10, 1) || !f.Is(11, u',') ||
        !f.Digits(12, 1 + o))
        return false;
    using namespace gsv;
    for (int j = 0; j < kSlotsPerMessage; ++j) {
        const char16_t before = f.At(Pos(kBefore, o, j));
        if (before == u'*' || before == u'\r' || before == 0)
            return true; // the list ends
        if (before != u',')
            return false;
        const int no = Pos(kNumber, o, j), el = Pos(kElevation, o, j), az = Pos(kAzimuth, o, j);
        if (!f.Digits(no, 2) || !f.Is(no + 2, u',') || !f.Digits(el, 2) || !f.Is(el + 2, u',') ||
            !f.Digits(az, 3) || !f.Is(az + 3, u','))
            return false;
        // A satellite not tracked has an empty SNR; the receiver then shortens the line, which
        // is its own field width, not a sign of the other layout: the rest is not judged.
        if (!f.Digits(Pos(kSnr, o, j), 2))
            return f.OneOf(Pos(kSnr, o, j), u',', u'*');
    }
    return true;
}

void StreamHealth::CountBytes(QStringView text) {
    bytes += static_cast<std::uint64_t>(text.size());
    // Dropped text can be long; the scan's lane counters hold up to 8 x 32767.
    for (qsizetype at = 0; at < text.size(); at += 4096) {
        const qsizetype len = std::min<qsizetype>(4096, text.size() - at);
        garbageBytes += Scan(reinterpret_cast<const char16_t*>(text.utf16()) + at, len).garbage;
    }
}

void StreamHealth::Count(QStringView type, std::uint64_t key) {
    // Packed types are found through a small table, the rest by comparing the text.
    const std::size_t slot = static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> 56);
    if (key != 0) {
        const std::uint8_t k = typeSlots[slot];
        if (k != 0 && typeKeys[k - 1] == key) {
            ++types[k - 1].second;
            return;
        }
    }
    for (std::size_t k = 0; k < types.size(); ++k) {
        if (typeKeys[k] == key && (key != 0 || types[k].first == type)) {
            ++types[k].second;
            if (key != 0)
                typeSlots[slot] = static_cast<std::uint8_t>(k + 1);
            return;
        }
    }
    if (types.size() < kMaxTypes - 1) {
        types.emplace_back(type.toString(), 1);
        typeKeys.push_back(key);
        if (key != 0)
            typeSlots[slot] = static_cast<std::uint8_t>(types.size());
        return;
    }
    if (types.size() < kMaxTypes) {
        types.emplace_back(QStringLiteral("(other)"), 0);
        typeKeys.push_back(~std::uint64_t(0)); // matches no type
    }
    ++types.back().second;
}

void StreamHealth::Line(QStringView line) {
    const char16_t* p = reinterpret_cast<const char16_t*>(line.utf16());
    qsizetype n = line.size();
    // One pass over the whole line: bytes that cannot be NMEA and the XOR of everything, from
    // which the checksum range is cut out below.
    bytes += static_cast<std::uint64_t>(n);
    const CharScan scan = Scan(p, n);
    garbageBytes += scan.garbage;
    unsigned all = scan.xorAll;
    ++lines;
    while (n > 0 && (p[n - 1] == u'\n' || p[n - 1] == u'\r')) {
        all ^= p[n - 1];
        --n;
    }
    if (n == 0) {
        ++blankLines;
        return;
    }

    // The type as the dispatcher splits it: up to the first comma or "*"; packed on the way
    // when it is short ASCII.
    qsizetype end = 0;
    std::uint64_t key = 0;
    bool packable = true;
    if (n > 6 && p[6] == u',') {
        // The usual "$ttsss," in one go.
        for (int i = 0; i < 6; ++i) {
            const char16_t c = p[i];
            packable &= c != u',' && c != u'*' && c != 0 && c < 0x80;
            key = key << 8 | (c & 0xFF);
        }
        end = 6;
    }
    if (end == 0 || !packable) {
        key = 0;
        packable = true;
        for (end = 0; end < n && p[end] != u',' && p[end] != u'*'; ++end) {
            packable &= end < 8 && p[end] != 0 && p[end] < 0x80;
            key = key << 8 | (p[end] & 0xFF);
        }
    }
    if (!packable)
        key = 0;
    const QStringView body(p, n);
    // Most lines hit the table straight away; the rest go the long way.
    const std::uint8_t hit =
        key ? typeSlots[static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> 56)] : 0;
    if (hit != 0 && typeKeys[hit - 1] == key)
        ++types[hit - 1].second;
    else
        Count(body.first(end), key);
    bool known = false;
    for (const std::uint64_t k : kKnown)
        known |= key == k;
    unknownType += known ? 0 : 1;

    // Checksum: XOR of everything between "$" and "*", two hex digits after the "*".
    qsizetype star = n >= 3 && p[n - 3] == u'*' ? n - 3 : body.lastIndexOf(u'*');
    const qsizetype dollar = p[0] == u'$' ? 0 : body.indexOf(u'$');
    if (dollar < 0 || star < dollar || star + 3 > n) {
        ++checksumMissing;
    } else {
        const int hi = HexDigit(p[star + 1]), lo = HexDigit(p[star + 2]);
        if (hi < 0 || lo < 0) {
            ++checksumMissing;
        } else {
            unsigned sum = all;
            if (dollar == 0 && star == n - 3) {
                sum ^= p[0] ^ p[star] ^ p[star + 1] ^ p[star + 2];
            } else {
                for (qsizetype i = 0; i <= dollar; ++i)
                    sum ^= p[i];
                for (qsizetype i = star; i < n; ++i)
                    sum ^= p[i];
            }
            if (sum != static_cast<unsigned>(hi * 16 + lo))
                ++checksumBad;
        }
    }

    // Any talker's sentences as the by-fields model reads them; "P" talkers are proprietary.
    bool fieldKnown = false;
    if (end == 6 && p[0] == u'$' && p[1] != u'P') {
        constexpr auto T = [](char a, char b, char c) {
            return std::uint64_t(std::uint8_t(a)) << 16 | std::uint64_t(std::uint8_t(b)) << 8 |
                   std::uint8_t(c);
        };
        const std::uint64_t t = key & 0xFFFFFF;
        const bool fix = t == T('G', 'G', 'A') || t == T('R', 'M', 'C') || t == T('G', 'N', 'S');
        if (fix || t == T('G', 'S', 'V') || t == T('G', 'S', 'A')) {
            ++fieldLines;
            FieldDecoder::Fields f;
            const bool parsed = FieldDecoder::Split(body, f) && f.count >= 4;
            fieldParsed += parsed ? 1 : 0;
            fixLines += parsed && fix && !f[1].isEmpty() ? 1 : 0;
            fieldKnown = true;
        } else {
            fieldKnown = t == T('Z', 'D', 'A') || t == T('G', 'L', 'L') || t == T('V', 'T', 'G');
        }
    }
    unknownFieldType += fieldKnown ? 0 : 1;

    const bool gga = key == kGga, gsv = key == kGsv;
    if (!gga && !gsv)
        return;
    const auto fit0 = gga ? GgaFits(body, Layout::Gt74) : GsvFits(body, Layout::Gt74);
    const auto fit1 = gga ? GgaFits(body, Layout::Cfgps) : GsvFits(body, Layout::Cfgps);
    if (!fit0 && !fit1)
        return;
    const int f0 = fit0.value_or(false) ? 1 : 0, f1 = fit1.value_or(false) ? 1 : 0;
    ++judged;
    fits[0] += f0;
    fits[1] += f1;
    if (gga) {
        ++ggaJudged;
        ggaFits[0] += f0;
        ggaFits[1] += f1;
    }
}

void StreamHealth::Dropped(QStringView text, bool firstPiece) {
    CountBytes(text);
    if (firstPiece)
        ++overlongDropped;
}

double StreamHealth::GarbageShare() const {
    return bytes ? static_cast<double>(garbageBytes) / static_cast<double>(bytes) : 0.0;
}

double StreamHealth::FitShare(Layout layout) const {
    return judged
               ? static_cast<double>(fits[static_cast<int>(layout)]) / static_cast<double>(judged)
               : 0.0;
}

double StreamHealth::FieldShare() const {
    return fieldLines ? static_cast<double>(fieldParsed) / static_cast<double>(fieldLines) : 0.0;
}

bool StreamHealth::ShowsFix(Layout layout) const {
    return ggaJudged > 0 && ggaFits[static_cast<int>(layout)] * 10 >= ggaJudged * 9;
}

bool StreamHealth::Fits(Layout layout) const {
    return ShowsFix(layout) && FitShare(layout) >= 0.9;
}

bool StreamHealth::ReadsByFields() const {
    return fieldLines >= kMinJudged && FieldShare() >= 0.9 && !Fits(Layout::Gt74) &&
           !Fits(Layout::Cfgps);
}

StreamHealth::Hint StreamHealth::Diagnose(QStringView tunerType, bool lineSpeed) const {
    if (lineSpeed && bytes >= kMinBytes && GarbageShare() >= kGarbageLimit)
        return Hint::WrongBaud;
    if (tunerType != u"0" && tunerType != u"1")
        return Hint::None;
    const Layout chosen = tunerType == u"0" ? Layout::Gt74 : Layout::Cfgps;
    const Layout other = chosen == Layout::Gt74 ? Layout::Cfgps : Layout::Gt74;
    // Silence while the chosen model shows the fix and most lines fit it; a fix that comes in
    // other sentences ($GNGGA, $GPRMC alone) or at other positions is never shown by it.
    const bool fixMissing = fixLines >= kMinFixLines && !ShowsFix(chosen);
    // Or few lines fit it, once the layouts have been judged (or there is nothing they could
    // fit, for twice as long).
    const bool layoutWrong =
        (judged >= kMinJudged || fieldLines >= 2 * kMinJudged) && FitShare(chosen) < 0.5;
    if (!fixMissing && !layoutWrong)
        return Hint::None;
    if (Fits(other))
        return Hint::WrongModel;
    return ReadsByFields() ? Hint::UseFields : Hint::None;
}

QString StreamHealth::Verdict() const {
    QString v;
    const int p0 = Percent(FitShare(Layout::Gt74)), p1 = Percent(FitShare(Layout::Cfgps));
    if (judged == 0) {
        v = QStringLiteral("no GGA/GSV lines to judge the layout by");
    } else if (Fits(Layout::Gt74) && FitShare(Layout::Gt74) >= FitShare(Layout::Cfgps)) {
        v = QStringLiteral("fits GT-74/77 layout (%1 % of GGA/GSV lines); CFGPS layout %2 %")
                .arg(p0)
                .arg(p1);
    } else if (Fits(Layout::Cfgps)) {
        v = QStringLiteral("fits CFGPS layout (%1 % of GGA/GSV lines); GT-74/77 layout %2 %")
                .arg(p1)
                .arg(p0);
    } else {
        v = QStringLiteral("fits neither layout: GT-74/77 %1 %, CFGPS %2 % of GGA/GSV lines")
                .arg(p0)
                .arg(p1);
        // The satellites would show, the fix would not.
        if (FitShare(Layout::Gt74) >= 0.9 || FitShare(Layout::Cfgps) >= 0.9)
            v += QStringLiteral(", but no $GPGGA holds the fix there");
    }
    if (ReadsByFields())
        v += QStringLiteral("; reads by fields (%1 % of GGA/GNS/RMC/GSA/GSV lines): model 2, "
                            "any NMEA 0183 (--tuner 2)")
                 .arg(Percent(FieldShare()));
    if (bytes >= kMinBytes && GarbageShare() >= kGarbageLimit)
        v += QStringLiteral("; %1 % of the bytes cannot be NMEA: wrong baud rate?")
                 .arg(Percent(GarbageShare()));
    return v;
}

QByteArray StreamHealth::Json(QStringView tuner) const {
    QByteArray o = "{\"tuner\":";
    AppendJsonString(o, tuner);
    o += ",\"bytes\":" + QByteArray::number(bytes);
    o += ",\"lines\":" + QByteArray::number(lines);
    o += ",\"blank_lines\":" + QByteArray::number(blankLines);
    o += ",\"types\":{";
    bool first = true;
    for (const auto& [name, n] : types) {
        if (!first)
            o += ',';
        first = false;
        AppendJsonString(o, name);
        o += ':' + QByteArray::number(n);
    }
    // Unknown to the model the stream was read as.
    o += "},\"unknown_type_lines\":" +
         QByteArray::number(tuner == u"2" ? unknownFieldType : unknownType);
    o += ",\"checksum_missing\":" + QByteArray::number(checksumMissing);
    o += ",\"checksum_bad\":" + QByteArray::number(checksumBad);
    o += ",\"overlong_dropped\":" + QByteArray::number(overlongDropped);
    o += ",\"garbage_bytes\":" + QByteArray::number(garbageBytes);
    o += ",\"garbage_share\":" + Share(GarbageShare());
    o += ",\"layout\":{\"judged_lines\":" + QByteArray::number(judged);
    o += ",\"gt74_lines\":" + QByteArray::number(fits[0]);
    o += ",\"cfgps_lines\":" + QByteArray::number(fits[1]);
    o += ",\"gt74_fit\":" + Share(FitShare(Layout::Gt74));
    o += ",\"cfgps_fit\":" + Share(FitShare(Layout::Cfgps));
    o += ",\"field_lines\":" + QByteArray::number(fieldLines);
    o += ",\"field_parsed\":" + QByteArray::number(fieldParsed);
    o += ",\"gga_lines\":" + QByteArray::number(ggaJudged);
    o += ",\"gt74_gga_lines\":" + QByteArray::number(ggaFits[0]);
    o += ",\"cfgps_gga_lines\":" + QByteArray::number(ggaFits[1]);
    o += ",\"fix_lines\":" + QByteArray::number(fixLines);
    o += "},\"verdict\":";
    AppendJsonString(o, Verdict());
    o += '}';
    return o;
}

} // namespace velsor
