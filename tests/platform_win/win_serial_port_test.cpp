// The Win32 serial port: settings texts, port names, error codes, and what
// scripts/test-windows.sh sets up under wine: COM1 and COM2 on the two ends of a socat pair
// (VELSOR_TEST_COM_PAIR=1) for the system's list of ports, bytes across and a port in use; a
// listed port whose device has gone (VELSOR_TEST_GONE_COM=n); a port fed by velsor-sim
// (VELSOR_TEST_SIM_COM=n) whose bytes are recorded into VELSOR_TEST_SIM_RECORD before the
// script ends the far side, which must close the port with the lost-device event.

#include "platform/win/win_serial_port.h"
#include "support/pty_pair.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>

#include <windows.h>

#include <algorithm>
#include <optional>
#include <vector>

using namespace velsor::platform;
using velsor::testing::WaitFor;

namespace {

int argc = 1;
char name[] = "test_platform_win";
char* argv[] = {name, nullptr};

struct CoreApplication : ::testing::Environment {
    void SetUp() override { app.emplace(argc, argv); }
    void TearDown() override { app.reset(); }
    std::optional<QCoreApplication> app;
};
[[maybe_unused]] auto* const environment = ::testing::AddGlobalTestEnvironment(new CoreApplication);

} // namespace

TEST(WinSerialPort, SettingsTexts) {
    std::vector<std::pair<const char*, std::optional<WinLineSettings>>> cases = {
        {"4800,n,8,1", WinLineSettings{4800, 8, NOPARITY, ONESTOPBIT}},
        {"9600,N,8,1", WinLineSettings{9600, 8, NOPARITY, ONESTOPBIT}},
        {" 9600 , e , 7 , 2 ", WinLineSettings{9600, 7, EVENPARITY, TWOSTOPBITS}},
        {"19200,o,5,1.5", WinLineSettings{19200, 5, ODDPARITY, ONE5STOPBITS}},
        {"4800,m,8,1", WinLineSettings{4800, 8, MARKPARITY, ONESTOPBIT}},
        {"4800,s,8,1", WinLineSettings{4800, 8, SPACEPARITY, ONESTOPBIT}},
    };
    for (const char* refused : {"", "9600,n,8", "9600,n,8,1,1", "49,n,8,1", "fast,n,8,1",
                                "9600,x,8,1", "9600,no,8,1", "9600,n,9,1", "9600,n,8,3"})
        cases.push_back({refused, std::nullopt});
    for (const auto& [text, expected] : cases) {
        SCOPED_TRACE(text);
        EXPECT_EQ(ParseWinLineSettings(QString::fromLatin1(text)), expected);
        WinSerialPort port;
        EXPECT_EQ(port.SetSettings(QString::fromLatin1(text)),
                  expected ? comm::kOk : comm::kInvalidProperty);
    }
}

TEST(WinSerialPort, ErrorCodesOfAClosedPort) {
    WinSerialPort port;
    EXPECT_EQ(port.SetCommPort(0), comm::kInvalidProperty);
    EXPECT_EQ(port.SetCommPort(256), comm::kInvalidProperty);
    EXPECT_EQ(port.SetCommPort(200), comm::kOk);
    EXPECT_EQ(WinDevicePath(200), u"\\\\.\\COM200");
    EXPECT_EQ(port.Open(), comm::kInvalidPortNumber) << "no COM200";
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(port.Write("x"), comm::kPortNotOpen);
    EXPECT_TRUE(port.ReadAll().isEmpty());
}

// Names as the settings and the list give them: COM1 to COM255, and nothing else, ever taken
// for another port.
TEST(WinSerialPort, PortsByName) {
    const std::pair<const char*, int> cases[] = {
        {"COM7", 7},   {"com12", 12},      {"COM255", 255},     {"COM0", 0},
        {"COM256", 0}, {"COM07", 0},       {"COM1x", 0},        {"COM 3", 0},
        {"COM", 0},    {"\\\\.\\COM3", 0}, {"/dev/ttyUSB0", 0}, {"", 0},
    };
    for (const auto& [name, number] : cases) {
        SCOPED_TRACE(name);
        WinSerialPort port;
        ASSERT_EQ(port.SetCommPort(4), comm::kOk);
        EXPECT_EQ(port.SetPortName(QString::fromLatin1(name)),
                  number ? comm::kOk : comm::kInvalidPortNumber);
        EXPECT_EQ(port.CommPort(), number ? number : 4);
    }
    // As the list shows them: Device Manager's name, which usually ends in the port already.
    EXPECT_EQ(ComPortDescription(7, u"u-blox GNSS receiver (COM7)"_qs),
              u"u-blox GNSS receiver (COM7)");
    EXPECT_EQ(ComPortDescription(7, u"USB シリアル デバイス"_qs), u"USB シリアル デバイス (COM7)");
    EXPECT_EQ(ComPortDescription(17, u"Prolific USB-to-Serial (COM1)"_qs),
              u"Prolific USB-to-Serial (COM1) (COM17)");
    EXPECT_EQ(ComPortDescription(7, QString()), u"");
}

