// --source tcp://HOST:PORT: the port over a real TCP link, and the main window reading through
// it. A lost link is the port's test: the window meets it as a lost serial device.

#include "main_window/reception_hint.h"
#include "raw_client.h"
#include "sharing/tcp_serial_port.h"
#include "support/main_window_fixture.h"

#include <gtest/gtest.h>

#include <QPointer>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>

using namespace velsor;
using velsor::sharing::TcpSerialPort;
using velsor::testing::FreePort;
using velsor::testing::WaitFor;
using velsor::testing::WithChecksum;
namespace comm = velsor::platform::comm;

namespace {

// The TCP connections to `port` with their timers, as `ss -tno` lists them.
QString SocketsTo(quint16 port) {
    QProcess ss;
    ss.start(u"ss"_qs, {u"-tnoH"_qs, u"dport = :%1"_qs.arg(port)});
    ss.waitForFinished(5000);
    return QString::fromLatin1(ss.readAllStandardOutput());
}

} // namespace

// The port on its own: what the far end does, what the window is told. A burst is handed over
// in bounded reads; a far end that falls quiet is said (once per silence: the window's test),
// the link kept and watched by keep-alive.
TEST(TcpSerialPort, ReceivesInOrderAndReportsEveryFailureAsALostDevice) {
    velsor::testing::EnsureCoreApp();
    QByteArray capture;
    for (int i = 0; i < 20000; ++i)
        capture +=
            "$GPGGA,0123" + QByteArray::number(i) + ",3541.1,N,13945.1,E,1,08,1.0,40,M,,,*00\r\n";
    enum class Far { ServesThenFallsQuiet, ClosesHalfway, Refuses, Unreachable, NoSuchHost };
    const struct {
        Far far;
        qsizetype received; // bytes of the capture that arrive
        bool lost;
    } cases[] = {
        {Far::ServesThenFallsQuiet, capture.size(), false},
        {Far::ClosesHalfway, capture.size() / 2, true},
        {Far::Refuses, 0, true},
        {Far::Unreachable, 0, true}, // TEST-NET-1: unreachable at once or never answered
        {Far::NoSuchHost, 0, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.far));
        QTcpServer server;
        ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0));
        QByteArray written; // what the port sent the far end
        QPointer<QTcpSocket> far;
        QObject::connect(&server, &QTcpServer::newConnection, &server, [&] {
            far = server.nextPendingConnection();
            QObject::connect(far, &QTcpSocket::readyRead, far, [&] { written += far->readAll(); });
            far->write(c.far == Far::ClosesHalfway ? capture.left(capture.size() / 2) : capture);
            if (c.far == Far::ClosesHalfway)
                far->disconnectFromHost();
        });
        const quint16 port = c.far == Far::Refuses ? FreePort() : server.serverPort();
        const QString host = c.far == Far::Unreachable  ? u"192.0.2.1"_qs
                             : c.far == Far::NoSuchHost ? u"no-such-host.invalid"_qs
                                                        : u"127.0.0.1"_qs;
        TcpSerialPort link(host, port, 300, 400);
        QByteArray got;
        int lost = 0, quiet = 0;
        qsizetype largest = 0;
        link.onComm = [&] {
            if (link.CommEvent() == comm::kEvReceive) {
                const QByteArray read = link.ReadAll();
                largest = std::max(largest, read.size());
                got += read;
            }
            lost += link.CommEvent() == comm::kEvDeviceLost;
            quiet += link.CommEvent() == comm::kEvNoData;
        };
        ASSERT_EQ(link.Open(), comm::kOk);
        EXPECT_TRUE(link.IsOpen() && got.isEmpty() && lost == 0) << "Open does not wait";
        EXPECT_EQ(link.Open(), comm::kPortAlreadyOpen);
        WaitFor([&] { return lost > 0 || got.size() == capture.size(); }, 10000);
        WaitFor([] { return false; }, 100); // nothing more comes
        EXPECT_EQ(got, capture.left(c.received));
        EXPECT_LE(largest, TcpSerialPort::kReadChunk) << "a burst in bounded reads";
        EXPECT_EQ(lost, c.lost ? 1 : 0);
        EXPECT_EQ(link.IsOpen(), !c.lost);
        EXPECT_EQ(written, QByteArray()) << "nothing sent unasked";
        if (c.far == Far::ServesThenFallsQuiet) {
            EXPECT_TRUE(WaitFor([&] { return quiet == 1; }, 3000));
            // The kernel probes a quiet far end within seconds ("9.572ms" is 9 s 572 ms in
            // ss's words), not after the system's two hours ("119min").
            const QString sockets = SocketsTo(port);
            if (!sockets.isEmpty()) {
                EXPECT_TRUE(sockets.contains(u"timer:(keepalive,") && !sockets.contains(u"min,"))
                    << sockets.toStdString();
            }
        } else {
            EXPECT_EQ(quiet, 0);
        }
        link.Close();
    }
}

