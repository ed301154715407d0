#pragma once
// Putting a window's client area on paper, or into a file, as one image. The view that shows
// the window provides the implementation, since only it can paint the area.

#include <QString>

namespace velsor::platform {

enum class PrintResult { Printed, NoPrinter, Failed };

class Printer {
public:
    virtual ~Printer() = default;
    // The client area as shown, on the default printer, without a dialog, scaled to fit the
    // page.
    virtual PrintResult PrintWindow(const QString& documentName) = 0;
    // The same image into a file whose extension (".png", ".pdf", ".svg", any case) picks
    // the format. False when it cannot be written.
    virtual bool SaveWindowImage(const QString& path) = 0;
};

} // namespace velsor::platform
