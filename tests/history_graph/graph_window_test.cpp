// The graph window on the screen (offscreen): its menu, its check boxes, and the image it
// prints and saves, on a real CUPS queue with the cups-pdf backend and into real files.

#include "support/graph_support.h"
#include "views/graph_view.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDeadlineTimer>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QThread>

#include <algorithm>
#include <memory>

using namespace velsor;
using platform::MsgResult;
using velsor::testing::GraphRig;

namespace {

struct ViewRig : GraphRig {
    ViewRig() {
        view = std::make_unique<views::GraphView>(graph);
        view->Open();
        QCoreApplication::processEvents();
    }
    ~ViewRig() { view.reset(); }
    QAction* Action(const char* name) { return view->findChild<QAction*>(QLatin1String(name)); }
    std::unique_ptr<views::GraphView> view;
};

QByteArray RunTool(const QString& program, const QStringList& args, int* exitCode = nullptr) {
    QProcess p;
    p.start(program, args);
    p.waitForFinished(30000);
    if (exitCode)
        *exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return p.readAllStandardOutput();
}

QString PdfText(const QString& pdf) {
    return QString::fromUtf8(RunTool(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")}));
}

int PdfPages(const QString& pdf) {
    const QString info = QString::fromUtf8(RunTool(QStringLiteral("pdfinfo"), {pdf}));
    for (const QString& line : info.split(u'\n')) {
        if (line.startsWith(u"Pages:"))
            return line.mid(6).trimmed().toInt();
    }
    return 0;
}

} // namespace

TEST(GraphView, MenuAndCheckBoxesReachTheModel) {
    ViewRig rig;
    EXPECT_EQ(rig.view->windowTitle(), u"衛星受信履歴");
    EXPECT_EQ(rig.view->ClientArea()->size(), QSize(538, 381));
    const auto* menu = rig.view->findChild<QMenu*>(QStringLiteral("Mnu_File"));
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->title(), u"ﾌｧｲﾙ(&F)");
    QStringList shown;
    for (QAction* a : menu->actions())
        shown << (a->isSeparator() ? QStringLiteral("-")
                                   : a->text() + u' ' + a->shortcut().toString());
    EXPECT_EQ(shown, (QStringList{"ﾌｧｲﾙを開く(&O) Ctrl+O", "-", "印刷(&P) Ctrl+P",
                                  "画像として保存(&S)... Ctrl+S", "-", "終了(&Q) Ctrl+Q"}));

    rig.graph.HistoryFilePath = rig.Write(QStringLiteral("a.LOG"), GraphRig::Records(30));
    auto* fix = rig.view->findChild<QCheckBox*>(QStringLiteral("Check3"));
    ASSERT_FALSE(fix->isChecked());
    fix->click();
    EXPECT_EQ(rig.graph.Check3.value, 1);
    EXPECT_EQ(rig.graph.Picture1.ops.size(), 3u) << "a click redraws; nothing is loaded yet";
    rig.view->findChild<QPushButton*>(QStringLiteral("Command1"))->click();
    EXPECT_EQ(rig.graph.HistoryLastIndex, 29);
    EXPECT_EQ(rig.graph.Picture1.ops.size(), 3u + 5 + 3 * 29 + 7);

    // Quitting hides the window; opening it again starts from the design state.
    rig.Action("Mnu_File_Quit")->trigger();
    EXPECT_FALSE(rig.view->isVisible());
    EXPECT_FALSE(rig.graph.Loaded());
    rig.view->Open();
    EXPECT_TRUE(rig.view->isVisible());
    EXPECT_FALSE(fix->isChecked());
    EXPECT_EQ(rig.graph.Picture1.ops.size(), 3u);
}

// Printing and saving as the model sees it, on a printer that does what the case says.
TEST(GraphWindow, PrintAndSaveMessages) {
    struct ScriptedPrinter : platform::Printer {
        platform::PrintResult result = platform::PrintResult::Printed;
        bool saves = true;
        QStringList saved;
        platform::PrintResult PrintWindow(const QString&) override { return result; }
        bool SaveWindowImage(const QString& path) override {
            saved << path;
            return saves;
        }
    };
    struct Case {
        const char* name;
        bool print; // else "save as image"
        platform::PrintResult result;
        std::vector<MsgResult> answers;
        QStringList files;
        bool saves;
        QStringList messages, saved;
    };
    const QString noPrinter = QStringLiteral(
        "プリンタがインストールされていません。\r\n代わりに PDF ファイルとして保存しますか？");
    const QString cannotSave = QStringLiteral("ファイルに保存できません。\r\n");
    const std::vector<Case> cases = {
        {"printed", true, platform::PrintResult::Printed, {}, {}, true, {}, {}},
        {"a failed print says so",
         true,
         platform::PrintResult::Failed,
         {},
         {},
         true,
         {"印刷できませんでした。"},
         {}},
        {"no printer, declined",
         true,
         platform::PrintResult::NoPrinter,
         {MsgResult::No},
         {},
         true,
         {noPrinter},
         {}},
        {"no printer, saved as PDF",
         true,
         platform::PrintResult::NoPrinter,
         {MsgResult::Yes},
         {"/t/a.PDF"},
         true,
         {noPrinter},
         {"/t/a.PDF"}},
        {"no printer, the PDF cannot be written",
         true,
         platform::PrintResult::NoPrinter,
         {MsgResult::Yes},
         {"/t/a.PDF"},
         false,
         {noPrinter, cannotSave + "/t/a.PDF"},
         {"/t/a.PDF"}},
        {"save cancelled", false, {}, {}, {""}, true, {}, {}},
        {"save as SVG", false, {}, {}, {"/t/g.svg"}, true, {}, {"/t/g.svg"}},
        {"an extension that is no image format",
         false,
         {},
         {},
         {"/t/g.jpg"},
         true,
         {"PNG、PDF、SVG のいずれかの拡張子を付けてください。\r\n/t/g.jpg"},
         {}},
        {"an unwritable path",
         false,
         {},
         {},
         {"/t/g.png"},
         false,
         {cannotSave + "/t/g.png"},
         {"/t/g.png"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        GraphRig rig;
        ScriptedPrinter printer;
        printer.result = c.result;
        printer.saves = c.saves;
        rig.graph.printer = &printer;
        rig.dialogs.answers.assign(c.answers.begin(), c.answers.end());
        rig.dialogs.files.assign(c.files.begin(), c.files.end());
        if (c.print)
            rig.graph.Mnu_Print_Click();
        else
            rig.graph.Mnu_File_SaveImage_Click();
        QStringList messages;
        for (const auto& m : rig.dialogs.messages)
            messages << m.text;
        EXPECT_EQ(messages, c.messages);
        EXPECT_EQ(printer.saved, c.saved);
    }
}

TEST(GraphView, SavesTheClientAreaAsPngPdfAndSvg) {
    ViewRig rig;
    rig.Open(rig.Write(QStringLiteral("week.LOG"), GraphRig::Records(3360)));
    for (const char* name : {"g.png", "g.PDF", "g.svg"}) {
        SCOPED_TRACE(name);
        const QString path = rig.dir.filePath(QLatin1String(name));
        rig.dialogs.files.push_back(path);
        rig.Action("Mnu_File_SaveImage")->trigger();
        ASSERT_TRUE(QFileInfo(path).size() > 0);
    }
    EXPECT_TRUE(rig.dialogs.messages.empty());
    EXPECT_EQ(QImage(rig.dir.filePath(QStringLiteral("g.png"))).size(), QSize(538, 381));
    const QString pdf = rig.dir.filePath(QStringLiteral("g.PDF"));
    EXPECT_EQ(PdfPages(pdf), 1);
    const QString text = PdfText(pdf);
    EXPECT_TRUE(text.contains(u"24/05/06 00:00") && text.contains(u"24/05/12 23:57")) << "labels";
    QFile svg(rig.dir.filePath(QStringLiteral("g.svg")));
    ASSERT_TRUE(svg.open(QIODevice::ReadOnly));
    EXPECT_TRUE(svg.readAll().contains("24/05/07 03:57"));

    rig.dialogs.files.push_back(rig.dir.filePath(QStringLiteral("no/such/dir/g.png")));
    rig.Action("Mnu_File_SaveImage")->trigger();
    ASSERT_EQ(rig.dialogs.messages.size(), 1u);
    EXPECT_TRUE(rig.dialogs.messages[0].text.startsWith(u"ファイルに保存できません。"));
}

TEST(GraphView, WithoutAPrinterOffersThePdfInstead) {
    ViewRig rig;
    rig.Open(rig.Write(QStringLiteral("week.LOG"), GraphRig::Records(100)));
    // A printer that is not there, as on a PC with none installed.
    auto* printer = dynamic_cast<platform::QtWindowPrinter*>(rig.graph.printer);
    ASSERT_NE(printer, nullptr);
    printer->printerName = QStringLiteral("velsor-no-such-printer");
    const QString pdf = rig.dir.filePath(QStringLiteral("instead.pdf"));
    rig.dialogs.answers.push_back(MsgResult::Yes);
    rig.dialogs.files.push_back(pdf);
    rig.Action("Mnu_Print")->trigger();
    ASSERT_EQ(rig.dialogs.messages.size(), 1u);
    EXPECT_EQ(rig.dialogs.messages[0].buttons, platform::MsgButtons::YesNo);
    EXPECT_EQ(rig.dialogs.fileDialogs.back().defaultExt, u"PDF");
    EXPECT_EQ(PdfPages(pdf), 1);
    EXPECT_TRUE(PdfText(pdf).contains(u"24/05/06 00:00"));
}

// The default printer is a CUPS queue writing PDF files: the page that comes out shows the
// graph.
TEST(GraphView, PrintsOnePageOnTheDefaultPrinter) {
    const QString script = QStringLiteral(VELSOR_TEST_SUPPORT "/cups-pdf-queue.sh");
    QTemporaryDir stateDir;
    const QString state = stateDir.filePath(QStringLiteral("cups.state"));
    int code = 0;
    const QString outDir = QString::fromUtf8(RunTool(QStringLiteral("bash"),
                                                     {script, QStringLiteral("up"), state}, &code))
                               .trimmed();
    struct Down {
        QString script, state;
        ~Down() { RunTool(QStringLiteral("bash"), {script, QStringLiteral("down"), state}); }
    } down{script, state};
    if (code == 3)
        GTEST_SKIP() << "CUPS or cups-pdf is not installed";
    ASSERT_EQ(code, 0) << "the CUPS queue could not be set up";
    const QDir out(outDir);
    // cups-pdf names the file after the job and replaces one of the same name.
    const QDateTime start = QDateTime::currentDateTime().addSecs(-1);

    ViewRig rig;
    rig.Open(rig.Write(QStringLiteral("week.LOG"), GraphRig::Records(3360)));
    rig.Action("Mnu_Print")->trigger();
    EXPECT_TRUE(rig.dialogs.messages.empty());

    QString printed;
    QDeadlineTimer deadline(30000);
    while (printed.isEmpty() && !deadline.hasExpired()) {
        for (const QFileInfo& f : out.entryInfoList({QStringLiteral("*.pdf")}, QDir::Files)) {
            if (f.lastModified() >= start)
                printed = f.filePath();
        }
        QThread::msleep(100);
    }
    ASSERT_FALSE(printed.isEmpty()) << "no PDF in " << outDir.toStdString();
    // cups-pdf writes the file under its final name: wait until it is complete.
    QDeadlineTimer complete(10000);
    while (PdfPages(printed) == 0 && !complete.hasExpired())
        QThread::msleep(100);
    EXPECT_EQ(PdfPages(printed), 1);
    const QString text = PdfText(printed);
    EXPECT_TRUE(text.contains(u"24/05/06 00:00")) << text.toStdString();
    EXPECT_TRUE(text.contains(u"24/05/12 23:57")) << text.toStdString();
    if (!HasFailure() && qEnvironmentVariableIsEmpty("VELSOR_KEEP_PRINT"))
        QFile::remove(printed);
}

// A picture of the window with a week of records, for a person to look at. Written only when
// VELSOR_GRAPH_SCREENSHOT names the PNG and VELSOR_GRAPH_LOG the history file to show.
TEST(GraphView, Screenshot) {
    const QString png = qEnvironmentVariable("VELSOR_GRAPH_SCREENSHOT");
    const QString log = qEnvironmentVariable("VELSOR_GRAPH_LOG");
    if (png.isEmpty() || log.isEmpty())
        GTEST_SKIP() << "VELSOR_GRAPH_SCREENSHOT or VELSOR_GRAPH_LOG not set";
    ViewRig rig;
    rig.dialogs.files.push_back(log);
    rig.Action("Mnu_File_Open")->trigger();
    rig.view->findChild<QCheckBox*>(QStringLiteral("Check3"))->click();
    QCoreApplication::processEvents();
    EXPECT_TRUE(rig.view->grab().save(png)) << png.toStdString();
}
