// The hint about a receiver that does not match the settings, with velsor-sim or raw bytes on a
// socat pseudo-terminal and the program's real serial port; only clock and dialogs are fakes.

#include "main_window/reception_hint.h"
#include "support/main_window_fixture.h"

#include <QProcess>
#include <QRandomGenerator>

using namespace velsor;
using velsor::testing::MainWindowTest;
using velsor::testing::PtyPair;
using velsor::testing::WaitFor;

namespace {

class ReceptionHintE2E : public MainWindowTest {
protected:
    void SetUp() override {
        if (!PtyPair::Available())
            GTEST_SKIP() << "socat is not installed";
        pty = std::make_unique<PtyPair>(dir.path(), 1);
        ASSERT_TRUE(pty->Ready());
    }
    void TearDown() override {
        if (sim && sim->state() != QProcess::NotRunning) {
            sim->terminate();
            sim->waitForFinished(5000);
        }
    }
    void Connect(char tuner) {
        QByteArray settings = "[Velsor GPS Analyzer]\r\n[CommPort]=1\r\n[Tuner]=";
        settings += tuner;
        settings += "\r\n[Time]=0\r\n";
        WriteSettingsFile(settings);
        form->Form_Load();
        form->Mnu_Start_Click();
        ASSERT_TRUE(form->MSComm1->IsOpen());
    }
    void StartSim(const char* tuner) {
        sim = std::make_unique<QProcess>();
        sim->setProcessChannelMode(QProcess::ForwardedChannels);
        sim->start(QStringLiteral(VELSOR_SIM_PATH),
                   {QStringLiteral("--device"), pty->peerLink, QStringLiteral("--tuner"),
                    QString::fromLatin1(tuner), QStringLiteral("--seconds"), QStringLiteral("30")});
        ASSERT_TRUE(sim->waitForStarted(5000));
    }
    // Runs the window's Timer2 as the program does, until the condition or the timeout.
    template <typename F> bool Tick(F done, int ms) {
        return WaitFor(
            [&] {
                form->Timer2_Timer();
                return done();
            },
            ms);
    }
    std::unique_ptr<PtyPair> pty;
    std::unique_ptr<QProcess> sim;
};

} // namespace

TEST_F(ReceptionHintE2E, CfgpsDataToAProgramSetToTheGt74IsToldOnce) {
    Connect('0');
    StartSim("1");
    ASSERT_TRUE(Tick([&] { return !dialogs.messages.empty(); }, 15000));
    EXPECT_GE(form->receptionHint->Health().judged, StreamHealth::kMinJudged);
    // More data and ticks: still the one message.
    const auto judged = form->receptionHint->Health().judged;
    ASSERT_TRUE(Tick([&] { return form->receptionHint->Health().judged >= judged + 8; }, 8000));
    ASSERT_EQ(dialogs.messages.size(), 1u);
    const auto& m = dialogs.messages.front();
    EXPECT_EQ(m.text, WrongModelText(u"0"));
    EXPECT_TRUE(m.text.contains(u"ｵﾌﾟｼｮﾝ > ﾌﾟﾛﾊﾟﾃｨ"));
    EXPECT_TRUE(m.text.contains(u"IO-Data CFGPS"));
    EXPECT_EQ(m.title, u"Velsor GPS Analyzer");
    EXPECT_EQ(m.icon, platform::MsgIcon::Exclamation);
    EXPECT_EQ(m.buttons, platform::MsgButtons::Ok);

    // A new connection may tell again.
    form->Mnu_Stop_Click();
    form->Mnu_Start_Click();
    ASSERT_TRUE(Tick([&] { return dialogs.messages.size() == 2; }, 15000));
}

TEST_F(ReceptionHintE2E, TheRightSettingIsNeverToldAnything) {
    Connect('1');
    StartSim("1");
    ASSERT_TRUE(Tick([&] { return form->receptionHint->Health().judged >= 30; }, 20000));
    EXPECT_TRUE(MessageTexts().isEmpty()) << MessageTexts().join(u'|').toStdString();
    EXPECT_EQ(form->receptionHint->Health().Diagnose(u"1"), StreamHealth::Hint::None);
}

TEST_F(ReceptionHintE2E, NoiseOnTheLineGivesTheBaudRateHint) {
    Connect('1');
    // What a port at the wrong speed delivers: bytes that are mostly not text.
    QFile peer(pty->peerLink);
    ASSERT_TRUE(peer.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    QByteArray noise(3000, '\0');
    QRandomGenerator gen(3);
    for (char& b : noise)
        b = static_cast<char>(gen.bounded(256));
    ASSERT_EQ(peer.write(noise), noise.size());
    ASSERT_TRUE(Tick([&] { return !dialogs.messages.empty(); }, 8000));
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages.front().text, WrongBaudText(u"1"));
    EXPECT_TRUE(dialogs.messages.front().text.contains(u"通信速度"));
}
