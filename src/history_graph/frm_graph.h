#pragma once
// frmGraph: the reception history graph window. It loads a ".LOG" file into HistoryLines and
// draws satellites used, satellites in view and the fix mode over time into Picture1. The
// object lives for the whole run; the window on the screen may close and open again.

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
#include <vector>

namespace velsor {

struct CommandButton {
    QString caption;
    int left = 0, top = 0, width = 0, height = 0;
    bool enabled = true;
};

// A check box with the colours of its text and background.
struct ColorCheckBox : CheckBox {
    Rgb foreColor = kBlack;
    Rgb backColor = kWhite;
};

// The record as the graph reads it: field access that drops leading fields one "," at a time.
// A removal on text without "," leaves it unchanged.
QStringView DropFields(QStringView record, int count);
// A series value: the first two characters when both are digits and the first is 1 to 9, the
// first alone when it is 1 to 9, else 0.
int SeriesValue(QStringView rest);

// True for the file names an image can be saved under: ".png", ".pdf", ".svg", any case.
bool IsImageFileName(const QString& path);

class frmGraph {
public:
    static constexpr int kLineCount = 3361; // HistoryLines(0 To 3360)
    static constexpr int kMaxLines = 3360;  // lines a load reads at most
    // A record is a few dozen characters: a longer line keeps its first kMaxLineChars, and a
    // time-axis label its first kMaxLabelChars ("yy/mm/dd hh:mm" is 14).
    static constexpr qsizetype kMaxLineChars = 1024;
    static constexpr qsizetype kMaxLabelChars = 20;

    frmGraph(platform::Dialogs& dialogs, platform::Program& program);

    // Window.
    QString caption = QStringLiteral("衛星受信履歴");
    int clientWidth = 8070, clientHeight = 5715;
    Rgb backColor = kWhite;

    Label Label1, Label2, Label4, Label6;
    CommandButton Command1;
    ColorCheckBox Check1, Check2, Check3;
    PictureBox Picture1;
    std::array<Label, 14> Label3;      // axis numbers
    std::array<LineControl, 21> Line2; // axis ticks
    LineControl Line3;                 // zero level
    MenuItem Mnu_File, Mnu_File_Open, Mnu_File_Sepa1, Mnu_Print, Mnu_File_SaveImage, Mnu_File_Sepa2,
        Mnu_File_Quit;

    // The top of the satellite counts' scale (the left column): 10 while every count of the
    // file is within 10, else its largest count rounded up to a multiple of 10. The fix series
    // keeps the 0 to 10 scale; when the counts' scale grows, the right column names its levels.
    int CountScale = 10;

    // The loaded history; kept while the window is closed.
    QString HistoryFilePath;
    std::vector<QString> HistoryLines;
    std::int16_t HistoryLastIndex = 0;

    bool Loaded() const { return loaded; }

    void Form_Load();
    void Form_Unload();
    void Check1_Click();
    void Check2_Click();
    void Check3_Click();
    void Command1_Click();
    void Mnu_File_Open_Click();
    void Mnu_Print_Click();
    void Mnu_File_SaveImage_Click();
    void Mnu_File_Quit_Click();

    void LoadHistoryFile();
    void DrawHistoryGraph();

    // The view's printer of this window's client area; none in a model-only run.
    platform::Printer* printer = nullptr;
    // Set by the view: closes the window on the screen (which unloads it).
    std::function<void()> closeWindow;
    // Longest stretch of work between two turns of the event loop, in milliseconds. 0 turns
    // the loop at every opportunity.
    int yieldIntervalMs = 15;

private:
    // Turns the event loop when the interval has passed. False when the caller must stop:
    // its work has been superseded or its window closed.
    bool Yield(const std::uint64_t& generation, std::uint64_t mine);
    void Busy(bool on);
    void DrawFrame();
    // CountScale from the records 0 to HistoryLastIndex, and the axis labels that show it.
    void SetScale();
    void ClearLines();
    // Clears the lines and loads the file again; false when a load is still running.
    bool Reload();
    void SaveImageTo(const QString& path);
    platform::MsgResult Message(const QString& text, platform::MsgButtons buttons);

    platform::Dialogs& dialogs;
    platform::Program& program;
    bool loaded = false;
    bool loading = false; // a load holds channel 1
    bool busy = false;    // the hourglass is shown
    std::uint64_t drawGeneration = 0;
    std::uint64_t loadGeneration = 0;
    QElapsedTimer sinceYield;
};

} // namespace velsor
