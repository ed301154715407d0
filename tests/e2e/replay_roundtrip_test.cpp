// Record, then replay: velsor-sim sends a snapshot sky through a socat pty, the models record
// it with the fake clock, and the replay window shows every block as the monitor showed it.
// When VELSOR_SAMPLE_RECORDING names a file, the GT-74/77 recording is copied there, and the
// multi-GNSS one at 115200 baud to VELSOR_SAMPLE_GNSS_RECORDING.

#include "decoding/state_json.h"
#include "history_graph/frm_graph.h"
#include "nmea_sim.h"
#include "replay/frm_player.h"
#include "replay/recording_files.h"
#include "support/main_window_fixture.h"
#include "support/sky_marks.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <numeric>

using namespace velsor;
using velsor::testing::MainWindowTest;
using velsor::testing::PtyPair;
using velsor::testing::WaitFor;

namespace {

constexpr int kSnapshots = 12;

// Without what replay cannot show the same way (raw-sentence copies, line and link counters).
// With the by-fields model also the fix and its satellites, and the sky's marks where they are
// drawn.
std::string Comparable(const Nav& nav, NAV_FORM& form) {
    QByteArray json;
    AppendStateJson(json, nav, form, 0, u"");
    const QJsonObject o = QJsonDocument::fromJson(json).object();
    QJsonObject state = o[u"state"].toObject(), shown = o[u"form"].toObject();
    state.remove(u"RawSentence"_qs), state.remove(u"ClockSetWait"_qs), shown.remove(u"Label16"_qs);
    QJsonObject all{{u"state"_qs, state}, {u"form"_qs, shown}};
    if (nav.TunerType == u"2") {
        form.Picture1.PlaceMarks();
        all[u"fix"_qs] = o[u"fix"];
        all[u"marks"_qs] = velsor::testing::SkyMarks(form.Picture1);
    }
    return QJsonDocument(all).toJson().toStdString();
}

QByteArray Settings(int tuner) {
    return "[Velsor GPS Analyzer]\r\n[CommPort]=1\r\n[Tuner]=" + QByteArray::number(tuner) +
           "\r\n[Time]=0\r\n[Baud]=115200\r\n";
}

struct Case {
    int tuner;
    int baud; // 9600: the multi-GNSS receiver leaves groups out of a second
};

class ReplayRoundTrip : public MainWindowTest, public ::testing::WithParamInterface<Case> {};

} // namespace

