#pragma once
// The receiver's port over TCP (--source tcp://HOST:PORT): another instance sharing its NMEA, a
// phone or chart-plotter app serving it. The window drives it as its COM port: opening starts
// the connection without waiting for it, and a connection refused, not made in time or ended
// by the far side is reported as a lost device, as an unplugged receiver is.

#include "platform/platform.h"
#include "platform/serial_port.h"

#include <QTcpSocket>
#include <QTimer>

#include <memory>

namespace velsor::sharing {

class TcpSerialPort : public platform::SerialPort {
public:
    TcpSerialPort(QString host, quint16 port, int connectTimeoutMs = 5000);
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
    QByteArray ReadAll() override;
    int Write(QByteArrayView bytes) override;
    qint64 BytesQueued() const override;
    int CommEvent() const override { return lastEvent; }

    bool Connected() const { return socket.state() == QAbstractSocket::ConnectedState; }

private:
    void Raise(int event);
    void Lose();

    QString host;
    quint16 port;
    QTcpSocket socket;
    QTimer connectTimer;
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
    TcpSourcePortFactory(platform::SerialPortFactory& serial, QString host, quint16 port)
        : serial(serial), host(std::move(host)), port(port) {}
    std::unique_ptr<platform::SerialPort> Create() override { return serial.Create(); }
    std::vector<platform::PortInfo> AvailablePorts() override { return serial.AvailablePorts(); }
    std::unique_ptr<platform::SerialPort> CreateReceiverPort() override {
        return std::make_unique<TcpSerialPort>(host, port);
    }

private:
    platform::SerialPortFactory& serial;
    QString host;
    quint16 port;
};

} // namespace velsor::sharing
