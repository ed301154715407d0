#include "views/analyzer_app.h"

#include "main_window/nav_form.h"
#include "nav/nav.h"
#include "platform/platform.h"
#include "platform/qt/qt_clock.h"
#include "platform/qt/qt_dialogs.h"
#include "platform/qt/qt_program.h"
#include "platform/system_serial_ports.h"
#include "settings/prop_form.h"
#include "sharing/share_option.h"
#include "sharing/sharing_module.h"
#include "sharing/source_option.h"
#include "views/nav_form_view.h"
#include "views/view_support.h"
#include "views/windows.h"

#include <QApplication>
#include <QEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QImageReader>
#include <QProxyStyle>
#include <QStyleFactory>
#include <QStyleOption>
#include <qdrawutil.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

namespace velsor::views {

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

class FirstPaintFilter : public QObject {
public:
    FirstPaintFilter(std::function<void()> f, QObject* parent)
        : QObject(parent), fn(std::move(f)) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (fn && event->type() == QEvent::Paint) {
            auto once = std::move(fn);
            fn = nullptr;
            once();
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> fn;
};

// Fusion, with the two pictures it draws at start read as PNG by name: Fusion leaves the
// format for Qt to guess, and Qt loads every image-format plugin to ask which one reads it.
class ProgramStyle : public QProxyStyle {
public:
    explicit ProgramStyle(QStyle* base) : QProxyStyle(base) {}

    QIcon standardIcon(StandardPixmap sp, const QStyleOption* option,
                       const QWidget* widget) const override {
        // The menu bar's overflow arrow: the style's built-in picture instead of a file.
        if (sp == SP_ToolBarHorizontalExtensionButton || sp == SP_ToolBarVerticalExtensionButton)
            return QIcon(standardPixmap(sp, option, widget));
        return QProxyStyle::standardIcon(sp, option, widget);
    }

    void drawPrimitive(PrimitiveElement pe, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override {
        if (pe != PE_FrameGroupBox) {
            QProxyStyle::drawPrimitive(pe, option, painter, widget);
            return;
        }
        // Fusion's group box frame, drawn as Fusion draws it.
        if (groupFrame.isNull()) {
            QImageReader reader(
                QStringLiteral(":/qt-project.org/styles/commonstyle/images/fusion_groupbox.png"),
                "png");
            reader.setAutoDetectImageFormat(false);
            groupFrame = QPixmap::fromImage(reader.read());
        }
        const auto* box = qobject_cast<const QGroupBox*>(widget);
        const bool bare = box && !box->isCheckable() && box->title().isEmpty();
        const int top = 3 + (bare ? 0
                                  : qMax(pixelMetric(PM_ExclusiveIndicatorHeight),
                                         option->fontMetrics.height()));
        qDrawBorderPixmap(painter, option->rect.adjusted(0, top, 0, 0), QMargins(6, 6, 6, 6),
                          groupFrame);
    }

private:
    mutable QPixmap groupFrame;
};

// The program's dialogs, with every open-file dialog answered by a function.
class AnsweringDialogs : public platform::Dialogs {
public:
    using Answer = std::function<QString(const platform::FileDialogOptions&)>;
    AnsweringDialogs(platform::Dialogs& inner, Answer answer)
        : inner(inner), answer(std::move(answer)) {}
    platform::MsgResult MessageBox(const QString& text, platform::MsgButtons buttons,
                                   platform::MsgIcon icon, const QString& title) override {
        return inner.MessageBox(text, buttons, icon, title);
    }
    QString SaveFile(const platform::FileDialogOptions& o) override { return inner.SaveFile(o); }
    QString OpenFile(const platform::FileDialogOptions& o) override { return answer(o); }
    void SetBusyPointer(bool busy) override { inner.SetBusyPointer(busy); }

private:
    platform::Dialogs& inner;
    Answer answer;
};

} // namespace

int RunAnalyzer(int argc, char* argv[], const AnalyzerHooks& hooks) {
    if (!HaveDisplay()) {
        std::fputs("velsor-gps-analyzer: no display; run it under Xvfb: xvfb-run -a "
                   "./velsor-gps-analyzer\n",
                   stderr);
        return 2;
    }
    // --share-nmea, --source and their values leave the command line before anything reads it,
    // so an address never counts as one of the words that show hidden commands.
    std::vector<char*> kept(argv, argv + argc);
    const sharing::ShareArguments share = sharing::TakeShareOption(kept);
    const sharing::SourceArguments source = sharing::TakeSourceOption(kept);
    kept.push_back(nullptr);
    argc = static_cast<int>(kept.size()) - 1;
    argv = kept.data();

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("velsor-gps-analyzer"));
    if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion")))
        QApplication::setStyle(new ProgramStyle(fusion)); // both owned by the application
    QApplication::setFont(UiFont());
    platform::InstallQtTranslations();
    QApplication::setWindowIcon(ProgramIcon());
    // The program ends through its quit command, not when a window happens to close last.
    QApplication::setQuitOnLastWindowClosed(false);

    platform::QtClock clock;
    platform::QtDialogs qtDialogs;
    const QString qpa = QGuiApplication::platformName();
    qtDialogs.SetHeadless(qpa == u"offscreen" || qpa == u"minimal");
    AnsweringDialogs answering(qtDialogs, hooks.openFile);
    platform::Dialogs& dialogs =
        !hooks.openFile ? static_cast<platform::Dialogs&>(qtDialogs) : answering;
    platform::QtProgram program;
    const auto serialPorts = platform::SystemSerialPorts(program.Directory());
    // The network code is loaded only when an option needs it.
    const bool wantsNetwork = share.requested || source.endpoint;
    QString networkMissing;
    sharing::SharingModule* network =
        wantsNetwork ? sharing::LoadSharingModule(&networkMissing) : nullptr;
    std::unique_ptr<platform::SerialPortFactory> tcpSource;
    if (source.endpoint && network)
        tcpSource =
            network->TcpSourcePorts(*serialPorts, source.endpoint->host, source.endpoint->port);
    platform::SerialPortFactory& ports = tcpSource ? *tcpSource : *serialPorts;
    platform::Platform platform{clock, dialogs, program, ports};

    Nav nav;
    Prop_Form prop(nav);
    NAV_FORM form(nav, platform, prop);

    form.Form_Load();
    if (program.ExitRequested())
        return 0; // another instance runs; it has been said
    if (source.requested && !source.endpoint)
        dialogs.MessageBox(sharing::BadSourceMessage(source.badValue), platform::MsgButtons::Ok,
                           platform::MsgIcon::Exclamation, QString::fromLatin1(kProgramTitle));
    if (wantsNetwork && !network)
        dialogs.MessageBox(sharing::ModuleMissingMessage(networkMissing), platform::MsgButtons::Ok,
                           platform::MsgIcon::Exclamation, QString::fromLatin1(kProgramTitle));
    const std::shared_ptr<void> sharingServer =
        network ? network->StartSharing(form, share, dialogs) : nullptr;

    NavFormView view(form);
    ConnectWindows(form, view);
    view.show();
    if (hooks.firstPaint) {
        // The first paint of any window of the program.
        auto* filter = new FirstPaintFilter(hooks.firstPaint, &app);
        app.installEventFilter(filter);
    }
    if (hooks.connectAtStart)
        form.Mnu_Start_Click();
    if (hooks.connected && form.MSComm1->IsOpen())
        hooks.connected();
    if (hooks.ready)
        hooks.ready(form);
    return QApplication::exec();
}

} // namespace velsor::views
