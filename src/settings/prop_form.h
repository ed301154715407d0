#pragma once
// Prop_Form: the properties dialog's model. Its controls hold the displayed state of the
// settings between reading and writing the settings file.

#include "nav/controls.h"
#include "nav/nav.h"
#include "platform/serial_port.h"

#include <array>
#include <functional>
#include <vector>

namespace velsor {

// The settings as the file holds them: port "1".."6", tuner "0"/"1"/"2", clock "0"/"1", the
// line speed of tuner "2" ("4800" ... "115200"; empty: unchanged), and the port by name when
// the port is not one of "1".."6" (empty: none named).
struct SettingsValues {
    QString port, tuner, clock, baud, portName;
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
    ComboBox Combo1;                     // the serial ports of this machine, below Option2
    CheckBox Check2;                     // set the PC clock at a 2D/3D fix
    std::array<Label, 2> Command1;       // OK, Cancel (caption and geometry)

    void Option2_Click(int index);
    void Option1_Click(int index);
    void Option3_Click(int index);
    void Combo1_Click(int index);
    void Check2_Click();
    void Command1_Click(int index);
    // Closing by the close box is the same as Cancel.
    void Form_QueryUnload();

    // Fills Combo1 with the ports the machine has now, and shows the chosen port among them.
    void ListPorts(std::vector<platform::PortInfo> available);
    // Selects the chosen port's entry in Combo1; a named port the machine lacks is added as
    // missing, so that it is neither lost nor taken for another.
    void ShowPort();
    // Combo1's entries: the listed ports, then the missing one if any.
    const std::vector<platform::PortInfo>& PortEntries() const { return entries; }

    // Set by the window that shows the dialog: writes the settings file, closes the dialog.
    std::function<bool()> writeSettings;
    std::function<void()> close;

    Nav& nav;

private:
    std::vector<platform::PortInfo> listed, entries;
};

} // namespace velsor
