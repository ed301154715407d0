// The settings file: positional reading, defaults on first start, writing back, the
// properties dialog's model, and the port chosen by name among the machine's own.

#include "support/file_size_limit.h"
#include "support/main_window_fixture.h"

#include <algorithm>
#include <optional>

using namespace velsor;
using velsor::testing::FileSizeLimit;
using velsor::testing::MainWindowTest;
using velsor::testing::PtyPair;
using velsor::testing::WaitFor;

namespace {

const QByteArray
    kDefaults("[Velsor GPS Analyzer]\r\n[CommPort]=1\r\n[Tuner]=0\r\n[Time]=1\r\n[Baud]=9600\r\n");
const char* const kDefaultState =
    "port 1 (option 1) tuner 0 (100) GT-74/77 +init 9600 baud (9600) clock 1 blocked 0";
const char* const kChosenState =
    "port 3 (option 3) tuner 2 (001) NMEA 38400 baud (38400) clock 0 blocked 1";

class SettingsTest : public MainWindowTest {
protected:
    QString ini() const { return Path(QStringLiteral("GPSMN.INI")); }
    // The settings as the running program holds them, in one line.
    std::string State() const {
        QString options, tuners, speeds;
        for (int i = 0; i < 6; ++i)
            options += prop.Option2[i].value ? QString::number(i + 1) : QString();
        for (int i = 0; i < 3; ++i)
            tuners += QString::number(prop.Option1[i].value);
        for (int i = 0; i < 4; ++i)
            speeds += prop.Option3[i].value ? QString::number(kNmeaBauds[i]) : QString();
        // A port by name, and the entry of the list that shows the port, when there are.
        QString port = nav.CommPortNo;
        if (!nav.CommPortName.isEmpty())
            port += u"name "_qs + nav.CommPortName;
        if (prop.Combo1.listIndex >= 0)
            port += u" ["_qs + prop.Combo1.list.at(prop.Combo1.listIndex) + u']';
        return QStringLiteral(
                   "port %1 (option %2) tuner %3 (%4) %5%6 %7 baud (%8) clock %9 blocked %10")
            .arg(port, options.isEmpty() ? QStringLiteral("none") : options, nav.TunerType, tuners,
                 form->Label14.caption,
                 form->Mnu_Ini.visible && form->Mnu_Sepa9.visible ? u" +init" : u"")
            .arg(nav.Baud)
            .arg(speeds)
            .arg(prop.Check2.value)
            .arg(nav.ClockSetDone)
            .toStdString();
    }
};

} // namespace

