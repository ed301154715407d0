#include "history_graph/frm_graph.h"

#include "nav/file_channels.h"
#include "nav/line_reader.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace velsor {

using platform::MsgButtons;
using platform::MsgResult;

namespace {

constexpr int kChannel = 1;
constexpr Rgb kRed = RGB(255, 0, 0);
constexpr Rgb kBlue = RGB(0, 0, 255);
constexpr Rgb kGreen = RGB(0, 255, 0);
// The fix-mode caption: the line colour is too pale to read as text.
constexpr Rgb kCaptionGreen = RGB(0, 160, 0);

const QString kInUse =
    QStringLiteral("現在ファイル使用中につき、読み込みできません。再度、実行してください。");

Label WhiteLabel(const QString& caption, int left, int top, int width, int height) {
    Label l = MakeLabel(caption, left, top, width, height);
    l.backColor = kWhite;
    return l;
}

ColorCheckBox MakeCheck(const QString& caption, int left, int width, Rgb color, int value) {
    ColorCheckBox c;
    c.caption = caption;
    c.left = left;
    c.top = 360;
    c.width = width;
    c.height = 255;
    c.foreColor = color;
    c.value = value;
    return c;
}

MenuItem Menu(const char* caption, const char* shortcut = "") {
    MenuItem m;
    m.caption = QString::fromUtf8(caption);
    m.shortcut = QString::fromLatin1(shortcut);
    return m;
}

} // namespace

QStringView DropFields(QStringView record, int count) {
    for (int n = 0; n < count; ++n) {
        const qsizetype comma = record.indexOf(u',');
        if (comma < 0)
            break;
        record = record.mid(comma + 1);
    }
    return record;
}

int SeriesValue(QStringView rest) {
    if (rest.isEmpty() || rest[0] < u'1' || rest[0] > u'9')
        return 0;
    const int first = rest[0].unicode() - u'0';
    if (rest.size() > 1 && rest[1] >= u'0' && rest[1] <= u'9')
        return first * 10 + (rest[1].unicode() - u'0');
    return first;
}

frmGraph::frmGraph(platform::Dialogs& d, platform::Program& p)
    : HistoryLines(kLineCount), dialogs(d), program(p) {
    Label1 = WhiteLabel(
        QStringLiteral("注意：ＧＰＳクォリティが \"0\" の場合、受信衛星数を 0 としています。"), 360,
        120, 7095, 255);
    Command1 = CommandButton{QStringLiteral("更新(&R)"), 6720, 120, 975, 375, true};
    Label2 = WhiteLabel(QStringLiteral("受信個数"), 120, 360, 855, 255);
    Check1 = MakeCheck(QStringLiteral("受信衛星(測位使用)"), 1440, 1935, kRed, 1);
    Check2 = MakeCheck(QStringLiteral("受信可能衛星"), 3600, 1455, kBlue, 1);
    Check3 = MakeCheck(QStringLiteral("測位状態"), 5280, 1095, kCaptionGreen, 0);
    Picture1.left = 480;
    Picture1.top = 720;
    Picture1.width = 7215;
    Picture1.height = 4095;
    Picture1.backColor = kWhite;
    Picture1.scaleWidth = 7215;
    Picture1.scaleHeight = 4095;
    Label4 = WhiteLabel(
        QStringLiteral("測位状態目盛について：　１－受信不能、２－２Ｄ測位、３－３Ｄ測位"), 600,
        4920, 7095, 255);
    Label6 = WhiteLabel(
        QStringLiteral(
            "注意：このフォームは、作者のデバッグ用です。生データを記録する３の倍数時刻の"
            "更新は避けてく　　　　　ださい。正確な表示が必要な場合は、記録した生データ"
            "の *.CSV ファイルを加工してください。"),
        240, 5160, 7575, 495);
    Label6.foreColor = kRed;

    for (int k = 0; k <= 10; ++k)
        Label3[k] = WhiteLabel(QString::number(10 - k), 0, 600 + 360 * k, 255, 255);
    Label3[11] = WhiteLabel(QStringLiteral("5"), 7680, 2400, 255, 255);
    Label3[12] = WhiteLabel(QStringLiteral("10"), 7680, 600, 255, 255);
    Label3[13] = WhiteLabel(QStringLiteral("0"), 7680, 4200, 255, 255);
    for (int k = 0; k <= 9; ++k)
        Line2[k] = LineControl{360, 720 + 360 * k, 480, 720 + 360 * k, kBlack};
    for (int k = 10; k <= 20; ++k) {
        const int y = 4320 - 360 * (k - 10);
        Line2[k] = LineControl{7680, y, 7800, y, kBlack};
    }
    Line3 = LineControl{360, 4320, 7680, 4320, kBlack};

    Mnu_File = Menu("ﾌｧｲﾙ(&F)");
    Mnu_File_Open = Menu("ﾌｧｲﾙを開く(&O)", "Ctrl+O");
    Mnu_File_Sepa1 = Menu("-");
    Mnu_Print = Menu("印刷(&P)", "Ctrl+P");
    Mnu_File_SaveImage = Menu("画像として保存(&S)...", "Ctrl+S");
    Mnu_File_Sepa2 = Menu("-");
    Mnu_File_Quit = Menu("終了(&Q)", "Ctrl+Q");
}

