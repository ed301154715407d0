// The monitor as the load and soak benchmarks run it: the program itself, connecting at start
// as a user pressing Ctrl+S would, and reporting on standard error when it is connected and
// when it first painted (milliseconds since the epoch, for the script to subtract its start
// time). For the soak, VELSOR_SOAK_FORWARD names a port to forward to and VELSOR_SOAK_RECORD a
// file to record into, both started as a user would start them right after connecting. For
// bench/tcp_burst.sh, VELSOR_BURST_BYTES is the size of a burst the receiver's port will get:
// from its first byte until all of it has been taken in (and half a second more) the longest
// wait of the event loop is measured, then the figures are printed and the program ends.
// VELSOR_OPEN_ANALYSIS=1 opens the reception analysis window (ｵﾌﾟｼｮﾝ > 受信解析) at start, and
// VELSOR_ANALYSIS_PAGE its page (0 to 3).

#include "forwarding/forwarder.h"
#include "forwarding/frm_com2.h"
#include "main_window/nav_form.h"
#include "views/analyzer_app.h"

#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QTabBar>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {

using namespace velsor;

// The save dialog answered with a fixed file; everything else is the program's own.
class RecordFileDialogs : public platform::Dialogs {
public:
    RecordFileDialogs(platform::Dialogs& inner, QString file)
        : inner(inner), file(std::move(file)) {}
    platform::MsgResult MessageBox(const QString& text, platform::MsgButtons buttons,
                                   platform::MsgIcon icon, const QString& title) override {
        return inner.MessageBox(text, buttons, icon, title);
    }
    QString SaveFile(const platform::FileDialogOptions&) override { return file; }
    QString OpenFile(const platform::FileDialogOptions& o) override { return inner.OpenFile(o); }
    void SetBusyPointer(bool busy) override { inner.SetBusyPointer(busy); }

private:
    platform::Dialogs& inner;
    QString file;
};

void StartForwarding(NAV_FORM& form, const QString& port) {
    frmCom2 dialog(form.nav, *form.MSComm2, form.platform->dialogs, form.forwarder.get());
    dialog.Text1.text = port;
    dialog.Text2.text = QString::fromLatin1(frmCom2::kAccessCode);
    dialog.Command1_Click();
    std::fprintf(stderr, "%s\n", form.MSComm2->IsOpen() ? "forwarding" : "forwarding-failed");
    QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, [&form] {
        std::fprintf(stderr, "forward-dropped %lld chunks %lld bytes\n",
                     static_cast<long long>(form.forwarder->DroppedChunks()),
                     static_cast<long long>(form.forwarder->DroppedBytes()));
    });
}

void StartRecording(NAV_FORM& form, const QString& file) {
    platform::Platform* own = form.platform;
    RecordFileDialogs dialogs(own->dialogs, file);
    platform::Platform answering{own->clock, dialogs, own->program, own->serialPorts};
    form.platform = &answering;
    form.Mnu_Rec_Save_Click();
    form.platform = own;
    std::fprintf(stderr, "%s\n", form.nav.RecordingOn == 1 ? "recording" : "recording-failed");
}

long long StatusKb(const char* key) {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : f.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(static_cast<qsizetype>(std::strlen(key)))
                .trimmed()
                .split(' ')[0]
                .toLongLong();
    }
    return -1;
}

// Counts what the receiver's port hands over and how long the event loop goes without a turn
// (a 5 ms timer's longest gap, less its interval) while a burst arrives.
void MeasureBurst(NAV_FORM& form, qint64 burstBytes) {
    struct Burst {
        qint64 expected = 0, received = 0, events = 0, largestRead = 0;
        long long rssBeforeKb = 0;
        QElapsedTimer since, tick;
        qint64 longestGapMs = 0, doneMs = -1;
        QTimer timer;
    };
    auto b = std::make_shared<Burst>();
    b->expected = burstBytes;
    auto inner = form.MSComm1->onComm;
    form.MSComm1->onComm = [b, inner, &form] {
        if (b->received == 0 && b->expected > 0) {
            // The high-water mark from here on: start-up's peak is not the burst's.
            QFile clear(QStringLiteral("/proc/self/clear_refs"));
            if (clear.open(QIODevice::WriteOnly))
                clear.write("5");
            b->rssBeforeKb = StatusKb("VmRSS:");
            b->since.start();
            b->tick.start();
            b->timer.start();
        }
        inner();
        if (form.MSComm1->CommEvent() == platform::comm::kEvReceive) {
            b->received += form.RxBytes.size();
            b->largestRead = std::max<qint64>(b->largestRead, form.RxBytes.size());
            ++b->events;
        }
    };
    b->timer.setInterval(5);
    b->timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&b->timer, &QTimer::timeout, [b] {
        b->longestGapMs = std::max(b->longestGapMs, b->tick.restart());
        if (b->doneMs < 0 && b->received >= b->expected)
            b->doneMs = b->since.elapsed();
        if (b->doneMs < 0 || b->since.elapsed() < b->doneMs + 500)
            return;
        b->timer.stop();
        std::fprintf(stderr,
                     "burst %lld bytes in %lld ms, %lld receive events, largest read %lld bytes\n"
                     "longest event-loop stall %lld ms\n"
                     "RSS %lld KB before the burst, high-water mark %lld KB\n",
                     static_cast<long long>(b->received), static_cast<long long>(b->doneMs),
                     static_cast<long long>(b->events), static_cast<long long>(b->largestRead),
                     static_cast<long long>(b->longestGapMs - 5), b->rssBeforeKb,
                     StatusKb("VmHWM:"));
        QApplication::exit(0);
    });
}

void OpenAnalysis(NAV_FORM& form, int page) {
    form.Mnu_Analysis_Click();
    std::fprintf(stderr, "analysis\n");
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* tabs = w->findChild<QTabBar*>(QStringLiteral("Tab1")); tabs && page > 0)
            tabs->setCurrentIndex(page);
    }
}

} // namespace

int main(int argc, char* argv[]) {
    views::AnalyzerHooks hooks;
    hooks.connectAtStart = true;
    hooks.connected = [] { std::fprintf(stderr, "connected\n"); };
    hooks.firstPaint = [] {
        std::fprintf(stderr, "first-paint-epoch-ms %lld\n",
                     static_cast<long long>(QDateTime::currentMSecsSinceEpoch()));
    };
    const QString forward = qEnvironmentVariable("VELSOR_SOAK_FORWARD");
    const QString record = qEnvironmentVariable("VELSOR_SOAK_RECORD");
    const qint64 burst = qEnvironmentVariable("VELSOR_BURST_BYTES").toLongLong();
    const bool analysis = qEnvironmentVariable("VELSOR_OPEN_ANALYSIS") == u"1";
    const int page = qEnvironmentVariableIntValue("VELSOR_ANALYSIS_PAGE");
    if (!forward.isEmpty() || !record.isEmpty() || burst > 0 || analysis) {
        hooks.ready = [forward, record, burst, analysis, page](NAV_FORM& form) {
            if (!forward.isEmpty())
                StartForwarding(form, forward);
            if (!record.isEmpty())
                StartRecording(form, record);
            if (burst > 0)
                MeasureBurst(form, burst);
            if (analysis)
                OpenAnalysis(form, page);
        };
    }
    return views::RunAnalyzer(argc, argv, hooks);
}
