#pragma once
// A drawing surface kept as a list of primitives in twips: the surface's persistent image. A
// view paints it, a printer prints it, a test reads it.

#include "nav/controls.h"

#include <QString>

#include <vector>

namespace velsor {

struct DrawOp {
    // Mark: a filled box with centred text, as a satellite mark on the sky plot. A mark moved
    // off its satellite's place has a dot there and a line to it.
    enum class Kind { Line, Circle, Text, Mark };
    Kind kind = Kind::Line;
    double x1 = 0, y1 = 0; // line start, circle centre, text top-left, mark centre
    double x2 = 0, y2 = 0; // line end; mark width and height
    double radius = 0;
    QString text;
    Rgb color = kBlack;    // pen; a mark's fill
    bool bold = false;     // a mark's text
    double ax = 0, ay = 0; // a mark's satellite: where it is
    double textHeight = 0; // a mark's text; 0 the surface's font
};

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
        ops.push_back({DrawOp::Kind::Line, x1, y1, x2, y2, 0, {}, color});
    }
    void Circle(double cx, double cy, double radius, Rgb color) {
        ops.push_back({DrawOp::Kind::Circle, cx, cy, 0, 0, radius, {}, color});
    }
    void Print(double x, double y, const QString& text) {
        ops.push_back({DrawOp::Kind::Text, x, y, 0, 0, 0, text, foreColor});
    }
    void Mark(double cx, double cy, double w, double h, const QString& text, Rgb fill, bool bold) {
        ops.push_back({DrawOp::Kind::Mark, cx, cy, w, h, 0, text, fill, bold});
    }
};

} // namespace velsor
