#include "views/nav_form_view.h"

#include "views/view_support.h"

#include <QAction>
#include <QCloseEvent>
#include <QGroupBox>
#include <QKeySequence>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>

#include <string_view>

namespace velsor::views {

namespace {

QString Name(const char* base, int index) {
    return QStringLiteral("%1_%2").arg(QLatin1String(base)).arg(index);
}

} // namespace

template <typename W>
W* NavFormView::AddLabel(const Label& model, QWidget* parent, const QString& name,
                         Qt::Alignment alignment) {
    auto* w = new W(parent);
    w->setObjectName(name);
    labels.emplace_back(model, w, alignment);
    return w;
}

template <typename Handler> void NavFormView::Forward(Handler&& h) {
    h();
    ScheduleRender();
}

NavFormView::NavFormView(NAV_FORM& f, QWidget* parent) : QMainWindow(parent), form(f) {
    SetUpFixedWindow(*this, QStringLiteral("NAV_FORM"));

    surface = new SurfaceWidget(form.Line1, form.backColor, this);
    surface->setObjectName(QStringLiteral("client"));
    surface->setFixedSize(Px(form.clientWidth), Px(form.clientHeight));
    setCentralWidget(surface);

    AddLabel(form.Label11, surface, "Label11");
    AddLabel(form.Label14, surface, "Label14");
    for (int i = 0; i < 7; ++i)
        AddLabel(form.Label1[i], surface, Name("Label1", i));
    AddLabel(form.Label2, surface, "Label2");
    AddLabel(form.Label13, surface, "Label13");
    for (int i = 0; i < 3; ++i)
        AddLabel(form.Label4[i], surface, Name("Label4", i));
    for (int i = 0; i < 2; ++i)
        AddLabel(form.Label3[i], surface, Name("Label3", i));

    picture = new DisplayListWidget(form.Picture1, surface);
    picture->setObjectName(QStringLiteral("Picture1"));
    // A size smaller than the window's keeps the elevation marks clear of the axis.
    QFont plotFont = UiFont();
    plotFont.setPixelSize(11);
    picture->setFont(plotFont);
    for (int i = 0; i < 8; ++i) {
        AddLabel(form.Label15[i], picture, Name("Label15", i), Qt::AlignCenter);
    }

    frame = new QGroupBox(surface);
    frame->setObjectName(QStringLiteral("Frame1"));
    for (int i = 0; i < 4; ++i)
        AddLabel(form.Label12[i], frame, Name("Label12", i));

    AddLabel(form.Label18, surface, "Label18");
    scale = AddLabel<ScaleLabel>(form.Label7, surface, "Label7");
    AddLabel(form.Label5, surface, "Label5");
    for (int i = 0; i < 2; ++i)
        AddLabel(form.Label8[i], surface, Name("Label8", i));
    for (int i = 0; i < 8; ++i) {
        AddLabel(form.Label6[i], surface, Name("Label6", i));
        auto* bar = new ShapeWidget(form.dB1[i], surface);
        bar->setObjectName(Name("dB1", i));
        bars.push_back(bar);
        AddLabel(form.Label9[i], surface, Name("Label9", i));
        AddLabel(form.Label10[i], surface, Name("Label10", i));
    }
    for (int i = 0; i < 5; ++i)
        AddLabel(form.Label16[i], surface, Name("Label16", i));

    // Images that share a place are one widget each: the reception lamp, the fix lamp, and
    // the two record buttons with their pressed looks.
    auto stack = [this](const char* name, std::vector<StackedImage::Member> members) {
        auto* w = new StackedImage(std::move(members), surface);
        w->setObjectName(QLatin1String(name));
        images.push_back(w);
        return w;
    };
    stack("Image1", {{&form.Image1[0], 0, QStringLiteral(":/velsor/lamp_rx_on.svg")},
                     {&form.Image1[1], 1, QStringLiteral(":/velsor/lamp_rx_off.svg")}});
    stack("Image2", {{&form.Image2[0], 0, QStringLiteral(":/velsor/fix_2d_lit.svg")},
                     {&form.Image2[1], 1, QStringLiteral(":/velsor/fix_2d_dim.svg")},
                     {&form.Image2[2], 2, QStringLiteral(":/velsor/fix_3d_lit.svg")},
                     {&form.Image2[3], 3, QStringLiteral(":/velsor/fix_3d_dim.svg")}});
    StackedImage* start =
        stack("Image3_0", {{&form.Image3[0], 0, QStringLiteral(":/velsor/rec_start.svg")},
                           {&form.Image3[1], 1, QStringLiteral(":/velsor/rec_start_down.svg")}});
    StackedImage* stop =
        stack("Image3_2", {{&form.Image3[2], 2, QStringLiteral(":/velsor/rec_stop.svg")},
                           {&form.Image3[3], 3, QStringLiteral(":/velsor/rec_stop_down.svg")}});
    for (StackedImage* button : {start, stop}) {
        connect(button, &StackedImage::mouseDown, this,
                [this](int index, int b, int shift, int x, int y) {
                    Forward([&] { form.Image3_MouseDown(index, b, shift, x, y); });
                });
        connect(button, &StackedImage::mouseUp, this,
                [this](int index, int b, int shift, int x, int y) {
                    Forward([&] { form.Image3_MouseUp(index, b, shift, x, y); });
                });
    }

    RaiseWindowedControls(*surface);
    BuildMenus();

    timer1 = new QTimer(this);
    timer1->setObjectName(QStringLiteral("Timer1"));
    timer1->setInterval(NAV_FORM::kTimer1Interval);
    // A tick is the only event of its pass as a rule: render at once instead of waking the
    // loop again for it. A render already asked for in this pass is then done.
    connect(timer1, &QTimer::timeout, this, [this] {
        form.Timer1_Timer();
        Render();
    });
    timer2 = new QTimer(this);
    timer2->setObjectName(QStringLiteral("Timer2"));
    timer2->setInterval(NAV_FORM::kTimer2Interval);
    connect(timer2, &QTimer::timeout, this, [this] {
        form.Timer2_Timer();
        Render();
    });
    // The display-only model has no ports for the timers to look at.
    if (form.MSComm1) {
        timer1->start();
        timer2->start();
    }
    // Received data changes labels several times a second. While the timers run, the next
    // 50 ms tick renders anyway, together with the reception lamp the data lights.
    form.changed = [this] {
        if (!timer1->isActive())
            ScheduleRender();
    };

    Render();
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    adjustSize();
    CenterOnScreen(*this);
}

NavFormView::~NavFormView() {
    form.changed = nullptr;
}

void NavFormView::BuildMenus() {
    std::vector<MenuEntry> entries = form.Menus();
    auto isParent = [&](const char* name) {
        for (const MenuEntry& e : entries) {
            if (e.parent && std::string_view(e.parent) == name)
                return true;
        }
        return false;
    };
    auto indexOf = [&](const char* name) {
        for (std::size_t i = 0; i < entries.size(); ++i) {
            if (std::string_view(entries[i].name) == name)
                return static_cast<int>(i);
        }
        return -1;
    };
    std::vector<QMenu*> submenus(entries.size(), nullptr);
    std::vector<int> bindingOf(entries.size(), -1);
    const QFont menuFont = UiFont();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const MenuEntry& e = entries[i];
        const int parent = e.parent ? indexOf(e.parent) : -1;
        QMenu* container = parent >= 0 ? submenus[parent] : nullptr;
        if (parent >= 0 && !container)
            continue; // a parent that comes later: the tree is given parents first
        QAction* action = nullptr;
        if (isParent(e.name)) {
            QMenu* m = container ? container->addMenu(e.item->caption)
                                 : menuBar()->addMenu(e.item->caption);
            m->setObjectName(QLatin1String(e.name));
            m->setFont(menuFont);
            m->setSeparatorsCollapsible(false);
            submenus[i] = m;
            action = m->menuAction();
        } else if (!container) {
            action = menuBar()->addAction(e.item->caption);
        } else if (e.item->caption == u"-") {
            action = container->addSeparator();
        } else {
            action = container->addAction(e.item->caption);
        }
        action->setObjectName(QLatin1String(e.name));
        if (e.handler) {
            auto handler = e.handler;
            connect(action, &QAction::triggered, this,
                    [this, handler] { Forward([&] { handler(form); }); });
        }
        bindingOf[i] = static_cast<int>(menus.size());
        menus.push_back(
            MenuBinding{e.item, action, parent >= 0 ? bindingOf[parent] : -1, std::nullopt});
    }
}

