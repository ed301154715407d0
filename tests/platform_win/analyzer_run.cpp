// The program as a user drives it, for the runs under wine and Xvfb (scripts/test-windows.sh)
// and the Linux build beside them. The environment says what to do; each step is one line on
// standard error.
//
// Connected (the default): connects at start as Ctrl+S does (or to --source), reports its
// first paint, and once data has arrived records into VELSOR_RUN_RECORD when that is set;
// VELSOR_RUN_MS after the first data it stops the recording and the connection and quits,
// having written every byte received to VELSOR_RUN_RAW and the decoded state, as velsor-decode
// prints it, to VELSOR_RUN_JSON when those are set.
//
// VELSOR_RUN_SHOTS=FOLDER: no connection. Draws every window (main, properties, forwarding,
// replay of VELSOR_RUN_REPLAY, graph of VELSOR_RUN_HISTORY, version) and a question and a
// notice box into FOLDER/NAME.png at the screen's scale, says of each which texts are wider
// than their controls ("cut properties: Check2", "cut main: none") and the question's buttons
// ("question-buttons はい(Y) いいえ(N)"), then quits.

#include "decoding/receiver.h"
#include "decoding/state_json.h"
#include "main_window/nav_form.h"
#include "views/analyzer_app.h"
#include "views/control_widgets.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDateTime>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QTabBar>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
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

void Say(const QString& what) {
    std::fprintf(stderr, "%s\n", what.toUtf8().constData());
    std::fflush(stderr);
}

void Say(const char* what, long long value) {
    Say(QStringLiteral("%1 %2").arg(QLatin1String(what)).arg(value));
}

bool WriteWhole(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// Controls of a window whose text is wider than the room the control gives it. Wrapped texts
// (a message box's, the version's disclaimer) wrap instead.
QStringList CutTexts(QWidget& window) {
    QStringList cut;
    // The widest line of the text, mnemonic marks left out.
    auto tooWide = [](const QWidget& w, const QString& text, qreal room) {
        const QFontMetricsF fm(w.font(), &w);
        qreal widest = 0;
        for (const QString& line : QString(text).remove(u'&').split(u'\n'))
            widest = std::max(widest, fm.horizontalAdvance(line));
        return widest > room + 0.5;
    };
    for (QWidget* w : window.findChildren<QWidget*>()) {
        if (!w->isVisibleTo(&window))
            continue;
        const QStyle* style = w->style();
        bool isCut = false;
        if (auto* l = qobject_cast<QLabel*>(w);
            l && !l->wordWrap() && l->pixmap().isNull() && !dynamic_cast<views::WrappedLabel*>(l))
            isCut = tooWide(*l, l->text(), l->contentsRect().width() - 2 * l->margin());
        else if (auto* r = qobject_cast<QRadioButton*>(w))
            isCut = tooWide(*r, r->text(),
                            r->width() - style->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth) -
                                style->pixelMetric(QStyle::PM_RadioButtonLabelSpacing));
        else if (auto* c = qobject_cast<QCheckBox*>(w))
            isCut = tooWide(*c, c->text(),
                            c->width() - style->pixelMetric(QStyle::PM_IndicatorWidth) -
                                style->pixelMetric(QStyle::PM_CheckBoxLabelSpacing));
        else if (auto* b = qobject_cast<QPushButton*>(w))
            isCut = tooWide(*b, b->text(),
                            b->width() - 2 * style->pixelMetric(QStyle::PM_ButtonMargin));
        else if (auto* g = qobject_cast<QGroupBox*>(w))
            isCut = tooWide(*g, g->title(), g->width() - 16);
        if (isCut)
            cut << (w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className())
                                              : w->objectName());
    }
    return cut;
}

// Takes a picture of the window and says what is cut in it.
void Shoot(QWidget* window, const QString& folder, const QString& name) {
    if (!window) {
        Say(u"no-window "_qs + name);
        return;
    }
    window->grab().save(QDir(folder).filePath(name + QStringLiteral(".png")));
    const QStringList cut = CutTexts(*window);
    Say(QStringLiteral("cut %1: %2").arg(name, cut.isEmpty() ? u"none"_qs : cut.join(u' ')));
}

QWidget* TopLevel(const char* name) {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->isVisible() && w->objectName() == QLatin1String(name))
            return w;
    }
    return nullptr;
}

// Runs `open`, which shows a modal window; a moment later the window is drawn and closed.
void ShootModal(const QString& folder, const QString& name, const std::function<void()>& open,
                const std::function<void(QWidget*)>& before = nullptr) {
    QTimer::singleShot(800, [folder, name, before] {
        QWidget* w = QApplication::activeModalWidget();
        if (before)
            before(w);
        Shoot(w, folder, name);
        if (auto* box = qobject_cast<QMessageBox*>(w))
            box->escapeButton()->click();
        else if (auto* dialog = qobject_cast<QDialog*>(w))
            dialog->reject();
    });
    open();
}

