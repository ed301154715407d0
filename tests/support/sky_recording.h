#pragma once
// A recording file as the program writes it (a start line, a snapshot every three minutes, a
// stop line), made from the simulated tuner's sky, optionally with a blocked sector: the
// GT-74/77's five-line blocks, or the multi-GNSS receiver's whole epochs as the by-fields model
// records them (each second decoded, and the epoch shown written by the recorder's layout).

#include "decoding/receiver.h"
#include "main_window/nav_form.h"
#include "nav/nav.h"
#include "nav/snapshot_format.h"
#include "nmea_sim.h"

#include <QByteArray>
#include <QDateTime>

#include <optional>

namespace velsor::testing {

inline QByteArray SkyRecording(int snapshots, std::optional<sim::Sector> blocked,
                               sim::Tuner tuner = sim::Tuner::Gt74) {
    sim::Generator gen(tuner, 1, {});
    gen.setBlocked(blocked);
    Nav nav;
    nav.TunerType = QStringLiteral("2");
    NAV_FORM form(nav);
    Receiver rx(nav, form, nullptr);
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
        if (tuner == sim::Tuner::Gnss) {
            rx.AssembleBytes(gen.burst(utc, second));
            rx.Flush();
            for (const QString& l : snapshot::Block(rx.Shown()))
                out += l.toLatin1() + "\r\n";
            continue;
        }
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
