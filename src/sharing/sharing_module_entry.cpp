// The network half of the program as a module: the one symbol the program looks up.

#include "sharing/nav_form_sharing.h"
#include "sharing/sharing_module.h"
#include "sharing/tcp_serial_port.h"

namespace velsor::sharing {
namespace {

class NetworkSharing : public SharingModule {
public:
    std::shared_ptr<void> StartSharing(NAV_FORM& form, const ShareArguments& option,
                                       platform::Dialogs& dialogs) override {
        return sharing::StartSharing(form, option, dialogs);
    }
    std::unique_ptr<platform::SerialPortFactory> TcpSourcePorts(platform::SerialPortFactory& serial,
                                                                const QString& host,
                                                                quint16 port) override {
        return std::make_unique<TcpSourcePortFactory>(serial, host, port);
    }
};

} // namespace
} // namespace velsor::sharing

extern "C" Q_DECL_EXPORT velsor::sharing::SharingModule* velsor_sharing_module_1() {
    static velsor::sharing::NetworkSharing module;
    return &module;
}
