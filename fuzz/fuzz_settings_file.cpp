// Arbitrary settings files through the reader: whatever the file holds, the settings stay
// within their values, at most one option of each group is selected, and the file channel is
// free again afterwards. An empty input stands for a missing file, which the reader creates.

#include "main_window/nav_form.h"
#include "nav/file_channels.h"
#include "nav/nav.h"
#include "settings/prop_form.h"
#include "settings/settings_file.h"

#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

struct Rig {
    Rig() : prop(nav), form(nav), path(velsor::SettingsPath(dir.path())) {}
    QTemporaryDir dir;
    velsor::Nav nav;
    velsor::Prop_Form prop;
    velsor::NAV_FORM form;
    QString path;
};

void Check(bool ok) {
    if (!ok)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Rig rig;
    if (!rig.dir.isValid())
        std::abort();
    QFile::remove(rig.path);
    if (size > 0) {
        QFile f(rig.path);
        if (!f.open(QIODevice::WriteOnly))
            std::abort();
        f.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    }

    velsor::ReadSettings(rig.path, rig.nav, rig.prop, rig.form);

    const QString& port = rig.nav.CommPortNo;
    Check(port.isEmpty() || (port.size() == 1 && port[0] >= u'1' && port[0] <= u'6'));
    const QString& tuner = rig.nav.TunerType;
    Check(tuner.isEmpty() || tuner == u"0" || tuner == u"1" || tuner == u"2");
    Check(rig.prop.Check2.value == 0 || rig.prop.Check2.value == 1);
    Check(rig.nav.ClockSetDone == 0 || rig.nav.ClockSetDone == 1);
    int ports = 0;
    for (const auto& o : rig.prop.Option2)
        ports += o.value;
    Check(ports <= 1);
    int models = 0;
    for (const auto& o : rig.prop.Option1)
        models += o.value;
    Check(models <= 1);
    Check(std::find(std::begin(velsor::kNmeaBauds), std::end(velsor::kNmeaBauds), rig.nav.Baud) !=
          std::end(velsor::kNmeaBauds));
    if (size == 0) {
        // Created with its defaults, and the run agrees with it.
        Check(QFile::exists(rig.path));
        Check(port == u"1" && rig.nav.TunerType == u"0" && rig.prop.Check2.value == 1);
    }
    Check(!velsor::FileChannels::Instance().IsOpen(1));
    return 0;
}
