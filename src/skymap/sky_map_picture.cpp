#include "skymap/sky_map.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace velsor {

namespace {

// Room under the plot for the legend and the footer.
constexpr double kLegendTwips = 1150.0;
// Smaller than the window's 9 points: the grid's fixed offsets were made for a small plot.
constexpr double kFont = 140;
constexpr double kFooterFont = 110;
constexpr double kGridPen = 15;
constexpr Rgb kHatchOutline = RGB(96, 96, 96);

// A direction in twips, as the sky plot places satellites: zenith in the centre, north up.
QPointF SkyPoint(const SkyMap::Geometry& g, double azimuth, double elevation) {
    const double rad = std::numbers::pi / 180.0;
    const double rho = g.radius * std::cos(elevation * rad);
    return {g.centreX + rho * std::sin(azimuth * rad), g.centreY - rho * std::cos(azimuth * rad)};
}

std::vector<QPointF> CellOutline(const SkyMap::Geometry& g, int e, int a) {
    const double el0 = e * SkyMap::kCellDegrees, el1 = std::min(90.0, el0 + SkyMap::kCellDegrees);
    const double az0 = a * SkyMap::kCellDegrees;
    std::vector<QPointF> points;
    points.reserve(2 * SkyMap::kCellDegrees + 2);
    for (int k = 0; k <= SkyMap::kCellDegrees; ++k)
        points.push_back(SkyPoint(g, az0 + k, el0));
    for (int k = SkyMap::kCellDegrees; k >= 0; --k)
        points.push_back(SkyPoint(g, az0 + k, el1));
    return points;
}

DrawOp Area(std::vector<QPointF> points, std::optional<Rgb> fill, Rgb pen, double width,
            bool hatched) {
    DrawOp op;
    op.kind = DrawOp::Kind::Polygon;
    op.points = std::move(points);
    op.fill = fill;
    op.color = pen;
    op.width = width;
    op.hatched = hatched;
    return op;
}

DrawOp Text(double x, double y, const QString& text, double size, Rgb colour = kBlack) {
    DrawOp op;
    op.kind = DrawOp::Kind::Text;
    op.x1 = x;
    op.y1 = y;
    op.text = text;
    op.textSize = size;
    op.color = colour;
    return op;
}

} // namespace

PictureBox SkyMapPicture(const SkyMap& map, const QString& footer, const TextWidth& measure) {
    const SkyMap::Geometry g = SkyMap::SkyPlotGeometry();
    PictureBox pic;
    pic.backColor = kWhite;
    pic.scaleWidth = g.width;
    pic.scaleHeight = g.height + kLegendTwips;
    std::vector<DrawOp>& ops = pic.ops;

    for (int e = 0; e < SkyMap::kElevationCells; ++e) {
        for (int a = 0; a < SkyMap::kAzimuthCells; ++a) {
            const SkyCell& c = map.Cell(e, a);
            if (!c.Seen())
                continue;
            const Rgb fill =
                c.Blocked() ? SnrBandColour(0) : SnrBandColour(int(std::lround(c.MeanSnr())));
            // Outlined in its own colour: covers the hairline seams that antialiasing leaves
            // between neighbours.
            ops.push_back(Area(CellOutline(g, e, a), fill, fill, 8, false));
            // Hatched and outlined, so that blocked stands apart from a weak grey cell.
            if (c.Blocked())
                ops.push_back(Area(CellOutline(g, e, a), std::nullopt, kHatchOutline, 6, true));
        }
    }

    // The grid as the sky plot draws it.
    for (DrawOp op : g.grid) {
        op.width = kGridPen;
        op.textSize = kFont;
        ops.push_back(std::move(op));
    }

    // Legend: the SNR bands, blocked, never seen.
    struct Key {
        QString text;
        std::optional<Rgb> colour;
        bool blocked;
    };
    const Key keys[] = {
        {QStringLiteral("0"), SnrBandColour(0), false},
        {QStringLiteral("1-40"), SnrBandColour(1), false},
        {QStringLiteral("41-45"), SnrBandColour(41), false},
        {QStringLiteral("46 =<"), SnrBandColour(46), false}, // as the main window says it
        {QStringLiteral("遮へい"), SnrBandColour(0), true},
        {QStringLiteral("未受信"), std::nullopt, false},
    };
    double x = 120;
    double y = g.height + 40;
    for (const Key& k : keys) {
        const double w = 200 + 60 + measure(k.text, kFont);
        if (x + w > g.width - 60) {
            x = 120;
            y += 220;
        }
        DrawOp box;
        box.kind = DrawOp::Kind::Box;
        box.x1 = x;
        box.y1 = y;
        box.x2 = 200;
        box.y2 = 150;
        box.fill = k.colour;
        box.hatched = k.blocked;
        box.width = 10;
        ops.push_back(box);
        ops.push_back(Text(x + 260, y - 10, k.text, kFont));
        x += w + 160;
    }
    DrawOp note = Text(120, y + 240, footer, kFooterFont);
    note.x2 = g.width - 240;
    note.y2 = g.height + kLegendTwips - y - 260;
    ops.push_back(std::move(note));
    return pic;
}

} // namespace velsor
