#include "decoding/state_json.h"

#include "decoding/field_decoder.h"
#include "nav/basic_text.h"

#include <QStringList>

#include <cmath>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace velsor {

namespace {

class Writer {
public:
    explicit Writer(QByteArray& o) : out(o) {}

    void Str(QStringView s) {
        out += '"';
        for (QChar c : s) {
            const char16_t u = c.unicode();
            switch (u) {
            case u'"':
                out += "\\\"";
                break;
            case u'\\':
                out += "\\\\";
                break;
            case u'\n':
                out += "\\n";
                break;
            case u'\r':
                out += "\\r";
                break;
            case u'\t':
                out += "\\t";
                break;
            default:
                if (u < 0x20 || u == 0x7f) {
                    static const char* hex = "0123456789abcdef";
                    const char esc[] = {'\\', 'u', '0', '0', hex[u >> 4], hex[u & 15]};
                    out.append(esc, 6);
                } else if (u < 0x80) {
                    out += static_cast<char>(u);
                } else {
                    out += QStringView(&c, 1).toUtf8();
                }
            }
        }
        out += '"';
    }
    void Num(double v) {
        if (v == std::floor(v) && std::fabs(v) < 1e15)
            out += QByteArray::number(static_cast<qint64>(v));
        else
            out += QByteArray::number(v, 'g', 17);
    }
    void Bool(bool b) { out += b ? "true" : "false"; }
    void Null() {
        Sep();
        out += "null";
    }
    void Raw(const QByteArray& v) {
        Sep();
        out += v;
    }
    void Key(const char* k) {
        Sep();
        out += '"';
        out += k;
        out += "\":";
        first = true; // the value follows without a separator
    }
    void Open(char c) {
        Sep();
        out += c;
        first = true;
    }
    void Close(char c) {
        out += c;
        first = false;
    }
    // Separator before a value or key, except the first in its container.
    void Sep() {
        if (!first)
            out += ',';
        first = false;
    }
    void Value(QStringView s) {
        Sep();
        Str(s);
    }
    void Value(double v) {
        Sep();
        Num(v);
    }
    void ValueBool(bool b) {
        Sep();
        Bool(b);
    }

private:
    QByteArray& out;
    bool first = true;
};

QByteArray UtcText(int year, int month, int day, int ms) {
    return QByteArray::fromStdString([&] {
        char b[40];
        std::snprintf(b, sizeof b, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", year, month, day,
                      ms / 3'600'000, ms / 60'000 % 60, ms / 1000 % 60, ms % 1000);
        return std::string(b);
    }());
}

// " 35 度 41.1234 分 - N" or "139 度 ..." as the fixed-position decoders show it.
std::optional<double> Degrees(QStringView caption) {
    const QStringList w = caption.toString().split(u' ', Qt::SkipEmptyParts);
    if (w.size() != 6 || w[1] != u"度" || w[3] != u"分")
        return std::nullopt;
    bool okD = false, okM = false;
    const double d = w[0].toDouble(&okD), m = w[2].toDouble(&okM);
    if (!okD || !okM)
        return std::nullopt;
    const double v = d + m / 60;
    return (w[5] == u"S" || w[5] == u"W") ? -v : v;
}

} // namespace

FixSnapshot FixOf(const Nav& nav, const NAV_FORM& form) {
    FixSnapshot f;
    if (nav.TunerType == u"2") {
        const GnssState& g = nav.Gnss;
        // The date sentence may be of the second before midnight: the time is of the next day.
        if (const QDate d = DatePart(FixDay(g)); g.year > 0 && g.timeMs >= 0 && d.isValid())
            f.utc = UtcText(d.year(), d.month(), d.day(), g.timeMs);
        if (g.hasPosition) {
            f.lat = g.lat;
            f.lon = g.lon;
            if (g.hasAltitude)
                f.alt = g.altitude;
        }
        f.mode = g.mode;
        f.used = g.usedCount;
        f.inView = g.satCount;
        f.sats.assign(g.sats.begin(), g.sats.begin() + g.satCount);
        return f;
    }
    // The fixed-position models: what their decoders put on the window.
    const QStringList t = form.Label4[0].caption.split(u' ', Qt::SkipEmptyParts);
    if (nav.UtcDate != 0 && t.size() == 6) {
        bool okH = false, okM = false, okS = false;
        const int h = t[0].toInt(&okH), m = t[2].toInt(&okM), s = t[4].toInt(&okS);
        // The date sentence may be of the second before midnight: the time shown is of the next.
        const QDate d = DatePart(DayOfTime(nav.UtcDate, nav.UtcDateStamp, (h * 60 + m) * 60 + s));
        if (okH && okM && okS && d.isValid())
            f.utc = UtcText(d.year(), d.month(), d.day(), ((h * 60 + m) * 60 + s) * 1000);
    }
    f.lat = Degrees(form.Label3[0].caption);
    f.lon = Degrees(form.Label3[1].caption);
    if (!f.lat || !f.lon)
        f.lat = f.lon = std::nullopt;
    // The fixed positions have no place for the height: it is read by fields from the GGA.
    if (f.lat) {
        FieldDecoder::Fields gga;
        if (FieldDecoder::Split(nav.RawSentence[0], gga) && gga[10] == u"M") {
            bool ok = false;
            const double alt = gga[9].toDouble(&ok);
            if (ok)
                f.alt = alt;
        }
    }
    f.mode = nav.FixMode == u"3D" ? 3 : nav.FixMode == u"2D" ? 2 : 1;
    f.used = nav.SatsInUse;
    f.inView = nav.SatsInView;
    for (int i = 0; i < 8; ++i) {
        const auto prn = ValInt16(form.Label6[i].caption);
        if (form.Label6[i].caption == u"--" || !prn || *prn <= 0)
            continue;
        GnssSatellite s = FieldDecoder::Identify(GnssSystem::GPS, *prn);
        if (s.system == GnssSystem::None)
            continue;
        s.el = ValInt16(form.Label9[i].caption).value_or(-1);
        s.az = ValInt16(form.Label10[i].caption).value_or(-1);
        const double snr = std::round(form.dB1[i].width * 60.0 / 4335.0);
        s.snr = static_cast<std::int16_t>(snr > 0 ? snr : -1);
        s.used = form.Label6[i].bold;
        f.sats.push_back(s);
    }
    return f;
}

namespace {

void WriteFix(Writer& w, const FixSnapshot& f) {
    w.Open('{');
    w.Key("utc");
    if (f.utc.isEmpty())
        w.Null();
    else
        w.Raw('"' + f.utc + '"');
    w.Key("lat");
    f.lat ? w.Value(*f.lat) : w.Null();
    w.Key("lon");
    f.lon ? w.Value(*f.lon) : w.Null();
    w.Key("mode");
    w.Value(f.mode);
    w.Key("used");
    w.Value(f.used);
    w.Key("in_view");
    w.Value(f.inView);
    w.Key("satellites");
    w.Open('[');
    auto maybe = [&](int v) { v >= 0 ? w.Value(v) : w.Null(); };
    for (const GnssSatellite& s : f.sats) {
        w.Open('{');
        w.Key("system");
        w.Value(QString::fromLatin1(SystemName(s.system)));
        w.Key("prn");
        w.Value(s.prn);
        w.Key("el");
        maybe(s.el);
        w.Key("az");
        maybe(s.az);
        w.Key("snr");
        maybe(s.snr);
        w.Key("used");
        w.ValueBool(s.used);
        w.Close('}');
    }
    w.Close(']');
    w.Close('}');
}

} // namespace

void AppendStateJson(QByteArray& out, const Nav& nav, const NAV_FORM& form, std::uint64_t line,
                     QStringView type) {
    Writer w(out);
    w.Open('{');
    w.Key("line");
    w.Value(static_cast<double>(line));
    w.Key("type");
    w.Value(type);

    w.Key("state");
    w.Open('{');
    w.Key("TunerType");
    w.Value(nav.TunerType);
    w.Key("FixMode");
    w.Value(nav.FixMode);
    w.Key("SatsInView");
    w.Value(nav.SatsInView);
    w.Key("SatsInUse");
    w.Value(nav.SatsInUse);
    w.Key("UtcDate");
    w.Value(DateText(nav.UtcDate));
    w.Key("JstDateTime");
    w.Value(DateText(nav.JstDateTime));
    w.Key("UsedSatNo");
    w.Open('[');
    for (const auto& s : nav.UsedSatNo)
        w.Value(s);
    w.Close(']');
    w.Key("RawSentence");
    w.Open('[');
    for (const auto& s : nav.RawSentence)
        w.Value(s);
    w.Close(']');
    w.Key("ClockSetDone");
    w.Value(nav.ClockSetDone);
    w.Key("ClockSetWait");
    w.Value(nav.ClockSetWait);
    w.Key("SkyCenterX");
    w.Value(nav.SkyCenterX);
    w.Key("SkyCenterY");
    w.Value(nav.SkyCenterY);
    w.Key("SkyRadius");
    w.Value(nav.SkyRadius);
    w.Close('}');

    w.Key("form");
    w.Open('{');
    auto captions = [&](const char* key, const auto& labels) {
        w.Key(key);
        w.Open('[');
        for (const Label& l : labels)
            w.Value(l.caption);
        w.Close(']');
    };
    captions("Label16", form.Label16);
    captions("Label4", form.Label4);
    captions("Label3", form.Label3);
    w.Key("Label13");
    w.Value(form.Label13.caption);
    w.Key("Label2");
    w.Value(form.Label2.caption);
    w.Key("Label6");
    w.Open('[');
    for (const Label& l : form.Label6) {
        w.Open('{');
        w.Key("caption");
        w.Value(l.caption);
        w.Key("bold");
        w.ValueBool(l.bold);
        w.Key("left");
        w.Value(l.left);
        w.Close('}');
    }
    w.Close(']');
    captions("Label9", form.Label9);
    captions("Label10", form.Label10);
    w.Key("dB1");
    w.Open('[');
    for (const Shape& s : form.dB1) {
        w.Open('{');
        w.Key("width");
        w.Value(s.width);
        w.Key("fillColor");
        w.Value(ColorText(s.fillColor));
        w.Close('}');
    }
    w.Close(']');
    w.Key("Label15");
    w.Open('[');
    for (const Label& l : form.Label15) {
        w.Open('{');
        w.Key("caption");
        w.Value(l.caption);
        w.Key("visible");
        w.ValueBool(l.visible);
        w.Key("bold");
        w.ValueBool(l.bold);
        w.Key("left");
        w.Value(l.left);
        w.Key("top");
        w.Value(l.top);
        w.Key("backColor");
        w.Value(ColorText(l.backColor));
        w.Close('}');
    }
    w.Close(']');
    w.Key("Label14");
    w.Open('{');
    w.Key("caption");
    w.Value(form.Label14.caption);
    w.Key("backColor");
    w.Value(ColorText(form.Label14.backColor));
    w.Key("toolTip");
    w.Value(form.Label14.toolTip);
    w.Close('}');
    w.Close('}');
    w.Key("fix");
    WriteFix(w, FixOf(nav, form));
    w.Close('}');
}

} // namespace velsor
