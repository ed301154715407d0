// Forwarding on real serial ports: ptys for the tuner (COM1) and the forwarding port (COM3).

#include "forwarding/forwarder.h"
#include "forwarding/frm_com2.h"
#include "replay/recording_files.h"
#include "support/main_window_fixture.h"

#include <QProcess>
#include <QSerialPort>

#include <algorithm>
#include <numeric>

using namespace velsor;
using velsor::testing::MainWindowTest;
using velsor::testing::PtyPair;
using velsor::testing::WaitFor;

namespace {

const QString kCode = QStringLiteral("QRV42MZT");
const QByteArray kGga = "$GPGGA,123456,3541.1234,N,13945.6789,E,1,05,1.0,10,M,,M,,*00\r\n";

class Forwarding : public MainWindowTest {
protected:
    void SetUp() override {
        if (!PtyPair::Available())
            GTEST_SKIP() << "socat is not installed";
        tunerPty = std::make_unique<PtyPair>(dir.path(), 1);
        farPty = std::make_unique<PtyPair>(dir.path(), 3);
        ASSERT_TRUE(tunerPty->Ready() && farPty->Ready());
        // COM4 names a device that is not there.
        QFile::link(Path(QStringLiteral("nowhere")), Path(QStringLiteral("ports/COM4")));
        Load("[Velsor GPS Analyzer]\r\n[CommPort]=1\r\n[Tuner]=1\r\n[Time]=0\r\n");
    }
    bool Ok(const QString& port = QStringLiteral("3"), const QString& code = kCode) {
        frmCom2 dialog(nav, *form->MSComm2, dialogs, form->forwarder.get());
        bool closed = false;
        dialog.close = [&] { closed = true; };
        dialog.Text1.text = port, dialog.Text2.text = code;
        dialog.Command1_Click();
        return closed;
    }
    void ConnectAndForward() {
        form->Mnu_Start_Click();
        ASSERT_TRUE(form->MSComm1->IsOpen()) << MessageTexts().join(u'|').toStdString();
        ASSERT_TRUE(Ok());
        ASSERT_TRUE(form->MSComm2->IsOpen());
    }
    // Sends a GGA stamped hhmmss as the tuner; true once the window shows that time.
    bool Decodes(QSerialPort& tuner, const QString& t) {
        tuner.write(QByteArray(kGga).replace("123456", t.toLatin1()));
        const QString shown = u"%1 時 %2 分 %3 秒"_qs.arg(t.mid(0, 2), t.mid(2, 2), t.mid(4, 2));
        return WaitFor([&] { return form->Label4[0].caption == shown; }, 10000);
    }
    std::unique_ptr<PtyPair> tunerPty, farPty;
};

} // namespace

TEST_F(Forwarding, TheDialogOpensThePortOnlyWithTheExactCode) {
    const auto state = [&](bool closed) {
        return QStringList{closed ? u"closed"_qs : u"stays"_qs,
                           form->MSComm2->IsOpen() ? u"open"_qs : u"shut"_qs,
                           QStringLiteral("COM%1").arg(form->MSComm2->CommPort())} +
               MessageTexts();
    };
    EXPECT_EQ(state(Ok(u"4"_qs)).join(u' '), u"stays shut COM4") << "no such device";
    EXPECT_EQ(state(Ok(u"COM 3"_qs)).join(u' '), u"stays shut COM4") << "letters";
    EXPECT_EQ(state(Ok(u"COM3"_qs, u"qrv42mzt"_qs)).join(u' '), u"closed shut COM3") << "a name";
    EXPECT_EQ(state(Ok(u"3"_qs, u"qrv42mzt"_qs)).join(u' '), u"closed shut COM3");
    EXPECT_EQ(nav.ForwardPortNo, u"3");
    QSerialPort other(QFileInfo(farPty->portLink).canonicalFilePath());
    ASSERT_TRUE(other.open(QIODevice::ReadWrite));
    EXPECT_EQ(state(Ok()).join(u' '), u"closed shut COM3 既にポートが開かれています");
    other.close();
    dialogs.messages.clear();
    ConnectAndForward();
    EXPECT_EQ(state(Ok(u"5"_qs)).join(u' '), u"closed open COM3 既にポートが開かれています")
        << "a second OK keeps the first port";
}

