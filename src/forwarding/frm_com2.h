#pragma once
// frmCom2: the forwarding-port dialog. OK opens the main window's second serial port on the
// typed number, or on a port of this machine by its name (chosen from the list under the port
// box, or typed), when the access code is right; there is no cancel button, and closing the
// dialog any other way applies nothing.

#include "forwarding/forwarder.h"
#include "nav/controls.h"
#include "nav/nav.h"
#include "platform/dialogs.h"
#include "platform/serial_port.h"

#include <QString>

#include <functional>
#include <vector>

namespace velsor {

class frmCom2 {
public:
    // port is the main window's MSComm2; forwarder, when given, learns of each opening.
    frmCom2(Nav& nav, platform::SerialPort& port, platform::Dialogs& dialogs,
            Forwarder* forwarder = nullptr);

    static constexpr const char* kAccessCode = "QRV42MZT";

    QString caption = QStringLiteral("転送先ポート設定");
    int clientWidth = 3375, clientHeight = 1695;

    Label Label1;                              // "使用ポート"
    TextBox Text1;                             // port number or name
    std::vector<platform::PortInfo> Text1List; // the machine's ports, offered under Text1
    TextBox Text2;                             // access code
    Label Command1;                            // the OK button's caption and place

    // Lists the ports the machine has now.
    void Form_Load(std::vector<platform::PortInfo> available);
    // A port chosen from the list: its name goes into the port box.
    void Text1_Click(int index);
    void Command1_Click();

    // Set by the view: closes and unloads the dialog.
    std::function<void()> close;

private:
    Nav& nav;
    platform::SerialPort& MSComm2;
    platform::Dialogs& dialogs;
    Forwarder* forwarder;
};

} // namespace velsor
