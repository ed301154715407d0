// The monitor against a simulated tuner: velsor-sim writes into one end of a socat
// pseudo-terminal pair, the program's models and serial ports read the other end through
// ports/COM1. Only the clock and the dialogs are fakes.

#include "support/main_window_fixture.h"

#include <QProcess>

using namespace velsor;
using velsor::testing::MainWindowTest;
using velsor::testing::PtyPair;
using velsor::testing::WaitFor;

namespace {

class MonitorE2E : public MainWindowTest {
protected:
    void SetUp() override {
        if (!PtyPair::Available())
            GTEST_SKIP() << "socat is not installed";
    }
    void TearDown() override { StopSim(); }
    // Plugs the tuner in and connects: velsor-sim plays a CFGPS at 9600 baud, often without a
    // fix, into a new pseudo-terminal pair.
    void PlugInAndConnect() {
        Connect();
        sim = std::make_unique<QProcess>();
        sim->setProcessChannelMode(QProcess::ForwardedChannels);
        sim->start(
            QStringLiteral(VELSOR_SIM_PATH),
            QStringList{QStringLiteral("--device"), pty->peerLink} +
                QStringLiteral("--tuner 1 --nofix-every 5 --nofix-for 5 --seconds 60").split(u' '));
        ASSERT_TRUE(sim->waitForStarted(5000));
    }
    void StopSim() {
        if (sim && sim->state() != QProcess::NotRunning) {
            sim->terminate();
            sim->waitForFinished(5000);
        }
    }
    std::unique_ptr<QProcess> sim;
};

} // namespace

TEST_F(MonitorE2E, ConnectDecodeRecordLoseTheDeviceAndReconnect) {
    Load("[Velsor GPS Analyzer]\r\n[CommPort]=1\r\n[Tuner]=1\r\n[Time]=0\r\n");
    PlugInAndConnect();

    // Decoded state reaches the window's fields within a few seconds.
    ASSERT_TRUE(WaitFor([&] { return !nav.RawSentence[4].isEmpty() && nav.UtcDate != 0; }, 8000));
    ASSERT_TRUE(WaitFor([&] { return form->Label4[1].caption.contains(u'/'); }, 4000));
    EXPECT_TRUE(nav.RawSentence[0].startsWith(u"$GPGGA"));
    EXPECT_TRUE(form->Label4[0].caption.contains(u"時"));
    EXPECT_TRUE(form->Label4[2].caption.startsWith(u"20"));
    EXPECT_EQ(nav.FixMode, u"--");
    EXPECT_EQ(form->Label13.caption, u"測位状態： 受信不能");
    EXPECT_GT(nav.SatsInView, 0);
    EXPECT_NE(form->Label6[0].caption, u"--");

    // Recording (its snapshots are checked by the replay round trip) while the device goes.
    const QString file = Path(QStringLiteral("live.CSV"));
    dialogs.files.push_back(file);
    form->Mnu_Rec_Save_Click();
    ASSERT_EQ(nav.RecordingOn, 1);

    // The device vanishes mid-stream: the program runs on, idle, and says so once.
    StopSim();
    pty.reset();
    ASSERT_TRUE(WaitFor([&] { return !form->MSComm1->IsOpen(); }, 5000));
    EXPECT_TRUE(IdleLook());
    EXPECT_EQ(nav.RecordingOn, 0);
    EXPECT_TRUE(ReadFile(file).endsWith("(JST) Stopped.\r\n")) << "the recording was closed";
    EXPECT_EQ(MessageTexts().count(velsor::testing::kCantConnect), 1);
    form->Mnu_Stop_Click(); // stop still works

    // Plugged in again: reconnect and data flows.
    nav.RawSentence[0].clear();
    PlugInAndConnect();
    EXPECT_TRUE(WaitFor([&] { return !nav.RawSentence[0].isEmpty(); }, 8000));
    form->Mnu_Stop_Click();
    EXPECT_FALSE(form->MSComm1->IsOpen());
}
