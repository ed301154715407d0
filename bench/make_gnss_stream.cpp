// Writes the simulated multi-GNSS receiver's output for a number of seconds to standard output,
// as fast as it is read, for feeding the monitor a long session quickly:
// make-gnss-stream SECONDS [AZ1-AZ2[:ELMAX]]
// The seconds are consecutive from 2026-11-30 00:00:00 UTC; the sky moves with them as it does
// under velsor-sim --tuner 2, with the blocked sector of --blocked-sector when one is given.

#include "nmea_sim.h"
#include "sim_options.h"

#include <QDateTime>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: make-gnss-stream SECONDS [AZ1-AZ2[:ELMAX]]\n");
        return 2;
    }
    bool ok = false;
    const qint64 seconds = QByteArray(argv[1]).toLongLong(&ok);
    if (!ok || seconds < 1) {
        std::fprintf(stderr, "make-gnss-stream: SECONDS must be a positive number\n");
        return 2;
    }
    const qint64 start = QDateTime(QDate(2026, 11, 30), QTime(0, 0), Qt::UTC).toSecsSinceEpoch();
    velsor::sim::Generator gen(velsor::sim::Tuner::Gnss, 1, {});
    if (argc == 3) {
        const auto sector = velsor::sim::parseSector(QString::fromLocal8Bit(argv[2]));
        if (!sector) {
            std::fprintf(stderr, "make-gnss-stream: bad sector '%s'\n", argv[2]);
            return 2;
        }
        gen.setBlocked(sector);
    }
    for (qint64 s = 0; s < seconds; ++s) {
        const QByteArray burst =
            gen.burst(QDateTime::fromSecsSinceEpoch(start + s, Qt::UTC), std::int64_t(s));
        if (std::fwrite(burst.constData(), 1, std::size_t(burst.size()), stdout) !=
            std::size_t(burst.size()))
            return 0; // the reader has gone
    }
    return std::fflush(stdout) == 0 ? 0 : 1;
}
