#pragma once
// The main window: renders NAV_FORM and hands what the user does to its handlers.

#include "about/frm_end.h"
#include "main_window/nav_form.h"
#include "views/control_widgets.h"

#include <QMainWindow>
#include <QTimer>

#include <optional>
#include <vector>

class QAction;
class QGroupBox;
class QMenu;

namespace velsor::views {

class NavFormView : public QMainWindow {
    Q_OBJECT
public:
    explicit NavFormView(NAV_FORM& form, QWidget* parent = nullptr);
    ~NavFormView() override;

    // Brings every widget in line with the model now.
    void Render();
    // Asks for one render in the next pass of the event loop; further requests before it runs
    // are folded into it. The timer ticks render at once, and a pending render is then done.
    void ScheduleRender();
    int RenderCount() const { return renders; }

    // The window's outer rectangle in twips, screen coordinates.
    WindowRect OuterRectTwips() const;

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    struct MenuBinding {
        MenuItem* item;
        QAction* action;
        int parent; // index of the parent entry, -1 on the menu bar
        std::optional<MenuItem> shown;
        bool effectiveEnabled = true;
    };

    template <typename W = QLabel>
    W* AddLabel(const Label& model, QWidget* parent, const QString& name,
                Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter);
    void BuildMenus();
    void RenderMenus();
    template <typename Handler> void Forward(Handler&& h);

    NAV_FORM& form;
    SurfaceWidget* surface = nullptr;
    DisplayListWidget* picture = nullptr;
    QGroupBox* frame = nullptr;
    std::optional<Frame> frameShown;
    std::vector<LabelBinding> labels;
    ScaleLabel* scale = nullptr; // Label7, numbers over the ticks
    std::vector<StackedImage*> images;
    std::vector<ShapeWidget*> bars;
    std::vector<MenuBinding> menus;
    QTimer* timer1 = nullptr;
    QTimer* timer2 = nullptr;
    bool renderPending = false;
    bool unloading = false;
    int renders = 0;
};

} // namespace velsor::views
