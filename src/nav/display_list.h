#pragma once
// A drawing surface kept as a list of primitives in twips: the surface's persistent image. A
// view paints it, a printer prints it, a test reads it.

#include "nav/controls.h"

#include <QPointF>
#include <QString>

#include <functional>
#include <optional>
#include <utility>
#include <vector>

namespace velsor {

// The part of the segment (x1, y1)-(x2, y2) inside the rectangle, as the fractions [t0, t1]
// of the way along it (Liang-Barsky); nothing when none of it is inside.
std::optional<std::pair<double, double>> SegmentInside(double x1, double y1, double x2, double y2,
                                                       double left, double top, double right,
                                                       double bottom);

struct DrawOp {
    // Mark: a filled box with centred text, as a satellite mark on the sky plot; one moved off
    // its satellite's place has a dot there and a line to it. Polyline: lines through points.
    // Polygon: the area inside points. Box: a rectangle.
    enum class Kind { Line, Circle, Text, Mark, Polyline, Polygon, Box };
    Kind kind = Kind::Line;
    double x1 = 0, y1 = 0; // line start, circle centre, text top-left, mark centre, box corner
    double x2 = 0, y2 = 0; // line end; mark and box width and height; box a text wraps in
    double radius = 0;
    QString text;
    Rgb color = kBlack;    // pen; a mark's fill
    bool bold = false;     // a mark's text
    double ax = 0, ay = 0; // a mark's satellite: where it is
    // Sizes in twips, where 0 takes the surface's pen or font.
    double width = 0;        // pen
    double textSize = 0;     // text height (a mark's, the analysis drawings' texts)
    std::optional<Rgb> fill; // Circle, Polygon, Box: the inside
    bool hatched = false;    // Polygon, Box: cross-hatched in dark grey over the fill
    bool outline = true;     // Polygon, Box: drawn around in the pen
    std::vector<QPointF> points;
};

// The advance of a text at a size, both in twips: the painter's fonts know it, a model
// without them estimates it.
using TextWidth = std::function<double(const QString& text, double size)>;
double EstimateTextWidth(const QString& text, double size);

struct PictureBox {
    // Placement in the parent window.
    int left = 0, top = 0, width = 0, height = 0;
    Rgb backColor = kGrey;
    QString toolTip;
    // The drawing scale, in twips.
    double scaleLeft = 0, scaleTop = 0, scaleWidth = 0, scaleHeight = 0;
    Rgb foreColor = kBlack;
    std::vector<DrawOp> ops;
    // Whether the marks at the end of ops stand where PlaceMarks put them; whoever writes
    // marks clears it.
    bool marksPlaced = true;

    // Moves the marks at the end of ops apart, so that none covers another's text or dot: each
    // in its order, at its satellite's place when that is free, else at the nearest free place
    // around it (or the least covered one). Does nothing while they are placed.
    void PlaceMarks();

    void Cls() { ops.clear(); }
    void Line(double x1, double y1, double x2, double y2, Rgb color) {
        DrawOp& op = ops.emplace_back();
        op.x1 = x1, op.y1 = y1, op.x2 = x2, op.y2 = y2, op.color = color;
    }
    void Circle(double cx, double cy, double radius, Rgb color) {
        DrawOp& op = ops.emplace_back();
        op.kind = DrawOp::Kind::Circle;
        op.x1 = cx, op.y1 = cy, op.radius = radius, op.color = color;
    }
    void Print(double x, double y, const QString& text) {
        DrawOp& op = ops.emplace_back();
        op.kind = DrawOp::Kind::Text;
        op.x1 = x, op.y1 = y, op.text = text, op.color = foreColor;
    }
    void Mark(double cx, double cy, double w, double h, const QString& text, Rgb fill, bool bold) {
        DrawOp& op = ops.emplace_back();
        op.kind = DrawOp::Kind::Mark;
        op.x1 = cx, op.y1 = cy, op.x2 = w, op.y2 = h, op.text = text, op.color = fill;
        op.bold = bold;
    }
};

} // namespace velsor
