#pragma once
// Display lists painted with QPainter (QtGui only, no widgets): the analysis window's pages,
// their print and save, and the tools that draw the same pictures without a display.

#include "nav/display_list.h"

#include <QRectF>
#include <QString>
#include <QStringList>

#include <span>

class QPainter;
class QPagedPaintDevice;

namespace velsor::drawing {

struct Style {
    QStringList families{QStringLiteral("Noto Sans CJK JP")}; // the texts' face, first found
    double penWidth = 15;                                     // twips, for ops without their own
    double textSize = 180;                                    // twips, for ops without their own
};

// Paints ops, antialiased, on a painter whose unit is one twip. Text stands with the top of its
// character cell at its point.
void PaintOps(QPainter& p, std::span<const DrawOp> ops, const Style& style);

// A picture (its back colour and its ops) into target, in the painter's units, scaled to fit
// and centred across.
void PaintPicture(QPainter& p, const PictureBox& picture, const QRectF& target, const Style& style);

// Text widths in the style's face, for layouts made by the models.
TextWidth Measure(const Style& style);

// Pictures into a file by its extension: ".png" one image, the pictures in two columns at
// 15 twips to a pixel; ".pdf" one page each, of the picture's own size. Written whole or not
// at all; returns what went wrong, empty on success.
QString SavePictures(std::span<const PictureBox> pictures, const QString& path, const Style& style);

// Each picture on a sheet of its own, scaled to fit the printable area. False when the device
// could not be painted on.
bool PaintSheets(QPagedPaintDevice& device, std::span<const PictureBox> pictures,
                 const Style& style);

} // namespace velsor::drawing
