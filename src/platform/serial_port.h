#pragma once
// A serial port as the program drives it: a port number, a line-settings text such as
// "4800,n,8,1", open and close, all waiting input as raw bytes, output, and a communication
// event. Operations that fail return a numeric error code; 0 is success.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <functional>
#include <optional>

namespace velsor::platform {

namespace comm {
// Error codes.
inline constexpr int kOk = 0;
inline constexpr int kTypeMismatch = 13;        // a port number that is not a number
inline constexpr int kInvalidProperty = 380;    // a port number or settings text out of range
inline constexpr int kInvalidPortNumber = 8002; // no such device
inline constexpr int kPortAlreadyOpen = 8005;   // open already, or in use elsewhere
inline constexpr int kCannotSetState = 8015;    // the device refused the line settings
inline constexpr int kPortNotOpen = 8012;
inline constexpr int kWriteFailed = 8020;
// Event codes.
inline constexpr int kEvReceive = 2;
inline constexpr int kEvDeviceLost = 1012; // the device went away; the port has been closed
inline constexpr int kEvNoData = 1013;     // a link that is up has brought nothing for a while
} // namespace comm

// A serial port of this machine by the name its system gives it, and what the system says of
// it: "COM7" and "u-blox GNSS receiver (COM7)"; "/dev/serial/by-id/usb-…-if00" and
// "usb-…-if00 (ttyACM0)". The description may be empty.
struct PortInfo {
    QString name;
    QString description;
    bool operator==(const PortInfo&) const = default;
};

// The longest port name the settings keep; a by-id name is about a hundred characters.
inline constexpr qsizetype kMaxPortName = 1024;
// "COM1" to "COM255" (any case, no leading zero) as its number.
std::optional<int> ComPortNumber(QStringView name);
// A name as a message shows it: control characters as "?", one longer than `most` cut in the
// middle.
QString ShownPortName(const QString& name, qsizetype most = 60);

class SerialPort {
public:
    virtual ~SerialPort() = default;

    // Refused with kPortAlreadyOpen while open; kInvalidProperty below 1 or above 255.
    virtual int SetCommPort(int number) = 0;
    virtual int CommPort() const = 0;
    // The port by its system name instead of its number, until SetCommPort is called again.
    // kPortAlreadyOpen while open; kInvalidPortNumber for a name this system cannot have. A
    // port that is no device (a network link) takes any name and goes on as it was.
    virtual int SetPortName(const QString& name) {
        (void)name;
        return IsOpen() ? comm::kPortAlreadyOpen : comm::kOk;
    }
    // "baud,parity,data,stop", e.g. "9600,n,8,1"; kInvalidProperty when malformed.
    virtual int SetSettings(const QString& settings) = 0;
    virtual QString Settings() const = 0;

    virtual int Open() = 0;
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;

    // The bytes waiting, exactly once and in order. A port may hand a large backlog over in
    // parts: it then raises another receive event for the rest from the event loop.
    virtual QByteArray ReadAll() = 0;
    // Output is queued and leaves as the device takes it; a write that fails later, at the
    // device, raises kEvDeviceLost.
    virtual int Write(QByteArrayView bytes) = 0;
    // Bytes written but not yet taken by the device.
    virtual qint64 BytesQueued() const { return 0; }

    // The line settings' speed is the line's: bytes read at the wrong speed turn to garbage. A
    // network link has none.
    virtual bool HasLineSpeed() const { return true; }

    // The last communication event; onComm is called for each one.
    virtual int CommEvent() const = 0;
    std::function<void()> onComm;
    // Set before opening: the port is opened for output only, so whatever arrives on it stays
    // with the device instead of piling up in the program.
    bool outputOnly = false;
};

} // namespace velsor::platform
