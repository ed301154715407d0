#pragma once
// NAV_FORM: the main window's model. Controls are public property structs at their design
// values; the Qt view renders them.

#include "nav/controls.h"
#include "nav/display_list.h"
#include "nav/nav.h"
#include "platform/platform.h"
#include "settings/prop_form.h"

#include <QObject>
#include <QString>

#include <array>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace velsor {

// A menu entry with its place in the tree, for the view to build the menu bar from.
struct MenuEntry {
    const char* name;
    MenuItem* item;
    const char* parent; // nullptr: on the menu bar
    void (*handler)(class NAV_FORM&);
};

class NAV_FORM {
public:
    // The display-only model, as the decoding tools use it.
    explicit NAV_FORM(Nav& nav);
    // The program's main window on the given platform, with the properties dialog it feeds.
    NAV_FORM(Nav& nav, platform::Platform& platform, Prop_Form& prop);
    ~NAV_FORM();

    // Window.
    QString caption = QStringLiteral("Velsor GPS Analyzer");
    int clientWidth = 7215, clientHeight = 6615;
    Rgb backColor = kGrey;

    Label Label11;                    // operation state
    std::array<Image, 2> Image1;      // reception lamp: (0) bright, (1) dark
    Label Label14;                    // selected tuner, clock-correction indicator
    std::array<Label, 7> Label1;      // captions of the status fields
    Label Label2;                     // satellites used / in view
    std::array<Image, 4> Image2;      // fix lamps: (0),(1) 2D, (2),(3) 3D
    Label Label13;                    // fix state
    std::array<Label, 3> Label4;      // (0) UTC time, (1) JST date-time, (2) UTC date
    std::array<Label, 2> Label3;      // (0) latitude, (1) longitude
    PictureBox Picture1;              // sky plot
    std::array<Label, 8> Label15;     // satellite marks, inside Picture1
    Frame Frame1;                     // SNR legend
    std::array<Label, 4> Label12;     // legend entries
    Label Label18;                    // caption over the record buttons
    std::array<Image, 4> Image3;      // record buttons
    Label Label7;                     // bar scale
    std::array<LineControl, 7> Line1; // scale ticks
    Label Label5;                     // satellite-number header
    std::array<Label, 2> Label8;      // elevation / azimuth headers
    std::array<Label, 8> Label6;      // satellite numbers
    std::array<Shape, 8> dB1;         // signal bars
    std::array<Label, 8> Label9;      // elevations
    std::array<Label, 8> Label10;     // azimuths
    std::array<Label, 5> Label16;     // last raw sentences

    // Menus.
    MenuItem Mnu_File, Mnu_Connect, Mnu_Start, Mnu_Sepa2, Mnu_Stop, Mnu_Sepa1, Mnu_Rec,
        Mnu_Rec_Save, Mnu_Sepa4, Mnu_Rec_Stop, Mnu_Sepa8, Mnu_Quit;
    MenuItem Mnu_Option, Mnu_Prop, Mnu_Sepa10, Mnu_Analysis, Mnu_Sepa6, Mnu_Rec_Log, Mnu_Sepa5,
        Mnu_Replay, Mnu_Sepa7, Mnu_FW, Mnu_Sepa9, Mnu_Ini;
    MenuItem Mnu_Version, Mnu_Help, Mnu_Sepa3, Mnu_Version_V;
    // Every entry in menu order.
    std::vector<MenuEntry> Menus();

    // Serial ports: the tuner and the forwarding port. Null in the display-only model.
    std::unique_ptr<platform::SerialPort> MSComm1, MSComm2;
    // Copies received bytes to MSComm2 while it is open.
    std::unique_ptr<class Forwarder> forwarder;

    // Window-level state.
    std::int16_t GraphOpened = 0;
    std::int16_t SnapshotTaken = 1;
    QString SlotText;
    QByteArray RxBytes;
    QString RxChunk;

    // Start-up and exit.
    void Form_Load();
    void Form_Unload();
    void Mnu_Quit_Click();
    void Mnu_Help_Click();
    void Mnu_Version_V_Click();

    // Tuner connection.
    void Mnu_Start_Click();
    void Mnu_Stop_Click();
    void Mnu_Ini_Click();
    void MSComm1_OnComm();

    // Recording.
    void Mnu_Rec_Save_Click();
    void Mnu_Rec_Stop_Click();
    void WriteRecordBlock();
    void RecordingStep();
    // Appends one record, stamped with its snapshot's time, to the history file named after
    // RecordFile.
    void WriteHistoryRecord(const QString& slot, const QDateTime& taken, QStringView fix);
    void Image3_MouseDown(int index, int button, int shift, int x, int y);
    void Image3_MouseUp(int index, int button, int shift, int x, int y);

