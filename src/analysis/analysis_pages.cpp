#include "analysis/analysis_pages.h"

#include <QDateTime>
#include <QLocale>

#include <algorithm>
#include <cmath>

namespace velsor::analysis {

namespace {

constexpr std::int64_t kSecond = 1000, kMinute = 60 * kSecond, kHour = 60 * kMinute,
                       kDay = 24 * kHour;
constexpr std::int64_t kJst = 9 * kHour;

constexpr double kTitleSize = 240, kTextSize = 165, kSmallSize = 150;
constexpr double kThin = 15, kMedium = 30;
// The history's mean of the satellites in use.
constexpr double kMeanLine = 30;
constexpr Rgb kGridGrey = RGB(210, 210, 210);
constexpr Rgb kAxisGrey = RGB(96, 96, 96);
constexpr Rgb kNoteGrey = RGB(90, 90, 90);
constexpr double kSnrTop = 60; // dB-Hz at the top of the scales, as the main window's bars

// Ops in page coordinates.
class Canvas {
public:
    explicit Canvas(PictureBox& pic, const TextWidth& measure) : pic(pic), measure(measure) {}

    void Line(double x1, double y1, double x2, double y2, Rgb c, double width = kThin) {
        DrawOp& op = Add(DrawOp::Kind::Line, c);
        op.x1 = x1, op.y1 = y1, op.x2 = x2, op.y2 = y2, op.width = width;
    }
    void Polyline(std::vector<QPointF> points, Rgb c, double width) {
        DrawOp& op = Add(DrawOp::Kind::Polyline, c);
        op.points = std::move(points);
        op.width = width;
    }
    void Box(double x, double y, double w, double h, std::optional<Rgb> fill, Rgb pen,
             bool outline = true) {
        DrawOp& op = Add(DrawOp::Kind::Box, pen);
        op.x1 = x, op.y1 = y, op.x2 = w, op.y2 = h, op.fill = fill, op.outline = outline;
        op.width = kThin;
    }
    void Circle(double cx, double cy, double r, Rgb c, double width = kThin,
                std::optional<Rgb> fill = std::nullopt) {
        DrawOp& op = Add(DrawOp::Kind::Circle, c);
        op.x1 = cx, op.y1 = cy, op.radius = r, op.width = width, op.fill = fill;
    }
    void Text(double x, double y, const QString& text, double size = kTextSize, Rgb c = kBlack) {
        DrawOp& op = Add(DrawOp::Kind::Text, c);
        op.x1 = x, op.y1 = y, op.text = text, op.textSize = size;
    }
    // Ending at x.
    void TextRight(double x, double y, const QString& text, double size = kTextSize,
                   Rgb c = kBlack) {
        Text(x - Width(text, size), y, text, size, c);
    }
    void TextCentred(double x, double y, const QString& text, double size = kTextSize,
                     Rgb c = kBlack) {
        Text(x - Width(text, size) / 2, y, text, size, c);
    }
    double Width(const QString& text, double size) const { return measure(text, size); }
    std::vector<DrawOp>& Ops() { return pic.ops; }

private:
    DrawOp& Add(DrawOp::Kind kind, Rgb c) {
        DrawOp& op = pic.ops.emplace_back();
        op.kind = kind;
        op.color = c;
        return op;
    }
    PictureBox& pic;
    const TextWidth& measure;
};

// A colour faded two thirds of the way to white.
Rgb Pale(Rgb c) {
    auto fade = [](int v) { return v + (255 - v) * 2 / 3; };
    return RGB(fade(c.r), fade(c.g), fade(c.b));
}

QString Number(double v, int decimals) {
    return QLocale::c().toString(v, 'f', decimals);
}

QString Grouped(std::uint64_t n) {
    QString digits = QString::number(n);
    for (qsizetype i = digits.size() - 3; i > 0; i -= 3)
        digits.insert(i, u',');
    return digits;
}

QString Percent(std::uint64_t part, std::uint64_t whole) {
    return whole ? Number(100.0 * double(part) / double(whole), 1) + QStringLiteral(" %")
                 : QStringLiteral("—");
}

QString Metres(double m) {
    return Number(m, m < 10 ? 2 : m < 1000 ? 1 : 0) + QStringLiteral(" m");
}

void Header(Canvas& c, const QString& title, const PageOptions& o) {
    c.Text(240, 120, title, kTitleSize);
    c.Text(240, 470, o.source, kSmallSize, kNoteGrey);
}

void Empty(Canvas& c, const QString& text) {
    c.TextCentred(kPageWidth / 2, kPageHeight / 2 - 100, text, kTitleSize, kNoteGrey);
}

// A y scale of SNR, 0 at bottom, with grid lines every 10 dB-Hz and their labels at the left.
struct SnrScale {
    double left, top, width, height;
    double Y(double snr) const {
        return top + height * (1 - std::clamp(snr, 0.0, kSnrTop) / kSnrTop);
    }
    void Draw(Canvas& c, const QString& caption) const {
        for (int v = 0; v <= int(kSnrTop); v += 10) {
            const double y = Y(v);
            c.Line(left, y, left + width, y, v == 0 ? kAxisGrey : kGridGrey);
            c.TextRight(left - 60, y - 95, QString::number(v), kSmallSize);
        }
        c.Line(left, top, left, top + height, kAxisGrey);
        c.Text(left - 600, top - 380, caption, kSmallSize);
    }
};

// A step for time ticks that gives at most about seven over the span.
std::int64_t TimeStep(std::int64_t span) {
    static constexpr std::int64_t steps[] = {
        10 * kSecond, 30 * kSecond, kMinute,  2 * kMinute, 5 * kMinute, 10 * kMinute,
        15 * kMinute, 30 * kMinute, kHour,    2 * kHour,   3 * kHour,   6 * kHour,
        12 * kHour,   kDay,         2 * kDay, 7 * kDay,    14 * kDay,   28 * kDay};
    for (std::int64_t s : steps) {
        if (span / s <= 7)
            return s;
    }
    return std::max<std::int64_t>(1, span / 7);
}

QString TickText(std::int64_t utcMs, std::int64_t step, bool withDate, bool clockless) {
    if (clockless) {
        // Seconds since the first epoch: hours past a day go on counting.
        const std::int64_t s = utcMs / kSecond;
        const QString hm =
            QStringLiteral("%1:%2").arg(s / 3600).arg(s / 60 % 60, 2, 10, QChar(u'0'));
        return step < kMinute ? hm + QStringLiteral(":%1").arg(s % 60, 2, 10, QChar(u'0')) : hm;
    }
    const QDateTime t = QDateTime::fromMSecsSinceEpoch(utcMs + kJst, Qt::UTC);
    if (withDate)
        return t.toString(QStringLiteral("M/d H:mm"));
    return t.toString(step < kMinute ? QStringLiteral("H:mm:ss") : QStringLiteral("H:mm"));
}

// ---------------------------------------------------------------------------------------------

void SignalHistory(Canvas& c, const ReceptionAnalysis& a, const PageOptions& o) {
    Header(c,
           PageName(Page::SignalHistory) + QStringLiteral("（") + RangeName(o.range) +
               QStringLiteral("）"),
           o);
    const BucketSpan span = a.History(o.range);
    if (a.Epochs() == 0 || span.buckets.empty() || span.first == kNoTime) {
        Empty(c, QStringLiteral("まだデータがありません。"));
        return;
    }
    const SnrScale scale{900, 1150, 9300, 5500};
    scale.Draw(c, QStringLiteral("SNR (dB-Hz)"));
    const std::int64_t t0 = span.first;
    const std::int64_t t1 = span.first + span.width * std::int64_t(span.buckets.size());
    const double dt = double(std::max<std::int64_t>(1, t1 - t0));
    auto X = [&](double t) { return scale.left + scale.width * (t - double(t0)) / dt; };
    const double bottom = scale.top + scale.height;

    // Time axis: ticks on the local clock's round times, or on round times since the first
    // epoch for an input that gave no time.
    const bool clockless = a.Clockless();
    const std::int64_t zone = clockless ? 0 : kJst;
    const std::int64_t step = TimeStep(t1 - t0);
    const bool withDate = !clockless && t1 - t0 > kDay;
    for (std::int64_t t = ((t0 + zone + step - 1) / step) * step - zone; t <= t1; t += step) {
        const double x = X(double(t));
        c.Line(x, scale.top, x, bottom, kGridGrey);
        c.Line(x, bottom, x, bottom + 60, kAxisGrey);
        c.TextCentred(x, bottom + 90, TickText(t, step, withDate, clockless), kSmallSize);
    }
    c.TextRight(scale.left + scale.width, bottom + 360,
                clockless ? QStringLiteral("最初のエポックからの経過時間（受信機の時刻なし）")
                          : QStringLiteral("%1 〜 %2（日本時間）").arg(JstText(t0), JstText(t1)),
                kSmallSize, kNoteGrey);

    const std::vector<Column> columns = Columns(span);
    const SatelliteTable& table = a.Satellites();
    // Each satellite's mean SNR per column in its system's colour, pale where it was mostly
    // not in use; a gap where it was not heard. One pixel wide: wide lines cost a painter ten
    // times as much. The mean of the satellites in use goes over them, wide on a white edge.
    PictureBox pale, full, top;
    Canvas paleC(pale, o.measure), fullC(full, o.measure), topC(top, o.measure);
    auto flush = [](Canvas& to, std::vector<QPointF>& pts, Rgb colour, double width) {
        if (pts.size() >= 2)
            to.Polyline(std::move(pts), colour, width);
        else if (pts.size() == 1)
            to.Circle(pts[0].x(), pts[0].y(), width, colour, kThin, colour);
        pts.clear();
    };
    struct Run {
        std::vector<QPointF> points;
        bool used = false;
        QPointF last;
        bool inLast = false;
    };
    auto flushRun = [&](Run& r, int sat) {
        const Rgb c = SystemColour(table.System(sat));
        if (r.used)
            flush(fullC, r.points, c, kThin);
        else
            flush(paleC, r.points, Pale(c), kThin);
    };
    std::vector<Run> runs(std::size_t(table.Size()));
    std::vector<QPointF> mean;
    auto flushMean = [&] {
        std::vector<QPointF> edge = mean;
        flush(topC, edge, kWhite, kMeanLine + 30);
        flush(topC, mean, kBlack, kMeanLine);
    };
    std::vector<bool> here;
    for (const Column& col : columns) {
        const double x = X(double(col.start) + double(col.width) / 2);
        here.assign(std::size_t(table.Size()), false);
        for (const SatSum& s : col.sum.sats) {
            if (s.samples == 0)
                continue;
            Run& r = runs[s.sat];
            const QPointF p(x, scale.Y(double(s.snrSum) / s.samples));
            const bool used = s.used > 0 && 2 * s.used >= s.samples;
            if (!r.points.empty() && used != r.used) {
                // The stretch changes colour here: it ends at this point, the next starts.
                r.points.push_back(p);
                flushRun(r, s.sat);
            }
            r.used = used;
            r.points.push_back(p);
            r.last = p;
            here[s.sat] = true;
        }
        for (int s = 0; s < table.Size(); ++s) {
            Run& r = runs[std::size_t(s)];
            r.inLast = here[std::size_t(s)];
            if (!r.inLast)
                flushRun(r, s);
        }
        if (col.sum.usedSamples > 0)
            mean.emplace_back(x, scale.Y(double(col.sum.usedSnrSum) / col.sum.usedSamples));
        else
            flushMean();
    }
    for (int s = 0; s < table.Size(); ++s)
        flushRun(runs[std::size_t(s)], s);
    flushMean();
    for (PictureBox* layer : {&pale, &full, &top})
        std::move(layer->ops.begin(), layer->ops.end(), std::back_inserter(c.Ops()));

    // Names of the satellites heard at the end, beside their last point, where there is room.
    std::vector<double> taken;
    for (int s = 0; s < table.Size(); ++s) {
        if (!runs[std::size_t(s)].inLast)
            continue;
        const double y = runs[std::size_t(s)].last.y() - 75;
        if (std::any_of(taken.begin(), taken.end(),
                        [&](double t) { return std::abs(t - y) < 150; }))
            continue;
        taken.push_back(y);
        c.Text(scale.left + scale.width + 60, y, table.Name(s), 130, SystemColour(table.System(s)));
    }

    // Legend.
    double ly = 1150;
    const double lx = 10750;
    std::vector<bool> present(kSystemCount, false);
    for (int s = 0; s < table.Size(); ++s)
        present[std::size_t(table.System(s))] = true;
    for (int s = 0; s < kSystemCount; ++s) {
        if (!present[std::size_t(s)])
            continue;
        c.Line(lx, ly + 95, lx + 120, ly + 95, SystemColour(GnssSystem(s)), kMedium);
        c.Line(lx + 130, ly + 95, lx + 250, ly + 95, Pale(SystemColour(GnssSystem(s))), kMedium);
        c.Text(lx + 320, ly, QString::fromLatin1(SystemName(GnssSystem(s))), kSmallSize);
        ly += 240;
    }
    ly += 120;
    c.Line(lx, ly + 95, lx + 250, ly + 95, kBlack, kMeanLine);
    c.Text(lx + 320, ly - 90, QStringLiteral("使用衛星の"), kSmallSize);
    c.Text(lx + 320, ly + 110, QStringLiteral("平均"), kSmallSize);
    ly += 480;
    c.Text(lx, ly, QStringLiteral("淡色：測位に"), kSmallSize);
    c.Text(lx, ly + 200, QStringLiteral("不使用"), kSmallSize);
    const std::int64_t per = columns.empty() ? span.width : columns.front().width;
    c.Text(900, 7450,
           QStringLiteral("1 点 = %1の平均。衛星 %2 基。").arg(DurationText(per)).arg(table.Size()),
           kSmallSize, kNoteGrey);
}

// ---------------------------------------------------------------------------------------------

// Ops of another picture, scaled by k and moved to (dx, dy).
void Place(std::vector<DrawOp>& out, const PictureBox& pic, double k, double dx, double dy) {
    for (DrawOp op : pic.ops) {
        op.x1 = dx + op.x1 * k;
        op.y1 = dy + op.y1 * k;
        if (op.kind == DrawOp::Kind::Line) {
            op.x2 = dx + op.x2 * k;
            op.y2 = dy + op.y2 * k;
        } else {
            op.x2 *= k;
            op.y2 *= k;
        }
        op.radius *= k;
        op.width = (op.width > 0 ? op.width : kThin) * k;
        op.textSize = (op.textSize > 0 ? op.textSize : 180) * k;
        for (QPointF& p : op.points)
            p = QPointF(dx + p.x() * k, dy + p.y() * k);
        out.push_back(std::move(op));
    }
}

void SkyPage(Canvas& c, const ReceptionAnalysis& a, const PageOptions& o) {
    Header(c, PageName(Page::Sky), o);
    const SkyMap& sky = a.Sky();
    const PictureBox map = SkyMapPicture(
        sky, QStringLiteral("衛星観測 %1 件、%2 エポック").arg(sky.Sightings()).arg(a.Epochs()),
        o.measure);
    const double k = 6900 / map.scaleHeight;
    Place(c.Ops(), map, k, 400, 800);

    int seen = 0, blocked = 0;
    std::uint64_t zero = 0;
    for (int e = 0; e < SkyMap::kElevationCells; ++e) {
        for (int az = 0; az < SkyMap::kAzimuthCells; ++az) {
            const SkyCell& cell = sky.Cell(e, az);
            seen += cell.Seen() ? 1 : 0;
            blocked += cell.Blocked() ? 1 : 0;
            zero += cell.zeroSnr;
        }
    }
    const double x = 400 + map.scaleWidth * k + 500;
    double y = 1000;
    auto row = [&](const QString& name, const QString& value) {
        c.Text(x, y, name);
        c.Text(x + 2600, y, value);
        y += 300;
    };
    row(QStringLiteral("観測したセル"),
        QStringLiteral("%1 / %2").arg(seen).arg(SkyMap::kElevationCells * SkyMap::kAzimuthCells));
    row(QStringLiteral("遮へいされたセル"), QString::number(blocked));
    row(QStringLiteral("衛星観測"), Grouped(sky.Sightings()) + QStringLiteral(" 件"));
    row(QStringLiteral("うち SNR 0（未受信）"), Grouped(zero) + QStringLiteral(" 件"));
    y += 200;
    for (const QString& line :
         {QStringLiteral("セルは方位 10°・仰角 10° ごと。色はセル内の平均 SNR、"),
          QStringLiteral("観測の半数以上が SNR 0 のセルを遮へいとします。"),
          QStringLiteral("天頂が中心、北が上です。")}) {
        c.Text(x, y, line, kSmallSize, kNoteGrey);
        y += 240;
    }
}

// ---------------------------------------------------------------------------------------------

void ElevationPage(Canvas& c, const ReceptionAnalysis& a, const PageOptions& o) {
    Header(c, PageName(Page::Elevation), o);
    const std::vector<GnssSystem> systems = a.SystemsSeen();
    if (systems.empty()) {
        Empty(c, a.Epochs() ? QStringLiteral("仰角の分かる衛星がありません。")
                            : QStringLiteral("まだデータがありません。"));
        return;
    }
    const SnrScale scale{1500, 1150, 9000, 3100};
    scale.Draw(c, QStringLiteral("平均 SNR (dB-Hz)"));
    const double binWidth = scale.width / kElevationBins;
    const double bottom = scale.top + scale.height;
    for (int b = 0; b <= kElevationBins; ++b) {
        const double x = scale.left + b * binWidth;
        c.Line(x, bottom, x, bottom + 60, kAxisGrey);
        if (b % 2 == 0)
            c.TextCentred(x, bottom + 90, QString::number(b * kBinDegrees) + u'°', kSmallSize);
    }
    c.TextCentred(scale.left + scale.width / 2, bottom + 330, QStringLiteral("仰角"), kSmallSize);

    // Sightings of every system per bin, as grey bars behind the curves.
    std::array<std::uint64_t, kElevationBins> total{};
    for (GnssSystem s : systems)
        for (int b = 0; b < kElevationBins; ++b)
            total[std::size_t(b)] += a.Bin(s, b).sightings;
    const std::uint64_t most = *std::max_element(total.begin(), total.end());
    for (int b = 0; b < kElevationBins && most > 0; ++b) {
        const double h = scale.height * 0.5 * double(total[std::size_t(b)]) / double(most);
        if (h > 0)
            c.Box(scale.left + b * binWidth + 40, bottom - h, binWidth - 80, h, RGB(232, 232, 232),
                  kGridGrey, false);
    }
    for (GnssSystem s : systems) {
        std::vector<QPointF> pts;
        const Rgb colour = SystemColour(s);
        for (int b = 0; b < kElevationBins; ++b) {
            const ElevationBin& bin = a.Bin(s, b);
            if (bin.heard == 0) {
                if (pts.size() >= 2)
                    c.Polyline(pts, colour, kMedium);
                pts.clear();
                continue;
            }
            const QPointF p(scale.left + (b + 0.5) * binWidth, scale.Y(bin.MeanSnr()));
            pts.push_back(p);
            c.Circle(p.x(), p.y(), 45, colour, kThin, colour);
        }
        if (pts.size() >= 2)
            c.Polyline(pts, colour, kMedium);
    }

    // The sightings per bin, by system.
    double y = bottom + 650;
    c.Text(240, y, QStringLiteral("観測数"), kSmallSize);
    y += 220;
    auto row = [&](const QString& name, Rgb colour, auto count) {
        c.Text(240, y, name, kSmallSize, colour);
        for (int b = 0; b < kElevationBins; ++b)
            c.TextRight(scale.left + (b + 1) * binWidth - 30, y, CompactCount(count(b)), 130);
        y += 210;
    };
    for (GnssSystem s : systems)
        row(QString::fromLatin1(SystemName(s)), SystemColour(s),
            [&](int b) { return a.Bin(s, b).sightings; });
    row(QStringLiteral("合計"), kBlack, [&](int b) { return total[std::size_t(b)]; });
    c.Text(240, std::max(y + 60, 7450.0),
           QStringLiteral(
               "仰角 5° ごとの平均 SNR（受信できた観測のみ）。灰色の棒は全システムの観測数。"),
           kSmallSize, kNoteGrey);
}

// ---------------------------------------------------------------------------------------------

// A round radius for the scatter's edge: 1, 2 or 5 times a power of ten, at least r.
double RoundUp(double r) {
    if (!(r > 0))
        return 1;
    const double p = std::pow(10.0, std::floor(std::log10(r)));
    for (double m : {1.0, 2.0, 5.0, 10.0}) {
        if (m * p >= r)
            return m * p;
    }
    return 10 * p;
}

void PositionPage(Canvas& c, const ReceptionAnalysis& a, const PageOptions& o) {
    Header(c, PageName(Page::Position), o);
    if (a.Epochs() == 0) {
        Empty(c, QStringLiteral("まだデータがありません。"));
        return;
    }
    const PositionStats::Figures f = a.Position().Compute();
    // Scatter: east right, north up, the mean in the centre.
    const double size = 6400, left = 700, top = 950;
    const double cx = left + size / 2, cy = top + size / 2;
    if (f.fixes > 0) {
        const std::vector<QPointF> pts = a.Position().Scatter();
        const double edge = RoundUp(std::max({f.cep95 * 1.25, f.drms2 * 1.1, 0.1}));
        const double k = (size / 2) / edge;
        c.Box(left, top, size, size, std::nullopt, kAxisGrey);
        for (int i = -4; i <= 4; ++i) {
            if (i == 0)
                continue;
            const double d = i * size / 8;
            c.Line(cx + d, top, cx + d, top + size, kGridGrey);
            c.Line(left, cy + d, left + size, cy + d, kGridGrey);
        }
        c.Line(cx, top, cx, top + size, kAxisGrey);
        c.Line(left, cy, left + size, cy, kAxisGrey);
        c.TextCentred(cx, top + size + 80, QStringLiteral("東 →"), kSmallSize);
        c.Text(left + size + 60, cy - 95, QStringLiteral("%1").arg(Metres(edge)), kSmallSize);
        c.TextCentred(cx, top - 260, QStringLiteral("北 ↑  %1").arg(Metres(edge)), kSmallSize);
        // At most a few thousand dots: the sample is in random order, so any part of it is
        // as spread as the whole.
        const std::size_t step = std::max<std::size_t>(1, pts.size() / 5000);
        std::uint64_t outside = 0;
        for (std::size_t i = 0; i < pts.size(); ++i) {
            const double x = cx + pts[i].x() * k, y = cy - pts[i].y() * k;
            if (x < left || x > left + size || y < top || y > top + size) {
                ++outside;
                continue;
            }
            if (i % step == 0)
                c.Box(x - 20, y - 20, 40, 40, RGB(70, 110, 200), kBlack, false);
        }
        struct Ring {
            double r;
            Rgb colour;
            QString name;
        };
        const Ring rings[] = {{f.cep50, RGB(0, 150, 60), QStringLiteral("CEP50")},
                              {f.cep95, RGB(230, 130, 0), QStringLiteral("CEP95")},
                              {f.drms2, RGB(200, 40, 40), QStringLiteral("2DRMS")}};
        for (const Ring& r : rings) {
            if (r.r * k <= size / 2)
                c.Circle(cx, cy, std::max(r.r * k, 15.0), r.colour, kMedium);
        }
        if (outside > 0)
            c.Text(left, top + size + 80, QStringLiteral("枠外 %1 点").arg(Grouped(outside)),
                   kSmallSize, kNoteGrey);
    } else {
        c.TextCentred(cx, cy - 100, QStringLiteral("測位がありません。"), kTitleSize, kNoteGrey);
    }

    // The figures.
    const double x = 7700, vx = 9700;
    double y = 950;
    auto row = [&](const QString& name, const QString& value, Rgb colour = kBlack) {
        c.Text(x, y, name, kTextSize, colour);
        c.Text(vx, y, value);
        y += 290;
    };
    const QString dash = QStringLiteral("—");
    row(QStringLiteral("測位回数"), Grouped(f.fixes) + QStringLiteral(" 回"));
    if (f.fixes > 0) {
        row(QStringLiteral("平均位置 緯度"), Number(f.meanLat, 7) + u'°');
        row(QStringLiteral("平均位置 経度"), Number(f.meanLon, 7) + u'°');
    }
    row(QStringLiteral("CEP50"), f.fixes ? Metres(f.cep50) : dash, RGB(0, 150, 60));
    row(QStringLiteral("CEP95"), f.fixes ? Metres(f.cep95) : dash, RGB(230, 130, 0));
    row(QStringLiteral("2DRMS"), f.fixes ? Metres(f.drms2) : dash, RGB(200, 40, 40));
    row(QStringLiteral("標準偏差 東／北"),
        f.fixes > 1 ? Number(f.sigmaEast, 2) + QStringLiteral(" / ") + Metres(f.sigmaNorth) : dash);
    y += 100;
    if (f.heights > 0) {
        row(QStringLiteral("高度 平均"), Metres(f.altMean));
        row(QStringLiteral("高度 標準偏差"), Metres(f.altSigma));
        row(QStringLiteral("高度 最低〜最高"),
            Number(f.altMin, 1) + QStringLiteral(" 〜 ") + Metres(f.altMax));
    } else {
        row(QStringLiteral("高度"), QStringLiteral("なし"));
    }
    y += 100;
    const std::uint64_t n = a.Epochs();
    row(QStringLiteral("3D 測位"), Percent(a.EpochsWithMode(3), n));
    row(QStringLiteral("2D 測位"), Percent(a.EpochsWithMode(2), n));
    row(QStringLiteral("測位なし"), Percent(a.EpochsWithMode(1), n));
    const auto ttff = a.TimeToFirstFix();
    row(QStringLiteral("初測位まで"), ttff ? DurationText(*ttff) : dash);
    y += 100;
    QString note = QStringLiteral("CEP：平均位置からその割合の測位が収まる半径。");
    if (!f.cepExact)
        note = QStringLiteral("CEP は測位 %1 回の無作為標本から。")
                   .arg(Grouped(PositionStats::kSampleSize));
    c.Text(x, y, note, 130, kNoteGrey);
    c.Text(x, y + 210, QStringLiteral("2DRMS：東西・南北の標準偏差による 2σ 半径。"), 130,
           kNoteGrey);
}

} // namespace

QString PageName(Page page) {
    switch (page) {
    case Page::SignalHistory:
        return QStringLiteral("信号履歴");
    case Page::Sky:
        return QStringLiteral("天空");
    case Page::Elevation:
        return QStringLiteral("仰角別");
    case Page::Position:
        break;
    }
    return QStringLiteral("測位");
}

QString RangeName(ReceptionAnalysis::Range range) {
    switch (range) {
    case ReceptionAnalysis::Range::TenMinutes:
        return QStringLiteral("直近 10 分");
    case ReceptionAnalysis::Range::Hour:
        return QStringLiteral("直近 1 時間");
    case ReceptionAnalysis::Range::Day:
        return QStringLiteral("直近 1 日");
    case ReceptionAnalysis::Range::Session:
        break;
    }
    return QStringLiteral("全体");
}

Rgb SystemColour(GnssSystem system) {
    switch (system) {
    case GnssSystem::GPS:
        return RGB(0, 90, 200);
    case GnssSystem::GLONASS:
        return RGB(200, 40, 40);
    case GnssSystem::Galileo:
        return RGB(0, 150, 60);
    case GnssSystem::BeiDou:
        return RGB(230, 130, 0);
    case GnssSystem::QZSS:
        return RGB(150, 60, 190);
    case GnssSystem::SBAS:
        return RGB(120, 120, 120);
    case GnssSystem::NavIC:
        return RGB(0, 160, 170);
    case GnssSystem::None:
        break;
    }
    return kBlack;
}

std::vector<Column> Columns(const BucketSpan& span, int maxColumns) {
    std::vector<Column> out;
    const std::size_t n = span.buckets.size();
    if (n == 0 || maxColumns < 1)
        return out;
    const std::size_t group = (n + std::size_t(maxColumns) - 1) / std::size_t(maxColumns);
    std::vector<std::int16_t> places;
    out.reserve((n + group - 1) / group);
    for (std::size_t i = 0; i < n; i += group) {
        Column& col = out.emplace_back();
        const std::size_t count = std::min(group, n - i);
        col.start = span.first + std::int64_t(i) * span.width;
        col.width = std::int64_t(count) * span.width;
        col.sum.Reset(col.start);
        places.assign(SatelliteTable::kMax, -1);
        for (std::size_t j = i; j < i + count; ++j) {
            if (span.buckets[j])
                col.sum.Merge(*span.buckets[j], places);
        }
    }
    return out;
}

QString SourceLine(const ReceptionAnalysis& a, const QString& what) {
    if (a.Epochs() == 0)
        return what;
    if (a.Clockless())
        return QStringLiteral("%1　受信機の時刻なし（%2）、%3 エポック")
            .arg(what, DurationText(a.LastEpoch() - a.FirstEpoch()), Grouped(a.Epochs()));
    return QStringLiteral("%1　%2 〜 %3（%4）、%5 エポック")
        .arg(what, JstText(a.FirstEpoch()), JstText(a.LastEpoch()),
             DurationText(a.LastEpoch() - a.FirstEpoch()), Grouped(a.Epochs()));
}

QString JstText(std::int64_t utcMs) {
    return QDateTime::fromMSecsSinceEpoch(utcMs + kJst, Qt::UTC)
        .toString(QStringLiteral("yyyy/MM/dd H:mm:ss"));
}

QString DurationText(std::int64_t ms) {
    const std::int64_t s = ms / kSecond;
    if (s < 60)
        return ms % kSecond == 0 || s >= 10
                   ? QStringLiteral("%1 秒").arg(s)
                   : QStringLiteral("%1 秒").arg(Number(double(ms) / kSecond, 1));
    if (s < 3600)
        return s % 60 ? QStringLiteral("%1 分 %2 秒").arg(s / 60).arg(s % 60)
                      : QStringLiteral("%1 分").arg(s / 60);
    if (s < 86400)
        return s / 60 % 60 ? QStringLiteral("%1 時間 %2 分").arg(s / 3600).arg(s / 60 % 60)
                           : QStringLiteral("%1 時間").arg(s / 3600);
    return s / 3600 % 24 ? QStringLiteral("%1 日 %2 時間").arg(s / 86400).arg(s / 3600 % 24)
                         : QStringLiteral("%1 日").arg(s / 86400);
}

QString CompactCount(std::uint64_t n) {
    if (n < 10000)
        return QString::number(n);
    const double man = double(n) / 10000;
    return (man < 100 ? Number(man, 1) : QString::number(std::llround(man))) + QStringLiteral("万");
}

PictureBox DrawPage(const ReceptionAnalysis& analysis, Page page, const PageOptions& options) {
    PictureBox pic;
    pic.backColor = kWhite;
    pic.scaleWidth = kPageWidth;
    pic.scaleHeight = kPageHeight;
    pic.width = int(kPageWidth);
    pic.height = int(kPageHeight);
    Canvas c(pic, options.measure);
    switch (page) {
    case Page::SignalHistory:
        SignalHistory(c, analysis, options);
        break;
    case Page::Sky:
        SkyPage(c, analysis, options);
        break;
    case Page::Elevation:
        ElevationPage(c, analysis, options);
        break;
    case Page::Position:
        PositionPage(c, analysis, options);
        break;
    }
    return pic;
}

} // namespace velsor::analysis
