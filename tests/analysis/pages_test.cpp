// The pages as pictures, the window 受信解析 (its menu entry, pages, reading, saving and
// printing), and velsor-analyze as a process.

#include "analysis/analysis_pages.h"
#include "analysis/analysis_support.h"
#include "analysis/frm_analysis.h"
#include "drawing/painter.h"
#include "nmea_sim.h"
#include "platform/qt/pages_printer.h"
#include "replay/recording_files.h"
#include "support/captures.h"
#include "support/sky_recording.h"
#include "support/tool_run.h"
#include "views/analysis_view.h"
#include "views/view_rig.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QPolygonF>
#include <QRadioButton>
#include <QTabBar>

#include <cmath>
#include <numbers>

using namespace velsor;
namespace vt = velsor::testing;
using namespace velsor::analysis;
using vt::Fix;
using vt::Sat;

namespace {

const sim::Sector kWall{90, 179, 40}; // the east-south-east up to 40 degrees

// Where a direction lies on the page: from the horizon ring, the largest circle drawn.
QPointF OnSky(const PictureBox& page, double az, double el) {
    const DrawOp* ring = nullptr;
    for (const DrawOp& op : page.ops)
        if (op.kind == DrawOp::Kind::Circle && (!ring || op.radius > ring->radius))
            ring = &op;
    const double rad = std::numbers::pi / 180, r = ring->radius * std::cos(el * rad);
    return {ring->x1 + r * std::sin(az * rad), ring->y1 - r * std::cos(az * rad)};
}

const DrawOp* HatchedAt(const PictureBox& page, QPointF at) {
    for (const DrawOp& op : page.ops)
        if (op.kind == DrawOp::Kind::Polygon && op.hatched &&
            QPolygonF(QList<QPointF>(op.points.begin(), op.points.end()))
                .containsPoint(at, Qt::OddEvenFill))
            return &op;
    return nullptr;
}

} // namespace

// A satellite the simulated wall hides (its SNR reported as 0) shows as blocked on the sky page,
// in the display list and in the painted picture; one in the open sky does not.
TEST(AnalysisPages, ABlockedSatelliteShowsAsBlocked) {
    const auto day = vt::ReadBytes(vt::SkyRecording(480, kWall), "0");
    const PictureBox page = DrawPage(day->a, Page::Sky, {});
    const sim::Sky sky(1, sim::Tuner::Gt74);
    std::optional<sim::Satellite> hidden, open;
    for (std::int64_t s = 0; s < 480 * 180 && !(hidden && open); s += 180) {
        for (const sim::Satellite& sat : sky.at(s)) {
            if (kWall.contains(sat.azimuth, sat.elevation) && sat.elevation > 5 &&
                sat.azimuth % 10 > 2 && sat.azimuth % 10 < 8 && sat.elevation % 10 > 2)
                hidden = sat;
            else if (sat.azimuth > 200 && sat.elevation > 45 && sat.snr > 0)
                open = sat;
        }
    }
    ASSERT_TRUE(hidden && open);
    const QPointF h = OnSky(page, hidden->azimuth, hidden->elevation);
    const QPointF o = OnSky(page, open->azimuth, open->elevation);
    EXPECT_TRUE(HatchedAt(page, h)) << hidden->azimuth << "/" << hidden->elevation;
    EXPECT_FALSE(HatchedAt(page, o));
    QImage image(int(page.scaleWidth / 15), int(page.scaleHeight / 15), QImage::Format_RGB32);
    QPainter p(&image);
    drawing::PaintPicture(p, page, QRectF(QPointF(0, 0), QSizeF(image.size())), drawing::Style{});
    const QColor ph = image.pixelColor((h / 15).toPoint()),
                 po = image.pixelColor((o / 15).toPoint());
    EXPECT_TRUE(ph.red() == ph.green() && ph.green() == ph.blue()) << "grey or its hatch";
    EXPECT_FALSE(po.red() == po.green() && po.green() == po.blue()) << "an SNR band's colour";
}

