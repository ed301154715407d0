#include "sharing/source_option.h"

namespace velsor::sharing {

std::optional<SourceEndpoint> ParseSourceValue(const QString& text) {
    static const QString scheme = QStringLiteral("tcp://");
    if (!text.startsWith(scheme, Qt::CaseInsensitive))
        return std::nullopt;
    QString rest = text.mid(scheme.size());
    // Without a port the NMEA port is meant; the share parser reads "HOST:" that way.
    const bool bracketed = rest.startsWith(u'[');
    if (bracketed ? !rest.contains(QStringLiteral("]:")) : !rest.contains(u':'))
        rest += u':';
    const auto e = ParseShareValue(rest);
    if (!e || !e->hostNamed)
        return std::nullopt;
    return SourceEndpoint{e->host, e->port};
}

SourceArguments TakeSourceOption(std::vector<char*>& argv) {
    SourceArguments out;
    const QString option = QString::fromLatin1(kSourceOption);
    const QString withValue = option + u'=';
    std::vector<size_t> taken;
    for (size_t i = 1; i < argv.size(); ++i) {
        const QString a = QString::fromLocal8Bit(argv[i]);
        std::optional<QString> value;
        if (a == option) {
            taken.push_back(i);
            if (i + 1 < argv.size()) {
                value = QString::fromLocal8Bit(argv[++i]);
                taken.push_back(i);
            }
        } else if (a.startsWith(withValue)) {
            taken.push_back(i);
            value = a.mid(withValue.size());
        } else {
            out.rest << a;
            continue;
        }
        out.requested = true;
        out.endpoint = value ? ParseSourceValue(*value) : std::nullopt;
        out.badValue = out.endpoint ? QString() : value.value_or(QString());
    }
    for (auto it = taken.rbegin(); it != taken.rend(); ++it)
        argv.erase(argv.begin() + static_cast<std::ptrdiff_t>(*it));
    return out;
}

QString BadSourceMessage(const QString& value) {
    const QString how = QStringLiteral("--source tcp://ホスト:ポート（ポートは 1～65535）と指定して"
                                       "ください。\r\nCOM ポートから受信します。");
    if (value.isEmpty())
        return QStringLiteral("--source の後に受信元がありません。\r\n") + how;
    return QStringLiteral("受信元の指定「%1」が読めません。\r\n").arg(value) + how;
}

} // namespace velsor::sharing
