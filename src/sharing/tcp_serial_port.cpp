#include "sharing/tcp_serial_port.h"

#if defined(Q_OS_LINUX)
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#endif

namespace velsor::sharing {

namespace comm = platform::comm;

TcpSerialPort::TcpSerialPort(QString h, quint16 p, int connectTimeoutMs, int silenceMs)
    : host(std::move(h)), port(p) {
    connectTimer.setSingleShot(true);
    connectTimer.setInterval(connectTimeoutMs);
    silenceTimer.setSingleShot(true);
    silenceTimer.setInterval(silenceMs);
    moreTimer.setSingleShot(true);
    moreTimer.setInterval(0);
    socket.setReadBufferSize(kReadBuffer);
    QObject::connect(&connectTimer, &QTimer::timeout, &socket, [this] { Lose(); });
    QObject::connect(&socket, &QTcpSocket::connected, &socket, [this] {
        connectTimer.stop();
        KeepAlive();
        silenceTimer.start();
    });
    QObject::connect(&socket, &QTcpSocket::readyRead, &socket, [this] {
        if (!open)
            return;
        silenceTimer.start();
        Raise(comm::kEvReceive);
    });
    QObject::connect(&moreTimer, &QTimer::timeout, &socket, [this] {
        if (open && socket.bytesAvailable() > 0)
            Raise(comm::kEvReceive);
    });
    // Once per silence: the timer starts again with the next bytes.
    QObject::connect(&silenceTimer, &QTimer::timeout, &socket, [this] {
        if (open && Connected())
            Raise(comm::kEvNoData);
    });
    // Refused, host not found, unreachable, reset, closed by the far side, keep-alive
    // unanswered: all one loss.
    QObject::connect(&socket, &QAbstractSocket::errorOccurred, &socket, [this] { Lose(); });
    QObject::connect(&socket, &QAbstractSocket::disconnected, &socket, [this] { Lose(); });
}

TcpSerialPort::~TcpSerialPort() {
    socket.disconnect();
    connectTimer.disconnect();
    silenceTimer.disconnect();
    moreTimer.disconnect();
    socket.abort();
}

void TcpSerialPort::Raise(int event) {
    lastEvent = event;
    if (onComm)
        onComm();
}

void TcpSerialPort::KeepAlive() {
    socket.setSocketOption(QAbstractSocket::KeepAliveOption, 1);
#if defined(Q_OS_LINUX)
    // The system's own idle time before the first probe is two hours.
    const int fd = static_cast<int>(socket.socketDescriptor());
    const int idle = kKeepAliveIdleS, interval = kKeepAliveIntervalS, probes = kKeepAliveProbes;
    setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &idle, sizeof idle);
    setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &interval, sizeof interval);
    setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &probes, sizeof probes);
#endif
}

void TcpSerialPort::Lose() {
    if (!open)
        return;
    // Outside the socket's signal: the handler closes the port and may show a message box.
    // What arrived before the far side closed is still the receiver's, read a chunk per turn
    // of the event loop.
    struct Finish {
        TcpSerialPort* port;
        unsigned g;
        void operator()() const {
            TcpSerialPort& p = *port;
            if (!p.open || g != p.generation)
                return;
            if (p.socket.bytesAvailable() > 0) {
                p.Raise(comm::kEvReceive);
                if (!p.open || g != p.generation)
                    return;
                if (p.socket.bytesAvailable() > 0) {
                    QTimer::singleShot(0, &p.socket, *this);
                    return;
                }
            }
            p.Close();
            p.Raise(comm::kEvDeviceLost);
        }
    };
    QTimer::singleShot(0, &socket, Finish{this, generation});
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
    silenceTimer.stop();
    moreTimer.stop();
    socket.abort();
}

QByteArray TcpSerialPort::ReadAll() {
    if (!open)
        return QByteArray();
    QByteArray bytes = socket.read(kReadChunk);
    if (!bytes.isEmpty() && Connected())
        silenceTimer.start();
    if (socket.bytesAvailable() > 0)
        moreTimer.start();
    return bytes;
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