    // Properties, replay, history, forwarding: their windows arrive through these hooks.
    void Mnu_Prop_Click();
    void Mnu_Rec_Log_Click();
    void Mnu_Analysis_Click();
    void Mnu_Replay_Click();
    void Mnu_FW_Click();

    // Timers: Timer1 every 50 ms, Timer2 every 250 ms.
    void Timer1_Timer();
    void Timer2_Timer();
    static constexpr int kTimer1Interval = 50;
    static constexpr int kTimer2Interval = 250;

    // The settings file's path.
    QString SettingsFilePath() const;
    void ReadSettings();

    // Windows the view layer shows on request; each may be empty in tests.
    std::function<void()> showAbout;      // frmAbout, modal
    std::function<void()> showEnd;        // FrmEnd, ends the program
    std::function<void()> showProperties; // Prop_Form, modal
    std::function<void()> showGraph;      // frmGraph
    std::function<void()> showReplay;     // frmPlayer
    std::function<void()> showForwarding; // frmCom2, modal
    std::function<void()> showAnalysis;   // frmAnalysis
    // Called when a link to the tuner has been opened anew (not by the init command's reopening
    // of a link already open).
    std::function<void()> connected;
    // Called when the model changed outside a user action (received data, timers).
    std::function<void()> changed;
    // Every received chunk, after forwarding and before decoding; it must not wait.
    std::function<void(QByteArrayView)> onReceived;

    // The clock-correction indicator on the tuner label: corrected at a 2D or 3D fix.
    void ShowClockCorrected(bool at2D);
    // After an attempt to set the PC clock: the corrected look only when it was set; a refusal
    // greys the indicator and is told once per run, at the next Timer1 tick (never from inside
    // the receive path, which a message box would re-enter).
    void ShowClockCorrection(bool set, bool at2D);

    // Clears the sky plot and draws its fixed grid; sets SkyCenterX, SkyCenterY, SkyRadius.
    void DrawSkyGrid();

    // The display part of loading: lamps hidden, bars at zero width, no bold marks, grid drawn.
    void PrepareDisplay();

    Nav& nav;
    platform::Platform* platform = nullptr;
    Prop_Form* prop = nullptr;
    std::unique_ptr<class Receiver> receiver;
    // Watches the tuner's stream for a receiver that does not match the settings.
    std::unique_ptr<class ReceptionHint> receptionHint;
    // Shows that hint once per connection; called from Timer2.
    void CheckReceptionHint();

private:
    void SetRecordButtons(bool recording);
    void EnterMonitoring();
    void ArmClockCorrection();
    int WriteStopLine();
    bool LinkLostSince(bool wasOpen) const;
    void TellClockOff();
    void ConnectFailed(int code);
    int SetPortNumber();
    void ReportConnectError(int code);
    int ConnectSteps();
    bool SetPcClock(DateValue v);
    void WarnRecordWrite(int err);
    platform::MsgResult Message(const QString& text, platform::MsgButtons buttons,
                                platform::MsgIcon icon);
    // A warning raised from the event loop once the current handler has returned, never from
    // inside a timer tick or a receive event: the tick that records must not wait for OK.
    // Warnings queued while one is open follow it, one box at a time.
    void TellLater(const QString& text);
    void TellPending();
    std::deque<QString> pendingTells;
    bool tellScheduled = false;
    bool telling = false;
    // Cancels a scheduled TellPending when the window goes.
    std::unique_ptr<QObject> tellContext;
    bool recordWriteWarned = false;
    bool historyWriteWarned = false;
    // A slot minute of this recording passed with a fix but without a snapshot.
    bool slotMissed = false;
    bool clockOffTold = false;
    bool clockRefusalTold = false;
    // Settings chosen in the dialog that could not be saved: they hold for this run, over
    // whatever the file says.
    std::optional<SettingsValues> unsavedSettings;
};

// The history file of a recording file: its name without the last four characters, ".LOG";
// a recording named ".LOG" itself keeps its whole name, so records never go into it.
QString HistoryFileName(const QString& recordFile);
// "slot,yy/mm/dd hh:mm,used,inView,fix".
QString HistoryRecord(const QString& slot, const QDateTime& now, int used, int inView,
                      QStringView fix);

inline constexpr const char* kProgramTitle = "Velsor GPS Analyzer";

} // namespace velsor
