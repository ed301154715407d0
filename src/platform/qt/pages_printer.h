#pragma once
// Prints or exports a window's pages (display lists), each on a sheet of its own: the
// reception analysis window, whose pages are larger than what it shows at once.

#include "drawing/painter.h"
#include "platform/printer.h"

#include <functional>
#include <vector>

namespace velsor::platform {

class PagesPrinter : public Printer {
public:
    PagesPrinter(std::function<std::vector<PictureBox>()> pages, drawing::Style style)
        : pages(std::move(pages)), style(std::move(style)) {}

    // On the default printer, landscape, each page scaled to fit a sheet.
    PrintResult PrintWindow(const QString& documentName) override;
    // ".png" one image of every page, ".pdf" a page each.
    bool SaveWindowImage(const QString& path) override;

    // The printer name used instead of the system default; empty: the default.
    QString printerName;

private:
    std::function<std::vector<PictureBox>()> pages;
    drawing::Style style;
};

} // namespace velsor::platform
