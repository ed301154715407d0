#pragma once
// The sky obstruction map: every satellite sighting of $GPGSV (elevation, azimuth, SNR), read
// at the decoders' fixed positions, gathered into cells of 10 degrees of azimuth by 10 degrees
// of elevation. A cell whose satellites are mostly heard with SNR 0 is blocked.

#include "decoding/stream_health.h"
#include "nav/controls.h"
#include "nav/display_list.h"

#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <QStringView>

#include <array>
#include <cstdint>
#include <optional>

namespace velsor {

struct SkyCell {
    std::uint32_t sightings = 0;
    std::uint32_t zeroSnr = 0;
    std::uint64_t snrSum = 0;

    bool Seen() const { return sightings > 0; }
    double MeanSnr() const { return sightings ? double(snrSum) / sightings : 0.0; }
    // At least half of the sightings without a signal.
    bool Blocked() const { return sightings > 0 && 2 * zeroSnr >= sightings; }
};

// The legend's colour of an SNR: 0 grey, 1-40 red, 41-45 yellow, 46 and up green.
Rgb SnrBandColour(int snr);

class SkyMap {
public:
    static constexpr int kCellDegrees = 10;
    static constexpr int kElevationCells = 9; // 0-9 .. 80-90
    static constexpr int kAzimuthCells = 36;  // 0-9 .. 350-359

    // One sighting; returns false when the values are outside the sky.
    bool Add(int elevation, int azimuth, int snr);
    // Every satellite slot of one $GPGSV line, at the positions the decoders read for this
    // tuner setting. Slots the decoders would not plot (elevation 00, azimuth 000, fields that
    // are not digits) are left out.
    void AddGsv(QStringView line, QStringView tunerType);
    // Every satellite of one GSV line of any talker, read by its fields (tuner "2"), with the
    // same rule for what is left out; an empty SNR counts as 0.
    void AddGsvFields(QStringView line);

    const SkyCell& Cell(int elevationIndex, int azimuthIndex) const {
        return cells[elevationIndex][azimuthIndex];
    }
    std::uint64_t Sightings() const { return sightings; }

    std::uint64_t gsvLines = 0;
    std::uint64_t snapshots = 0; // GGA lines: one per snapshot of a recording

    // {"cell_degrees":10,"sightings":..,"cells":[...],"mean_snr":[[..36..] x9]}; extra is
    // inserted as is after the opening brace (keys of the caller, comma-terminated).
    QByteArray Json(const QByteArray& extra = {}) const;

    // The map in the sky plot's geometry, on a surface of the main window's sky-plot size: the
    // grid ops as DrawSkyGrid draws them, and the centre and radius of the horizon ring.
    struct Geometry {
        double centreX = 0, centreY = 0, radius = 0;
        double width = 0, height = 0; // twips
        std::vector<DrawOp> grid;
    };
    static Geometry SkyPlotGeometry();

    void Clear() { *this = SkyMap(); }

private:
    std::array<std::array<SkyCell, kAzimuthCells>, kElevationCells> cells{};
    std::uint64_t sightings = 0;
};

// The map as velsor-skymap draws it and the reception analysis shows it, in twips on a white
// surface: the cells in the sky plot's geometry (SkyPlotGeometry), its grid, the legend, and
// the footer below them. measure gives the legend's text widths.
PictureBox SkyMapPicture(const SkyMap& map, const QString& footer,
                         const TextWidth& measure = EstimateTextWidth);

// Feeds a file through the receive path and gathers its GSV sightings. A recording of the
// program (first line ending in "Started.") and a raw capture are told apart by the first line;
// both go through the same line assembler. A recording of whole epochs (snapshot headers) is
// read by fields whatever the tuner setting.
class SkyMapReader final : public StreamListener {
public:
    SkyMapReader(SkyMap& map, QString tunerType) : map(map), tuner(std::move(tunerType)) {}
    // Returns an error text, empty on success.
    QString Read(QIODevice& in);
    bool lastWasRecording = false;

    void Line(QStringView line) override;
    void Dropped(QStringView, bool) override {}

private:
    SkyMap& map;
    QString tuner;
    bool byFields = false; // the file is a recording of whole epochs
};

} // namespace velsor
