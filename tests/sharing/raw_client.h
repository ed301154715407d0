#pragma once
// A TCP client on plain sockets, outside Qt's buffering: it reads only when told to, so a test
// can play a client that keeps up, one that lags and one that never reads.

#include <QByteArray>
#include <QString>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace velsor::testing {

class RawClient {
public:
    // receiveBuffer > 0 shrinks the kernel's receive buffer before connecting.
    explicit RawClient(quint16 port, int receiveBuffer = 0) {
        fd = ::socket(AF_INET, SOCK_STREAM, 0);
        if (receiveBuffer > 0)
            ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(port);
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        connected = ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    }
    ~RawClient() { Close(); }
    RawClient(const RawClient&) = delete;
    RawClient& operator=(const RawClient&) = delete;

    void Close() {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }

    // Takes in what has arrived, at most `most` bytes; false once the server closed.
    bool Read(qsizetype most = 1 << 20) {
        char buf[65536];
        while (most > 0) {
            const ssize_t n = ::recv(fd, buf, std::min<qsizetype>(most, sizeof buf), 0);
            if (n > 0) {
                got.append(buf, n);
                most -= n;
                continue;
            }
            if (n == 0)
                closedByServer = true;
            break;
        }
        return !closedByServer;
    }

    // Sends without waiting; returns how much the kernel took.
    qsizetype Send(const QByteArray& bytes) {
        const ssize_t n = ::send(fd, bytes.constData(), bytes.size(), MSG_NOSIGNAL);
        return n < 0 ? 0 : n;
    }

    int fd = -1;
    bool connected = false;
    bool closedByServer = false;
    QByteArray got;
};

} // namespace velsor::testing
