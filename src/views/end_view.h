#pragma once
// The closing window: renders FrmEnd, and runs its activation once it is on screen.

#include "about/frm_end.h"

#include <QDialog>

namespace velsor::views {

class EndView : public QDialog {
    Q_OBJECT
public:
    explicit EndView(FrmEnd& model, QWidget* parent = nullptr);
    ~EndView() override;

protected:
    void showEvent(QShowEvent* e) override;

private:
    FrmEnd& m;
    bool activated = false;
};

} // namespace velsor::views