namespace {

// The main window with its receiver port on TCP.
class TcpSourceWindowTest : public velsor::testing::MainWindowTest {
protected:
    void Use(quint16 port, const QString& host, int silenceMs) {
        form.reset(); // before the platform it holds
        factory = std::make_unique<sharing::TcpSourcePortFactory>(ports, host, port, silenceMs);
        tcpPlatform = std::make_unique<platform::Platform>(
            platform::Platform{clock, dialogs, program, *factory});
        form = std::make_unique<NAV_FORM>(nav, *tcpPlatform, prop);
    }
    std::unique_ptr<sharing::TcpSourcePortFactory> factory;
    std::unique_ptr<platform::Platform> tcpPlatform;
};

} // namespace

// The GT-74/77 gets its init sentence over the link and nothing else (the CFGPS nothing at all,
// as the port table shows for a link nobody writes to). The hint names the model that reads
// the stream, never the line speed (a network link has none); a far end that falls quiet is
// said once per silence with the link kept; 接続停止 closes the link.
TEST_F(TcpSourceWindowTest, WritesOnlyTheInitHintsWithoutASpeedSaysSilenceAndStopCloses) {
    // Bytes a serial line at the wrong speed would bring, then a u-blox receiver's seconds.
    QByteArray noise(2000, 0);
    for (int i = 0; i < noise.size(); ++i)
        noise[i] = static_cast<char>((i * 167 + 13) % 256);
    QByteArray second;
    for (const char* s : {"GNRMC,123456.00,A,3541.12345,N,13945.67891,E,0.0,,061202,,,A",
                          "GNGGA,123456.00,3541.12345,N,13945.67891,E,1,08,1.0,40.0,M,39.4,M,,",
                          "GPGSV,2,1,08,04,45,090,47,05,30,180,42,07,10,300,00,09,80,010,50"})
        second += WithChecksum(s).toLatin1() + "\r\n";
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0));
    QPointer<QTcpSocket> far;
    QByteArray written;
    QObject::connect(&server, &QTcpServer::newConnection, &server, [&] {
        far = server.nextPendingConnection();
        QObject::connect(far, &QTcpSocket::readyRead, far, [&] { written += far->readAll(); });
        far->write(noise + second.repeated(12));
    });
    Use(server.serverPort(), u"localhost"_qs, 500); // written while the name is looked up
    Load("[Velsor GPS Analyzer]\r\n[CommPort]=1\r\n[Tuner]=0\r\n[Time]=0\r\n");
    form->Mnu_Start_Click();
    EXPECT_TRUE(form->MSComm1->IsOpen() && ConnectedLook());
    const auto tick = [&](auto done, int ms) { // Timer2 runs as in the program
        return WaitFor([&] { return form->Timer2_Timer(), done(); }, ms);
    };
    const QString noData = u"受信データがありません。"_qs;
    ASSERT_TRUE(tick([&] { return MessageTexts().size() == 2; }, 5000));
    EXPECT_EQ(MessageTexts()[0], WrongModelText(u"0", u"2"));
    EXPECT_TRUE(MessageTexts()[1].startsWith(noData)) << MessageTexts()[1].toStdString();
    EXPECT_TRUE(form->MSComm1->IsOpen() && ConnectedLook()) << "the link is kept";
    far->write(second);
    ASSERT_TRUE(tick([&] { return MessageTexts().size() == 3; }, 5000));
    EXPECT_TRUE(MessageTexts()[2].startsWith(noData));
    tick([] { return false; }, 1200); // the silence goes on: nothing more is said

    EXPECT_EQ(written, "$PFEC,GPint,GGA01,GSA01,GSV01,ZDA01\r\n");
    form->Mnu_Stop_Click();
    EXPECT_TRUE(WaitFor([&] { return far->state() == QAbstractSocket::UnconnectedState; }));
    EXPECT_EQ(MessageTexts().size(), 3);
}
