#include "replay/replay_reader.h"

#include "nav/file_channels.h"
#include "nav/line_reader.h"

#include <QFileInfo>

namespace velsor {

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

    int b = 0, k = 0;
    if (res == Result::Line && !reader.AtEnd()) {
        for (;;) {
            // Every line, whatever it holds, is a chance to let events in.
            if (!yieldAndCheck()) {
                r.aborted = true;
                return r;
            }
            res = reader.Next(yieldAndCheck);
            if (failed(res))
                return r;
            if (res == Result::Line) {
                if (reader.EndsWith("Stopped.")) {
                    r.stoppedLine = reader.Text();
                    // A "Stopped." line before any block has nothing to step back over.
                    if (b > 0)
                        --b;
                } else {
                    nav.ReplayLine[b][k] = reader.Text();
                    ++k;
                }
            }
            const bool atEnd = res == Result::End || reader.AtEnd();
            if (k != 5 && !atEnd)
                continue;
            ++b;
            if (k == 5)
                k = 0;
            if (b == Nav::kReplayBlocks || atEnd)
                break;
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