// Each snapshot is taken at the second the window shows it, and replays as the window showed it
// then: fix, times, position, used / in view, the table and, with the by-fields model, every
// system's satellites and the sky's marks where they were drawn. The history log has the same
// counts and the graph window reads it.
TEST_P(ReplayRoundTrip, EverySnapshotShowsWhatTheWindowShowedWhenItWasWritten) {
    if (!PtyPair::Available())
        GTEST_SKIP() << "socat is not installed";
    const auto [tuner, baud] = GetParam();
    Load(Settings(tuner).constData());
    // Snapshot i at 12:(3i):00 UTC, a slot minute, with 3D, 2D and no-fix stretches, after the
    // four seconds before it (whose date, position or satellite groups may still show). One
    // more second ends the last.
    sim::Generator gen(static_cast<sim::Tuner>(tuner), 3,
                       sim::FixSchedule{.noFix = {900, 180}, .twoD = {540, 180}});
    if (tuner == 2 && baud == 9600)
        gen.setLineBytes(960);
    constexpr int lead = 4;
    QByteArray stream;
    QStringList snapshotGga;
    QList<QByteArray> bursts;
    for (int i = 0; i <= kSnapshots; ++i) {
        const QDateTime at(QDate(2026, 12, 6), QTime(12, 3 * i, 0), Qt::UTC);
        for (int k = i == kSnapshots ? lead : 0; k <= lead; ++k)
            stream += gen.burst(at.addSecs(k - lead), 180LL * i + 10 + k - lead);
        bursts << gen.burst(at, 180LL * i + 10);
        const qsizetype gga = bursts[i].indexOf(tuner == 2 ? "$GNGGA" : "$GPGGA");
        snapshotGga << QString::fromLatin1(bursts[i].mid(gga, bursts[i].indexOf('\r', gga) - gga));
    }
    const QString streamFile = Path(u"stream.nmea"_qs);
    ASSERT_TRUE(velsor::testing::WriteFile(streamFile, stream));

    const QString file = Path(u"roundtrip.CSV"_qs);
    clock.now = QDateTime(QDate(2026, 12, 6), QTime(20, 59, 30));
    Connect();
    dialogs.files.push_back(file);
    nav.HistoryLogOn = 1; // started with LOG
    form->Mnu_Rec_Save_Click();
    // Inside the receive event that completes the snapshot's second: a tick outside the slot
    // minute arms the snapshot, one in it writes it.
    std::vector<std::string> live;
    QStringList counts;
    form->receiver->afterEpoch = [&] {
        const int i = static_cast<int>(live.size());
        if (i == kSnapshots || nav.RawSentence[0] != snapshotGga[i])
            return;
        clock.now = QDateTime(QDate(2026, 12, 6), QTime(21, 3 * i + 1, 0));
        form->Timer2_Timer();
        clock.now = QDateTime(QDate(2026, 12, 6), QTime(21, 3 * i, 0));
        form->Timer2_Timer();
        live.push_back(Comparable(nav, *form));
        counts << u"%1,%2"_qs.arg(nav.SatsInUse).arg(nav.SatsInView);
    };
    QProcess sim;
    sim.setProcessChannelMode(QProcess::ForwardedChannels);
    sim.start(u"" VELSOR_SIM_PATH ""_qs, u"--device %1 --tuner %2 --baud 460800 --replay %3"_qs
                                             .arg(pty->peerLink, QString::number(tuner), streamFile)
                                             .split(u' '));
    ASSERT_TRUE(sim.waitForStarted(5000));
    ASSERT_TRUE(WaitFor([&] { return live.size() == std::size_t{kSnapshots}; }, 20000))
        << live.size() << " snapshots";
    form->receiver->afterEpoch = nullptr;
    sim.waitForFinished(5000);

    // At 9600 baud some groups shown, and recorded, came in a second before the snapshot's.
    int snapshot = -1, older = 0;
    for (const QByteArray& line : ReadFile(file).split('\n')) {
        snapshot += line.startsWith("#SNAPSHOT,") ? 1 : 0;
        older += snapshot >= 0 && line.mid(3, 3) == "GSV" && !bursts[snapshot].contains(line);
    }
    EXPECT_EQ(older > 0, baud == 9600 && tuner == 2) << older;

    // The history log beside it, one record a snapshot with the window's counts; the graph
    // window reads it.
    const QString log = Path(u"roundtrip.LOG"_qs);
    const QStringList records = QString::fromLatin1(ReadFile(log)).split(QStringLiteral("\r\n"));
    ASSERT_EQ(records.size(), kSnapshots + 1) << "each ends in CR LF";
    EXPECT_TRUE(records.first().startsWith(u"0,26/12/06 21:00,")) << records.first().toStdString();
    for (int i = 0; i < kSnapshots; ++i)
        EXPECT_EQ(records[i].section(u',', 2, 3), counts[i]) << records[i].toStdString();
    frmGraph graph(dialogs, program);
    graph.Form_Load();
    dialogs.files.push_back(log);
    graph.Mnu_File_Open_Click();
    EXPECT_TRUE(graph.HistoryLastIndex == kSnapshots - 1 && !graph.Picture1.ops.empty());
    graph.Form_Unload();

    // Replayed while linked and recording, with another model now configured: "Yes" stops
    // both, the stop line ending the file, and the recording's own model wins while it shows.
    Load(Settings(tuner == 0 ? 1 : 0).constData());
    const QString configured = form->Label14.caption;
    frmPlayer player(nav, *form, *form->receiver, dialogs, program);
    form->showReplay = [&] { player.StartFromMenu(); };
    dialogs.answers = {platform::MsgResult::Yes};
    dialogs.files = {file};
    form->Mnu_Replay_Click();
    EXPECT_EQ(MessageTexts(), QStringList{u"通信中、データ記録中です。終了しますか？"_qs});
    EXPECT_FALSE(form->MSComm1->IsOpen());
    ASSERT_TRUE(ReadFile(file).endsWith("(JST) Stopped.\r\n"));
    const QString sample = qEnvironmentVariable(tuner == 2 ? "VELSOR_SAMPLE_GNSS_RECORDING"
                                                           : "VELSOR_SAMPLE_RECORDING");
    if ((tuner == 0 || baud == 115200) && !sample.isEmpty()) {
        QFile::remove(sample);
        ASSERT_TRUE(QFile::copy(file, sample));
    }
    ASSERT_EQ(nav.ReplayCount, kSnapshots - 1);
    EXPECT_EQ(player.skipped, 0);
    EXPECT_EQ(form->Label14.caption, (QStringList{u"GT-74/77"_qs, u"CFGPS"_qs, u"NMEA"_qs}[tuner]));
    // In order; with the by-fields model back and forth too, each standing alone (the
    // fixed-position models keep a position through a snapshot without a fix, as live).
    std::vector<int> order(kSnapshots);
    std::iota(order.begin(), order.end(), 0);
    if (tuner == 2)
        order.insert(order.end(), {4, 11, 0, 9, 2});
    for (const int b : order) {
        player.SetHScroll1Value(b);
        EXPECT_EQ(Comparable(nav, *form), live[static_cast<std::size_t>(b)]) << "block " << b;
    }
    player.Form_Unload();
    EXPECT_EQ(form->Label14.caption, configured);
    EXPECT_TRUE(nav.ReplayLine[0][0].isEmpty() && nav.ReplayText.isEmpty());
}

// A case's name: the model, and the line speed of the multi-GNSS one.
std::string CaseName(const ::testing::TestParamInfo<Case>& info) {
    const Case c = info.param;
    return c.tuner == 0 ? "GT74" : c.tuner == 1 ? "CFGPS" : "Gnss" + std::to_string(c.baud);
}

INSTANTIATE_TEST_SUITE_P(Receivers, ReplayRoundTrip,
                         ::testing::Values(Case{0, 4800}, Case{1, 9600}, Case{2, 115200},
                                           Case{2, 9600}),
                         CaseName);
