// Start-up, quitting and the tuner connection, with real serial ports on pseudo-terminals.

#include "support/main_window_fixture.h"

#include <QSerialPort>

using namespace velsor;
using velsor::testing::MainWindowTest;
using velsor::testing::PtyPair;
using velsor::testing::WaitFor;

namespace {

const QString kCantConnect = QStringLiteral("指定した COM ポートと通信できません。");

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

TEST_F(MainWindowTest, CommandLineWordsShowTheirHiddenCommands) {
    program.commandLine = QStringLiteral("replay fw CATALOG");
    Load();
    EXPECT_FALSE(form->Mnu_FW.visible || form->Mnu_Replay.visible) << "case-sensitive";
    EXPECT_TRUE(form->Mnu_Rec_Log.visible && form->Mnu_Sepa6.visible) << "CATALOG holds LOG";
    EXPECT_EQ(nav.HistoryLogOn, 1);
    EXPECT_EQ(form->Label14.caption, u"GT-74/77") << "settings read";
    EXPECT_EQ(nav.SkyRadius, 1196) << "grid drawn";
    EXPECT_TRUE(dialogs.messages.empty());

    program.commandLine = QStringLiteral("REPLAY LOG FW");
    form->Form_Load();
    EXPECT_TRUE(form->Mnu_FW.visible && form->Mnu_Sepa7.visible);
    EXPECT_TRUE(form->Mnu_Replay.visible && form->Mnu_Sepa5.visible);
}

TEST_F(MainWindowTest, ASecondInstanceIsRefused) {
    program.otherInstance = true;
    Load();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, u"同時に複数起動することはできません。");
    EXPECT_EQ(dialogs.messages[0].title, u"Velsor GPS Analyzer");
    EXPECT_EQ(dialogs.messages[0].icon, platform::MsgIcon::Exclamation);
    EXPECT_EQ(program.exits, 1);
    EXPECT_TRUE(nav.CommPortNo.isEmpty()) << "nothing else ran";
}

TEST_F(MainWindowTest, HelpAndVersionAndQuit) {
    Load();
    form->Mnu_Help_Click();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text,
              u"Velsor GPS Analyzer がインストールされたメニューフォルダに、\r\n"
              u"「説明書.PDF」がありますので、そちらを読んでください。");
    int about = 0, end = 0;
    form->showAbout = [&] { ++about; };
    form->showEnd = [&] { ++end; };
    form->Mnu_Version_V_Click();
    EXPECT_EQ(about, 1);
    form->Mnu_Quit_Click();
    EXPECT_EQ(end, 0) << "no closing window unless a graph or replay was opened";
    EXPECT_EQ(program.exits, 1);
    form->GraphOpened = 1;
    form->Form_Unload();
    EXPECT_EQ(end, 1);
    EXPECT_EQ(program.exits, 2);
}

