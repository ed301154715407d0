#pragma once
// Serial ports on the Win32 communications API (\\.\COMn). A worker thread blocks in ReadFile
// with short timeouts and posts what arrives to the object's thread, so the window never waits
// on the device; a second worker writes, so output is queued like QSerialPort's.

#include "platform/platform.h"
#include "platform/serial_port.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace velsor::platform {

// A settings text as the DCB takes it: baud, data bits, and the Win32 parity and stop-bit
// codes (NOPARITY ..., ONESTOPBIT ...). Empty when the text is malformed.
struct WinLineSettings {
    std::uint32_t baud = 9600;
    std::uint8_t dataBits = 8;
    std::uint8_t parity = 0;
    std::uint8_t stopBits = 0;
    bool operator==(const WinLineSettings&) const = default;
};
std::optional<WinLineSettings> ParseWinLineSettings(const QString& text);

// \\.\COMn: the form that reaches every port, COM10 and above included.
QString WinDevicePath(int number);

// The COM ports the system has now (HARDWARE\DEVICEMAP\SERIALCOMM), in number order, each
// described by its device's friendly name where Plug and Play knows one ("u-blox GNSS receiver
// (COM7)").
std::vector<PortInfo> ListComPorts();
// How the list shows port n: the friendly name, with "(COMn)" after it unless it has it already;
// empty without one.
QString ComPortDescription(int number, const QString& friendlyName);

// What ReadFile's timeouts are: return 50 ms after the last byte of a burst, or after 500 ms
// with nothing, so the reader notices a close within half a second.
inline constexpr unsigned long kReadIntervalMs = 50;
inline constexpr unsigned long kReadTotalMs = 500;

class WinSerialPort : public QObject, public SerialPort {
    Q_OBJECT
public:
    WinSerialPort();
    ~WinSerialPort() override;

    int SetCommPort(int number) override;
    int CommPort() const override { return number; }
    // "COM1" to "COM255"; any other name is no port here (kInvalidPortNumber).
    int SetPortName(const QString& name) override;
    int SetSettings(const QString& settings) override;
    QString Settings() const override { return settings; }
    int Open() override;
    void Close() override;
    bool IsOpen() const override { return handle != nullptr; }
    QByteArray ReadAll() override;
    int Write(QByteArrayView bytes) override;
    qint64 BytesQueued() const override;
    int CommEvent() const override { return lastEvent; }

    // State shared with the worker threads of one opening; they keep it alive while they run.
    struct Link;

private:
    bool ApplySettings();
    void Deliver(std::uint64_t generation);
    void Lose(std::uint64_t generation);
    void Raise(int event);

    void* handle = nullptr; // HANDLE; null when closed
    std::shared_ptr<Link> link;
    std::thread reader, writer;
    std::uint64_t generation = 0;
    QByteArray received;
    int number = 1;
    QString settings = QStringLiteral("9600,n,8,1");
    int lastEvent = 0;
};

class WinSerialPortFactory : public SerialPortFactory {
public:
    std::unique_ptr<SerialPort> Create() override;
    std::vector<PortInfo> AvailablePorts() override { return ListComPorts(); }
};

} // namespace velsor::platform
