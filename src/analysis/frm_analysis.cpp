#include "analysis/frm_analysis.h"

#include "analysis/analysis_reader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace velsor {

using analysis::Page;
using analysis::ReceptionAnalysis;
using platform::MsgButtons;
using platform::MsgResult;

namespace {

MenuItem Menu(const char* caption, const char* shortcut = "") {
    MenuItem m;
    m.caption = QString::fromUtf8(caption);
    m.shortcut = QString::fromLatin1(shortcut);
    return m;
}

const QString kLive = QStringLiteral("受信中のデータ（接続のたびに新しく集計します）");

QString PathText(const QString& path) {
    return QDir::toNativeSeparators(path);
}

} // namespace

frmAnalysis::frmAnalysis(const analysis::LiveAnalysis& l, std::function<QString()> tuner,
                         platform::Dialogs& d, platform::Program& p)
    : live(l), tunerType(std::move(tuner)), dialogs(d), program(p) {
    for (int i = 0; i < analysis::kPages; ++i)
        Tab1.captions[std::size_t(i)] = analysis::PageName(Page(i));
    Tab1.left = 120;
    Tab1.top = 60;
    Tab1.width = 5400;
    Tab1.height = 390;
    const char* ranges[] = {"10分", "1時間", "1日", "全体"};
    for (int i = 0; i < ReceptionAnalysis::kRanges; ++i) {
        OptionButton& o = Option1[std::size_t(i)];
        o.caption = QString::fromUtf8(ranges[i]);
        o.left = 7200 + 1200 * i;
        o.top = 90;
        o.width = 1140;
        o.height = 315;
    }
    Option1[1].value = true;
    Label1 = MakeLabel(QString(), 120, 8430, 12000, 300);
    Label1.backColor = kWhite;
    Picture1.left = 120;
    Picture1.top = 510;
    Picture1.width = int(analysis::kPageWidth);
    Picture1.height = int(analysis::kPageHeight);
    Picture1.backColor = kWhite;

    Mnu_File = Menu("ﾌｧｲﾙ(&F)");
    Mnu_File_Open = Menu("ﾌｧｲﾙを開く(&O)...", "Ctrl+O");
    Mnu_File_Live = Menu("受信中のデータ(&L)", "Ctrl+L");
    Mnu_File_Sepa1 = Menu("-");
    Mnu_Print = Menu("印刷(&P)", "Ctrl+P");
    Mnu_File_SaveImage = Menu("画像として保存(&S)...", "Ctrl+S");
    Mnu_File_Sepa2 = Menu("-");
    Mnu_File_Quit = Menu("終了(&Q)", "Ctrl+Q");
}

MsgResult frmAnalysis::Message(const QString& text, MsgButtons buttons) {
    return platform::WindowMessage(dialogs, text, buttons);
}

const ReceptionAnalysis& frmAnalysis::Shown() const {
    return file ? *file : live.Data();
}

analysis::PageOptions frmAnalysis::Options() const {
    analysis::PageOptions o;
    for (int i = 0; i < ReceptionAnalysis::kRanges; ++i) {
        if (Option1[std::size_t(i)].value)
            o.range = ReceptionAnalysis::Range(i);
    }
    o.measure = measure;
    if (file) {
        o.source = analysis::SourceLine(*file, QFileInfo(fileName).fileName());
    } else if (live.Started()) {
        o.source = analysis::SourceLine(
            live.Data(),
            QStringLiteral("受信中（%1 接続）").arg(analysis::JstText(live.Data().SessionStart())));
    } else {
        o.source = QStringLiteral("受信中のデータ：まだ接続していません。");
    }
    return o;
}

void frmAnalysis::Redraw() {
    PictureBox pic = analysis::DrawPage(Shown(), CurrentPage(), Options());
    pic.left = Picture1.left;
    pic.top = Picture1.top;
    Picture1 = std::move(pic);
    drawnGeneration = Shown().Generation();
    ++pictureVersion;
    sinceDraw.start();
}

std::vector<PictureBox> frmAnalysis::Pages() const {
    std::vector<PictureBox> pages;
    const analysis::PageOptions o = Options();
    for (int p = 0; p < analysis::kPages; ++p)
        pages.push_back(analysis::DrawPage(Shown(), Page(p), o));
    return pages;
}

void frmAnalysis::Form_Load() {
    loaded = true;
    Mnu_File_Live.checked = !file;
    Label1.caption = file ? PathText(fileName) : kLive;
    Redraw();
}

void frmAnalysis::Form_Unload() {
    loaded = false;
    ++loadGeneration; // a read under way stops at its next turn
}

void frmAnalysis::Tab1_Click(int index) {
    if (index < 0 || index >= analysis::kPages)
        return;
    Tab1.selected = index;
    Option1Visible = index == int(Page::SignalHistory);
    Redraw();
}

void frmAnalysis::NextPage(int step) {
    Tab1_Click(((Tab1.selected + step) % analysis::kPages + analysis::kPages) % analysis::kPages);
}