MsgResult frmGraph::Message(const QString& text, MsgButtons buttons) {
    return platform::WindowMessage(dialogs, text, buttons);
}

void frmGraph::Busy(bool on) {
    if (busy == on)
        return;
    busy = on;
    dialogs.SetBusyPointer(on);
}

void frmGraph::DrawFrame() {
    const double W = Picture1.scaleWidth, H = Picture1.scaleHeight;
    Picture1.Line(0, H - 500, W, H - 500, kBlack);
    Picture1.Line(0, 0, 0, H - 400, kBlack);
    Picture1.Line(W - 15, 0, W - 15, H - 400, kBlack);
}

void frmGraph::SetScale() {
    const int L = HistoryLastIndex;
    int largest = 0;
    for (int i = 0; i <= L && i < kLineCount; ++i) {
        const QString& r = HistoryLines[i];
        largest = std::max({largest, SeriesValue(DropFields(r, 2)), SeriesValue(DropFields(r, 3))});
    }
    CountScale = largest <= 10 ? 10 : (largest + 9) / 10 * 10;
    const bool grown = CountScale != 10;
    for (int k = 0; k <= 10; ++k) {
        Label3[k].caption = QString::number(CountScale * (10 - k) / 10);
        // "100" needs more room than two digits; the tick marks start at 360.
        Label3[k].width = CountScale >= 100 ? 345 : 255;
    }
    // The right column: the counts' 0, 5 and 10 as before, or the fix levels 1, 2 and 3 beside
    // their ticks in the fix series' colour.
    struct Place {
        const char16_t* text;
        int top;
    };
    static constexpr Place counts[] = {{u"5", 2400}, {u"10", 600}, {u"0", 4200}};
    static constexpr Place levels[] = {{u"1", 3840}, {u"2", 3480}, {u"3", 3120}};
    for (int k = 0; k < 3; ++k) {
        const Place& p = grown ? levels[k] : counts[k];
        Label& l = Label3[11 + k];
        l.caption = QString::fromUtf16(p.text);
        l.top = p.top;
        l.foreColor = grown ? kCaptionGreen : kBlack;
    }
}

void frmGraph::Form_Load() {
    Check1.value = 1;
    Check2.value = 1;
    Check3.value = 0;
    Picture1.Cls();
    DrawFrame();
    loaded = true;
}

void frmGraph::Form_Unload() {
    // A load or drawing still running stops at its next turn of the event loop.
    ++loadGeneration;
    ++drawGeneration;
    if (loading) {
        FileChannels::Instance().Close(kChannel);
        loading = false;
    }
    Busy(false);
    loaded = false;
}

