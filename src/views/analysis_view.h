#pragma once
// The reception analysis window: renders frmAnalysis and hands what the user does to its
// handlers. The model outlives this window's showings; closing it only hides it.

#include "analysis/frm_analysis.h"
#include "drawing/painter.h"
#include "platform/qt/pages_printer.h"
#include "views/control_widgets.h"

#include <QMainWindow>
#include <QPixmap>

#include <memory>
#include <optional>
#include <vector>

class QRadioButton;
class QTabBar;
class QTimer;

namespace velsor::views {

// Paints a page's display list, scaled to the widget, from a picture kept until it changes.
class PageWidget : public QWidget {
public:
    PageWidget(const PictureBox& model, drawing::Style style, QWidget* parent);
    // Draws afresh when the model's picture is a new one.
    void Render(std::uint64_t version);

protected:
    void paintEvent(QPaintEvent*) override;

private:
    const PictureBox& m;
    drawing::Style style;
    std::uint64_t shown = ~std::uint64_t(0);
    QPixmap image;
};

class AnalysisView : public QMainWindow {
    Q_OBJECT
public:
    explicit AnalysisView(frmAnalysis& model, QWidget* parent = nullptr);
    ~AnalysisView() override;

    // Loads the model when it is not loaded, shows the window, or brings it to the front.
    void Open();
    // Brings every widget in line with the model now.
    void Render();

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    void Forward(void (frmAnalysis::*handler)());
    QAction* AddAction(QMenu* menu, MenuItem& item, const QString& name, void (frmAnalysis::*h)());

    frmAnalysis& m;
    QWidget* client = nullptr;
    QTabBar* tabs = nullptr;
    std::vector<QRadioButton*> ranges;
    std::optional<LabelBinding> status;
    PageWidget* page = nullptr;
    QAction* live = nullptr;
    QTimer* timer = nullptr;
    std::unique_ptr<platform::PagesPrinter> printer;
};

} // namespace velsor::views