TEST_F(MainWindowTest, ConnectingOpensThePortAndSendsTheInitSentenceOnce) {
    if (!PtyPair::Available())
        GTEST_SKIP() << "socat is not installed";
    PtyPair pty(dir.path(), 1);
    ASSERT_TRUE(pty.Ready());
    Tuner tuner(pty.peerLink);
    Load();
    form->Mnu_Start_Click();
    ASSERT_TRUE(form->MSComm1->IsOpen()) << MessageTexts().join(u'|').toStdString();
    EXPECT_EQ(form->MSComm1->Settings(), u"4800,n,8,1");
    EXPECT_EQ(tuner.Received(37), QByteArray("$PFEC,GPint,GGA01,GSA01,GSV01,ZDA01\r\n"));
    EXPECT_EQ(form->Label11.caption, u"動作状態：モニタ中");
    EXPECT_TRUE(form->Mnu_Rec.enabled && form->Label18.visible);
    EXPECT_TRUE(form->Image3[0].visible && form->Image3[2].visible && !form->Image3[1].visible);
    EXPECT_EQ(nav.ClockSetDone, 0);

    form->Mnu_Start_Click();
    EXPECT_TRUE(tuner.Received(1, 300).isEmpty()) << "a second connect does nothing";

    // Received bytes reach the decoders through the receive event.
    tuner.Send("$GPGGA,123456,3541.1234,N,13945.6789,E,1,05,1.0,10,M,,M,,*00\r\n");
    ASSERT_TRUE(WaitFor([&] { return !nav.RawSentence[0].isEmpty(); }));
    EXPECT_EQ(form->Label4[0].caption, u"12 時 34 分 56 秒");
    EXPECT_EQ(nav.RxActivityCount, 4);

    form->Mnu_Stop_Click();
    EXPECT_FALSE(form->MSComm1->IsOpen());
    EXPECT_EQ(form->Label11.caption, u"動作状態：モニタ停止中");
    EXPECT_FALSE(form->Mnu_Rec.enabled || form->Label18.visible || form->Image3[0].visible);
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(MainWindowTest, TheCfgpsIsOpenedAt9600AndSentNothing) {
    if (!PtyPair::Available())
        GTEST_SKIP() << "socat is not installed";
    PtyPair pty(dir.path(), 3);
    Tuner tuner(pty.peerLink);
    Load("[Velsor GPS Analyzer]\r\n[CommPort]=3\r\n[Tuner]=1\r\n[Time]=0\r\n");
    EXPECT_FALSE(form->Mnu_Ini.visible);
    form->Mnu_Start_Click();
    ASSERT_TRUE(form->MSComm1->IsOpen());
    EXPECT_EQ(form->MSComm1->Settings(), u"9600,n,8,1");
    EXPECT_EQ(form->MSComm1->CommPort(), 3);
    EXPECT_TRUE(tuner.Received(1, 300).isEmpty());
    EXPECT_EQ(nav.ClockSetDone, 1) << "clock setting off: the correction stays blocked";
}

TEST_F(MainWindowTest, AFailedConnectShowsBothMessagesAndRereadsTheSettings) {
    Load("[Velsor GPS Analyzer]\r\n[CommPort]=5\r\n[Tuner]=0\r\n[Time]=1\r\n");
    // No ports/COM5 and, on a test machine, no /dev/ttyS4 that answers: a missing device.
    QDir(dir.path()).mkpath(QStringLiteral("ports"));
    QFile::link(Path(QStringLiteral("nowhere")), Path(QStringLiteral("ports/COM5")));
    nav.TunerType = QStringLiteral("1"); // changed in memory only
    form->Mnu_Start_Click();
    EXPECT_FALSE(form->MSComm1->IsOpen());
    ASSERT_EQ(dialogs.messages.size(), 2u);
    EXPECT_EQ(dialogs.messages[0].text, kCantConnect);
    EXPECT_EQ(dialogs.messages[0].icon, platform::MsgIcon::Exclamation);
    EXPECT_EQ(dialogs.messages[1].text, u"Connect Error = 8002");
    EXPECT_EQ(dialogs.messages[1].icon, platform::MsgIcon::None);
    EXPECT_EQ(form->Label11.caption, u"動作状態：モニタ停止中");
    EXPECT_EQ(nav.TunerType, u"0") << "settings read back from the file";
}

TEST_F(MainWindowTest, AnUnreadablePortLineFailsWithTheConversionCode) {
    Load("[Velsor GPS Analyzer]\r\n[CommPort]= 2\r\n[Tuner]=0\r\n[Time]=1\r\n");
    form->Mnu_Start_Click();
    ASSERT_EQ(dialogs.messages.size(), 2u);
    EXPECT_EQ(dialogs.messages[1].text, u"Connect Error = 13");
}

TEST_F(MainWindowTest, TheInitCommandIsSentAtTheReceiversOwnRate) {
    if (!PtyPair::Available())
        GTEST_SKIP() << "socat is not installed";
    PtyPair pty(dir.path(), 1);
    Tuner tuner(pty.peerLink);
    Load();
    form->Mnu_Ini_Click();
    ASSERT_TRUE(form->MSComm1->IsOpen());
    EXPECT_EQ(form->MSComm1->Settings(), u"4800,n,8,1");
    EXPECT_EQ(tuner.Received(37), QByteArray("$PFEC,GPint,GGA01,GSA01,GSV01,ZDA01\r\n"));
    // The port is open and data flows: the window looks connected, and disconnect works.
    EXPECT_EQ(form->Label11.caption, u"動作状態：モニタ中");
    EXPECT_TRUE(form->Mnu_Rec.enabled && form->Label18.visible);
    EXPECT_TRUE(form->Image3[0].visible && form->Image3[2].visible && !form->Image3[1].visible);
    form->Mnu_Start_Click();
    EXPECT_TRUE(tuner.Received(1, 300).isEmpty()) << "connect does nothing while the port is open";

    // Sent again while recording: the recording goes on and keeps its look.
    dialogs.files.push_back(Path(QStringLiteral("run.CSV")));
    form->Mnu_Rec_Save_Click();
    form->Mnu_Ini_Click();
    EXPECT_EQ(tuner.Received(37).size(), 37);
    EXPECT_EQ(nav.RecordingOn, 1);
    EXPECT_TRUE(form->Image3[1].visible && !form->Image3[0].visible);

    // The device gone: the port cannot be opened again. The window goes idle, the recording
    // is closed off, and the user is told.
    pty.Kill();
    form->Mnu_Ini_Click();
    EXPECT_FALSE(form->MSComm1->IsOpen());
    EXPECT_EQ(form->Label11.caption, u"動作状態：モニタ停止中");
    EXPECT_FALSE(form->Mnu_Rec.enabled || form->Label18.visible || form->Image3[0].visible);
    EXPECT_EQ(nav.RecordingOn, 0);
    EXPECT_TRUE(ReadFile(Path(QStringLiteral("run.CSV"))).endsWith("(JST) Stopped.\r\n"));
    ASSERT_EQ(dialogs.messages.size(), 2u);
    EXPECT_EQ(dialogs.messages[0].text, kCantConnect);
}

TEST_F(MainWindowTest, ForwardingCopiesEveryReceivedByte) {
    if (!PtyPair::Available())
        GTEST_SKIP() << "socat is not installed";
    PtyPair in(dir.path(), 1), out(dir.path(), 2);
    Tuner tuner(in.peerLink), listener(out.peerLink);
    Load();
    form->Mnu_Start_Click();
    tuner.Received(37);
    form->MSComm2->SetCommPort(2);
    ASSERT_EQ(form->MSComm2->Open(), 0);
    const QByteArray noise("\x01partial$GPGGA,1\r\n$GPVTG,x*00\r\nabc", 33);
    tuner.Send(noise);
    EXPECT_EQ(listener.Received(noise.size()), noise);
    form->Mnu_Stop_Click();
    EXPECT_FALSE(form->MSComm2->IsOpen()) << "stopping ends forwarding too";
}
