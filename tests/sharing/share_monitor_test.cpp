// The main window sharing what its serial port reads from velsor-sim on a socat pty, to gpsd
// and a plain socket on loopback.

#include "raw_client.h"
#include "sharing/nav_form_sharing.h"
#include "support/main_window_fixture.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSerialPort>
#include <QStandardPaths>

#include <cmath>

using namespace velsor;
using velsor::sharing::ShareEndpoint;
using velsor::sharing::StartSharing;
using velsor::testing::FreePort;
using velsor::testing::MainWindowTest;
using velsor::testing::PtyPair;
using velsor::testing::RawClient;
using velsor::testing::WaitFor;

using ShareMonitorTest = MainWindowTest;

TEST_F(ShareMonitorTest, GpsdAndARawSocketReadTheSharedReceiverThatClientsCannotWriteTo) {
    if (!PtyPair::Available())
        GTEST_SKIP() << "socat is not installed";
    if (QStandardPaths::findExecutable(u"gpspipe"_qs).isEmpty())
        GTEST_SKIP() << "gpsd is not installed";
    PtyPair pty(dir.path(), 1);
    ASSERT_TRUE(pty.Ready());
    Load("[Velsor GPS Analyzer]\r\n[CommPort]=1\r\n[Tuner]=1\r\n[Time]=0\r\n");
    QProcess sim, gpsd;
    const quint16 port = FreePort();
    const auto server = StartSharing(*form, ShareEndpoint{u"127.0.0.1"_qs, port}, dialogs);
    ASSERT_TRUE(server);
    QByteArray read; // what the window read from its port, to compare with what clients get
    form->onReceived = [&read, send = form->onReceived](QByteArrayView b) { read += b, send(b); };
    RawClient raw(port);
    ASSERT_TRUE(raw.connected);
    QSerialPort tuner(pty.peerLink);
    ASSERT_TRUE(tuner.open(QIODevice::ReadWrite));
    form->Mnu_Start_Click();
    ASSERT_TRUE(form->MSComm1->IsOpen());
    // A megabyte from a client reaches neither the receiver nor the window.
    const QByteArray garbage =
        QByteArray("$GPGGA,235959,0101.0000,S,00101.0000,W,1,12,1.0,9.9,M,0.0,M,,*00\r\n")
            .repeated(16000);
    qsizetype pushed = 0;
    for (QDeadlineTimer d(10000); pushed < garbage.size() && !d.hasExpired();) {
        pushed += raw.Send(garbage.mid(pushed, 65536));
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    EXPECT_EQ(pushed, garbage.size()) << "the server reads it all";
    WaitFor([&] { return tuner.waitForReadyRead(10) && false; }, 300);
    EXPECT_TRUE(tuner.readAll().isEmpty() && read.isEmpty() && nav.RawSentence[0].isEmpty());
    tuner.close();
    sim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    sim.start(u"" VELSOR_SIM_PATH ""_qs,
              {u"--device"_qs, pty.peerLink, u"--tuner"_qs, u"1"_qs, u"--seconds"_qs, u"60"_qs});
    ASSERT_TRUE(sim.waitForStarted(5000));

    const quint16 gpsdPort = FreePort();
    gpsd.setProcessChannelMode(QProcess::MergedChannels);
    gpsd.start(u"gpsd"_qs,
               u"-N -n -S %1 tcp://127.0.0.1:%2"_qs.arg(gpsdPort).arg(port).split(u' '));
    ASSERT_TRUE(gpsd.waitForStarted(5000));
    ASSERT_TRUE(WaitFor([&] { return server->ClientCount() == 2; }, 5000))
        << "the raw client stays: " << gpsd.readAll().toStdString();
    EXPECT_EQ(form->Image1[0].toolTip,
              QStringLiteral("NMEA 共有中：127.0.0.1:%1（接続 2）").arg(port));

    // The simulated antenna near Tokyo, 35 41' N 139 45' E, and its sky, as gpsd tells them.
    QProcess pipe;
    QByteArray json;
    bool fix3d = false, sky = false;
    for (QDeadlineTimer d(30000); !(fix3d && sky) && !d.hasExpired();) {
        pipe.start(u"gpspipe"_qs, {u"-w"_qs, u"-n"_qs, u"12"_qs, u"127.0.0.1:%1"_qs.arg(gpsdPort)});
        WaitFor([&] { return pipe.state() == QProcess::NotRunning; }, 15000);
        for (const QByteArray& line : (json = pipe.readAllStandardOutput()).split('\n')) {
            const QJsonObject o = QJsonDocument::fromJson(line).object();
            if (o[u"class"].toString() == u"TPV" && o[u"mode"] == 3 && o.contains(u"lat"))
                fix3d = std::abs(o[u"lat"].toDouble() - (35.0 + 41.0 / 60)) < 0.001 &&
                        std::abs(o[u"lon"].toDouble() - 139.75) < 0.001;
            sky |= o[u"class"].toString() == u"SKY" && o[u"satellites"].toArray().size() >= 4;
        }
    }
    EXPECT_TRUE(fix3d && sky) << json.toStdString();

    ASSERT_TRUE(WaitFor([&] {
        raw.Read();
        return !read.isEmpty() && raw.got.size() >= read.size();
    }));
    EXPECT_EQ(raw.got, read);
    EXPECT_GT(read.size(), 500);
    EXPECT_EQ(nav.FixMode, u"3D") << "the window decodes as ever";
    for (QProcess* p : {&gpsd, &sim})
        p->kill(), p->waitForFinished(3000);
}

// A host name to listen on is looked up while the window runs: sharing starts once it is found,
// and a name that is not found is said when the lookup ends.
TEST_F(ShareMonitorTest, ANameIsLookedUpWithoutHoldingTheWindow) {
    Load("[Velsor GPS Analyzer]\r\n[CommPort]=1\r\n[Tuner]=1\r\n[Time]=0\r\n");
    const quint16 port = FreePort();
    const auto server = StartSharing(*form, ShareEndpoint{u"localhost"_qs, port, true}, dialogs);
    ASSERT_TRUE(server);
    EXPECT_FALSE(form->onReceived) << "returned before the name was found";
    ASSERT_TRUE(WaitFor([&] { return static_cast<bool>(form->onReceived); }, 10000));
    EXPECT_TRUE(RawClient(port).connected);
    EXPECT_EQ(form->Image1[0].toolTip, u"NMEA 共有中：127.0.0.1:%1（接続 0）"_qs.arg(port));

    const auto none =
        StartSharing(*form, ShareEndpoint{u"no-such-host.invalid"_qs, port, true}, dialogs);
    EXPECT_TRUE(none && dialogs.messages.empty());
    ASSERT_TRUE(WaitFor([&] { return !dialogs.messages.empty(); }, 15000));
    EXPECT_EQ(MessageTexts(),
              QStringList{sharing::ListenFailureMessage(u"no-such-host.invalid:%1"_qs.arg(port),
                                                        QAbstractSocket::HostNotFoundError, {})});
}
