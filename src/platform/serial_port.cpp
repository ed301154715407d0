#include "platform/serial_port.h"

namespace velsor::platform {

std::optional<int> ComPortNumber(QStringView name) {
    if (name.size() < 4 || name.size() > 6 || !name.startsWith(u"COM", Qt::CaseInsensitive) ||
        name[3] == u'0')
        return std::nullopt;
    int n = 0;
    for (QChar c : name.mid(3)) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        n = n * 10 + (c.unicode() - u'0');
    }
    if (n < 1 || n > 255)
        return std::nullopt;
    return n;
}

QString ShownPortName(const QString& name, qsizetype most) {
    QString out =
        name.size() <= most ? name : name.left((most - 1) / 2) + u'…' + name.right(most / 2);
    for (QChar& c : out) {
        if (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format ||
            c.isSurrogate())
            c = u'?';
    }
    return out;
}

} // namespace velsor::platform
