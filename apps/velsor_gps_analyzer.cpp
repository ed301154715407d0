// velsor-gps-analyzer: the GPS receiver monitor with its main window.

#include "main_window/nav_form.h"
#include "nav/nav.h"
#include "platform/platform.h"
#include "platform/qt/qt_clock.h"
#include "platform/qt/qt_dialogs.h"
#include "platform/qt/qt_program.h"
#include "platform/qt/qt_serial_port.h"
#include "settings/prop_form.h"
#include "views/nav_form_view.h"
#include "views/view_support.h"
#include "views/windows.h"

#include <QApplication>
#include <QFileInfo>
#include <QStyleFactory>

#include <cstdio>
#include <cstdlib>

namespace {

// QApplication aborts when it finds no display; tell the user how to give it one instead.
bool HaveDisplay() {
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        return true;
    if (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return true;
    const QString display = qEnvironmentVariable("DISPLAY");
    if (display.isEmpty())
        return false;
    // A local X display ":N" has its socket in /tmp/.X11-unix; other forms are left to Qt.
    if (display.startsWith(u':')) {
        const QString number = display.mid(1).section(u'.', 0, 0);
        return QFileInfo::exists(QStringLiteral("/tmp/.X11-unix/X") + number);
    }
    return true;
#else
    return true;
#endif
}

} // namespace

int main(int argc, char* argv[]) {
    if (!HaveDisplay()) {
        std::fputs("velsor-gps-analyzer: no display; run it under Xvfb: xvfb-run -a "
                   "./velsor-gps-analyzer\n",
                   stderr);
        return 2;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("velsor-gps-analyzer"));
    if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion")))
        QApplication::setStyle(fusion);
    QApplication::setFont(velsor::views::UiFont());
    QApplication::setWindowIcon(velsor::views::ProgramIcon());
    // The program ends through its quit command, not when a window happens to close last.
    QApplication::setQuitOnLastWindowClosed(false);

    velsor::platform::QtClock clock;
    velsor::platform::QtDialogs dialogs;
    velsor::platform::QtProgram program;
    velsor::platform::QtSerialPortFactory ports(program.Directory());
    velsor::platform::Platform platform{clock, dialogs, program, ports};

    velsor::Nav nav;
    velsor::Prop_Form prop(nav);
    velsor::NAV_FORM form(nav, platform, prop);

    form.Form_Load();
    if (program.ExitRequested())
        return 0; // another instance runs; it has been said

    velsor::views::NavFormView view(form);
    velsor::views::ConnectWindows(form, view);
    view.show();
    return QApplication::exec();
}
