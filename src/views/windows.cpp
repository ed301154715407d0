#include "views/windows.h"

#include "about/frm_about.h"
#include "about/frm_end.h"
#include "analysis/frm_analysis.h"
#include "analysis/live_analysis.h"
#include "decoding/receiver.h"
#include "forwarding/frm_com2.h"
#include "replay/frm_player.h"
#include "settings/settings_file.h"
#include "views/about_view.h"
#include "views/analysis_view.h"
#include "views/com2_view.h"
#include "views/end_view.h"
#include "views/graph_view.h"
#include "views/nav_form_view.h"
#include "views/player_view.h"
#include "views/prop_form_view.h"
#include "views/view_support.h"

#include <memory>

namespace velsor::views {

namespace {

// The graph window's model lives as long as the main window; its view is made on first use
// and only hidden when closed.
class GraphWindow : public QObject {
public:
    GraphWindow(platform::Platform& p, QObject* owner)
        : QObject(owner), model(p.dialogs, p.program) {}
    void Open() {
        if (!view)
            view = std::make_unique<GraphView>(model);
        view->Open();
    }

private:
    frmGraph model;
    std::unique_ptr<GraphView> view;
};

// The reception analysis: gathering from the main window's link from the start, its window
// made on first use and only hidden when closed.
class AnalysisWindow : public QObject {
public:
    AnalysisWindow(NAV_FORM& form, platform::Platform& p, QObject* owner)
        : QObject(owner), form(form), platform(p) {
        live.Attach(form);
    }
    void Open() {
        if (!view) {
            model = std::make_unique<frmAnalysis>(
                live, [this] { return form.nav.TunerType; }, platform.dialogs, platform.program);
            view = std::make_unique<AnalysisView>(*model);
        }
        view->Open();
    }

private:
    NAV_FORM& form;
    platform::Platform& platform;
    analysis::LiveAnalysis live;
    std::unique_ptr<frmAnalysis> model;
    std::unique_ptr<AnalysisView> view;
};

} // namespace

void ShowAbout(platform::Dialogs& dialogs, platform::Program& program, QWidget* parent) {
    frmAbout about(dialogs, program);
    AboutView view(about, parent);
    about.Form_Load();
    view.Render();
    view.exec();
}

void ShowEnd(platform::Dialogs& dialogs, platform::Program& program, NavFormView& main) {
    FrmEnd end(dialogs, program);
    EndView view(end, &main);
    // Centred by the outer size, so the frame the window manager adds counts as well.
    const QSize frame = main.frameGeometry().size() - main.geometry().size();
    end.Width = Twips(view.width() + frame.width());
    end.Height = Twips(view.height() + frame.height());
    end.Form_Load(main.OuterRectTwips());
}

void ShowProperties(Prop_Form& prop, const QString& settingsPath, QWidget* parent) {
    if (!prop.writeSettings) {
        prop.writeSettings = [&prop, settingsPath] {
            return WriteSettings(settingsPath, prop.nav, prop);
        };
    }
    PropFormView view(prop, parent);
    view.exec();
}

void ShowForwarding(NAV_FORM& form, QWidget* parent) {
    frmCom2 dialog(form.nav, *form.MSComm2, form.platform->dialogs, form.forwarder.get());
    dialog.Form_Load(form.platform->serialPorts.AvailablePorts());
    Com2View view(dialog, parent);
    view.exec();
}

void ConnectWindows(NAV_FORM& form, NavFormView& view) {
    if (!form.platform)
        return;
    platform::Platform& p = *form.platform;
    form.showAbout = [&p, &view] { ShowAbout(p.dialogs, p.program, &view); };
    form.showEnd = [&p, &view] { ShowEnd(p.dialogs, p.program, view); };
    form.showForwarding = [&form, &view] { ShowForwarding(form, &view); };
    // The replay window lives as long as the main window; closing it only hides it.
    auto* player = new PlayerView(
        std::make_unique<frmPlayer>(form.nav, form, *form.receiver, p.dialogs, p.program), &view);
    player->model().mainWindowCorner = [&view] {
        const WindowRect r = view.OuterRectTwips();
        return std::array<int, 2>{r.left, r.top};
    };
    form.showReplay = [player] { player->model().StartFromMenu(); };
    // Made when first asked for: most runs never open it, and made at start it cost memory.
    form.showGraph = [&p, &view, graph = static_cast<GraphWindow*>(nullptr)]() mutable {
        if (!graph)
            graph = new GraphWindow(p, &view);
        graph->Open();
    };
    auto* analysis = new AnalysisWindow(form, p, &view);
    form.showAnalysis = [analysis] { analysis->Open(); };
    if (form.prop) {
        form.showProperties = [&form, &view] {
            ShowProperties(*form.prop, form.SettingsFilePath(), &view);
        };
    }
}

} // namespace velsor::views
