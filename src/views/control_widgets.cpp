#include "views/control_widgets.h"

#include "drawing/painter.h"
#include "views/view_support.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QTextLayout>

#include <algorithm>
#include <optional>

namespace velsor::views {

namespace {

bool SameOp(const DrawOp& a, const DrawOp& b) {
    return a.kind == b.kind && a.x1 == b.x1 && a.y1 == b.y1 && a.x2 == b.x2 && a.y2 == b.y2 &&
           a.radius == b.radius && a.text == b.text && a.color == b.color && a.bold == b.bold &&
           a.ax == b.ax && a.ay == b.ay && a.width == b.width && a.textSize == b.textSize &&
           a.fill == b.fill && a.hatched == b.hatched && a.outline == b.outline &&
           a.points == b.points;
}

bool SameLine(const LineControl& a, const LineControl& b) {
    return a.x1 == b.x1 && a.y1 == b.y1 && a.x2 == b.x2 && a.y2 == b.y2 && a.color == b.color;
}

// Cuts the segment a-b to the rectangle; false when nothing of it is inside.
bool ClipSegment(QPointF& a, QPointF& b, const QRectF& r) {
    const auto t =
        SegmentInside(a.x(), a.y(), b.x(), b.y(), r.left(), r.top(), r.right(), r.bottom());
    if (!t)
        return false;
    const QPointF from = a, d = b - a;
    a = from + d * t->first;
    b = from + d * t->second;
    return true;
}

int VbButton(Qt::MouseButton b) {
    switch (b) {
    case Qt::LeftButton:
        return 1;
    case Qt::RightButton:
        return 2;
    case Qt::MiddleButton:
        return 4;
    default:
        return 0;
    }
}

int VbShift(Qt::KeyboardModifiers m) {
    return (m & Qt::ShiftModifier ? 1 : 0) | (m & Qt::ControlModifier ? 2 : 0) |
           (m & Qt::AltModifier ? 4 : 0);
}

} // namespace

// ---------------------------------------------------------------------------------------------

LabelBinding::LabelBinding(const Label& model, QLabel* widget, Qt::Alignment alignment)
    : m(&model), w(widget) {
    w->setTextFormat(Qt::PlainText);
    w->setAlignment(alignment);
    w->setWordWrap(false);
}

void LabelBinding::Render() {
    const Label& l = *m;
    const bool first = !shown;
    if (first) {
        shown = l;
        base = w->font();
    }
    Label& s = *shown;
    bool text = first;
    if (first || l.left != s.left || l.top != s.top || l.width != s.width || l.height != s.height) {
        text = text || l.width != s.width;
        w->setGeometry(PxRect(l));
        s.left = l.left, s.top = l.top, s.width = l.width, s.height = l.height;
    }
    if (l.bold != s.bold) {
        s.bold = l.bold;
        text = true;
    }
    if (l.caption != s.caption) {
        s.caption = l.caption;
        text = true;
    }
    if (text) {
        const QString line = SingleLine(s.caption);
        const int room = w->width() - 2 * w->margin();
        bool fits = false;
        const QFont f = FittingFont(base, line, room, s.bold, &fits);
        if (w->font() != f)
            w->setFont(f);
        w->setText(fits ? line : QFontMetrics(f).elidedText(line, Qt::ElideRight, room));
    }
    if (first || l.foreColor != s.foreColor || l.backColor != s.backColor ||
        l.transparent != s.transparent) {
        QPalette p = w->palette();
        p.setColor(QPalette::WindowText, ToQColor(l.foreColor));
        p.setColor(QPalette::Window, ToQColor(l.backColor));
        w->setPalette(p);
        w->setAutoFillBackground(!l.transparent);
        s.foreColor = l.foreColor, s.backColor = l.backColor, s.transparent = l.transparent;
    }
    if (first || l.toolTip != s.toolTip) {
        w->setToolTip(l.toolTip);
        s.toolTip = l.toolTip;
    }
    if (first || l.enabled != s.enabled) {
        w->setEnabled(l.enabled);
        s.enabled = l.enabled;
    }
    if (first || l.visible != s.visible) {
        w->setVisible(l.visible);
        s.visible = l.visible;
    }
}

void ScaleLabel::SetTicks(std::vector<int> t) {
    if (t == ticks)
        return;
    ticks = std::move(t);
    update();
}

void ScaleLabel::paintEvent(QPaintEvent* e) {
    auto isNumber = [](const QString& w) {
        bool ok = false;
        w.toInt(&ok);
        return ok;
    };
    // Split by hand: a regular expression here loaded and compiled PCRE at the first paint,
    // 400 KB of the monitor's memory for one label.
    const QStringList words = text().simplified().split(u' ', Qt::SkipEmptyParts);
    const qsizetype unit = !words.isEmpty() && !isNumber(words.front()) ? 1 : 0;
    bool scale = !ticks.empty() && words.size() - unit == static_cast<qsizetype>(ticks.size());
    for (qsizetype i = unit; scale && i < words.size(); ++i)
        scale = isNumber(words[i]);
    if (!scale) {
        QLabel::paintEvent(e);
        return;
    }
    QPainter p(this);
    p.setPen(palette().color(QPalette::WindowText));
    const QFontMetrics fm(font());
    const int gap = fm.horizontalAdvance(QLatin1Char(' '));
    int x = 0;
    for (qsizetype i = 0; i < words.size(); ++i) {
        const int left = i < unit ? x : std::max(ticks[i - unit] + 1, x);
        const int width = fm.horizontalAdvance(words[i]);
        p.drawText(QRect(left, 0, width, height()), Qt::AlignLeft | Qt::AlignVCenter, words[i]);
        x = left + width + gap;
    }
}

// ---------------------------------------------------------------------------------------------

void WrappedLabel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setPen(palette().color(QPalette::WindowText));
    const int size = QFontInfo(font()).pixelSize();
    QTextLayout layout(text(), font());
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    for (double top = 0;; top += size + 1) {
        QTextLine line = layout.createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(width());
        line.setPosition(QPointF(0, top + 0.88 * size - line.ascent()));
    }
    layout.endLayout();
    layout.draw(&p, QPointF(0, 0));
}

