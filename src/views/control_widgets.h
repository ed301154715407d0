#pragma once
// Widgets for the controls that QLabel and friends do not cover: images stacked at one place,
// filled shapes, the drawing surface of a display list, and a window surface with lines.

#include "nav/controls.h"
#include "nav/display_list.h"

#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QString>
#include <QWidget>

#include <optional>
#include <span>
#include <vector>

namespace velsor::views {

// A label bound to its model. Render() copies what changed since the last call. Text is shown
// on one line; text that does not fit is set a little smaller, and elided if that is not
// enough.
class LabelBinding {
public:
    LabelBinding(const Label& model, QLabel* widget, Qt::Alignment alignment);
    void Render();
    QLabel* widget() const { return w; }

private:
    const Label* m;
    QLabel* w;
    QFont base;
    std::optional<Label> shown; // empty until the first render
};

// A scale caption such as "(dB) 0    10    20": the caption lines its numbers up with tick
// marks by blanks, which only works in the font it was written for. Given the ticks, each
// number starts at its tick and a leading unit stands before the first; otherwise it is an
// ordinary label.
class ScaleLabel : public QLabel {
public:
    using QLabel::QLabel;
    // Tick positions in pixels from the label's left edge.
    void SetTicks(std::vector<int> ticks);

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    std::vector<int> ticks;
};

// Plain text wrapped to the label's width at the tight line spacing of the faces the layouts
// were made for: a size plus one pixel per line.
class WrappedLabel : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent* e) override;
};

// Images that share one place, like the two phases of a lamp or a button and its pressed
// look. Shows the highest-index visible member; hides itself when none is visible. A press
// belongs to the member shown when it began, until the buttons are up again, even when the
// model swaps the image in between.
class StackedImage : public QWidget {
    Q_OBJECT
public:
    struct Member {
        const Image* image;
        int index;        // the member's index in its control array
        QString resource; // its picture
    };
    StackedImage(std::vector<Member> members, QWidget* parent);

    void Render();
    // The control-array index of the member shown, or -1.
    int ShownIndex() const { return shown; }

signals:
    // Button 1 left, 2 right, 4 middle; shift 1 Shift, 2 Ctrl, 4 Alt; position in twips.
    void mouseDown(int index, int button, int shift, int x, int y);
    void mouseUp(int index, int button, int shift, int x, int y);

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    std::vector<Member> members;
    std::vector<QPixmap> pixmaps;
    int shown = -1;
    int pressed = -1;
    bool rendered = false;
};

// A filled rectangle with a one-pixel border, at the model's current (fractional) width.
class ShapeWidget : public QWidget {
public:
    ShapeWidget(const Shape& model, QWidget* parent);
    void Render();

protected:
    void paintEvent(QPaintEvent*) override;

private:
    const Shape& m;
    std::optional<Shape> shown;
};

// Paints a picture box's display list, scaled from its drawing scale to the widget. The
// painted image is kept until the list changes.
class DisplayListWidget : public QWidget {
public:
    DisplayListWidget(const PictureBox& model, QWidget* parent);
    void Render();
    // Without the sunken edge, for a surface that has no border of its own.
    void SetSunken(bool on) { sunken = on; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    void Redraw();
    // Draws the list on a painter whose unit is one widget pixel; as vectors for a printer or
    // a drawing file.
    void PaintOps(QPainter& p, bool vectors) const;
    bool sunken = true;
    const PictureBox& m;
    std::vector<DrawOp> drawn;
    bool rendered = false;
    Rgb back{};
    QPixmap image;
};

// The client area of a window: its back colour and its line controls.
class SurfaceWidget : public QWidget {
public:
    SurfaceWidget(std::span<const LineControl> lines, Rgb backColor, QWidget* parent);
    void Render();

protected:
    void paintEvent(QPaintEvent*) override;

private:
    std::span<const LineControl> lines;
    std::vector<LineControl> drawn;
};

} // namespace velsor::views