void ShootAll(NAV_FORM& form, const QString& folder) {
    Shoot(TopLevel("NAV_FORM"), folder, u"main"_qs);
    ShootModal(folder, u"properties"_qs, [&] { form.Mnu_Prop_Click(); });
    ShootModal(folder, u"forwarding"_qs, [&] { form.Mnu_FW_Click(); });
    ShootModal(folder, u"version"_qs, [&] { form.Mnu_Version_V_Click(); });
    ShootModal(
        folder, u"question"_qs,
        [&] {
            form.platform->dialogs.MessageBox(
                QStringLiteral("通信中、データ記録中です。終了しますか？"),
                platform::MsgButtons::YesNo, platform::MsgIcon::None,
                QString::fromLatin1(kProgramTitle));
        },
        [](QWidget* w) {
            QStringList texts;
            if (auto* box = qobject_cast<QMessageBox*>(w)) {
                for (QAbstractButton* b : box->buttons())
                    texts << b->text().remove(u'&');
            }
            texts.sort();
            Say(u"question-buttons "_qs + texts.join(u' '));
        });
    ShootModal(folder, u"notice"_qs, [&] {
        form.platform->dialogs.MessageBox(
            QStringLiteral("ＧＰＳチューナとの通信を停止します。\r\n生データの記録を停止します。"),
            platform::MsgButtons::Ok, platform::MsgIcon::Exclamation,
            QString::fromLatin1(kProgramTitle));
    });
    if (form.showReplay) {
        form.showReplay();
        QApplication::processEvents();
        Shoot(TopLevel("frmPlayer"), folder, u"replay"_qs);
    }
    if (form.showAnalysis) {
        // The recording read into the reception analysis: each page drawn at this scale.
        form.showAnalysis();
        if (QWidget* analysis = TopLevel("frmAnalysis")) {
            if (auto* open = analysis->findChild<QAction*>(u"Mnu_File_Open"_qs))
                open->trigger();
            if (auto* tabs = analysis->findChild<QTabBar*>(u"Tab1"_qs)) {
                for (int i = 0; i < tabs->count(); ++i) {
                    tabs->setCurrentIndex(i);
                    QApplication::processEvents();
                    Shoot(analysis, folder, QStringLiteral("analysis-%1").arg(i + 1));
                }
            }
            analysis->close();
        } else {
            Say(u"no-window analysis"_qs);
        }
    }
    if (form.showGraph) {
        form.showGraph();
        if (QWidget* graph = TopLevel("frmGraph")) {
            if (auto* open = graph->findChild<QAction*>(u"Mnu_File_Open"_qs))
                open->trigger();
            QApplication::processEvents();
        }
        QTimer::singleShot(1500, [folder] {
            Shoot(TopLevel("frmGraph"), folder, u"graph"_qs);
            QCoreApplication::exit(0);
        });
        return;
    }
    QCoreApplication::exit(0);
}

} // namespace

int main(int argc, char* argv[]) {
    const QString shots = qEnvironmentVariable("VELSOR_RUN_SHOTS");
    const QString record = qEnvironmentVariable("VELSOR_RUN_RECORD");
    const QString raw = qEnvironmentVariable("VELSOR_RUN_RAW");
    const QString json = qEnvironmentVariable("VELSOR_RUN_JSON");
    const int runMs = qEnvironmentVariableIntValue("VELSOR_RUN_MS");
    views::AnalyzerHooks hooks;
    hooks.firstPaint = [] { Say("first-paint-epoch-ms", QDateTime::currentMSecsSinceEpoch()); };
    if (!shots.isEmpty()) {
        const QString replay = qEnvironmentVariable("VELSOR_RUN_REPLAY");
        const QString history = qEnvironmentVariable("VELSOR_RUN_HISTORY");
        hooks.openFile = [replay, history](const platform::FileDialogOptions& o) {
            return o.defaultExt == u"LOG" ? history : replay;
        };
        hooks.ready = [shots](NAV_FORM& form) {
            QTimer::singleShot(1000, [&form, shots] { ShootAll(form, shots); });
        };
        return views::RunAnalyzer(argc, argv, hooks);
    }

    hooks.connectAtStart = true;
    hooks.connected = [] { Say("connected"); };
    hooks.ready = [record, raw, json, runMs](NAV_FORM& form) {
        auto received = std::make_shared<QByteArray>();
        auto previous = form.onReceived;
        form.onReceived = [&form, received, previous, record, raw, json,
                           runMs](QByteArrayView bytes) {
            if (previous)
                previous(bytes);
            if (received->isEmpty()) {
                // From the event loop, as a click would come, not inside the receive event.
                QTimer::singleShot(0, [&form, received, record, raw, json, runMs] {
                    if (!record.isEmpty()) {
                        platform::Platform* own = form.platform;
                        RecordFileDialogs dialogs(own->dialogs, record);
                        platform::Platform answering{own->clock, dialogs, own->program,
                                                     own->serialPorts};
                        form.platform = &answering;
                        form.Mnu_Rec_Save_Click();
                        form.platform = own;
                        Say(form.nav.RecordingOn == 1 ? "recording" : "recording-failed");
                    }
                    QTimer::singleShot(runMs, [&form, received, raw, json] {
                        form.Mnu_Rec_Stop_Click();
                        form.Mnu_Stop_Click();
                        Say("received-bytes", received->size());
                        Say(form.MSComm1->IsOpen() ? "still-connected" : "stopped");
                        if (!raw.isEmpty() && !WriteWhole(raw, *received))
                            Say(u"cannot-write "_qs + raw);
                        // The input ends here, as velsor-decode's does at its end: the
                        // epoch under way is shown before the two are compared.
                        form.receiver->Flush();
                        QByteArray state;
                        AppendStateJson(state, form.nav, form, form.receiver->linesDispatched,
                                        form.receiver->lastType);
                        if (!json.isEmpty() && !WriteWhole(json, state + '\n'))
                            Say(u"cannot-write "_qs + json);
                        QCoreApplication::exit(0);
                    });
                });
            }
            received->append(bytes.data(), bytes.size());
        };
    };
    return views::RunAnalyzer(argc, argv, hooks);
}
