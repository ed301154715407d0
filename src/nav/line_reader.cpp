#include "nav/line_reader.h"

#include <algorithm>
#include <cstring>

namespace velsor {

LineReader::LineReader(QIODevice& d, qsizetype max) : dev(d), maxKept(max), buf(kPiece) {}

qsizetype LineReader::Find(qsizetype& next, char c) {
    // Each byte is searched once for each line end: the next one found is kept until passed.
    if (next < pos) {
        const void* at = std::memchr(buf.data() + pos, c, static_cast<std::size_t>(have - pos));
        next = at ? static_cast<const char*>(at) - buf.data() : have;
    }
    return next;
}

int LineReader::Fill() {
    pos = have = 0;
    nextLf = nextCr = -1;
    const qint64 n = dev.read(buf.data(), kPiece);
    if (n < 0)
        return -1;
    have = n;
    return n > 0 ? 1 : 0;
}

void LineReader::Keep(QByteArrayView part) {
    const qsizetype room = maxKept - kept.size();
    kept += part.first(std::min(part.size(), room));
    cut = cut || part.size() > room;
    // The last kTail bytes of the line so far, in place.
    const qsizetype take = std::min(part.size(), kTail);
    const qsizetype keep = std::min(tailSize, kTail - take);
    std::memmove(tail.data(), tail.data() + tailSize - keep, static_cast<std::size_t>(keep));
    std::memcpy(tail.data() + keep, part.data() + part.size() - take,
                static_cast<std::size_t>(take));
    tailSize = keep + take;
}

LineReader::Result LineReader::Next(const std::function<bool()>& pause) {
    kept.resize(0); // keeps its room for the next line
    cut = false;
    tailSize = 0;
    bool any = false;
    for (;;) {
        if (pos == have) {
            const int f = Fill();
            if (f < 0)
                return Result::Error;
            if (f == 0)
                return any ? Result::Line : Result::End;
        }
        const char* begin = buf.data() + pos;
        const char* end = buf.data() + have;
        const char* stop = buf.data() + std::min(Find(nextLf, '\n'), Find(nextCr, '\r'));
        Keep(QByteArrayView(begin, stop - begin));
        any = true;
        pos += stop - begin;
        if (stop != end) {
            const bool cr = *stop == '\r';
            ++pos;
            // CR LF is one line end, also when the LF starts the next piece.
            if (cr) {
                if (pos == have && Fill() < 0)
                    return Result::Error;
                if (pos < have && buf[pos] == '\n')
                    ++pos;
            }
            return Result::Line;
        }
        if (pause && !pause())
            return Result::Aborted;
    }
}

} // namespace velsor