// ---------------------------------------------------------------------------------------------

StackedImage::StackedImage(std::vector<Member> ms, QWidget* parent)
    : QWidget(parent), members(std::move(ms)) {
    for (const Member& mb : members) {
        pixmaps.push_back(
            ResourcePixmap(mb.resource, QSize(Px(mb.image->width), Px(mb.image->height))));
    }
    hide();
}

void StackedImage::Render() {
    int pick = -1;
    for (int i = 0; i < static_cast<int>(members.size()); ++i) {
        if (members[i].image->visible)
            pick = i;
    }
    if (pick < 0) {
        if (!isHidden())
            hide();
        shown = -1;
        rendered = true;
        return;
    }
    const Image& img = *members[pick].image;
    const QRect r = PxRect(img);
    if (geometry() != r)
        setGeometry(r);
    if (toolTip() != img.toolTip)
        setToolTip(img.toolTip);
    if (!rendered || shown != members[pick].index) {
        shown = members[pick].index;
        update();
    }
    if (isHidden())
        show();
    rendered = true;
}

void StackedImage::paintEvent(QPaintEvent*) {
    for (std::size_t i = 0; i < members.size(); ++i) {
        if (members[i].index == shown) {
            QPainter p(this);
            p.drawPixmap(rect(), pixmaps[i]);
        }
    }
}

void StackedImage::mousePressEvent(QMouseEvent* e) {
    if (pressed < 0)
        pressed = shown;
    if (pressed < 0)
        return;
    const QPoint at = e->position().toPoint();
    emit mouseDown(pressed, VbButton(e->button()), VbShift(e->modifiers()), Twips(at.x()),
                   Twips(at.y()));
}

void StackedImage::mouseReleaseEvent(QMouseEvent* e) {
    if (pressed < 0)
        return;
    const int index = pressed;
    if (e->buttons() == Qt::NoButton)
        pressed = -1;
    const QPoint at = e->position().toPoint();
    emit mouseUp(index, VbButton(e->button()), VbShift(e->modifiers()), Twips(at.x()),
                 Twips(at.y()));
}

// ---------------------------------------------------------------------------------------------

ShapeWidget::ShapeWidget(const Shape& model, QWidget* parent) : QWidget(parent), m(model) {}

