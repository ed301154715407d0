#pragma once
// frmAnalysis: the reception analysis window (受信解析). It shows one page at a time of the
// live session (gathered since connecting, also while the window is closed) or of a file
// read into it: a recording or a raw capture. The object lives for the whole run; the window
// on the screen may close and open again.

#include "analysis/analysis_pages.h"
#include "analysis/live_analysis.h"
#include "nav/controls.h"
#include "nav/display_list.h"
#include "platform/dialogs.h"
#include "platform/printer.h"
#include "platform/program.h"

#include <QElapsedTimer>
#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace velsor {

// Page tabs: one caption per page, one selected.
struct TabStrip {
    std::array<QString, analysis::kPages> captions;
    int selected = 0;
    int left = 0, top = 0, width = 0, height = 0;
};

class frmAnalysis {
public:
    // tunerType: the model raw captures are read with (the program's setting, read at each
    // open).
    frmAnalysis(const analysis::LiveAnalysis& live, std::function<QString()> tunerType,
                platform::Dialogs& dialogs, platform::Program& program);

    // Window.
    QString caption = QStringLiteral("受信解析");
    int clientWidth = 12240, clientHeight = 8820;
    Rgb backColor = kWhite;

    TabStrip Tab1;
    std::array<OptionButton, analysis::ReceptionAnalysis::kRanges> Option1; // history range
    bool Option1Visible = true;                                             // on its page
    Label Label1;                                                           // status
    PictureBox Picture1;                                                    // the page
    MenuItem Mnu_File, Mnu_File_Open, Mnu_File_Live, Mnu_File_Sepa1, Mnu_Print, Mnu_File_SaveImage,
        Mnu_File_Sepa2, Mnu_File_Quit;

    bool Loaded() const { return loaded; }
    bool ShowsFile() const { return file != nullptr; }
    analysis::Page CurrentPage() const { return analysis::Page(Tab1.selected); }
    // Counts the drawings of Picture1.
    std::uint64_t PictureVersion() const { return pictureVersion; }

    void Form_Load();
    void Form_Unload();
    void Tab1_Click(int index);
    // Ctrl+Tab, Ctrl+Shift+Tab: the next or the previous page, round.
    void NextPage(int step);
    void Option1_Click(int index);
    void Mnu_File_Open_Click();
    void Mnu_File_Live_Click();
    void Mnu_Print_Click();
    void Mnu_File_SaveImage_Click();
    void Mnu_File_Quit_Click();
    // Every second while the window is shown: a live page is drawn again when something new
    // has come and its interval has passed.
    void Timer1_Timer();
    static constexpr int kTimer1Interval = 1000;
    // Least time between two drawings of a live page.
    int redrawIntervalMs = 5000;

    // Reads a file in place of the live session; false when it cannot be read or a newer
    // read took over.
    bool LoadFile(const QString& path);

    // Every page as shown, for printing and saving.
    std::vector<PictureBox> Pages() const;
    // The analysis shown.
    const analysis::ReceptionAnalysis& Shown() const;

    // Set by the view.
    platform::Printer* printer = nullptr;
    std::function<void()> closeWindow;
    // Shows what changed during a long read, before the event loop turns.
    std::function<void()> changed;
    // Text widths in the view's face; an estimate without one.
    TextWidth measure = EstimateTextWidth;
    // Longest stretch of reading between two turns of the event loop, in milliseconds.
    int yieldIntervalMs = 15;

private:
    void Redraw();
    analysis::PageOptions Options() const;
    void SetRange(int index);
    void SaveImageTo(const QString& path);
    platform::MsgResult Message(const QString& text, platform::MsgButtons buttons);

    const analysis::LiveAnalysis& live;
    std::function<QString()> tunerType;
    platform::Dialogs& dialogs;
    platform::Program& program;
    std::unique_ptr<analysis::ReceptionAnalysis> file;
    QString fileName;
    bool loaded = false;
    std::uint64_t loadGeneration = 0;
    std::uint64_t drawnGeneration = ~std::uint64_t(0);
    std::uint64_t pictureVersion = 0;
    QElapsedTimer sinceDraw;
    QElapsedTimer sinceYield;
};

} // namespace velsor
