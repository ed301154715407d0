#pragma once
// A pair of connected pseudo-terminals made by socat: one end linked where the program looks
// for a port (ports/COMn beside it), the other end for the test to play the tuner.

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QThread>

#include <memory>

namespace velsor::testing {

// Tests that need an event loop but no display.
inline void EnsureCoreApp() {
    if (QCoreApplication::instance())
        return;
    static int argc = 1;
    static char name[] = "velsor-tests";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
}

// Runs the event loop until done() or the timeout; returns done().
template <typename F> bool WaitFor(F done, int timeoutMs = 5000) {
    QDeadlineTimer deadline(timeoutMs);
    while (!done() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
    return done();
}

class PtyPair {
public:
    // Links <dir>/ports/COM<n> and <dir>/peer<n>.
    PtyPair(const QString& dir, int n)
        : PtyPair(QDir(dir).filePath(QStringLiteral("ports/COM%1").arg(n)),
                  QDir(dir).filePath(QStringLiteral("peer%1").arg(n))) {}
    // Links the two ends where given; the port's folder is made.
    PtyPair(const QString& port, const QString& peer) : portLink(port), peerLink(peer) {
        QDir().mkpath(QFileInfo(portLink).path());
        proc = std::make_unique<QProcess>();
        proc->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        proc->start(QStringLiteral("socat"), {QStringLiteral("pty,raw,echo=0,link=") + portLink,
                                              QStringLiteral("pty,raw,echo=0,link=") + peerLink});
        proc->waitForStarted(5000);
        QDeadlineTimer deadline(5000);
        while (!(QFileInfo::exists(portLink) && QFileInfo::exists(peerLink)) &&
               !deadline.hasExpired())
            QThread::msleep(10);
    }
    ~PtyPair() { Kill(); }

    bool Ready() const { return QFileInfo::exists(portLink) && QFileInfo::exists(peerLink); }
    // Ends socat: both pseudo-terminals go away, as when a receiver is unplugged. Killed, socat
    // leaves its links behind; they go too, as a device's links do, since the number of a
    // dangling one may soon be another test's live pseudo-terminal.
    void Kill() {
        if (proc && proc->state() != QProcess::NotRunning) {
            proc->kill();
            proc->waitForFinished(5000);
            QFile::remove(portLink);
            QFile::remove(peerLink);
        }
    }
    static bool Available() {
        return !QStandardPaths::findExecutable(QStringLiteral("socat")).isEmpty();
    }

    QString portLink, peerLink;

private:
    std::unique_ptr<QProcess> proc;
};

} // namespace velsor::testing
