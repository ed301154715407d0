// Latency of NMEA sharing: bytes written into one end of a socat pseudo-terminal pair at 9600
// baud, read by the main window's real serial port on the other end, shared over TCP and read
// by 1 or 16 clients on loopback. For every line feed: the time it was written to the pty
// against the time each client received it. Reports the median, 99th percentile and maximum, and
// the program's own part: from reading the line off the serial port to a client receiving it.
// The third run adds a client that never reads, with queues small enough that it falls behind
// and is dropped while the others are measured.

#include "decoding/receiver.h"
#include "main_window/nav_form.h"
#include "platform/qt/qt_serial_port.h"
#include "settings/prop_form.h"
#include "sharing/nav_form_sharing.h"
#include "support/fakes.h"
#include "support/pty_pair.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

using namespace velsor;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kBaud = 9600;
constexpr int kBytesPerSecond = kBaud / 10;
constexpr int kLines = 300; // about twenty seconds of line time
// The UART hands bytes over in small pieces; 16 bytes is a typical FIFO trigger level.
constexpr int kPiece = 16;

QByteArray Lines() {
    QFile f(QStringLiteral(VELSOR_TEST_DATA "/nmea/layout0/garmin25lp.log"));
    f.open(QIODevice::ReadOnly);
    const QList<QByteArray> lines = f.readAll().split('\n');
    QByteArray out;
    for (int n = 0, i = 0; n < kLines && !lines.isEmpty(); i = (i + 1) % lines.size()) {
        if (!lines[i].isEmpty()) {
            out += lines[i] + '\n';
            ++n;
        }
    }
    return out;
}

int ConnectClient(quint16 port, int receiveBuffer = 0) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (receiveBuffer > 0)
        ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

double Percentile(std::vector<double> v, double p) {
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const auto i = static_cast<size_t>(p * static_cast<double>(v.size() - 1) + 0.5);
    return v[std::min(i, v.size() - 1)];
}