void frmAnalysis::SetRange(int index) {
    for (int i = 0; i < ReceptionAnalysis::kRanges; ++i)
        Option1[std::size_t(i)].value = i == index;
}

void frmAnalysis::Option1_Click(int index) {
    if (index < 0 || index >= ReceptionAnalysis::kRanges)
        return;
    SetRange(index);
    Redraw();
}

void frmAnalysis::Timer1_Timer() {
    if (!loaded || file || live.Data().Generation() == drawnGeneration)
        return;
    if (sinceDraw.isValid() && sinceDraw.elapsed() < redrawIntervalMs)
        return;
    Redraw();
}

void frmAnalysis::Mnu_File_Open_Click() {
    platform::FileDialogOptions o;
    o.title = QStringLiteral("受信データを開く");
    o.filter = QStringLiteral("NMEA・記録ﾌｧｲﾙ(*.log;*.nmea;*.txt;*.CSV)|*.log;*.nmea;*.txt;*.CSV|"
                              "すべてのﾌｧｲﾙ(*.*)|*.*|");
    o.fileMustExist = true;
    const QString path = dialogs.OpenFile(o);
    if (!path.isEmpty())
        LoadFile(path);
}

bool frmAnalysis::LoadFile(const QString& path) {
    const QString cannot = QStringLiteral("ファイルを読み込めません。\r\n") + PathText(path);
    QFile f(path);
    // A device or a folder is no recording: reading it would never end.
    if (!QFileInfo(path).isFile() || !f.open(QIODevice::ReadOnly)) {
        Message(cannot, MsgButtons::Ok);
        return false;
    }
    const std::uint64_t mine = ++loadGeneration;
    auto data = std::make_unique<ReceptionAnalysis>();
    analysis::AnalysisReader reader(*data, tunerType ? tunerType() : QStringLiteral("0"));
    dialogs.SetBusyPointer(true);
    sinceYield.start();
    int shownPercent = -1;
    const QString error = reader.Read(f, [&](double share) {
        if (sinceYield.elapsed() < yieldIntervalMs)
            return true;
        const int percent = share >= 0 ? int(share * 100) : -1;
        if (percent != shownPercent) {
            shownPercent = percent;
            Label1.caption = percent >= 0 ? QStringLiteral("読み込み中… %1 %").arg(percent)
                                          : QStringLiteral("読み込み中…");
            if (changed)
                changed();
        }
        program.ProcessEvents();
        sinceYield.start();
        return loadGeneration == mine && !program.ExitRequested();
    });
    // A read that took over ran to its end inside one of this read's turns: the pointer is
    // this read's to restore in any case.
    dialogs.SetBusyPointer(false);
    if (loadGeneration != mine || program.ExitRequested())
        return false; // a newer read, a closed window or the program's end took over

    if (!error.isEmpty()) {
        Label1.caption = file ? PathText(fileName) : kLive;
        Message(cannot, MsgButtons::Ok);
        return false;
    }
    reader.Finish();
    file = std::move(data);
    fileName = path;
    Mnu_File_Live.checked = false;
    Label1.caption = PathText(path);
    if (file->Epochs() == 0)
        Label1.caption +=
            QStringLiteral("　（エポックがありません：受信機の機種の設定を確かめてください）");
    Redraw();
    return true;
}

void frmAnalysis::Mnu_File_Live_Click() {
    ++loadGeneration;
    file.reset();
    fileName.clear();
    Mnu_File_Live.checked = true;
    Label1.caption = kLive;
    Redraw();
}

void frmAnalysis::Mnu_Print_Click() {
    if (printer)
        SaveImageTo(platform::PrintOrChoosePdf(*printer, caption, dialogs));
}

void frmAnalysis::Mnu_File_SaveImage_Click() {
    if (!printer)
        return;
    platform::FileDialogOptions o;
    o.title = QStringLiteral("画像として保存");
    o.defaultExt = QStringLiteral("PNG");
    o.filter = QStringLiteral("PNGﾌｧｲﾙ(*.PNG)|*.PNG|PDFﾌｧｲﾙ(*.PDF)|*.PDF|");
    o.overwritePrompt = true;
    SaveImageTo(dialogs.SaveFile(o));
}

void frmAnalysis::SaveImageTo(const QString& path) {
    if (path.isEmpty())
        return;
    const QString ext = QFileInfo(path).suffix().toLower();
    if (ext != u"png" && ext != u"pdf") {
        Message(QStringLiteral("PNG、PDF のいずれかの拡張子を付けてください。\r\n") +
                    PathText(path),
                MsgButtons::Ok);
        return;
    }
    if (!printer->SaveWindowImage(path))
        Message(QStringLiteral("ファイルに保存できません。\r\n") + PathText(path), MsgButtons::Ok);
}

void frmAnalysis::Mnu_File_Quit_Click() {
    if (closeWindow)
        closeWindow();
    else
        Form_Unload();
}

} // namespace velsor