// The history draws each satellite heard in its system's colour, pale while not in use, and the
// mean of those in use over them; the position page draws its circles by the figures.
TEST(AnalysisPages, HistoryAndPositionFromKnownEpochs) {
    ReceptionAnalysis a;
    const std::int64_t t0 = vt::Utc(2026, 12, 7, 12);
    for (int s = 0; s < 60; ++s) {
        const double angle = s * 6 * std::numbers::pi / 180; // a circle of fixes, 0.0001 deg
        a.AddEpoch(Fix(3, 35 + 1e-4 * std::cos(angle), 139 + 1e-4 * std::sin(angle), 10.0,
                       {Sat(GnssSystem::Galileo, 3, 50, 90, 40, true),
                        Sat(GnssSystem::Galileo, 4, 20, 200, 30, false)}),
                   t0 + s * 1000);
    }
    PageOptions o;
    o.range = ReceptionAnalysis::Range::TenMinutes;
    const PictureBox history = DrawPage(a, Page::SignalHistory, o);
    std::map<std::tuple<int, int, int>, std::vector<QPointF>> lines; // by colour
    for (const DrawOp& op : history.ops)
        if (op.kind == DrawOp::Kind::Polyline)
            lines[{op.color.r, op.color.g, op.color.b}] = op.points;
    const Rgb galileo = SystemColour(GnssSystem::Galileo);
    const auto& used = lines[{galileo.r, galileo.g, galileo.b}];
    const auto& mean = lines[{0, 0, 0}];
    ASSERT_EQ(used.size(), 60u);
    ASSERT_EQ(mean.size(), 60u);
    EXPECT_DOUBLE_EQ(used.front().y(), mean.front().y()) << "the mean of the one in use";
    const auto pale = std::find_if(lines.begin(), lines.end(), [&](const auto& l) {
        return l.second.size() == 60 && l.second.front().y() > used.front().y();
    });
    EXPECT_NE(pale, lines.end()) << "the one not in use, lower (30 dB-Hz) and pale";

    const PictureBox position = DrawPage(a, Page::Position, o);
    const PositionStats::Figures f = a.Position().Compute();
    std::vector<double> radii;
    QStringList texts;
    for (const DrawOp& op : position.ops) {
        if (op.kind == DrawOp::Kind::Circle)
            radii.push_back(op.radius);
        if (op.kind == DrawOp::Kind::Text)
            texts << op.text;
    }
    ASSERT_EQ(radii.size(), 3u) << "CEP50, CEP95, 2DRMS";
    EXPECT_NEAR(radii[1] / radii[0], f.cep95 / f.cep50, 1e-9);
    EXPECT_NEAR(radii[2] / radii[0], f.drms2 / f.cep50, 1e-9);
    EXPECT_TRUE(texts.contains(QStringLiteral("60 回")));
    EXPECT_TRUE(texts.contains(QStringLiteral("100.0 %")));
}

TEST(AnalysisPages, EveryPageSaysWhenThereIsNothing) {
    const ReceptionAnalysis none;
    for (int p = 0; p < kPages; ++p) {
        const PictureBox page = DrawPage(none, Page(p), {});
        const bool said = std::any_of(page.ops.begin(), page.ops.end(), [](const DrawOp& op) {
            return op.text == u"まだデータがありません。";
        });
        EXPECT_TRUE(said || p == int(Page::Sky)) << p; // the sky shows its empty map
    }
}

