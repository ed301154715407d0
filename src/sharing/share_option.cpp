#include "sharing/share_option.h"

namespace velsor::sharing {

namespace {

std::optional<quint16> ParsePort(QStringView text) {
    if (text.isEmpty())
        return kDefaultSharePort;
    for (QChar c : text) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
    }
    bool ok = false;
    const uint value = text.toUInt(&ok);
    if (!ok || value < 1 || value > 65535)
        return std::nullopt;
    return static_cast<quint16>(value);
}

} // namespace

std::optional<ShareEndpoint> ParseShareValue(const QString& text) {
    ShareEndpoint e;
    e.host = QStringLiteral("127.0.0.1");
    QStringView host, port;
    if (text.startsWith(u'[')) {
        // A bracketed IPv6 address, as in URLs: [::1]:10110.
        const qsizetype close = text.indexOf(u']');
        if (close < 2 || (close + 1 < text.size() && text[close + 1] != u':'))
            return std::nullopt;
        host = QStringView(text).sliced(1, close - 1);
        port = close + 2 <= text.size() ? QStringView(text).sliced(close + 2) : QStringView();
    } else {
        const qsizetype colon = text.lastIndexOf(u':');
        if (colon < 0) {
            port = text;
            if (port.isEmpty())
                return std::nullopt; // "--share-nmea" with an empty value is a slip
        } else {
            host = QStringView(text).first(colon);
            port = QStringView(text).sliced(colon + 1);
            // Unbracketed IPv6 would be ambiguous with the port.
            if (host.contains(u':'))
                return std::nullopt;
        }
    }
    const auto p = ParsePort(port);
    if (!p)
        return std::nullopt;
    e.port = *p;
    if (!host.isEmpty()) {
        // No name holds blanks, line breaks or other control characters, nor a path.
        for (const QChar c : host) {
            if (c.unicode() <= u' ' || c.unicode() == 0x7F || c == u'/')
                return std::nullopt;
        }
        e.host = host.toString();
        e.hostNamed = true;
    }
    return e;
}

ShareArguments TakeShareOption(const QStringList& arguments) {
    ShareArguments out;
    const QString option = QString::fromLatin1(kShareOption);
    const QString withValue = option + u'=';
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        std::optional<QString> value;
        if (a == option) {
            out.requested = true;
            out.takenAt.push_back(i);
            if (i + 1 < arguments.size()) {
                value = arguments[++i];
                out.takenAt.push_back(i);
            }
        } else if (a.startsWith(withValue)) {
            out.requested = true;
            out.takenAt.push_back(i);
            value = a.mid(withValue.size());
        } else {
            out.rest << a;
            continue;
        }
        out.endpoint = value ? ParseShareValue(*value) : std::nullopt;
        out.badValue = out.endpoint ? QString() : value.value_or(QString());
    }
    return out;
}

ShareArguments TakeShareOption(std::vector<char*>& argv) {
    QStringList arguments;
    for (size_t i = 1; i < argv.size(); ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    ShareArguments out = TakeShareOption(arguments);
    for (auto it = out.takenAt.rbegin(); it != out.takenAt.rend(); ++it)
        argv.erase(argv.begin() + 1 + *it);
    return out;
}

QString EndpointText(const QString& host, quint16 port) {
    const QString h = host.contains(u':') ? u'[' + host + u']' : host;
    return h + u':' + QString::number(port);
}

QString SharingToolTip(const QString& host, quint16 port, int clients) {
    return QStringLiteral("NMEA 共有中：%1（接続 %2）").arg(EndpointText(host, port)).arg(clients);
}

QString BadValueMessage(const QString& value) {
    if (value.isEmpty())
        return QStringLiteral(
            "--share-nmea の後にポートがありません。\r\n"
            "--share-nmea [アドレス:]ポート（ポートは 1～65535）と指定してください。"
            "\r\n共有せずに続けます。");
    return QStringLiteral("NMEA 共有の指定「%1」が読めません。\r\n"
                          "--share-nmea [アドレス:]ポート（ポートは 1～65535）と指定してください。"
                          "\r\n共有せずに続けます。")
        .arg(value);
}

} // namespace velsor::sharing
