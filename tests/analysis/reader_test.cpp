// Files and the live link into the analysis: one sample per epoch whatever the model, a
// recording read with its own model, bad input of any kind, and the session that starts at
// connecting and ignores what replay feeds through the same receiver.

#include "analysis/analysis_support.h"
#include "analysis/live_analysis.h"
#include "nmea_sim.h"
#include "support/main_window_fixture.h"
#include "support/sky_recording.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>
#include <QSerialPort>

using namespace velsor;
namespace vt = velsor::testing;
using namespace velsor::analysis;
using vt::MainWindowTest;
using vt::PtyPair;
using vt::ReadBytes;
using vt::WaitFor;

namespace {

const QDateTime kStart(QDate(2026, 12, 7), QTime(23, 59, 0), Qt::UTC);

QByteArray Simulated(sim::Tuner tuner, int seconds, int from = 0) {
    const sim::Generator gen(tuner, 1, {});
    QByteArray out;
    for (int s = from; s < from + seconds; ++s)
        out += gen.burst(kStart.addSecs(s), s);
    return out;
}

} // namespace

// Every model gives one sample a second, at the receiver's time, across midnight: the field
// model ends an epoch at RMC and again at ZDA of the same second, and is counted once.
TEST(AnalysisReader, OneSampleAnEpochInEveryModel) {
    const struct {
        sim::Tuner tuner;
        const char* model;
        int satellites; // at least
    } cases[] = {
        {sim::Tuner::Gt74, "0", 4}, {sim::Tuner::Cfgps, "1", 4}, {sim::Tuner::Gnss, "2", 20}};
    for (const auto& c : cases) {
        const auto r = ReadBytes(Simulated(c.tuner, 120), c.model);
        EXPECT_TRUE(r->error.isEmpty());
        EXPECT_EQ(r->a.Epochs(), 120u) << c.model;
        EXPECT_EQ(r->a.EpochsWithMode(3), 120u) << c.model;
        EXPECT_EQ(r->a.FirstEpoch(), kStart.toMSecsSinceEpoch()) << c.model;
        EXPECT_EQ(r->a.LastEpoch() - r->a.FirstEpoch(), 119'000) << c.model;
        EXPECT_GE(r->a.Satellites().Size(), c.satellites) << c.model;
        EXPECT_EQ(r->a.Position().Fixes(), 120u) << c.model;
        EXPECT_GT(r->a.Position().Compute().heights, 0u) << c.model;
    }
}

// Five-line blocks and whole epochs alike: one epoch a snapshot, three minutes apart.
TEST(AnalysisReader, ARecordingIsReadWithItsOwnModel) {
    const struct {
        sim::Tuner tuner;
        const char* configured;
        const char* read;
    } cases[] = {{sim::Tuner::Gt74, "2", "0"}, {sim::Tuner::Gnss, "0", "2"}};
    for (const auto& c : cases) {
        const auto r = ReadBytes(vt::SkyRecording(30, std::nullopt, c.tuner), c.configured);
        EXPECT_TRUE(r->recording);
        EXPECT_EQ(r->tuner, QLatin1String(c.read));
        EXPECT_EQ(r->a.Epochs(), 30u);
        EXPECT_EQ(r->a.LastEpoch() - r->a.FirstEpoch(), 29 * 180'000) << "three minutes apart";
    }
    EXPECT_EQ(RecordingModel("Started.\n$GPGGA,1\n"), u"") << "too short to be a recording";
}

// Bytes of any kind and size: no crash, nothing made up.
TEST(AnalysisReader, BadInput) {
    QByteArray noise(1 << 20, 0);
    QRandomGenerator rng(7);
    for (char& c : noise)
        c = char(rng.bounded(256));
    auto line = [](const char* body) { return vt::WithChecksum(body).toLatin1() + "\r\n"; };
    const struct {
        const char* name;
        QByteArray bytes;
        const char* tuner;
        std::uint64_t epochs;
    } cases[] = {
        {"empty", "", "2", 0},
        {"one byte", "$", "0", 0},
        {"a megabyte of noise", noise, "2", 0},
        {"an endless line", QByteArray(300'000, 'A') + Simulated(sim::Tuner::Gnss, 2), "2", 2},
        {"noise between seconds",
         Simulated(sim::Tuner::Gnss, 2) + noise.left(5000) + "\n" +
             Simulated(sim::Tuner::Gnss, 2, 2),
         "2", 4},
        // Satellites with neither SNR nor a whole position, and a fix without height.
        {"half satellites",
         line("GNGGA,000001.00,3541.00,N,13945.00,E,1,04,1.0,,,,,,") +
             line("GPGSV,1,1,03,01,,,,02,45,,38,03,,200,") +
             line("GNRMC,000001.00,A,3541.00,N,13945.00,E,0,0,081226,,,A"),
         "2", 1},
    };
    for (const auto& c : cases) {
        const auto r = ReadBytes(c.bytes, c.tuner);
        EXPECT_TRUE(r->error.isEmpty()) << c.name;
        EXPECT_EQ(r->a.Epochs(), c.epochs) << c.name;
    }
    const auto half = ReadBytes(cases[5].bytes, "2");
    EXPECT_EQ(half->a.Position().Compute().heights, 0u);
    EXPECT_EQ(half->a.Sky().Sightings(), 0u);
    EXPECT_EQ(half->a.Bin(GnssSystem::GPS, 9).sightings, 0u) << "no azimuth, no bin";
}

// The live session: from the connection, on the real port; the snapshots replay feeds while
// the link is closed are not gathered; a new connection starts afresh.
TEST_F(MainWindowTest, TheLiveSessionStartsAtConnecting) {
    if (!PtyPair::Available())
        GTEST_SKIP() << "socat is not installed";
    std::int64_t pc = 5'000'000;
    LiveAnalysis live([&] { return pc; });
    live.Attach(*form);
    Load("[Velsor GPS Analyzer]\r\n[CommPort]=1\r\n[Tuner]=2\r\n[Time]=0\r\n[Baud]=115200\r\n");
    EXPECT_FALSE(live.Started());
    Connect();
    EXPECT_TRUE(live.Started());
    EXPECT_EQ(live.Data().SessionStart(), 5'000'000);
    QSerialPort tuner(pty->peerLink);
    ASSERT_TRUE(tuner.open(QIODevice::ReadWrite));
    pc += 12'000;
    tuner.write(Simulated(sim::Tuner::Gnss, 4));
    tuner.waitForBytesWritten(1000);
    ASSERT_TRUE(WaitFor([&] { return live.Data().Epochs() >= 3; }));
    EXPECT_EQ(live.Data().TimeToFirstFix(), 12'000);

    form->Mnu_Stop_Click();
    const std::uint64_t before = live.Data().Epochs();
    form->receiver->AssembleBytes(Simulated(sim::Tuner::Gnss, 5, 100)); // as replay feeds it
    EXPECT_EQ(live.Data().Epochs(), before);

    pc += 60'000;
    form->Mnu_Start_Click();
    ASSERT_TRUE(form->MSComm1->IsOpen());
    EXPECT_EQ(live.Data().Epochs(), 0u);
    EXPECT_EQ(live.Data().SessionStart(), pc);
}
