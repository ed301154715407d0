#include "sharing/tcp_serial_port.h"

namespace velsor::sharing {

namespace comm = platform::comm;

TcpSerialPort::TcpSerialPort(QString h, quint16 p, int connectTimeoutMs)
    : host(std::move(h)), port(p) {
    connectTimer.setSingleShot(true);
    connectTimer.setInterval(connectTimeoutMs);
    QObject::connect(&connectTimer, &QTimer::timeout, &socket, [this] { Lose(); });
    QObject::connect(&socket, &QTcpSocket::connected, &socket, [this] { connectTimer.stop(); });
    QObject::connect(&socket, &QTcpSocket::readyRead, &socket, [this] {
        if (open)
            Raise(comm::kEvReceive);
    });
    // Refused, host not found, unreachable, reset, closed by the far side: all one loss.
    QObject::connect(&socket, &QAbstractSocket::errorOccurred, &socket, [this] { Lose(); });
    QObject::connect(&socket, &QAbstractSocket::disconnected, &socket, [this] { Lose(); });
}

TcpSerialPort::~TcpSerialPort() {
    socket.disconnect();
    connectTimer.disconnect();
    socket.abort();
}

void TcpSerialPort::Raise(int event) {
    lastEvent = event;
    if (onComm)
        onComm();
}

void TcpSerialPort::Lose() {
    if (!open)
        return;
    // Outside the socket's signal: the handler closes the port and may show a message box.
    QTimer::singleShot(0, &socket, [this, g = generation] {
        if (!open || g != generation)
            return;
        // What arrived before the far side closed is still the receiver's.
        if (socket.bytesAvailable() > 0)
            Raise(comm::kEvReceive);
        if (!open || g != generation)
            return;
        Close();
        Raise(comm::kEvDeviceLost);
    });
}

int TcpSerialPort::SetCommPort(int n) {
    if (open)
        return comm::kPortAlreadyOpen;
    if (n < 1 || n > 255)
        return comm::kInvalidProperty;
    number = n;
    return comm::kOk;
}

int TcpSerialPort::SetSettings(const QString& text) {
    settings = text;
    return comm::kOk;
}

int TcpSerialPort::Open() {
    if (open)
        return comm::kPortAlreadyOpen;
    socket.abort();
    open = true;
    ++generation;
    connectTimer.start();
    socket.connectToHost(host, port);
    return comm::kOk;
}

void TcpSerialPort::Close() {
    open = false;
    ++generation;
    connectTimer.stop();
    socket.abort();
}

QByteArray TcpSerialPort::ReadAll() {
    return open ? socket.readAll() : QByteArray();
}

int TcpSerialPort::Write(QByteArrayView bytes) {
    if (!open)
        return comm::kPortNotOpen;
    if (socket.write(bytes.data(), bytes.size()) != bytes.size())
        return comm::kWriteFailed;
    return comm::kOk;
}

qint64 TcpSerialPort::BytesQueued() const {
    return open ? socket.bytesToWrite() : 0;
}

} // namespace velsor::sharing
