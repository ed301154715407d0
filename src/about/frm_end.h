#pragma once
// FrmEnd: the closing window. Shown over the main window on the way out when the graph or
// replay window was used; it ends the program itself.

#include "nav/controls.h"
#include "platform/dialogs.h"
#include "platform/program.h"

#include <QString>

#include <functional>

namespace velsor {

// A window's outer rectangle in screen coordinates, in twips.
struct WindowRect {
    int left = 0, top = 0, width = 0, height = 0;
};

class FrmEnd {
public:
    FrmEnd(platform::Dialogs& dialogs, platform::Program& program);

    QString caption = QStringLiteral("Velsor GPS Analyzer");
    int clientWidth = 5655, clientHeight = 765;
    // The window's outer rectangle. Width and Height start as the client size; a view with a
    // frame puts its outer size there before loading.
    int Left = 0, Top = 0, Width = 5655, Height = 765;

    Image Image1; // the program icon
    Label Label1;

    // Centres the window over the main window, then shows it modally.
    void Form_Load(const WindowRect& mainWindow);
    // Busy pointer, one pass of pending events so the window is drawn, then the end.
    void Form_Activate();

    // Set by the view: shows the window modally.
    std::function<void()> showModal;

private:
    platform::Dialogs& dialogs;
    platform::Program& program;
};

} // namespace velsor
