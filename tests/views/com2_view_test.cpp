// The forwarding dialog: a port picked from the list, then typed over, and the code typed and
// confirmed as a user would.

#include "forwarding/frm_com2.h"
#include "views/com2_view.h"
#include "views/view_rig.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPointer>

using namespace velsor;
using velsor::testing::ViewRig;
using velsor::testing::WaitFor;

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

// A port chosen from the list puts its name, not its description, in the box. Typed in tab
// order, port then code, then OK (Space) on the button; what the model does with bad ports and
// codes, and with closing, is the forwarding test's.
TEST(Com2View, APickedPortShowsItsNameAndOkAppliesWhatWasTyped) {
    ViewRig rig(QStringLiteral("FW"));
    rig.view->show();
    frmCom2 model{rig.nav, *rig.form.MSComm2, rig.dialogs, rig.form.forwarder.get()};
    model.Form_Load({{u"COM3"_qs, u"USB Serial Port (COM3)"_qs},
                     {u"COM12"_qs, u"u-blox GNSS receiver (COM12)"_qs}});
    views::Com2View dialog(model, rig.view.get());
    dialog.show();
    dialog.activateWindow();
    WaitFor([&] { return QApplication::activeWindow() == &dialog; });
    auto* box = dialog.findChild<QComboBox*>(u"Text1"_qs);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->currentText(), u"") << "empty until typed or chosen";
    Key(Qt::Key_Down); // on the closed list: the next entry
    Key(Qt::Key_Down);
    EXPECT_EQ(model.Text1.text, u"COM12");
    EXPECT_EQ(box->lineEdit()->text(), u"COM12");

    box->lineEdit()->selectAll();
    for (const QString& text : {QStringLiteral("3"), QStringLiteral("QRV42MZT")}) {
        for (QChar ch : text)
            Key(ch.toUpper().unicode(), QString(ch));
        Key(Qt::Key_Tab);
    }
    ASSERT_EQ(QApplication::focusWidget()->objectName(), u"Command1");
    Key(Qt::Key_Space, QStringLiteral(" "));
    rig.Pump();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(rig.nav.ForwardPortNo, u"3");
    EXPECT_TRUE(rig.ports.made.at(1)->IsOpen());
}
