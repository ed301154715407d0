// The program as a user drives it over a serial port, for the run under wine and Xvfb
// (scripts/test-windows.sh): connects at start as Ctrl+S does, reports its first paint, starts
// recording into VELSOR_RUN_RECORD once data has arrived, stops the recording and the
// connection VELSOR_RUN_MS later, and quits. Each step is one line on standard error.

#include "main_window/nav_form.h"
#include "views/analyzer_app.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QTimer>

#include <cstdio>
#include <memory>

namespace {

using namespace velsor;

// The save dialog answered with the recording file; everything else is the program's own.
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

void Say(const char* what, long long value = -1) {
    if (value < 0)
        std::fprintf(stderr, "%s\n", what);
    else
        std::fprintf(stderr, "%s %lld\n", what, value);
    std::fflush(stderr);
}

} // namespace

int main(int argc, char* argv[]) {
    const QString record = qEnvironmentVariable("VELSOR_RUN_RECORD");
    const int runMs = qEnvironmentVariableIntValue("VELSOR_RUN_MS");
    views::AnalyzerHooks hooks;
    hooks.connectAtStart = true;
    hooks.connected = [] { Say("connected"); };
    hooks.firstPaint = [] { Say("first-paint-epoch-ms", QDateTime::currentMSecsSinceEpoch()); };
    hooks.ready = [record, runMs](NAV_FORM& form) {
        auto received = std::make_shared<long long>(0);
        auto previous = form.onReceived;
        form.onReceived = [&form, received, previous, record, runMs](QByteArrayView bytes) {
            if (previous)
                previous(bytes);
            if (*received == 0 && !record.isEmpty()) {
                // From the event loop, as a click would come, not inside the receive event.
                QTimer::singleShot(0, [&form, received, record, runMs] {
                    platform::Platform* own = form.platform;
                    RecordFileDialogs dialogs(own->dialogs, record);
                    platform::Platform answering{own->clock, dialogs, own->program,
                                                 own->serialPorts};
                    form.platform = &answering;
                    form.Mnu_Rec_Save_Click();
                    form.platform = own;
                    Say(form.nav.RecordingOn == 1 ? "recording" : "recording-failed");
                    QTimer::singleShot(runMs, [&form, received] {
                        form.Mnu_Rec_Stop_Click();
                        form.Mnu_Stop_Click();
                        Say("received-bytes", *received);
                        Say(form.MSComm1->IsOpen() ? "still-connected" : "stopped");
                        QCoreApplication::exit(0);
                    });
                });
            }
            *received += bytes.size();
        };
    };
    return views::RunAnalyzer(argc, argv, hooks);
}
