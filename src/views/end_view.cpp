#include "views/end_view.h"

#include "views/control_widgets.h"
#include "views/view_support.h"

#include <QLabel>
#include <QTimer>

namespace velsor::views {

EndView::EndView(FrmEnd& model, QWidget* parent) : QDialog(parent), m(model) {
    setObjectName(QStringLiteral("FrmEnd"));
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setModal(true);
    setFont(UiFont());
    setWindowTitle(m.caption);
    setFixedSize(Px(m.clientWidth), Px(m.clientHeight));
    QPalette pal = palette();
    pal.setColor(QPalette::Window, ToQColor(kGrey));
    setPalette(pal);
    setAutoFillBackground(true);

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("Image1"));
    icon->setGeometry(PxRect(m.Image1));
    icon->setPixmap(ProgramIcon().pixmap(icon->size()));
    auto* text = new WrappedLabel(this);
    text->setObjectName(QStringLiteral("Label1"));
    text->setGeometry(PxRect(m.Label1));
    QFont small = UiFont();
    small.setPixelSize(11);
    text->setFont(small);
    text->setText(MnemonicFree(m.Label1.caption));

    // The model centres the window by its outer size; the frame is added where it is known.
    m.showModal = [this] {
        move(Px(m.Left), Px(m.Top));
        exec();
    };
}

EndView::~EndView() {
    m.showModal = nullptr;
}

void EndView::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    if (activated)
        return;
    activated = true;
    QTimer::singleShot(0, this, [this] { m.Form_Activate(); });
}

} // namespace velsor::views
