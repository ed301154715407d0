// The settings file: positional reading, defaults on first start, writing back, and the
// properties dialog's model.

#include "support/file_size_limit.h"
#include "support/main_window_fixture.h"

using namespace velsor;
using velsor::testing::FileSizeLimit;
using velsor::testing::MainWindowTest;

namespace {

const QByteArray
    kDefaults("[Velsor GPS Analyzer]\r\n[CommPort]=1\r\n[Tuner]=0\r\n[Time]=1\r\n[Baud]=9600\r\n");
const char* const kDefaultState =
    "port 1 (option 1) tuner 0 (100) GT-74/77 +init 9600 baud (9600) clock 1 blocked 0";
const char* const kChosenState =
    "port 3 (option 3) tuner 1 (010) CFGPS 9600 baud (9600) clock 0 blocked 1";

class SettingsTest : public MainWindowTest {
protected:
    QString ini() const { return Path(QStringLiteral("GPSMN.INI")); }
    // Port 3, CFGPS, no clock correction, then OK.
    void ChooseAndOk() {
        prop.Option2_Click(2);
        prop.Option1_Click(1);
        prop.Check2.value = 0;
        prop.Check2_Click();
        prop.Command1_Click(0);
    }
    // The settings as the running program holds them, in one line.
    std::string State() const {
        QString options, tuners, speeds;
        for (int i = 0; i < 6; ++i)
            options += prop.Option2[i].value ? QString::number(i + 1) : QString();
        for (int i = 0; i < 3; ++i)
            tuners += QString::number(prop.Option1[i].value);
        for (int i = 0; i < 4; ++i)
            speeds += prop.Option3[i].value ? QString::number(kNmeaBauds[i]) : QString();
        return QStringLiteral(
                   "port %1 (option %2) tuner %3 (%4) %5%6 %7 baud (%8) clock %9 blocked %10")
            .arg(nav.CommPortNo, options.isEmpty() ? QStringLiteral("none") : options,
                 nav.TunerType, tuners, form->Label14.caption,
                 form->Mnu_Ini.visible && form->Mnu_Sepa9.visible ? u" +init" : u"")
            .arg(nav.Baud)
            .arg(speeds)
            .arg(prop.Check2.value)
            .arg(nav.ClockSetDone)
            .toStdString();
    }
};

} // namespace

TEST_F(SettingsTest, FirstStartRunsWithTheDefaultsItWrites) {
    Load(nullptr);
    EXPECT_EQ(ReadFile(ini()), kDefaults);
    EXPECT_EQ(State(), kDefaultState);
    form->ReadSettings();
    EXPECT_EQ(State(), kDefaultState) << "the file agrees with the running program";
}

