#include "skymap/sky_map.h"

#include "decoding/field_decoder.h"
#include "decoding/gsv_fields.h"
#include "decoding/receiver.h"
#include "main_window/nav_form.h"
#include "nav/nav.h"

#include <cmath>

namespace velsor {

namespace {

std::optional<int> Digits(QStringView line, int pos, int n) {
    if (pos < 1 || pos - 1 + n > line.size())
        return std::nullopt;
    int v = 0;
    for (int i = 0; i < n; ++i) {
        const char16_t c = line[pos - 1 + i].unicode();
        if (c < u'0' || c > u'9')
            return std::nullopt;
        v = v * 10 + (c - u'0');
    }
    return v;
}

char16_t At(QStringView line, int pos) {
    return pos >= 1 && pos <= line.size() ? line[pos - 1].unicode() : 0;
}

} // namespace

Rgb SnrBandColour(int snr) {
    if (snr <= 0)
        return RGB(192, 192, 192);
    if (snr <= 40)
        return RGB(255, 128, 128);
    if (snr <= 45)
        return RGB(255, 255, 128);
    return RGB(128, 255, 128);
}

bool SkyMap::Add(int elevation, int azimuth, int snr) {
    if (elevation < 0 || elevation > 90 || azimuth < 0 || azimuth > 359 || snr < 0)
        return false;
    SkyCell& c =
        cells[std::min(elevation / kCellDegrees, kElevationCells - 1)][azimuth / kCellDegrees];
    ++c.sightings;
    c.snrSum += static_cast<std::uint64_t>(snr);
    if (snr == 0)
        ++c.zeroSnr;
    ++sightings;
    return true;
}

void SkyMap::AddGsv(QStringView line, QStringView tunerType) {
    ++gsvLines;
    const int o = gsv::Offset(tunerType);
    using gsv::Pos;
    for (int j = 0; j < gsv::kSlotsPerMessage; ++j) {
        // A slot starts with a comma; "*" ends the list.
        if (At(line, Pos(gsv::kBefore, o, j)) != u',')
            return;
        const auto no = Digits(line, Pos(gsv::kNumber, o, j), 2);
        const auto el = Digits(line, Pos(gsv::kElevation, o, j), 2);
        const auto az = Digits(line, Pos(gsv::kAzimuth, o, j), 3);
        if (!no || !el || !az)
            return; // the fields are not where this layout puts them
        const auto snr = Digits(line, Pos(gsv::kSnr, o, j), 2);
        // Not tracked: an empty SNR, which also shifts the slots after it.
        const bool untracked = !snr;
        if (*no > 0 && *el > 0 && *az > 0)
            Add(*el, *az, snr.value_or(0));
        if (untracked)
            return;
    }
}

void SkyMap::AddGsvFields(QStringView line) {
    FieldDecoder::Fields f;
    if (!FieldDecoder::Split(line, f))
        return;
    ++gsvLines;
    auto num = [&](int i) -> std::optional<int> {
        const QStringView v = f[i];
        if (v.isEmpty() || v.size() > 3)
            return std::nullopt;
        return Digits(v, 1, static_cast<int>(v.size()));
    };
    for (int b = 4; b + 4 <= f.count; b += 4) {
        const auto no = num(b), el = num(b + 1), az = num(b + 2);
        if (no && el && az && *no > 0 && *el > 0 && *az > 0)
            Add(*el, *az, num(b + 3).value_or(0));
    }
}

QByteArray SkyMap::Json(const QByteArray& extra) const {
    QByteArray o = "{" + extra;
    o += "\"cell_degrees\":" + QByteArray::number(kCellDegrees);
    o += ",\"gsv_lines\":" + QByteArray::number(gsvLines);
    o += ",\"sightings\":" + QByteArray::number(sightings);
    o += ",\"cells\":[";
    bool first = true;
    for (int e = 0; e < kElevationCells; ++e) {
        for (int a = 0; a < kAzimuthCells; ++a) {
            const SkyCell& c = cells[e][a];
            if (!c.Seen())
                continue;
            if (!first)
                o += ',';
            first = false;
            o += "{\"el\":" + QByteArray::number(e * kCellDegrees);
            o += ",\"az\":" + QByteArray::number(a * kCellDegrees);
            o += ",\"sightings\":" + QByteArray::number(c.sightings);
            o += ",\"zero_snr\":" + QByteArray::number(c.zeroSnr);
            o += ",\"mean_snr\":" + QByteArray::number(c.MeanSnr(), 'f', 1);
            o += c.Blocked() ? ",\"blocked\":true}" : ",\"blocked\":false}";
        }
    }
    // Rows by elevation band from the horizon up, columns by azimuth from north; null: never
    // seen.
    o += "],\"mean_snr\":[";
    for (int e = 0; e < kElevationCells; ++e) {
        o += e ? ",[" : "[";
        for (int a = 0; a < kAzimuthCells; ++a) {
            if (a)
                o += ',';
            const SkyCell& c = cells[e][a];
            o += c.Seen() ? QByteArray::number(c.MeanSnr(), 'f', 1) : QByteArray("null");
        }
        o += ']';
    }
    o += "]}";
    return o;
}

SkyMap::Geometry SkyMap::SkyPlotGeometry() {
    Nav nav;
    nav.Pi = kPi;
    NAV_FORM form(nav);
    form.DrawSkyGrid();
    Geometry g;
    g.centreX = nav.SkyCenterX;
    g.centreY = nav.SkyCenterY;
    g.radius = nav.SkyRadius;
    g.width = form.Picture1.scaleWidth;
    g.height = form.Picture1.scaleHeight;
    g.grid = form.Picture1.ops;
    return g;
}

void SkyMapReader::Line(QStringView line) {
    // The type as the dispatcher splits it.
    qsizetype end = 0;
    while (end < line.size() && line[end] != u',' && line[end] != u'*')
        ++end;
    const QStringView type = line.first(end);
    if (type == u"#SNAPSHOT") {
        // A recording of whole epochs is the by-fields model's, whatever the setting: every
        // system's satellites, and a snapshot a header.
        byFields = true;
        ++map.snapshots;
    } else if (tuner == u"2" || byFields) {
        // Any talker.
        if (type.size() == 6 && type[0] == u'$' && type.endsWith(u"GSV"))
            map.AddGsvFields(line);
        else if (type.size() == 6 && type[0] == u'$' && type.endsWith(u"GGA") && !byFields)
            ++map.snapshots;
    } else if (type == u"$GPGSV") {
        map.AddGsv(line, tuner);
    } else if (type == u"$GPGGA") {
        ++map.snapshots;
    }
}

QString SkyMapReader::Read(QIODevice& in) {
    Nav nav;
    nav.TunerType = tuner;
    nav.Pi = kPi;
    NAV_FORM form(nav);
    form.PrepareDisplay();
    Receiver rx(nav, form, nullptr);
    rx.listener = this;
    byFields = false;

    QByteArray head = in.peek(256);
    const qsizetype nl = head.indexOf('\n');
    lastWasRecording = nl >= 0 && head.left(nl).trimmed().endsWith("Started.");

    QByteArray chunk;
    for (;;) {
        chunk = in.read(1 << 16);
        if (chunk.isEmpty())
            break;
        rx.AssembleBytes(chunk);
    }
    // A last line without its line end still counts.
    if (!nav.RxBuffer[1].isEmpty())
        rx.AssembleLines(u"\n");
    if (in.bytesAvailable() > 0 || (!in.atEnd() && !in.isSequential()))
        return in.errorString();
    return {};
}

} // namespace velsor
