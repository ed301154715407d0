#pragma once
// The serial ports of the system the program runs on: QSerialPort, or in the Windows build
// (which has no Qt Serial Port) the Win32 communications API.

#include "platform/platform.h"

#include <QString>

#include <memory>

namespace velsor::platform {

std::unique_ptr<SerialPortFactory> SystemSerialPorts(const QString& programDirectory);

} // namespace velsor::platform
