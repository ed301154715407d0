#include "views/about_view.h"

#include "views/control_widgets.h"
#include "views/view_support.h"

#include <QLabel>
#include <QPushButton>

namespace velsor::views {

namespace {

QLabel* MakeLabel(QWidget* parent, const char* name, const Label& l) {
    auto* w = new QLabel(parent);
    w->setObjectName(QLatin1String(name));
    w->setGeometry(PxRect(l));
    w->setTextFormat(Qt::PlainText);
    return w;
}

} // namespace

AboutView::AboutView(frmAbout& model, QWidget* parent) : QDialog(parent), m(model) {
    SetUpFixedDialog(*this, QStringLiteral("frmAbout"), m.clientWidth, m.clientHeight);
    surface = new SurfaceWidget(m.Line1, kGrey, this);
    surface->setGeometry(0, 0, Px(m.clientWidth), Px(m.clientHeight));

    icon = new QLabel(surface);
    icon->setObjectName(QStringLiteral("Image1"));
    icon->setGeometry(PxRect(m.Image1));
    icon->setPixmap(ProgramIcon().pixmap(icon->size()));

    title = MakeLabel(surface, "lblTitle", m.lblTitle);
    title->setWordWrap(true);
    title->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    version = MakeLabel(surface, "lblVersion", m.lblVersion);
    description = MakeLabel(surface, "lblDescription", m.lblDescription);
    disclaimer = new WrappedLabel(surface);
    disclaimer->setObjectName(QStringLiteral("lblDisclaimer"));
    disclaimer->setGeometry(PxRect(m.lblDisclaimer));
    QFont small = UiFont();
    small.setPixelSize(11);
    disclaimer->setFont(small);

    auto font = [](const LabelFont& f) { return DesignFont(f.name, f.pointSize); };
    title->setFont(font(m.lblTitleFont));
    version->setFont(font(m.lblVersionFont));
    description->setFont(font(m.lblDescriptionFont));
    for (auto [w, f] : {std::pair{title, &m.lblTitleFont}, std::pair{version, &m.lblVersionFont},
                        std::pair{description, &m.lblDescriptionFont}}) {
        if (f->centred)
            w->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    }

    ok = new QPushButton(surface);
    ok->setObjectName(QStringLiteral("cmdOK"));
    ok->setGeometry(PxRect(m.cmdOK));
    ok->setDefault(true);
    sysInfo = new QPushButton(surface);
    sysInfo->setObjectName(QStringLiteral("cmdSysInfo"));
    sysInfo->setGeometry(PxRect(m.cmdSysInfo));
    sysInfo->setAutoDefault(false);
    connect(ok, &QPushButton::clicked, this, [this] {
        m.cmdOK_Click();
        Render();
    });
    connect(sysInfo, &QPushButton::clicked, this, [this] {
        m.cmdSysInfo_Click();
        Render();
    });
    m.close = [this] { QDialog::done(QDialog::Accepted); };

    Render();
    CenterOnScreen(*this);
}

AboutView::~AboutView() {
    m.close = nullptr;
}

void AboutView::Render() {
    setWindowTitle(m.caption);
    surface->Render();
    title->setText(MnemonicFree(m.lblTitle.caption));
    version->setText(MnemonicFree(m.lblVersion.caption));
    description->setText(MnemonicFree(m.lblDescription.caption));
    disclaimer->setText(MnemonicFree(m.lblDisclaimer.caption));
    ok->setText(m.cmdOK.caption);
    sysInfo->setText(m.cmdSysInfo.caption);
}

void AboutView::reject() {
    m.cmdOK_Click();
}

} // namespace velsor::views
