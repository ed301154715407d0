#include "settings/settings_file.h"

#include "nav/basic_text.h"
#include "nav/file_channels.h"

#include <QDir>
#include <QStringDecoder>

namespace velsor {

namespace {

constexpr int kChannel = 1;
// Lines after the four the two-model program reads: each holds one key, in any order. A file
// of a later version may have more; only so many, and so long, are looked at.
constexpr int kMostExtraLines = 16;
constexpr qsizetype kMostExtraLine = platform::kMaxPortName + 32;
const QByteArray kBaudKey = QByteArrayLiteral("[Baud]=");
const QByteArray kPortNameKey = QByteArrayLiteral("[PortName]=");

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

// No speed, or one not offered, is the default: never the speed held before, which when the
// file is read again after a Cancel would be the one just cancelled.
void ApplyBaud(QStringView text, Nav& nav, Prop_Form& prop) {
    int chosen = 1; // 9600
    for (int i = 0; i < 4; ++i) {
        if (text == QString::number(kNmeaBauds[i]))
            chosen = i;
    }
    nav.Baud = kNmeaBauds[chosen];
    for (int k = 0; k < 4; ++k)
        prop.Option3[k].value = k == chosen;
}

// The name on a port line; empty when it is not UTF-8, which would not be written back as it
// was read.
QString PortNameOf(QByteArrayView bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString name = utf8(bytes);
    return utf8.hasError() ? QString() : name.trimmed();
}

} // namespace

QString SettingsPath(const QString& programDirectory) {
    return QDir(programDirectory).filePath(QStringLiteral("GPSMN.INI"));
}

void ApplySettings(const SettingsValues& v, Nav& nav, Prop_Form& prop, NAV_FORM& form) {
    for (auto& o : prop.Option2)
        o.value = false;
    QString port = v.port;
    // A named port counts only where the line the two-model program reads names none.
    const bool numbered = port.size() == 1 && port[0] >= u'1' && port[0] <= u'6';
    if (!numbered && !v.portName.isEmpty()) {
        if (const auto n = platform::ComPortNumber(v.portName); n && *n <= 6) {
            port = QString::number(*n);
        } else {
            nav.CommPortNo.clear();
            nav.CommPortName = v.portName;
        }
    }
    if (port.size() == 1 && port[0] >= u'1' && port[0] <= u'6') {
        nav.CommPortNo = port;
        nav.CommPortName.clear();
        prop.Option2[port[0].unicode() - u'1'].value = true;
    }
    prop.ShowPort();

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
        ApplySettings({QStringLiteral("1"),
                       QStringLiteral("0"),
                       QStringLiteral("1"),
                       QStringLiteral("9600"),
                       {}},
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
    // Written by this program only, after those four lines.
    QString baud, portName;
    for (int i = 0; i < kMostExtraLines; ++i) {
        const auto l = ReadBoundedLine(*ch.Device(kChannel), kMostExtraLine);
        if (!l)
            break;
        if (l->startsWith(kBaudKey))
            baud = QString::fromLatin1(l->mid(kBaudKey.size())).trimmed();
        else if (l->startsWith(kPortNameKey))
            portName = PortNameOf(l->mid(kPortNameKey.size()));
    }
    ch.Close(kChannel);
    if (portName.size() > platform::kMaxPortName)
        portName.clear();
    ApplySettings({CharAt(lines[1], 12).toString(), CharAt(lines[2], 9).toString(),
                   CharAt(lines[3], 8).toString(), baud, portName},
                  nav, prop, form);
}

bool WriteSettings(const QString& path, const Nav& nav, const Prop_Form& prop) {
    // A port by name leaves "0" where the two-model program reads the port: a digit of its
    // own, and no port to it; the name follows on a line it does not read.
    const bool named = !nav.CommPortName.isEmpty();
    const QString lines[] = {
        QStringLiteral("[Velsor GPS Analyzer]"),
        QStringLiteral("[CommPort]=") + (named ? QStringLiteral("0") : nav.CommPortNo),
        QStringLiteral("[Tuner]=") + nav.TunerType,
        QStringLiteral("[Time]=") + QString::number(prop.Check2.value),
        QStringLiteral("[Baud]=") + QString::number(nav.Baud),
    };
    QByteArray bytes;
    for (const QString& line : lines)
        bytes += line.toLatin1() + "\r\n";
    if (named)
        bytes += kPortNameKey + nav.CommPortName.toUtf8() + "\r\n";
    // Written whole or not at all: a disk that fills part-way leaves the old settings, not a
    // cut file that the next start could not read.
    return WriteFileWhole(path, bytes);
}

} // namespace velsor
