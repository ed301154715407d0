// The tuner connection, with real serial ports on pseudo-terminals; the start-up words and
// quitting are the window view's test, a second instance the program end-to-end test's.

#include "support/main_window_fixture.h"

#include <QSerialPort>

using namespace velsor;
using velsor::testing::kCantConnect;
using velsor::testing::MainWindowTest;
using velsor::testing::PtyPair;
using velsor::testing::WaitFor;

namespace {
const QByteArray kInit("$PFEC,GPint,GGA01,GSA01,GSV01,ZDA01\r\n");
} // namespace

// The other tuner, at 9600 baud without the init command, is the simulated one of the monitor's
// end-to-end test, which also decodes what the port receives.
TEST_F(MainWindowTest, ConnectingSendsTheInitCommandAtTheTunersRate) {
    if (!PtyPair::Available())
        GTEST_SKIP() << "socat is not installed";
    PtyPair pty(dir.path(), 2);
    ASSERT_TRUE(pty.Ready());
    QSerialPort tuner(pty.peerLink); // the tuner's side
    ASSERT_TRUE(tuner.open(QIODevice::ReadWrite));
    const auto received = [&](int bytes, int timeoutMs = 3000) {
        WaitFor([&] { return tuner.bytesAvailable() >= bytes; }, timeoutMs);
        return tuner.readAll();
    };
    Load("[Velsor GPS Analyzer]\r\n[CommPort]=2\r\n[Tuner]=0\r\n[Time]=1\r\n");
    form->Mnu_Start_Click();
    ASSERT_TRUE(form->MSComm1->IsOpen()) << MessageTexts().join(u'|').toStdString();
    EXPECT_EQ(form->MSComm1->Settings(), u"4800,n,8,1");
    EXPECT_EQ(received(kInit.size()), kInit);
    EXPECT_TRUE(ConnectedLook());
    form->Mnu_Start_Click();
    EXPECT_TRUE(received(1, 300).isEmpty()) << "connect does nothing while the port is open";

    // The init command sent again while recording: the recording goes on and keeps its look.
    dialogs.files.push_back(Path(QStringLiteral("run.CSV")));
    form->Mnu_Rec_Save_Click();
    form->Mnu_Ini_Click();
    EXPECT_EQ(received(kInit.size()), kInit);
    EXPECT_EQ(Buttons(), "-12-");
    form->Mnu_Stop_Click();
    EXPECT_FALSE(form->MSComm1->IsOpen());
    EXPECT_TRUE(IdleLook());
    // From the idle window the init command opens the port: the look follows the link.
    form->Mnu_Ini_Click();
    EXPECT_EQ(received(kInit.size()), kInit);
    EXPECT_TRUE(form->MSComm1->IsOpen() && ConnectedLook());
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(MainWindowTest, AFailedConnectShowsBothMessagesAndRereadsTheSettings) {
    // ports/COM5 leads nowhere; a port set as " 2" is never read, so none is chosen.
    QDir(dir.path()).mkpath(QStringLiteral("ports"));
    QFile::link(Path(QStringLiteral("nowhere")), Path(QStringLiteral("ports/COM5")));
    for (const auto& [port, error] :
         {std::pair{" 2", u"Connect Error = 13"}, std::pair{"5", u"Connect Error = 8002"}}) {
        SCOPED_TRACE(port);
        dialogs.messages.clear();
        Load((std::string("[Velsor GPS Analyzer]\r\n[CommPort]=") + port +
              "\r\n[Tuner]=0\r\n[Time]=1\r\n")
                 .c_str());
        nav.TunerType = QStringLiteral("1"); // changed in memory only
        form->Mnu_Start_Click();
        EXPECT_FALSE(form->MSComm1->IsOpen());
        EXPECT_EQ(MessageTexts(), (QStringList{kCantConnect, QString::fromUtf16(error)}));
        EXPECT_EQ(dialogs.messages[1].icon, platform::MsgIcon::None);
        EXPECT_TRUE(IdleLook());
        EXPECT_EQ(nav.TunerType, u"0") << "settings read back from the file";
    }
}
