#include "decoding/stream_health.h"

#include "decoding/gsv_fields.h"

#include <cmath>

namespace velsor {

namespace {

// The character at a 1-based position, or 0 beyond the end.
char16_t At(QStringView s, int pos) {
    return pos >= 1 && pos <= s.size() ? s[pos - 1].unicode() : 0;
}

bool Digits(QStringView s, int pos, int n) {
    for (int i = 0; i < n; ++i) {
        const char16_t c = At(s, pos + i);
        if (c < u'0' || c > u'9')
            return false;
    }
    return true;
}

bool Is(QStringView s, int pos, char16_t c) {
    return At(s, pos) == c;
}

bool OneOf(QStringView s, int pos, char16_t a, char16_t b) {
    const char16_t c = At(s, pos);
    return c == a || c == b;
}

int HexDigit(char16_t c) {
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    return -1;
}

const char16_t* const kKnownTypes[] = {u"$GPGGA", u"$GPGSA", u"$GPGSV",
                                       u"$GPZDA", u"$GPVTG", u"$GPRMC"};

int Percent(double share) {
    return static_cast<int>(std::floor(share * 100.0 + 1e-9));
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

std::optional<bool> GgaFits(QStringView line, Layout layout) {
    // hhmmss at 8-13; the CFGPS adds ".s" before the comma.
    if (Is(line, 8, u','))
        return std::nullopt;
    int p = 14;
    if (!Digits(line, 8, 6))
        return false;
    if (layout == Layout::Cfgps) {
        if (!Is(line, 14, u'.') || !Digits(line, 15, 1))
            return false;
        p = 16;
    }
    if (!Is(line, p, u','))
        return false;
    // Without a fix the position fields are empty: the time alone decides.
    if (Is(line, p + 1, u','))
        return true;
    const int lat = p + 1, lon = lat + 12;
    return Digits(line, lat, 4) && Is(line, lat + 4, u'.') && Digits(line, lat + 5, 4) &&
           Is(line, lat + 9, u',') && OneOf(line, lat + 10, u'N', u'S') &&
           Is(line, lat + 11, u',') && Digits(line, lon, 5) && Is(line, lon + 5, u'.') &&
           Digits(line, lon + 6, 4) && Is(line, lon + 10, u',') &&
           OneOf(line, lon + 11, u'E', u'W') && Is(line, lon + 12, u',');
}

std::optional<bool> GsvFits(QStringView line, Layout layout) {
    const int o = layout == Layout::Gt74 ? 1 : 0;
    if (!Digits(line, 8, 1) || !Is(line, 9, u',') || !Digits(line, 10, 1) || !Is(line, 11, u',') ||
        !Digits(line, 12, 1 + o))
        return false;
    using namespace gsv;
    for (int j = 0; j < kSlotsPerMessage; ++j) {
        const char16_t before = At(line, Pos(kBefore, o, j));
        if (before == u'*' || before == u'\r' || before == 0)
            return true; // the list ends
        if (before != u',')
            return false;
        if (!Digits(line, Pos(kNumber, o, j), 2) || !Is(line, Pos(kNumber, o, j) + 2, u',') ||
            !Digits(line, Pos(kElevation, o, j), 2) || !Is(line, Pos(kElevation, o, j) + 2, u',') ||
            !Digits(line, Pos(kAzimuth, o, j), 3) || !Is(line, Pos(kAzimuth, o, j) + 3, u','))
            return false;
        // A satellite not tracked has an empty SNR; the receiver then shortens the line, which
        // is its own field width, not a sign of the other layout: the rest is not judged.
        if (!Digits(line, Pos(kSnr, o, j), 2))
            return OneOf(line, Pos(kSnr, o, j), u',', u'*');
    }
    return true;
}

void StreamHealth::CountBytes(QStringView text) {
    bytes += static_cast<std::uint64_t>(text.size());
    for (const QChar ch : text) {
        const char16_t c = ch.unicode();
        if (c >= 0x7F || (c < 0x20 && c != u'\r' && c != u'\n'))
            ++garbageBytes;
    }
}

void StreamHealth::Count(QStringView type) {
    for (auto& [name, n] : types) {
        if (name == type) {
            ++n;
            return;
        }
    }
    if (types.size() < kMaxTypes - 1) {
        types.emplace_back(type.toString(), 1);
        return;
    }
    const QString other = QStringLiteral("(other)");
    if (types.size() < kMaxTypes)
        types.emplace_back(other, 0);
    ++types.back().second;
}

void StreamHealth::Line(QStringView line) {
    CountBytes(line);
    ++lines;
    QStringView body = line;
    while (!body.isEmpty() && (body.back() == u'\n' || body.back() == u'\r'))
        body.chop(1);
    if (body.isEmpty()) {
        ++blankLines;
        return;
    }

    // The type as the dispatcher splits it: up to the first comma or "*".
    qsizetype end = 0;
    while (end < body.size() && body[end] != u',' && body[end] != u'*')
        ++end;
    const QStringView type = body.first(end);
    Count(type);
    bool known = false;
    for (const char16_t* k : kKnownTypes)
        known = known || type == QStringView(k);
    if (!known)
        ++unknownType;

    // Checksum: XOR of everything between "$" and "*", two hex digits after the "*".
    const qsizetype star = body.lastIndexOf(u'*');
    const qsizetype dollar = body.indexOf(u'$');
    if (dollar < 0 || star < dollar || star + 3 > body.size()) {
        ++checksumMissing;
    } else {
        const int hi = HexDigit(body[star + 1].unicode()), lo = HexDigit(body[star + 2].unicode());
        if (hi < 0 || lo < 0) {
            ++checksumMissing;
        } else {
            unsigned sum = 0;
            for (qsizetype i = dollar + 1; i < star; ++i)
                sum ^= body[i].unicode();
            if (sum != static_cast<unsigned>(hi * 16 + lo))
                ++checksumBad;
        }
    }

    const bool gga = type == u"$GPGGA", gsv = type == u"$GPGSV";
    if (!gga && !gsv)
        return;
    const auto fit0 = gga ? GgaFits(body, Layout::Gt74) : GsvFits(body, Layout::Gt74);
    const auto fit1 = gga ? GgaFits(body, Layout::Cfgps) : GsvFits(body, Layout::Cfgps);
    if (!fit0 && !fit1)
        return;
    ++judged;
    fits[0] += fit0.value_or(false) ? 1 : 0;
    fits[1] += fit1.value_or(false) ? 1 : 0;
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

StreamHealth::Hint StreamHealth::Diagnose(QStringView tunerType) const {
    if (bytes >= kMinBytes && GarbageShare() >= kGarbageLimit)
        return Hint::WrongBaud;
    if (judged < kMinJudged || (tunerType != u"0" && tunerType != u"1"))
        return Hint::None;
    const Layout chosen = tunerType == u"0" ? Layout::Gt74 : Layout::Cfgps;
    const Layout other = chosen == Layout::Gt74 ? Layout::Cfgps : Layout::Gt74;
    if (FitShare(chosen) < 0.5 && FitShare(other) > 0.9)
        return Hint::WrongModel;
    return Hint::None;
}

QString StreamHealth::Verdict() const {
    QString v;
    const int p0 = Percent(FitShare(Layout::Gt74)), p1 = Percent(FitShare(Layout::Cfgps));
    if (judged == 0) {
        v = QStringLiteral("no GGA/GSV lines to judge the layout by");
    } else if (FitShare(Layout::Gt74) >= 0.9 && FitShare(Layout::Gt74) >= FitShare(Layout::Cfgps)) {
        v = QStringLiteral("fits GT-74/77 layout (%1 % of GGA/GSV lines); CFGPS layout %2 %")
                .arg(p0)
                .arg(p1);
    } else if (FitShare(Layout::Cfgps) >= 0.9) {
        v = QStringLiteral("fits CFGPS layout (%1 % of GGA/GSV lines); GT-74/77 layout %2 %")
                .arg(p1)
                .arg(p0);
    } else {
        v = QStringLiteral("fits neither layout: GT-74/77 %1 %, CFGPS %2 % of GGA/GSV lines")
                .arg(p0)
                .arg(p1);
    }
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
    o += "},\"unknown_type_lines\":" + QByteArray::number(unknownType);
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
    o += "},\"verdict\":";
    AppendJsonString(o, Verdict());
    o += '}';
    return o;
}

} // namespace velsor
