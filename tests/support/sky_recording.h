#pragma once
// A GT-74/77 recording file as the program writes it (a start line, five-line snapshots every
// three minutes, a stop line), made from the simulated tuner's sky, optionally with a blocked
// sector.

#include "nmea_sim.h"

#include <QByteArray>
#include <QDateTime>

#include <optional>

namespace velsor::testing {

inline QByteArray SkyRecording(int snapshots, std::optional<sim::Sector> blocked) {
    const sim::Tuner tuner = sim::Tuner::Gt74;
    sim::Generator gen(tuner, 1, {});
    gen.setBlocked(blocked);
    const QDateTime start(QDate(2026, 11, 30), QTime(0, 0), Qt::UTC);
    const auto stamp = [](const QDateTime& utc) {
        const QDateTime jst = utc.addSecs(9 * 3600);
        return (jst.date().toString(u"yyyy/MM/dd") + u' ' + jst.time().toString(u"H:mm:ss"))
            .toLatin1();
    };
    QByteArray out = stamp(start) + "(JST) Started.\r\n";
    for (int k = 0; k < snapshots; ++k) {
        const std::int64_t second = std::int64_t(k) * 180;
        const QDateTime utc = start.addSecs(second);
        const sim::Epoch e = gen.epoch(utc, second);
        // GGA, GSA, GSV messages 1 and 2, the date sentence; without CR LF, as stored.
        const QList<QByteArray> gsv = sim::gsvSentences(tuner, e);
        const QByteArray lines[] = {sim::ggaSentence(tuner, e), sim::gsaSentence(e), gsv.value(0),
                                    gsv.value(1), sim::zdaSentence(e)};
        for (const QByteArray& l : lines)
            out += l.trimmed() + "\r\n";
    }
    out += stamp(start.addSecs(std::int64_t(snapshots) * 180)) + "(JST) Stopped.\r\n";
    return out;
}

} // namespace velsor::testing
