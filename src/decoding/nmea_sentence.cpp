#include "decoding/nmea_sentence.h"

#include "nav/basic_text.h"

namespace velsor::nmea {

bool Frame(QStringView line, Sentence& out) {
    out.count = 0;
    out.checksummed = out.checksumBad = false;
    out.text = QStringView();
    while (!line.isEmpty() && (line.back() == u'\n' || line.back() == u'\r'))
        line.chop(1);
    // The last "$" starts the sentence; then one pass: "," ends a field, "*" the body, and
    // the checksum is the XOR of the body.
    const qsizetype start = line.lastIndexOf(u'$');
    const char16_t* p = line.utf16();
    const qsizetype n = line.size();
    qsizetype fieldStart = start + 1, star = -1;
    char16_t sum = 0;
    int count = 0;
    for (qsizetype i = start < 0 ? n : start + 1; i < n; ++i) {
        const char16_t c = p[i];
        if (c == u'*') {
            star = i;
            break;
        }
        sum ^= c;
        if (c == u',') {
            if (count < Sentence::kMaxFields)
                out.f[count++] = QStringView(p + fieldStart, i - fieldStart);
            fieldStart = i + 1;
        }
    }
    if (start < 0 || n - start < 2)
        return false;
    const qsizetype end = star >= 0 ? star : n;
    if (count < Sentence::kMaxFields)
        out.f[count++] = QStringView(p + fieldStart, end - fieldStart);
    out.count = count;
    if (star >= 0) {
        if (n != star + 3)
            return false;
        const int hi = HexDigit(p[star + 1]), lo = HexDigit(p[star + 2]);
        if (hi < 0 || lo < 0)
            return false;
        out.checksummed = sum == hi * 16 + lo;
        out.checksumBad = !out.checksummed;
    }
    out.text = line.sliced(start);
    const QStringView address = out.f[0];
    if (address.isEmpty() || address.size() > 8)
        return false;
    for (QChar c : address) {
        const char16_t u = c.unicode();
        if (!(u >= u'A' && u <= u'Z') && !(u >= u'0' && u <= u'9'))
            return false;
    }
    return !out.checksumBad;
}

} // namespace velsor::nmea
