#pragma once
// The forwarding-port dialog: renders frmCom2, modal. The port box is editable, with the
// machine's ports in its list. Esc and the close box close it without applying anything; only
// the OK button reaches the model.

#include "forwarding/frm_com2.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace velsor::views {

class Com2View : public QDialog {
    Q_OBJECT
public:
    explicit Com2View(frmCom2& model, QWidget* parent = nullptr);
    ~Com2View() override;
    void Render();

private:
    frmCom2& m;
    QLabel* label1;
    QComboBox* text1;
    QLineEdit* text2;
    QPushButton* command1;
};

} // namespace velsor::views
