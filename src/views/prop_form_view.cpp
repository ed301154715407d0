#include "views/prop_form_view.h"

#include "views/view_support.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>

namespace velsor::views {

namespace {

QRadioButton* MakeOption(QWidget* parent, const QString& name) {
    auto* b = new QRadioButton(parent);
    b->setObjectName(name);
    b->setAutoExclusive(false);
    return b;
}

} // namespace

PropFormView::PropFormView(Prop_Form& model, QWidget* parent) : QDialog(parent), m(model) {
    SetUpFixedDialog(*this, QStringLiteral("Prop_Form"), m.clientWidth, m.clientHeight);
    setAutoFillBackground(true);

    frame1 = new QGroupBox(this);
    frame1->setObjectName(QStringLiteral("Frame1"));
    frame2 = new QGroupBox(this);
    frame2->setObjectName(QStringLiteral("Frame2"));
    frame3 = new QGroupBox(this);
    frame3->setObjectName(QStringLiteral("Frame3"));
    option1.push_back(MakeOption(frame1, QStringLiteral("Option1_0")));
    // Drawn over Frame1 but owned by the dialog.
    option1.push_back(MakeOption(this, QStringLiteral("Option1_1")));
    option1.push_back(MakeOption(this, QStringLiteral("Option1_2")));
    for (int i = 0; i < 4; ++i)
        option3.push_back(MakeOption(frame3, QStringLiteral("Option3_%1").arg(i)));
    for (int i = 0; i < 6; ++i)
        option2.push_back(MakeOption(frame2, QStringLiteral("Option2_%1").arg(i)));
    combo1 = new QComboBox(frame2);
    combo1->setObjectName(QStringLiteral("Combo1"));
    check2 = new QCheckBox(this);
    check2->setObjectName(QStringLiteral("Check2"));
    for (int i = 0; i < 2; ++i) {
        auto* b = new QPushButton(this);
        b->setObjectName(QStringLiteral("Command1_%1").arg(i));
        command1.push_back(b);
    }
    command1[0]->setDefault(true);
    command1[1]->setAutoDefault(false);

    for (int i = 0; i < 3; ++i) {
        connect(option1[i], &QRadioButton::clicked, this, [this, i] {
            m.Option1_Click(i);
            Render();
        });
    }
    for (int i = 0; i < 4; ++i) {
        connect(option3[i], &QRadioButton::clicked, this, [this, i] {
            m.Option3_Click(i);
            Render();
        });
    }
    for (int i = 0; i < 6; ++i) {
        connect(option2[i], &QRadioButton::clicked, this, [this, i] {
            m.Option2_Click(i);
            Render();
        });
    }
    connect(combo1, &QComboBox::activated, this, [this](int i) {
        m.Combo1_Click(i);
        Render();
    });
    connect(check2, &QCheckBox::clicked, this, [this](bool checked) {
        m.Check2.value = checked ? 1 : 0;
        m.Check2_Click();
        Render();
    });
    for (int i = 0; i < 2; ++i) {
        connect(command1[i], &QPushButton::clicked, this, [this, i] {
            m.Command1_Click(i);
            if (isVisible())
                Render();
        });
    }
    m.close = [this] { QDialog::done(QDialog::Accepted); };

    Render();
    option1[1]->raise();
    option1[2]->raise();
    CenterOnScreen(*this);
}

PropFormView::~PropFormView() {
    m.close = nullptr;
}

void PropFormView::Render() {
    setWindowTitle(m.caption);
    frame1->setTitle(m.Frame1.caption);
    frame1->setGeometry(PxRect(m.Frame1));
    frame2->setTitle(m.Frame2.caption);
    frame2->setGeometry(PxRect(m.Frame2));
    frame3->setTitle(m.Frame3.caption);
    frame3->setGeometry(PxRect(m.Frame3));
    // The indicator takes about 20 pixels of the button's width.
    auto fit = [this](QAbstractButton* w, const QString& caption, int width) {
        w->setFont(FittingFont(font(), QString(caption).remove(u'&'), Px(width) - 20));
        if (w->text() != caption)
            w->setText(caption);
    };
    auto option = [&](QRadioButton* w, const OptionButton& o) {
        fit(w, o.caption, o.width);
        w->setGeometry(PxRect(o));
        // A click has already toggled the button; the model says what it really is.
        if (w->isChecked() != o.value)
            w->setChecked(o.value);
    };
    for (int i = 0; i < 3; ++i)
        option(option1[i], m.Option1[i]);
    for (int i = 0; i < 4; ++i)
        option(option3[i], m.Option3[i]);
    for (int i = 0; i < 6; ++i)
        option(option2[i], m.Option2[i]);
    RenderCombo(*combo1, m.Combo1);
    fit(check2, m.Check2.caption, m.Check2.width);
    check2->setGeometry(PxRect(m.Check2));
    if (check2->isChecked() != (m.Check2.value == 1))
        check2->setChecked(m.Check2.value == 1);
    for (int i = 0; i < 2; ++i) {
        command1[i]->setText(m.Command1[i].caption);
        command1[i]->setGeometry(PxRect(m.Command1[i]));
    }
}

void PropFormView::reject() {
    m.Form_QueryUnload();
}

} // namespace velsor::views
