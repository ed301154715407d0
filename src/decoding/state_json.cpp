#include "decoding/state_json.h"

#include <cmath>

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
    w.Close('}');
}

} // namespace velsor
