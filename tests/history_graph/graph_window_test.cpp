// The graph window offscreen: opened from the main window, printing on CUPS or with no printer.

#include "support/graph_support.h"
#include "support/tool_run.h"
#include "views/graph_view.h"
#include "views/view_rig.h"
#include "views/windows.h"

#include <QCheckBox>
#include <QRegularExpression>

using namespace velsor;
using platform::MsgResult;
using velsor::testing::GraphRig;

namespace {

using velsor::testing::RunTool;

// One page showing the week's first and last labels.
bool ShowsTheWeek(const QString& pdf) {
    const QByteArray text = RunTool("pdftotext", {pdf, "-"}).out;
    return QString::fromUtf8(RunTool("pdfinfo", {pdf}).out)
               .contains(QRegularExpression(R"(Pages:\s+1\n)")) &&
           text.contains("24/05/06 00:00") && text.contains("24/05/12 23:57");
}

} // namespace

TEST(GraphView, OpenedFromTheMainWindow) {
    velsor::testing::ViewRig main(QStringLiteral("LOG"));
    views::ConnectWindows(main.form, *main.view);
    main.Action("Mnu_Rec_Log")->trigger();
    EXPECT_EQ(main.form.GraphOpened, 1);
    views::GraphView* view = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        view = view ? view : qobject_cast<views::GraphView*>(w);
    ASSERT_TRUE(view && view->isVisible());
    auto* fix = view->findChild<QCheckBox*>(QStringLiteral("Check3"));
    fix->click();
    EXPECT_TRUE(fix->isChecked());
    view->findChild<QAction*>(QStringLiteral("Mnu_File_Quit"))->trigger();
    EXPECT_FALSE(view->isVisible());
    main.Action("Mnu_Rec_Log")->trigger();
    EXPECT_TRUE(view->isVisible() && !fix->isChecked()) << "reopened in the design state";
}

// With no printer the page is offered as a PDF; a CUPS queue with cups-pdf prints the page.
TEST(GraphView, PrintsOnePageOrOffersThePdfInstead) {
    GraphRig rig;
    views::GraphView view{rig.graph};
    view.Open();
    rig.Open(rig.Write(QStringLiteral("week.LOG"), GraphRig::Records(3360)));
    auto& printer = dynamic_cast<platform::QtWindowPrinter&>(*rig.graph.printer);
    printer.printerName = QStringLiteral("velsor-no-such-printer");
    const QString pdf = rig.dir.filePath(QStringLiteral("instead.pdf"));
    rig.dialogs.answers.push_back(MsgResult::Yes);
    rig.dialogs.files.push_back(pdf);
    QAction* print = view.findChild<QAction*>(QStringLiteral("Mnu_Print"));
    print->trigger();
    ASSERT_EQ(rig.dialogs.messages.size(), 1u);
    EXPECT_EQ(rig.dialogs.messages[0].buttons, platform::MsgButtons::YesNo);
    EXPECT_TRUE(ShowsTheWeek(pdf));

    const QString script = QStringLiteral(VELSOR_TEST_SUPPORT "/cups-pdf-queue.sh");
    QTemporaryDir stateDir;
    const QString state = stateDir.filePath(QStringLiteral("cups.state"));
    const auto up = RunTool("bash", {script, "up", state});
    const QDir out(QString::fromUtf8(up.out.trimmed()));
    struct Down {
        QString script, state;
        ~Down() { RunTool("bash", {script, "down", state}); }
    } down{script, state};
    if (up.code == 3)
        GTEST_SKIP() << "CUPS or cups-pdf is not installed";
    ASSERT_EQ(up.code, 0) << "the CUPS queue could not be set up";
    const QDateTime start = QDateTime::currentDateTime().addSecs(-1);
    printer.printerName.clear(); // the default printer
    rig.dialogs.messages.clear();
    print->trigger();
    EXPECT_TRUE(rig.dialogs.messages.empty());
    QString printed;
    ASSERT_TRUE(velsor::testing::WaitFor(
        [&] {
            for (const QFileInfo& f : out.entryInfoList({QStringLiteral("*.pdf")}, QDir::Files))
                if (f.lastModified() >= start && ShowsTheWeek(f.filePath()))
                    printed = f.filePath();
            return !printed.isEmpty();
        },
        30000))
        << "no one-page PDF of the week in " << out.path().toStdString();
    QFile::remove(printed);
}
