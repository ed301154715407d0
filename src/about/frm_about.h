#pragma once
// frmAbout: the version dialog's model. Shown modally from the main window's version command.

#include "nav/controls.h"
#include "platform/dialogs.h"
#include "platform/program.h"

#include <QString>

#include <array>
#include <functional>

namespace velsor {

// The program's version as the dialog shows it.
inline constexpr int kVersionMajor = 1;
inline constexpr int kVersionMinor = 0;
inline constexpr int kVersionRevision = 50;

// A label's font where the window fixes one. Point sizes as designed; an empty name means the
// window's default font.
struct LabelFont {
    QString name;
    double pointSize = 0;
    bool centred = false;
};

class frmAbout {
public:
    frmAbout(platform::Dialogs& dialogs, platform::Program& program);

    QString caption = QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報"); // replaced at load
    int clientWidth = 5730, clientHeight = 2910;

    Image Image1; // the program icon
    Label lblTitle, lblVersion, lblDescription, lblDisclaimer;
    LabelFont lblTitleFont, lblVersionFont, lblDescriptionFont;
    std::array<LineControl, 2> Line1; // an etched separator: (0) white, (1) grey
    Label cmdOK, cmdSysInfo;          // buttons: caption and geometry

    void Form_Load();
    void cmdOK_Click();
    void cmdSysInfo_Click();
    // Starts the system information tool, or says that there is none.
    void StartSysInfo();

    // Set by the view: closes the dialog.
    std::function<void()> close;

private:
    platform::Dialogs& dialogs;
    platform::Program& program;
};

} // namespace velsor
