// The forwarding dialog: reached from the menu, typed into and confirmed as a user would.

#include "forwarding/frm_com2.h"
#include "views/com2_view.h"
#include "views/view_rig.h"
#include "views/windows.h"

#include <QPointer>

using namespace velsor;
using velsor::testing::PumpUntil;
using velsor::testing::ViewRig;

namespace {

void Key(int key, const QString& text = QString()) {
    QPointer<QWidget> target = QApplication::focusWidget();
    for (QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
        QKeyEvent e(type, key, Qt::NoModifier, text);
        if (target)
            QApplication::sendEvent(target, &e);
    }
}

} // namespace

TEST(Com2View, TheMenuEntryShowsTheDialogModally) {
    ViewRig rig(QStringLiteral("FW"));
    views::ConnectWindows(rig.form, *rig.view);
    QString shown;
    QTimer::singleShot(0, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        ASSERT_NE(modal, nullptr);
        shown = modal->objectName();
        modal->close();
    });
    rig.Action("Mnu_FW")->trigger();
    EXPECT_EQ(shown, u"frmCom2");
}

// Typed in tab order, port then code, then OK (Space) or Esc on the button; what the model
// does with bad ports and codes is the forwarding test's.
TEST(Com2View, OkAppliesWhatWasTypedAndClosingAppliesNothing) {
    // The result: shown or hidden, the forwarding port, its serial port open or closed.
    for (const auto& [esc, result] :
         {std::pair{false, "hidden 3 open"}, {true, "hidden  closed"}}) {
        SCOPED_TRACE(result);
        ViewRig rig(QStringLiteral("FW"));
        rig.view->show();
        frmCom2 model{rig.nav, *rig.form.MSComm2, rig.dialogs, rig.form.forwarder.get()};
        views::Com2View dialog(model, rig.view.get());
        dialog.show();
        dialog.activateWindow();
        PumpUntil([&] { return QApplication::activeWindow() == &dialog; });
        for (const QString& text : {QStringLiteral("3"), QStringLiteral("QRV42MZT")}) {
            for (QChar ch : text)
                Key(ch.toUpper().unicode(), QString(ch));
            Key(Qt::Key_Tab);
        }
        ASSERT_EQ(QApplication::focusWidget()->objectName(), u"Command1");
        esc ? Key(Qt::Key_Escape) : Key(Qt::Key_Space, QStringLiteral(" "));
        rig.Pump();
        EXPECT_EQ(QStringLiteral("%1 %2 %3")
                      .arg(dialog.isVisible() ? u"shown" : u"hidden", rig.nav.ForwardPortNo,
                           rig.ports.made.at(1)->IsOpen() ? u"open" : u"closed"),
                  QLatin1String(result));
    }
}
