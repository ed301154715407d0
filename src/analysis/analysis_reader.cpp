#include "analysis/analysis_reader.h"

#include "decoding/receiver.h"
#include "main_window/nav_form.h"
#include "nav/snapshot_format.h"
#include "replay/replay_reader.h"

namespace velsor::analysis {

QString RecordingModel(const QByteArray& head) {
    const QList<QByteArray> lines = head.split('\n');
    // Whole epochs, each after its count line: only the field model records them.
    if (lines.size() > 1 && lines[0].trimmed().endsWith("Started.") &&
        snapshot::HeaderCount(lines[1].trimmed()))
        return QStringLiteral("2");
    if (lines.size() < 7 || !lines[0].trimmed().endsWith("Started."))
        return {};
    // The start line, then GGA, GSA, two GSV and the date sentence.
    const QString gga = QString::fromLatin1(lines[1].trimmed());
    const QString date = QString::fromLatin1(lines[5].trimmed());
    return RecordingTuner(gga, date).value_or(QString());
}

QString AnalysisReader::Read(QIODevice& in, const std::function<bool(double)>& turn) {
    stopped = false;
    const QByteArray head = in.peek(4096);
    const qsizetype nl = head.indexOf('\n');
    lastWasRecording = nl >= 0 && head.left(nl).trimmed().endsWith("Started.");
    lastTuner = tuner;
    if (lastWasRecording) {
        if (const QString model = RecordingModel(head); !model.isEmpty())
            lastTuner = model;
    }

    Nav nav;
    nav.TunerType = lastTuner;
    nav.Pi = kPi;
    NAV_FORM form(nav);
    form.PrepareDisplay();
    Receiver rx(nav, form, nullptr);
    rx.afterEpoch = [&] { sampler.Sample(FixOf(nav, form)); };

    const qint64 size = in.isSequential() ? -1 : in.size();
    qint64 done = 0;
    // A recording of whole epochs: each snapshot is shown as replay shows it, one epoch of its
    // own, from the sentences its count line announces.
    const bool snapshots = lastWasRecording && head.contains("\n#SNAPSHOT,");
    bool inSnapshot = false;
    int left = 0;
    for (;;) {
        const QByteArray chunk = snapshots ? in.readLine(Receiver::kMaxLine + 1) : in.read(1 << 16);
        if (chunk.isEmpty())
            break;
        done += chunk.size();
        if (!snapshots) {
            rx.AssembleBytes(chunk);
        } else if (const auto count = snapshot::HeaderCount(chunk.trimmed())) {
            if (inSnapshot)
                rx.EndSnapshot();
            rx.StartSnapshot();
            inSnapshot = true;
            left = *count;
        } else if (inSnapshot && left > 0 && chunk.endsWith('\n')) {
            --left;
            rx.AssembleBytes(chunk);
        }
        if (turn && !turn(size > 0 ? double(done) / double(size) : -1.0)) {
            stopped = true;
            return {};
        }
    }
    if (inSnapshot)
        rx.EndSnapshot();
    // A last line without its line end still counts.
    if (!nav.RxBuffer[1].isEmpty())
        rx.AssembleLines(u"\n");
    // And the epoch under way when the input ended.
    rx.Flush();
    if (in.bytesAvailable() > 0 || (!in.atEnd() && !in.isSequential()))
        return in.errorString();
    return {};
}

} // namespace velsor::analysis
