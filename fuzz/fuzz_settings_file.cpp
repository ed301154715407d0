// Arbitrary settings files through the reader: whatever the file holds, the settings stay
// within their values, at most one option of each group is selected, a port by name is kept
// (and shown as missing, nothing being listed) only where no numbered port is, and the file
// channel is free again afterwards. What the reader took is written back and read again the
// same, and the file written names a port to the two-model program (the character in column
// 12 of line 2) only when the port is COM1 to COM6. An empty input stands for a missing file,
// which the reader creates.

#include "main_window/nav_form.h"
#include "nav/file_channels.h"
#include "nav/nav.h"
#include "settings/prop_form.h"
#include "settings/settings_file.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

// The program's settings as a window holds them.
struct Model {
    Model() : prop(nav), form(nav) {}
    velsor::Nav nav;
    velsor::Prop_Form prop;
    velsor::NAV_FORM form;
};

// Files in memory where there is such a folder: the settings are written whole, with a sync
// to the disk that would otherwise cost more than the rest of an input.
QTemporaryDir& Folder() {
    static QTemporaryDir dir(QDir(QStringLiteral("/dev/shm")).exists()
                                 ? QStringLiteral("/dev/shm/velsor-fuzz-XXXXXX")
                                 : QDir::tempPath() + QStringLiteral("/velsor-fuzz-XXXXXX"));
    return dir;
}

struct Rig : Model {
    QString path = QDir(Folder().path()).filePath(QStringLiteral("GPSMN.INI"));
};

void Check(bool ok) {
    if (!ok)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Rig rig;
    if (!Folder().isValid())
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
    const QString& name = rig.nav.CommPortName;
    Check(name.size() <= velsor::platform::kMaxPortName);
    if (!name.isEmpty()) {
        Check(port.isEmpty() && ports == 0);
        const auto n = velsor::platform::ComPortNumber(name);
        Check(!n || *n > 6);
        const auto& box = rig.prop.Combo1;
        Check(box.listIndex >= 0 && box.listIndex < static_cast<int>(box.list.size()));
        Check(box.list[box.listIndex].endsWith(QStringLiteral("（見つかりません）")));
    }
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

    // Written back and read into a fresh program: the same settings.
    static const QString path = QDir(Folder().path()).filePath(QStringLiteral("AGAIN.INI"));
    static Model again;
    // As a program starts: nothing set. (Made afresh each time, the model cost more than the
    // rest of an input.)
    again.nav.CommPortNo.clear();
    again.nav.CommPortName.clear();
    again.nav.TunerType.clear();
    again.nav.Baud = 9600;
    again.prop.Check2.value = 0;
    Check(velsor::WriteSettings(path, rig.nav, rig.prop));
    QFile written(path);
    Check(written.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = written.readAll().split('\n');
    written.close();
    const char old = lines.size() > 1 && lines[1].size() > 11 ? lines[1][11] : '\0';
    Check((old >= '1' && old <= '6') == (name.isEmpty() && port.size() == 1));
    velsor::ReadSettings(path, again.nav, again.prop, again.form);
    Check(again.nav.CommPortNo == port && again.nav.CommPortName == name);
    Check(again.nav.TunerType == tuner && again.nav.Baud == rig.nav.Baud);
    Check(again.prop.Check2.value == rig.prop.Check2.value);
    return 0;
}
