// Latency of NMEA sharing: bytes written into one end of a socat pseudo-terminal pair at 9600
// baud, read by the main window's real serial port on the other end, shared over TCP and read
// by 1 or 16 clients on loopback. For every line feed: the time it was written to the pty
// against the time each client received it. Reports the median, 99th percentile and maximum, and
// the program's own part: from reading the line off the serial port to a client receiving it.
// The third run adds a client that never reads, with queues small enough that it falls behind
// and is dropped while the others are measured.
//
// The same feed served by gpsd (`gpsd -N -n -b` on the pseudo-terminal, clients sending
// ?WATCH={"enable":true,"raw":1}) is measured beside it, when gpsd is installed: latency of the
// lines it passes on (it drops those with bad checksums), TCP segments each client received
// per line (the kernel's count), and the CPU time of the serving side (the program's main
// thread, gpsd's process).

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
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTimer>

#include <arpa/inet.h>
#include <fcntl.h>
#include <linux/tcp.h> // tcp_info with the segment counts
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
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

unsigned SegmentsIn(int fd) {
    tcp_info info{};
    socklen_t size = sizeof info;
    ::getsockopt(fd, IPPROTO_TCP, TCP_INFO, &info, &size);
    return info.tcpi_segs_in;
}

double ThreadCpuMs() {
    timespec t{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

double ProcessCpuMs(qint64 pid) {
    QFile f(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray stat = f.readAll();
    const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
    // utime and stime are fields 14 and 15; the split starts at field 3.
    return (fields.value(11).toDouble() + fields.value(12).toDouble()) * 1000.0 /
           static_cast<double>(::sysconf(_SC_CLK_TCK));
}

double Percentile(std::vector<double> v, double p) {
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const auto i = static_cast<size_t>(p * static_cast<double>(v.size() - 1) + 0.5);
    return v[std::min(i, v.size() - 1)];
}

// One client's NMEA lines (those starting with "$"; gpsd's JSON replies are left out) and when
// each one's line feed arrived.
struct Received {
    QByteArray partial;
    std::vector<std::pair<QByteArray, Clock::time_point>> lines;
    void Take(const char* p, qsizetype n, Clock::time_point now) {
        for (qsizetype i = 0; i < n; ++i) {
            partial += p[i];
            if (p[i] != '\n')
                continue;
            if (partial.startsWith('$'))
                lines.emplace_back(partial, now);
            partial.clear();
        }
    }
};

// What one run of the feed gave: per-line latencies (matched by content, in order), the
// segments and lines the clients received, the serving side's CPU time.
struct Outcome {
    std::vector<double> latencies, programLatencies;
    double segments = 0, lines = 0, cpuMs = 0;
    bool complete = true; // every client got every line
    // With a pause: from the first client reading again to its having the line written last
    // before that.
    double resumeMs = -1;
};

// Feeds `data` into the pseudo-terminal at the line rate and reads the clients (already
// connected) until they have every line or the feed has been quiet for two seconds. `serve`
// runs the serving side's event loop until told to stop; `readAt` (may be empty) is when the
// program read each line feed off the port. With `pauseMs`, the first client stops reading a
// second into the feed for that long.
template <typename Serve>
void Feed(const QString& peer, const QByteArray& data, const std::vector<int>& fds, Serve serve,
          const std::vector<Clock::time_point>& readAt, Outcome& out, int pauseMs = 0) {
    const QList<QByteArray> sentLines = [&] {
        QList<QByteArray> l = data.split('\n');
        l.removeLast();
        for (auto& line : l)
            line += '\n';
        return l;
    }();
    std::vector<unsigned> segmentsBefore;
    for (int fd : fds)
        segmentsBefore.push_back(SegmentsIn(fd));
    std::vector<Clock::time_point> written(sentLines.size());
    std::atomic<bool> writerDone{false}, readersDone{false};

    std::thread writer([&] {
        const int fd = ::open(peer.toLocal8Bit().constData(), O_WRONLY | O_NOCTTY);
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

    std::vector<Received> received(fds.size());
    const auto pauseFrom = Clock::now() + std::chrono::seconds(1);
    const auto pauseTo = pauseFrom + std::chrono::milliseconds(pauseMs);
    std::thread readers([&] {
        std::vector<pollfd> polls;
        for (int fd : fds)
            polls.push_back({fd, POLLIN, 0});
        char buf[4096];
        auto quietSince = Clock::now();
        auto allIn = [&] {
            return std::all_of(received.begin(), received.end(), [&](const auto& r) {
                return r.lines.size() == size_t(sentLines.size());
            });
        };
        while (!allIn() && !(writerDone && Clock::now() - quietSince > std::chrono::seconds(2))) {
            const auto before = Clock::now();
            polls[0].events = before >= pauseFrom && before < pauseTo ? 0 : POLLIN;
            if (::poll(polls.data(), polls.size(), 100) <= 0)
                continue;
            const auto now = Clock::now();
            quietSince = now;
            for (size_t c = 0; c < polls.size(); ++c) {
                if (polls[c].revents & POLLIN) {
                    const ssize_t n = ::recv(polls[c].fd, buf, sizeof buf, MSG_DONTWAIT);
                    if (n > 0)
                        received[c].Take(buf, n, now);
                }
            }
        }
        readersDone = true;
    });

    out.cpuMs += serve([&] { return writerDone && readersDone; });
    writer.join();
    readers.join();

    for (size_t c = 0; c < fds.size(); ++c) {
        out.segments += SegmentsIn(fds[c]) - segmentsBefore[c];
        const auto& got = received[c].lines;
        out.lines += static_cast<double>(got.size());
        out.complete = out.complete && got.size() == size_t(sentLines.size());
        qsizetype at = 0;
        const qsizetype lastBeforeResume =
            std::upper_bound(written.begin(), written.end(), pauseTo) - written.begin() - 1;
        for (const auto& [line, when] : got) {
            while (at < sentLines.size() && sentLines[at] != line)
                ++at;
            if (at == sentLines.size())
                break;
            if (pauseMs > 0 && c == 0 && at >= lastBeforeResume && out.resumeMs < 0)
                out.resumeMs = std::chrono::duration<double, std::milli>(when - pauseTo).count();
            out.latencies.push_back(
                std::chrono::duration<double, std::milli>(when - written[at]).count());
            if (at < qsizetype(readAt.size()))
                out.programLatencies.push_back(
                    std::chrono::duration<double, std::milli>(when - readAt[at]).count());
            ++at;
        }
    }
}

void Report(benchmark::State& state, const Outcome& o) {
    state.counters["p50_ms"] = Percentile(o.latencies, 0.50);
    state.counters["p99_ms"] = Percentile(o.latencies, 0.99);
    state.counters["max_ms"] = Percentile(o.latencies, 1.0);
    if (!o.programLatencies.empty()) {
        state.counters["port_to_client_p50_ms"] = Percentile(o.programLatencies, 0.50);
        state.counters["port_to_client_p99_ms"] = Percentile(o.programLatencies, 0.99);
    }
    state.counters["samples"] = static_cast<double>(o.latencies.size());
    state.counters["segs_per_line"] = o.lines > 0 ? o.segments / o.lines : 0;
    state.counters["serve_cpu_ms"] = o.cpuMs;
    if (o.resumeMs >= 0)
        state.counters["resume_ms"] = o.resumeMs;
}

// Blocks in the event loop as the program does until done(); a spinning loop would take the
// CPU the measurement needs. Returns the CPU time this thread spent meanwhile.
template <typename Done> double ServeWithEventLoop(Done done) {
    const double cpu0 = ThreadCpuMs();
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    check.start(50);
    loop.exec();
    return ThreadCpuMs() - cpu0;
}

void BM_ShareLatency(benchmark::State& state) {
    const int clientCount = static_cast<int>(state.range(0));
    const bool stalled = state.range(1) != 0;
    const int pauseMs = static_cast<int>(state.range(2)) * 1000;
    sharing::ShareLimits limits;
    if (stalled) {
        limits.queueBytes = 2048;
        limits.kernelSendBytes = 2048;
        limits.behindMs = 2000;
        limits.closingMs = 1000;
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
    Outcome outcome;
    for (auto _ : state) {
        readAt.clear();
        std::vector<int> fds;
        for (int i = 0; i < clientCount; ++i)
            fds.push_back(ConnectClient(server->Port()));
        const int sleeper = stalled ? ConnectClient(server->Port(), 1024) : -1;
        testing::WaitFor([&] { return server->ClientCount() == clientCount + (stalled ? 1 : 0); });
        Feed(pty.peerLink, data, fds, ServeWithEventLoop<std::function<bool()>>, readAt, outcome,
             pauseMs);
        for (int fd : fds)
            ::close(fd);
        if (sleeper >= 0)
            ::close(sleeper);
        testing::WaitFor([&] { return server->ClientCount() == 0; });
    }
    if (!outcome.complete && pauseMs == 0)
        state.SkipWithError("a client did not get every line");
    Report(state, outcome);
    state.counters["dropped"] = server->ClientsDropped();
}

// The same feed through gpsd.
void BM_GpsdLatency(benchmark::State& state) {
    const int clientCount = static_cast<int>(state.range(0));
    const int pauseMs = static_cast<int>(state.range(1)) * 1000;
    QString gpsd = QStandardPaths::findExecutable(QStringLiteral("gpsd"));
    if (gpsd.isEmpty())
        gpsd =
            QStandardPaths::findExecutable(QStringLiteral("gpsd"), {QStringLiteral("/usr/sbin")});
    if (gpsd.isEmpty()) {
        state.SkipWithError("gpsd is not installed");
        return;
    }
    testing::EnsureCoreApp();
    QTemporaryDir dir;
    testing::PtyPair pty(dir.path(), 1);
    const quint16 port = [] {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        return probe.serverPort();
    }();
    QProcess daemon;
    daemon.start(gpsd, {QStringLiteral("-N"), QStringLiteral("-n"), QStringLiteral("-b"),
                        QStringLiteral("-S"), QString::number(port), pty.portLink});
    if (!daemon.waitForStarted(5000) || !testing::WaitFor(
                                            [&] {
                                                const int fd = ConnectClient(port);
                                                ::close(fd);
                                                return fd >= 0;
                                            },
                                            10000)) {
        state.SkipWithError("gpsd did not start");
        return;
    }
    const QByteArray data = Lines();
    Outcome outcome;
    for (auto _ : state) {
        std::vector<int> fds;
        for (int i = 0; i < clientCount; ++i) {
            fds.push_back(ConnectClient(port));
            const char watch[] = "?WATCH={\"enable\":true,\"raw\":1}\n";
            ::send(fds.back(), watch, sizeof watch - 1, MSG_NOSIGNAL);
        }
        // Its replies (VERSION, DEVICES, WATCH) come before the feed and are not counted.
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        char buf[4096];
        for (int fd : fds) {
            while (::recv(fd, buf, sizeof buf, MSG_DONTWAIT) > 0) {
            }
        }
        const qint64 pid = daemon.processId();
        auto serve = [pid](const std::function<bool()>& done) {
            const double cpu0 = ProcessCpuMs(pid);
            while (!done())
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            return ProcessCpuMs(pid) - cpu0;
        };
        Feed(pty.peerLink, data, fds, serve, {}, outcome, pauseMs);
        for (int fd : fds)
            ::close(fd);
    }
    daemon.terminate();
    daemon.waitForFinished(5000);
    Report(state, outcome);
}

} // namespace

BENCHMARK(BM_ShareLatency)
    ->ArgNames({"clients", "stalled", "pause_s"})
    ->Args({1, 0, 0})
    ->Args({16, 0, 0})
    ->Args({15, 1, 0})
    ->Args({2, 0, 12})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

BENCHMARK(BM_GpsdLatency)
    ->ArgNames({"clients", "pause_s"})
    ->Args({1, 0})
    ->Args({16, 0})
    ->Args({2, 12})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

BENCHMARK_MAIN();