// Read one after the other: a value that cannot be read leaves its setting as it was. The third
// model's line speed follows the four lines the two-model program reads; a file without it, or
// with a speed it does not offer, means 9600, the default. The port line the two-model
// program reads wins; a name counts only where it names none. A name that cannot be a port of
// any length or with odd characters is kept as it is (and never opened, below), one longer than
// any port name is not read. Each case's state, or its start.
TEST_F(SettingsTest, ValuesAreReadAtFixedColumnsAndBadOnesAreSkipped) {
    const QByteArray head = "[Velsor GPS Analyzer]\r\n[CommPort]=";
    const QByteArray rest = "\r\n[Tuner]=1\r\n[Time]=0\r\n";
    const QByteArray longName = "/dev/" + QByteArray(2000, 'x');
    const struct {
        QByteArray file;
        std::string state;
    } cases[] = {
        {"[Velsor GPS Analyzer]\r\n[CommPort]= 2\r\n[Tuner]=\r\n[Time]=2\r\n",
         "port 1 (option none) tuner 0 (000) GT-74/77 +init 9600 baud (9600) clock 1 blocked 0"},
        {"something else\r\n[commport]=4\r\n[TUNER]=1\r\n[time]=0\r\n", // whatever the keys
         "port 4 (option 4) tuner 1 (010) CFGPS 9600 baud (9600) clock 0 blocked 1"},
        {"[Velsor GPS Analyzer]\r\n[CommPort]=6\r\n[Tuner]=1\r\n[Time]=1", // no last line end
         "port 6 (option 6) tuner 1 (010) CFGPS 9600 baud (9600) clock 1 blocked 0"},
        {"[Velsor GPS Analyzer]\r\n[CommPort]=2\r\n[Tuner]=2\r\n[Time]=0\r\n[Baud]=115200\r\n",
         "port 2 (option 2) tuner 2 (001) NMEA 115200 baud (115200) clock 0 blocked 1"},
        {head + "2" + rest,
         "port 2 (option 2) tuner 1 (010) CFGPS 9600 baud (9600) clock 0 blocked 1"},
        {"[Velsor GPS Analyzer]\r\n[CommPort]=2\r\n[Tuner]=2\r\n[Time]=0\r\n[Baud]=300\r\n",
         "port 2 (option 2) tuner 2 (001) NMEA 9600 baud (9600) clock 0 blocked 1"},
        {head + "3" + rest + "[Baud]=9600\r\n[PortName]=COM12\r\n", "port 3 (option 3)"},
        {head + "0" + rest + "[PortName]=COM4\r\n[Baud]=38400\r\n", // the speed after the name
         "port 4 (option 4) tuner 1 (010) CFGPS 38400 baud (38400) clock 0 blocked 1"},
        {head + "0" + rest + "[PortName]=" + longName + "\r\n", "port 4 (option none)"},
        {head + "0" + rest + "[PortName]= COM12 \r\n",
         "port name COM12 [COM12（見つかりません）] (option none)"},
        {head + "0" + rest + "[PortName]=/dev/tty\x01\xe2\x80\xaeUSB0\r\n",
         "port name /dev/tty\x01\xe2\x80\xaeUSB0 [/dev/tty??USB0（見つかりません）] (option none)"},
    };
    Load();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file.left(120).toStdString());
        WriteSettingsFile(c.file);
        form->ReadSettings();
        EXPECT_EQ(State().substr(0, c.state.size()), c.state);
    }
    // A name of other scripts survives being written back byte for byte.
    const QByteArray named = head + "0" + rest + "[Baud]=9600\r\n[PortName]=/dev/serial/by-id/" +
                             QByteArray("\xe5\x8f\x97\xe4\xbf\xa1\xe6\xa9\x9f-if00") + "\r\n";
    WriteSettingsFile(named);
    form->ReadSettings();
    prop.Command1_Click(0);
    EXPECT_EQ(ReadFile(ini()), named);
}

// The first start runs with the defaults it writes.
TEST_F(SettingsTest, FirstStartRunsWithTheDefaultsItWrites) {
    Load(nullptr);
    EXPECT_EQ(ReadFile(ini()), kDefaults);
    EXPECT_EQ(State(), kDefaultState);
    form->ReadSettings();
    EXPECT_EQ(State(), kDefaultState) << "the file agrees with the running program";
}

// OK saves the choice, the speed on a line of its own; Cancel keeps the file and the settings,
// also the speed when the file is one of the two-model program, without a speed line.
// When OK cannot save, because a folder stands in the file's place or the disk fills while it
// is written, it is said, the old file (if any) is left whole with no temporary file beside it,
// and the choice holds for the rest of the run, whatever reads the old file afterwards.
TEST_F(SettingsTest, OkSavesCancelKeepsAndAChoiceThatCannotBeSavedHoldsForThisRun) {
    const QByteArray chosen("[Velsor GPS Analyzer]\r\n[CommPort]=3\r\n[Tuner]=2\r\n[Time]=0\r\n"
                            "[Baud]=38400\r\n");
    for (const char* press : {"OK", "Cancel", "Cancel, a file without a speed",
                              "OK, a folder in the file's place", "OK, disk full"}) {
        SCOPED_TRACE(press);
        const QByteArray how(press);
        const bool saved = how == "OK", cancel = how.startsWith("Cancel");
        const bool folder = how.contains("folder");
        const QByteArray start = how.contains("speed") ? kDefaults.chopped(13) : kDefaults;
        form = std::make_unique<NAV_FORM>(nav, plat, prop); // a new run
        Load(start.constData());
        ASSERT_EQ(State(), kDefaultState);
        dialogs.messages.clear();
        if (folder) {
            QFile::remove(ini());
            QDir().mkpath(ini());
        }
        form->showProperties = [&] {
            std::optional<FileSizeLimit> full;
            if (how.contains("disk"))
                full.emplace(20);
            // Port 3, the third model at 38400 baud, no clock correction.
            prop.Option2_Click(2);
            prop.Option1_Click(2);
            prop.Option3_Click(2);
            prop.Check2.value = 0;
            prop.Check2_Click();
            EXPECT_EQ(form->Label14.caption, u"GT-74/77") << "the label only at the next read";
            prop.Command1_Click(cancel ? 1 : 0);
        };
        form->Mnu_Prop_Click();
        ASSERT_EQ(dialogs.messages.size(), saved || cancel ? 0u : 1u);
        EXPECT_TRUE(saved || cancel ||
                    dialogs.messages[0].text.startsWith(u"設定ファイルを保存できません。"));
        EXPECT_EQ(State(), cancel ? kDefaultState : kChosenState);
        QDir().rmdir(ini());
        EXPECT_EQ(ReadFile(ini()), saved ? chosen : folder ? "<missing>" : start);
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).filter(u"GPSMN"_qs),
                  folder ? QStringList{} : QStringList{u"GPSMN.INI"_qs});
        WriteSettingsFile(kDefaults);
        form->ReadSettings(); // as a failed connect does
        EXPECT_EQ(State(), saved || cancel ? kDefaultState : kChosenState);
    }
}

