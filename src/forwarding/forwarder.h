#pragma once
// Copies the tuner's bytes to the forwarding port without letting that port hurt reception:
// nothing is read from it, what waits for it is bounded, and a port that fails is closed and
// the user told once.

#include "platform/dialogs.h"
#include "platform/serial_port.h"

#include <QByteArrayView>
#include <QObject>

namespace velsor {

class Forwarder {
public:
    // At 9600 baud the port takes 960 bytes a second, as much as the fastest tuner sends, so
    // a listening far end keeps the queue near empty. 4 KiB absorbs several seconds of
    // hiccups; beyond it the far end is not draining and whole chunks are dropped.
    static constexpr qint64 kMaxQueued = 4096;

    Forwarder(platform::SerialPort& port, platform::Dialogs& dialogs);
    ~Forwarder();
    Forwarder(const Forwarder&) = delete;
    Forwarder& operator=(const Forwarder&) = delete;

    // One received chunk, sent whole or dropped whole. Does nothing while the port is closed.
    void Forward(QByteArrayView bytes);

    // Chunks and bytes dropped because the far end did not drain, since the port was last
    // opened through Opening().
    qint64 DroppedChunks() const { return droppedChunks; }
    qint64 DroppedBytes() const { return droppedBytes; }

    // Called before the port is opened for forwarding.
    void Opening();

private:
    void Lost();

    platform::SerialPort& port;
    platform::Dialogs& dialogs;
    qint64 droppedChunks = 0;
    qint64 droppedBytes = 0;
    bool telling = false;
    QObject context; // for the deferred notice
};

} // namespace velsor
