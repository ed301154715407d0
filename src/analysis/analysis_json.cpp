#include "analysis/analysis_json.h"

#include <QDateTime>

#include <cmath>

namespace velsor::analysis {

namespace {

QByteArray Num(double v, int decimals) {
    return std::isfinite(v) ? QByteArray::number(v, 'f', decimals) : QByteArray("null");
}

QByteArray Utc(std::int64_t ms) {
    if (ms == kNoTime)
        return "null";
    return '"' +
           QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC)
               .toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzzZ"))
               .toLatin1() +
           '"';
}

QByteArray Share(std::uint64_t part, std::uint64_t whole) {
    return whole ? Num(double(part) / double(whole), 4) : QByteArray("null");
}

} // namespace

QByteArray AnalysisJson(const ReceptionAnalysis& a, const QByteArray& extra) {
    QByteArray o = "{" + extra;
    o += "\"epochs\":" + QByteArray::number(a.Epochs());
    // An input without any time has no first or last moment, only its epochs in order.
    o += ",\"first\":" + Utc(a.Clockless() ? kNoTime : a.FirstEpoch());
    o += ",\"last\":" + Utc(a.Clockless() ? kNoTime : a.LastEpoch());
    const auto ttff = a.TimeToFirstFix();
    o += ",\"time_to_first_fix_s\":" + (ttff ? Num(double(*ttff) / 1000, 1) : "null");
    o += ",\"fix_share\":{\"3d\":" + Share(a.EpochsWithMode(3), a.Epochs());
    o += ",\"2d\":" + Share(a.EpochsWithMode(2), a.Epochs());
    o += ",\"none\":" + Share(a.EpochsWithMode(1), a.Epochs()) + "}";

    const PositionStats::Figures f = a.Position().Compute();
    o += ",\"position\":{\"fixes\":" + QByteArray::number(f.fixes);
    if (f.fixes > 0) {
        o += ",\"mean_lat\":" + Num(f.meanLat, 9) + ",\"mean_lon\":" + Num(f.meanLon, 9);
        o += ",\"cep50_m\":" + Num(f.cep50, 3) + ",\"cep95_m\":" + Num(f.cep95, 3);
        o += ",\"drms2_m\":" + Num(f.drms2, 3);
        o += ",\"sigma_east_m\":" + Num(f.sigmaEast, 3) +
             ",\"sigma_north_m\":" + Num(f.sigmaNorth, 3);
        o += f.cepExact ? ",\"cep_exact\":true" : ",\"cep_exact\":false";
    }
    o += ",\"heights\":" + QByteArray::number(f.heights);
    if (f.heights > 0) {
        o += ",\"alt_mean_m\":" + Num(f.altMean, 2) + ",\"alt_sigma_m\":" + Num(f.altSigma, 2);
        o += ",\"alt_min_m\":" + Num(f.altMin, 2) + ",\"alt_max_m\":" + Num(f.altMax, 2);
    }
    o += "}";

    // SNR by elevation, per system: bins of 5 degrees from the horizon up.
    o += ",\"elevation_bin_degrees\":" + QByteArray::number(kBinDegrees) + ",\"elevation\":[";
    bool first = true;
    for (GnssSystem s : a.SystemsSeen()) {
        o += first ? "{" : ",{";
        first = false;
        o += "\"system\":\"" + QByteArray(SystemName(s)) + "\",\"bins\":[";
        for (int b = 0; b < kElevationBins; ++b) {
            const ElevationBin& bin = a.Bin(s, b);
            o += b ? ",{" : "{";
            o += "\"el\":" + QByteArray::number(b * kBinDegrees);
            o += ",\"sightings\":" + QByteArray::number(bin.sightings);
            o += ",\"heard\":" + QByteArray::number(bin.heard);
            o += ",\"mean_snr\":" + (bin.heard ? Num(bin.MeanSnr(), 1) : "null") + "}";
        }
        o += "]}";
    }
    o += "]";

    // Each satellite over the session.
    const SatelliteTable& table = a.Satellites();
    std::vector<SatSum> sums(std::size_t(table.Size()));
    for (const Bucket* b : a.History(ReceptionAnalysis::Range::Session).buckets) {
        if (!b)
            continue;
        for (const SatSum& s : b->sats) {
            sums[s.sat].samples += s.samples;
            sums[s.sat].used += s.used;
            sums[s.sat].snrSum += s.snrSum;
        }
    }
    o += ",\"satellites\":[";
    for (int i = 0; i < table.Size(); ++i) {
        const SatSum& s = sums[std::size_t(i)];
        o += i ? ",{" : "{";
        o += "\"id\":\"" + table.Name(i).toLatin1() + "\"";
        o += ",\"system\":\"" + QByteArray(SystemName(table.System(i))) + "\"";
        o += ",\"prn\":" + QByteArray::number(table.Prn(i));
        o += ",\"heard\":" + QByteArray::number(s.samples);
        o += ",\"used\":" + QByteArray::number(s.used);
        o += ",\"mean_snr\":" + (s.samples ? Num(double(s.snrSum) / s.samples, 1) : "null");
        o += "}";
    }
    o += "]";
    // The sky map's cells, as velsor-skymap gives them: the lower corner of each cell seen.
    const SkyMap& sky = a.Sky();
    o += ",\"sky\":{\"cell_degrees\":" + QByteArray::number(SkyMap::kCellDegrees);
    o += ",\"sightings\":" + QByteArray::number(sky.Sightings()) + ",\"cells\":[";
    first = true;
    for (int e = 0; e < SkyMap::kElevationCells; ++e) {
        for (int az = 0; az < SkyMap::kAzimuthCells; ++az) {
            const SkyCell& c = sky.Cell(e, az);
            if (!c.Seen())
                continue;
            o += first ? "{" : ",{";
            first = false;
            o += "\"el\":" + QByteArray::number(e * SkyMap::kCellDegrees);
            o += ",\"az\":" + QByteArray::number(az * SkyMap::kCellDegrees);
            o += ",\"sightings\":" + QByteArray::number(c.sightings);
            o += ",\"zero_snr\":" + QByteArray::number(c.zeroSnr);
            o += ",\"mean_snr\":" + Num(c.MeanSnr(), 1);
            o += c.Blocked() ? ",\"blocked\":true}" : ",\"blocked\":false}";
        }
    }
    o += "]}}";
    return o;
}

} // namespace velsor::analysis