namespace {

// Ports of the machine as the program lists them: under <program folder>/dev, a by-id link and
// a ttyUSB device, both pseudo-terminals, beside the defaults' COM1.
class PortChoiceTest : public SettingsTest {
protected:
    void SetUp() override {
        if (!PtyPair::Available())
            GTEST_SKIP() << "socat is not installed";
        byId = std::make_unique<PtyPair>(Dev(u"serial/by-id/usb-Velsor_GNSS_receiver-if00"_qs),
                                         Path(u"gnss"_qs));
        com1 = std::make_unique<PtyPair>(dir.path(), 1);
        ASSERT_TRUE(byId->Ready() && com1->Ready());
        Load(kDefaults.constData());
    }
    QString Dev(const QString& name) const { return Path(u"dev/"_qs + name); }
    static bool PlainFile(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::WriteOnly) && f.write("not a device") > 0;
    }
    // Opens the properties, chooses the listed port of that name and presses OK.
    void Choose(const QString& name) {
        form->showProperties = [&] {
            const auto& e = prop.PortEntries();
            const auto it =
                std::find_if(e.begin(), e.end(), [&](auto& p) { return p.name == name; });
            ASSERT_NE(it, e.end()) << name.toStdString();
            prop.Combo1_Click(static_cast<int>(it - e.begin()));
            prop.Command1_Click(0);
        };
        form->Mnu_Prop_Click();
    }
    std::unique_ptr<PtyPair> byId, com1;
};

} // namespace

TEST_F(PortChoiceTest, UsbDevicesAreListedByTheNamesUsersKnow) {
    const QString pts = QFileInfo(byId->portLink).canonicalFilePath();
    for (const char* name : {"ttyUSB10", "ttyUSB2", "ttyACM0"})
        ASSERT_TRUE(QFile::link(pts, Dev(QString::fromLatin1(name))));
    ASSERT_TRUE(QFile::link(Path(u"unplugged"_qs), Dev(u"serial/by-id/usb-Gone-if00"_qs)));
    ASSERT_TRUE(PlainFile(Dev(u"ttyUSB3"_qs)));
    ASSERT_TRUE(QFile::link(pts, Dev(u"ttyS0"_qs)));
    QStringList listed;
    for (const auto& p : ports.AvailablePorts())
        listed << (p.description.isEmpty() ? p.name : p.description);
    EXPECT_EQ(listed,
              (QStringList{u"usb-Velsor_GNSS_receiver-if00 ("_qs + QFileInfo(pts).fileName() + u')',
                           Dev(u"ttyACM0"_qs), Dev(u"ttyUSB2"_qs), Dev(u"ttyUSB10"_qs)}));
}

