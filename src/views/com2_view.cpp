#include "views/com2_view.h"

#include "views/view_support.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace velsor::views {

Com2View::Com2View(frmCom2& model, QWidget* parent) : QDialog(parent), m(model) {
    SetUpFixedDialog(*this, QStringLiteral("frmCom2"), m.clientWidth, m.clientHeight);
    setAutoFillBackground(true);

    label1 = new QLabel(this);
    label1->setObjectName(QStringLiteral("Label1"));
    text1 = new QComboBox(this);
    text1->setObjectName(QStringLiteral("Text1"));
    text1->setEditable(true);
    text1->setInsertPolicy(QComboBox::NoInsert);
    text2 = new QLineEdit(this);
    text2->setObjectName(QStringLiteral("Text2"));
    command1 = new QPushButton(this);
    command1->setObjectName(QStringLiteral("Command1"));
    command1->setDefault(true);
    setTabOrder(text1, text2);
    setTabOrder(text2, command1);

    connect(text1->lineEdit(), &QLineEdit::textEdited, this,
            [this](const QString& t) { m.Text1.text = t; });
    connect(text1, &QComboBox::activated, this, [this](int i) {
        m.Text1_Click(i);
        Render();
    });
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
    std::vector<QString> ports;
    for (const auto& p : m.Text1List)
        ports.push_back(p.description.isEmpty() ? p.name : p.description);
    SetComboItems(*text1, ports);
    // The box shows the port's name, whichever entry of the list put it there.
    if (text1->currentText() != m.Text1.text)
        text1->setEditText(m.Text1.text);
    text1->setGeometry(PxRect(m.Text1));
    if (text2->text() != m.Text2.text)
        text2->setText(m.Text2.text);
    text2->setGeometry(PxRect(m.Text2));
    command1->setText(m.Command1.caption);
    command1->setGeometry(PxRect(m.Command1));
}

} // namespace velsor::views
