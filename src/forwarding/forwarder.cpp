#include "forwarding/forwarder.h"

#include <QTimer>

namespace velsor {

namespace comm = platform::comm;

Forwarder::Forwarder(platform::SerialPort& p, platform::Dialogs& d) : port(p), dialogs(d) {
    port.outputOnly = true;
    port.onComm = [this] {
        if (port.CommEvent() == comm::kEvDeviceLost)
            Lost();
    };
}

Forwarder::~Forwarder() {
    port.onComm = nullptr;
}

void Forwarder::Opening() {
    droppedChunks = droppedBytes = 0;
}

void Forwarder::Forward(QByteArrayView bytes) {
    if (bytes.isEmpty() || !port.IsOpen())
        return;
    // An idle port takes any chunk, or one larger than the bound would never get through.
    const qint64 queued = port.BytesQueued();
    if (queued > 0 && queued + bytes.size() > kMaxQueued) {
        ++droppedChunks;
        droppedBytes += bytes.size();
        return;
    }
    if (port.Write(bytes) != comm::kOk)
        Lost();
}

void Forwarder::Lost() {
    port.Close();
    // Said from the event loop, not from inside the receive event: a message box runs further
    // receive events while it is open.
    if (telling)
        return;
    telling = true;
    QTimer::singleShot(0, &context, [this] {
        dialogs.MessageBox(QStringLiteral("転送先ポートに書き込めないため、転送を停止しました。"),
                           platform::MsgButtons::Ok, platform::MsgIcon::Exclamation,
                           QStringLiteral("Velsor GPS Analyzer"));
        telling = false;
    });
}

} // namespace velsor
