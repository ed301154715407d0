#include "render.h"

#include "drawing/painter.h"
#include "nav/file_channels.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#ifndef VELSOR_NO_SVG
#include <QSvgGenerator>
#endif

#include <cmath>

namespace velsor {

namespace {

// The sky plot is drawn at its own size in twips and scaled to this many pixels across.
constexpr double kWidthPx = 640.0;

void Paint(QPainter& p, const PictureBox& picture) {
    p.setRenderHint(QPainter::Antialiasing, true);
    p.fillRect(QRectF(0, 0, picture.scaleWidth, picture.scaleHeight), Qt::white);
    drawing::PaintOps(p, picture.ops, drawing::Style{});
}

} // namespace

QString RenderSkyMap(const SkyMap& map, const QString& path, const QString& title) {
    const PictureBox picture = SkyMapPicture(map, title, drawing::Measure(drawing::Style{}));
    const double twipsHigh = picture.scaleHeight;
    const double scale = kWidthPx / picture.scaleWidth;
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
            Paint(p, picture);
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
        Paint(p, picture);
        return p.end() ? write(failed) : failed;
#endif
    }
    if (ext == u"pdf") {
        const QString failed = QStringLiteral("cannot write the document");
        QPdfWriter pdf(&buffer);
        pdf.setResolution(1440); // one device unit per twip
        pdf.setPageSize(
            QPageSize(QSizeF(picture.scaleWidth / 1440.0 * 25.4, twipsHigh / 1440.0 * 25.4),
                      QPageSize::Millimeter));
        pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
        QPainter p;
        if (!p.begin(&pdf))
            return failed;
        Paint(p, picture);
        return p.end() ? write(failed) : failed;
    }
    return QStringLiteral("the output must end in .png, .svg or .pdf");
}

} // namespace velsor
