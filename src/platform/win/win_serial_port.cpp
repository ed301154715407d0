#include "platform/win/win_serial_port.h"

#include "platform/system_serial_ports.h"

#include <QMetaObject>
#include <QStringList>

#include <map>
#include <set>

#include <windows.h>
// initguid.h first: devguid.h then defines the class GUID here instead of declaring it.
#include <initguid.h>

#include <devguid.h>
#include <setupapi.h>

namespace velsor::platform {

std::optional<WinLineSettings> ParseWinLineSettings(const QString& text) {
    const QStringList parts = text.split(u',');
    if (parts.size() != 4)
        return std::nullopt;
    WinLineSettings s;
    bool ok = false;
    const int baud = parts[0].trimmed().toInt(&ok);
    if (!ok || baud < 50 || baud > 4000000)
        return std::nullopt;
    s.baud = static_cast<std::uint32_t>(baud);
    static constexpr struct {
        char16_t letter;
        std::uint8_t code;
    } kParities[] = {{u'n', NOPARITY},
                     {u'o', ODDPARITY},
                     {u'e', EVENPARITY},
                     {u'm', MARKPARITY},
                     {u's', SPACEPARITY}};
    const QString parity = parts[1].trimmed().toLower();
    bool parityFound = false;
    for (const auto& p : kParities) {
        if (parity.size() == 1 && parity[0] == QChar(p.letter)) {
            s.parity = p.code;
            parityFound = true;
        }
    }
    if (!parityFound)
        return std::nullopt;
    const int data = parts[2].trimmed().toInt(&ok);
    if (!ok || data < 5 || data > 8)
        return std::nullopt;
    s.dataBits = static_cast<std::uint8_t>(data);
    const QString stop = parts[3].trimmed();
    if (stop == u"1")
        s.stopBits = ONESTOPBIT;
    else if (stop == u"1.5")
        s.stopBits = ONE5STOPBITS;
    else if (stop == u"2")
        s.stopBits = TWOSTOPBITS;
    else
        return std::nullopt;
    return s;
}

QString WinDevicePath(int number) {
    return QStringLiteral("\\\\.\\COM%1").arg(number);
}

namespace {

// A registry text value; empty when it is missing or not text.
QString RegistryText(HKEY key, const wchar_t* value) {
    wchar_t buf[512];
    DWORD type = 0, bytes = sizeof buf - sizeof(wchar_t);
    if (::RegQueryValueExW(key, value, nullptr, &type, reinterpret_cast<BYTE*>(buf), &bytes) !=
            ERROR_SUCCESS ||
        type != REG_SZ)
        return {};
    return QString::fromWCharArray(buf, static_cast<qsizetype>(bytes / sizeof(wchar_t)))
        .section(QChar(0), 0, 0);
}

} // namespace

std::vector<PortInfo> ListComPorts() {
    std::set<int> present;
    std::map<int, QString> friendly;
    // Every port the system has made, Plug and Play or not (wine's included).
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ,
                        &key) == ERROR_SUCCESS) {
        for (DWORD i = 0; i < 1024; ++i) {
            wchar_t value[256], data[64];
            DWORD valueLength = 256, type = 0, bytes = sizeof data - sizeof(wchar_t);
            const LONG r = ::RegEnumValueW(key, i, value, &valueLength, nullptr, &type,
                                           reinterpret_cast<BYTE*>(data), &bytes);
            if (r == ERROR_NO_MORE_ITEMS)
                break;
            if (r != ERROR_SUCCESS || type != REG_SZ)
                continue;
            const QString name =
                QString::fromWCharArray(data, static_cast<qsizetype>(bytes / sizeof(wchar_t)))
                    .section(QChar(0), 0, 0);
            if (const auto n = ComPortNumber(name))
                present.insert(*n);
        }
        ::RegCloseKey(key);
    }
    // The names Device Manager shows, from the devices of the Ports class present now.
    HDEVINFO devices =
        ::SetupDiGetClassDevsW(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT);
    if (devices != INVALID_HANDLE_VALUE) {
        SP_DEVINFO_DATA device{};
        device.cbSize = sizeof device;
        for (DWORD i = 0; ::SetupDiEnumDeviceInfo(devices, i, &device); ++i) {
            HKEY k =
                ::SetupDiOpenDevRegKey(devices, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
            if (k == INVALID_HANDLE_VALUE)
                continue;
            const auto n = ComPortNumber(RegistryText(k, L"PortName")); // LPT ports too here
            ::RegCloseKey(k);
            if (!n)
                continue;
            present.insert(*n);
            wchar_t buf[512];
            DWORD type = 0;
            if (::SetupDiGetDeviceRegistryPropertyW(devices, &device, SPDRP_FRIENDLYNAME, &type,
                                                    reinterpret_cast<BYTE*>(buf),
                                                    sizeof buf - sizeof(wchar_t), nullptr) &&
                type == REG_SZ) {
                buf[511] = 0;
                friendly[*n] = QString::fromWCharArray(buf).trimmed();
            }
        }
        ::SetupDiDestroyDeviceInfoList(devices);
    }
    std::vector<PortInfo> out;
    for (int n : present)
        out.push_back({QStringLiteral("COM%1").arg(n), ComPortDescription(n, friendly[n])});
    return out;
}

