#include "forwarding/frm_com2.h"

#include "nav/basic_text.h"

#include <algorithm>

namespace velsor {

namespace comm = platform::comm;

frmCom2::frmCom2(Nav& n, platform::SerialPort& port, platform::Dialogs& d, Forwarder* f)
    : nav(n), MSComm2(port), dialogs(d), forwarder(f) {
    Label1 = MakeLabel(QStringLiteral("使用ポート"), 240, 300, 1095, 255);
    Text1 = TextBox{QString(), 1440, 240, 1695, 375};
    Text2 = TextBox{QString(), 1440, 720, 1695, 375};
    Command1 = MakeLabel(QStringLiteral("&OK"), 1080, 1200, 1215, 375);
}

void frmCom2::Form_Load(std::vector<platform::PortInfo> available) {
    Text1List = std::move(available);
}

void frmCom2::Text1_Click(int index) {
    if (index >= 0 && index < static_cast<int>(Text1List.size()))
        Text1.text = Text1List[index].name;
}

void frmCom2::Command1_Click() {
    // A number is COM1, COM2 ...; a port's name counts as one when it is listed, is a COMn
    // name or a device path. Other text is no port, as before.
    const QString text = Text1.text;
    const bool listed = std::any_of(Text1List.begin(), Text1List.end(),
                                    [&](const platform::PortInfo& p) { return p.name == text; });
    const bool named = listed || platform::ComPortNumber(text) || text.startsWith(u'/');

    // Each step's error decides what follows: "already open" is said and the next step runs;
    // a named port that is not there is said and the dialog stays open for another; any other
    // error ends the handler silently with the dialog still open.
    auto stops = [&](int code) {
        if (code == comm::kPortAlreadyOpen) {
            dialogs.MessageBox(QStringLiteral("既にポートが開かれています"),
                               platform::MsgButtons::Ok, platform::MsgIcon::Exclamation,
                               QStringLiteral("Velsor GPS Analyzer"));
            return false;
        }
        if (code == comm::kInvalidPortNumber && named) {
            dialogs.MessageBox(QStringLiteral("指定したポート「%1」が見つかりません。")
                                   .arg(platform::ShownPortName(text)),
                               platform::MsgButtons::Ok, platform::MsgIcon::Exclamation,
                               QStringLiteral("Velsor GPS Analyzer"));
        }
        return code != comm::kOk;
    };

    nav.ForwardPortNo = text;
    const auto number = StrictInt16(nav.ForwardPortNo);
    int code = comm::kTypeMismatch;
    if (number)
        code = MSComm2.SetCommPort(*number);
    else if (named)
        code = MSComm2.SetPortName(text);
    if (stops(code))
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
