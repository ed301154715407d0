#include "nav/controls.h"

namespace velsor {

QString ColorText(Rgb c) {
    static const char* hex = "0123456789abcdef";
    const char buf[8] = {'#',           hex[c.r >> 4], hex[c.r & 15], hex[c.g >> 4],
                         hex[c.g & 15], hex[c.b >> 4], hex[c.b & 15], 0};
    return QString::fromLatin1(buf, 7);
}

} // namespace velsor
