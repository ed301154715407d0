#include "replay/replay_reader.h"

#include "nav/file_channels.h"

#include <QIODevice>

#include <array>

namespace velsor {

namespace {

// One line of a device without its line end (LF, or CR LF), cut to kReplayMaxLine, with the
// last eight characters of the whole line kept apart. Reads in chunks, so even a line of
// gigabytes costs little memory and lets yield() run.
class LineReader {
public:
    explicit LineReader(QIODevice& d) : dev(d) {}

    enum class Result { Line, End, Error, Aborted };

    Result Next(const std::function<bool()>& yield) {
        line.clear();
        tail.clear();
        bool any = false;
        for (;;) {
            const qint64 n = dev.readLine(chunk.data(), static_cast<qint64>(chunk.size()));
            if (n < 0) {
                if (!dev.atEnd())
                    return Result::Error;
                break;
            }
            if (n == 0)
                break;
            any = true;
            const QByteArrayView part(chunk.data(), n);
            if (line.size() < kReplayMaxLine)
                line += part.first(std::min<qsizetype>(n, kReplayMaxLine - line.size()));
            tail += part;
            if (tail.size() > kTail)
                tail.remove(0, tail.size() - kTail);
            if (chunk[n - 1] == '\n')
                break;
            if (n == static_cast<qint64>(chunk.size()) - 1 && yield && !yield())
                return Result::Aborted;
        }
        if (!any)
            return Result::End;
        for (QByteArray* b : {&line, &tail}) {
            if (b->endsWith('\n'))
                b->chop(1);
            if (b->endsWith('\r'))
                b->chop(1);
        }
        return Result::Line;
    }

    bool IsStopped() const { return tail.endsWith("Stopped."); }
    QString Text() const { return QString::fromLatin1(line); }

private:
    static constexpr qsizetype kTail = 10; // "Stopped." and a line end
    QIODevice& dev;
    std::array<char, 4096> chunk{};
    QByteArray line, tail;
};

} // namespace

ReplayRead ReadRecording(const QString& path, Nav& nav, const std::function<bool()>& yield) {
    ReplayRead r;
    FileChannels& ch = FileChannels::Instance();
    r.error = ch.Open(kReplayChannel, path, FileChannels::Mode::Input);
    if (r.error != fileerr::kOk)
        return r;
    QIODevice* dev = ch.Device(kReplayChannel);
    LineReader reader(*dev);
    // After a yield the channel may have been closed or taken over: then stop at once.
    auto stillOurs = [&] { return ch.Device(kReplayChannel) == dev; };
    auto yieldAndCheck = [&] { return (!yield || yield()) && stillOurs(); };

    auto fail = [&](LineReader::Result res) {
        if (res == LineReader::Result::Aborted) {
            r.aborted = true;
            return r;
        }
        ch.Close(kReplayChannel);
        r.error = fileerr::kPathFileAccess;
        return r;
    };

    LineReader::Result res = reader.Next(yieldAndCheck);
    if (res == LineReader::Result::Error || res == LineReader::Result::Aborted)
        return fail(res);
    if (res == LineReader::Result::Line)
        r.firstLine = reader.Text();

    int b = 0, k = 0;
    if (res == LineReader::Result::Line && !dev->atEnd()) {
        for (;;) {
            res = reader.Next(yieldAndCheck);
            if (res == LineReader::Result::Error || res == LineReader::Result::Aborted)
                return fail(res);
            if (res == LineReader::Result::Line) {
                if (reader.IsStopped()) {
                    r.stoppedLine = reader.Text();
                    // A "Stopped." line before any block has nothing to step back over.
                    if (b > 0)
                        --b;
                } else {
                    nav.ReplayLine[b][k] = reader.Text();
                    ++k;
                }
            }
            const bool atEnd = res == LineReader::Result::End || dev->atEnd();
            if (k != 5 && !atEnd)
                continue;
            ++b;
            if (k == 5)
                k = 0;
            if (b == Nav::kReplayBlocks || atEnd)
                break;
            if (yield && !yieldAndCheck()) {
                r.aborted = true;
                return r;
            }
        }
    }
    ch.Close(kReplayChannel);
    r.count = static_cast<std::int16_t>(b > 0 ? b - 1 : 0);
    return r;
}

std::optional<QString> RecordingTuner(QStringView gga, QStringView date) {
    if (date.size() < 6 || date[0] != u'$')
        return std::nullopt;
    const QStringView type = date.sliced(3, 3);
    if (type != u"ZDA" && type != u"RMC")
        return std::nullopt;
    // The GGA time field's width, when there is one.
    qsizetype width = -1;
    if (gga.startsWith(u"$GPGGA,")) {
        const qsizetype comma = gga.indexOf(u',', 7);
        width = (comma < 0 ? gga.size() : comma) - 7;
    } else if (!gga.isEmpty()) {
        return QStringLiteral("2"); // another talker's GGA
    }
    if (date.startsWith(u"$GPZDA") && (width < 0 || width == 6))
        return QStringLiteral("0");
    if (date.startsWith(u"$GPRMC") && (width < 0 || width == 8))
        return QStringLiteral("1");
    return QStringLiteral("2");
}

} // namespace velsor
