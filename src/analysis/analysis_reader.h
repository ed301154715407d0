#pragma once
// Recordings and raw captures read into a reception analysis, through a display-only receiver
// with the same epoch hook as the live one: what a file gives is what the window would have
// gathered from the same bytes.

#include "analysis/reception_analysis.h"

#include <QIODevice>
#include <QString>

#include <functional>

namespace velsor::analysis {

class AnalysisReader {
public:
    // tunerType: the model a raw capture is read with. A recording (first line ending in
    // "Started.") is read with the model its first snapshot names, as replay reads it.
    AnalysisReader(ReceptionAnalysis& analysis, QString tunerType)
        : tuner(std::move(tunerType)), sampler(analysis) {}

    // Reads one file to its end. turn, when given, is called between pieces with the share of
    // the file read so far (0 to 1 when the size is known, else -1); returning false stops the
    // read there. Returns an error text, empty on success (also when stopped).
    QString Read(QIODevice& in, const std::function<bool(double)>& turn = {});
    // Hands over the last epoch; call once after the last file.
    void Finish() { sampler.Flush(); }

    bool lastWasRecording = false;
    QString lastTuner; // the model the last file was read with
    bool stopped = false;

private:
    QString tuner;
    EpochSampler sampler;
};

// The model a recording's first snapshot names (RecordingTuner), from the file's head; empty
// when the head is no recording's.
QString RecordingModel(const QByteArray& head);

} // namespace velsor::analysis
