#pragma once
// Prints or exports a widget as one image: the client area of a window as it is shown.

#include "platform/printer.h"

#include <QPointer>
#include <QWidget>

#include <functional>

#include <memory>

class QPainter;
class QPrinter;

namespace velsor::platform {

// The printer of that name (empty: the system's default) set up for a landscape document;
// none when there is no such printer.
std::unique_ptr<QPrinter> LandscapePrinter(const QString& printerName, const QString& documentName);

class QtWindowPrinter : public Printer {
public:
    explicit QtWindowPrinter(QWidget* area) : area(area) {}

    // On the default printer, landscape, scaled to fit the printable area (keeping its
    // proportions), centred across the page and at its top.
    PrintResult PrintWindow(const QString& documentName) override;
    bool SaveWindowImage(const QString& path) override;

    // The printer name used instead of the system default; empty: the default.
    QString printerName;
    // Brings the area up to date before it is painted.
    std::function<void()> prepare;

    // Paints the area scaled into target, in the painter's device coordinates.
    static void PaintArea(QWidget& area, QPainter& painter, const QRectF& target);

private:
    QPointer<QWidget> area;
};

} // namespace velsor::platform
