#pragma once
// Serial ports on QSerialPort, by number: COMn on Windows; elsewhere <program dir>/ports/COMn
// when that exists (a link to any serial device or pseudo-terminal), else /dev/ttyS{n-1}.

#include "platform/platform.h"
#include "platform/serial_port.h"

#include <QObject>
#include <QSerialPort>
#include <QString>

#include <memory>

namespace velsor::platform {

// The device path of port number n.
QString SerialDevicePath(const QString& programDirectory, int number);

class QtSerialPort : public QObject, public SerialPort {
    Q_OBJECT
public:
    explicit QtSerialPort(QString programDirectory);
    ~QtSerialPort() override;

    int SetCommPort(int number) override;
    int CommPort() const override { return number; }
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
    QString settings = QStringLiteral("9600,n,8,1");
    int lastEvent = 0;
    bool losing = false;
};

class QtSerialPortFactory : public SerialPortFactory {
public:
    explicit QtSerialPortFactory(QString programDirectory);
    std::unique_ptr<SerialPort> Create() override;

private:
    QString programDirectory;
};

} // namespace velsor::platform
