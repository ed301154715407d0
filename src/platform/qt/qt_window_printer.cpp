#include "platform/qt/qt_window_printer.h"

#include "nav/file_channels.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPicture>
#include <QPrinter>
#include <QPrinterInfo>
#ifndef VELSOR_NO_SVG
#include <QSvgGenerator>
#endif

namespace velsor::platform {

std::unique_ptr<QPrinter> LandscapePrinter(const QString& printerName,
                                           const QString& documentName) {
    const QPrinterInfo info = printerName.isEmpty() ? QPrinterInfo::defaultPrinter()
                                                    : QPrinterInfo::printerInfo(printerName);
    if (info.isNull())
        return nullptr;
    auto printer = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
    printer->setDocName(documentName);
    printer->setPageOrientation(QPageLayout::Landscape);
    return printer;
}

void QtWindowPrinter::PaintArea(QWidget& w, QPainter& p, const QRectF& target) {
    const double s = std::min(target.width() / w.width(), target.height() / w.height());
    p.save();
    p.translate(target.left() + (target.width() - w.width() * s) / 2, target.top());
    p.scale(s, s);
    const auto flags = QWidget::DrawWindowBackground | QWidget::DrawChildren;
    if (p.device()->devType() == QInternal::Printer) {
        // Widgets render to a printer through a screen-sized pixmap; recorded as a picture
        // first, lines and text reach the page as lines and text.
        QPicture picture;
        QPainter recorder(&picture);
        w.render(&recorder, QPoint(), QRegion(), flags);
        recorder.end();
        // Played on a printer, a picture is scaled to its resolution: the scale above
        // has done that already.
        p.scale(double(picture.logicalDpiX()) / p.device()->logicalDpiX(),
                double(picture.logicalDpiY()) / p.device()->logicalDpiY());
        p.drawPicture(0, 0, picture);
    } else {
        w.render(&p, QPoint(), QRegion(), flags);
    }
    p.restore();
}

PrintResult QtWindowPrinter::PrintWindow(const QString& documentName) {
    if (!area)
        return PrintResult::Failed;
    if (prepare)
        prepare();
    const std::unique_ptr<QPrinter> printer = LandscapePrinter(printerName, documentName);
    if (!printer)
        return PrintResult::NoPrinter;
    QPainter p;
    if (!p.begin(printer.get()))
        return PrintResult::Failed;
    // The painter's origin is the top-left corner of the printable area.
    PaintArea(*area, p, QRectF(QPointF(0, 0), printer->pageRect(QPrinter::DevicePixel).size()));
    if (!p.end() || printer->printerState() == QPrinter::Error ||
        printer->printerState() == QPrinter::Aborted)
        return PrintResult::Failed;
    return PrintResult::Printed;
}

bool QtWindowPrinter::SaveWindowImage(const QString& path) {
    if (!area)
        return false;
    if (prepare)
        prepare();
    const QString ext = QFileInfo(path).suffix().toLower();
    const QSize size = area->size();
    // Drawn in memory, then written whole or not at all: a disk that fills midway leaves any
    // earlier file of that name as it was, and is told, where the writers would leave a cut
    // file and report success.
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    bool ok = false;
    if (ext == u"png") {
        ok = area->grab().save(&buffer, "PNG");
    } else if (ext == u"pdf") {
        // One page of the area's own size at 96 dpi, no margins.
        QPdfWriter pdf(&buffer);
        pdf.setResolution(96);
        pdf.setPageSize(QPageSize(QSizeF(size.width() * 72.0 / 96, size.height() * 72.0 / 96),
                                  QPageSize::Point));
        pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
        QPainter p;
        if (p.begin(&pdf)) {
            PaintArea(*area, p, QRectF(QPointF(0, 0), QSizeF(size)));
            ok = p.end();
        }
    }
#ifndef VELSOR_NO_SVG
    else if (ext == u"svg") {
        QSvgGenerator svg;
        svg.setOutputDevice(&buffer);
        svg.setSize(size);
        svg.setViewBox(QRect(QPoint(0, 0), size));
        svg.setTitle(area->window()->windowTitle());
        QPainter p;
        if (p.begin(&svg)) {
            PaintArea(*area, p, QRectF(QPointF(0, 0), QSizeF(size)));
            ok = p.end();
        }
    }
#endif
    return ok && !buffer.data().isEmpty() && WriteFileWhole(path, buffer.data());
}

} // namespace velsor::platform
