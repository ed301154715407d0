#pragma once
// The whole program: the application object, the platform, the window models and the main
// window, until the user quits. main() of velsor-gps-analyzer is this with no hooks.

#include "platform/dialogs.h"

#include <functional>

namespace velsor {
class NAV_FORM;
}

namespace velsor::views {

// Measuring aids for the load benchmark; the program itself sets none.
struct AnalyzerHooks {
    bool connectAtStart = false;
    std::function<void()> connected;      // after connecting at start, when the port is open
    std::function<void()> firstPaint;     // the first time any window paints
    std::function<void(NAV_FORM&)> ready; // after connecting at start, with the main window
    // When set, answers every open-file dialog instead of the user (the test runs).
    std::function<QString(const platform::FileDialogOptions&)> openFile;
};

// Returns the exit status. Without a display it says so on standard error and returns 2.
int RunAnalyzer(int argc, char* argv[], const AnalyzerHooks& hooks = {});

} // namespace velsor::views