void NavFormView::RenderMenus() {
    for (MenuBinding& b : menus) {
        const MenuItem& m = *b.item;
        const bool first = !b.shown;
        if (first)
            b.shown = m;
        MenuItem& s = *b.shown;
        if (first || m.caption != s.caption) {
            if (!b.action->isSeparator())
                b.action->setText(m.caption);
            s.caption = m.caption;
        }
        if (first || m.shortcut != s.shortcut) {
            b.action->setShortcut(QKeySequence::fromString(m.shortcut, QKeySequence::PortableText));
            s.shortcut = m.shortcut;
        }
        if (first || m.visible != s.visible) {
            b.action->setVisible(m.visible);
            s.visible = m.visible;
        }
        if (first || m.checked != s.checked) {
            if (m.checked)
                b.action->setCheckable(true);
            b.action->setChecked(m.checked);
            s.checked = m.checked;
        }
        // An entry under a disabled or hidden menu cannot be chosen, by shortcut either.
        bool enabled = m.enabled;
        for (int p = b.parent; enabled && p >= 0; p = menus[p].parent)
            enabled = menus[p].item->enabled && menus[p].item->visible;
        if (first || enabled != b.effectiveEnabled) {
            b.action->setEnabled(enabled);
            b.effectiveEnabled = enabled;
        }
        s.enabled = m.enabled;
    }
}

