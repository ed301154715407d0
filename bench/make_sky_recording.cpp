// Writes a synthetic recording for the sky-map and replay benchmarks and pictures:
// make-sky-recording [--gnss] OUT.CSV SNAPSHOTS [AZ1-AZ2[:ELMAX]]
// (--gnss: the multi-GNSS receiver's whole epochs, as the by-fields model records them)

#include "sim_options.h"
#include "support/sky_recording.h"

#include <QFile>

#include <cstdio>

int main(int argc, char** argv) {
    const bool gnss = argc > 1 && QByteArray(argv[1]) == "--gnss";
    if (gnss) {
        --argc;
        ++argv;
    }
    if (argc < 3 || argc > 4) {
        std::fprintf(stderr,
                     "usage: make-sky-recording [--gnss] OUT.CSV SNAPSHOTS [AZ1-AZ2[:ELMAX]]\n");
        return 2;
    }
    bool ok = false;
    const int n = QByteArray(argv[2]).toInt(&ok);
    std::optional<velsor::sim::Sector> sector;
    if (argc == 4) {
        sector = velsor::sim::parseSector(QString::fromLocal8Bit(argv[3]));
        if (!sector) {
            std::fprintf(stderr, "make-sky-recording: bad sector '%s'\n", argv[3]);
            return 2;
        }
    }
    if (!ok || n < 1) {
        std::fprintf(stderr, "make-sky-recording: SNAPSHOTS must be a positive number\n");
        return 2;
    }
    QFile f(QString::fromLocal8Bit(argv[1]));
    if (!f.open(QIODevice::WriteOnly) ||
        f.write(velsor::testing::SkyRecording(
            n, sector, gnss ? velsor::sim::Tuner::Gnss : velsor::sim::Tuner::Gt74)) < 0) {
        std::fprintf(stderr, "make-sky-recording: cannot write '%s'\n", argv[1]);
        return 1;
    }
    return 0;
}
