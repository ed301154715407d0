#pragma once
// A whole fake platform: the clock, dialogs and program of support/fakes.h, a program folder
// in a temporary directory, and serial ports that tests feed by hand instead of through a
// pseudo-terminal.

#include "platform/platform.h"
#include "support/fakes.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <memory>
#include <utility>
#include <vector>

namespace velsor::testing {

// A port that opens unless told to fail, records what is written and receives what a test
// hands it.
class FakeSerialPort : public platform::SerialPort {
public:
    int openError = platform::comm::kOk; // what Open answers
    int port = 1;
    QString settings = QStringLiteral("9600,n,8,1");
    bool open = false;
    QByteArray pending;
    QByteArray written;
    int event = 0;

    int SetCommPort(int number) override {
        if (open)
            return platform::comm::kPortAlreadyOpen;
        if (number < 1 || number > 255)
            return platform::comm::kInvalidProperty;
        port = number;
        return platform::comm::kOk;
    }
    int CommPort() const override { return port; }
    int SetSettings(const QString& s) override {
        settings = s;
        return platform::comm::kOk;
    }
    QString Settings() const override { return settings; }
    int Open() override {
        if (open)
            return platform::comm::kPortAlreadyOpen;
        if (openError != platform::comm::kOk)
            return openError;
        open = true;
        return platform::comm::kOk;
    }
    void Close() override { open = false; }
    bool IsOpen() const override { return open; }
    QByteArray ReadAll() override { return std::exchange(pending, QByteArray()); }
    int Write(QByteArrayView bytes) override {
        if (!open)
            return platform::comm::kPortNotOpen;
        written += bytes.toByteArray();
        return platform::comm::kOk;
    }
    int CommEvent() const override { return event; }

    // Bytes arrive: one receive event, as the real port raises it.
    void Receive(const QByteArray& bytes) {
        pending += bytes;
        event = platform::comm::kEvReceive;
        if (onComm)
            onComm();
    }
};

// Remembers the ports it made, in order: the main window creates the tuner's port first.
class FakeSerialPortFactory : public platform::SerialPortFactory {
public:
    std::unique_ptr<platform::SerialPort> Create() override {
        auto p = std::make_unique<FakeSerialPort>();
        made.push_back(p.get());
        return p;
    }
    std::vector<FakeSerialPort*> made; // owned by whoever holds the ports
};

// The four fakes and the Platform that refers to them; the program folder is a fresh
// temporary directory.
struct FakePlatform {
    FakePlatform() { program.directory = dir.path(); }

    QTemporaryDir dir;
    FakeClock clock;
    FakeDialogs dialogs;
    FakeProgram program;
    FakeSerialPortFactory ports;
    platform::Platform platform{clock, dialogs, program, ports};
};

} // namespace velsor::testing
