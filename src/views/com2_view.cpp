#include "views/com2_view.h"

#include "views/view_support.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace velsor::views {

Com2View::Com2View(frmCom2& model, QWidget* parent) : QDialog(parent), m(model) {
    SetUpFixedDialog(*this, QStringLiteral("frmCom2"), m.clientWidth, m.clientHeight);
    setAutoFillBackground(true);

    label1 = new QLabel(this);
    label1->setObjectName(QStringLiteral("Label1"));
    text1 = new QLineEdit(this);
    text1->setObjectName(QStringLiteral("Text1"));
    text2 = new QLineEdit(this);
    text2->setObjectName(QStringLiteral("Text2"));
    command1 = new QPushButton(this);
    command1->setObjectName(QStringLiteral("Command1"));
    command1->setDefault(true);
    setTabOrder(text1, text2);
    setTabOrder(text2, command1);

    connect(text1, &QLineEdit::textEdited, this, [this](const QString& t) { m.Text1.text = t; });
    connect(text2, &QLineEdit::textEdited, this, [this](const QString& t) { m.Text2.text = t; });
    connect(command1, &QPushButton::clicked, this, [this] {
        m.Command1_Click();
        if (isVisible())
            Render();
    });
    m.close = [this] { QDialog::done(QDialog::Accepted); };

    Render();
    text1->setFocus();
    CenterOnScreen(*this);
}

Com2View::~Com2View() {
    m.close = nullptr;
}

void Com2View::Render() {
    setWindowTitle(m.caption);
    label1->setText(MnemonicFree(m.Label1.caption));
    label1->setGeometry(PxRect(m.Label1));
    auto box = [](QLineEdit* w, const TextBox& t) {
        if (w->text() != t.text)
            w->setText(t.text);
        w->setGeometry(PxRect(t));
    };
    box(text1, m.Text1);
    box(text2, m.Text2);
    command1->setText(m.Command1.caption);
    command1->setGeometry(PxRect(m.Command1));
}

} // namespace velsor::views
