// The forwarding dialog: reached from the menu, typed into and confirmed as a user would.

#include "forwarding/frm_com2.h"
#include "views/com2_view.h"
#include "views/view_rig.h"
#include "views/windows.h"

#include <QPushButton>

using namespace velsor;
using velsor::testing::PumpUntil;
using velsor::testing::ViewRig;

namespace {

void Key(QWidget* w, int key, const QString& text = QString()) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(w, &release);
}

void Type(QWidget* w, const QString& text) {
    for (QChar c : text)
        Key(w, c.toUpper().unicode(), QString(c));
}

struct DialogRig : ViewRig {
    DialogRig() : ViewRig(QStringLiteral("FW")) {
        view->show();
        dialog = std::make_unique<views::Com2View>(model, view.get());
        dialog->show();
        dialog->activateWindow();
        PumpUntil([&] { return QApplication::activeWindow() == dialog.get(); });
    }
    QWidget* Focused() const { return QApplication::focusWidget(); }
    velsor::testing::FakeSerialPort& Port() const { return *ports.made.at(1); }

    frmCom2 model{nav, *form.MSComm2, dialogs, form.forwarder.get()};
    std::unique_ptr<views::Com2View> dialog;
};

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

// Typed in tab order, port then code, then OK (Space) or Esc on the button.
TEST(Com2View, OkAppliesWhatWasTypedAndClosingAppliesNothing) {
    struct Case {
        const char* what;
        const char* port;
        const char* code;
        bool esc;
        bool stillShown;
        const char* forwardPortNo;
        bool open;
    };
    const Case cases[] = {
        {"letters in the port box", "ab", "QRV42MZT", false, true, "ab", false},
        {"port and code", "3", "QRV42MZT", false, false, "3", true},
        {"Esc", "3", "QRV42MZT", true, false, "", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DialogRig rig;
        for (const char* text : {c.port, c.code}) {
            Type(rig.Focused(), QString::fromLatin1(text));
            Key(rig.Focused(), Qt::Key_Tab);
        }
        ASSERT_EQ(rig.Focused()->objectName(), u"Command1");
        EXPECT_EQ(rig.dialog->findChildren<QPushButton*>().size(), 1) << "no cancel button";
        Key(rig.Focused(), c.esc ? Qt::Key_Escape : Qt::Key_Space, c.esc ? "" : " ");
        rig.Pump();
        EXPECT_EQ(rig.dialog->isVisible(), c.stillShown);
        EXPECT_EQ(rig.nav.ForwardPortNo, QString::fromLatin1(c.forwardPortNo));
        EXPECT_EQ(rig.Port().IsOpen(), c.open);
    }
}
