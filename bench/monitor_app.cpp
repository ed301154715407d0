// The monitor as the load benchmark runs it: the program itself, connecting at start as a
// user pressing Ctrl+S would, and reporting on standard error when it is connected and when it
// first painted (milliseconds since the epoch, for the script to subtract its start time).

#include "views/analyzer_app.h"

#include <QDateTime>

#include <cstdio>

int main(int argc, char* argv[]) {
    velsor::views::AnalyzerHooks hooks;
    hooks.connectAtStart = true;
    hooks.connected = [] { std::fprintf(stderr, "connected\n"); };
    hooks.firstPaint = [] {
        std::fprintf(stderr, "first-paint-epoch-ms %lld\n",
                     static_cast<long long>(QDateTime::currentMSecsSinceEpoch()));
    };
    return velsor::views::RunAnalyzer(argc, argv, hooks);
}
