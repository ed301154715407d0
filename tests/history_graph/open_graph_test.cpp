// ｵﾌﾟｼｮﾝ > 衛星受信履歴 in the main window opens the one graph window of the run.

#include "views/graph_view.h"
#include "views/view_rig.h"
#include "views/windows.h"

#include <QApplication>

namespace {

QWidget* GraphWindow() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->objectName() == u"frmGraph")
            return w;
    }
    return nullptr;
}

} // namespace

TEST(MainWindow, TheHistoryCommandOpensTheGraphWindowAndMarksIt) {
    velsor::testing::ViewRig rig(QStringLiteral("LOG"));
    velsor::views::ConnectWindows(rig.form, *rig.view);
    EXPECT_EQ(GraphWindow(), nullptr) << "made on first use";
    rig.Action("Mnu_Rec_Log")->trigger();
    QWidget* graph = GraphWindow();
    ASSERT_NE(graph, nullptr);
    EXPECT_TRUE(graph->isVisible());
    EXPECT_EQ(rig.form.GraphOpened, 1);

    graph->close();
    EXPECT_FALSE(graph->isVisible());
    rig.Action("Mnu_Rec_Log")->trigger();
    EXPECT_EQ(GraphWindow(), graph) << "one window object for the run";
    EXPECT_TRUE(graph->isVisible());
    rig.view.reset();
    QCoreApplication::processEvents();
    EXPECT_EQ(GraphWindow(), nullptr) << "gone with the main window";
}
