#include "about/frm_end.h"

namespace velsor {

FrmEnd::FrmEnd(platform::Dialogs& d, platform::Program& p) : dialogs(d), program(p) {
    Image1 = Image{true, 120, 120, 480, 480, QString()};
    Label1.caption = QStringLiteral("Velsor GPS Analyzer が終了するまで、しばらくお待ちください。");
    Label1.left = 840;
    Label1.top = 240;
    Label1.width = 4695;
    Label1.height = 375;
}

void FrmEnd::Form_Load(const WindowRect& main) {
    Left = (main.width - Width) / 2 + main.left;
    Top = (main.height - Height) / 2 + main.top;
    if (showModal)
        showModal();
}

void FrmEnd::Form_Activate() {
    dialogs.SetBusyPointer(true);
    program.ProcessEvents();
    program.Exit();
}

} // namespace velsor
