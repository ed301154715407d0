#include "nav/display_list.h"

#include <algorithm>
#include <cmath>

namespace velsor {

std::optional<std::pair<double, double>> SegmentInside(double x1, double y1, double x2, double y2,
                                                       double left, double top, double right,
                                                       double bottom) {
    const double dx = x2 - x1, dy = y2 - y1;
    double t0 = 0, t1 = 1;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {x1 - left, right - x1, y1 - top, bottom - y1};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0)
                return std::nullopt;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0)
            t0 = std::max(t0, t);
        else
            t1 = std::min(t1, t);
        if (t0 > t1)
            return std::nullopt;
    }
    return std::pair{t0, t1};
}

namespace {

struct Box {
    double left, top, right, bottom;
    double Overlap(const Box& o) const {
        const double w = std::min(right, o.right) - std::max(left, o.left);
        const double h = std::min(bottom, o.bottom) - std::max(top, o.top);
        return w > 0 && h > 0 ? w * h : 0;
    }
    bool Contains(double x, double y) const {
        return x >= left && x <= right && y >= top && y <= bottom;
    }
};

Box Around(double cx, double cy, double w, double h) {
    return {cx - w / 2, cy - h / 2, cx + w / 2, cy + h / 2};
}

// The line from a satellite to its mark moved apart: from the dot to the nearest point of the
// box; none when the box holds the dot.
struct Leader {
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    bool drawn = false;
};
Leader LeaderTo(const Box& b, double x, double y) {
    if (b.Contains(x, y))
        return {};
    return {x, y, std::clamp(x, b.left, b.right), std::clamp(y, b.top, b.bottom), true};
}

// Whether a line passes through a box.
bool Crosses(const Box& b, const Leader& l) {
    return l.drawn &&
           SegmentInside(l.x1, l.y1, l.x2, l.y2, b.left, b.top, b.right, b.bottom).has_value();
}

// The dot drawn where a moved mark's satellite is, with a margin.
constexpr double kDot = 90;
// A grid text's cell, roughly: its characters are of the surface's font.
constexpr double kTextWidth = 120, kTextHeight = 195;

} // namespace

void PictureBox::PlaceMarks() {
    if (marksPlaced)
        return;
    marksPlaced = true;
    std::size_t first = ops.size();
    while (first > 0 && ops[first - 1].kind == DrawOp::Kind::Mark)
        --first;
    if (first == ops.size())
        return;

    // What a mark must not cover: the grid's texts, every satellite's dot, the marks placed.
    std::vector<Box> texts, dots, placed;
    std::vector<Leader> leaders;
    for (std::size_t i = 0; i < first; ++i) {
        const DrawOp& op = ops[i];
        if (op.kind == DrawOp::Kind::Text)
            texts.push_back(
                {op.x1, op.y1, op.x1 + kTextWidth * double(op.text.size()), op.y1 + kTextHeight});
    }
    for (std::size_t i = first; i < ops.size(); ++i)
        dots.push_back(Around(ops[i].ax, ops[i].ay, kDot, kDot));
    const Box surface{scaleLeft, scaleTop, scaleLeft + scaleWidth, scaleTop + scaleHeight};

    // The marks in bold (satellites in use) take their places first, then the others in
    // their order.
    std::vector<std::size_t> order;
    for (std::size_t i = first; i < ops.size(); ++i)
        order.push_back(i);
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return ops[a].bold && !ops[b].bold; });
    for (const std::size_t i : order) {
        DrawOp& m = ops[i];
        const double w = m.x2, h = m.y2;
        // Whatever hides a number or a satellite's place is worse than anything else; then a
        // line across a mark, a mark on the grid's text, and a mark far from its satellite.
        const double crossing = h * h / 2, perRing = h * h * 0.3;
        struct Cost {
            double hidden = -1, soft = 0;
            bool operator<(const Cost& o) const {
                return o.hidden < 0 || hidden < o.hidden || (hidden == o.hidden && soft < o.soft);
            }
        };
        auto cost = [&](const Box& b, int ring) {
            Cost c{0, ring * perRing};
            const Leader own = LeaderTo(b, m.ax, m.ay);
            for (const Box& p : placed) {
                c.hidden += p.Overlap(b);
                c.soft += Crosses(p, own) ? crossing : 0;
            }
            for (const Leader& l : leaders)
                c.soft += Crosses(b, l) ? crossing : 0;
            for (std::size_t k = 0; k < dots.size(); ++k) {
                if (k != i - first)
                    c.hidden += dots[k].Overlap(b);
            }
            for (const Box& t : texts)
                c.soft += t.Overlap(b) / 4;
            // Whatever lies outside the surface is not seen. Whole square twips: rounding
            // must not make one place look better than another.
            c.hidden = std::round(std::max(0.0, c.hidden + w * h - surface.Overlap(b)));
            return c;
        };
        // On the satellite, then rings of growing size around it, sixteen places each.
        Cost best;
        double bestX = m.ax, bestY = m.ay;
        constexpr int kRings = 8, kDirections = 16;
        for (int ring = 0; ring <= kRings && !(best.hidden == 0 && ring * perRing >= best.soft);
             ++ring) {
            const double rx = ring * (w / 2 + kDot / 2) * 0.75, ry = ring * (h / 2 + kDot / 2);
            for (int d = 0; d < (ring == 0 ? 1 : kDirections); ++d) {
                // Right, left, down, up first: the nearest places to read it from its dot.
                constexpr int kOrder[kDirections] = {0, 8, 4, 12, 2, 6, 10, 14,
                                                     1, 7, 9, 15, 3, 5, 11, 13};
                const double a = kOrder[d] * 2 * 3.141592653589793 / kDirections;
                const double x = m.ax + rx * std::cos(a), y = m.ay + ry * std::sin(a);
                const Cost c = cost(Around(x, y, w, h), ring);
                if (c < best) {
                    best = c;
                    bestX = x;
                    bestY = y;
                }
            }
        }
        m.x1 = bestX;
        m.y1 = bestY;
        placed.push_back(Around(bestX, bestY, w, h));
        leaders.push_back(LeaderTo(placed.back(), m.ax, m.ay));
    }
}

} // namespace velsor
