#pragma once
// A read-only TCP server that hands every received byte, unchanged and in order, to each
// connected client. Sending never waits: each client has a bounded queue, a client that falls
// behind loses whole lines, and one that stays behind is disconnected.

#include <QByteArrayView>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QTcpServer>

#include <functional>
#include <memory>
#include <vector>

class QTcpSocket;

namespace velsor::sharing {

struct ShareLimits {
    qint64 queueBytes = 64 * 1024;      // a new line is queued only while less than this waits
    qint64 hardBytes = 256 * 1024;      // more than this waiting (an endless line): disconnected
    qint64 behindMs = 10'000;           // losing lines this long without a break: disconnected
    int maxClients = 64;                // further connections are closed at once
    qint64 kernelSendBytes = 64 * 1024; // the socket's own send buffer, kept small likewise
};

class NmeaShareServer {
public:
    explicit NmeaShareServer(ShareLimits limits = {});
    ~NmeaShareServer();
    NmeaShareServer(const NmeaShareServer&) = delete;
    NmeaShareServer& operator=(const NmeaShareServer&) = delete;

    bool Listen(const QHostAddress& address, quint16 port);
    QAbstractSocket::SocketError Error() const { return server.serverError(); }
    QString ErrorString() const { return server.errorString(); }
    QHostAddress Address() const { return server.serverAddress(); }
    quint16 Port() const { return server.serverPort(); }

    // Queues the bytes for every client and pushes out what the sockets take at once.
    void Send(QByteArrayView bytes);

    int ClientCount() const;
    // What waits in the clients' queues, all together.
    qint64 QueuedBytes() const;
    qint64 LinesDropped() const { return linesDropped; }
    int ClientsDropped() const { return clientsDropped; }

    // Called after a client connected or went away.
    std::function<void()> clientsChanged;

private:
    struct Client {
        QTcpSocket* socket = nullptr; // a child of the server
        bool taking = false;          // the line under way goes to this client
        qint64 behindSince = -1;      // when it began losing lines, -1 while it keeps up
        bool gone = false;
    };
    void Accept();
    void Drop(Client& c);
    void Sweep();

    ShareLimits limits;
    QTcpServer server;
    QElapsedTimer clock;
    std::vector<std::unique_ptr<Client>> clients;
    bool atLineStart = true;
    bool sweepQueued = false;
    qint64 linesDropped = 0;
    int clientsDropped = 0;
};

} // namespace velsor::sharing
