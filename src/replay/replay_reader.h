#pragma once
// Reading a recording file: the first line apart, then its snapshots. The two original models'
// five-line blocks go into ReplayLine, where a line ending in "Stopped." steps back one block.
// A recording of whole epochs by the by-fields model goes into ReplayText and ReplayAt, each
// snapshot whole or not at all (nav/snapshot_format.h). At most Nav::kReplayBlocks snapshots are
// read.

#include "nav/nav.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <optional>

namespace velsor {

inline constexpr int kReplayChannel = 2;
// Longest line kept; recorded sentences are at most 82 characters. A longer line keeps its
// first kReplayMaxLine characters, and its end still tells whether it is a "Stopped." line.
inline constexpr qsizetype kReplayMaxLine = 1024;

struct ReplayRead {
    int error = 0;        // a file error code; then nothing is loaded
    bool aborted = false; // yield() asked to stop; nothing more was touched
    std::int16_t count = 0;
    QString firstLine;
    std::optional<QString> stoppedLine; // the last line read that ends in "Stopped."
    bool epochs = false;                // read as snapshots of whole epochs
    int skipped = 0; // of them, left out whole: cut short, too long, a header not understood
};

// Reads path on the replay channel into nav.ReplayLine, or ReplayText and ReplayAt (which the
// caller has emptied), and gives the count that becomes ReplayCount: the index of the last
// block, 0 when the file has no line after its first. Which form a file has is told by its
// first block: a snapshot header, or what RecordingTuner makes of it (nothing: the model
// nav.TunerType names). Lines end in CR LF, CR or LF. yield runs before every line and inside
// very long lines; it returns false when the reading must stop at once (the channel may then
// belong to someone else). A path that is not a plain file is an error.
ReplayRead ReadRecording(const QString& path, Nav& nav, const std::function<bool()>& yield);

// The tuner model a recording was made with, from its first block's GGA and date sentence:
// "$GPZDA" is the GT-74/77 ("0") and "$GPRMC" the CFGPS ("1"), unless the GGA's time field
// has a width neither of them sends (6 and 8 characters), and any other talker's ZDA or RMC
// is a receiver read by fields ("2"). Nothing when the date sentence is neither.
std::optional<QString> RecordingTuner(QStringView gga, QStringView date);

} // namespace velsor
