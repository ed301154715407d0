#pragma once
// A TCP client on plain sockets, outside Qt's buffering: it reads only when told to, so a test
// can play a client that keeps up, one that lags and one that never reads.

#include <QByteArray>
#include <QTcpServer>

#include <arpa/inet.h>
#include <fcntl.h>
#include <linux/tcp.h> // tcp_info with the segment counts
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace velsor::testing {

// A port nobody listens on just now.
inline quint16 FreePort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

class RawClient {
public:
    // receiveBuffer > 0 shrinks the kernel's receive buffer before connecting.
    explicit RawClient(quint16 port, int receiveBuffer = 0)
        : fd(::socket(AF_INET, SOCK_STREAM, 0)) {
        if (receiveBuffer > 0)
            ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
        sockaddr_in a{.sin_family = AF_INET,
                      .sin_port = htons(port),
                      .sin_addr = {htonl(INADDR_LOOPBACK)},
                      .sin_zero = {}};
        connected = ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    }
    ~RawClient() { ::close(fd); }

    // Takes in what has arrived, at most `most` bytes.
    void Read(qsizetype most = 1 << 20) {
        char buf[65536];
        for (ssize_t n = 1; most > 0 && n > 0; most -= n) {
            n = ::recv(fd, buf, std::min<qsizetype>(most, sizeof buf), 0);
            if (n > 0)
                got.append(buf, n);
            closed = closed || n == 0;
        }
    }
    // TCP segments that arrived, as the kernel counts them.
    unsigned SegmentsIn() const {
        tcp_info info{};
        socklen_t size = sizeof info;
        ::getsockopt(fd, IPPROTO_TCP, TCP_INFO, &info, &size);
        return info.tcpi_segs_in;
    }
    // Sends without waiting; returns how much the kernel took.
    qsizetype Send(const QByteArray& bytes) {
        return std::max<ssize_t>(0, ::send(fd, bytes.constData(), bytes.size(), MSG_NOSIGNAL));
    }

    int fd;
    bool connected = false;
    bool closed = false; // the server closed in order, after everything it sent
    QByteArray got;
};

} // namespace velsor::testing
