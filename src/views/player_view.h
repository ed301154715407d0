#pragma once
// The replay window: renders frmPlayer and hands the scroll bar, the open-file button and
// closing to its handlers. Modeless; it owns its model, which outlives every load.

#include "replay/frm_player.h"
#include "views/control_widgets.h"

#include <QDialog>

#include <memory>
#include <optional>
#include <vector>

class QScrollBar;

namespace velsor::views {

class PlayerView : public QDialog {
    Q_OBJECT
public:
    explicit PlayerView(std::unique_ptr<frmPlayer> model, QWidget* parent = nullptr);
    ~PlayerView() override;

    frmPlayer& model() { return *m; }
    void Render();

protected:
    void closeEvent(QCloseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void reject() override; // Esc closes the window as the close button does

private:
    std::unique_ptr<frmPlayer> m;
    std::vector<LabelBinding> labels;
    StackedImage* button = nullptr;
    QScrollBar* bar = nullptr;
    bool rendering = false;
    std::optional<bool> busyShown;
};

} // namespace velsor::views