// Read one after the other: a value that cannot be read leaves its setting as it was. The third
// model's line speed follows the four lines the two-model program reads; a file without it, or
// with a speed it does not offer, keeps the speed the program has.
TEST_F(SettingsTest, ValuesAreReadAtFixedColumnsAndBadOnesAreSkipped) {
    const char* const cases[][2] = {
        {"[Velsor GPS Analyzer]\r\n[CommPort]= 2\r\n[Tuner]=\r\n[Time]=2\r\n",
         "port 1 (option none) tuner 0 (000) GT-74/77 +init 9600 baud (9600) clock 1 blocked 0"},
        {"something else\r\n[commport]=4\r\n[TUNER]=1\r\n[time]=0\r\n", // whatever the keys
         "port 4 (option 4) tuner 1 (010) CFGPS 9600 baud (9600) clock 0 blocked 1"},
        {"[Velsor GPS Analyzer]\r\n[CommPort]=6\r\n[Tuner]=1\r\n[Time]=1", // no last line end
         "port 6 (option 6) tuner 1 (010) CFGPS 9600 baud (9600) clock 1 blocked 0"},
        {"[Velsor GPS Analyzer]\r\n[CommPort]=2\r\n[Tuner]=2\r\n[Time]=0\r\n[Baud]=115200\r\n",
         "port 2 (option 2) tuner 2 (001) NMEA 115200 baud (115200) clock 0 blocked 1"},
        {"[Velsor GPS Analyzer]\r\n[CommPort]=2\r\n[Tuner]=1\r\n[Time]=0\r\n",
         "port 2 (option 2) tuner 1 (010) CFGPS 115200 baud (115200) clock 0 blocked 1"},
        {"[Velsor GPS Analyzer]\r\n[CommPort]=2\r\n[Tuner]=2\r\n[Time]=0\r\n[Baud]=300\r\n",
         "port 2 (option 2) tuner 2 (001) NMEA 115200 baud (115200) clock 0 blocked 1"},
    };
    Load();
    for (const auto& [file, state] : cases) {
        SCOPED_TRACE(file);
        WriteSettingsFile(file);
        form->ReadSettings();
        EXPECT_EQ(State(), state);
    }
    // The speed chosen in the dialog is written on its own line.
    prop.Option1_Click(2);
    prop.Option3_Click(2);
    prop.Command1_Click(0);
    EXPECT_EQ(ReadFile(ini()),
              "[Velsor GPS Analyzer]\r\n[CommPort]=2\r\n[Tuner]=2\r\n[Time]=0\r\n[Baud]=38400\r\n");
    EXPECT_EQ(State(), "port 2 (option 2) tuner 2 (001) NMEA 38400 baud (38400) clock 0 blocked 1");
}

TEST_F(SettingsTest, ThePropertiesDialogWritesOnOkAndRestoresOnCancel) {
    Load();
    const QByteArray before = ReadFile(ini());
    form->showProperties = [&] {
        prop.Option1_Click(1);
        prop.Option2_Click(4);
        prop.Form_QueryUnload();
    };
    form->Mnu_Prop_Click();
    EXPECT_EQ(State(), kDefaultState);
    EXPECT_EQ(ReadFile(ini()), before);

    form->showProperties = [&] {
        ChooseAndOk();
        EXPECT_EQ(form->Label14.caption, u"GT-74/77") << "the label only at the next read";
    };
    form->Mnu_Prop_Click();
    EXPECT_EQ(ReadFile(ini()),
              QByteArray("[Velsor GPS Analyzer]\r\n[CommPort]=3\r\n[Tuner]=1\r\n[Time]=0\r\n"
                         "[Baud]=9600\r\n"));
    EXPECT_EQ(State(), kChosenState);
    EXPECT_TRUE(dialogs.messages.empty());
}

// OK when the settings cannot be saved: the choice holds for the rest of the run, whatever
// reads the old file afterwards.
TEST_F(SettingsTest, SettingsThatCannotBeSavedHoldForThisRun) {
    Load();
    QFile::remove(ini()); // a folder in the file's place once it has been read
    QDir().mkpath(ini());
    form->showProperties = [&] { ChooseAndOk(); };
    form->Mnu_Prop_Click();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_TRUE(dialogs.messages[0].text.startsWith(u"設定ファイルを保存できません。"));
    EXPECT_EQ(State(), kChosenState);
    QDir().rmdir(ini());
    WriteSettingsFile(kDefaults);
    form->ReadSettings(); // as a failed connect does
    EXPECT_EQ(State(), kChosenState);
}

// A disk that fills while the settings are written leaves the old file whole, and the choice
// holds for this run.
TEST_F(SettingsTest, ADiskFillingDuringTheSaveLeavesTheOldFile) {
    Load();
    const QByteArray before = ReadFile(ini());
    form->showProperties = [&] {
        FileSizeLimit full(20);
        ChooseAndOk();
    };
    form->Mnu_Prop_Click();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_TRUE(dialogs.messages[0].text.startsWith(u"設定ファイルを保存できません。"));
    EXPECT_EQ(ReadFile(ini()), before);
    EXPECT_EQ(QDir(QFileInfo(ini()).path()).entryList(QDir::Files).filter(u"GPSMN"_qs),
              QStringList{u"GPSMN.INI"_qs})
        << "no temporary file left behind";
    EXPECT_EQ(State(), kChosenState);
}
