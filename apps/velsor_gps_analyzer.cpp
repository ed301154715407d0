// velsor-gps-analyzer: the GPS receiver monitor with its main window.

#include "views/analyzer_app.h"

int main(int argc, char* argv[]) {
    return velsor::views::RunAnalyzer(argc, argv);
}
