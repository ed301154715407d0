#include "settings/prop_form.h"

namespace velsor {

Prop_Form::Prop_Form(Nav& n) : nav(n) {
    // Below the two original models: the third, and its line speed.
    constexpr int kMore = 1200;
    Frame1 = Frame{QStringLiteral("使用する GPS ﾁｭｰﾅ"), 240, 240, 3255, 1095};
    // Below the six COM buttons: the ports this machine has, by name.
    constexpr int kList = 360;
    Frame2 = Frame{QStringLiteral("COM ﾎﾟｰﾄ"), 240, 1200 + kMore, 3255, 855 + kList};
    Frame3 = Frame{QStringLiteral("通信速度 (汎用 NMEA 0183)"), 240, 1440, 3255, 855};
    Option1[0] = OptionButton{QStringLiteral("FURUNO GT-74/GT-77"), false, 240, 240, 2535, 255};
    Option1[1] = OptionButton{QStringLiteral("IO-Data CFGPS"), false, 480, 720, 2535, 255};
    Option1[2] = OptionButton{QStringLiteral("汎用 NMEA 0183"), false, 480, 960, 2535, 255};
    for (int i = 0; i < 4; ++i) {
        Option3[i] = OptionButton{QString::number(kNmeaBauds[i]),
                                  i == 1,
                                  120 + 1560 * (i % 2),
                                  i < 2 ? 240 : 480,
                                  1335,
                                  255};
    }
    const int lefts[3] = {240, 1200, 2160};
    for (int i = 0; i < 6; ++i) {
        Option2[i] = OptionButton{
            QStringLiteral("COM %1").arg(i + 1), false, lefts[i % 3], i < 3 ? 240 : 480, 855, 255};
    }
    Combo1.left = 240;
    Combo1.top = 780;
    Combo1.width = 2775;
    Combo1.height = 315;
    Combo1.placeholder = QStringLiteral("この PC のポートから選ぶ");
    Combo1.toolTip = QStringLiteral("この PC にあるシリアルポート");
    clientHeight += kMore + kList;
    const int below = kMore + kList;
    Check2 = CheckBox{
        QStringLiteral("2D/3D 測位時でＰＣの時計を合わせる"), 0, 240, 2160 + below, 3255, 255};
    Command1[0].caption = QStringLiteral("&OK");
    Command1[0].left = 1080;
    Command1[1].caption = QStringLiteral("ｷｬﾝｾﾙ(&C)");
    Command1[1].left = 2280;
    for (auto& b : Command1) {
        b.top = 2640 + below;
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
    nav.CommPortName.clear();
    ShowPort();
}

void Prop_Form::Combo1_Click(int index) {
    if (index < 0 || index >= static_cast<int>(entries.size()))
        return;
    const QString name = entries[index].name;
    // COM1 to COM6 are kept by number, as the two-model program reads them.
    if (const auto n = platform::ComPortNumber(name); n && *n <= 6) {
        Option2_Click(*n - 1);
        return;
    }
    for (auto& o : Option2)
        o.value = false;
    nav.CommPortNo.clear();
    nav.CommPortName = name;
    ShowPort();
}

void Prop_Form::ListPorts(std::vector<platform::PortInfo> available) {
    listed = std::move(available);
    Combo1.placeholder = listed.empty() ? QStringLiteral("ポートが見つかりません")
                                        : QStringLiteral("この PC のポートから選ぶ");
    ShowPort();
}

void Prop_Form::ShowPort() {
    const auto same = [](const QString& a, const QString& b) {
        const auto na = platform::ComPortNumber(a), nb = platform::ComPortNumber(b);
        return na || nb ? na == nb : a == b;
    };
    QString chosen = nav.CommPortName;
    if (chosen.isEmpty() && nav.CommPortNo.size() == 1 && nav.CommPortNo[0] >= u'1' &&
        nav.CommPortNo[0] <= u'6')
        chosen = QStringLiteral("COM") + nav.CommPortNo;
    entries = listed;
    Combo1.listIndex = -1;
    for (int i = 0; i < static_cast<int>(entries.size()); ++i) {
        if (!chosen.isEmpty() && same(entries[i].name, chosen))
            Combo1.listIndex = i;
    }
    if (Combo1.listIndex < 0 && !nav.CommPortName.isEmpty()) {
        entries.push_back({nav.CommPortName, platform::ShownPortName(nav.CommPortName) +
                                                 QStringLiteral("（見つかりません）")});
        Combo1.listIndex = static_cast<int>(entries.size()) - 1;
    }
    Combo1.list.clear();
    for (const auto& e : entries)
        Combo1.list.push_back(e.description.isEmpty() ? e.name : e.description);
    Combo1.enabled = !entries.empty();
    // The whole name, which the list may show cut.
    Combo1.toolTip = Combo1.listIndex >= 0
                         ? platform::ShownPortName(entries[Combo1.listIndex].name, 300)
                         : QStringLiteral("この PC にあるシリアルポート");
}

void Prop_Form::Option1_Click(int index) {
    if (index < 0 || index > 2)
        return;
    for (int i = 0; i < 3; ++i)
        Option1[i].value = i == index;
    nav.TunerType = QString::number(index);
}

void Prop_Form::Option3_Click(int index) {
    if (index < 0 || index > 3)
        return;
    for (int i = 0; i < 4; ++i)
        Option3[i].value = i == index;
    nav.Baud = kNmeaBauds[index];
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
