// Start-up and exit, the tuner connection, and the menu commands of the main window.

#include "decoding/receiver.h"
#include "forwarding/forwarder.h"
#include "main_window/nav_form.h"
#include "main_window/reception_hint.h"
#include "nav/basic_text.h"
#include "settings/prop_form.h"
#include "settings/settings_file.h"

#include <QTimer>

#include <algorithm>

namespace velsor {

using platform::MsgButtons;
using platform::MsgIcon;
using platform::MsgResult;
namespace comm = platform::comm;

namespace {
const QString kIdle = QStringLiteral("動作状態：モニタ停止中");
const QString kMonitoring = QStringLiteral("動作状態：モニタ中");
const QString kCantConnect = QStringLiteral("指定した COM ポートと通信できません。");
const QString kNoData = QStringLiteral("受信データがありません。\r\n"
                                       "受信元からデータが届かなくなりました。\r\n"
                                       "接続はそのままで、届きしだい表示を再開します。");
const QString kTunerTip = QStringLiteral("選択しているGPSチューナ");
const QByteArray kInitSentence = QByteArrayLiteral("$PFEC,GPint,GGA01,GSA01,GSV01,ZDA01\r\n");
} // namespace

MsgResult NAV_FORM::Message(const QString& text, MsgButtons buttons, MsgIcon icon) {
    return platform->dialogs.MessageBox(text, buttons, icon, QString::fromLatin1(kProgramTitle));
}

void NAV_FORM::TellLater(const QString& text) {
    pendingTells.push_back(text);
    if (tellScheduled || telling || !tellContext)
        return; // the running TellPending takes it after the open box
    tellScheduled = true;
    QTimer::singleShot(0, tellContext.get(), [this] { TellPending(); });
}

void NAV_FORM::TellPending() {
    tellScheduled = false;
    if (telling)
        return;
    // The box runs its own event loop: both timers go on recording under it, and what they
    // queue meanwhile is shown after it, not stacked on top.
    telling = true;
    while (!pendingTells.empty()) {
        const QString text = pendingTells.front();
        pendingTells.pop_front();
        if (changed)
            changed();
        Message(text, MsgButtons::Ok, MsgIcon::Exclamation);
    }
    telling = false;
}

QString NAV_FORM::SettingsFilePath() const {
    return platform ? SettingsPath(platform->program.Directory()) : QString();
}

void NAV_FORM::ReadSettings() {
    if (!platform || !prop)
        return;
    velsor::ReadSettings(SettingsFilePath(), nav, *prop, *this);
    if (unsavedSettings)
        ApplySettings(*unsavedSettings, nav, *prop, *this);
    // Another model starts from an empty sky.
    if (receiver)
        receiver->FollowModel();
}

void NAV_FORM::Form_Load() {
    if (platform->program.AnotherInstanceRunning()) {
        Message(QStringLiteral("同時に複数起動することはできません。"), MsgButtons::Ok,
                MsgIcon::Exclamation);
        platform->program.Exit();
        return;
    }
    const QString words = platform->program.CommandLine();
    if (words.contains(u"FW"))
        Mnu_Sepa7.visible = Mnu_FW.visible = true;
    if (words.contains(u"LOG")) {
        Mnu_Sepa6.visible = Mnu_Rec_Log.visible = true;
        nav.HistoryLogOn = 1;
    }
    if (words.contains(u"REPLAY"))
        Mnu_Sepa5.visible = Mnu_Replay.visible = true;
    ReadSettings();
    GraphOpened = 0;
    SnapshotTaken = 1;
    nav.HourlySetDone = 0;
    nav.Pi = kPi;
    PrepareDisplay();
}

void NAV_FORM::Form_Unload() {
    Mnu_Quit_Click();
}

void NAV_FORM::Mnu_Quit_Click() {
    // A recording running at the end still gets its closing line; a failure is not worth a
    // message box on the way out.
    if (nav.RecordingOn == 1) {
        nav.RecordingOn = 0;
        WriteStopLine();
    }
    if (MSComm1->IsOpen())
        MSComm1->Close();
    if (MSComm2->IsOpen())
        MSComm2->Close();
    if (GraphOpened == 1 && showEnd)
        showEnd();
    platform->program.Exit();
}

void NAV_FORM::Mnu_Help_Click() {
    Message(QStringLiteral("Velsor GPS Analyzer がインストールされたメニューフォルダに、\r\n"
                           "「説明書.PDF」がありますので、そちらを読んでください。"),
            MsgButtons::Ok, MsgIcon::Exclamation);
}

void NAV_FORM::Mnu_Version_V_Click() {
    if (showAbout)
        showAbout();
}

int NAV_FORM::ConnectSteps() {
    // A step that fails with "not open" is passed over; any other failure ends the attempt.
    auto failed = [](int code) { return code != comm::kOk && code != comm::kPortNotOpen; };
    for (int i = 0; i < 8; ++i) {
        Label15[i].visible = false;
        Label6[i].bold = false;
        Label15[i].bold = false;
    }
    int code = comm::kOk;
    if (nav.TunerType == u"0")
        code = MSComm1->SetSettings(QStringLiteral("4800,n,8,1"));
    else if (nav.TunerType == u"1")
        code = MSComm1->SetSettings(QStringLiteral("9600,n,8,1"));
    else if (nav.TunerType == u"2") // the speed chosen in the dialog; no init command
        code = MSComm1->SetSettings(QString::number(nav.Baud) + QStringLiteral(",n,8,1"));
    if (failed(code))
        return code;
    code = SetPortNumber();
    if (failed(code))
        return code;
    code = MSComm1->Open();
    if (failed(code))
        return code;
    EnterMonitoring();
    if (connected)
        connected();
    if (nav.TunerType == u"0") {
        code = MSComm1->Write(kInitSentence);
        if (failed(code))
            return code;
    }
    ArmClockCorrection();
    return comm::kOk;
}

void NAV_FORM::EnterMonitoring() {
    if (receptionHint)
        receptionHint->Connected(); // a new link is judged afresh
    if (receiver)
        receiver->ResetFields();
    Label11.caption = kMonitoring;
    Mnu_Rec.enabled = true;
    SetRecordButtons(nav.RecordingOn == 1);
    Label18.visible = true;
}

void NAV_FORM::ArmClockCorrection() {
    nav.ClockSetWait = 0;
    if (prop && prop->Check2.value == 1)
        nav.ClockSetDone = 0;
}

bool NAV_FORM::LinkLostSince(bool wasOpen) const {
    // A modal step runs other events: the tuner may have gone meanwhile, and the disconnect
    // has already ended the recording and put the window in its idle look.
    return wasOpen && !MSComm1->IsOpen();
}

int NAV_FORM::SetPortNumber() {
    if (!nav.CommPortName.isEmpty())
        return MSComm1->SetPortName(nav.CommPortName);
    const auto port = StrictInt16(nav.CommPortNo);
    return port ? MSComm1->SetCommPort(*port) : comm::kTypeMismatch;
}

void NAV_FORM::ReportConnectError(int code) {
    // A port chosen by name that is not there (unplugged since, or named by a settings file
    // of another machine): say which, and let the user choose again.
    if (code == comm::kInvalidPortNumber && !nav.CommPortName.isEmpty()) {
        Message(QStringLiteral("指定したポート「%1」が見つかりません。\r\n"
                               "受信機がつながっているか確かめて、ポートを選び直してください。")
                    .arg(platform::ShownPortName(nav.CommPortName)),
                MsgButtons::Ok, MsgIcon::Exclamation);
        Mnu_Prop_Click();
        return;
    }
    Message(kCantConnect, MsgButtons::Ok, MsgIcon::Exclamation);
    if (MSComm1->IsOpen())
        MSComm1->Close();
    Message(QStringLiteral("Connect Error = ") + QString::number(code), MsgButtons::Ok,
            MsgIcon::None);
}

void NAV_FORM::ConnectFailed(int code) {
    Label11.caption = kIdle;
    ReportConnectError(code);
    ReadSettings();
}

void NAV_FORM::Mnu_Start_Click() {
    if (MSComm1->IsOpen())
        return;
    if (const int code = ConnectSteps(); code != comm::kOk)
        ConnectFailed(code);
}

void NAV_FORM::Mnu_Stop_Click() {
    if (MSComm1->IsOpen())
        MSComm1->Close();
    if (MSComm2->IsOpen())
        MSComm2->Close();
    Label11.caption = kIdle;
    nav.RxActivityCount = 0;
    Mnu_Rec_Stop_Click();
    // No correction is claimed once the link is gone.
    Label14.backColor = kGrey;
    Label14.toolTip = kTunerTip;
    Label18.visible = false;
    for (auto& img : Image3)
        img.visible = false;
    Mnu_Rec.enabled = false;
    for (auto& img : Image1)
        img.visible = false;
    for (auto& img : Image2)
        img.visible = false;
}

void NAV_FORM::Mnu_Ini_Click() {
    // The init command goes out at the GT-74/77's own 4800 baud: at any other rate the
    // receiver cannot read it, and the port left open would decode its output as noise.
    const bool wasOpen = MSComm1->IsOpen();
    if (wasOpen)
        MSComm1->Close();
    int code = MSComm1->SetSettings(QStringLiteral("4800,n,8,1"));
    if (code == comm::kOk)
        code = SetPortNumber();
    if (code == comm::kOk)
        code = MSComm1->Open();
    if (code == comm::kOk)
        code = MSComm1->Write(kInitSentence);
    if (code != comm::kOk) {
        // No link: the idle look, and a recording that was running ends properly.
        if (MSComm1->IsOpen())
            MSComm1->Close();
        Mnu_Stop_Click();
        ReportConnectError(code);
        return;
    }
    // The port is open and data flows: the window says so, as after a connect.
    EnterMonitoring();
    if (!wasOpen) {
        ArmClockCorrection();
        if (connected)
            connected();
    }
}

void NAV_FORM::MSComm1_OnComm() {
    const int event = MSComm1->CommEvent();
    if (event == comm::kEvNoData) {
        // A network source that is up but quiet: said from the event loop, once however often
        // it falls quiet while the box waits; the reception lamp has already gone dark.
        if (std::find(pendingTells.begin(), pendingTells.end(), kNoData) == pendingTells.end())
            TellLater(kNoData);
        return;
    }
    nav.RxActivityCount = 4;
    if (event == comm::kEvReceive) {
        RxBytes = MSComm1->ReadAll();
        // Forwarded unchanged before any decoding; a failed write does not stop reception.
        forwarder->Forward(RxBytes);
        if (onReceived)
            onReceived(RxBytes);
        RxChunk = QString::fromLatin1(RxBytes);
        receiver->AssembleLines(RxChunk);
    } else if (event == comm::kEvDeviceLost) {
        // The receiver was unplugged or its device vanished: the port is already closed. Go
        // idle (which also ends a recording cleanly) and say so.
        Mnu_Stop_Click();
        if (changed)
            changed(); // show the idle look behind the message
        Message(kCantConnect, MsgButtons::Ok, MsgIcon::Exclamation);
        return;
    }
    if (changed)
        changed();
}

void NAV_FORM::Mnu_Prop_Click() {
    if (MSComm1->IsOpen()) {
        nav.RxActivityCount = 0;
        if (nav.RecordingOn == 1) {
            Message(QStringLiteral(
                        "ＧＰＳチューナとの通信を停止します。\r\n生データの記録を停止します。"),
                    MsgButtons::Ok, MsgIcon::Exclamation);
            Mnu_Rec_Stop_Click();
            Mnu_Stop_Click();
        } else {
            Message(QStringLiteral("ＧＰＳチューナとの通信を停止します。"), MsgButtons::Ok,
                    MsgIcon::Exclamation);
            Mnu_Stop_Click();
        }
    }
    for (auto& img : Image1)
        img.visible = false;
    Label11.caption = kIdle;
    Mnu_Rec.enabled = false;
    if (prop)
        prop->ListPorts(platform->serialPorts.AvailablePorts());
    if (showProperties)
        showProperties();
    ReadSettings();
}

void NAV_FORM::Mnu_Rec_Log_Click() {
    if (showGraph)
        showGraph();
    GraphOpened = 1;
}

void NAV_FORM::Mnu_Analysis_Click() {
    if (showAnalysis)
        showAnalysis();
}

void NAV_FORM::Mnu_Replay_Click() {
    if (MSComm1->IsOpen()) {
        const bool recording = nav.RecordingOn == 1;
        const MsgResult answer =
            Message(recording ? QStringLiteral("通信中、データ記録中です。終了しますか？")
                              : QStringLiteral("通信中です。終了しますか？"),
                    MsgButtons::YesNo, MsgIcon::None);
        if (answer != MsgResult::Yes)
            return;
        platform->dialogs.SetBusyPointer(true);
        if (recording)
            Mnu_Rec_Stop_Click();
        Mnu_Stop_Click();
        // The file dialog comes next: not under the hourglass.
        platform->dialogs.SetBusyPointer(false);
    }
    if (showReplay)
        showReplay(); // frmPlayer: choose, load, show
}

void NAV_FORM::Mnu_FW_Click() {
    if (showForwarding)
        showForwarding();
}

} // namespace velsor
