#include "views/graph_view.h"

#include "views/view_support.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>

namespace velsor::views {

void GraphView::Forward(void (frmGraph::*handler)()) {
    (m.*handler)();
    Render();
}

GraphView::GraphView(frmGraph& model, QWidget* parent) : QMainWindow(parent), m(model) {
    SetUpFixedWindow(*this, QStringLiteral("frmGraph"));
    setWindowTitle(m.caption);

    lines.assign(m.Line2.begin(), m.Line2.end());
    lines.push_back(m.Line3);
    surface = new SurfaceWidget(lines, m.backColor, this);
    client = surface;
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(Px(m.clientWidth), Px(m.clientHeight));
    setCentralWidget(client);

    auto label = [this](const Label& l, const char* name, Qt::Alignment a) {
        auto* w = new QLabel(client);
        w->setObjectName(QLatin1String(name));
        labels.emplace_back(l, w, a);
    };
    label(m.Label1, "Label1", Qt::AlignLeft | Qt::AlignVCenter);
    label(m.Label2, "Label2", Qt::AlignLeft | Qt::AlignVCenter);
    label(m.Label4, "Label4", Qt::AlignLeft | Qt::AlignVCenter);
    for (std::size_t k = 0; k < m.Label3.size(); ++k) {
        auto* w = new QLabel(client);
        w->setObjectName(QStringLiteral("Label3_%1").arg(k));
        labels.emplace_back(m.Label3[k], w, Qt::AlignRight | Qt::AlignVCenter);
    }
    auto* note = new WrappedLabel(client);
    note->setObjectName(QStringLiteral("Label6"));
    note->setGeometry(PxRect(m.Label6));
    // The note breaks inside its run of blanks only in a face as narrow as the one it was
    // written for; a pixel smaller keeps it to two lines.
    QFont small = UiFont();
    small.setPixelSize(11);
    note->setFont(small);
    note->setText(m.Label6.caption);
    QPalette notePal = note->palette();
    notePal.setColor(QPalette::WindowText, ToQColor(m.Label6.foreColor));
    note->setPalette(notePal);

    command1 = new QPushButton(m.Command1.caption, client);
    command1->setObjectName(QStringLiteral("Command1"));
    command1->setGeometry(PxRect(m.Command1));
    connect(command1, &QPushButton::clicked, this, [this] { Forward(&frmGraph::Command1_Click); });

    QCheckBox* c1 = AddCheck(m.Check1, QStringLiteral("Check1"));
    QCheckBox* c2 = AddCheck(m.Check2, QStringLiteral("Check2"));
    QCheckBox* c3 = AddCheck(m.Check3, QStringLiteral("Check3"));
    // The model's value follows the box before its handler runs, as a click sets it.
    connect(c1, &QCheckBox::clicked, this, [this](bool on) {
        m.Check1.value = on ? 1 : 0;
        Forward(&frmGraph::Check1_Click);
    });
    connect(c2, &QCheckBox::clicked, this, [this](bool on) {
        m.Check2.value = on ? 1 : 0;
        Forward(&frmGraph::Check2_Click);
    });
    connect(c3, &QCheckBox::clicked, this, [this](bool on) {
        m.Check3.value = on ? 1 : 0;
        Forward(&frmGraph::Check3_Click);
    });

    picture = new DisplayListWidget(m.Picture1, client);
    picture->setObjectName(QStringLiteral("Picture1"));
    picture->SetSunken(false);
    // The time labels are placed for a width of about 1150 twips; a pixel smaller than the
    // window's font keeps the last one inside the surface.
    picture->setFont(small);

    RaiseWindowedControls(*client);

    QMenu* file = menuBar()->addMenu(m.Mnu_File.caption);
    file->setObjectName(QStringLiteral("Mnu_File"));
    file->setFont(UiFont());
    AddAction(file, m.Mnu_File_Open, QStringLiteral("Mnu_File_Open"),
              &frmGraph::Mnu_File_Open_Click);
    file->addSeparator()->setObjectName(QStringLiteral("Mnu_File_Sepa1"));
    AddAction(file, m.Mnu_Print, QStringLiteral("Mnu_Print"), &frmGraph::Mnu_Print_Click);
    AddAction(file, m.Mnu_File_SaveImage, QStringLiteral("Mnu_File_SaveImage"),
              &frmGraph::Mnu_File_SaveImage_Click);
    file->addSeparator()->setObjectName(QStringLiteral("Mnu_File_Sepa2"));
    AddAction(file, m.Mnu_File_Quit, QStringLiteral("Mnu_File_Quit"),
              &frmGraph::Mnu_File_Quit_Click);

    printer = std::make_unique<platform::QtWindowPrinter>(client);
    printer->prepare = [this] { Render(); };
    m.printer = printer.get();
    m.closeWindow = [this] { close(); };

    Render();
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    adjustSize();
}

GraphView::~GraphView() {
    if (m.printer == printer.get())
        m.printer = nullptr;
    m.closeWindow = nullptr;
}

QCheckBox* GraphView::AddCheck(const ColorCheckBox& c, const QString& name) {
    auto* box = new QCheckBox(c.caption, client);
    box->setObjectName(name);
    box->setGeometry(PxRect(c));
    QPalette p = box->palette();
    p.setColor(QPalette::WindowText, ToQColor(c.foreColor));
    p.setColor(QPalette::ButtonText, ToQColor(c.foreColor));
    p.setColor(QPalette::Window, ToQColor(c.backColor));
    box->setPalette(p);
    // A button fills with the button colour unless told to use the window's.
    box->setBackgroundRole(QPalette::Window);
    box->setAutoFillBackground(true);
    checks.push_back(box);
    return box;
}

QAction* GraphView::AddAction(QMenu* menu, MenuItem& item, const QString& name,
                              void (frmGraph::*h)()) {
    return AddMenuAction(menu, item, name, [this, h] { Forward(h); });
}

void GraphView::Render() {
    surface->Render();
    for (LabelBinding& l : labels)
        l.Render();
    const ColorCheckBox* models[] = {&m.Check1, &m.Check2, &m.Check3};
    for (std::size_t i = 0; i < checks.size(); ++i) {
        if (checks[i]->isChecked() != (models[i]->value == 1))
            checks[i]->setChecked(models[i]->value == 1);
    }
    picture->Render();
}

void GraphView::Open() {
    if (!m.Loaded()) {
        m.Form_Load();
        Render();
        CenterOnScreen(*this);
    }
    show();
    raise();
    activateWindow();
}

void GraphView::closeEvent(QCloseEvent* e) {
    if (m.Loaded())
        m.Form_Unload();
    e->accept();
}

} // namespace velsor::views