// The window: in ｵﾌﾟｼｮﾝ without any command-line word, its pages and range, a file read in
// place of the live session, saving and printing all four pages. Reading turns the event loop
// as it goes: what comes in between (going back to the live data, quitting) stops it, and a
// device is refused at once.
TEST(AnalysisWindow, PagesFilesSavingAndPrinting) {
    vt::ViewRig rig;
    EXPECT_TRUE(rig.Action("Mnu_Analysis")->isVisible());
    EXPECT_EQ(rig.Action("Mnu_Analysis")->text(), u"受信解析(&A)");

    const QString week = rig.dir.filePath(QStringLiteral("week.CSV"));
    ASSERT_TRUE(vt::WriteFile(week, vt::SkyRecording(3360, kWall)));
    LiveAnalysis live;
    frmAnalysis m(
        live, [] { return QStringLiteral("0"); }, rig.dialogs, rig.program);
    m.yieldIntervalMs = 0;
    views::AnalysisView view(m);
    view.Open();
    auto* tabs = view.findChild<QTabBar*>(QStringLiteral("Tab1"));
    auto* range = view.findChild<QRadioButton*>(QStringLiteral("Option1_0"));
    EXPECT_EQ(m.Label1.caption, u"受信中のデータ（接続のたびに新しく集計します）");
    rig.program.actions = {[&] { m.Mnu_File_Live_Click(); }};
    EXPECT_FALSE(m.LoadFile(week));
    EXPECT_FALSE(m.ShowsFile());
    EXPECT_EQ(rig.dialogs.busy, 0);
    rig.program.actions = {{}, {}, [&] { ++rig.program.exits; }};
    EXPECT_FALSE(m.LoadFile(week));
    EXPECT_FALSE(m.ShowsFile());

    rig.program.exits = rig.program.eventPasses = 0;
    rig.dialogs.files.push_back(week);
    m.Mnu_File_Open_Click();
    view.Render();
    EXPECT_TRUE(m.ShowsFile());
    EXPECT_GT(rig.program.eventPasses, 10) << "a turn every piece of the file";
    EXPECT_EQ(m.Shown().Epochs(), 3360u);
    tabs->setCurrentIndex(1);
    EXPECT_EQ(m.CurrentPage(), Page::Sky);
    EXPECT_TRUE(range->isHidden()) << "the range belongs to the history";
    tabs->setCurrentIndex(0);
    range->click();
    EXPECT_TRUE(m.Option1[0].value && !m.Option1[1].value);

    // Saved: four pages in one image, or a page each in a document.
    const QString png = rig.dir.filePath(QStringLiteral("a.png")),
                  pdf = rig.dir.filePath(QStringLiteral("a.pdf"));
    rig.dialogs.files = {png, pdf, rig.dir.filePath(QStringLiteral("a.svg"))};
    for (int i = 0; i < 3; ++i)
        m.Mnu_File_SaveImage_Click();
    EXPECT_EQ(QImage(png).size(), QSize(1600, 1040));
    QFile doc(pdf);
    ASSERT_TRUE(doc.open(QIODevice::ReadOnly));
    EXPECT_EQ(doc.readAll().count("/Type /Page\n"), 4);
    ASSERT_EQ(rig.dialogs.messages.size(), 1u);
    EXPECT_TRUE(rig.dialogs.messages[0].text.startsWith(u"PNG、PDF のいずれかの拡張子"));

    // No printer: offered as a PDF instead.
    static_cast<platform::PagesPrinter*>(m.printer)->printerName = QStringLiteral("none here");
    rig.dialogs.answers.push_back(platform::MsgResult::Yes);
    rig.dialogs.files.push_back(rig.dir.filePath(QStringLiteral("print.pdf")));
    m.Mnu_Print_Click();
    EXPECT_TRUE(
        rig.dialogs.messages.back().text.startsWith(u"プリンタがインストールされていません"));
    EXPECT_TRUE(QFile::exists(rig.dir.filePath(QStringLiteral("print.pdf"))));

    EXPECT_FALSE(m.LoadFile(QStringLiteral("/dev/zero")));
    EXPECT_TRUE(rig.dialogs.messages.back().text.startsWith(u"ファイルを読み込めません。"));
    EXPECT_TRUE(m.ShowsFile()) << "the file shown before stays";
    m.Mnu_File_Live_Click();
    EXPECT_FALSE(m.ShowsFile());
    view.close();
    EXPECT_FALSE(m.Loaded());
}

TEST(VelsorAnalyze, ExitStatusJsonAndPictures) {
    QTemporaryDir dir;
    const QString tool = QStringLiteral(VELSOR_ANALYZE_PATH);
    const QString capture = vt::SharedDataDir() + u"/nmea-gnss/ublox-neo-m9n-nmea.log"_qs;
    const QString png = dir.filePath(u"p.png"_qs), pdf = dir.filePath(u"p.pdf"_qs);
    const struct {
        QStringList args;
        int code;
    } cases[] = {
        {{u"--help"_qs}, 0},
        {{}, 2},
        {{u"-o"_qs, dir.filePath(u"p.svg"_qs), capture}, 2},
        {{u"--tuner"_qs, u"3"_qs, capture}, 2},
        {{dir.filePath(u"missing.log"_qs)}, 2},
        {{u"--tuner"_qs, u"2"_qs, u"-o"_qs, png, capture}, 0},
        {{u"--tuner=2"_qs, u"-o"_qs, pdf, capture}, 0},
    };
    for (const auto& c : cases) {
        const vt::ToolRun r = vt::RunTool(tool, c.args);
        EXPECT_EQ(r.code, c.code) << c.args.join(u' ').toStdString() << r.err.toStdString();
        EXPECT_EQ(r.err.isEmpty(), c.code == 0) << r.err.toStdString();
    }
    EXPECT_EQ(QImage(png).size(), QSize(1600, 1040));
    const vt::ToolRun j = vt::RunTool(tool, {u"--json"_qs, u"--tuner"_qs, u"2"_qs, capture});
    const QJsonObject o = QJsonDocument::fromJson(j.out).object();
    EXPECT_EQ(o[u"epochs"].toInt(), 61);
    EXPECT_EQ(o[u"position"][u"fixes"].toInt(), 61);
    EXPECT_EQ(o[u"fix_share"][u"3d"].toDouble(), 1.0);
    EXPECT_GT(o[u"satellites"].toArray().size(), 20);
    EXPECT_EQ(o[u"elevation_bin_degrees"].toInt(), 5);
}