void BM_ShareLatency(benchmark::State& state) {
    const int clientCount = static_cast<int>(state.range(0));
    const bool stalled = state.range(1) != 0;
    sharing::ShareLimits limits;
    if (stalled) {
        limits.queueBytes = 2048;
        limits.kernelSendBytes = 2048;
        limits.behindMs = 2000;
    }
    testing::EnsureCoreApp();
    QTemporaryDir dir;
    testing::PtyPair pty(dir.path(), 1);
    if (!pty.Ready()) {
        state.SkipWithError("socat pseudo-terminals are not available");
        return;
    }
    QFile ini(QDir(dir.path()).filePath(QStringLiteral("GPSMN.INI")));
    ini.open(QIODevice::WriteOnly);
    ini.write("[Velsor GPS Analyzer]\r\n[CommPort]=1\r\n[Tuner]=1\r\n[Time]=0\r\n");
    ini.close();

    testing::FakeClock clock;
    testing::FakeDialogs dialogs;
    testing::FakeProgram program;
    program.directory = dir.path();
    platform::QtSerialPortFactory ports(dir.path());
    platform::Platform plat{clock, dialogs, program, ports};
    Nav nav;
    Prop_Form prop(nav);
    NAV_FORM form(nav, plat, prop);
    form.Form_Load();
    auto server = sharing::StartSharing(
        form, sharing::ShareEndpoint{QStringLiteral("127.0.0.1"), 0, false}, dialogs, limits);
    form.Mnu_Start_Click();
    if (!server || !form.MSComm1->IsOpen()) {
        state.SkipWithError("could not share or open the port");
        return;
    }

    // When each line feed left the serial port for the program: the program's own share of the
    // latency (port read to client socket) is told apart from the pseudo-terminal hops.
    std::vector<Clock::time_point> readAt;
    const auto share = form.onReceived;
    form.onReceived = [&readAt, share](QByteArrayView bytes) {
        const auto now = Clock::now();
        for (const char c : bytes) {
            if (c == '\n')
                readAt.push_back(now);
        }
        share(bytes);
    };

    const QByteArray data = Lines();
    std::vector<double> latencies, programLatencies;
    for (auto _ : state) {
        readAt.clear();
        std::vector<int> fds;
        for (int i = 0; i < clientCount; ++i)
            fds.push_back(ConnectClient(server->Port()));
        const int sleeper = stalled ? ConnectClient(server->Port(), 1024) : -1;
        testing::WaitFor([&] { return server->ClientCount() == clientCount + (stalled ? 1 : 0); });

        const int lineCount = static_cast<int>(data.count('\n'));
        std::vector<Clock::time_point> written(lineCount);
        std::atomic<bool> writerDone{false}, readersDone{false};

        std::thread writer([&] {
            const int fd = ::open(pty.peerLink.toLocal8Bit().constData(), O_WRONLY | O_NOCTTY);
            int lf = 0;
            auto next = Clock::now();
            for (qsizetype pos = 0; pos < data.size(); pos += kPiece) {
                const qsizetype n = std::min<qsizetype>(kPiece, data.size() - pos);
                next += std::chrono::microseconds(1'000'000 * n / kBytesPerSecond);
                std::this_thread::sleep_until(next);
                if (::write(fd, data.constData() + pos, n) != n)
                    break;
                const auto now = Clock::now();
                for (qsizetype i = pos; i < pos + n; ++i) {
                    if (data[i] == '\n')
                        written[lf++] = now;
                }
            }
            ::close(fd);
            writerDone = true;
        });

        std::vector<std::vector<Clock::time_point>> received(clientCount);
        std::thread readers([&] {
            std::vector<pollfd> polls;
            for (int fd : fds)
                polls.push_back({fd, POLLIN, 0});
            char buf[4096];
            const auto giveUp = Clock::now() + std::chrono::seconds(60);
            auto allIn = [&] {
                return std::all_of(received.begin(), received.end(),
                                   [&](const auto& r) { return int(r.size()) == lineCount; });
            };
            while (!allIn() && Clock::now() < giveUp) {
                if (::poll(polls.data(), polls.size(), 100) <= 0)
                    continue;
                const auto now = Clock::now();
                for (size_t c = 0; c < polls.size(); ++c) {
                    if (!(polls[c].revents & POLLIN))
                        continue;
                    const ssize_t n = ::recv(polls[c].fd, buf, sizeof buf, MSG_DONTWAIT);
                    for (ssize_t i = 0; i < n; ++i) {
                        if (buf[i] == '\n')
                            received[c].push_back(now);
                    }
                }
            }
            readersDone = true;
        });

        // Block in the event loop as the program does; a spinning loop would take the CPU the
        // measurement needs.
        QEventLoop loop;
        QTimer check;
        QObject::connect(&check, &QTimer::timeout, &loop, [&] {
            if (writerDone && readersDone)
                loop.quit();
        });
        check.start(50);
        loop.exec();
        writer.join();
        readers.join();
        for (int fd : fds)
            ::close(fd);
        if (sleeper >= 0)
            ::close(sleeper);
        testing::WaitFor([&] { return server->ClientCount() == 0; });

        for (const auto& r : received) {
            if (int(r.size()) != lineCount) {
                state.SkipWithError("a client did not get every line");
                return;
            }
            for (int i = 0; i < lineCount; ++i) {
                latencies.push_back(
                    std::chrono::duration<double, std::milli>(r[i] - written[i]).count());
                if (i < int(readAt.size()))
                    programLatencies.push_back(
                        std::chrono::duration<double, std::milli>(r[i] - readAt[i]).count());
            }
        }
    }
    state.counters["p50_ms"] = Percentile(latencies, 0.50);
    state.counters["p99_ms"] = Percentile(latencies, 0.99);
    state.counters["max_ms"] = Percentile(latencies, 1.0);
    state.counters["port_to_client_p50_ms"] = Percentile(programLatencies, 0.50);
    state.counters["port_to_client_p99_ms"] = Percentile(programLatencies, 0.99);
    state.counters["samples"] = static_cast<double>(latencies.size());
    state.counters["dropped"] = server->ClientsDropped();
}

} // namespace

BENCHMARK(BM_ShareLatency)
    ->ArgNames({"clients", "stalled"})
    ->Args({1, 0})
    ->Args({16, 0})
    ->Args({15, 1})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

BENCHMARK_MAIN();
