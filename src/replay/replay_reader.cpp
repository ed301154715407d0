#include "replay/replay_reader.h"

#include "nav/file_channels.h"
#include "nav/line_reader.h"
#include "nav/snapshot_format.h"

#include <QFileInfo>
#include <QStringList>

#include <algorithm>
#include <vector>

namespace velsor {

namespace {

// A line as read, and whether the file ends with it. none: the file ended without one.
struct Line {
    QByteArray bytes;
    bool none = false, cut = false, stopped = false, atEnd = false;
};

// The five-line blocks of the two original models, as they always were read.
class Blocks {
public:
    explicit Blocks(Nav& n) : nav(n) {}
    // True when the reading ends with this line.
    bool Take(const Line& line) {
        if (line.stopped) {
            // A "Stopped." line before any block has nothing to step back over.
            if (b > 0)
                --b;
        } else if (!line.none) {
            nav.ReplayLine[b][k] = QString::fromLatin1(line.bytes);
            ++k;
        }
        if (k != 5 && !line.atEnd)
            return false;
        ++b;
        if (k == 5)
            k = 0;
        return b == Nav::kReplayBlocks || line.atEnd;
    }
    int Count() const { return b > 0 ? b - 1 : 0; }

private:
    Nav& nav;
    int b = 0, k = 0;
};

// Snapshots of whole epochs: a header and its count of lines, or (written before the header
// was) a block from a GGA to the next anchor. A snapshot cut short, longer than the bounds or
// with a line longer than a line is kept is left out whole, so memory stays within
// Nav::kReplayBlocks times snapshot::kMaxBytes.
class Snapshots {
public:
    Snapshots(Nav& n, qsizetype fileSize) : nav(n) {
        nav.ReplayText.reserve(
            std::min<qsizetype>(fileSize, Nav::kReplayBlocks * snapshot::kMaxBytes));
        nav.ReplayAt.assign(1, 0);
        nav.ReplayAt.reserve(Nav::kReplayBlocks + 1);
    }
    // True when the reading ends with this line.
    bool Take(const Line& line) {
        if (line.stopped || line.none) {
            End();
        } else if (const auto n = snapshot::HeaderCount(line.bytes)) {
            End();
            Open(*n > 0 ? In::Counted : In::Skipping, *n);
        } else if (in == In::Counted) {
            Add(line);
            if (have == expect)
                Close(true);
        } else if (in == In::Skipping) {
            // A header not understood holds the lines up to the next one.
        } else if (snapshot::IsGga(line.bytes)) {
            End();
            Open(In::Block, 0);
            Add(line);
        } else if (in == In::Block && !line.bytes.isEmpty()) {
            Add(line);
        }
        if (line.atEnd)
            End();
        return count == Nav::kReplayBlocks || line.atEnd;
    }
    int Count() const { return count > 0 ? count - 1 : 0; }
    int skipped = 0;

private:
    enum class In { Nothing, Counted, Block, Skipping };

    void Open(In kind, int n) {
        in = kind;
        expect = n;
        have = 0;
        bytes = 0;
        bad = false;
        start = nav.ReplayText.size();
    }
    void Add(const Line& line) {
        ++have;
        if (bad)
            return;
        bytes += line.bytes.size() + 2;
        if (line.cut || have > snapshot::kMaxLines || bytes > snapshot::kMaxBytes) {
            bad = true;
            nav.ReplayText.truncate(start);
            return;
        }
        nav.ReplayText += line.bytes;
        nav.ReplayText += '\n';
    }
    void Close(bool whole) {
        if (whole && !bad) {
            nav.ReplayAt.push_back(nav.ReplayText.size());
            ++count;
        } else {
            nav.ReplayText.truncate(start);
            ++skipped;
        }
        in = In::Nothing;
    }
    // Whatever snapshot is open ends here: a counted one short of its count is not whole.
    void End() {
        if (in == In::Counted || in == In::Skipping)
            Close(false);
        else if (in == In::Block)
            Close(true);
    }