void ShapeWidget::Render() {
    const bool first = !shown;
    if (first)
        shown = m;
    Shape& s = *shown;
    const QRect r = PxRect(m.left, m.top, m.width, m.height);
    if (first || geometry() != r)
        setGeometry(r);
    if (first || m.fillColor != s.fillColor || m.borderColor != s.borderColor) {
        s.fillColor = m.fillColor;
        s.borderColor = m.borderColor;
        update();
    }
    // A bar scaled down to nothing shows nothing, not a one-pixel stub.
    const bool visible = m.visible && r.width() > 0 && r.height() > 0;
    if (first || visible == isHidden())
        setVisible(visible);
}

void ShapeWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), ToQColor(m.fillColor));
    p.setPen(ToQColor(m.borderColor));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

// ---------------------------------------------------------------------------------------------

DisplayListWidget::DisplayListWidget(const PictureBox& model, QWidget* parent)
    : QWidget(parent), m(model) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void DisplayListWidget::Render() {
    const QRect r = PxRect(m);
    if (geometry() != r) {
        setGeometry(r);
        rendered = false;
    }
    if (toolTip() != m.toolTip)
        setToolTip(m.toolTip);
    bool same = rendered && back == m.backColor && drawn.size() == m.ops.size();
    for (std::size_t i = 0; same && i < drawn.size(); ++i)
        same = SameOp(drawn[i], m.ops[i]);
    if (same)
        return;
    drawn = m.ops;
    back = m.backColor;
    rendered = true;
    Redraw();
    update();
}

void DisplayListWidget::Redraw() {
    const qreal dpr = devicePixelRatioF();
    image = QPixmap(size() * dpr);
    image.setDevicePixelRatio(dpr);
    image.fill(ToQColor(back));
    QPainter p(&image);
    PaintOps(p, false);
}

void DisplayListWidget::PaintOps(QPainter& p, bool vectors) const {
    const double sx = m.scaleWidth != 0 ? width() / m.scaleWidth : 1.0 / kTwipsPerPixel;
    const double sy = m.scaleHeight != 0 ? height() / m.scaleHeight : 1.0 / kTwipsPerPixel;
    auto X = [&](double x) { return (x - m.scaleLeft) * sx; };
    auto Y = [&](double y) { return (y - m.scaleTop) * sy; };
    p.setFont(font());
    // Text stands with the top of its character cell at the point. The Japanese faces here
    // have a taller cell than the ones the offsets were chosen for; a baseline at 0.88 of the
    // size keeps the glyphs where those put them.
    const QFontInfo fi(font());
    const double baseline = 0.88 * fi.pixelSize();
    std::optional<QFont> bold; // for the marks of satellites in use, made at the first
    // Whole pixels keep the axes crisp.
    auto pixel = [&](double x, double y) {
        return QPointF(std::floor(X(x)) + 0.5, std::floor(Y(y)) + 0.5);
    };
    // Drawn as vectors, lines are cut to the surface here (not every writer clips) and the
    // lines of one colour that follow each other go out as one path.
    // Through the centres of the outermost pixels: a one-pixel pen stays inside.
    const QRectF surface(0.5, 0.5, width() - 1.0, height() - 1.0);
    QPainterPath run;
    Rgb runColor{};
    auto flush = [&] {
        if (!run.isEmpty()) {
            p.setPen(QPen(ToQColor(runColor), 1));
            p.setBrush(Qt::NoBrush);
            p.setRenderHint(QPainter::Antialiasing, false);
            p.drawPath(run);
        }
        run.clear();
    };
    for (const DrawOp& op : drawn) {
        if (vectors && op.kind == DrawOp::Kind::Line) {
            QPointF a = pixel(op.x1, op.y1), b = pixel(op.x2, op.y2);
            if (!ClipSegment(a, b, surface))
                continue;
            if (op.color != runColor)
                flush();
            runColor = op.color;
            if (run.isEmpty() || run.currentPosition() != a)
                run.moveTo(a);
            run.lineTo(b);
            continue;
        }
        flush();
        p.setPen(QPen(ToQColor(op.color), 1));
        switch (op.kind) {
        case DrawOp::Kind::Line:
            p.setRenderHint(QPainter::Antialiasing, false);
            p.drawLine(pixel(op.x1, op.y1), pixel(op.x2, op.y2));
            break;
        case DrawOp::Kind::Circle:
            p.setRenderHint(QPainter::Antialiasing, true);
            // The radius is measured along x, as on the original surface.
            p.drawEllipse(QPointF(X(op.x1) + 0.5, Y(op.y1) + 0.5), op.radius * sx, op.radius * sx);
            break;
        case DrawOp::Kind::Text:
            p.setRenderHint(QPainter::Antialiasing, true);
            p.drawText(QPointF(X(op.x1), Y(op.y1) + baseline), op.text);
            break;
        case DrawOp::Kind::Mark: {
            p.setRenderHint(QPainter::Antialiasing, false);
            const QRectF box(std::floor(X(op.x1 - op.x2 / 2)), std::floor(Y(op.y1 - op.y2 / 2)),
                             std::round(op.x2 * sx), std::round(op.y2 * sy));
            const QPointF at(std::floor(X(op.ax)) + 0.5, std::floor(Y(op.ay)) + 0.5);
            if (!box.contains(at)) {
                // Moved off its satellite: a dot there and a line to the mark.
                const QPointF edge(std::clamp(at.x(), box.left(), box.right()),
                                   std::clamp(at.y(), box.top(), box.bottom()));
                p.setPen(QPen(Qt::black, 1));
                p.drawLine(at, edge);
                p.fillRect(QRectF(at.x() - 2.5, at.y() - 2.5, 5, 5), Qt::black);
                p.fillRect(QRectF(at.x() - 1.5, at.y() - 1.5, 3, 3), ToQColor(op.color));
            }
            p.fillRect(box, ToQColor(op.color));
            QFont f = font();
            if (op.textSize > 0)
                f.setPixelSize(std::max(6, static_cast<int>(std::lround(op.textSize * sy))));
            if (op.bold) {
                if (!bold || bold->pixelSize() != f.pixelSize())
                    bold = BoldFont(f, true);
                f = *bold;
            }
            p.setFont(f);
            p.setPen(QPen(Qt::black, 1));
            p.drawText(box, Qt::AlignCenter, op.text);
            p.setFont(font());
            break;
        }
        case DrawOp::Kind::Polyline:
        case DrawOp::Kind::Polygon:
        case DrawOp::Kind::Box: {
            // The analysis drawings' shapes, as their own painter draws them.
            p.save();
            p.scale(sx, sy);
            p.translate(-m.scaleLeft, -m.scaleTop);
            drawing::Style style;
            style.families = font().families();
            style.penWidth = kTwipsPerPixel;
            drawing::PaintOps(p, std::span(&op, 1), style);
            p.restore();
            break;
        }
        }
    }
    flush();
}