void frmGraph::Check1_Click() {
    DrawHistoryGraph();
}
void frmGraph::Check2_Click() {
    DrawHistoryGraph();
}
void frmGraph::Check3_Click() {
    DrawHistoryGraph();
}

void frmGraph::ClearLines() {
    for (QString& line : HistoryLines)
        line.clear();
}

bool frmGraph::Reload() {
    // Clearing under a running load would leave its first lines empty: say the file is busy.
    if (loading) {
        Message(kInUse, MsgButtons::Ok);
        return false;
    }
    ClearLines();
    LoadHistoryFile();
    return true;
}

void frmGraph::Command1_Click() {
    if (HistoryFilePath.isEmpty())
        return;
    if (Reload() && !program.ExitRequested())
        DrawHistoryGraph();
}

void frmGraph::Mnu_File_Open_Click() {
    platform::FileDialogOptions o;
    o.title = QStringLiteral("ﾌｧｲﾙを開く");
    o.defaultExt = QStringLiteral("LOG");
    o.filter = QStringLiteral("LOGﾌｧｲﾙ(*.LOG)|*.LOG|");
    o.fileMustExist = false;
    const QString path = dialogs.OpenFile(o);
    if (path.isEmpty())
        return;
    if (loading) {
        Message(kInUse, MsgButtons::Ok);
        return;
    }
    HistoryFilePath = path;
    if (Reload() && !program.ExitRequested())
        DrawHistoryGraph();
}

bool frmGraph::Yield(const std::uint64_t& generation, std::uint64_t mine) {
    if (!sinceYield.isValid() || sinceYield.elapsed() >= yieldIntervalMs) {
        program.ProcessEvents();
        sinceYield.start();
    }
    // A quit that came in through the events ends the work as well.
    return generation == mine && !program.ExitRequested();
}

void frmGraph::LoadHistoryFile() {
    Busy(true);
    sinceYield.start();
    // A device, a pipe or a folder is no history: silent, as an unreadable file. Reading
    // /dev/zero would never end.
    if (const QFileInfo info(HistoryFilePath); info.exists() && !info.isFile())
        return;
    FileChannels& ch = FileChannels::Instance();
    const int err = ch.Open(kChannel, HistoryFilePath, FileChannels::Mode::Input);
    if (err != fileerr::kOk) {
        // The pointer is reset by the drawing that follows every load.
        if (err == fileerr::kAlreadyOpen)
            Message(kInUse, MsgButtons::Ok);
        return;
    }
    loading = true;
    const std::uint64_t mine = ++loadGeneration;
    QIODevice* const dev = ch.Device(kChannel);
    LineReader reader(*dev, kMaxLineChars);
    // False when the window closed (it released the channel) or the program is ending.
    auto yield = [&] { return Yield(loadGeneration, mine) && ch.Device(kChannel) == dev; };
    auto stop = [&] {
        if (loadGeneration == mine && ch.Device(kChannel) == dev) {
            ch.Close(kChannel); // the program is ending: leave nothing open
            loading = false;
        }
    };
    int i = 0;
    for (;;) {
        if (!yield())
            return stop();
        const LineReader::Result res = reader.Next(yield);
        if (res == LineReader::Result::Aborted)
            return stop();
        if (res != LineReader::Result::Line) {
            // An empty or unreadable file: the lines read so far stay, the index does not
            // move, and the file is released at once.
            ch.Close(kChannel);
            loading = false;
            return;
        }
        HistoryLines[i] = reader.Text();
        if (!yield())
            return stop();
        ++i;
        if (i == kMaxLines || reader.AtEnd())
            break;
    }
    ch.Close(kChannel);
    loading = false;
    HistoryLastIndex = static_cast<std::int16_t>(i - 1);
    Busy(false);
}

