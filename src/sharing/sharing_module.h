#pragma once

#include "sharing/share_option.h"

#include <QString>

#include <memory>

namespace velsor {
class NAV_FORM;
namespace platform {
class Dialogs;
class SerialPortFactory;
} // namespace platform
} // namespace velsor

namespace velsor::sharing {

// What the program uses of its network code. On Linux it is a module of its own
// (velsor-sharing.so beside the program), loaded only when --share-nmea or --source asks for
// it: Qt Network and what it brings in (Kerberos, libproxy) would otherwise cost every start
// about a megabyte. The Windows build has it built in.
class SharingModule {
public:
    virtual ~SharingModule() = default;
    // The running server, or null when it did not start (the reason has been said).
    virtual std::shared_ptr<void> StartSharing(NAV_FORM& form, const ShareArguments& option,
                                               platform::Dialogs& dialogs) = 0;
    // Ports that read the receiver from host:port and open every other port on `serial`.
    virtual std::unique_ptr<platform::SerialPortFactory>
    TcpSourcePorts(platform::SerialPortFactory& serial, const QString& host, quint16 port) = 0;
};

// The module, loaded on first use and kept; null when it cannot be loaded (*why says why).
SharingModule* LoadSharingModule(QString* why = nullptr);

// The message for a module that could not be loaded.
QString ModuleMissingMessage(const QString& why);

} // namespace velsor::sharing

// The module's one symbol; the number changes with SharingModule, so that a module left from
// another build is refused rather than called through the wrong table.
extern "C" velsor::sharing::SharingModule* velsor_sharing_module_1();
