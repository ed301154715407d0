// The sky obstruction map: reading GSV slots, the cells, recordings with a blocked sector, and
// the velsor-skymap tool on real files.

#include "skymap/sky_map.h"
#include "support/captures.h"
#include "support/file_size_limit.h"
#include "support/sky_recording.h"
#include "support/tool_run.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>

using namespace velsor;

namespace {

// "elevation/azimuth/SNR sum" of every cell seen.
QString Read(const SkyMap& m) {
    QStringList out;
    for (int e = 0; e < SkyMap::kElevationCells; ++e)
        for (int a = 0; a < SkyMap::kAzimuthCells; ++a)
            if (m.Cell(e, a).Seen())
                out << u"%1/%2/%3"_qs.arg(e * 10).arg(a * 10).arg(m.Cell(e, a).snrSum);
    return out.join(u' ');
}

} // namespace

// Elevation band, azimuth band and SNR sum of each cell a GSV line adds to.
TEST(SkyMap, GsvSlotsAtTheDecodersPositions) {
    const struct {
        const char* tuner;
        QString line;
        const char16_t* cells;
    } cases[] = {
        {"0", u"$GPGSV,2,1,08,04,45,090,47,05,30,185,42,07,10,300,00,09,85,010,50*00"_qs,
         u"10/300/0 30/180/42 40/90/47 80/10/50"},
        {"1", u"$GPGSV,2,1,8,04,45,090,47,05,30,185,42*00"_qs, u"30/180/42 40/90/47"},
        // Untracked: SNR 0, the rest shifted.
        {"0", u"$GPGSV,2,1,08,01,10,158,,14,30,119,48*76"_qs, u"10/150/0"},
        {"0", u"$GPGSV,1,1,01,01,90,359,33*00"_qs, u"80/350/33"}, // the list ends at the star
    };
    for (const auto& c : cases) {
        SkyMap m;
        m.AddGsv(c.line, QString::fromLatin1(c.tuner));
        EXPECT_EQ(Read(m), QString::fromUtf16(c.cells)) << c.line.toStdString();
    }
}

TEST(SkyMap, CellsMeansBandsAndBlocked) {
    const struct {
        std::vector<int> snrs;
        double mean;
        bool blocked;
        Rgb colour; // of the rounded mean
    } cases[] = {
        {{0, 0, 0}, 0.0, true, RGB(192, 192, 192)},     {{0, 40}, 20.0, true, RGB(255, 128, 128)},
        {{0, 40, 41}, 27.0, false, RGB(255, 128, 128)}, {{40, 41}, 40.5, false, RGB(255, 255, 128)},
        {{46}, 46.0, false, RGB(128, 255, 128)},
    };
    for (const auto& c : cases) {
        SkyMap m;
        for (int s : c.snrs)
            m.Add(45, 95, s);
        const SkyCell& cell = m.Cell(4, 9);
        EXPECT_DOUBLE_EQ(cell.MeanSnr(), c.mean);
        EXPECT_EQ(std::pair(cell.Blocked(), SnrBandColour(int(std::lround(cell.MeanSnr())))),
                  std::pair(c.blocked, c.colour))
            << c.mean;
    }
    SkyMap m;
    EXPECT_TRUE(m.Add(90, 359, 1) && m.Cell(8, 35).Seen());
    EXPECT_FALSE(m.Add(91, 0, 30) || m.Add(10, 360, 30));
    EXPECT_EQ(m.Sightings(), 1u);
}

