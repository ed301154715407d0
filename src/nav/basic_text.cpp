#include "nav/basic_text.h"

#include <cmath>
#include <limits>

namespace velsor {

std::optional<QStringView> Mid(QStringView s, qsizetype start, qsizetype len) {
    if (start < 1 || len < 0)
        return std::nullopt;
    if (start > s.size())
        return QStringView();
    return s.mid(start - 1, std::min(len, s.size() - (start - 1)));
}

std::optional<QStringView> Mid(QStringView s, qsizetype start) {
    if (start < 1)
        return std::nullopt;
    if (start > s.size())
        return QStringView();
    return s.mid(start - 1);
}

std::optional<QStringView> Left(QStringView s, qsizetype len) {
    if (len < 0)
        return std::nullopt;
    return s.left(std::min(len, s.size()));
}

qsizetype InStr(QStringView s, QStringView what) {
    return s.indexOf(what) + 1;
}

qsizetype InStr(QStringView s, char16_t what) {
    return s.indexOf(QChar(what)) + 1;
}

namespace {

bool IsBlank(QChar c) {
    return c == u' ' || c == u'\t';
}

bool IsDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

// Parses [sign] digits [. digits] at s[i..]; returns the value and advances i. nullopt when
// no digit at all was found.
std::optional<double> ReadNumber(QStringView s, qsizetype& i) {
    double sign = 1.0;
    if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) {
        if (s[i] == u'-')
            sign = -1.0;
        ++i;
    }
    double value = 0.0;
    bool any = false;
    while (i < s.size() && IsDigit(s[i])) {
        value = value * 10.0 + (s[i].unicode() - u'0');
        any = true;
        ++i;
    }
    if (i < s.size() && s[i] == u'.') {
        qsizetype j = i + 1;
        double scale = 0.1;
        bool frac = false;
        while (j < s.size() && IsDigit(s[j])) {
            value += (s[j].unicode() - u'0') * scale;
            scale /= 10.0;
            frac = true;
            ++j;
        }
        if (frac || any) {
            i = j;
            any = any || frac;
        }
    }
    if (!any)
        return std::nullopt;
    return sign * value;
}

} // namespace

double Val(QStringView s) {
    qsizetype i = 0;
    while (i < s.size() && IsBlank(s[i]))
        ++i;
    return ReadNumber(s, i).value_or(0.0);
}

std::optional<std::int16_t> ToInt16(double v) {
    if (!std::isfinite(v))
        return std::nullopt;
    const double r = std::nearbyint(v); // default rounding mode: to nearest, ties to even
    if (r < std::numeric_limits<std::int16_t>::min() ||
        r > std::numeric_limits<std::int16_t>::max())
        return std::nullopt;
    return static_cast<std::int16_t>(r);
}

std::optional<std::int16_t> ValInt16(QStringView s) {
    return ToInt16(Val(s));
}

std::optional<std::int16_t> StrictInt16(QStringView s) {
    qsizetype i = 0;
    while (i < s.size() && IsBlank(s[i]))
        ++i;
    const auto v = ReadNumber(s, i);
    if (!v)
        return std::nullopt;
    while (i < s.size() && IsBlank(s[i]))
        ++i;
    if (i != s.size())
        return std::nullopt;
    return ToInt16(*v);
}

QString NumText(std::int16_t v) {
    return QString::number(v);
}

} // namespace velsor
