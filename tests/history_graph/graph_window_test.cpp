// The graph window on the screen (offscreen): opened from the main window, its menu and check
// boxes, and printing on a real CUPS queue with the cups-pdf backend, or with no printer.

#include "support/graph_support.h"
#include "views/graph_view.h"
#include "views/view_rig.h"
#include "views/windows.h"

#include <QCheckBox>
#include <QMenu>
#include <QProcess>

using namespace velsor;
using platform::MsgResult;
using velsor::testing::GraphRig;

namespace {

struct GraphViewRig : GraphRig {
    GraphViewRig() { view.Open(); }
    QAction* Action(const char* name) { return view.findChild<QAction*>(QLatin1String(name)); }
    views::GraphView view{graph};
};

QString Tool(const QString& program, const QStringList& args, int* exitCode = nullptr) {
    QProcess p;
    p.start(program, args);
    p.waitForFinished(30000);
    if (exitCode)
        *exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return QString::fromUtf8(p.readAllStandardOutput());
}

int PdfPages(const QString& pdf) {
    const QString info = Tool(QStringLiteral("pdfinfo"), {pdf});
    return info.section(QStringLiteral("Pages:"), 1).section(u'\n', 0, 0).trimmed().toInt();
}

} // namespace

TEST(GraphView, OpenedFromTheMainWindowWithItsMenu) {
    velsor::testing::ViewRig main(QStringLiteral("LOG"));
    views::ConnectWindows(main.form, *main.view);
    main.Action("Mnu_Rec_Log")->trigger();
    EXPECT_EQ(main.form.GraphOpened, 1);
    views::GraphView* view = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        view = view ? view : qobject_cast<views::GraphView*>(w);
    ASSERT_NE(view, nullptr);
    EXPECT_TRUE(view->isVisible());
    EXPECT_EQ(view->ClientArea()->size(), QSize(538, 381));
    QStringList menu;
    for (QAction* a : view->findChild<QMenu*>(QStringLiteral("Mnu_File"))->actions())
        menu << (a->isSeparator() ? QStringLiteral("-")
                                  : a->text() + u' ' + a->shortcut().toString());
    EXPECT_EQ(menu, (QStringList{"ﾌｧｲﾙを開く(&O) Ctrl+O", "-", "印刷(&P) Ctrl+P",
                                 "画像として保存(&S)... Ctrl+S", "-", "終了(&Q) Ctrl+Q"}));
    // A check box reaches its handler; closing hides the one window object of the run.
    auto* fix = view->findChild<QCheckBox*>(QStringLiteral("Check3"));
    fix->click();
    EXPECT_TRUE(fix->isChecked());
    view->findChild<QAction*>(QStringLiteral("Mnu_File_Quit"))->trigger();
    EXPECT_FALSE(view->isVisible());
    main.Action("Mnu_Rec_Log")->trigger();
    EXPECT_TRUE(view->isVisible());
    EXPECT_FALSE(fix->isChecked()) << "reopened in the design state";
}

// What the model says for each outcome of printing and saving.
TEST(GraphWindow, PrintAndSaveMessages) {
    struct ScriptedPrinter : platform::Printer {
        platform::PrintResult result = platform::PrintResult::NoPrinter;
        bool saves = false;
        platform::PrintResult PrintWindow(const QString&) override { return result; }
        bool SaveWindowImage(const QString&) override { return saves; }
    };
    const QString none = QStringLiteral(
        "プリンタがインストールされていません。\r\n代わりに PDF ファイルとして保存しますか？");
    const struct {
        bool print; // else "save as image"
        platform::PrintResult result;
        MsgResult answer;
        QString file;
        QStringList messages;
    } cases[] = {
        {true, platform::PrintResult::Printed, {}, {}, {}},
        {true, platform::PrintResult::Failed, {}, {}, {"印刷できませんでした。"}},
        {true, platform::PrintResult::NoPrinter, MsgResult::No, {}, {none}},
        {true,
         platform::PrintResult::NoPrinter,
         MsgResult::Yes,
         "/t/a.PDF",
         {none, "ファイルに保存できません。\r\n/t/a.PDF"}},
        {false,
         {},
         {},
         "/t/g.jpg",
         {"PNG、PDF、SVG のいずれかの拡張子を付けてください。\r\n/t/g.jpg"}},
        {false, {}, {}, {}, {}}, // cancelled
    };
    for (const auto& c : cases) {
        GraphRig rig;
        ScriptedPrinter printer;
        printer.result = c.result;
        rig.graph.printer = &printer;
        rig.dialogs.answers.push_back(c.answer);
        rig.dialogs.files.push_back(c.file);
        c.print ? rig.graph.Mnu_Print_Click() : rig.graph.Mnu_File_SaveImage_Click();
        QStringList messages;
        for (const auto& m : rig.dialogs.messages)
            messages << m.text;
        EXPECT_EQ(messages, c.messages);
    }
}

