#include "sharing/nmea_share_server.h"

#include <QTcpSocket>
#include <QTimer>

#include <algorithm>

namespace velsor::sharing {

namespace {
// What a client sends is read and thrown away; this caps what Qt holds of it meanwhile.
constexpr qint64 kInboundBuffer = 4096;
} // namespace

NmeaShareServer::NmeaShareServer(ShareLimits l) : limits(l) {
    clock.start();
    QObject::connect(&server, &QTcpServer::newConnection, &server, [this] { Accept(); });
}

NmeaShareServer::~NmeaShareServer() {
    // The sockets are the server's children; stop their signals reaching a half-gone object.
    for (auto& c : clients)
        QObject::disconnect(c->socket, nullptr, &server, nullptr);
    server.close();
}

bool NmeaShareServer::Listen(const QHostAddress& address, quint16 port) {
    return server.listen(address, port);
}

int NmeaShareServer::ClientCount() const {
    return static_cast<int>(
        std::count_if(clients.begin(), clients.end(), [](const auto& c) { return !c->gone; }));
}

qint64 NmeaShareServer::QueuedBytes() const {
    qint64 n = 0;
    for (const auto& c : clients)
        n += c->socket->bytesToWrite();
    return n;
}

void NmeaShareServer::Accept() {
    while (QTcpSocket* s = server.nextPendingConnection()) {
        if (ClientCount() >= limits.maxClients) {
            s->abort();
            s->deleteLater();
            continue;
        }
        s->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        s->setSocketOption(QAbstractSocket::SendBufferSizeSocketOption,
                           static_cast<int>(limits.kernelSendBytes));
        s->setReadBufferSize(kInboundBuffer);
        // Not taking until a line begins: a client joining mid-stream starts with a whole line.
        auto c = std::make_unique<Client>();
        c->socket = s;
        Client* raw = c.get();
        QObject::connect(s, &QTcpSocket::readyRead, &server, [s] { s->skip(s->bytesAvailable()); });
        QObject::connect(s, &QTcpSocket::disconnected, &server, [this, raw] { Drop(*raw); });
        QObject::connect(s, &QTcpSocket::errorOccurred, &server, [this, raw] { Drop(*raw); });
        clients.push_back(std::move(c));
        if (clientsChanged)
            clientsChanged();
    }
}

void NmeaShareServer::Drop(Client& c) {
    if (c.gone)
        return;
    c.gone = true;
    // Removed later: this may run inside Send's loop or inside a socket's own signal.
    if (!sweepQueued) {
        sweepQueued = true;
        QTimer::singleShot(0, &server, [this] { Sweep(); });
    }
}

void NmeaShareServer::Sweep() {
    sweepQueued = false;
    const auto firstGone = std::stable_partition(clients.begin(), clients.end(),
                                                 [](const auto& c) { return !c->gone; });
    if (firstGone == clients.end())
        return;
    for (auto it = firstGone; it != clients.end(); ++it) {
        QTcpSocket* s = (*it)->socket;
        QObject::disconnect(s, nullptr, &server, nullptr);
        s->abort(); // frees what was queued for it
        s->deleteLater();
    }
    clients.erase(firstGone, clients.end());
    if (clientsChanged)
        clientsChanged();
}

void NmeaShareServer::Send(QByteArrayView bytes) {
    if (clients.empty()) {
        // Nobody listens; still follow the line boundaries for whoever joins.
        if (!bytes.isEmpty())
            atLineStart = bytes.back() == '\n';
        return;
    }
    const qint64 now = clock.elapsed();
    qsizetype pos = 0;
    while (pos < bytes.size()) {
        const qsizetype lf = bytes.indexOf('\n', pos);
        const qsizetype end = lf < 0 ? bytes.size() : lf + 1;
        const QByteArrayView piece = bytes.sliced(pos, end - pos);
        for (auto& c : clients) {
            if (c->gone)
                continue;
            if (atLineStart) {
                // Whole lines only: the choice is made where a line begins.
                c->taking = c->socket->bytesToWrite() < limits.queueBytes;
                if (c->taking) {
                    c->behindSince = -1;
                } else {
                    ++linesDropped;
                    if (c->behindSince < 0)
                        c->behindSince = now;
                    if (now - c->behindSince >= limits.behindMs) {
                        ++clientsDropped;
                        Drop(*c);
                        continue;
                    }
                }
            }
            if (c->taking)
                c->socket->write(piece.data(), piece.size());
        }
        atLineStart = lf >= 0;
        pos = end;
    }
    for (auto& c : clients) {
        if (c->gone)
            continue;
        // Out now, not at the next turn of the event loop; flush() writes one block a call.
        while (c->socket->bytesToWrite() > 0 && c->socket->flush()) {
        }
        if (c->socket->bytesToWrite() > limits.hardBytes) {
            ++clientsDropped;
            Drop(*c);
        }
    }
}

} // namespace velsor::sharing