QString ComPortDescription(int number, const QString& friendlyName) {
    const QString name = QStringLiteral("(COM%1)").arg(number);
    if (friendlyName.isEmpty() || friendlyName.contains(name, Qt::CaseInsensitive))
        return friendlyName;
    return friendlyName + u' ' + name;
}

struct WinSerialPort::Link {
    HANDLE handle = INVALID_HANDLE_VALUE;
    std::mutex mutex;
    std::condition_variable wake;
    bool stop = false;
    QByteArray in; // read by the worker, not yet handed over
    bool deliveryPosted = false;
    QByteArray out;     // queued for the writer
    qint64 writing = 0; // taken by the writer, not yet written
};

namespace {

// Ports this process holds open. Windows refuses a second opening of a COM port by itself;
// wine does not, so the program keeps its own count as well.
std::set<int>& HeldPorts() {
    static std::set<int> held;
    return held;
}

void ReadLoop(std::shared_ptr<WinSerialPort::Link> link, QObject* port,
              std::function<void()> deliver, std::function<void()> lose) {
    char buf[4096];
    for (;;) {
        {
            std::lock_guard lock(link->mutex);
            if (link->stop)
                return;
        }
        DWORD got = 0;
        const BOOL ok = ::ReadFile(link->handle, buf, sizeof buf, &got, nullptr);
        std::lock_guard lock(link->mutex);
        if (link->stop)
            return;
        // A read that fails is a device gone (an unplugged USB adapter).
        if (!ok) {
            QMetaObject::invokeMethod(port, lose, Qt::QueuedConnection);
            return;
        }
        if (got == 0)
            continue; // the read timed out with nothing
        link->in.append(buf, static_cast<qsizetype>(got));
        if (!link->deliveryPosted) {
            link->deliveryPosted = true;
            QMetaObject::invokeMethod(port, deliver, Qt::QueuedConnection);
        }
    }
}

void WriteLoop(std::shared_ptr<WinSerialPort::Link> link, QObject* port,
               std::function<void()> lose) {
    for (;;) {
        QByteArray chunk;
        {
            std::unique_lock lock(link->mutex);
            link->wake.wait(lock, [&] { return link->stop || !link->out.isEmpty(); });
            if (link->stop)
                return;
            chunk.swap(link->out);
            link->writing = chunk.size();
        }
        DWORD written = 0;
        // Wine delivers the bytes but reports 0 written: the call's result is what counts.
        const BOOL ok = ::WriteFile(link->handle, chunk.constData(),
                                    static_cast<DWORD>(chunk.size()), &written, nullptr);
        std::lock_guard lock(link->mutex);
        link->writing = 0;
        if (link->stop)
            return;
        if (!ok) {
            QMetaObject::invokeMethod(port, lose, Qt::QueuedConnection);
            return;
        }
    }
}

} // namespace

WinSerialPort::WinSerialPort() = default;

WinSerialPort::~WinSerialPort() {
    Close();
}

void WinSerialPort::Raise(int event) {
    lastEvent = event;
    if (onComm)
        onComm();
}

int WinSerialPort::SetCommPort(int n) {
    if (IsOpen())
        return comm::kPortAlreadyOpen;
    if (n < 1 || n > 255)
        return comm::kInvalidProperty;
    number = n;
    return comm::kOk;
}

int WinSerialPort::SetPortName(const QString& text) {
    if (IsOpen())
        return comm::kPortAlreadyOpen;
    const auto n = ComPortNumber(text);
    if (!n)
        return comm::kInvalidPortNumber;
    number = *n;
    return comm::kOk;
}

int WinSerialPort::SetSettings(const QString& text) {
    if (!ParseWinLineSettings(text))
        return comm::kInvalidProperty;
    settings = text;
    if (IsOpen() && !ApplySettings())
        return comm::kCannotSetState;
    return comm::kOk;
}

