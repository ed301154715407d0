#pragma once
// Putting a window's client area on paper, or into a file, as one image. The view that shows
// the window provides the implementation, since only it can paint the area.

#include "platform/dialogs.h"

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

// A message box of a window that prints: an exclamation for a notice, none for a question.
MsgResult WindowMessage(Dialogs& dialogs, const QString& text, MsgButtons buttons);

// ﾌｧｲﾙ > 印刷 of such a window: on the default printer; without one, and if the user agrees,
// the PDF file chosen to save the window into instead. Empty: nothing more to do.
QString PrintOrChoosePdf(Printer& printer, const QString& documentName, Dialogs& dialogs);

} // namespace velsor::platform