void NavFormView::ScheduleRender() {
    if (renderPending)
        return;
    renderPending = true;
    QTimer::singleShot(0, this, [this] {
        if (renderPending)
            Render();
    });
}

void NavFormView::Render() {
    renderPending = false;
    ++renders;
    if (windowTitle() != form.caption)
        setWindowTitle(form.caption);
    surface->Render();
    form.Picture1.PlaceMarks();
    picture->Render();
    if (!frameShown || frameShown->caption != form.Frame1.caption ||
        frameShown->left != form.Frame1.left || frameShown->top != form.Frame1.top ||
        frameShown->width != form.Frame1.width || frameShown->height != form.Frame1.height) {
        frame->setTitle(form.Frame1.caption);
        frame->setGeometry(PxRect(form.Frame1));
        frameShown = form.Frame1;
    }
    for (LabelBinding& l : labels)
        l.Render();
    std::vector<int> ticks;
    for (const LineControl& t : form.Line1)
        ticks.push_back(Px(t.x1) - scale->x());
    scale->SetTicks(std::move(ticks));
    for (StackedImage* i : images)
        i->Render();
    for (ShapeWidget* b : bars)
        b->Render();
    RenderMenus();
}

WindowRect NavFormView::OuterRectTwips() const {
    const QRect r = frameGeometry();
    return WindowRect{Twips(r.left()), Twips(r.top()), Twips(r.width()), Twips(r.height())};
}

void NavFormView::closeEvent(QCloseEvent* e) {
    // Closing the window is quitting. The quit may close windows itself: once is enough.
    if (!unloading) {
        unloading = true;
        timer1->stop();
        timer2->stop();
        form.Form_Unload();
    }
    e->accept();
}

} // namespace velsor::views
