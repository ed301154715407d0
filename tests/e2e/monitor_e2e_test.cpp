// The monitor against velsor-sim on a socat pty read through ports/COM1: decoding, recording,
// a lost device, and the hint about a receiver that does not match the settings.

#include "main_window/reception_hint.h"
#include "support/main_window_fixture.h"

#include <QFile>
#include <QProcess>

using namespace velsor;
using velsor::testing::PtyPair;
using velsor::testing::WaitFor;

class MonitorE2E : public velsor::testing::MainWindowTest {
protected:
    // velsor-sim on the far end of the pty pair.
    bool StartSim(const QString& args) {
        sim = std::make_unique<QProcess>();
        sim->setProcessChannelMode(QProcess::ForwardedChannels);
        sim->start(u"" VELSOR_SIM_PATH ""_qs,
                   (u"--device "_qs + pty->peerLink + u' ' + args).split(u' '));
        return sim->waitForStarted(5000);
    }
    std::unique_ptr<QProcess> sim;
};

// A CFGPS, often without a fix, set first as the other model: the wrong model is told once per
// connection, the right one never. Then decoding, recording while the device vanishes
// mid-stream, plugging it in again, and bytes that are not NMEA, as a wrong line speed brings.
TEST_F(MonitorE2E, ConnectDecodeRecordLoseTheDeviceAndReconnect) {
    if (!PtyPair::Available())
        GTEST_SKIP() << "socat is not installed";
    Load("[Velsor GPS Analyzer]\r\n[CommPort]=1\r\n[Tuner]=0\r\n[Time]=0\r\n");
    const auto plugInAndConnect = [&] { // in a new pty pair
        Connect();
        return StartSim(u"--tuner 1 --nofix-every 5 --nofix-for 5 --seconds 90"_qs);
    };
    const auto tick = [&](auto done, int ms) { // Timer2 runs as in the program
        return WaitFor([&] { return form->Timer2_Timer(), done(); }, ms);
    };
    const auto reconnect = [&] { form->Mnu_Stop_Click(), form->Mnu_Start_Click(); };
    ASSERT_TRUE(plugInAndConnect());
    ASSERT_TRUE(tick([&] { return !dialogs.messages.empty(); }, 15000));
    const auto judged = form->receptionHint->Health().judged;
    ASSERT_TRUE(tick([&] { return form->receptionHint->Health().judged >= judged + 8; }, 8000));
    EXPECT_EQ(MessageTexts(), QStringList{WrongModelText(u"0")}) << "still the one message";
    reconnect();
    ASSERT_TRUE(tick([&] { return dialogs.messages.size() == 2; }, 15000));

    nav.TunerType = QStringLiteral("1");
    reconnect();
    ASSERT_TRUE(tick([&] { return form->receptionHint->Health().judged >= 30; }, 20000));
    EXPECT_EQ(dialogs.messages.size(), 2u) << MessageTexts().join(u'|').toStdString();
    EXPECT_TRUE(form->Label4[1].caption.contains(u'/') && form->Label4[0].caption.contains(u"時"));
    EXPECT_NE(form->Label6[0].caption, u"--");
    EXPECT_TRUE(WaitFor([&] { return form->Label13.caption == u"測位状態： 受信不能"; }, 12000));

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

    // Bytes that are not NMEA: the baud-rate hint.
    sim->kill(), sim->waitForFinished();
    reconnect();
    QFile peer(pty->peerLink);
    ASSERT_TRUE(peer.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    QByteArray noise(2000, 0);
    for (int i = 0; i < noise.size(); ++i)
        noise[i] = static_cast<char>((i * 167 + 13) % 256);
    ASSERT_EQ(peer.write(noise), noise.size());
    ASSERT_TRUE(tick([&] { return dialogs.messages.size() == 4; }, 10000));
    EXPECT_EQ(MessageTexts().last(), WrongBaudText(u"1"));
    form->Mnu_Stop_Click();
    EXPECT_FALSE(form->MSComm1->IsOpen());
}
