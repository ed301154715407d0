// The forwarding dialog and forwarding itself, on real serial ports: pseudo-terminal pairs
// for the tuner (COM1) and the forwarding port (COM3).

#include "forwarding/forwarder.h"
#include "forwarding/frm_com2.h"
#include "support/main_window_fixture.h"

#include <QRandomGenerator>
#include <QSerialPort>

#include <algorithm>

using namespace velsor;
using velsor::testing::MainWindowTest;
using velsor::testing::PtyPair;
using velsor::testing::WaitFor;

namespace {

const QString kAlreadyOpen = QStringLiteral("既にポートが開かれています");
const QString kForwardFailed =
    QStringLiteral("転送先ポートに書き込めないため、転送を停止しました。");
const QByteArray kGga = "$GPGGA,123456,3541.1234,N,13945.6789,E,1,05,1.0,10,M,,M,,*00\r\n";

// The device end of a pseudo-terminal pair, as another program would hold it.
class Peer {
public:
    explicit Peer(const QString& path) {
        port.setPortName(path);
        port.open(QIODevice::ReadWrite);
    }
    void Send(const QByteArray& data) { port.write(data); }
    QByteArray ReadUntil(qsizetype bytes, int timeoutMs = 5000) {
        WaitFor(
            [&] {
                got += port.readAll();
                return got.size() >= bytes;
            },
            timeoutMs);
        return got;
    }
    QSerialPort port;
    QByteArray got;
};

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
    // Fills in the dialog and presses OK; true when the dialog closed.
    bool Ok(const QString& port, const QString& code) {
        frmCom2 dialog(nav, *form->MSComm2, dialogs, form->forwarder.get());
        bool closed = false;
        dialog.close = [&] { closed = true; };
        dialog.Text1.text = port;
        dialog.Text2.text = code;
        dialog.Command1_Click();
        return closed;
    }
    void Connect() {
        form->Mnu_Start_Click();
        ASSERT_TRUE(form->MSComm1->IsOpen()) << MessageTexts().join(u'|').toStdString();
    }
    std::unique_ptr<PtyPair> tunerPty, farPty;
};

} // namespace

