#include "views/analysis_view.h"

#include "views/view_support.h"

#include <QAction>
#include <QCloseEvent>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QRadioButton>
#include <QShortcut>
#include <QTabBar>
#include <QTimer>

namespace velsor::views {

namespace {

drawing::Style PageStyle() {
    drawing::Style s;
    s.families = UiFamilies();
    return s;
}

} // namespace

PageWidget::PageWidget(const PictureBox& model, drawing::Style s, QWidget* parent)
    : QWidget(parent), m(model), style(std::move(s)) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PageWidget::Render(std::uint64_t version) {
    const QRect r = PxRect(m);
    if (geometry() != r) {
        setGeometry(r);
        shown = ~std::uint64_t(0);
    }
    if (version == shown)
        return;
    shown = version;
    const qreal dpr = devicePixelRatioF();
    image = QPixmap(size() * dpr);
    image.setDevicePixelRatio(dpr);
    image.fill(Qt::white);
    QPainter p(&image);
    drawing::PaintPicture(p, m, QRectF(QPointF(0, 0), QSizeF(size())), style);
    update();
}

void PageWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawPixmap(0, 0, image);
}

// ---------------------------------------------------------------------------------------------

void AnalysisView::Forward(void (frmAnalysis::*handler)()) {
    (m.*handler)();
    Render();
}

AnalysisView::AnalysisView(frmAnalysis& model, QWidget* parent) : QMainWindow(parent), m(model) {
    SetUpFixedWindow(*this, QStringLiteral("frmAnalysis"));
    setWindowTitle(m.caption);

    client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(Px(m.clientWidth), Px(m.clientHeight));
    client->setAutoFillBackground(true);
    QPalette pal = client->palette();
    pal.setColor(QPalette::Window, ToQColor(m.backColor));
    client->setPalette(pal);
    setCentralWidget(client);

    tabs = new QTabBar(client);
    tabs->setObjectName(QStringLiteral("Tab1"));
    tabs->setGeometry(PxRect(m.Tab1));
    tabs->setDrawBase(false);
    for (const QString& c : m.Tab1.captions)
        tabs->addTab(c);
    connect(tabs, &QTabBar::currentChanged, this, [this](int index) {
        if (index != m.Tab1.selected) {
            m.Tab1_Click(index);
            Render();
        }
    });

    for (std::size_t i = 0; i < m.Option1.size(); ++i) {
        auto* b = new QRadioButton(m.Option1[i].caption, client);
        b->setObjectName(QStringLiteral("Option1_%1").arg(i));
        b->setGeometry(PxRect(m.Option1[i]));
        connect(b, &QRadioButton::clicked, this, [this, i] {
            m.Option1_Click(int(i));
            Render();
        });
        ranges.push_back(b);
    }

    auto* label = new QLabel(client);
    label->setObjectName(QStringLiteral("Label1"));
    status.emplace(m.Label1, label, Qt::AlignLeft | Qt::AlignVCenter);

    page = new PageWidget(m.Picture1, PageStyle(), client);
    page->setObjectName(QStringLiteral("Picture1"));

    QMenu* file = menuBar()->addMenu(m.Mnu_File.caption);
    file->setObjectName(QStringLiteral("Mnu_File"));
    file->setFont(UiFont());
    AddAction(file, m.Mnu_File_Open, QStringLiteral("Mnu_File_Open"),
              &frmAnalysis::Mnu_File_Open_Click);
    live = AddAction(file, m.Mnu_File_Live, QStringLiteral("Mnu_File_Live"),
                     &frmAnalysis::Mnu_File_Live_Click);
    live->setCheckable(true);
    file->addSeparator()->setObjectName(QStringLiteral("Mnu_File_Sepa1"));
    AddAction(file, m.Mnu_Print, QStringLiteral("Mnu_Print"), &frmAnalysis::Mnu_Print_Click);
    AddAction(file, m.Mnu_File_SaveImage, QStringLiteral("Mnu_File_SaveImage"),
              &frmAnalysis::Mnu_File_SaveImage_Click);
    file->addSeparator()->setObjectName(QStringLiteral("Mnu_File_Sepa2"));
    AddAction(file, m.Mnu_File_Quit, QStringLiteral("Mnu_File_Quit"),
              &frmAnalysis::Mnu_File_Quit_Click);

    auto* next = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Tab), this);
    connect(next, &QShortcut::activated, this, [this] {
        m.NextPage(1);
        Render();
    });
    auto* previous = new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), this);
    connect(previous, &QShortcut::activated, this, [this] {
        m.NextPage(-1);
        Render();
    });

    timer = new QTimer(this);
    timer->setObjectName(QStringLiteral("Timer1"));
    timer->setInterval(frmAnalysis::kTimer1Interval);
    connect(timer, &QTimer::timeout, this, [this] { Forward(&frmAnalysis::Timer1_Timer); });

    printer = std::make_unique<platform::PagesPrinter>([this] { return m.Pages(); }, PageStyle());
    m.printer = printer.get();
    m.closeWindow = [this] { close(); };
    m.changed = [this] { Render(); };
    m.measure = drawing::Measure(PageStyle());

    layout()->setSizeConstraint(QLayout::SetFixedSize);
    adjustSize();
}

AnalysisView::~AnalysisView() {
    if (m.printer == printer.get())
        m.printer = nullptr;
    m.closeWindow = nullptr;
    m.changed = nullptr;
}

QAction* AnalysisView::AddAction(QMenu* menu, MenuItem& item, const QString& name,
                                 void (frmAnalysis::*h)()) {
    return AddMenuAction(menu, item, name, [this, h] { Forward(h); });
}

void AnalysisView::Render() {
    if (tabs->currentIndex() != m.Tab1.selected) {
        const QSignalBlocker quiet(tabs);
        tabs->setCurrentIndex(m.Tab1.selected);
    }
    for (std::size_t i = 0; i < ranges.size(); ++i) {
        if (ranges[i]->isChecked() != m.Option1[i].value)
            ranges[i]->setChecked(m.Option1[i].value);
        if (ranges[i]->isVisible() == !m.Option1Visible ||
            ranges[i]->isHidden() == m.Option1Visible)
            ranges[i]->setVisible(m.Option1Visible);
    }
    if (live->isChecked() != m.Mnu_File_Live.checked)
        live->setChecked(m.Mnu_File_Live.checked);
    status->Render();
    page->Render(m.PictureVersion());
}

void AnalysisView::Open() {
    if (!m.Loaded()) {
        m.Form_Load();
        Render();
        CenterOnScreen(*this);
    }
    show();
    raise();
    activateWindow();
    timer->start();
}

void AnalysisView::closeEvent(QCloseEvent* e) {
    timer->stop();
    if (m.Loaded())
        m.Form_Unload();
    e->accept();
}

} // namespace velsor::views
