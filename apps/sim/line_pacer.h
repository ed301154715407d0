// Keeps writes to the serial device at the speed of the real line: 8N1 framing puts ten bits
// on the wire per byte, so a line of B baud carries B/10 bytes a second.
#pragma once

#include <QByteArrayView>
#include <QtGlobal>

#include <chrono>

namespace velsor::sim {

int lineBytesPerSecond(int baud);

// Where a replay whose time is up stops, having sent data up to pos: at pos on a line
// boundary; else at the end of the line under way, so the receiver does not get half a
// sentence, when that end is at most kFinishBytes away; else at pos, since a line that long
// is no sentence and finishing it could take hours.
inline constexpr qsizetype kFinishBytes = 1024;
qsizetype stopPoint(QByteArrayView data, qsizetype pos);

class LinePacer {
public:
    using Clock = std::chrono::steady_clock;

    explicit LinePacer(int bytesPerSecond);

    int bytesPerSecond() const { return bytesPerSecond_; }
    // Largest piece written at once: a twentieth of a second of line time, so the rate seen
    // over any stretch of a second or more stays within a few percent of the line rate.
    qint64 chunkBytes() const;
    Clock::duration transmitTime(qint64 bytes) const;

    // Reserves the line for `bytes` bytes wanted at `now`; returns when they may be written.
    // Bytes queue behind those reserved earlier, as they would in a UART.
    Clock::time_point claim(qint64 bytes, Clock::time_point now);
    // When everything reserved so far has left the line.
    Clock::time_point freeAt() const { return freeAt_; }

private:
    int bytesPerSecond_;
    Clock::time_point freeAt_{};
};

} // namespace velsor::sim
