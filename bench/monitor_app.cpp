// The monitor as the load and soak benchmarks run it: the program itself, connecting at start
// as a user pressing Ctrl+S would, and reporting on standard error when it is connected and
// when it first painted (milliseconds since the epoch, for the script to subtract its start
// time). For the soak, VELSOR_SOAK_FORWARD names a port to forward to and VELSOR_SOAK_RECORD a
// file to record into, both started as a user would start them right after connecting.
// VELSOR_OPEN_ANALYSIS=1 opens the reception analysis window (ｵﾌﾟｼｮﾝ > 受信解析) at start, and
// VELSOR_ANALYSIS_PAGE its page (0 to 3).

#include "forwarding/forwarder.h"
#include "forwarding/frm_com2.h"
#include "main_window/nav_form.h"
#include "views/analyzer_app.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDateTime>
#include <QTabBar>

#include <cstdio>

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
    const bool analysis = qEnvironmentVariable("VELSOR_OPEN_ANALYSIS") == u"1";
    const int page = qEnvironmentVariableIntValue("VELSOR_ANALYSIS_PAGE");
    if (!forward.isEmpty() || !record.isEmpty() || analysis) {
        hooks.ready = [forward, record, analysis, page](NAV_FORM& form) {
            if (!forward.isEmpty())
                StartForwarding(form, forward);
            if (!record.isEmpty())
                StartRecording(form, record);
            if (analysis)
                OpenAnalysis(form, page);
        };
    }
    return views::RunAnalyzer(argc, argv, hooks);
}
