#pragma once
// Prop_Form: the properties dialog's model. Its controls hold the displayed state of the
// settings between reading and writing the settings file.

#include "nav/controls.h"
#include "nav/nav.h"

#include <array>
#include <functional>

namespace velsor {

// The settings as the file holds them: port "1".."6", tuner "0"/"1"/"2", clock "0"/"1", and
// the line speed of tuner "2" ("4800" ... "115200"; empty: unchanged).
struct SettingsValues {
    QString port, tuner, clock, baud;
};

// The line speeds offered for tuner "2".
inline constexpr int kNmeaBauds[4] = {4800, 9600, 38400, 115200};

class Prop_Form {
public:
    explicit Prop_Form(Nav& nav);

    QString caption = QStringLiteral("ﾌﾟﾛﾊﾟﾃｨの設定");
    int clientWidth = 3750, clientHeight = 3150;

    Frame Frame1, Frame2, Frame3;
    std::array<OptionButton, 3> Option1; // tuner model
    std::array<OptionButton, 4> Option3; // line speed of tuner "2"
    std::array<OptionButton, 6> Option2; // COM 1 to COM 6
    CheckBox Check2;                     // set the PC clock at a 2D/3D fix
    std::array<Label, 2> Command1;       // OK, Cancel (caption and geometry)

    void Option2_Click(int index);
    void Option1_Click(int index);
    void Option3_Click(int index);
    void Check2_Click();
    void Command1_Click(int index);
    // Closing by the close box is the same as Cancel.
    void Form_QueryUnload();

    // Set by the window that shows the dialog: writes the settings file, closes the dialog.
    std::function<bool()> writeSettings;
    std::function<void()> close;

    Nav& nav;
};

} // namespace velsor
