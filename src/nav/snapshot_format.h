#pragma once
// A snapshot of the by-fields model (TunerType "2") in a recording file: one line
// "#SNAPSHOT,n", then the n sentences the window's state was built from, as received. The count
// lets a reader take a snapshot whole or not at all: a file cut inside one, or lines lost from
// it, shows up as a count not met. "#SNAPSHOT,n,CUT,m" says that m sentences of the epoch did not
// fit the bounds and were left out.
//
// Without a header a snapshot is a block as the two original models write it: it begins at its
// GGA and holds the lines up to the next GGA, header or stop line (recordings made by this model
// before it wrote whole epochs).

#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace velsor::snapshot {

// Far above an epoch of today's receivers (four systems on two signals: about 60 sentences of
// about 75 bytes).
inline constexpr int kMaxLines = 128;
inline constexpr qsizetype kMaxBytes = 16 * 1024; // the sentences with their CR LF

// The sentences the window shows an epoch from, for the recorder: the epoch's fix and date
// sentences in the order received, the last row of GSAs, and every GSV group in view, whole.
struct Sentences {
    std::vector<QString> fix;
    std::vector<QString> gsa;
    std::vector<std::vector<QString>> groups;
};

// The header and the lines of one snapshot within the bounds: fix sentences first, then the
// GSAs, then whole GSV groups; what does not fit is left out (a group whole) and counted in the
// header.
QStringList Block(const Sentences& s);

QString Header(int lines, int leftOut);
// The count a header line gives: nullopt when the line is no header, 0 when it is one whose
// count is not a number from 1 to kMaxLines.
std::optional<int> HeaderCount(QByteArrayView line);
// A GGA sentence of any talker: where a snapshot without a header begins.
bool IsGga(QByteArrayView line);

} // namespace velsor::snapshot
