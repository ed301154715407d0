#pragma once
// A read-only TCP server that hands every received byte, unchanged and in order, to each
// connected client. Sending never waits: each client has a bounded queue, a client that falls
// behind loses whole lines, and one that stays behind is disconnected after its last whole
// line.

#include <QByteArray>
#include <QByteArrayView>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QTcpServer>
#include <QTimer>

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
    qint64 closingMs = 30'000; // a dropped client's last line waits this long for it to read
};

class NmeaShareServer {
public:
    // Bytes of a line are held until its line feed; a "line" longer than this, or one whose
    // feed has not come for this long, goes out as it is.
    static constexpr qsizetype kHeldMost = 4096;
    static constexpr int kHeldMs = 1000;

    explicit NmeaShareServer(ShareLimits limits = {});
    ~NmeaShareServer();
    NmeaShareServer(const NmeaShareServer&) = delete;
    NmeaShareServer& operator=(const NmeaShareServer&) = delete;

    bool Listen(const QHostAddress& address, quint16 port);
    // Looks a host name up without waiting; `found` gets its addresses (none when it is not
    // found) from the event loop, unless the server is gone by then.
    void LookUp(const QString& name, std::function<void(const QList<QHostAddress>&)> found);
    QAbstractSocket::SocketError Error() const { return server.serverError(); }
    QString ErrorString() const { return server.errorString(); }
    QHostAddress Address() const { return server.serverAddress(); }
    quint16 Port() const { return server.serverPort(); }

    // Passes on the lines these bytes complete, one write per client.
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
        QByteArray queue;             // waits until the socket has taken the previous write
        bool taking = false;          // the line under way goes to this client
        qint64 behindSince = -1;      // when it began losing lines, -1 while it keeps up
        bool gone = false;
        bool finishLine = false; // dropped for lagging: what the socket holds still goes out
    };
    void Accept();
    void Pass(const QByteArray& block, bool endsLine);
    void PassHeld();
    void Push(Client& c);
    qint64 Queued(const Client& c) const;
    void Drop(Client& c, bool finishLine = false);
    void Sweep();

    ShareLimits limits;
    QTcpServer server;
    QElapsedTimer clock;
    std::vector<std::unique_ptr<Client>> clients;
    QByteArray held; // the line under way, up to its line feed
    QTimer heldTimer;
    bool atLineStart = true;
    bool sweepQueued = false;
    qint64 linesDropped = 0;
    int clientsDropped = 0;
};

} // namespace velsor::sharing
