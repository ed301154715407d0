// velsor-sim: a simulated GPS tuner on a serial device.
//
// The device is driven with QSerialPort in blocking style (no event loop): its wait functions
// push queued output and take in whatever the analyzer sends, which is read and dropped. It
// works on pseudo-terminals too; should the line settings be refused there, the program notes
// it and goes on, since the pacing below does not depend on them. With --share-nmea the same
// bytes also go to TCP clients; the waits then turn the event loop every few milliseconds so
// clients are taken in and served promptly.

#include "line_pacer.h"
#include "nmea_sim.h"
#include "sharing/nav_form_sharing.h"
#include "sharing/nmea_share_server.h"
#include "sim_options.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSerialPort>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <memory>
#include <optional>
#include <thread>

#include <unistd.h>

namespace {

using velsor::sim::LinePacer;
using Clock = LinePacer::Clock;

volatile std::sig_atomic_t g_stopRequested = 0;

extern "C" void requestStop(int) {
    g_stopRequested = 1;
}

void installStopHandlers() {
    struct sigaction action {};
    action.sa_handler = requestStop;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

enum class Outcome { Done, Stopped, Lost };

void complain(const QString& message) {
    std::fprintf(stderr, "velsor-sim: %s\n", qPrintable(message));
}

// Writes to the port and the TCP clients no faster than the line would carry the bytes.
class SerialLine {
public:
    SerialLine(QSerialPort* port, velsor::sharing::NmeaShareServer* share, int bytesPerSecond)
        : port_(port), share_(share), pacer_(bytesPerSecond) {}

    qint64 chunkBytes() const { return pacer_.chunkBytes(); }

    Outcome write(QByteArrayView bytes) {
        for (qsizetype pos = 0; pos < bytes.size();) {
            const qsizetype n = std::min<qsizetype>(pacer_.chunkBytes(), bytes.size() - pos);
            if (const Outcome o = sleepUntil(pacer_.claim(n, Clock::now())); o != Outcome::Done) {
                return o;
            }
            // A real line drops what nobody reads; queueing without bound would only grow
            // memory while the far end of a pty pair is stalled.
            if (port_ && port_->bytesToWrite() < kMostQueued) {
                if (port_->write(bytes.data() + pos, n) != n) {
                    return Outcome::Lost;
                }
            }
            if (share_) {
                share_->Send(bytes.sliced(pos, n));
            }
            pos += n;
        }
        return Outcome::Done;
    }

    // Waits in short slices so a signal ends the wait quickly; meanwhile queued output goes out
    // and input is taken in and dropped.
    Outcome sleepUntil(Clock::time_point until) {
        for (;;) {
            if (g_stopRequested) {
                return Outcome::Stopped;
            }
            const auto now = Clock::now();
            if (now >= until) {
                return Outcome::Done;
            }
            const auto slice =
                std::min<Clock::duration>(until - now, std::chrono::milliseconds(share_ ? 5 : 50));
            const auto ms = std::chrono::ceil<std::chrono::milliseconds>(slice).count();
            if (port_) {
                port_->waitForReadyRead(static_cast<int>(ms));
                port_->readAll();
                if (lost()) {
                    return Outcome::Lost;
                }
            } else {
                std::this_thread::sleep_for(slice);
            }
            if (share_) {
                QCoreApplication::processEvents();
            }
        }
    }

    // Lets queued output leave before the port closes, within a bounded time.
    void drain() {
        const auto until = Clock::now() + std::chrono::seconds(1);
        while (port_ && port_->bytesToWrite() > 0 && Clock::now() < until && !lost()) {
            port_->waitForBytesWritten(50);
        }
        // Give the far side of a pseudo-terminal a moment to collect the last bytes.
        const auto lineTime = pacer_.freeAt() - Clock::now();
        if (lineTime > Clock::duration::zero()) {
            std::this_thread::sleep_for(
                std::min<Clock::duration>(lineTime, std::chrono::seconds(1)));
        }
    }

private:
    bool lost() {
        switch (port_->error()) {
        case QSerialPort::NoError:
            return false;
        case QSerialPort::TimeoutError:
            port_->clearError();
            return false;
        default:
            return true;
        }
    }

    static constexpr qint64 kMostQueued = 4096;
    QSerialPort* port_;
    velsor::sharing::NmeaShareServer* share_;
    LinePacer pacer_;
};

Outcome runGenerator(SerialLine& line, const velsor::sim::Generator& generator,
                     Clock::time_point deadline) {
    std::optional<qint64> lastUtcSecond;
    std::int64_t runSecond = -1;
    while (!g_stopRequested) {
        if (Clock::now() >= deadline) {
            return Outcome::Done;
        }
        const QDateTime now = QDateTime::currentDateTimeUtc();
        const qint64 utcSecond = now.toSecsSinceEpoch();
        if (utcSecond != lastUtcSecond) {
            // The sky moves with the seconds actually sent; a burst that spilled over skips
            // seconds, and a clock that jumps counts as one second.
            const qint64 step = lastUtcSecond ? utcSecond - *lastUtcSecond : 1;
            runSecond += step > 0 && step < 3600 ? step : 1;
            lastUtcSecond = utcSecond;
            const QDateTime stamp = QDateTime::fromSecsSinceEpoch(utcSecond, Qt::UTC);
            if (const Outcome o = line.write(generator.burst(stamp, runSecond));
                o != Outcome::Done) {
                return o;
            }
            continue;
        }
        const auto nextSecond = Clock::now() + std::chrono::milliseconds(1000 - now.time().msec());
        if (const Outcome o = line.sleepUntil(std::min(nextSecond, deadline)); o != Outcome::Done) {
            return o;
        }
    }
    return Outcome::Stopped;
}

Outcome runReplay(SerialLine& line, const QByteArray& capture, Clock::time_point deadline,
                  bool loop) {
    qsizetype pos = 0;
    for (;;) {
        if (pos == capture.size()) {
            if (!loop) {
                return Outcome::Done;
            }
            pos = 0;
        }
        if (Clock::now() >= deadline) {
            // Time is up: finish a sentence under way, but not an endless line.
            const qsizetype end = velsor::sim::stopPoint(capture, pos);
            return line.write(QByteArrayView(capture).sliced(pos, end - pos));
        }
        const qsizetype end = std::min<qsizetype>(pos + line.chunkBytes(), capture.size());
        if (const Outcome o = line.write(QByteArrayView(capture).sliced(pos, end - pos));
            o != Outcome::Done) {
            return o;
        }
        pos = end;
    }
}

// Names with a directory part, or that exist here, are paths; bare names such as ttyUSB0 are
// left for QSerialPort to place under /dev. Links are resolved so that the lock QSerialPort
// takes names the device itself, as the analyzer's does.
QString portLocation(const QString& device) {
    if (device.contains(QLatin1Char('/')) || QFileInfo::exists(device)) {
        const QFileInfo info(device);
        return info.exists() ? info.canonicalFilePath() : info.absoluteFilePath();
    }
    return device;
}

// QSerialPort reports a port another program holds (its lock taken, or the device busy) as a
// permission error, "Permission error while locking the device". With read and write access to
// the device itself, that can only mean the port is taken.
QString openError(const QSerialPort& port, const QString& location) {
    if (port.error() == QSerialPort::PermissionError) {
        const QString path =
            location.contains(QLatin1Char('/')) ? location : QStringLiteral("/dev/") + location;
        if (::access(QFile::encodeName(path).constData(), R_OK | W_OK) == 0) {
            return QStringLiteral("the port is in use by another program");
        }
    }
    return port.errorString();
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const velsor::sim::ParseResult parsed = velsor::sim::parseArguments(app.arguments());
    if (!parsed.options) {
        complain(parsed.error + QStringLiteral(" (see --help)"));
        return 2;
    }
    const velsor::sim::Options& options = *parsed.options;
    if (options.help) {
        std::fputs(qPrintable(velsor::sim::helpText()), stdout);
        return 0;
    }

    QByteArray capture;
    if (!options.replayFile.isEmpty()) {
        QFile file(options.replayFile);
        if (!file.open(QIODevice::ReadOnly)) {
            complain(
                QStringLiteral("cannot read %1: %2").arg(options.replayFile, file.errorString()));
            return 2;
        }
        capture = file.readAll();
        if (capture.isEmpty()) {
            complain(QStringLiteral("%1 is empty, nothing to replay").arg(options.replayFile));
            return 2;
        }
    }

    std::unique_ptr<velsor::sharing::NmeaShareServer> share;
    if (options.share) {
        const QString where =
            velsor::sharing::EndpointText(options.share->host, options.share->port);
        const QHostAddress address = velsor::sharing::ResolveListenAddress(options.share->host);
        share = std::make_unique<velsor::sharing::NmeaShareServer>();
        if (address.isNull() || !share->Listen(address, options.share->port)) {
            complain(QStringLiteral("cannot share on %1: %2")
                         .arg(where, address.isNull() ? QStringLiteral("address not found")
                                                      : share->ErrorString()));
            return 2;
        }
        complain(
            QStringLiteral("sharing NMEA on %1")
                .arg(velsor::sharing::EndpointText(share->Address().toString(), share->Port())));
    }

    QSerialPort port;
    if (!options.device.isEmpty()) {
        const QString location = portLocation(options.device);
        port.setPortName(location);
        if (!port.open(QIODevice::ReadWrite)) {
            complain(QStringLiteral("cannot open %1: %2")
                         .arg(options.device, openError(port, location)));
            return 2;
        }
        const bool lineSet =
            port.setBaudRate(options.baud) && port.setDataBits(QSerialPort::Data8) &&
            port.setParity(QSerialPort::NoParity) && port.setStopBits(QSerialPort::OneStop) &&
            port.setFlowControl(QSerialPort::NoFlowControl);
        if (!lineSet) {
            complain(
                QStringLiteral("note: %1 refused the line settings (%2); pacing at %3 baud anyway")
                    .arg(options.device, port.errorString())
                    .arg(options.baud));
            port.clearError();
        }
    }

    installStopHandlers();
    SerialLine line(port.isOpen() ? &port : nullptr, share.get(),
                    velsor::sim::lineBytesPerSecond(options.baud));
    const Clock::time_point deadline = options.seconds
                                           ? Clock::now() + std::chrono::seconds(*options.seconds)
                                           : Clock::time_point::max();

    Outcome outcome = Outcome::Done;
    if (!capture.isEmpty()) {
        outcome = runReplay(line, capture, deadline, options.seconds.has_value());
    } else {
        velsor::sim::Generator generator(options.tuner, options.seed, options.schedule);
        generator.setBlocked(options.blocked);
        generator.setLineBytes(velsor::sim::lineBytesPerSecond(options.baud));
        outcome = runGenerator(line, generator, deadline);
    }

    if (outcome == Outcome::Lost) {
        complain(QStringLiteral("lost %1: the far end closed or the device went away")
                     .arg(options.device));
        port.close();
        return 1;
    }
    if (outcome == Outcome::Done) {
        line.drain();
    }
    port.close();
    return 0;
}
