#include "platform/qt/pages_printer.h"

#include "platform/qt/qt_window_printer.h"

#include <QPrinter>

namespace velsor::platform {

PrintResult PagesPrinter::PrintWindow(const QString& documentName) {
    const std::unique_ptr<QPrinter> printer = LandscapePrinter(printerName, documentName);
    if (!printer)
        return PrintResult::NoPrinter;
    const std::vector<PictureBox> sheets = pages();
    if (!drawing::PaintSheets(*printer, sheets, style) ||
        printer->printerState() == QPrinter::Error || printer->printerState() == QPrinter::Aborted)
        return PrintResult::Failed;
    return PrintResult::Printed;
}

bool PagesPrinter::SaveWindowImage(const QString& path) {
    const std::vector<PictureBox> sheets = pages();
    return drawing::SavePictures(sheets, path, style).isEmpty();
}

} // namespace velsor::platform
