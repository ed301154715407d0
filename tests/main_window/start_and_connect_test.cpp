// Start-up, quitting and the tuner connection, with real serial ports on pseudo-terminals.

#include "support/main_window_fixture.h"

#include <QSerialPort>

using namespace velsor;
using velsor::testing::kCantConnect;
using velsor::testing::MainWindowTest;
using velsor::testing::PtyPair;
using velsor::testing::WaitFor;

namespace {

const QByteArray kInit("$PFEC,GPint,GGA01,GSA01,GSV01,ZDA01\r\n");

// The tuner's side of a pseudo-terminal pair.
class Tuner {
public:
    explicit Tuner(const QString& path) {
        port.setPortName(path);
        port.open(QIODevice::ReadWrite);
    }
    QByteArray Received(int bytes, int timeoutMs = 3000) {
        WaitFor([&] { return port.bytesAvailable() >= bytes; }, timeoutMs);
        return port.readAll();
    }
    void Send(const QByteArray& data) {
        port.write(data);
        port.waitForBytesWritten(1000);
    }
    QSerialPort port;
};

} // namespace

TEST_F(MainWindowTest, OnlyTheFirstInstanceLoads) {
    program.otherInstance = true;
    Load();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, u"同時に複数起動することはできません。");
    EXPECT_EQ(dialogs.messages[0].icon, platform::MsgIcon::Exclamation);
    EXPECT_EQ(program.exits, 1);
    EXPECT_TRUE(nav.CommPortNo.isEmpty()) << "nothing else ran";

    program.otherInstance = false;
    program.commandLine = QStringLiteral("CATALOG");
    form->Form_Load();
    EXPECT_EQ(nav.CommPortNo, u"1") << "settings read";
    EXPECT_EQ(nav.HistoryLogOn, 1) << "CATALOG holds LOG";
    EXPECT_EQ(nav.SkyRadius, 1196) << "grid drawn";
    EXPECT_EQ(dialogs.messages.size(), 1u);
}

TEST_F(MainWindowTest, HelpAndVersionAndQuit) {
    Load();
    form->Mnu_Help_Click();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_TRUE(dialogs.messages[0].text.contains(u"説明書.PDF"));
    int about = 0, end = 0;
    form->showAbout = [&] { ++about; };
    form->showEnd = [&] { ++end; };
    form->Mnu_Version_V_Click();
    EXPECT_EQ(about, 1);
    form->Mnu_Quit_Click();
    EXPECT_EQ(end, 0) << "no closing window unless a graph or replay was opened";
    EXPECT_EQ(program.exits, 1); // with a graph opened: the view test of closing the window
}

