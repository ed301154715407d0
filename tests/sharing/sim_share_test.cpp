// velsor-sim --share-nmea: the simulated sky served over TCP, with or without a serial device.

#include "raw_client.h"
#include "support/pty_pair.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QSerialPort>
#include <QTcpServer>
#include <QTemporaryDir>

using velsor::testing::PtyPair;
using velsor::testing::RawClient;
using velsor::testing::WaitFor;

namespace {

quint16 FreePort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

// Starts the simulator and connects a client once it listens.
std::unique_ptr<RawClient> Connect(QProcess& sim, quint16 port) {
    std::unique_ptr<RawClient> c;
    WaitFor(
        [&] {
            c = std::make_unique<RawClient>(port);
            return c->connected || sim.state() == QProcess::NotRunning;
        },
        5000);
    return c;
}

} // namespace

TEST(SimShare, ClientsGetTheSimulatedSkyAsTheDeviceDoes) {
    velsor::testing::EnsureCoreApp();
    if (!PtyPair::Available())
        GTEST_SKIP() << "socat is not installed";
    QTemporaryDir dir;
    PtyPair pty(dir.path(), 1);
    ASSERT_TRUE(pty.Ready());
    QSerialPort device;
    device.setPortName(pty.portLink);
    ASSERT_TRUE(device.open(QIODevice::ReadWrite));

    const quint16 port = FreePort();
    QProcess sim;
    sim.start(QStringLiteral(VELSOR_SIM_PATH),
              {QStringLiteral("--device"), pty.peerLink, QStringLiteral("--tuner"),
               QStringLiteral("1"), QStringLiteral("--seconds"), QStringLiteral("3"),
               QStringLiteral("--share-nmea"), QString::number(port)});
    ASSERT_TRUE(sim.waitForStarted(5000));
    auto a = Connect(sim, port);
    auto b = Connect(sim, port);
    ASSERT_TRUE(a->connected && b->connected) << sim.readAllStandardError().toStdString();
    QByteArray fromDevice;
    ASSERT_TRUE(WaitFor(
        [&] {
            fromDevice += device.readAll();
            a->Read();
            b->Read();
            return sim.state() == QProcess::NotRunning;
        },
        10000));
    WaitFor([&] { return device.waitForReadyRead(10) && false; }, 300);
    fromDevice += device.readAll();
    a->Read();
    b->Read();
    EXPECT_EQ(sim.exitCode(), 0);
    EXPECT_TRUE(sim.readAllStandardError().contains("sharing NMEA on 127.0.0.1:"));

    // Both clients joined at a line start and see what the device saw from there on.
    ASSERT_GT(a->got.size(), 500);
    EXPECT_TRUE(a->got.startsWith("$GP"));
    EXPECT_TRUE(a->got.endsWith("\r\n"));
    EXPECT_TRUE(fromDevice.endsWith(a->got));
    EXPECT_TRUE(fromDevice.endsWith(b->got));
}

TEST(SimShare, WithoutADeviceOnlyTheTcpClientsGetIt) {
    velsor::testing::EnsureCoreApp();
    const quint16 port = FreePort();
    QProcess sim;
    sim.start(QStringLiteral(VELSOR_SIM_PATH),
              {QStringLiteral("--share-nmea"), QStringLiteral("127.0.0.1:%1").arg(port),
               QStringLiteral("--seconds"), QStringLiteral("2")});
    ASSERT_TRUE(sim.waitForStarted(5000));
    auto c = Connect(sim, port);
    ASSERT_TRUE(c->connected);
    ASSERT_TRUE(WaitFor(
        [&] {
            c->Read();
            return sim.state() == QProcess::NotRunning;
        },
        10000));
    c->Read();
    EXPECT_EQ(sim.exitCode(), 0);
    EXPECT_TRUE(c->got.contains("$GPGGA,"));
    EXPECT_TRUE(c->got.contains("$GPZDA,"));
}

TEST(SimShare, AValueThatIsNotAPortOrAPortInUseIsRefused) {
    velsor::testing::EnsureCoreApp();
    QTcpServer other;
    ASSERT_TRUE(other.listen(QHostAddress::LocalHost, 0));
    for (const QString& value :
         {QStringLiteral("LOG"), QStringLiteral("70000"), QString::number(other.serverPort())}) {
        SCOPED_TRACE(value.toStdString());
        QProcess sim;
        sim.start(QStringLiteral(VELSOR_SIM_PATH),
                  {QStringLiteral("--share-nmea"), value, QStringLiteral("--seconds"),
                   QStringLiteral("1")});
        ASSERT_TRUE(sim.waitForFinished(5000));
        EXPECT_EQ(sim.exitCode(), 2);
        EXPECT_TRUE(sim.readAllStandardError().contains("share")) << "says what went wrong";
    }
}
