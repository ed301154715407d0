#pragma once
// The receiver's port over TCP (--source tcp://HOST:PORT): another instance sharing its NMEA, a
// phone or chart-plotter app serving it. The window drives it as its COM port: opening starts
// the connection without waiting for it, and a connection refused, not made in time, ended by
// the far side or gone silent underneath (keep-alive) is reported as a lost device, as an
// unplugged receiver is. A far end that is there but sends nothing is reported once per
// silence (kEvNoData), the link kept.

#include "platform/platform.h"
#include "platform/serial_port.h"

#include <QTcpSocket>
#include <QTimer>

#include <memory>

namespace velsor::sharing {

class TcpSerialPort : public platform::SerialPort {
public:
    // What one receive event hands over, and the most the socket holds for the window: a burst
    // (a share server catching up) waits in the kernel, where TCP holds the sender back, and
    // the window turns between reads instead of decoding megabytes in one go.
    static constexpr qint64 kReadChunk = 64 * 1024;
    static constexpr qint64 kReadBuffer = 256 * 1024;
    // A connected far end that sends nothing for this long is said to (kEvNoData).
    static constexpr int kSilenceMs = 10'000;
    // Keep-alive: after this many seconds without a packet the far end is probed, every
    // kKeepAliveIntervalS, and taken for gone after kKeepAliveProbes unanswered probes (about
    // 25 s after its last packet).
    static constexpr int kKeepAliveIdleS = 10;
    static constexpr int kKeepAliveIntervalS = 5;
    static constexpr int kKeepAliveProbes = 3;

    TcpSerialPort(QString host, quint16 port, int connectTimeoutMs = 5000,
                  int silenceMs = kSilenceMs);
    ~TcpSerialPort() override;

    // The port number and line settings mean nothing on a network link; they are kept so the
    // window's steps succeed and fail as they do on a COM port.
    int SetCommPort(int number) override;
    int CommPort() const override { return number; }
    int SetSettings(const QString& text) override;
    QString Settings() const override { return settings; }

    // Starts connecting and returns at once; until connected, output waits in the socket.
    int Open() override;
    void Close() override;
    bool IsOpen() const override { return open; }
    // Up to kReadChunk bytes; the rest comes with the next receive event, raised from the
    // event loop.
    QByteArray ReadAll() override;
    int Write(QByteArrayView bytes) override;
    qint64 BytesQueued() const override;
    int CommEvent() const override { return lastEvent; }
    bool HasLineSpeed() const override { return false; }

    bool Connected() const { return socket.state() == QAbstractSocket::ConnectedState; }

private:
    void Raise(int event);
    void Lose();
    void KeepAlive();

    QString host;
    quint16 port;
    QTcpSocket socket;
    QTimer connectTimer;
    QTimer silenceTimer;
    QTimer moreTimer; // the rest of what waits, at the event loop's next turn
    int number = 1;
    QString settings = QStringLiteral("9600,n,8,1");
    int lastEvent = 0;
    bool open = false;
    unsigned generation = 0; // a loss noticed for an earlier connection is ignored
};

// The serial-port factory of the program when --source is given: the receiver's port is the
// TCP link, every other port (the forwarding output) still a COM port.
class TcpSourcePortFactory : public platform::SerialPortFactory {
public:
    TcpSourcePortFactory(platform::SerialPortFactory& serial, QString host, quint16 port,
                         int silenceMs = TcpSerialPort::kSilenceMs)
        : serial(serial), host(std::move(host)), port(port), silenceMs(silenceMs) {}
    std::unique_ptr<platform::SerialPort> Create() override { return serial.Create(); }
    std::vector<platform::PortInfo> AvailablePorts() override { return serial.AvailablePorts(); }
    std::unique_ptr<platform::SerialPort> CreateReceiverPort() override {
        return std::make_unique<TcpSerialPort>(host, port, 5000, silenceMs);
    }

private:
    platform::SerialPortFactory& serial;
    QString host;
    quint16 port;
    int silenceMs;
};

} // namespace velsor::sharing
