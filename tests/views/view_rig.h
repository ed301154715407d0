#pragma once
// The main window on fakes, loaded and rendered, with helpers to act on it as a user would.

#include "main_window/nav_form.h"
#include "nav/nav.h"
#include "settings/prop_form.h"
#include "support/fake_platform.h"
#include "support/fakes.h"
#include "support/pty_pair.h"
#include "views/nav_form_view.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTimer>

#include <memory>

// What the window system does with a key press before the key event itself: offer it to the
// shortcut map. Exported by QtGui for its own test library.
Q_GUI_EXPORT bool qt_sendShortcutOverrideEvent(QObject* o, ulong timestamp, int k,
                                               Qt::KeyboardModifiers mods,
                                               const QString& text = QString(),
                                               bool autorep = false, ushort count = 1);

namespace velsor::testing {

// A mouse event in the middle of w, then the events it caused.
inline void Mouse(QWidget* w, Qt::MouseButton button, QEvent::Type type) {
    const QPointF at(w->width() / 2.0, w->height() / 2.0);
    QMouseEvent e(type, at, w->mapToGlobal(at), button,
                  type == QEvent::MouseButtonPress ? button : Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
    QCoreApplication::processEvents();
}

inline void Click(QWidget* w, Qt::MouseButton button) {
    Mouse(w, button, QEvent::MouseButtonPress);
    Mouse(w, button, QEvent::MouseButtonRelease);
}

struct ViewRig {
    explicit ViewRig(const QString& commandLine = QString(), bool timers = false) {
        program.directory = dir.path();
        program.commandLine = commandLine;
        form.Form_Load();
        view = std::make_unique<views::NavFormView>(form);
        if (!timers) {
            view->findChild<QTimer*>(QStringLiteral("Timer1"))->stop();
            view->findChild<QTimer*>(QStringLiteral("Timer2"))->stop();
        }
    }

    template <typename T = QLabel> T* Child(const char* name) const {
        T* w = view->findChild<T*>(QLatin1String(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    QAction* Action(const char* name) const { return Child<QAction>(name); }
    void Pump() { QCoreApplication::processEvents(); }

    // Shows the window, makes it active and presses a key, offered to the shortcuts first.
    void Press(int key) {
        view->show();
        view->activateWindow();
        WaitFor([&] { return QApplication::activeWindow() == view.get(); });
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : view.get();
        if (!qt_sendShortcutOverrideEvent(target, 0, key, Qt::ControlModifier)) {
            QKeyEvent press(QEvent::KeyPress, key, Qt::ControlModifier);
            QApplication::sendEvent(target, &press);
        }
        Pump();
    }

    FakeSerialPort& Tuner() const { return *ports.made.at(0); }
    // A line as the tuner sends it.
    void Receive(const char* line) { Tuner().Receive(QByteArray(line) + "\r\n"); }

    QTemporaryDir dir; // the program folder
    FakeClock clock;
    FakeDialogs dialogs;
    FakeProgram program;
    FakeSerialPortFactory ports;
    platform::Platform platform{clock, dialogs, program, ports};
    Nav nav;
    Prop_Form prop{nav};
    NAV_FORM form{nav, platform, prop};
    std::unique_ptr<views::NavFormView> view;
};

} // namespace velsor::testing
