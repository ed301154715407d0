// The forwarding dialog: reached from the menu, typed into and confirmed as a user would.

#include "forwarding/frm_com2.h"
#include "views/com2_view.h"
#include "views/view_rig.h"
#include "views/windows.h"

#include <QLineEdit>
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
    QWidget* Control(const char* name) const {
        return dialog->findChild<QWidget*>(QLatin1String(name));
    }
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
        shown = modal->objectName() + u' ' + modal->windowTitle();
        modal->close();
    });
    rig.Action("Mnu_FW")->trigger();
    EXPECT_EQ(shown, u"frmCom2 転送先ポート設定");
    EXPECT_FALSE(rig.form.MSComm2->IsOpen());
}

TEST(Com2View, TabGoesThroughPortCodeAndOk) {
    DialogRig rig;
    QStringList order;
    for (int i = 0; i < 3; ++i) {
        order << rig.Focused()->objectName();
        Key(rig.Focused(), Qt::Key_Tab);
    }
    EXPECT_EQ(order.join(u' '), u"Text1 Text2 Command1");
    EXPECT_EQ(rig.dialog->findChild<QPushButton*>(QStringLiteral("Command1"))->text(), u"&OK");
    EXPECT_EQ(rig.dialog->findChildren<QPushButton*>().size(), 1) << "no cancel button";
}

TEST(Com2View, OkAppliesWhatWasTypedAndClosingAppliesNothing) {
    struct Case {
        const char* what;
        const char* port;
        const char* code;
        bool close; // by Esc instead of OK
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
        Type(rig.Control("Text1"), QString::fromLatin1(c.port));
        Type(rig.Control("Text2"), QString::fromLatin1(c.code));
        if (c.close)
            Key(rig.Control("Text2"), Qt::Key_Escape);
        else
            static_cast<QPushButton*>(rig.Control("Command1"))->click();
        rig.Pump();
        EXPECT_EQ(rig.dialog->isVisible(), c.stillShown);
        EXPECT_EQ(rig.nav.ForwardPortNo, QString::fromLatin1(c.forwardPortNo));
        EXPECT_EQ(rig.Port().IsOpen(), c.open);
    }
}
