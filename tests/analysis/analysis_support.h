#pragma once
// Epochs made by hand for the reception analysis tests, and files read as the window reads them.

#include "analysis/analysis_reader.h"
#include "analysis/reception_analysis.h"

#include <QBuffer>
#include <QDateTime>

#include <initializer_list>
#include <memory>

namespace velsor::testing {

inline GnssSatellite Sat(GnssSystem system, int prn, int el, int az, int snr, bool used = false) {
    GnssSatellite s;
    s.system = system;
    s.prn = std::uint16_t(prn);
    s.el = std::int16_t(el);
    s.az = std::int16_t(az);
    s.snr = std::int16_t(snr);
    s.used = used;
    return s;
}

inline FixSnapshot Fix(int mode, std::optional<double> lat = std::nullopt,
                       std::optional<double> lon = std::nullopt,
                       std::optional<double> alt = std::nullopt,
                       std::initializer_list<GnssSatellite> sats = {}) {
    FixSnapshot f;
    f.mode = mode;
    f.lat = lat;
    f.lon = lon;
    f.alt = alt;
    f.sats.assign(sats.begin(), sats.end());
    return f;
}

// Milliseconds of a UTC date and time.
inline std::int64_t Utc(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s), Qt::UTC).toMSecsSinceEpoch();
}

// A file's bytes read into a fresh analysis, raw captures with `tuner`.
struct Read {
    analysis::ReceptionAnalysis a;
    QString error, tuner;
    bool recording = false;
};

inline std::unique_ptr<Read> ReadBytes(const QByteArray& bytes, const char* tuner) {
    auto r = std::make_unique<Read>();
    analysis::AnalysisReader reader(r->a, QString::fromLatin1(tuner));
    QBuffer in;
    in.setData(bytes);
    in.open(QIODevice::ReadOnly);
    r->error = reader.Read(in);
    reader.Finish();
    r->tuner = reader.lastTuner;
    r->recording = reader.lastWasRecording;
    return r;
}

} // namespace velsor::testing
