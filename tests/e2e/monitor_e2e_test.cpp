// The monitor against velsor-sim on a socat pty read through ports/COM1.

#include "support/main_window_fixture.h"

#include <QProcess>

using namespace velsor;
using velsor::testing::PtyPair;
using velsor::testing::WaitFor;

using MonitorE2E = velsor::testing::MainWindowTest;

TEST_F(MonitorE2E, ConnectDecodeRecordLoseTheDeviceAndReconnect) {
    if (!PtyPair::Available())
        GTEST_SKIP() << "socat is not installed";
    Load("[Velsor GPS Analyzer]\r\n[CommPort]=1\r\n[Tuner]=1\r\n[Time]=0\r\n");
    std::unique_ptr<QProcess> sim;
    const auto plugInAndConnect = [&] { // a CFGPS, often without a fix, in a new pty pair
        Connect();
        sim = std::make_unique<QProcess>();
        sim->setProcessChannelMode(QProcess::ForwardedChannels);
        sim->start(u"" VELSOR_SIM_PATH ""_qs,
                   u"--device %1 --tuner 1 --nofix-every 5 --nofix-for 5 --seconds 60"_qs
                       .arg(pty->peerLink)
                       .split(u' '));
        return sim->waitForStarted(5000);
    };
    ASSERT_TRUE(plugInAndConnect());
    ASSERT_TRUE(WaitFor([&] { return form->Label4[1].caption.contains(u'/'); }, 12000));
    EXPECT_TRUE(form->Label4[0].caption.contains(u"時"));
    EXPECT_EQ(form->Label13.caption, u"測位状態： 受信不能");
    EXPECT_NE(form->Label6[0].caption, u"--");

    // Recording while the device vanishes mid-stream: the program runs on, idle, says so once.
    const QString file = Path(u"live.CSV"_qs);
    dialogs.files.push_back(file);
    form->Mnu_Rec_Save_Click();
    ASSERT_EQ(nav.RecordingOn, 1);
    sim->terminate(), sim->waitForFinished(5000);
    pty.reset();
    ASSERT_TRUE(WaitFor([&] { return !form->MSComm1->IsOpen(); }, 5000));
    EXPECT_TRUE(IdleLook());
    EXPECT_EQ(nav.RecordingOn, 0);
    EXPECT_TRUE(ReadFile(file).endsWith("(JST) Stopped.\r\n")) << "the recording was closed";
    EXPECT_EQ(MessageTexts().count(velsor::testing::kCantConnect), 1);
    form->Mnu_Stop_Click(); // stop still works

    nav.RawSentence[0].clear();
    ASSERT_TRUE(plugInAndConnect());
    EXPECT_TRUE(WaitFor([&] { return !nav.RawSentence[0].isEmpty(); }, 8000)) << "plugged in again";
    form->Mnu_Stop_Click();
    EXPECT_FALSE(form->MSComm1->IsOpen());
    sim->terminate(), sim->waitForFinished(5000);
}
