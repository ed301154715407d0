#pragma once
// The reception analysis window's pages as display lists: the window shows them, the printer
// and velsor-analyze draw them, tests read them.

#include "analysis/reception_analysis.h"
#include "nav/display_list.h"

#include <QString>

namespace velsor::analysis {

enum class Page { SignalHistory, Sky, Elevation, Position };
inline constexpr int kPages = 4;
// "信号履歴", "天空", "仰角別", "測位".
QString PageName(Page page);
// "直近 10 分", "直近 1 時間", "直近 1 日", "全体".
QString RangeName(ReceptionAnalysis::Range range);

// A page is this size in twips (800 x 520 pixels at 96 dpi).
inline constexpr double kPageWidth = 12000, kPageHeight = 7800;

struct PageOptions {
    ReceptionAnalysis::Range range = ReceptionAnalysis::Range::Hour;
    QString source; // what was analysed, the second line of every page
    TextWidth measure = EstimateTextWidth;
};

PictureBox DrawPage(const ReceptionAnalysis& analysis, Page page, const PageOptions& options);

// A satellite system's colour on the pages.
Rgb SystemColour(GnssSystem system);

// At most this many columns of the history are drawn: buckets beyond it are merged in equal
// groups, the last group shorter when they do not divide evenly.
inline constexpr int kMaxColumns = 720;

// One column of the history: from `start`, `width` ms, with what its buckets hold together.
struct Column {
    std::int64_t start = 0, width = 0;
    Bucket sum; // empty when nothing was received
};
std::vector<Column> Columns(const BucketSpan& span, int maxColumns = kMaxColumns);

// The pages' second line: what was analysed, then its span in local time and its epochs.
QString SourceLine(const ReceptionAnalysis& analysis, const QString& what);

// A UTC time in ms as the program's local time (JST): "yyyy/MM/dd H:mm:ss".
QString JstText(std::int64_t utcMs);
// A duration as "1 時間 23 分", "45 秒", "3 日 4 時間".
QString DurationText(std::int64_t ms);
// A count for a narrow column: "9876", "12.3万", "2400万".
QString CompactCount(std::uint64_t n);

} // namespace velsor::analysis
