#include "views/player_view.h"

#include "views/view_support.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QScrollBar>

namespace velsor::views {

PlayerView::PlayerView(std::unique_ptr<frmPlayer> model, QWidget* parent)
    : QDialog(parent), m(std::move(model)) {
    setObjectName(QStringLiteral("frmPlayer"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setModal(false);
    setFont(UiFont());
    setWindowTitle(m->caption);
    setFixedSize(Px(m->clientWidth), Px(m->clientHeight));
    QPalette pal = palette();
    pal.setColor(QPalette::Window, ToQColor(m->backColor));
    setPalette(pal);
    setAutoFillBackground(true);

    auto label = [this](const Label& model, const char* name, Qt::Alignment a) {
        auto* w = new QLabel(this);
        w->setObjectName(QLatin1String(name));
        labels.emplace_back(model, w, a);
    };
    label(m->Label3, "Label3", Qt::AlignLeft | Qt::AlignVCenter);
    label(m->Label1[0], "Label1_0", Qt::AlignLeft | Qt::AlignVCenter);
    label(m->Label2[0], "Label2_0", Qt::AlignRight | Qt::AlignVCenter);

    button = new StackedImage({{&m->Image4[0], 0, QStringLiteral(":/velsor/open_file.svg")},
                               {&m->Image4[1], 1, QStringLiteral(":/velsor/open_file_down.svg")}},
                              this);
    button->setObjectName(QStringLiteral("Image4"));
    connect(button, &StackedImage::mouseDown, this, [this](int i, int b, int s, int x, int y) {
        m->Image4_MouseDown(i, b, s, x, y);
        Render();
    });
    connect(button, &StackedImage::mouseUp, this, [this](int i, int b, int s, int x, int y) {
        m->Image4_MouseUp(i, b, s, x, y);
        Render();
    });

    bar = new QScrollBar(Qt::Horizontal, this);
    bar->setObjectName(QStringLiteral("HScroll1"));
    bar->setGeometry(PxRect(m->HScroll1));
    bar->setFocusPolicy(Qt::StrongFocus);
    bar->installEventFilter(this);
    connect(bar, &QScrollBar::valueChanged, this, [this](int v) {
        if (rendering)
            return;
        m->SetHScroll1Value(v);
        Render();
    });

    m->show = [this] {
        move(Px(m->Left), Px(m->Top));
        show();
        raise();
        activateWindow();
        bar->setFocus();
    };
    m->changed = [this] { Render(); };
    Render();
}

PlayerView::~PlayerView() {
    if (busyShown.value_or(false))
        unsetCursor();
    m->show = nullptr;
    m->changed = nullptr;
}

void PlayerView::Render() {
    rendering = true;
    for (LabelBinding& l : labels)
        l.Render();
    button->Render();
    const ScrollBar& s = m->HScroll1;
    if (bar->minimum() != s.min || bar->maximum() != s.max)
        bar->setRange(s.min, s.max);
    if (bar->value() != s.value)
        bar->setValue(s.value);
    bar->setSingleStep(s.smallChange);
    bar->setPageStep(s.largeChange);
    if (bar->isEnabled() != s.enabled)
        bar->setEnabled(s.enabled);
    if (busyShown != m->busy) {
        if (m->busy)
            setCursor(Qt::WaitCursor);
        else
            unsetCursor();
        busyShown = m->busy;
    }
    rendering = false;
}

bool PlayerView::eventFilter(QObject* watched, QEvent* event) {
    // Keys as on a timeline: Right and Down one block on, Left and Up one back, Page Down and
    // Page Up a large step, Home and End either end. A horizontal QScrollBar alone turns the
    // arrow keys the other way.
    if (watched != bar || event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    QAbstractSlider::SliderAction action = QAbstractSlider::SliderNoAction;
    switch (static_cast<QKeyEvent*>(event)->key()) {
    case Qt::Key_Right:
    case Qt::Key_Down:
        action = QAbstractSlider::SliderSingleStepAdd;
        break;
    case Qt::Key_Left:
    case Qt::Key_Up:
        action = QAbstractSlider::SliderSingleStepSub;
        break;
    case Qt::Key_PageDown:
        action = QAbstractSlider::SliderPageStepAdd;
        break;
    case Qt::Key_PageUp:
        action = QAbstractSlider::SliderPageStepSub;
        break;
    case Qt::Key_Home:
        action = QAbstractSlider::SliderToMinimum;
        break;
    case Qt::Key_End:
        action = QAbstractSlider::SliderToMaximum;
        break;
    default:
        return QDialog::eventFilter(watched, event);
    }
    bar->triggerAction(action);
    return true;
}

void PlayerView::closeEvent(QCloseEvent* e) {
    if (m->loaded)
        m->Form_Unload();
    Render();
    e->accept();
}

void PlayerView::reject() {
    close();
}

} // namespace velsor::views
