#pragma once
// The outside world as the window models see it.

#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/program.h"
#include "platform/serial_port.h"

#include <memory>
#include <vector>

namespace velsor::platform {

class SerialPortFactory {
public:
    virtual ~SerialPortFactory() = default;
    virtual std::unique_ptr<SerialPort> Create() = 0;
    // The port the receiver is read from; a factory may put it elsewhere than a COM port.
    virtual std::unique_ptr<SerialPort> CreateReceiverPort() { return Create(); }
    // The serial ports this machine has now, in the order a list shows them; empty where the
    // system cannot tell.
    virtual std::vector<PortInfo> AvailablePorts() { return {}; }
};

struct Platform {
    Clock& clock;
    Dialogs& dialogs;
    Program& program;
    SerialPortFactory& serialPorts;
};

} // namespace velsor::platform
