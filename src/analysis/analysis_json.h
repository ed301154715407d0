#pragma once
// The figures of a reception analysis as one JSON object, velsor-analyze's output.

#include "analysis/reception_analysis.h"

#include <QByteArray>

namespace velsor::analysis {

// extra is inserted as is after the opening brace (keys of the caller, comma-terminated).
QByteArray AnalysisJson(const ReceptionAnalysis& analysis, const QByteArray& extra = {});

} // namespace velsor::analysis
