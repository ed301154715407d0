#include "settings/prop_form.h"

namespace velsor {

Prop_Form::Prop_Form(Nav& n) : nav(n) {
    Frame1 = Frame{QStringLiteral("使用する GPS ﾁｭｰﾅ"), 240, 240, 3255, 855};
    Frame2 = Frame{QStringLiteral("COM ﾎﾟｰﾄ"), 240, 1200, 3255, 855};
    Option1[0] = OptionButton{QStringLiteral("FURUNO GT-74/GT-77"), false, 240, 240, 2535, 255};
    Option1[1] = OptionButton{QStringLiteral("IO-Data CFGPS"), false, 480, 720, 2535, 255};
    const int lefts[3] = {240, 1200, 2160};
    for (int i = 0; i < 6; ++i) {
        Option2[i] = OptionButton{
            QStringLiteral("COM %1").arg(i + 1), false, lefts[i % 3], i < 3 ? 240 : 480, 855, 255};
    }
    Check2 =
        CheckBox{QStringLiteral("2D/3D 測位時でＰＣの時計を合わせる"), 0, 240, 2160, 3255, 255};
    Command1[0].caption = QStringLiteral("&OK");
    Command1[0].left = 1080;
    Command1[1].caption = QStringLiteral("ｷｬﾝｾﾙ(&C)");
    Command1[1].left = 2280;
    for (auto& b : Command1) {
        b.top = 2640;
        b.width = 1095;
        b.height = 375;
    }
}

void Prop_Form::Option2_Click(int index) {
    if (index < 0 || index > 5)
        return;
    for (int i = 0; i < 6; ++i)
        Option2[i].value = i == index;
    nav.CommPortNo = QString::number(index + 1);
}

void Prop_Form::Option1_Click(int index) {
    if (index != 0 && index != 1)
        return;
    Option1[0].value = index == 0;
    Option1[1].value = index == 1;
    nav.TunerType = QString::number(index);
}

void Prop_Form::Check2_Click() {
    nav.ClockSetDone = Check2.value == 1 ? 0 : 1;
}

void Prop_Form::Command1_Click(int index) {
    if (index == 0 && writeSettings)
        writeSettings();
    if (close)
        close();
}

void Prop_Form::Form_QueryUnload() {
    Command1_Click(1);
}

} // namespace velsor
