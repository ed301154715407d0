#include "render.h"

#include "nav/file_channels.h"

#include <QBuffer>
#include <QFileInfo>
#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>
#ifndef VELSOR_NO_SVG
#include <QSvgGenerator>
#endif

#include <cmath>
#include <numbers>

namespace velsor {

namespace {

// The sky plot is drawn at its own size in twips and scaled to this many pixels across.
constexpr double kWidthPx = 640.0;
// Room under the plot for the legend and the title, in twips.
constexpr double kLegendTwips = 1150.0;

QColor ToQColor(Rgb c) {
    return QColor(c.r, c.g, c.b);
}

// A direction in twips, as the sky plot places satellites: zenith in the centre, north up.
QPointF SkyPoint(const SkyMap::Geometry& g, double azimuth, double elevation) {
    const double rad = std::numbers::pi / 180.0;
    const double rho = g.radius * std::cos(elevation * rad);
    return {g.centreX + rho * std::sin(azimuth * rad), g.centreY - rho * std::cos(azimuth * rad)};
}

QPainterPath CellPath(const SkyMap::Geometry& g, int e, int a) {
    const double el0 = e * SkyMap::kCellDegrees, el1 = std::min(90.0, el0 + SkyMap::kCellDegrees);
    const double az0 = a * SkyMap::kCellDegrees;
    QPainterPath path(SkyPoint(g, az0, el0));
    for (int k = 1; k <= SkyMap::kCellDegrees; ++k)
        path.lineTo(SkyPoint(g, az0 + k, el0));
    for (int k = SkyMap::kCellDegrees; k >= 0; --k)
        path.lineTo(SkyPoint(g, az0 + k, el1));
    path.closeSubpath();
    return path;
}

void Paint(QPainter& p, const SkyMap& map, const SkyMap::Geometry& g, const QString& title) {
    p.setRenderHint(QPainter::Antialiasing, true);
    p.fillRect(QRectF(0, 0, g.width, g.height + kLegendTwips), Qt::white);

    const QPen thin(QColor(96, 96, 96), 6);
    for (int e = 0; e < SkyMap::kElevationCells; ++e) {
        for (int a = 0; a < SkyMap::kAzimuthCells; ++a) {
            const SkyCell& c = map.Cell(e, a);
            if (!c.Seen())
                continue;
            const QPainterPath path = CellPath(g, e, a);
            const Rgb fill =
                c.Blocked() ? SnrBandColour(0) : SnrBandColour(int(std::lround(c.MeanSnr())));
            p.fillPath(path, ToQColor(fill));
            // Covers the hairline seams that antialiasing leaves between neighbours.
            p.strokePath(path, QPen(ToQColor(fill), 8));
            if (c.Blocked()) {
                // Hatched and outlined, so that blocked stands apart from a weak grey cell.
                p.save();
                p.setClipPath(path);
                p.fillPath(path, QBrush(QColor(64, 64, 64), Qt::DiagCrossPattern));
                p.restore();
                p.strokePath(path, thin);
            }
        }
    }

    // The grid as the sky plot draws it.
    // Smaller than the window's 9 points: the grid's fixed offsets were made for a small plot.
    constexpr double kFont = 140;
    QFont font(QStringLiteral("Noto Sans CJK JP"));
    font.setPixelSize(int(kFont));
    p.setFont(font);
    const double baseline = 0.88 * kFont;
    for (const DrawOp& op : g.grid) {
        p.setPen(QPen(ToQColor(op.color), 15));
        p.setBrush(Qt::NoBrush);
        switch (op.kind) {
        case DrawOp::Kind::Line:
            p.drawLine(QPointF(op.x1, op.y1), QPointF(op.x2, op.y2));
            break;
        case DrawOp::Kind::Circle:
            p.drawEllipse(QPointF(op.x1, op.y1), op.radius, op.radius);
            break;
        case DrawOp::Kind::Text:
            p.drawText(QPointF(op.x1, op.y1 + baseline), op.text);
            break;
        case DrawOp::Kind::Mark: // the grid has none
            break;
        }
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
    QFontMetricsF fm(font);
    for (const Key& k : keys) {
        const double w = 200 + 60 + fm.horizontalAdvance(k.text);
        if (x + w > g.width - 60) {
            x = 120;
            y += 220;
        }
        const QRectF box(x, y, 200, 150);
        if (k.colour)
            p.fillRect(box, ToQColor(*k.colour));
        if (k.blocked)
            p.fillRect(box, QBrush(QColor(64, 64, 64), Qt::DiagCrossPattern));
        p.setPen(QPen(Qt::black, 10));
        p.setBrush(Qt::NoBrush);
        p.drawRect(box);
        p.drawText(QPointF(x + 260, y + baseline - 10), k.text);
        x += w + 160;
    }
    p.setPen(Qt::black);
    QFont small = font;
    small.setPixelSize(110);
    p.setFont(small);
    p.drawText(QRectF(120, y + 240, g.width - 240, g.height + kLegendTwips - y - 260),
               Qt::AlignLeft | Qt::TextWordWrap, title);
}

} // namespace

QString RenderSkyMap(const SkyMap& map, const QString& path, const QString& title) {
    const SkyMap::Geometry g = SkyMap::SkyPlotGeometry();
    const double twipsHigh = g.height + kLegendTwips;
    const double scale = kWidthPx / g.width;
    const QSize px(int(std::lround(kWidthPx)), int(std::lround(twipsHigh * scale)));
    const QString ext = QFileInfo(path).suffix().toLower();
    // Drawn in memory, then written whole or not at all: a disk that fills midway leaves any
    // earlier file of that name as it was, and is told.
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    auto write = [&](const QString& failed) {
        return WriteFileWhole(path, buffer.data()) ? QString() : failed;
    };
    if (ext == u"png") {
        QImage image(px, QImage::Format_RGB32);
        image.fill(Qt::white);
        {
            QPainter p(&image);
            p.scale(scale, scale);
            Paint(p, map, g, title);
        }
        const QString failed = QStringLiteral("cannot write the image");
        return image.save(&buffer, "PNG") ? write(failed) : failed;
    }
    if (ext == u"svg") {
#ifdef VELSOR_NO_SVG
        return QStringLiteral("SVG output is not available in the Windows build; use .png or .pdf");
#else
        const QString failed = QStringLiteral("cannot write the drawing");
        QSvgGenerator svg;
        svg.setOutputDevice(&buffer);
        svg.setSize(px);
        svg.setViewBox(QRect(QPoint(0, 0), px));
        svg.setTitle(QStringLiteral("Sky map"));
        QPainter p;
        if (!p.begin(&svg))
            return failed;
        p.scale(scale, scale);
        Paint(p, map, g, title);
        return p.end() ? write(failed) : failed;
#endif
    }
    if (ext == u"pdf") {
        const QString failed = QStringLiteral("cannot write the document");
        QPdfWriter pdf(&buffer);
        pdf.setResolution(1440); // one device unit per twip
        pdf.setPageSize(QPageSize(QSizeF(g.width / 1440.0 * 25.4, twipsHigh / 1440.0 * 25.4),
                                  QPageSize::Millimeter));
        pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
        QPainter p;
        if (!p.begin(&pdf))
            return failed;
        Paint(p, map, g, title);
        return p.end() ? write(failed) : failed;
    }
    return QStringLiteral("the output must end in .png, .svg or .pdf");
}

} // namespace velsor