void frmGraph::DrawHistoryGraph() {
    const std::uint64_t mine = ++drawGeneration;
    Busy(true);
    sinceYield.start();
    const double W = Picture1.scaleWidth, H = Picture1.scaleHeight;
    const int L = HistoryLastIndex;
    Picture1.Cls();
    DrawFrame();
    if (L > 18) {
        for (int k = 1; k <= 5; ++k)
            Picture1.Line(W * k / 6, H - 500, W * k / 6, H - 400, kBlack);
    }

    struct Series {
        const ColorCheckBox& box;
        int leadingFields;
        Rgb color;
        bool toFirstEmpty; // the used series ends at the first empty record, not after L
    };
    const Series series[] = {
        {Check2, 3, kBlue, false},
        {Check1, 2, kRed, true},
        {Check3, 4, kGreen, false},
    };
    SetScale();
    // Counts on their scale; the fix levels always on 0 to 10.
    const double U = (H - 500) / 10, countU = (H - 500) / CountScale;
    // With no records after the first there is no step: every walk ends at once.
    const double S = L != 0 ? W / L : 0;
    auto yOf = [&](const QString& record, int fields) {
        return (H - 500) - (fields == 4 ? U : countU) * SeriesValue(DropFields(record, fields));
    };
    for (const Series& s : series) {
        if (s.box.value != 1)
            continue;
        double xPrev = 0, yPrev = yOf(HistoryLines[0], s.leadingFields), x = 0;
        for (int i = 1; i < kLineCount; ++i) {
            // A newer drawing has taken the surface, or the window closed.
            if (!Yield(drawGeneration, mine))
                return;
            const QString& record = HistoryLines[i];
            if (s.toFirstEmpty ? record.isEmpty() : L < i)
                break;
            const double y = yOf(record, s.leadingFields);
            x += S;
            Picture1.Line(xPrev, yPrev, x, y, s.color);
            xPrev = x;
            yPrev = y;
        }
    }

    Picture1.foreColor = kBlack;
    auto label = [&](int record, double x, double y) {
        const QStringView rest = DropFields(HistoryLines[record], 1);
        const qsizetype comma = rest.indexOf(u',');
        if (comma >= 0)
            Picture1.Print(x, y, rest.left(std::min(comma, kMaxLabelChars)).toString());
    };
    label(0, 0, H - 380);
    if (L > 18) {
        for (int k = 1; k <= 5; ++k)
            label(k * (L / 6), W * k / 6 - 600, k % 2 == 1 ? H - 200 : H - 380);
    }
    label(L, W - 1150, H - 380);
    Busy(false);
}

void frmGraph::Mnu_File_Quit_Click() {
    if (loading) {
        FileChannels::Instance().Close(kChannel);
        loading = false;
    }
    if (closeWindow)
        closeWindow();
    else
        Form_Unload();
}

void frmGraph::Mnu_Print_Click() {
    if (printer)
        SaveImageTo(platform::PrintOrChoosePdf(*printer, caption, dialogs));
}

void frmGraph::Mnu_File_SaveImage_Click() {
    if (!printer)
        return;
    platform::FileDialogOptions o;
    o.title = QStringLiteral("画像として保存");
    o.defaultExt = QStringLiteral("PNG");
    o.filter = QStringLiteral("PNGﾌｧｲﾙ(*.PNG)|*.PNG|PDFﾌｧｲﾙ(*.PDF)|*.PDF|SVGﾌｧｲﾙ(*.SVG)|*.SVG|");
    o.overwritePrompt = true;
    SaveImageTo(dialogs.SaveFile(o));
}

bool IsImageFileName(const QString& path) {
    const QString ext = QFileInfo(path).suffix().toLower();
    return ext == u"png" || ext == u"pdf" || ext == u"svg";
}

void frmGraph::SaveImageTo(const QString& path) {
    if (path.isEmpty())
        return;
    if (!IsImageFileName(path)) {
        Message(QStringLiteral("PNG、PDF、SVG のいずれかの拡張子を付けてください。\r\n") +
                    QDir::toNativeSeparators(path),
                MsgButtons::Ok);
        return;
    }
    if (!printer->SaveWindowImage(path))
        Message(QStringLiteral("ファイルに保存できません。\r\n") + QDir::toNativeSeparators(path),
                MsgButtons::Ok);
}

} // namespace velsor
