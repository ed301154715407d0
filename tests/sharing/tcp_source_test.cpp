// --source tcp://HOST:PORT: the option on the command line, the port over a real TCP link, and
// the main window reading a receiver shared by velsor-sim.

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
namespace comm = velsor::platform::comm;

// The port on its own: what the far end does, what the window is told.
TEST(TcpSerialPort, ReceivesInOrderAndReportsEveryFailureAsALostDevice) {
    velsor::testing::EnsureCoreApp();
    QByteArray capture;
    for (int i = 0; i < 3000; ++i)
        capture +=
            "$GPGGA,0123" + QByteArray::number(i) + ",3541.1,N,13945.1,E,1,08,1.0,40,M,,,*00\r\n";
    enum class Far { Serves, ClosesHalfway, Refuses, Unreachable, NoSuchHost };
    const struct {
        Far far;
        qsizetype received; // bytes of the capture that arrive
        bool lost;
    } cases[] = {
        {Far::Serves, capture.size(), false},
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
        QObject::connect(&server, &QTcpServer::newConnection, &server, [&] {
            QTcpSocket* s = server.nextPendingConnection();
            QObject::connect(s, &QTcpSocket::readyRead, s,
                             [&written, s] { written += s->readAll(); });
            s->write(c.far == Far::ClosesHalfway ? capture.left(capture.size() / 2) : capture);
            if (c.far == Far::ClosesHalfway)
                s->disconnectFromHost();
        });
        const quint16 port = c.far == Far::Refuses ? FreePort() : server.serverPort();
        const QString host = c.far == Far::Unreachable  ? u"192.0.2.1"_qs
                             : c.far == Far::NoSuchHost ? u"no-such-host.invalid"_qs
                                                        : u"127.0.0.1"_qs;
        TcpSerialPort link(host, port, 300);
        QByteArray got;
        int lost = 0;
        link.onComm = [&] {
            if (link.CommEvent() == comm::kEvReceive)
                got += link.ReadAll();
            lost += link.CommEvent() == comm::kEvDeviceLost;
        };
        ASSERT_EQ(link.Open(), comm::kOk);
        EXPECT_TRUE(link.IsOpen() && got.isEmpty() && lost == 0) << "Open does not wait";
        EXPECT_EQ(link.Open(), comm::kPortAlreadyOpen);
        WaitFor([&] { return lost > 0 || got.size() == capture.size(); }, 10000);
        WaitFor([] { return false; }, 100); // nothing more comes
        EXPECT_EQ(got, capture.left(c.received));
        EXPECT_EQ(lost, c.lost ? 1 : 0);
        EXPECT_EQ(link.IsOpen(), !c.lost);
        EXPECT_EQ(written, QByteArray()) << "nothing sent unasked";
        link.Close();
    }
}

namespace {

// The main window with its receiver port on TCP.
class TcpSourceWindowTest : public velsor::testing::MainWindowTest {
protected:
    void Use(quint16 port, const QString& host = u"127.0.0.1"_qs) {
        form.reset(); // before the platform it holds
        factory = std::make_unique<sharing::TcpSourcePortFactory>(ports, host, port);
        tcpPlatform = std::make_unique<platform::Platform>(
            platform::Platform{clock, dialogs, program, *factory});
        form = std::make_unique<NAV_FORM>(nav, *tcpPlatform, prop);
    }
    std::unique_ptr<sharing::TcpSourcePortFactory> factory;
    std::unique_ptr<platform::Platform> tcpPlatform;
};

} // namespace

// The GT-74/77 gets its init sentence over the link and nothing else (the CFGPS nothing at all,
// as the port table shows for a link nobody writes to); 接続停止 closes the link.
TEST_F(TcpSourceWindowTest, WritesOnlyWhatTheModelSendsAReceiverAndStopCloses) {
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0));
    QPointer<QTcpSocket> far;
    QByteArray written;
    QObject::connect(&server, &QTcpServer::newConnection, &server, [&] {
        far = server.nextPendingConnection();
        QObject::connect(far, &QTcpSocket::readyRead, far, [&] { written += far->readAll(); });
    });
    Use(server.serverPort(), u"localhost"_qs); // written while the name is looked up
    Load("[Velsor GPS Analyzer]\r\n[CommPort]=1\r\n[Tuner]=0\r\n[Time]=0\r\n");
    form->Mnu_Start_Click();
    EXPECT_TRUE(form->MSComm1->IsOpen() && ConnectedLook());
    WaitFor([&] { return written.endsWith('\n'); });
    WaitFor([] { return false; }, 200);
    EXPECT_EQ(written, "$PFEC,GPint,GGA01,GSA01,GSV01,ZDA01\r\n");
    form->Mnu_Stop_Click();
    EXPECT_TRUE(WaitFor([&] { return far->state() == QAbstractSocket::UnconnectedState; }));
    EXPECT_TRUE(dialogs.messages.empty());
}

// velsor-sim shares a CFGPS; the window decodes it, then the simulator stops: the lost-device
// message, as for an unplugged receiver, and a new connect is refused the same way.
TEST_F(TcpSourceWindowTest, DecodesASharedReceiverAndSaysWhenItGoes) {
    const quint16 port = FreePort();
    QProcess sim;
    sim.start(u"" VELSOR_SIM_PATH ""_qs,
              u"--share-nmea %1 --tuner 1 --seconds 60"_qs.arg(port).split(u' '));
    QByteArray said;
    ASSERT_TRUE(
        WaitFor([&] { return (said += sim.readAllStandardError()).contains("sharing"); }, 10000));
    Use(port);
    Load("[Velsor GPS Analyzer]\r\n[CommPort]=1\r\n[Tuner]=1\r\n[Time]=0\r\n");
    form->Mnu_Start_Click();
    ASSERT_TRUE(WaitFor([&] { return form->Label4[1].caption.contains(u'/'); }, 12000));
    EXPECT_TRUE(form->Label4[0].caption.contains(u"時"));
    EXPECT_NE(form->Label6[0].caption, u"--");

    sim.terminate(), sim.waitForFinished(5000);
    ASSERT_TRUE(WaitFor([&] { return !form->MSComm1->IsOpen(); }, 5000));
    EXPECT_TRUE(IdleLook());
    EXPECT_EQ(MessageTexts(), QStringList{velsor::testing::kCantConnect});
    form->Mnu_Start_Click();
    EXPECT_TRUE(WaitFor([&] { return !form->MSComm1->IsOpen(); }, 5000)) << "refused";
    EXPECT_EQ(MessageTexts().count(velsor::testing::kCantConnect), 2);
}