void DisplayListWidget::paintEvent(QPaintEvent* e) {
    QPainter p(this);
    const QPaintEngine* engine = p.paintEngine();
    if (engine && engine->type() != QPaintEngine::Raster) {
        // Printed or exported: drawn afresh, so lines and text stay sharp and searchable.
        p.fillRect(rect(), ToQColor(back));
        p.setClipRect(rect());
        PaintOps(p, true);
        p.setClipping(false);
    } else {
        p.drawPixmap(e->rect(), image,
                     QRectF(e->rect().topLeft() * image.devicePixelRatio(),
                            e->rect().size() * image.devicePixelRatio()));
    }
    if (!sunken)
        return;
    // A sunken edge, as the picture sits in the window.
    p.setPen(QColor(128, 128, 128));
    p.drawLine(0, 0, width() - 1, 0);
    p.drawLine(0, 0, 0, height() - 1);
    p.setPen(Qt::white);
    p.drawLine(1, height() - 1, width() - 1, height() - 1);
    p.drawLine(width() - 1, 1, width() - 1, height() - 1);
}

// ---------------------------------------------------------------------------------------------

SurfaceWidget::SurfaceWidget(std::span<const LineControl> ls, Rgb backColor, QWidget* parent)
    : QWidget(parent), lines(ls) {
    QPalette p = palette();
    p.setColor(QPalette::Window, ToQColor(backColor));
    setPalette(p);
    setAutoFillBackground(true);
}

void SurfaceWidget::Render() {
    bool same = drawn.size() == lines.size();
    for (std::size_t i = 0; same && i < lines.size(); ++i)
        same = SameLine(drawn[i], lines[i]);
    if (same)
        return;
    drawn.assign(lines.begin(), lines.end());
    update();
}

void SurfaceWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    for (const LineControl& l : drawn) {
        p.setPen(ToQColor(l.color));
        p.drawLine(Px(l.x1), Px(l.y1), Px(l.x2), Px(l.y2));
    }
}

} // namespace velsor::views
