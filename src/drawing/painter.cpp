#include "drawing/painter.h"

#include "nav/file_channels.h"

#include <QBuffer>
#include <QFileInfo>
#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>

#include <algorithm>
#include <cmath>
#include <map>

namespace velsor::drawing {

namespace {

QColor ToQColor(Rgb c) {
    return QColor(c.r, c.g, c.b);
}

QFont FontOf(const Style& s, double size) {
    QFont f(s.families.value(0));
    if (s.families.size() > 1)
        f.setFamilies(s.families);
    f.setPixelSize(std::max(1, int(size)));
    return f;
}

// The cells drawn over a fill to mark a part of the sky nobody hears.
QBrush Hatch() {
    return QBrush(QColor(64, 64, 64), Qt::DiagCrossPattern);
}

QPainterPath PathThrough(const std::vector<QPointF>& points) {
    QPainterPath path(points.front());
    for (std::size_t i = 1; i < points.size(); ++i)
        path.lineTo(points[i]);
    path.closeSubpath();
    return path;
}

double WidthOf(const PictureBox& pic) {
    return pic.scaleWidth > 0 ? pic.scaleWidth : pic.width;
}
double HeightOf(const PictureBox& pic) {
    return pic.scaleHeight > 0 ? pic.scaleHeight : pic.height;
}

} // namespace

void PaintOps(QPainter& p, std::span<const DrawOp> ops, const Style& s) {
    p.setRenderHint(QPainter::Antialiasing, true);
    std::map<int, QFont> fonts;
    auto font = [&](double size) -> const QFont& {
        auto [it, added] = fonts.try_emplace(int(size));
        if (added)
            it->second = FontOf(s, size);
        return it->second;
    };
    // Set only when it changes: a drawing file starts a new group at every change.
    int fontSize = -1;
    auto useFont = [&](double size) {
        if (int(size) != fontSize)
            p.setFont(font(size));
        fontSize = int(size);
    };
    for (const DrawOp& op : ops) {
        const QPen pen(ToQColor(op.color), op.width > 0 ? op.width : s.penWidth);
        switch (op.kind) {
        case DrawOp::Kind::Line:
            p.setPen(pen);
            p.setBrush(Qt::NoBrush);
            p.drawLine(QPointF(op.x1, op.y1), QPointF(op.x2, op.y2));
            break;
        case DrawOp::Kind::Circle:
            p.setPen(pen);
            p.setBrush(op.fill ? QBrush(ToQColor(*op.fill)) : QBrush(Qt::NoBrush));
            p.drawEllipse(QPointF(op.x1, op.y1), op.radius, op.radius);
            break;
        case DrawOp::Kind::Text: {
            const double size = op.textSize > 0 ? op.textSize : s.textSize;
            p.setPen(pen);
            useFont(size);
            if (op.x2 > 0 && op.y2 > 0)
                p.drawText(QRectF(op.x1, op.y1, op.x2, op.y2), Qt::AlignLeft | Qt::TextWordWrap,
                           op.text);
            else // a baseline at 0.88 of the size puts the top of the cell at the point
                p.drawText(QPointF(op.x1, op.y1 + 0.88 * size), op.text);
            break;
        }
        case DrawOp::Kind::Mark: {
            const QRectF box(op.x1 - op.x2 / 2, op.y1 - op.y2 / 2, op.x2, op.y2);
            p.fillRect(box, ToQColor(op.color));
            QFont f = font(op.textSize > 0 ? op.textSize : s.textSize);
            f.setBold(op.bold);
            p.setFont(f);
            fontSize = -1;
            p.setPen(Qt::black);
            p.drawText(box, Qt::AlignCenter, op.text);
            break;
        }
        case DrawOp::Kind::Polyline:
            if (op.points.size() < 2)
                break;
            p.setPen(QPen(pen.brush(), pen.widthF(), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.setBrush(Qt::NoBrush);
            p.drawPolyline(op.points.data(), int(op.points.size()));
            break;
        case DrawOp::Kind::Polygon: {
            if (op.points.size() < 3)
                break;
            const QPainterPath path = PathThrough(op.points);
            if (op.fill)
                p.fillPath(path, ToQColor(*op.fill));
            if (op.hatched) {
                p.save();
                p.setClipPath(path);
                p.fillPath(path, Hatch());
                p.restore();
            }
            if (op.outline)
                p.strokePath(path, pen);
            break;
        }
        case DrawOp::Kind::Box: {
            const QRectF box(op.x1, op.y1, op.x2, op.y2);
            if (op.fill)
                p.fillRect(box, ToQColor(*op.fill));
            if (op.hatched)
                p.fillRect(box, Hatch());
            if (op.outline) {
                p.setPen(pen);
                p.setBrush(Qt::NoBrush);
                p.drawRect(box);
            }
            break;
        }
        }
    }
}

void PaintPicture(QPainter& p, const PictureBox& pic, const QRectF& target, const Style& s) {
    const double w = WidthOf(pic), h = HeightOf(pic);
    if (w <= 0 || h <= 0)
        return;
    const double k = std::min(target.width() / w, target.height() / h);
    p.save();
    p.translate(target.left() + (target.width() - w * k) / 2, target.top());
    p.scale(k, k);
    p.translate(-pic.scaleLeft, -pic.scaleTop);
    const QRectF surface(pic.scaleLeft, pic.scaleTop, w, h);
    p.fillRect(surface, ToQColor(pic.backColor));
    p.setClipRect(surface);
    PaintOps(p, pic.ops, s);
    p.restore();
}

TextWidth Measure(const Style& style) {
    return [style](const QString& text, double size) {
        return QFontMetricsF(FontOf(style, size)).horizontalAdvance(text);
    };
}

QString SavePictures(std::span<const PictureBox> pictures, const QString& path,
                     const Style& style) {
    if (pictures.empty())
        return QStringLiteral("nothing to draw");
    const QString ext = QFileInfo(path).suffix().toLower();
    double w = 0, h = 0; // twips, of the largest picture
    for (const PictureBox& pic : pictures) {
        w = std::max(w, WidthOf(pic));
        h = std::max(h, HeightOf(pic));
    }
    // Drawn in memory, then written whole or not at all: a disk that fills midway leaves any
    // earlier file of that name as it was.
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    if (ext == u"png") {
        constexpr double kTwipsPerPixel = 15;
        const int columns = pictures.size() > 1 ? 2 : 1;
        const int rows = int((pictures.size() + columns - 1) / columns);
        const int cw = int(std::ceil(w / kTwipsPerPixel)), ch = int(std::ceil(h / kTwipsPerPixel));
        QImage image(cw * columns, ch * rows, QImage::Format_RGB32);
        image.fill(Qt::white);
        {
            QPainter p(&image);
            for (std::size_t i = 0; i < pictures.size(); ++i) {
                const QRectF cell(double(i % columns) * cw, double(i / columns) * ch,
                                  WidthOf(pictures[i]) / kTwipsPerPixel,
                                  HeightOf(pictures[i]) / kTwipsPerPixel);
                PaintPicture(p, pictures[i], cell, style);
            }
        }
        if (!image.save(&buffer, "PNG"))
            return QStringLiteral("cannot make the image");
    } else if (ext == u"pdf") {
        QPdfWriter pdf(&buffer);
        pdf.setResolution(1440); // one device unit per twip
        pdf.setPageSize(
            QPageSize(QSizeF(w / 1440.0 * 25.4, h / 1440.0 * 25.4), QPageSize::Millimeter));
        pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
        if (!PaintSheets(pdf, pictures, style))
            return QStringLiteral("cannot make the document");
    } else {
        return QStringLiteral("the output must end in .png or .pdf");
    }
    if (buffer.data().isEmpty() || !WriteFileWhole(path, buffer.data()))
        return QStringLiteral("cannot write the file");
    return {};
}

bool PaintSheets(QPagedPaintDevice& device, std::span<const PictureBox> pictures,
                 const Style& style) {
    QPainter p;
    if (!p.begin(&device))
        return false;
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        if (i > 0 && !device.newPage())
            return false;
        // The painter's origin is the top-left corner of the printable area.
        PaintPicture(p, pictures[i], QRectF(0, 0, device.width(), device.height()), style);
    }
    return p.end();
}

} // namespace velsor::drawing
