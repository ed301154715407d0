#pragma once
// The outside world as the window models see it.

#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/program.h"
#include "platform/serial_port.h"

#include <memory>

namespace velsor::platform {

class SerialPortFactory {
public:
    virtual ~SerialPortFactory() = default;
    virtual std::unique_ptr<SerialPort> Create() = 0;
};

struct Platform {
    Clock& clock;
    Dialogs& dialogs;
    Program& program;
    SerialPortFactory& serialPorts;
};

} // namespace velsor::platform
