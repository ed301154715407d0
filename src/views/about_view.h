#pragma once
// The version dialog: renders frmAbout, modal.

#include "about/frm_about.h"

#include <QDialog>

class QLabel;
class QPushButton;

namespace velsor::views {

class SurfaceWidget;

class AboutView : public QDialog {
    Q_OBJECT
public:
    explicit AboutView(frmAbout& model, QWidget* parent = nullptr);
    ~AboutView() override;
    void Render();

    // Esc and the close box close the dialog as OK does.
    void reject() override;

private:
    frmAbout& m;
    SurfaceWidget* surface;
    QLabel* icon;
    QLabel* title;
    QLabel* version;
    QLabel* description;
    QLabel* disclaimer;
    QPushButton* ok;
    QPushButton* sysInfo;
};

} // namespace velsor::views
