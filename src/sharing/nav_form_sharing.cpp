#include "sharing/nav_form_sharing.h"

#include "main_window/nav_form.h"
#include "platform/dialogs.h"

#include <QHostInfo>

namespace velsor::sharing {

namespace {

void Say(platform::Dialogs& dialogs, const QString& text) {
    dialogs.MessageBox(text, platform::MsgButtons::Ok, platform::MsgIcon::Exclamation,
                       QString::fromLatin1(kProgramTitle));
}

} // namespace

QHostAddress ResolveListenAddress(const QString& host) {
    QHostAddress address;
    if (address.setAddress(host)) {
        // "::" takes IPv4 clients too, as it does for most servers: Qt would listen on IPv6
        // alone.
        if (address == QHostAddress(QHostAddress::AnyIPv6))
            return QHostAddress(QHostAddress::Any);
        return address;
    }
    const QList<QHostAddress> found = QHostInfo::fromName(host).addresses();
    for (const QHostAddress& a : found) {
        if (a.protocol() == QAbstractSocket::IPv4Protocol)
            return a;
    }
    return found.isEmpty() ? QHostAddress() : found.first();
}

QString ListenFailureMessage(const QString& where, QAbstractSocket::SocketError error,
                             const QString& detail) {
    QString why;
    switch (error) {
    case QAbstractSocket::AddressInUseError:
        why = QStringLiteral("このポートはほかのプログラムが使っています。");
        break;
    case QAbstractSocket::SocketAddressNotAvailableError:
        why = QStringLiteral("このアドレスはこのコンピュータのものではありません。");
        break;
    case QAbstractSocket::SocketAccessError:
        why = QStringLiteral("このポートを開く権限がありません。");
        break;
    case QAbstractSocket::HostNotFoundError:
        why = QStringLiteral("このアドレスが見つかりません。");
        break;
    default:
        why = detail;
        break;
    }
    return QStringLiteral("NMEA 共有を開始できません（%1）。\r\n%2\r\n共有せずにモニタを続けます。")
        .arg(where, why);
}

std::unique_ptr<NmeaShareServer> StartSharing(NAV_FORM& form, const ShareEndpoint& at,
                                              platform::Dialogs& dialogs, ShareLimits limits) {
    const QString where = EndpointText(at.host, at.port);
    const QHostAddress address = ResolveListenAddress(at.host);
    if (address.isNull()) {
        Say(dialogs, ListenFailureMessage(where, QAbstractSocket::HostNotFoundError, {}));
        return nullptr;
    }
    auto server = std::make_unique<NmeaShareServer>(limits);
    if (!server->Listen(address, at.port)) {
        Say(dialogs, ListenFailureMessage(where, server->Error(), server->ErrorString()));
        return nullptr;
    }
    NmeaShareServer* s = server.get();
    auto showClients = [&form, s] {
        const QString tip = SharingToolTip(s->Address().toString(), s->Port(), s->ClientCount());
        for (auto& lamp : form.Image1)
            lamp.toolTip = tip;
    };
    showClients();
    s->clientsChanged = [&form, showClients] {
        showClients();
        if (form.changed)
            form.changed();
    };
    form.onReceived = [s](QByteArrayView bytes) { s->Send(bytes); };
    return server;
}

std::unique_ptr<NmeaShareServer> StartSharing(NAV_FORM& form, const ShareArguments& option,
                                              platform::Dialogs& dialogs) {
    if (!option.requested)
        return nullptr;
    if (!option.endpoint) {
        Say(dialogs, BadValueMessage(option.badValue));
        return nullptr;
    }
    return StartSharing(form, *option.endpoint, dialogs);
}

} // namespace velsor::sharing