    Nav& nav;
    In in = In::Nothing;
    int expect = 0, have = 0, count = 0;
    qsizetype start = 0, bytes = 0;
    bool bad = false;
};

} // namespace

ReplayRead ReadRecording(const QString& path, Nav& nav, const std::function<bool()>& yield) {
    ReplayRead r;
    // A device, a pipe or a folder is no recording; reading /dev/zero would never end.
    if (const QFileInfo info(path); info.exists() && !info.isFile()) {
        r.error = fileerr::kPathFileAccess;
        return r;
    }
    FileChannels& ch = FileChannels::Instance();
    r.error = ch.Open(kReplayChannel, path, FileChannels::Mode::Input);
    if (r.error != fileerr::kOk)
        return r;
    QIODevice* dev = ch.Device(kReplayChannel);
    LineReader reader(*dev, kReplayMaxLine);
    // After a yield the channel may have been closed or taken over: then stop at once.
    auto yieldAndCheck = [&] { return (!yield || yield()) && ch.Device(kReplayChannel) == dev; };
    using Result = LineReader::Result;
    auto failed = [&](Result res) {
        if (res == Result::Aborted) {
            r.aborted = true;
            return true;
        }
        if (res != Result::Error)
            return false;
        ch.Close(kReplayChannel);
        r.error = fileerr::kPathFileAccess;
        return true;
    };

    Result res = reader.Next(yieldAndCheck);
    if (failed(res))
        return r;
    if (res == Result::Line)
        r.firstLine = reader.Text();
    if (res != Result::Line || reader.AtEnd()) {
        ch.Close(kReplayChannel);
        return r;
    }

    // The next line; false when the reading stops (r says why).
    auto read = [&](Line& line) {
        // Every line, whatever it holds, is a chance to let events in.
        if (!yieldAndCheck()) {
            r.aborted = true;
            return false;
        }
        res = reader.Next(yieldAndCheck);
        if (failed(res))
            return false;
        line.none = res != Result::Line;
        line.atEnd = line.none || reader.AtEnd();
        line.bytes.resize(0); // keeps its room
        if (!line.none)
            line.bytes.append(reader.Bytes());
        line.cut = reader.Cut();
        line.stopped = !line.none && reader.EndsWith("Stopped.");
        if (line.stopped)
            r.stoppedLine = reader.Text();
        return true;
    };

    // The first block tells the form: its first five lines, or a header. Stop lines in a row
    // count as one (no more is kept of them).
    std::vector<Line> first;
    int data = 0;
    bool header = false;
    Line line;
    while (data < 5 && !header && (first.empty() || !first.back().atEnd)) {
        if (!read(line))
            return r;
        if (line.stopped && !first.empty() && first.back().stopped && !line.atEnd)
            continue;
        first.push_back(line);
        if (!line.none && !line.stopped)
            header = data++ == 0 && snapshot::HeaderCount(line.bytes);
    }
    QStringList lines;
    for (const Line& line : first) {
        if (!line.none && !line.stopped)
            lines << QString::fromLatin1(line.bytes);
    }
    const auto tuner = RecordingTuner(lines.value(0), lines.value(4));
    r.epochs = header || (tuner ? *tuner == u"2" : nav.TunerType == u"2");

    auto readAll = [&](auto& form) {
        bool done = false;
        for (const Line& l : first)
            done = done || form.Take(l);
        while (!done) {
            if (!read(line))
                return false;
            done = form.Take(line);
        }
        return true;
    };
    if (r.epochs) {
        Snapshots snapshots(nav, dev->size());
        if (!readAll(snapshots))
            return r;
        r.count = static_cast<std::int16_t>(snapshots.Count());
        r.skipped = snapshots.skipped;
    } else {
        Blocks blocks(nav);
        if (!readAll(blocks))
            return r;
        r.count = static_cast<std::int16_t>(blocks.Count());
    }
    ch.Close(kReplayChannel);
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
