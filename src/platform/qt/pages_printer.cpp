#include "platform/qt/pages_printer.h"

#include <QPageLayout>
#include <QPrinter>
#include <QPrinterInfo>

namespace velsor::platform {

PrintResult PagesPrinter::PrintWindow(const QString& documentName) {
    const QPrinterInfo info = printerName.isEmpty() ? QPrinterInfo::defaultPrinter()
                                                    : QPrinterInfo::printerInfo(printerName);
    if (info.isNull())
        return PrintResult::NoPrinter;
    QPrinter printer(info, QPrinter::HighResolution);
    printer.setDocName(documentName);
    printer.setPageOrientation(QPageLayout::Landscape);
    const std::vector<PictureBox> sheets = pages();
    if (!drawing::PaintSheets(printer, sheets, style) ||
        printer.printerState() == QPrinter::Error || printer.printerState() == QPrinter::Aborted)
        return PrintResult::Failed;
    return PrintResult::Printed;
}

bool PagesPrinter::SaveWindowImage(const QString& path) {
    const std::vector<PictureBox> sheets = pages();
    return drawing::SavePictures(sheets, path, style).isEmpty();
}

} // namespace velsor::platform