TEST_F(Forwarding, TheDialogOpensThePortOnlyWithTheExactCode) {
    enum class Before { Nothing, Forwarding, PortHeldElsewhere };
    struct Case {
        const char* what;
        Before before;
        const char* port;
        const char* code;
        bool closed;
        bool open;
        int number; // port number of MSComm2 afterwards
        int messages;
    };
    const Case cases[] = {
        {"right code", Before::Nothing, "3", "QRV42MZT", true, true, 3, 0},
        {"blanks around the number", Before::Nothing, " 3 ", "QRV42MZT", true, true, 3, 0},
        {"lower-case code", Before::Nothing, "3", "qrv42mzt", true, false, 3, 0},
        {"code with a blank", Before::Nothing, "3", "QRV42MZT ", true, false, 3, 0},
        {"letters", Before::Nothing, "COM3", "QRV42MZT", false, false, 1, 0},
        {"port 0", Before::Nothing, "0", "QRV42MZT", false, false, 1, 0},
        {"no such device", Before::Nothing, "4", "QRV42MZT", false, false, 4, 0},
        {"second OK while forwarding", Before::Forwarding, "5", "QRV42MZT", true, true, 3, 1},
        {"port used by another program", Before::PortHeldElsewhere, "3", "QRV42MZT", true, false, 3,
         1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        form->MSComm2->Close();
        form->MSComm2->SetCommPort(1);
        std::unique_ptr<QSerialPort> other;
        if (c.before == Before::Forwarding) {
            ASSERT_TRUE(Ok(QStringLiteral("3"), QStringLiteral("QRV42MZT")));
        }
        if (c.before == Before::PortHeldElsewhere) {
            other = std::make_unique<QSerialPort>(QFileInfo(farPty->portLink).canonicalFilePath());
            ASSERT_TRUE(other->open(QIODevice::ReadWrite));
        }
        dialogs.messages.clear();

        EXPECT_EQ(Ok(QString::fromUtf8(c.port), QString::fromUtf8(c.code)), c.closed);
        EXPECT_EQ(nav.ForwardPortNo, QString::fromUtf8(c.port));
        EXPECT_EQ(form->MSComm2->IsOpen(), c.open);
        EXPECT_EQ(form->MSComm2->CommPort(), c.number);
        ASSERT_EQ(dialogs.messages.size(), static_cast<size_t>(c.messages));
        if (c.messages) {
            EXPECT_EQ(dialogs.messages[0].text, kAlreadyOpen);
            EXPECT_EQ(dialogs.messages[0].title, u"Velsor GPS Analyzer");
            EXPECT_EQ(dialogs.messages[0].icon, platform::MsgIcon::Exclamation);
            EXPECT_EQ(dialogs.messages[0].buttons, platform::MsgButtons::Ok);
        }
        if (c.open) {
            EXPECT_EQ(form->MSComm2->Settings(), u"9600,n,8,1");
        }
    }
}

TEST_F(Forwarding, EveryReceivedByteGoesOutUnchangedInOrderUntilDisconnect) {
    Peer tuner(tunerPty->peerLink), far(farPty->peerLink);
    Connect();
    ASSERT_TRUE(Ok(QStringLiteral("3"), QStringLiteral("QRV42MZT")));

    // Every byte value, sentences and noise, in chunks of random sizes.
    QByteArray sent;
    for (int i = 0; i < 256; ++i)
        sent += static_cast<char>(i);
    sent += "\r\n" + kGga + "a line cut sh" + "\r\n" + kGga;
    auto* rng = QRandomGenerator::global();
    for (qsizetype at = 0; at < sent.size();) {
        const qsizetype n = std::min<qsizetype>(1 + rng->bounded(40), sent.size() - at);
        tuner.Send(sent.mid(at, n));
        at += n;
        WaitFor([] { return false; }, 2);
    }
    EXPECT_EQ(far.ReadUntil(sent.size()), sent);
    EXPECT_TRUE(nav.RawSentence[0].startsWith(u"$GPGGA")) << "decoding went on";
    EXPECT_EQ(tuner.port.bytesAvailable(), 0) << "nothing comes back to the tuner";

    form->Mnu_Stop_Click();
    EXPECT_FALSE(form->MSComm2->IsOpen()) << "disconnecting stops forwarding";
    ASSERT_TRUE(Ok(QStringLiteral("3"), QStringLiteral("QRV42MZT")));
    form->Mnu_Quit_Click();
    EXPECT_FALSE(form->MSComm2->IsOpen()) << "quitting stops forwarding";
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(Forwarding, AFarEndThatNeverReadsButTalksCannotGrowMemoryOrStopDecoding) {
    Peer tuner(tunerPty->peerLink);
    QSerialPort talker(farPty->peerLink);
    ASSERT_TRUE(talker.open(QIODevice::WriteOnly));
    Connect();
    ASSERT_TRUE(Ok(QStringLiteral("3"), QStringLiteral("QRV42MZT")));
    // A megabyte sent back: the program takes none of it, so it backs up at the sender.
    talker.write(QByteArray(1 << 20, 'x'));

    // Far more than the pseudo-terminals and socat can hold between them; nobody reads COM3.
    const QByteArray block = kGga.repeated(64); // about 4 KB
    qint64 peak = 0;
    qsizetype largestChunk = 0;
    form->changed = [&] {
        peak = std::max(peak, form->MSComm2->BytesQueued());
        largestChunk = std::max(largestChunk, form->RxBytes.size());
    };
    for (int i = 0; i < 256; ++i) {
        tuner.Send(block);
        WaitFor([&] { return tuner.port.bytesToWrite() == 0; }, 2000);
    }
    tuner.Send("$GPGGA,235959,3541.1234,N,13945.6789,E,1,05,1.0,10,M,,M,,*00\r\n");
    EXPECT_TRUE(WaitFor([&] { return form->Label4[0].caption == u"23 時 59 分 59 秒"; }, 10000))
        << "every sentence is still decoded";
    EXPECT_GT(form->forwarder->DroppedChunks(), 0) << "the far end really stopped draining";
    EXPECT_LE(peak, std::max(Forwarder::kMaxQueued, qint64{largestChunk}));
    EXPECT_TRUE(form->MSComm2->IsOpen()) << "a slow far end is not a failure";
    EXPECT_GT(talker.bytesToWrite(), 0) << "nothing is read from the forwarding port";
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(Forwarding, AForwardingDeviceThatVanishesIsToldOnceAndReceptionGoesOn) {
    Peer tuner(tunerPty->peerLink);
    Connect();
    ASSERT_TRUE(Ok(QStringLiteral("3"), QStringLiteral("QRV42MZT")));

    farPty->Kill(); // the forwarding device is unplugged while data flows
    for (int i = 0; i < 20; ++i) {
        tuner.Send(kGga);
        WaitFor([] { return false; }, 20);
    }
    ASSERT_TRUE(WaitFor([&] { return !dialogs.messages.empty(); }, 5000));
    tuner.Send("$GPGGA,010203,3541.1234,N,13945.6789,E,1,05,1.0,10,M,,M,,*00\r\n");
    EXPECT_TRUE(WaitFor([&] { return form->Label4[0].caption == u"01 時 02 分 03 秒"; }));
    EXPECT_EQ(MessageTexts(), QStringList{kForwardFailed});
    EXPECT_EQ(dialogs.messages[0].icon, platform::MsgIcon::Exclamation);
    EXPECT_FALSE(form->MSComm2->IsOpen()) << "forwarding switched off";
    EXPECT_TRUE(form->MSComm1->IsOpen());
    EXPECT_EQ(form->Label11.caption, u"動作状態：モニタ中");
}
