// The properties dialog: the machine's ports, chosen with the keyboard.

#include "views/prop_form_view.h"
#include "views/view_rig.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QPushButton>

using namespace velsor;
using velsor::testing::ViewRig;

namespace {

const std::vector<platform::PortInfo> kPorts = {
    {u"COM3"_qs, u"USB Serial Port (COM3)"_qs},
    {u"COM12"_qs, u"u-blox GNSS receiver (COM12)"_qs},
};

// Down on a closed list: the next entry, as a user picks it.
void Down(QComboBox* box) {
    box->setFocus();
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
    QApplication::sendEvent(box, &press);
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
        Down(box);
        Down(box);
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
