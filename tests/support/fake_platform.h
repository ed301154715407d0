#pragma once
// Serial ports that always open and receive what a test hands them, instead of a device.

#include "platform/platform.h"

#include <memory>
#include <utility>
#include <vector>

namespace velsor::testing {

struct FakeSerialPort : platform::SerialPort {
    bool open = false;
    QByteArray pending; // handed out by the next ReadAll

    int SetCommPort(int) override { return platform::comm::kOk; }
    int CommPort() const override { return 1; }
    int SetSettings(const QString&) override { return platform::comm::kOk; }
    QString Settings() const override { return QString(); }
    int Open() override {
        open = true;
        return platform::comm::kOk;
    }
    void Close() override { open = false; }
    bool IsOpen() const override { return open; }
    QByteArray ReadAll() override { return std::exchange(pending, QByteArray()); }
    int Write(QByteArrayView) override { return platform::comm::kOk; }
    int CommEvent() const override { return platform::comm::kEvReceive; }

    // Bytes arrive: one receive event, as the real port raises it.
    void Receive(const QByteArray& bytes) {
        pending += bytes;
        if (onComm)
            onComm();
    }
};

// Remembers the ports it made, in order: the main window creates the tuner's port first.
struct FakeSerialPortFactory : platform::SerialPortFactory {
    std::unique_ptr<platform::SerialPort> Create() override {
        made.push_back(new FakeSerialPort);
        return std::unique_ptr<platform::SerialPort>(made.back());
    }
    std::vector<platform::PortInfo> AvailablePorts() override { return available; }
    std::vector<FakeSerialPort*> made; // owned by whoever holds the ports
    std::vector<platform::PortInfo> available;
};

} // namespace velsor::testing