bool WinSerialPort::ApplySettings() {
    const auto s = ParseWinLineSettings(settings);
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!s || !::GetCommState(handle, &dcb))
        return false;
    dcb.BaudRate = s->baud;
    dcb.ByteSize = s->dataBits;
    dcb.Parity = s->parity;
    dcb.StopBits = s->stopBits;
    dcb.fBinary = TRUE;
    dcb.fParity = s->parity != NOPARITY;
    // No flow control; DTR and RTS up, as receivers powered from the port expect.
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fErrorChar = FALSE;
    dcb.fNull = FALSE;
    dcb.fAbortOnError = FALSE;
    return ::SetCommState(handle, &dcb) != 0;
}

int WinSerialPort::Open() {
    if (IsOpen() || HeldPorts().count(number))
        return comm::kPortAlreadyOpen;
    const std::wstring path = WinDevicePath(number).toStdWString();
    // Read access even for output only: the line settings cannot be read or set without it.
    // Output only means no reader: what arrives stays with the device.
    HANDLE h = ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                             0, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        switch (::GetLastError()) {
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
        case ERROR_BUSY:
            return comm::kPortAlreadyOpen;
        default:
            return comm::kInvalidPortNumber;
        }
    }
    // A handle without a line state is no serial port: wine opens a port whose device has gone
    // (its dosdevices link dangling) and fails only here.
    DCB state{};
    state.DCBlength = sizeof state;
    if (!::GetCommState(h, &state)) {
        ::CloseHandle(h);
        return comm::kInvalidPortNumber;
    }
    handle = h;
    COMMTIMEOUTS t{};
    t.ReadIntervalTimeout = kReadIntervalMs;
    t.ReadTotalTimeoutConstant = kReadTotalMs;
    if (!ApplySettings() || !::SetCommTimeouts(h, &t)) {
        ::CloseHandle(h);
        handle = nullptr;
        return comm::kCannotSetState;
    }
    ::SetupComm(h, 4096, 4096);
    link = std::make_shared<Link>();
    link->handle = h;
    HeldPorts().insert(number);
    const std::uint64_t gen = ++generation;
    auto lose = [this, gen] { Lose(gen); };
    if (!outputOnly)
        reader = std::thread(
            ReadLoop, link, this, [this, gen] { Deliver(gen); }, lose);
    writer = std::thread(WriteLoop, link, this, lose);
    return comm::kOk;
}

void WinSerialPort::Close() {
    if (!IsOpen())
        return;
    ++generation; // whatever the workers posted is stale now
    {
        std::lock_guard lock(link->mutex);
        link->stop = true;
    }
    link->wake.notify_all();
    // A pending read returns within its timeout; this shortens the wait where it can.
    ::PurgeComm(handle, PURGE_RXABORT | PURGE_TXABORT | PURGE_RXCLEAR | PURGE_TXCLEAR);
    ::CancelIoEx(handle, nullptr);
    if (reader.joinable())
        reader.join();
    if (writer.joinable())
        writer.join();
    ::CloseHandle(handle);
    handle = nullptr;
    HeldPorts().erase(number);
    link.reset();
    received.clear();
}

void WinSerialPort::Deliver(std::uint64_t gen) {
    if (gen != generation || !link)
        return;
    {
        std::lock_guard lock(link->mutex);
        link->deliveryPosted = false;
        if (link->in.isEmpty())
            return;
        received.append(link->in);
        link->in.clear();
    }
    Raise(comm::kEvReceive);
}

void WinSerialPort::Lose(std::uint64_t gen) {
    if (gen != generation || !IsOpen())
        return;
    Close();
    Raise(comm::kEvDeviceLost);
}

QByteArray WinSerialPort::ReadAll() {
    if (!IsOpen())
        return {};
    {
        std::lock_guard lock(link->mutex);
        received.append(link->in);
        link->in.clear();
    }
    QByteArray out;
    out.swap(received);
    return out;
}

int WinSerialPort::Write(QByteArrayView bytes) {
    if (!IsOpen())
        return comm::kPortNotOpen;
    {
        std::lock_guard lock(link->mutex);
        link->out.append(bytes.data(), bytes.size());
    }
    link->wake.notify_one();
    return comm::kOk;
}

qint64 WinSerialPort::BytesQueued() const {
    if (!IsOpen())
        return 0;
    std::lock_guard lock(link->mutex);
    return link->out.size() + link->writing;
}

std::unique_ptr<SerialPort> WinSerialPortFactory::Create() {
    return std::make_unique<WinSerialPort>();
}

std::unique_ptr<SerialPortFactory> SystemSerialPorts(const QString&) {
    return std::make_unique<WinSerialPortFactory>();
}

} // namespace velsor::platform
