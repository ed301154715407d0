#include "platform/qt/qt_serial_port.h"

#include "platform/system_serial_ports.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QTimer>

#include <algorithm>

#ifndef Q_OS_WIN
#include <sys/stat.h>
#endif

namespace velsor::platform {

namespace {

struct LineSettings {
    qint32 baud = 9600;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::DataBits data = QSerialPort::Data8;
    QSerialPort::StopBits stop = QSerialPort::OneStop;
};

std::optional<LineSettings> ParseSettings(const QString& text) {
    const QStringList parts = text.split(u',');
    if (parts.size() != 4)
        return std::nullopt;
    LineSettings s;
    bool ok = false;
    s.baud = parts[0].trimmed().toInt(&ok);
    if (!ok || s.baud < 50 || s.baud > 4000000)
        return std::nullopt;
    const QString parity = parts[1].trimmed().toLower();
    if (parity == u"n")
        s.parity = QSerialPort::NoParity;
    else if (parity == u"e")
        s.parity = QSerialPort::EvenParity;
    else if (parity == u"o")
        s.parity = QSerialPort::OddParity;
    else if (parity == u"m")
        s.parity = QSerialPort::MarkParity;
    else if (parity == u"s")
        s.parity = QSerialPort::SpaceParity;
    else
        return std::nullopt;
    const int data = parts[2].trimmed().toInt(&ok);
    if (!ok || data < 5 || data > 8)
        return std::nullopt;
    s.data = static_cast<QSerialPort::DataBits>(data);
    const QString stop = parts[3].trimmed();
    if (stop == u"1")
        s.stop = QSerialPort::OneStop;
    else if (stop == u"1.5")
        s.stop = QSerialPort::OneAndHalfStop;
    else if (stop == u"2")
        s.stop = QSerialPort::TwoStop;
    else
        return std::nullopt;
    return s;
}

} // namespace

QString SerialDevicePath(const QString& programDirectory, int number) {
#ifdef Q_OS_WIN
    Q_UNUSED(programDirectory);
    return QStringLiteral("COM%1").arg(number);
#else
    const QString link = QDir(programDirectory).filePath(QStringLiteral("ports/COM%1").arg(number));
    // A dangling link still names the port the user meant; opening it then fails as missing.
    if (QFileInfo(link).exists() || QFileInfo(link).isSymLink())
        return link;
    return QStringLiteral("/dev/ttyS%1").arg(number - 1);
#endif
}

namespace {

// A terminal device, through any links; not a file that happens to have such a name.
bool IsCharacterDevice(const QString& path) {
#ifdef Q_OS_WIN
    Q_UNUSED(path);
    return true;
#else
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISCHR(st.st_mode);
#endif
}

} // namespace

std::vector<PortInfo> ListSerialDevices(const QString& devRoot) {
    std::vector<PortInfo> out;
    const auto filters = QDir::Files | QDir::System | QDir::NoDotAndDotDot;
    // By id: links that outlive replugging, named after the device.
    const QDir byId(QDir(devRoot).filePath(QStringLiteral("serial/by-id")));
    for (const QFileInfo& link : byId.entryInfoList(filters, QDir::Name)) {
        const QString target = link.canonicalFilePath();
        if (!target.isEmpty() && IsCharacterDevice(target))
            out.push_back(
                {link.absoluteFilePath(),
                 QStringLiteral("%1 (%2)").arg(link.fileName(), QFileInfo(target).fileName())});
    }
    // ttyACM0 before ttyACM10, and ACM before USB.
    QFileInfoList devices = QDir(devRoot).entryInfoList(
        {QStringLiteral("ttyACM*"), QStringLiteral("ttyUSB*")}, filters, QDir::Name);
    auto key = [](const QFileInfo& f) {
        const QString n = f.fileName();
        return std::make_pair(n.left(6), n.mid(6).toInt());
    };
    std::sort(devices.begin(), devices.end(),
              [&](const QFileInfo& a, const QFileInfo& b) { return key(a) < key(b); });
    for (const QFileInfo& d : devices) {
        if (IsCharacterDevice(d.absoluteFilePath()))
            out.push_back({d.absoluteFilePath(), {}});
    }
    return out;
}

QtSerialPort::QtSerialPort(QString dir) : programDirectory(std::move(dir)) {
    connect(&port, &QSerialPort::readyRead, this, [this] { Raise(comm::kEvReceive); });
    connect(&port, &QSerialPort::errorOccurred, this, &QtSerialPort::OnError);
}

QtSerialPort::~QtSerialPort() {
    port.disconnect(this);
    if (port.isOpen())
        port.close();
}

void QtSerialPort::Raise(int event) {
    lastEvent = event;
    if (onComm)
        onComm();
}

void QtSerialPort::OnError(QSerialPort::SerialPortError error) {
    // A read or write that fails or ends (an unplugged device, the far end of a
    // pseudo-terminal gone) would fire again and again: the device is lost. Close outside the
    // signal, report once.
    if ((error != QSerialPort::ResourceError && error != QSerialPort::ReadError &&
         error != QSerialPort::WriteError) ||
        !port.isOpen() || losing)
        return;
    losing = true;
    QTimer::singleShot(0, this, [this] {
        losing = false;
        if (!port.isOpen())
            return;
        port.close();
        Raise(comm::kEvDeviceLost);
    });
}

int QtSerialPort::SetCommPort(int n) {
    if (port.isOpen())
        return comm::kPortAlreadyOpen;
    if (n < 1 || n > 255)
        return comm::kInvalidProperty;
    number = n;
    name.clear();
    return comm::kOk;
}

int QtSerialPort::SetPortName(const QString& text) {
    if (port.isOpen())
        return comm::kPortAlreadyOpen;
    if (const auto n = ComPortNumber(text)) {
        number = *n;
        name.clear();
        return comm::kOk;
    }
#ifdef Q_OS_WIN
    return comm::kInvalidPortNumber;
#else
    // A device path: absolute, of a sane length, nothing a terminal or a message could take
    // for something else.
    const bool sane = text.startsWith(u'/') && text.size() <= kMaxPortName &&
                      std::none_of(text.begin(), text.end(), [](QChar c) {
                          return c.category() == QChar::Other_Control ||
                                 c.category() == QChar::Other_Format || c.isSurrogate();
                      });
    if (!sane)
        return comm::kInvalidPortNumber;
    name = text;
    return comm::kOk;
#endif
}

int QtSerialPort::SetSettings(const QString& text) {
    if (!ParseSettings(text))
        return comm::kInvalidProperty;
    settings = text;
    if (port.isOpen() && !ApplySettings())
        return comm::kCannotSetState;
    return comm::kOk;
}

bool QtSerialPort::ApplySettings() {
    const auto s = ParseSettings(settings);
    return s && port.setBaudRate(s->baud) && port.setParity(s->parity) &&
           port.setDataBits(s->data) && port.setStopBits(s->stop) &&
           port.setFlowControl(QSerialPort::NoFlowControl);
}

int QtSerialPort::Open() {
    if (port.isOpen())
        return comm::kPortAlreadyOpen;
    const QString path = name.isEmpty() ? SerialDevicePath(programDirectory, number) : name;
#ifndef Q_OS_WIN
    if (!QFileInfo::exists(path))
        return comm::kInvalidPortNumber;
    // By name only a terminal device is opened, never a file that happens to be there.
    if (!name.isEmpty() && !IsCharacterDevice(path))
        return comm::kInvalidPortNumber;
    // QSerialPort takes a path as it stands; resolve links so its lock names the device.
    port.setPortName(QFileInfo(path).canonicalFilePath());
#else
    port.setPortName(path);
#endif
    if (!port.open(outputOnly ? QIODevice::WriteOnly : QIODevice::ReadWrite)) {
        switch (port.error()) {
        case QSerialPort::DeviceNotFoundError:
            return comm::kInvalidPortNumber;
        case QSerialPort::PermissionError:
        case QSerialPort::OpenError:
            return comm::kPortAlreadyOpen;
        default:
            return comm::kInvalidPortNumber;
        }
    }
    if (!ApplySettings()) {
        port.close();
        return comm::kCannotSetState;
    }
    port.clearError();
    return comm::kOk;
}

void QtSerialPort::Close() {
    if (port.isOpen())
        port.close();
}

bool QtSerialPort::IsOpen() const {
    return port.isOpen();
}

QByteArray QtSerialPort::ReadAll() {
    return port.isOpen() ? port.readAll() : QByteArray();
}

int QtSerialPort::Write(QByteArrayView bytes) {
    if (!port.isOpen())
        return comm::kPortNotOpen;
    if (port.write(bytes.data(), bytes.size()) != bytes.size())
        return comm::kWriteFailed;
    return comm::kOk;
}

qint64 QtSerialPort::BytesQueued() const {
    return port.isOpen() ? port.bytesToWrite() : 0;
}

QtSerialPortFactory::QtSerialPortFactory(QString dir, QString root)
    : programDirectory(std::move(dir)), devRoot(std::move(root)) {}

std::unique_ptr<SerialPort> QtSerialPortFactory::Create() {
    return std::make_unique<QtSerialPort>(programDirectory);
}

std::vector<PortInfo> QtSerialPortFactory::AvailablePorts() {
#ifdef Q_OS_WIN
    return {};
#else
    return ListSerialDevices(devRoot);
#endif
}

std::unique_ptr<SerialPortFactory> SystemSerialPorts(const QString& programDirectory) {
    return std::make_unique<QtSerialPortFactory>(programDirectory);
}

} // namespace velsor::platform
