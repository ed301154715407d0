#pragma once
// The hint about a receiver that does not match the settings: it watches the tuner's stream and,
// once per connection, has a message ready when the chosen model would not show the fix but
// another would (the other fixed-position model, or 汎用 NMEA 0183 for a fix in other sentences
// or talkers), or when the data look like a wrong baud rate. The main window shows it from a
// timer tick, outside the receive path.

#include "decoding/stream_health.h"

#include <QString>
#include <QStringView>

#include <optional>

namespace velsor {

class Receiver;

class ReceptionHint {
public:
    explicit ReceptionHint(Receiver& rx);
    ~ReceptionHint();
    ReceptionHint(const ReceptionHint&) = delete;
    ReceptionHint& operator=(const ReceptionHint&) = delete;

    // A new connection: counting starts afresh and the hint may be given once more.
    void Connected();
    // The message for this tuner setting, once per connection, when the stream calls for one.
    std::optional<QString> Take(QStringView tunerType);

    const StreamHealth& Health() const { return health; }
    // The line speed of tuner "2", for the wrong-speed text.
    int baud = 9600;
    // The stream comes over a serial line; over TCP no speed can be wrong.
    bool lineSpeed = true;

private:
    Receiver& rx;
    StreamHealth health;
    bool told = false;
};

// The texts, by the tuner setting ("0" GT-74/77, "1" CFGPS, "2" any NMEA 0183). likely is the
// model the data seem to come from; empty: the other fixed-position one.
QString WrongModelText(QStringView tunerType, QStringView likely = {});
QString WrongBaudText(QStringView tunerType, int baud = 9600);

} // namespace velsor
