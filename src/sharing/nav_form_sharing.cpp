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

namespace {

// "::" takes IPv4 clients too, as it does for most servers: Qt would listen on IPv6 alone.
QHostAddress DualStack(const QHostAddress& address) {
    return address == QHostAddress(QHostAddress::AnyIPv6) ? QHostAddress(QHostAddress::Any)
                                                          : address;
}

// Of the addresses a name has, the first IPv4 one.
QHostAddress Preferred(const QList<QHostAddress>& found) {
    for (const QHostAddress& a : found) {
        if (a.protocol() == QAbstractSocket::IPv4Protocol)
            return a;
    }
    return found.isEmpty() ? QHostAddress() : found.first();
}

} // namespace

QHostAddress ResolveListenAddress(const QString& host) {
    QHostAddress address;
    if (address.setAddress(host))
        return DualStack(address);
    return Preferred(QHostInfo::fromName(host).addresses());
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

namespace {

// Listens at the address and feeds the server from the window; says why when it cannot.
bool ListenAndFeed(NAV_FORM& form, NmeaShareServer& s, const QHostAddress& address,
                   const ShareEndpoint& at, platform::Dialogs& dialogs) {
    const QString where = EndpointText(at.host, at.port);
    if (address.isNull()) {
        Say(dialogs, ListenFailureMessage(where, QAbstractSocket::HostNotFoundError, {}));
        return false;
    }
    if (!s.Listen(address, at.port)) {
        Say(dialogs, ListenFailureMessage(where, s.Error(), s.ErrorString()));
        return false;
    }
    auto showClients = [&form, &s] {
        const QString tip = SharingToolTip(s.Address().toString(), s.Port(), s.ClientCount());
        for (auto& lamp : form.Image1)
            lamp.toolTip = tip;
    };
    showClients();
    s.clientsChanged = [&form, showClients] {
        showClients();
        if (form.changed)
            form.changed();
    };
    form.onReceived = [&s](QByteArrayView bytes) { s.Send(bytes); };
    if (form.changed)
        form.changed();
    return true;
}

} // namespace

std::unique_ptr<NmeaShareServer> StartSharing(NAV_FORM& form, const ShareEndpoint& at,
                                              platform::Dialogs& dialogs, ShareLimits limits) {
    auto server = std::make_unique<NmeaShareServer>(limits);
    QHostAddress address;
    if (address.setAddress(at.host)) {
        if (!ListenAndFeed(form, *server, DualStack(address), at, dialogs))
            return nullptr;
        return server;
    }
    // A slow resolver holds nothing up: the window shows and monitors meanwhile.
    NmeaShareServer* s = server.get();
    s->LookUp(at.host, [&form, s, at, &dialogs](const QList<QHostAddress>& found) {
        ListenAndFeed(form, *s, Preferred(found), at, dialogs);
    });
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
