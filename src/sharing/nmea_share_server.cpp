#include "sharing/nmea_share_server.h"

#include <QHostInfo>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <utility>

namespace velsor::sharing {

namespace {
// What a client sends is read and thrown away; this caps what Qt holds of it meanwhile.
constexpr qint64 kInboundBuffer = 4096;
} // namespace

NmeaShareServer::NmeaShareServer(ShareLimits l) : limits(l) {
    clock.start();
    heldTimer.setSingleShot(true);
    QObject::connect(&heldTimer, &QTimer::timeout, &server, [this] { PassHeld(); });
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

void NmeaShareServer::LookUp(const QString& name,
                             std::function<void(const QList<QHostAddress>&)> found) {
    QHostInfo::lookupHost(name, &server, [found = std::move(found)](const QHostInfo& info) {
        found(info.error() == QHostInfo::NoError ? info.addresses() : QList<QHostAddress>());
    });
}

int NmeaShareServer::ClientCount() const {
    return static_cast<int>(
        std::count_if(clients.begin(), clients.end(), [](const auto& c) { return !c->gone; }));
}

qint64 NmeaShareServer::Queued(const Client& c) const {
    return c.queue.size() + c.socket->bytesToWrite();
}

qint64 NmeaShareServer::QueuedBytes() const {
    qint64 n = 0;
    for (const auto& c : clients)
        n += Queued(*c);
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
        QObject::connect(s, &QTcpSocket::bytesWritten, &server, [this, raw] { Push(*raw); });
        QObject::connect(s, &QTcpSocket::disconnected, &server, [this, raw] { Drop(*raw); });
        QObject::connect(s, &QTcpSocket::errorOccurred, &server, [this, raw] { Drop(*raw); });
        clients.push_back(std::move(c));
        if (clientsChanged)
            clientsChanged();
    }
}

void NmeaShareServer::Drop(Client& c, bool finishLine) {
    if (c.gone)
        return;
    c.gone = true;
    c.finishLine = finishLine;
    c.queue.clear();
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
        if ((*it)->finishLine && s->state() == QAbstractSocket::ConnectedState) {
            // What the socket holds ends with a whole line: it goes out before the close, as
            // long as the client reads again within closingMs. Closing at once would cut the
            // stream wherever the client's window happened to shut.
            QObject::connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
            QTimer::singleShot(limits.closingMs, s, [s] {
                s->abort();
                s->deleteLater();
            });
            s->skip(s->bytesAvailable()); // unread input would turn the close into a reset
            s->disconnectFromHost();
        } else {
            s->abort(); // frees what was queued for it
            s->deleteLater();
        }
    }
    clients.erase(firstGone, clients.end());
    if (clientsChanged)
        clientsChanged();
}

void NmeaShareServer::Send(QByteArrayView bytes) {
    const qsizetype lastLf = bytes.lastIndexOf('\n');
    if (lastLf < 0) {
        held.append(bytes);
        if (!heldTimer.isActive())
            heldTimer.start(kHeldMs);
    } else {
        if (!clients.empty()) {
            // The lines these bytes complete, handed over whole: one write, one segment.
            QByteArray block;
            block.reserve(held.size() + lastLf + 1);
            block.append(held).append(bytes.first(lastLf + 1));
            Pass(block, true);
        } else {
            atLineStart = true; // nobody listens; whoever joins starts at the next line
        }
        held = bytes.sliced(lastLf + 1).toByteArray();
        if (held.isEmpty())
            heldTimer.stop();
        else
            heldTimer.start(kHeldMs);
    }
    if (held.size() >= kHeldMost)
        PassHeld();
}

void NmeaShareServer::PassHeld() {
    // No line feed for this long: not a sentence, or a receiver that stopped mid-line.
    heldTimer.stop();
    if (held.isEmpty())
        return;
    const QByteArray part = std::exchange(held, QByteArray());
    if (clients.empty())
        atLineStart = false;
    else
        Pass(part, false);
}

void NmeaShareServer::Pass(const QByteArray& block, bool endsLine) {
    if (!atLineStart) {
        // The end of a line that went out in part, then whole lines: each client's choice for
        // those is made where they begin.
        const qsizetype lf = block.indexOf('\n');
        if (lf >= 0 && lf + 1 < block.size()) {
            Pass(block.first(lf + 1), true);
            Pass(block.sliced(lf + 1), endsLine);
            return;
        }
    }
    const qint64 now = clock.elapsed();
    const qint64 lines = block.count('\n') + (endsLine ? 0 : 1);
    for (auto& c : clients) {
        if (c->gone)
            continue;
        if (atLineStart) {
            // Whole lines only: the choice is made where a line begins.
            c->taking = Queued(*c) < limits.queueBytes;
            if (c->taking) {
                c->behindSince = -1;
            } else {
                linesDropped += lines;
                if (c->behindSince < 0)
                    c->behindSince = now;
                if (now - c->behindSince >= limits.behindMs) {
                    ++clientsDropped;
                    Drop(*c, true);
                    continue;
                }
            }
        }
        if (!c->taking)
            continue;
        c->queue.append(block); // shared, not copied, when the queue was empty
        Push(*c);
        if (Queued(*c) > limits.hardBytes) {
            ++clientsDropped;
            Drop(*c);
        }
    }
    atLineStart = endsLine;
}

void NmeaShareServer::Push(Client& c) {
    // Whatever waits goes in one write, once the socket has taken the previous one; out now,
    // not at the next turn of the event loop.
    if (c.gone || c.queue.isEmpty() || c.socket->bytesToWrite() > 0)
        return;
    c.socket->write(std::exchange(c.queue, QByteArray()));
    c.socket->flush();
}

} // namespace velsor::sharing