// A port of the machine by name, as its list gives it; one unplugged after the listing is
// said, and the dialog stays open for another.
TEST_F(Forwarding, APortIsOpenedByNameAndOneGoneIsSaid) {
    const QString gone = Path(u"dev/ttyUSB1"_qs);
    EXPECT_FALSE(Ok(gone));
    EXPECT_EQ(MessageTexts(),
              QStringList{u"指定したポート「"_qs + gone + u"」が見つかりません。"_qs});
    QDir().mkpath(Path(u"dev"_qs));
    ASSERT_TRUE(
        QFile::link(QFileInfo(farPty->portLink).canonicalFilePath(), Path(u"dev/ttyUSB0"_qs)));
    EXPECT_TRUE(Ok(Path(u"dev/ttyUSB0"_qs)) && form->MSComm2->IsOpen());
}

// End to end: velsor-sim plays the tuner into COM1; another program reads COM3.
TEST_F(Forwarding, EveryReceivedByteGoesOutUnchangedInOrderUntilDisconnect) {
    QByteArray sent(256, 0); // every byte value, sentences and a cut line
    std::iota(sent.begin(), sent.end(), 0);
    sent += "\r\n" + kGga + "a line cut sh" + "\r\n" + kGga;
    const QString capture = Path(u"capture.log"_qs);
    ASSERT_TRUE(velsor::testing::WriteFile(capture, sent));
    QSerialPort far(farPty->peerLink);
    ASSERT_TRUE(far.open(QIODevice::ReadOnly));
    ConnectAndForward();

    QProcess sim;
    sim.setProcessChannelMode(QProcess::ForwardedChannels);
    sim.start(QStringLiteral(VELSOR_SIM_PATH), QStringLiteral("--device %1 --tuner 1 --replay %2")
                                                   .arg(tunerPty->peerLink, capture)
                                                   .split(u' '));
    ASSERT_TRUE(sim.waitForStarted(5000));
    QByteArray forwarded;
    WaitFor([&] { return (forwarded += far.readAll()).size() >= sent.size(); }, 10000);
    EXPECT_EQ(forwarded, sent);
    EXPECT_TRUE(WaitFor([&] { return sim.state() == QProcess::NotRunning; }));
    EXPECT_TRUE(nav.RawSentence[0].startsWith(u"$GPGGA")) << "decoding went on";

    form->Mnu_Stop_Click();
    EXPECT_FALSE(form->MSComm2->IsOpen()) << "disconnecting stops forwarding";
    ASSERT_TRUE(Ok());
    form->Mnu_Quit_Click();
    EXPECT_FALSE(form->MSComm2->IsOpen()) << "quitting stops forwarding";
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(Forwarding, AFarEndThatStallsStaysBoundedAndOneThatVanishesIsToldOnce) {
    QSerialPort tuner(tunerPty->peerLink);
    ASSERT_TRUE(tuner.open(QIODevice::ReadWrite));
    ConnectAndForward();

    const QByteArray block = kGga.repeated(64); // about 4 KB
    qint64 peak = 0;
    qsizetype largestChunk = 0;
    form->changed = [&] {
        peak = std::max(peak, form->MSComm2->BytesQueued());
        largestChunk = std::max(largestChunk, form->RxBytes.size());
    };
    for (int i = 0; i < 256; ++i) {
        tuner.write(block);
        WaitFor([&] { return tuner.bytesToWrite() == 0; }, 2000);
    }
    EXPECT_TRUE(Decodes(tuner, QStringLiteral("235959"))) << "every sentence is still decoded";
    EXPECT_GT(form->forwarder->DroppedChunks(), 0) << "the far end really stopped draining";
    EXPECT_LE(peak, std::max(Forwarder::kMaxQueued, qint64{largestChunk}));
    EXPECT_TRUE(form->MSComm2->IsOpen() && dialogs.messages.empty()) << "slow is no failure";
    EXPECT_EQ(tuner.bytesAvailable(), 0) << "nothing goes back to the tuner";

    farPty->Kill(); // the forwarding device is unplugged while data flows
    for (int i = 0; i < 20 && dialogs.messages.empty(); ++i)
        Decodes(tuner, QStringLiteral("0102%1").arg(i, 2, 10, QChar(u'0')));
    EXPECT_TRUE(Decodes(tuner, QStringLiteral("235958"))) << "reception goes on";
    EXPECT_EQ(MessageTexts(),
              QStringList{QStringLiteral("転送先ポートに書き込めないため、転送を停止しました。")});
    EXPECT_FALSE(form->MSComm2->IsOpen()) << "forwarding switched off";
    EXPECT_EQ(form->Label11.caption, u"動作状態：モニタ中") << "monitoring goes on";
}