class ComPair : public ::testing::Test {
protected:
    void SetUp() override {
        if (qEnvironmentVariable("VELSOR_TEST_COM_PAIR") != u"1")
            GTEST_SKIP() << "COM1 and COM2 are not mapped to a pseudo-terminal pair";
    }
};

TEST_F(ComPair, BytesArriveAsEventsAndAPortInUseIsRefused) {
    QStringList listed;
    for (const PortInfo& p : ListComPorts())
        listed << p.name;
    EXPECT_GE(listed.indexOf(u"COM2"_qs), 1) << listed.join(u' ').toStdString();
    EXPECT_EQ(listed.value(0), u"COM1") << "in number order";
    WinSerialPort rx, tx, second;
    ASSERT_EQ(rx.SetSettings(u"4800,n,8,1"_qs), comm::kOk);
    ASSERT_EQ(rx.Open(), comm::kOk);
    tx.outputOnly = true;
    ASSERT_EQ(tx.SetPortName(u"COM2"_qs), comm::kOk);
    ASSERT_EQ(tx.Open(), comm::kOk);
    EXPECT_EQ(rx.SetCommPort(3), comm::kPortAlreadyOpen);
    EXPECT_EQ(rx.Open(), comm::kPortAlreadyOpen);
    EXPECT_EQ(second.Open(), comm::kPortAlreadyOpen) << "COM1 is held by rx";

    QByteArray got;
    int events = 0;
    rx.onComm = [&] {
        ++events;
        EXPECT_EQ(rx.CommEvent(), comm::kEvReceive);
        got += rx.ReadAll();
    };
    // Every byte value, in several writes, arrives once and in order.
    QByteArray sent;
    for (int i = 0; i < 3; ++i) {
        QByteArray chunk;
        for (int b = 0; b < 256; ++b)
            chunk += char(b);
        sent += chunk;
        EXPECT_EQ(tx.Write(chunk), comm::kOk);
    }
    EXPECT_TRUE(WaitFor([&] { return got.size() >= sent.size(); })) << got.size();
    EXPECT_EQ(got, sent);
    EXPECT_GE(events, 1);
    EXPECT_TRUE(WaitFor([&] { return tx.BytesQueued() == 0; }));
    // Settings change on the open port; closing and opening again works.
    EXPECT_EQ(rx.SetSettings(u"9600,n,8,1"_qs), comm::kOk);
    rx.Close();
    EXPECT_FALSE(rx.IsOpen());
    EXPECT_EQ(second.Open(), comm::kOk) << "free again";
}

// Listed, but unplugged before it is opened: no such device, and no other port instead.
TEST(WinSerialPort, AListedPortWhoseDeviceHasGoneIsNotThere) {
    const int number = qEnvironmentVariableIntValue("VELSOR_TEST_GONE_COM");
    if (number == 0)
        GTEST_SKIP() << "no port whose device has gone";
    const QString name = QStringLiteral("COM%1").arg(number);
    const auto ports = ListComPorts();
    EXPECT_TRUE(std::any_of(ports.begin(), ports.end(), [&](auto& p) { return p.name == name; }));
    WinSerialPort port;
    ASSERT_EQ(port.SetPortName(name), comm::kOk);
    EXPECT_EQ(port.Open(), comm::kInvalidPortNumber);
    EXPECT_FALSE(port.IsOpen());
}

TEST(SimulatedReceiver, RecordsLiveBytesThenLosesTheDevice) {
    const int number = qEnvironmentVariableIntValue("VELSOR_TEST_SIM_COM");
    if (number == 0)
        GTEST_SKIP() << "no port fed by velsor-sim";
    WinSerialPort port;
    ASSERT_EQ(port.SetCommPort(number), comm::kOk);
    ASSERT_EQ(port.SetSettings(u"4800,n,8,1"_qs), comm::kOk);
    ASSERT_EQ(port.Open(), comm::kOk);
    QByteArray got;
    std::vector<int> events;
    port.onComm = [&] {
        events.push_back(port.CommEvent());
        got += port.ReadAll();
    };
    WaitFor([] { return false; }, 3000);
    QFile record(qEnvironmentVariable("VELSOR_TEST_SIM_RECORD"));
    ASSERT_TRUE(record.open(QIODevice::WriteOnly));
    record.write(got);
    record.close();
    EXPECT_GT(got.size(), 0);
    // The script ends the far side once this file is there.
    QFile done(record.fileName() + u".done"_qs);
    ASSERT_TRUE(done.open(QIODevice::WriteOnly));
    done.close();
    // Wine shows a reader a closed pseudo-terminal as an idle line; the next write meets it.
    WaitFor([] { return false; }, 500);
    EXPECT_EQ(port.Write("$PVELSOR*00\r\n"), comm::kOk);
    EXPECT_TRUE(WaitFor([&] { return !port.IsOpen(); }, 15000)) << "still open";
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.back(), comm::kEvDeviceLost);
    EXPECT_EQ(std::count(events.begin(), events.end(), comm::kEvDeviceLost), 1);
}
