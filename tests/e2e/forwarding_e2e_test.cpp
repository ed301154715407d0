// Forwarding on real ports end to end: velsor-sim writes into a socat pair whose other end is
// COM1; the program forwards to COM3, a second pair, read by another program's port.

#include "forwarding/frm_com2.h"
#include "support/main_window_fixture.h"

#include <QProcess>
#include <QSerialPort>

using namespace velsor;
using velsor::testing::MainWindowTest;
using velsor::testing::PtyPair;
using velsor::testing::WaitFor;

TEST_F(MainWindowTest, SimulatedTunerOutputIsForwardedByteForByte) {
    if (!PtyPair::Available())
        GTEST_SKIP() << "socat is not installed";
    PtyPair com1(dir.path(), 1), com3(dir.path(), 3);
    ASSERT_TRUE(com1.Ready() && com3.Ready());
    QSerialPort listener;
    listener.setPortName(com3.peerLink);
    ASSERT_TRUE(listener.open(QIODevice::ReadOnly));

    Load("[Velsor GPS Analyzer]\r\n[CommPort]=1\r\n[Tuner]=1\r\n[Time]=0\r\n");
    form->Mnu_Start_Click();
    ASSERT_TRUE(form->MSComm1->IsOpen());
    frmCom2 dialog(nav, *form->MSComm2, dialogs, form->forwarder.get());
    dialog.Text1.text = QStringLiteral("3");
    dialog.Text2.text = QStringLiteral("QRV42MZT");
    dialog.Command1_Click();
    ASSERT_TRUE(form->MSComm2->IsOpen());

    QByteArray received, forwarded;
    form->changed = [&] { received += form->RxBytes; };
    QProcess sim;
    sim.setProcessChannelMode(QProcess::ForwardedChannels);
    sim.start(QStringLiteral(VELSOR_SIM_PATH),
              {QStringLiteral("--device"), com1.peerLink, QStringLiteral("--tuner"),
               QStringLiteral("1"), QStringLiteral("--seconds"), QStringLiteral("3")});
    ASSERT_TRUE(sim.waitForStarted(5000));
    ASSERT_TRUE(WaitFor([&] { return sim.state() == QProcess::NotRunning; }, 10000));
    WaitFor([&] { return false; }, 300); // the last bytes on their way
    ASSERT_TRUE(WaitFor(
        [&] {
            forwarded += listener.readAll();
            return forwarded.size() >= received.size();
        },
        5000));

    EXPECT_GT(received.size(), 1000);
    EXPECT_EQ(forwarded, received);
    EXPECT_TRUE(nav.RawSentence[4].startsWith(u"$GPRMC")) << "decoded as well";
    EXPECT_TRUE(dialogs.messages.empty());
}
