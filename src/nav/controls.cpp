#include "nav/controls.h"
#include "nav/display_list.h"

namespace velsor {

QString ColorText(Rgb c) {
    static const char* hex = "0123456789abcdef";
    const char buf[8] = {'#',           hex[c.r >> 4], hex[c.r & 15], hex[c.g >> 4],
                         hex[c.g & 15], hex[c.b >> 4], hex[c.b & 15], 0};
    return QString::fromLatin1(buf, 7);
}

double EstimateTextWidth(const QString& text, double size) {
    // Japanese characters are square; Latin ones about half as wide in the faces used here.
    double w = 0;
    for (const QChar c : text)
        w += c.unicode() >= 0x2E80 ? size : 0.56 * size;
    return w;
}

} // namespace velsor