TEST_F(MainWindowTest, ConnectingOpensThePortAtTheTunersRateAndDecodes) {
    if (!PtyPair::Available())
        GTEST_SKIP() << "socat is not installed";
    struct Case {
        const char* name;
        int port;
        const char* settings;
        const char16_t* rate;
        QByteArray init;
        int clockSetDone; // the start-up correction blocked when the setting is off
        const char* gga;
    };
    const Case cases[] = {
        {"GT-74, clock on", 1, "[Velsor GPS Analyzer]\r\n[CommPort]=1\r\n[Tuner]=0\r\n[Time]=1\r\n",
         u"4800,n,8,1", kInit, 0, "$GPGGA,123456,3541.1234,N,13945.6789,E,1,05,1.0,10,M,,M,,*00"},
        {"CFGPS, clock off",
         3,
         "[Velsor GPS Analyzer]\r\n[CommPort]=3\r\n[Tuner]=1\r\n[Time]=0\r\n",
         u"9600,n,8,1",
         {},
         1,
         "$GPGGA,123456.0,3541.1234,N,13945.6789,E,1,05,1.0,10,M,,M,,*00"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PtyPair pty(dir.path(), c.port);
        ASSERT_TRUE(pty.Ready());
        Tuner tuner(pty.peerLink);
        Load(c.settings);
        form->Mnu_Start_Click();
        ASSERT_TRUE(form->MSComm1->IsOpen()) << MessageTexts().join(u'|').toStdString();
        EXPECT_EQ(form->MSComm1->CommPort(), c.port);
        EXPECT_EQ(form->MSComm1->Settings(), QStringView(c.rate));
        EXPECT_EQ(tuner.Received(c.init.isEmpty() ? 1 : c.init.size(), 300), c.init);
        EXPECT_TRUE(ConnectedLook());
        EXPECT_EQ(nav.ClockSetDone, c.clockSetDone);

        form->Mnu_Start_Click();
        EXPECT_TRUE(tuner.Received(1, 300).isEmpty()) << "a second connect does nothing";

        // Received bytes reach the decoders through the receive event.
        nav.RawSentence[0].clear();
        tuner.Send(QByteArray(c.gga) + "\r\n");
        ASSERT_TRUE(WaitFor([&] { return !nav.RawSentence[0].isEmpty(); }));
        EXPECT_EQ(form->Label4[0].caption, u"12 時 34 分 56 秒");
        EXPECT_EQ(nav.RxActivityCount, 4);

        form->Mnu_Stop_Click();
        EXPECT_FALSE(form->MSComm1->IsOpen());
        EXPECT_TRUE(IdleLook());
        EXPECT_TRUE(dialogs.messages.empty());
    }
}

TEST_F(MainWindowTest, AFailedConnectShowsBothMessagesAndRereadsTheSettings) {
    struct Case {
        const char* settings;
        const char16_t* error;
    };
    // No ports/COM5 and, on a test machine, no /dev/ttyS4 that answers: a missing device.
    QDir(dir.path()).mkpath(QStringLiteral("ports"));
    QFile::link(Path(QStringLiteral("nowhere")), Path(QStringLiteral("ports/COM5")));
    for (const Case& c :
         {Case{"[Velsor GPS Analyzer]\r\n[CommPort]= 2\r\n[Tuner]=0\r\n[Time]=1\r\n",
               u"Connect Error = 13"}, // read before any port was set
          Case{"[Velsor GPS Analyzer]\r\n[CommPort]=5\r\n[Tuner]=0\r\n[Time]=1\r\n",
               u"Connect Error = 8002"}}) {
        SCOPED_TRACE(c.settings);
        dialogs.messages.clear();
        Load(c.settings);
        nav.TunerType = QStringLiteral("1"); // changed in memory only
        form->Mnu_Start_Click();
        EXPECT_FALSE(form->MSComm1->IsOpen());
        ASSERT_EQ(dialogs.messages.size(), 2u);
        EXPECT_EQ(dialogs.messages[0].text, kCantConnect);
        EXPECT_EQ(dialogs.messages[0].icon, platform::MsgIcon::Exclamation);
        EXPECT_EQ(dialogs.messages[1].text, QStringView(c.error));
        EXPECT_EQ(dialogs.messages[1].icon, platform::MsgIcon::None);
        EXPECT_TRUE(IdleLook());
        EXPECT_EQ(nav.TunerType, u"0") << "settings read back from the file";
    }
}

TEST_F(MainWindowTest, TheInitCommandConnectsAndSurvivesOnlyWhileTheDeviceIsThere) {
    if (!PtyPair::Available())
        GTEST_SKIP() << "socat is not installed";
    PtyPair pty(dir.path(), 1);
    Tuner tuner(pty.peerLink);
    Load();
    form->Mnu_Ini_Click();
    ASSERT_TRUE(form->MSComm1->IsOpen());
    EXPECT_EQ(form->MSComm1->Settings(), u"4800,n,8,1");
    EXPECT_EQ(tuner.Received(kInit.size()), kInit);
    EXPECT_TRUE(ConnectedLook()) << "the port is open and data flows";
    form->Mnu_Start_Click();
    EXPECT_TRUE(tuner.Received(1, 300).isEmpty()) << "connect does nothing while the port is open";

    // Sent again while recording: the recording goes on and keeps its look.
    dialogs.files.push_back(Path(QStringLiteral("run.CSV")));
    form->Mnu_Rec_Save_Click();
    form->Mnu_Ini_Click();
    EXPECT_EQ(tuner.Received(kInit.size()), kInit);
    EXPECT_EQ(nav.RecordingOn, 1);
    EXPECT_EQ(Buttons(), "-12-");

    // The device gone: the port cannot be opened again. The window goes idle, the recording
    // is closed off, and the user is told.
    pty.Kill();
    form->Mnu_Ini_Click();
    EXPECT_FALSE(form->MSComm1->IsOpen());
    EXPECT_TRUE(IdleLook());
    EXPECT_EQ(nav.RecordingOn, 0);
    EXPECT_TRUE(ReadFile(Path(QStringLiteral("run.CSV"))).endsWith("(JST) Stopped.\r\n"));
    ASSERT_EQ(dialogs.messages.size(), 2u);
    EXPECT_EQ(dialogs.messages[0].text, kCantConnect);
}
