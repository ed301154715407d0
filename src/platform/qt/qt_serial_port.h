#pragma once
// Serial ports on QSerialPort, by number: COMn on Windows; elsewhere <program dir>/ports/COMn
// when that exists (a link to any serial device or pseudo-terminal), else /dev/ttyS{n-1}. By
// name: a device path ("/dev/serial/by-id/usb-…", "/dev/ttyUSB0"), or "COMn" as the numbers.

#include "platform/platform.h"
#include "platform/serial_port.h"

#include <QObject>
#include <QSerialPort>
#include <QString>

#include <memory>
#include <vector>

namespace velsor::platform {

// The device path of port number n.
QString SerialDevicePath(const QString& programDirectory, int number);

// The USB serial devices under devRoot as users know them: the stable names in serial/by-id
// (described by their device), then every ttyUSB* and ttyACM*, in number order.
std::vector<PortInfo> ListSerialDevices(const QString& devRoot);

class QtSerialPort : public QObject, public SerialPort {
    Q_OBJECT
public:
    explicit QtSerialPort(QString programDirectory);
    ~QtSerialPort() override;

    int SetCommPort(int number) override;
    int CommPort() const override { return number; }
    int SetPortName(const QString& name) override;
    int SetSettings(const QString& settings) override;
    QString Settings() const override { return settings; }
    int Open() override;
    void Close() override;
    bool IsOpen() const override;
    QByteArray ReadAll() override;
    int Write(QByteArrayView bytes) override;
    qint64 BytesQueued() const override;
    int CommEvent() const override { return lastEvent; }

private:
    void Raise(int event);
    void OnError(QSerialPort::SerialPortError error);
    bool ApplySettings();

    QString programDirectory;
    QSerialPort port;
    int number = 1;
    QString name; // a device path chosen by name; empty: the number's
    QString settings = QStringLiteral("9600,n,8,1");
    int lastEvent = 0;
    bool losing = false;
};

class QtSerialPortFactory : public SerialPortFactory {
public:
    // devRoot: where the devices are listed from (tests give a folder of their own).
    explicit QtSerialPortFactory(QString programDirectory,
                                 QString devRoot = QStringLiteral("/dev"));
    std::unique_ptr<SerialPort> Create() override;
    std::vector<PortInfo> AvailablePorts() override;

private:
    QString programDirectory, devRoot;
};

} // namespace velsor::platform
