#include "settings/settings_file.h"

#include "nav/basic_text.h"
#include "nav/file_channels.h"

#include <QDir>

namespace velsor {

namespace {

constexpr int kChannel = 1;

QStringView CharAt(const QString& line, int column) {
    return Mid(line, column, 1).value_or(QStringView());
}

void ApplyTuner(QStringView c, Nav& nav, Prop_Form& prop, NAV_FORM& form) {
    if (c == u"0") {
        nav.TunerType = QStringLiteral("0");
        prop.Option1[0].value = true;
        form.Label14.caption = QStringLiteral("GT-74/77");
        form.Mnu_Sepa9.visible = form.Mnu_Ini.visible = true;
    } else if (c == u"1") {
        nav.TunerType = QStringLiteral("1");
        prop.Option1[1].value = true;
        form.Label14.caption = QStringLiteral("CFGPS");
        form.Mnu_Sepa9.visible = form.Mnu_Ini.visible = false;
    } else if (c == u"2") {
        nav.TunerType = QStringLiteral("2");
        prop.Option1[2].value = true;
        form.Label14.caption = QStringLiteral("NMEA");
        form.Mnu_Sepa9.visible = form.Mnu_Ini.visible = false;
    }
}

void ApplyBaud(QStringView text, Nav& nav, Prop_Form& prop) {
    for (int i = 0; i < 4; ++i) {
        if (text == QString::number(kNmeaBauds[i])) {
            nav.Baud = kNmeaBauds[i];
            for (int k = 0; k < 4; ++k)
                prop.Option3[k].value = k == i;
        }
    }
}

} // namespace

QString SettingsPath(const QString& programDirectory) {
    return QDir(programDirectory).filePath(QStringLiteral("GPSMN.INI"));
}

void ApplySettings(const SettingsValues& v, Nav& nav, Prop_Form& prop, NAV_FORM& form) {
    for (auto& o : prop.Option2)
        o.value = false;
    const QStringView port = v.port;
    if (port.size() == 1 && port[0] >= u'1' && port[0] <= u'6') {
        nav.CommPortNo = port.toString();
        prop.Option2[port[0].unicode() - u'1'].value = true;
    }

    prop.Option1[0].value = prop.Option1[1].value = prop.Option1[2].value = false;
    ApplyTuner(v.tuner, nav, prop, form);
    ApplyBaud(v.baud, nav, prop);

    if (v.clock == u"1") {
        nav.ClockSetDone = 0;
        prop.Check2.value = 1;
    } else if (v.clock == u"0") {
        nav.ClockSetDone = 1;
        prop.Check2.value = 0;
    }
}

void ReadSettings(const QString& path, Nav& nav, Prop_Form& prop, NAV_FORM& form) {
    FileChannels& ch = FileChannels::Instance();
    const int err = ch.Open(kChannel, path, FileChannels::Mode::Input);
    if (err == fileerr::kFileNotFound) {
        // First start: write the defaults and run with them, so that this run and the file
        // agree. A folder that cannot be written still leaves the defaults in use.
        if (ch.Open(kChannel, path, FileChannels::Mode::Output) == fileerr::kOk) {
            for (const char* line :
                 {"[Velsor GPS Analyzer]", "[CommPort]=1", "[Tuner]=0", "[Time]=1", "[Baud]=9600"})
                ch.WriteLine(kChannel, QString::fromLatin1(line));
            ch.Close(kChannel);
        }
        ApplySettings(
            {QStringLiteral("1"), QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("9600")},
            nav, prop, form);
        return;
    }
    if (err != fileerr::kOk)
        return;

    QString lines[4];
    for (auto& line : lines) {
        auto l = ch.ReadLine(kChannel);
        if (!l) {
            ch.Close(kChannel);
            return; // short or unreadable: nothing is applied
        }
        line = *l;
    }
    // Optional: written by this version only.
    QString baud;
    if (auto l = ch.ReadLine(kChannel); l && l->startsWith(u"[Baud]="))
        baud = l->mid(7).trimmed();
    ch.Close(kChannel);
    ApplySettings({CharAt(lines[1], 12).toString(), CharAt(lines[2], 9).toString(),
                   CharAt(lines[3], 8).toString(), baud},
                  nav, prop, form);
}

bool WriteSettings(const QString& path, const Nav& nav, const Prop_Form& prop) {
    const QString lines[] = {
        QStringLiteral("[Velsor GPS Analyzer]"),
        QStringLiteral("[CommPort]=") + nav.CommPortNo,
        QStringLiteral("[Tuner]=") + nav.TunerType,
        QStringLiteral("[Time]=") + QString::number(prop.Check2.value),
        QStringLiteral("[Baud]=") + QString::number(nav.Baud),
    };
    QByteArray bytes;
    for (const QString& line : lines)
        bytes += line.toLatin1() + "\r\n";
    // Written whole or not at all: a disk that fills part-way leaves the old settings, not a
    // cut file that the next start could not read.
    return WriteFileWhole(path, bytes);
}

} // namespace velsor
