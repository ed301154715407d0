// Record, then replay: velsor-sim sends a snapshot sky through a socat pty, the models record
// it with the fake clock, and the replay window shows every block as the monitor showed it.
// When VELSOR_SAMPLE_RECORDING names a file, the GT-74/77 recording is copied there.

#include "decoding/state_json.h"
#include "nmea_sim.h"
#include "replay/frm_player.h"
#include "replay/recording_files.h"
#include "support/graph_support.h"
#include "support/main_window_fixture.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

using namespace velsor;
using velsor::testing::MainWindowTest;
using velsor::testing::PtyPair;
using velsor::testing::WaitFor;

namespace {

constexpr int kSnapshots = 12;
constexpr int kRepeats = 6; // each snapshot's sentences, so that the test can catch it whole

// Without what replay cannot show the same way (raw-sentence copies, line and link counters).
std::string Comparable(const Nav& nav, const NAV_FORM& form) {
    QByteArray json;
    AppendStateJson(json, nav, form, 0, u"");
    const QJsonObject o = QJsonDocument::fromJson(json).object();
    QJsonObject state = o[QStringLiteral("state")].toObject();
    state.remove(QStringLiteral("RawSentence"));
    state.remove(QStringLiteral("ClockSetWait"));
    QJsonObject shown = o[QStringLiteral("form")].toObject();
    shown.remove(QStringLiteral("Label16"));
    return QJsonDocument(
               QJsonObject{{QStringLiteral("state"), state}, {QStringLiteral("form"), shown}})
        .toJson(QJsonDocument::Indented)
        .toStdString();
}

QByteArray Settings(int tuner) {
    return "[Velsor GPS Analyzer]\r\n[CommPort]=1\r\n[Tuner]=" + QByteArray::number(tuner) +
           "\r\n[Time]=0\r\n";
}

class ReplayRoundTrip : public MainWindowTest, public ::testing::WithParamInterface<int> {
protected:
    void SetUp() override {
        if (!PtyPair::Available())
            GTEST_SKIP() << "socat is not installed";
    }
    void TearDown() override {
        sim.terminate();
        sim.waitForFinished(5000);
    }
    // Snapshot i at 12:(3i):00 UTC, a slot minute, with 3D, 2D and no-fix stretches.
    QByteArray Stream(sim::Tuner tuner) {
        sim::FixSchedule schedule;
        schedule.noFix = {900, 180};
        schedule.twoD = {540, 180};
        const sim::Generator gen(tuner, 3, schedule);
        QByteArray out;
        for (int i = 0; i < kSnapshots; ++i) {
            const QDateTime utc(QDate(2026, 12, 6), QTime(12, 3 * i, 0), Qt::UTC);
            const QByteArray burst = gen.burst(utc, 180LL * i);
            out += burst.repeated(kRepeats);
            snapshotGga << QString::fromLatin1(burst.left(burst.indexOf('\r')));
        }
        return out;
    }
    QStringList snapshotGga;
    QProcess sim;
};

} // namespace

