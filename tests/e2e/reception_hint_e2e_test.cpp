// The hint about a receiver that does not match the settings, velsor-sim on a socat pty.

#include "main_window/reception_hint.h"
#include "support/main_window_fixture.h"

#include <QFile>
#include <QProcess>

using namespace velsor;
using velsor::testing::PtyPair;
using velsor::testing::WaitFor;

using ReceptionHintE2E = velsor::testing::MainWindowTest;

// Told once per connection about the wrong model, nothing for the right one.
TEST_F(ReceptionHintE2E, WrongModelOncePerConnectionRightModelNever) {
    if (!PtyPair::Available())
        GTEST_SKIP() << "socat is not installed";
    PtyPair pty(dir.path(), 1);
    ASSERT_TRUE(pty.Ready());
    Load("[Velsor GPS Analyzer]\r\n[CommPort]=1\r\n[Tuner]=0\r\n[Time]=0\r\n");
    form->Mnu_Start_Click();
    ASSERT_TRUE(form->MSComm1->IsOpen());
    QProcess sim;
    sim.setProcessChannelMode(QProcess::ForwardedChannels);
    sim.start(QStringLiteral(VELSOR_SIM_PATH),
              {u"--device"_qs, pty.peerLink, u"--tuner"_qs, u"1"_qs, u"--seconds"_qs, u"90"_qs});
    ASSERT_TRUE(sim.waitForStarted(5000));
    const auto tick = [&](auto done, int ms) { // Timer2 runs as in the program
        return WaitFor([&] { return form->Timer2_Timer(), done(); }, ms);
    };
    ASSERT_TRUE(tick([&] { return !dialogs.messages.empty(); }, 15000));
    const auto judged = form->receptionHint->Health().judged;
    ASSERT_TRUE(tick([&] { return form->receptionHint->Health().judged >= judged + 8; }, 8000));
    EXPECT_EQ(MessageTexts(), QStringList{WrongModelText(u"0")}) << "still the one message";
    const auto reconnect = [&] { form->Mnu_Stop_Click(), form->Mnu_Start_Click(); };
    reconnect();
    ASSERT_TRUE(tick([&] { return dialogs.messages.size() == 2; }, 15000));

    nav.TunerType = QStringLiteral("1");
    reconnect();
    ASSERT_TRUE(tick([&] { return form->receptionHint->Health().judged >= 30; }, 20000));
    EXPECT_EQ(dialogs.messages.size(), 2u) << MessageTexts().join(u'|').toStdString();

    // Bytes that are not NMEA, as a wrong line speed delivers them: the baud-rate hint.
    sim.kill();
    sim.waitForFinished();
    reconnect();
    QFile peer(pty.peerLink);
    ASSERT_TRUE(peer.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    QByteArray noise(2000, 0);
    for (int i = 0; i < noise.size(); ++i)
        noise[i] = static_cast<char>((i * 167 + 13) % 256);
    ASSERT_EQ(peer.write(noise), noise.size());
    ASSERT_TRUE(tick([&] { return dialogs.messages.size() == 3; }, 10000));
    EXPECT_EQ(MessageTexts().last(), WrongBaudText(u"1"));
}
