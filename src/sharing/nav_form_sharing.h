#pragma once
// Sharing the main window's received bytes: the server fed from the receive event, and the
// reception lamp's tooltip that tells the user it runs.

#include "sharing/nmea_share_server.h"
#include "sharing/share_option.h"

#include <memory>

namespace velsor {
class NAV_FORM;
namespace platform {
class Dialogs;
}
} // namespace velsor

namespace velsor::sharing {

// The address to listen on: an IP address as it stands, a host name looked up (IPv4 first).
// Null when the name cannot be found. The lookup waits: for tools, not the window.
QHostAddress ResolveListenAddress(const QString& host);

// Why listening failed, in the user's words.
QString ListenFailureMessage(const QString& where, QAbstractSocket::SocketError error,
                             const QString& detail);

// Listens and feeds the server from the window's receive event. When that cannot be done,
// says why in a message box and returns null; the monitor runs on without sharing. A host name
// is looked up without holding the window: the server listens once it is found, and a name
// not found is said then.
std::unique_ptr<NmeaShareServer> StartSharing(NAV_FORM& form, const ShareEndpoint& at,
                                              platform::Dialogs& dialogs, ShareLimits limits = {});

// The whole option as the program takes it: a bad value or a failed start is reported.
std::unique_ptr<NmeaShareServer> StartSharing(NAV_FORM& form, const ShareArguments& option,
                                              platform::Dialogs& dialogs);

} // namespace velsor::sharing