// Chosen from the list, the receiver's port is kept by name after the lines the two-model
// program reads; there line 2 says "0", which that program takes for no port at all (column 12
// is not 1 to 6), so it never opens COM1 or another port in its place.
TEST_F(PortChoiceTest, APortChosenByNameIsKeptWhereTheTwoModelProgramSeesNoPort) {
    const QString name = byId->portLink;
    Choose(name);
    const QByteArray file = ReadFile(ini());
    EXPECT_EQ(file, "[Velsor GPS Analyzer]\r\n[CommPort]=0\r\n[Tuner]=0\r\n[Time]=1\r\n"
                    "[Baud]=9600\r\n[PortName]=" +
                        name.toUtf8() + "\r\n");
    EXPECT_EQ(file.split('\n')[1].at(11), '0') << "what the two-model program reads";
    EXPECT_EQ(State(), "port name " + name.toStdString() + " [usb-Velsor_GNSS_receiver-if00 (" +
                           QFileInfo(QFileInfo(name).canonicalFilePath()).fileName().toStdString() +
                           ")] (option none) tuner 0 (100) GT-74/77 +init 9600 baud (9600) "
                           "clock 1 blocked 0");

    form->Mnu_Start_Click();
    ASSERT_TRUE(form->MSComm1->IsOpen()) << MessageTexts().join(u'|').toStdString();
    QFile gnss(byId->peerLink);
    ASSERT_TRUE(gnss.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    gnss.write("$GPGGA,123456,3541.1234,N,13945.6789,E,1,05,1.0,10,M,,M,,*00\r\n");
    EXPECT_TRUE(WaitFor([&] { return nav.RawSentence[0].startsWith(u"$GPGGA,123456"); }));
    form->Mnu_Stop_Click();

    // Back to a numbered port: the name goes.
    form->showProperties = [&] {
        prop.Option2_Click(1);
        prop.Command1_Click(0);
    };
    form->Mnu_Prop_Click();
    EXPECT_EQ(ReadFile(ini()), "[Velsor GPS Analyzer]\r\n[CommPort]=2\r\n[Tuner]=0\r\n[Time]=1\r\n"
                               "[Baud]=9600\r\n");
    EXPECT_TRUE(dialogs.messages.empty());
}

// A port chosen by name that is not there when connecting: unplugged since it was listed,
// named by the settings of another machine or a later version, or no port at all. The user is
// told which and gets the properties again; nothing is opened, the defaults' COM1 included.
TEST_F(PortChoiceTest, APortThatIsNotThereIsSaidAndTheDialogOpens) {
    const QString gone = byId->portLink;
    Choose(gone);
    byId->Kill(); // unplugged between listing and opening
    ASSERT_TRUE(PlainFile(Path(u"plain-file"_qs)));
    // A real device behind a name with a control character is no port either.
    const QString odd = Path(u"tty\x01USB0"_qs);
    ASSERT_TRUE(QFile::link(QFileInfo(com1->portLink).canonicalFilePath(), odd));
    const QString names[] = {gone, u"/dev/serial/by-id/usb-Later_Version_Receiver-if00"_qs,
                             Path(u"plain-file"_qs), odd, u"ttyUSB0"_qs};
    for (const QString& name : names) {
        SCOPED_TRACE(name.left(80).toStdString());
        nav.CommPortName = name;
        dialogs.messages.clear();
        QStringList shown; // the entry chosen in each dialog shown
        form->showProperties = [&] {
            shown << prop.Combo1.list.at(prop.Combo1.listIndex);
            prop.Form_QueryUnload();
        };
        form->Mnu_Start_Click();
        EXPECT_FALSE(form->MSComm1->IsOpen());
        ASSERT_EQ(MessageTexts().size(), 1);
        EXPECT_EQ(MessageTexts()[0],
                  u"指定したポート「"_qs + platform::ShownPortName(name) +
                      u"」が見つかりません。\r\n受信機がつながっているか確かめて、"
                      u"ポートを選び直してください。"_qs);
        ASSERT_EQ(shown.size(), 1);
        EXPECT_TRUE(shown[0].endsWith(u"（見つかりません）")) << shown[0].toStdString();
        EXPECT_TRUE(IdleLook());
    }
}
