#include "forwarding/frm_com2.h"

#include "nav/basic_text.h"

namespace velsor {

namespace comm = platform::comm;

frmCom2::frmCom2(Nav& n, platform::SerialPort& port, platform::Dialogs& d, Forwarder* f)
    : nav(n), MSComm2(port), dialogs(d), forwarder(f) {
    Label1 = MakeLabel(QStringLiteral("使用ポート"), 240, 300, 1095, 255);
    Text1 = TextBox{QString(), 1440, 240, 1695, 375};
    Text2 = TextBox{QString(), 1440, 720, 1695, 375};
    Command1 = MakeLabel(QStringLiteral("&OK"), 1080, 1200, 1215, 375);
}

void frmCom2::Command1_Click() {
    // Each step's error decides what follows: "already open" is said and the next step runs;
    // any other error ends the handler silently with the dialog still open.
    auto stops = [this](int code) {
        if (code == comm::kPortAlreadyOpen) {
            dialogs.MessageBox(QStringLiteral("既にポートが開かれています"),
                               platform::MsgButtons::Ok, platform::MsgIcon::Exclamation,
                               QStringLiteral("Velsor GPS Analyzer"));
            return false;
        }
        return code != comm::kOk;
    };

    nav.ForwardPortNo = Text1.text;
    const auto number = StrictInt16(nav.ForwardPortNo);
    if (stops(number ? MSComm2.SetCommPort(*number) : comm::kTypeMismatch))
        return;
    if (Text2.text == QLatin1String(kAccessCode)) {
        if (stops(MSComm2.SetSettings(QStringLiteral("9600,n,8,1"))))
            return;
        if (!MSComm2.IsOpen()) {
            if (forwarder)
                forwarder->Opening();
            if (stops(MSComm2.Open()))
                return;
        }
    }
    if (close)
        close();
}

} // namespace velsor