TEST_P(ReplayRoundTrip, EveryBlockShowsWhatTheMonitorShowedWhenItWasWritten) {
    const int tuner = GetParam();
    PtyPair pty(dir.path(), 1);
    ASSERT_TRUE(pty.Ready());
    program.commandLine = QStringLiteral("LOG"); // with the reception history log
    Load(Settings(tuner).constData());
    const QString stream = Path(QStringLiteral("stream.nmea"));
    ASSERT_TRUE(velsor::testing::WriteFile(stream, Stream(static_cast<sim::Tuner>(tuner))));
    sim.setProcessChannelMode(QProcess::ForwardedChannels);
    sim.start(QStringLiteral(VELSOR_SIM_PATH),
              QStringLiteral("--device %1 --tuner %2 --baud 57600 --replay %3")
                  .arg(pty.peerLink, QString::number(tuner), stream)
                  .split(u' '));
    ASSERT_TRUE(sim.waitForStarted(5000));
    form->Mnu_Start_Click();
    ASSERT_TRUE(form->MSComm1->IsOpen());

    const QString file = Path(QStringLiteral("roundtrip.CSV"));
    clock.now = QDateTime(QDate(2026, 12, 6), QTime(20, 59, 30));
    dialogs.files.push_back(file);
    form->Mnu_Rec_Save_Click();
    std::vector<std::string> live;
    QStringList history; // what each history record starts with
    for (int i = 0; i < kSnapshots; ++i) {
        // The whole snapshot has arrived once its GGA and date sentence are the newest.
        const QString gga = snapshotGga[i];
        ASSERT_TRUE(WaitFor(
            [&] {
                return nav.RawSentence[0] == gga && !nav.RawSentence[4].isEmpty() &&
                       nav.RawSentence[4].mid(7, 4) == gga.mid(7, 4);
            },
            8000))
            << "snapshot " << i;
        // A tick outside the slot minute arms the next snapshot; one in it writes it.
        clock.now = QDateTime(QDate(2026, 12, 6), QTime(21, 3 * i + 1, 0));
        form->Timer2_Timer();
        clock.now = QDateTime(QDate(2026, 12, 6), QTime(21, 3 * i, 0));
        form->Timer2_Timer();
        live.push_back(Comparable(nav, *form));
        history << QStringLiteral("%1,26/12/06 21:%2,%3,%4,")
                       .arg(i)
                       .arg(3 * i, 2, 10, QLatin1Char('0'))
                       .arg(nav.SatsInUse)
                       .arg(nav.SatsInView);
    }
    // One history record a snapshot, with all three kinds of fix; the graph window shows them.
    const QStringList records = QString::fromLatin1(ReadFile(Path(QStringLiteral("roundtrip.LOG"))))
                                    .split(QStringLiteral("\r\n"));
    ASSERT_EQ(records.size(), kSnapshots + 1);
    QString fixes;
    for (int i = 0; i < kSnapshots; ++i) {
        EXPECT_TRUE(records[i].startsWith(history[i])) << records[i].toStdString();
        fixes += records[i].back();
    }
    EXPECT_TRUE(fixes.contains(u'1') && fixes.contains(u'2') && fixes.contains(u'3'));
    velsor::testing::GraphRig graph;
    graph.Open(Path(QStringLiteral("roundtrip.LOG")));
    EXPECT_EQ(graph.graph.Picture1.ops.back().text, u"26/12/06 21:33");

    // Replayed while linked and recording, with the other model now configured: "Yes" stops
    // both, the stop line ending the file, and the recording's own tuner wins while it shows.
    Load(Settings(1 - tuner).constData());
    const QString configured = form->Label14.caption;
    frmPlayer player(nav, *form, *form->receiver, dialogs, program);
    form->showReplay = [&] { player.StartFromMenu(); };
    dialogs.answers = {platform::MsgResult::Yes};
    dialogs.files = {file};
    form->Mnu_Replay_Click();
    EXPECT_EQ(MessageTexts(),
              QStringList{QStringLiteral("通信中、データ記録中です。終了しますか？")});
    EXPECT_FALSE(form->MSComm1->IsOpen());
    ASSERT_TRUE(ReadFile(file).endsWith("(JST) Stopped.\r\n"));
    const QString sample = qEnvironmentVariable("VELSOR_SAMPLE_RECORDING");
    if (tuner == 0 && !sample.isEmpty()) {
        QFile::remove(sample);
        ASSERT_TRUE(QFile::copy(file, sample));
    }
    ASSERT_EQ(nav.ReplayCount, kSnapshots - 1);
    EXPECT_EQ(form->Label14.caption, tuner == 0 ? u"GT-74/77" : u"CFGPS");
    for (int b = 0; b < kSnapshots; ++b) {
        player.SetHScroll1Value(b);
        EXPECT_EQ(Comparable(nav, *form), live[b]) << "block " << b;
    }
    player.Form_Unload();
    EXPECT_EQ(form->Label14.caption, configured);
    EXPECT_TRUE(nav.ReplayLine[0][0].isEmpty());
}

INSTANTIATE_TEST_SUITE_P(BothTuners, ReplayRoundTrip, ::testing::Values(0, 1),
                         [](const auto& info) {
                             return std::string(info.param == 0 ? "GT74" : "CFGPS");
                         });
