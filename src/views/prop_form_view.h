#pragma once
// The properties dialog: renders Prop_Form, modal. Option buttons are not grouped by Qt: the
// model's click handlers decide what is selected, also across the two containers.

#include "settings/prop_form.h"

#include <QDialog>

#include <vector>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QPushButton;
class QRadioButton;

namespace velsor::views {

class PropFormView : public QDialog {
    Q_OBJECT
public:
    explicit PropFormView(Prop_Form& model, QWidget* parent = nullptr);
    ~PropFormView() override;
    void Render();

    // Esc and the close box are Cancel.
    void reject() override;

private:
    Prop_Form& m;
    QGroupBox* frame1;
    QGroupBox* frame2;
    QGroupBox* frame3;
    std::vector<QRadioButton*> option1, option2, option3;
    QComboBox* combo1;
    QCheckBox* check2;
    std::vector<QPushButton*> command1;
};

} // namespace velsor::views