TEST(SkyMap, ARawCaptureIsReadThroughTheSameLines) {
    QFile f(QStringLiteral(VELSOR_TEST_DATA "/nmea/layout0/GPSmap-76S.log"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    SkyMap m;
    SkyMapReader reader(m, QStringLiteral("0"));
    ASSERT_TRUE(reader.Read(f).isEmpty());
    // 10 satellites in view, every message read: 10 sightings in each of 12 epochs.
    EXPECT_EQ(std::tuple(reader.lastWasRecording, m.gsvLines, m.Sightings()),
              std::tuple(false, 36u, 120u));
}

// A week of snapshots with a wall east-south-east up to 40 degrees, read here and by the tool.
TEST(SkyMap, ARecordingWithABlockedSectorInTheMapAndTheTool) {
    QTemporaryDir dir;
    const QString rec = dir.filePath(u"week.CSV"_qs);
    QFile f(rec);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    f.write(velsor::testing::SkyRecording(3360, sim::Sector{90, 179, 40}));
    ASSERT_TRUE(f.seek(0));
    SkyMap m;
    SkyMapReader reader(m, QStringLiteral("0"));
    ASSERT_TRUE(reader.Read(f).isEmpty());
    f.close();
    EXPECT_TRUE(reader.lastWasRecording && m.snapshots == 3360u && m.gsvLines >= 3360u);

    int blockedInside = 0, seenInside = 0, blockedOutside = 0, seenOutside = 0;
    for (int e = 1; e < 4; ++e) { // 10-39 degrees: all inside the wall's height
        for (int a = 0; a < SkyMap::kAzimuthCells; ++a) {
            const SkyCell& c = m.Cell(e, a);
            const bool inside = a >= 9 && a <= 17;
            (inside ? seenInside : seenOutside) += c.Seen();
            (inside ? blockedInside : blockedOutside) += c.Blocked();
        }
    }
    EXPECT_TRUE(seenInside > 15 && seenOutside > 60) << seenInside << " " << seenOutside;
    EXPECT_EQ(std::pair(blockedInside, blockedOutside), std::pair(seenInside, 0));

    // The tool, without a display or session: silent when all is well, one line on error.
    const QString tool = QStringLiteral(VELSOR_SKYMAP_PATH);
    const auto run = [&](const QStringList& args) {
        const auto r = velsor::testing::RunTool(tool, args + QStringList{rec});
        EXPECT_TRUE(r.err.isEmpty()) << r.err.constData();
        return r;
    };
    const auto json = run({u"--json"_qs});
    ASSERT_EQ(json.code, 0) << json.err.constData();
    EXPECT_TRUE(json.out.contains("\"snapshots\":3360,") && json.out.contains("\"blocked\":true"))
        << json.out.left(200).constData();
    const QString png = dir.filePath(u"map.png"_qs), pdf = dir.filePath(u"map.pdf"_qs);
    ASSERT_EQ(run({u"-o"_qs, png}).code + run({u"-o"_qs, pdf}).code, 0);
    EXPECT_TRUE(QFileInfo(png).size() > 1000 && QFileInfo(pdf).size() > 1000);
    // The legend and the footer in the main window's words.
    const QString svg = dir.filePath(u"map.svg"_qs);
    ASSERT_EQ(run({u"-o"_qs, svg}).code, 0);
    const QString text = QString::fromUtf8(velsor::testing::FileBytes(svg));
    EXPECT_TRUE(text.contains(u">46 =&lt;<") && text.contains(u"衛星観測 ") &&
                !text.contains(u"sightings"));
    {
        // A disk that fills while the image is written: told, and the earlier image kept.
        velsor::testing::FileSizeLimit full(2000);
        EXPECT_EQ(velsor::testing::RunTool(tool, {u"-o"_qs, svg, rec}).code, 2);
    }
    EXPECT_EQ(QString::fromUtf8(velsor::testing::FileBytes(svg)), text);
    const auto missing = velsor::testing::RunTool(tool, {dir.filePath(u"missing"_qs)});
    EXPECT_TRUE(missing.code == 2 && missing.out.isEmpty() && missing.err.count('\n') == 1)
        << missing.err.constData();
}

// A recording of whole epochs (the by-fields model) maps every system's satellites, once a
// snapshot, whatever model the tool is told; the wall shows as in a GT-74/77 recording.
TEST(SkyMap, ARecordingOfWholeEpochsMapsEverySystem) {
    QBuffer rec;
    rec.setData(velsor::testing::SkyRecording(200, sim::Sector{90, 179, 40}, sim::Tuner::Gnss));
    QStringList maps;
    for (const char* tuner : {"0", "2"}) {
        ASSERT_TRUE(rec.open(QIODevice::ReadOnly));
        SkyMap m;
        SkyMapReader reader(m, QLatin1String(tuner));
        ASSERT_TRUE(reader.Read(rec).isEmpty());
        rec.close();
        // 26 to 40 satellites a snapshot, of which a GPS-only reading would see about a third.
        EXPECT_EQ(m.snapshots, 200u);
        EXPECT_GT(m.Sightings(), 200u * 24);
        EXPECT_TRUE(m.Cell(2, 13).Blocked() && !m.Cell(2, 30).Blocked());
        maps << Read(m);
    }
    EXPECT_EQ(maps[0], maps[1]);
}
