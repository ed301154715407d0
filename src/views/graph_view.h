#pragma once
// The reception history graph window: renders frmGraph and hands what the user does to its
// handlers. The model outlives this window's showings; closing it only hides it.

#include "history_graph/frm_graph.h"
#include "platform/qt/qt_window_printer.h"
#include "views/control_widgets.h"

#include <QMainWindow>

#include <memory>
#include <vector>

class QAction;
class QCheckBox;
class QPushButton;

namespace velsor::views {

class GraphView : public QMainWindow {
    Q_OBJECT
public:
    explicit GraphView(frmGraph& model, QWidget* parent = nullptr);
    ~GraphView() override;

    // Loads the model when it is not loaded, shows the window, or brings it to the front.
    void Open();
    // Brings every widget in line with the model now.
    void Render();
    // The client area: what is printed and exported.
    QWidget* ClientArea() const { return client; }

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    // Runs a handler of the model, then shows what it changed.
    void Forward(void (frmGraph::*handler)());
    QCheckBox* AddCheck(const ColorCheckBox& model, const QString& name);
    QAction* AddAction(QMenu* menu, MenuItem& item, const QString& name, void (frmGraph::*h)());

    frmGraph& m;
    QWidget* client = nullptr;
    SurfaceWidget* surface = nullptr;
    DisplayListWidget* picture = nullptr;
    QPushButton* command1 = nullptr;
    std::vector<QCheckBox*> checks;
    std::vector<LabelBinding> labels;
    std::vector<LineControl> lines; // Line2 and Line3, for the surface
    std::unique_ptr<platform::QtWindowPrinter> printer;
};

} // namespace velsor::views
