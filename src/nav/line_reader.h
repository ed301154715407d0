#pragma once
// Lines of a text file read in pieces, for the replay and history loaders. A line ends at CR LF,
// CR or LF, as FileChannels::ReadLine reads them. Only the first maxKept characters of a line
// are kept, and its last few apart, so a line of any length costs little memory; between the
// pieces of a long line the caller may let events in, or stop.

#include <QByteArray>
#include <QIODevice>
#include <QString>

#include <array>
#include <functional>
#include <vector>

namespace velsor {

class LineReader {
public:
    enum class Result { Line, End, Error, Aborted };

    LineReader(QIODevice& device, qsizetype maxKept);

    // Reads the next line. pause runs after every piece of a line that goes on beyond it and
    // returns false to stop: then Aborted, and the device is not touched again.
    Result Next(const std::function<bool()>& pause);
    // Nothing left to read.
    bool AtEnd() const { return pos == have && dev.atEnd(); }

    QString Text() const { return QString::fromLatin1(kept); }
    QByteArrayView Bytes() const { return kept; }
    // The line was longer than what is kept.
    bool Cut() const { return cut; }
    // Whether the whole line, not only the part kept, ends with text (at most kTail bytes).
    bool EndsWith(QByteArrayView text) const {
        return QByteArrayView(tail.data(), tailSize).endsWith(text);
    }

    static constexpr qsizetype kPiece = 64 * 1024;
    static constexpr qsizetype kTail = 16;

private:
    // -1 on error, 0 at the end, 1 with bytes in the buffer.
    int Fill();
    void Keep(QByteArrayView part);
    // Where the next c at or after pos is in the buffer, have when there is none.
    qsizetype Find(qsizetype& next, char c);

    QIODevice& dev;
    qsizetype maxKept;
    std::vector<char> buf;
    qsizetype pos = 0, have = 0;
    qsizetype nextLf = -1, nextCr = -1;
    QByteArray kept;
    bool cut = false;
    std::array<char, kTail> tail{};
    qsizetype tailSize = 0;
};

} // namespace velsor
