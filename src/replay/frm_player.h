#pragma once
// frmPlayer: the replay window's model. Loads a recording file and feeds the snapshot at the
// scroll bar's value to the decoders, so the main window shows it as it showed live data.

#include "nav/controls.h"
#include "nav/nav.h"
#include "platform/dialogs.h"
#include "platform/program.h"

#include <QElapsedTimer>
#include <QString>

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>

namespace velsor {

class NAV_FORM;
class Receiver;

class frmPlayer {
public:
    frmPlayer(Nav& nav, NAV_FORM& form, Receiver& receiver, platform::Dialogs& dialogs,
              platform::Program& program);

    QString caption = QStringLiteral("記録データの再生");
    int clientWidth = 3990, clientHeight = 1455;
    Rgb backColor = kGrey;
    int Left = 0, Top = 0; // outer position on the screen, twips
    bool loaded = false;   // between Form_Load and Form_Unload
    bool busy = false;     // the hourglass over this window

    ScrollBar HScroll1;
    std::array<Image, 2> Image4; // the open-file button and its pressed look
    Label Label3;                // the file replayed
    std::array<Label, 1> Label1; // the file's first line
    std::array<Label, 1> Label2; // its "Stopped." line

    // The rest of the menu command once the link is down: choose and load a file, then show
    // the window modeless, even when nothing was loaded.
    void StartFromMenu();
    void OpenReplayFile();
    void LoadReplayFile();

    void Form_Load();
    void Form_Unload();
    void HScroll1_Change();
    void Image4_MouseDown(int index, int button, int shift, int x, int y);
    void Image4_MouseUp(int index, int button, int shift, int x, int y);

    // The scroll bar's properties as the program or the user sets them. A changed value runs
    // HScroll1_Change; a maximum or minimum that leaves the value outside brings it in.
    void SetHScroll1Value(int value);
    void SetHScroll1Max(int max);
    void SetHScroll1Min(int min);

    // The large step (a click beside the thumb, Page keys): an hour of recorded time, 20
    // snapshots, so that a week is crossed in reasonable steps; but no more than a tenth of the
    // file, so that a short file still has several pages.
    static constexpr int kLargeStep = 20;
    static int LargeStep(int max) { return std::clamp(max / 10, 1, kLargeStep); }
    // The loader lets the window system in at most this often.
    static constexpr int kYieldMs = 15;
    int yieldMs = kYieldMs;

    // Set by the view. show: the window, modeless; changed: the model changed inside a
    // handler (render now); mainWindowCorner: the main window's outer left and top in twips.
    std::function<void()> show;
    std::function<void()> changed;
    std::function<std::array<int, 2>()> mainWindowCorner;

    // Loads begun so far; a load that sees a newer one at its yield stops there.
    int Loads() const { return loadGeneration; }
    // Snapshots of whole epochs the last load left out whole (cut short, too long).
    int skipped = 0;

private:
    enum class Outcome { Loaded, Refused, Cancelled, Abandoned };
    bool ChooseFile(bool mainDialog);
    void SetFileCaption();
    // The shared reading with its refusal and error handling; Abandoned when a newer load or
    // the window's closing took over during a yield.
    Outcome ReadAndCheck();
    void ClearLines();
    void PrepareForLoad();
    void Refuse();
    void DetectTuner();
    void PrimeDate(int block);
    void FeedBlock(int block);
    // A snapshot of whole epochs (Nav::ReplayText).
    void FeedEpoch(int block);
    void Fatal();
    void Changed();

    Nav& nav;
    NAV_FORM& form;
    Receiver& receiver;
    platform::Dialogs& dialogs;
    platform::Program& program;
    int loadGeneration = 0;
    QElapsedTimer sinceYield;
    QString mainDialogName, recordFileSeen, ownDialogName;
};

} // namespace velsor
