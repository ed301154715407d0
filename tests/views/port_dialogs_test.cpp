// The dialogs that offer the machine's ports: a port picked from the list with the keyboard, as
// a user would, then in the forwarding dialog typed over along with the code, and confirmed.

#include "forwarding/frm_com2.h"
#include "views/com2_view.h"
#include "views/prop_form_view.h"
#include "views/view_rig.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>

using namespace velsor;
using velsor::testing::ViewRig;
using velsor::testing::WaitFor;

namespace {

const std::vector<platform::PortInfo> kPorts = {
    {u"COM3"_qs, u"USB Serial Port (COM3)"_qs},
    {u"COM12"_qs, u"u-blox GNSS receiver (COM12)"_qs},
};

// Pressed and released on `to`, or where the focus is.
void Key(int key, const QString& text = QString(), QWidget* to = nullptr) {
    QPointer<QWidget> target = to ? to : QApplication::focusWidget();
    for (QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
        QKeyEvent e(type, key, Qt::NoModifier, text);
        if (target)
            QApplication::sendEvent(target, &e);
    }
}

} // namespace

TEST(PropFormView, TheMachinesPortsAreOfferedAndTheChosenOneIsKeptByName) {
    ViewRig rig;
    rig.ports.available = kPorts;
    QStringList shown;
    int listWidth = 0;
    rig.form.showProperties = [&] {
        views::PropFormView dialog(rig.prop, rig.view.get());
        dialog.show();
        auto* box = dialog.findChild<QComboBox*>(u"Combo1"_qs);
        ASSERT_NE(box, nullptr);
        for (int i = 0; i < box->count(); ++i)
            shown << box->itemText(i);
        listWidth = box->view()->minimumWidth();
        // COM1 is the defaults' port: the list starts with nothing chosen.
        EXPECT_EQ(box->currentIndex(), -1);
        box->setFocus();
        Key(Qt::Key_Down, {}, box); // on the closed list: the next entry
        Key(Qt::Key_Down, {}, box);
        EXPECT_EQ(rig.nav.CommPortName, u"COM12");
        EXPECT_FALSE(std::any_of(rig.prop.Option2.begin(), rig.prop.Option2.end(),
                                 [](auto& o) { return o.value; }));
        dialog.findChild<QPushButton*>(u"Command1_0"_qs)->click();
    };
    rig.form.Mnu_Prop_Click();
    EXPECT_EQ(shown,
              (QStringList{u"USB Serial Port (COM3)"_qs, u"u-blox GNSS receiver (COM12)"_qs}));
    EXPECT_GE(listWidth, QFontMetrics(rig.view->font()).horizontalAdvance(shown[1]));
    EXPECT_EQ(rig.nav.CommPortName, u"COM12") << "read back from the file";
}

// A port chosen from the list puts its name, not its description, in the box. Typed in tab
// order, port then code, then OK (Space) on the button; what the model does with bad ports and
// codes, and with closing, is the forwarding test's.
TEST(Com2View, APickedPortShowsItsNameAndOkAppliesWhatWasTyped) {
    ViewRig rig(QStringLiteral("FW"));
    rig.view->show();
    frmCom2 model{rig.nav, *rig.form.MSComm2, rig.dialogs, rig.form.forwarder.get()};
    model.Form_Load(kPorts);
    views::Com2View dialog(model, rig.view.get());
    dialog.show();
    dialog.activateWindow();
    WaitFor([&] { return QApplication::activeWindow() == &dialog; });
    auto* box = dialog.findChild<QComboBox*>(u"Text1"_qs);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->currentText(), u"") << "empty until typed or chosen";
    Key(Qt::Key_Down);
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