TEST(GraphView, WithoutAPrinterOffersThePdfInstead) {
    GraphViewRig rig;
    rig.Open(rig.Write(QStringLiteral("week.LOG"), GraphRig::Records(100)));
    // As on a PC with no printer installed.
    dynamic_cast<platform::QtWindowPrinter&>(*rig.graph.printer).printerName =
        QStringLiteral("velsor-no-such-printer");
    const QString pdf = rig.dir.filePath(QStringLiteral("instead.pdf"));
    rig.dialogs.answers.push_back(MsgResult::Yes);
    rig.dialogs.files.push_back(pdf);
    rig.Action("Mnu_Print")->trigger();
    ASSERT_EQ(rig.dialogs.messages.size(), 1u);
    EXPECT_EQ(rig.dialogs.messages[0].buttons, platform::MsgButtons::YesNo);
    EXPECT_EQ(PdfPages(pdf), 1);
    EXPECT_TRUE(
        Tool(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")}).contains(u"24/05/06 00:00"));
}

// The default printer is a CUPS queue writing PDF files: the page that comes out shows the
// graph.
TEST(GraphView, PrintsOnePageOnTheDefaultPrinter) {
    const QString script = QStringLiteral(VELSOR_TEST_SUPPORT "/cups-pdf-queue.sh");
    QTemporaryDir stateDir;
    const QString state = stateDir.filePath(QStringLiteral("cups.state"));
    int code = 0;
    const QDir out(
        Tool(QStringLiteral("bash"), {script, QStringLiteral("up"), state}, &code).trimmed());
    struct Down {
        QString script, state;
        ~Down() { Tool(QStringLiteral("bash"), {script, QStringLiteral("down"), state}); }
    } down{script, state};
    if (code == 3)
        GTEST_SKIP() << "CUPS or cups-pdf is not installed";
    ASSERT_EQ(code, 0) << "the CUPS queue could not be set up";
    // cups-pdf names the file after the job and replaces one of the same name.
    const QDateTime start = QDateTime::currentDateTime().addSecs(-1);

    GraphViewRig rig;
    rig.Open(rig.Write(QStringLiteral("week.LOG"), GraphRig::Records(3360)));
    rig.Action("Mnu_Print")->trigger();
    EXPECT_TRUE(rig.dialogs.messages.empty());
    QString printed;
    // Found once complete: cups-pdf writes the file under its final name.
    ASSERT_TRUE(velsor::testing::PumpUntil(
        [&] {
            for (const QFileInfo& f : out.entryInfoList({QStringLiteral("*.pdf")}, QDir::Files)) {
                if (f.lastModified() >= start && PdfPages(f.filePath()) == 1)
                    printed = f.filePath();
            }
            return !printed.isEmpty();
        },
        30000))
        << "no one-page PDF in " << out.path().toStdString();
    const QString text = Tool(QStringLiteral("pdftotext"), {printed, QStringLiteral("-")});
    EXPECT_TRUE(text.contains(u"24/05/06 00:00") && text.contains(u"24/05/12 23:57"))
        << text.toStdString();
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
    GraphViewRig rig;
    rig.dialogs.files.push_back(log);
    rig.Action("Mnu_File_Open")->trigger();
    rig.view.findChild<QCheckBox*>(QStringLiteral("Check3"))->click();
    EXPECT_TRUE(rig.view.grab().save(png)) << png.toStdString();
}
