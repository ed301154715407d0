#pragma once
// The main window on a fake platform, loaded and rendered, with helpers to act on it as a
// user would.

#include "main_window/nav_form.h"
#include "nav/nav.h"
#include "settings/prop_form.h"
#include "support/fake_platform.h"
#include "views/nav_form_view.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDeadlineTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QThread>
#include <QTimer>

#include <memory>

// What the window system does with a key press before the key event itself: offer it to the
// shortcut map. Exported by QtGui for its own test library.
Q_GUI_EXPORT bool qt_sendShortcutOverrideEvent(QObject* o, ulong timestamp, int k,
                                               Qt::KeyboardModifiers mods,
                                               const QString& text = QString(),
                                               bool autorep = false, ushort count = 1);

namespace velsor::testing {

// Runs the event loop until done() or the timeout; returns done().
template <typename F> bool PumpUntil(F done, int timeoutMs = 3000) {
    QDeadlineTimer deadline(timeoutMs);
    while (!done() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return done();
}

// Runs fn once the next modal dialog is up; gives up after a while so a test cannot hang.
template <typename F> void WhenModal(F fn) {
    auto* poll = new QTimer(qApp);
    auto started = std::make_shared<QDeadlineTimer>(5000);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, fn, started] {
        if (QWidget* w = QApplication::activeModalWidget()) {
            poll->deleteLater();
            poll->stop();
            fn(w);
        } else if (started->hasExpired()) {
            poll->deleteLater();
            poll->stop();
            ADD_FAILURE() << "no modal window appeared";
        }
    });
    poll->start(5);
}

struct ViewRig {
    explicit ViewRig(const QString& commandLine = QString(), bool timers = false) {
        fake.program.commandLine = commandLine;
        form.Form_Load();
        view = std::make_unique<views::NavFormView>(form);
        if (!timers) {
            view->findChild<QTimer*>(QStringLiteral("Timer1"))->stop();
            view->findChild<QTimer*>(QStringLiteral("Timer2"))->stop();
        }
    }

    template <typename T = QWidget> T* Child(const QString& name) const {
        T* w = view->findChild<T*>(name);
        EXPECT_NE(w, nullptr) << name.toStdString();
        return w;
    }
    QLabel* LabelW(const QString& name) const { return Child<QLabel>(name); }
    QAction* Action(const char* name) const { return Child<QAction>(QLatin1String(name)); }

    // Lets the scheduled render run.
    void Pump() { QCoreApplication::processEvents(); }

    // Shows the window, makes it active and presses a key with modifiers, shortcuts first.
    void Press(int key, Qt::KeyboardModifiers mods) {
        view->show();
        view->activateWindow();
        PumpUntil([&] { return QApplication::activeWindow() == view.get(); });
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : view.get();
        if (!qt_sendShortcutOverrideEvent(target, 0, key, mods)) {
            QKeyEvent press(QEvent::KeyPress, key, mods);
            QApplication::sendEvent(target, &press);
        }
        Pump();
    }

    FakeSerialPort& Tuner() const { return *fake.ports.made.at(0); }
    // A line as the tuner sends it.
    void Receive(const char* line) { Tuner().Receive(QByteArray(line) + "\r\n"); }

    FakePlatform fake;
    Nav nav;
    Prop_Form prop{nav};
    NAV_FORM form{nav, fake.platform, prop};
    std::unique_ptr<views::NavFormView> view;
};

} // namespace velsor::testing
