#pragma once
// Text helpers with the semantics the decoders rely on: 1-based positions, a "numeric value"
// that reads a leading number, and 16-bit conversions that round halves to even. Every helper
// that can fail returns std::optional so a caller can skip just that step.

#include <QString>
#include <QStringView>

#include <algorithm>
#include <cstdint>
#include <optional>

namespace velsor {

// Characters of s from 1-based position start, at most len of them. A start beyond the end
// gives an empty view; a start below 1 or a negative length is a failure.
std::optional<QStringView> Mid(QStringView s, qsizetype start, qsizetype len);
// The rest of s from 1-based position start.
std::optional<QStringView> Mid(QStringView s, qsizetype start);
// The first len characters; a negative length is a failure.
std::optional<QStringView> Left(QStringView s, qsizetype len);

// 1-based position of the first occurrence of what in s, 0 when absent.
qsizetype InStr(QStringView s, QStringView what);
qsizetype InStr(QStringView s, char16_t what);

// Leading number of a text: blanks skipped, optional sign, digits, optional decimal part.
// A text with no leading number is 0.
double Val(QStringView s);

// Round to the nearest integer, halves to the even neighbour; out of 16-bit range fails.
std::optional<std::int16_t> ToInt16(double v);
// ToInt16(Val(s)).
std::optional<std::int16_t> ValInt16(QStringView s);
// Whole-text conversion: optional blanks around an optionally signed decimal number. Anything
// else (empty text, trailing junk) fails.
std::optional<std::int16_t> StrictInt16(QStringView s);

// Assigns src to dst only when they differ, so unchanged captions cost no allocation; a
// changed one reuses dst's own buffer when it is unshared and large enough.
inline void Assign(QString& dst, QStringView src) {
    if (dst == src)
        return;
    const char16_t* buf = reinterpret_cast<const char16_t*>(dst.constData());
    const bool overlaps = src.utf16() >= buf && src.utf16() < buf + dst.capacity();
    if (dst.isDetached() && dst.capacity() >= src.size() && !overlaps) {
        dst.resize(src.size());
        std::copy(src.begin(), src.end(), dst.begin());
    } else {
        dst = src.toString();
    }
}
inline void Assign(QString& dst, const QString& src) {
    if (dst != src)
        dst = src;
}

// Decimal text of a 16-bit value, no leading blank.
QString NumText(std::int16_t v);

// The value of one hexadecimal digit of either case, or -1.
inline int HexDigit(char16_t c) {
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    return -1;
}

} // namespace velsor
