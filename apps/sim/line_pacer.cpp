#include "line_pacer.h"

#include <algorithm>

namespace velsor::sim {

int lineBytesPerSecond(int baud) {
    return std::max(1, baud / 10);
}

qsizetype stopPoint(QByteArrayView data, qsizetype pos) {
    if (pos == 0 || pos >= data.size() || data[pos - 1] == '\n') {
        return pos;
    }
    const qsizetype reach = std::min<qsizetype>(kFinishBytes, data.size() - pos);
    const qsizetype lf = data.sliced(pos, reach).indexOf('\n');
    if (lf >= 0) {
        return pos + lf + 1;
    }
    return pos + reach == data.size() ? data.size() : pos;
}

LinePacer::LinePacer(int bytesPerSecond) : bytesPerSecond_(std::max(1, bytesPerSecond)) {}

qint64 LinePacer::chunkBytes() const {
    return std::max(1, bytesPerSecond_ / 20);
}

LinePacer::Clock::duration LinePacer::transmitTime(qint64 bytes) const {
    const std::chrono::nanoseconds ns(bytes * 1'000'000'000LL / bytesPerSecond_);
    return std::chrono::duration_cast<Clock::duration>(ns);
}

LinePacer::Clock::time_point LinePacer::claim(qint64 bytes, Clock::time_point now) {
    const Clock::time_point start = std::max(now, freeAt_);
    freeAt_ = start + transmitTime(bytes);
    return start;
}

} // namespace velsor::sim
