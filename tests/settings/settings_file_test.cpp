// The settings file: positional reading, defaults on first start, writing back, and the
// properties dialog's model.

#include "support/main_window_fixture.h"

#include "settings/settings_file.h"

using namespace velsor;
using velsor::testing::MainWindowTest;

namespace {

class SettingsTest : public MainWindowTest {
protected:
    QString ini() const { return Path(QStringLiteral("GPSMN.INI")); }
    void Read() { form->ReadSettings(); }
    int SelectedPort() const {
        for (int i = 0; i < 6; ++i)
            if (prop.Option2[i].value)
                return i + 1;
        return 0;
    }
};

} // namespace

TEST_F(SettingsTest, FirstStartRunsWithTheDefaultsItWrites) {
    Load(nullptr);
    EXPECT_EQ(ReadFile(ini()), QByteArray("[Velsor GPS Analyzer]\r\n[CommPort]=1\r\n[Tuner]=0\r\n"
                                          "[Time]=1\r\n"));
    // The running program agrees with the file at once, and with a second read of it.
    for (int read = 0; read < 2; ++read) {
        SCOPED_TRACE(read == 0 ? "first start" : "read again");
        EXPECT_EQ(nav.CommPortNo, u"1");
        EXPECT_EQ(SelectedPort(), 1);
        EXPECT_EQ(nav.TunerType, u"0");
        EXPECT_TRUE(prop.Option1[0].value && !prop.Option1[1].value);
        EXPECT_EQ(form->Label14.caption, u"GT-74/77");
        EXPECT_TRUE(form->Mnu_Ini.visible && form->Mnu_Sepa9.visible);
        EXPECT_EQ(nav.ClockSetDone, 0);
        EXPECT_EQ(prop.Check2.value, 1);
        Read();
    }
}

TEST_F(SettingsTest, ValuesAreReadAtFixedColumnsWhateverTheKeys) {
    Load("something else\r\n[commport]=4\r\n[TUNER]=1\r\n[time]=0\r\n");
    EXPECT_EQ(nav.CommPortNo, u"4");
    EXPECT_EQ(SelectedPort(), 4);
    EXPECT_EQ(nav.TunerType, u"1");
    EXPECT_EQ(form->Label14.caption, u"CFGPS");
    EXPECT_FALSE(form->Mnu_Ini.visible);
    EXPECT_EQ(nav.ClockSetDone, 1);

    WriteSettingsFile("[Velsor GPS Analyzer]\r\n[CommPort]=10\r\n[Tuner]=0\r\n[Time]=1\r\n");
    Read();
    EXPECT_EQ(nav.CommPortNo, u"1") << "only column 12 counts";
    EXPECT_EQ(nav.TunerType, u"0");
}

TEST_F(SettingsTest, BadValuesLeaveTheirSettingAsItWas) {
    Load();
    WriteSettingsFile("[Velsor GPS Analyzer]\r\n[CommPort]= 2\r\n[Tuner]=\r\n[Time]=2\r\n");
    Read();
    EXPECT_EQ(nav.CommPortNo, u"1") << "the port keeps its value";
    EXPECT_EQ(SelectedPort(), 0) << "but no option is selected";
    EXPECT_EQ(nav.TunerType, u"0");
    EXPECT_FALSE(prop.Option1[0].value || prop.Option1[1].value);
    EXPECT_EQ(form->Label14.caption, u"GT-74/77");
    EXPECT_EQ(prop.Check2.value, 1);
    EXPECT_EQ(nav.ClockSetDone, 0);
}

TEST_F(SettingsTest, AShortFileIsIgnoredWhole) {
    Load();
    WriteSettingsFile("[Velsor GPS Analyzer]\r\n[CommPort]=6\r\n[Tuner]=1\r\n");
    Read();
    EXPECT_EQ(nav.CommPortNo, u"1");
    EXPECT_EQ(nav.TunerType, u"0");
    // Nothing was held open: the file can be read again at once.
    WriteSettingsFile("[Velsor GPS Analyzer]\r\n[CommPort]=6\r\n[Tuner]=1\r\n[Time]=1");
    Read();
    EXPECT_EQ(nav.CommPortNo, u"6");
}

TEST_F(SettingsTest, WritingTakesTheClockFromTheCheckBox) {
    Load();
    prop.Option2_Click(2);
    prop.Option1_Click(1);
    prop.Check2.value = 0;
    prop.Check2_Click();
    EXPECT_EQ(nav.ClockSetDone, 1);
    EXPECT_EQ(form->Label14.caption, u"GT-74/77") << "the label follows only the next read";
    ASSERT_TRUE(WriteSettings(ini(), nav, prop));
    EXPECT_EQ(ReadFile(ini()), QByteArray("[Velsor GPS Analyzer]\r\n[CommPort]=3\r\n[Tuner]=1\r\n"
                                          "[Time]=0\r\n"));
    nav.CommPortNo.clear();
    ASSERT_TRUE(WriteSettings(ini(), nav, prop));
    EXPECT_TRUE(ReadFile(ini()).contains("[CommPort]=\r\n"));
}

TEST_F(SettingsTest, CancellingThePropertiesDialogRestoresTheFile) {
    Load();
    form->showProperties = [&] {
        prop.Option1_Click(1);
        prop.Option2_Click(4);
        prop.Form_QueryUnload();
    };
    form->Mnu_Prop_Click();
    EXPECT_TRUE(dialogs.messages.empty()) << "no message while idle";
    EXPECT_EQ(nav.TunerType, u"0");
    EXPECT_EQ(nav.CommPortNo, u"1");
    EXPECT_EQ(form->Label14.caption, u"GT-74/77");

    form->showProperties = [&] {
        prop.Option1_Click(1);
        prop.Command1_Click(0);
    };
    form->Mnu_Prop_Click();
    EXPECT_EQ(nav.TunerType, u"1");
    EXPECT_EQ(form->Label14.caption, u"CFGPS");
}

// OK in the properties dialog when the settings cannot be saved: the choice holds for the rest
// of the run, whatever reads the old file (or finds none) afterwards.
TEST_F(SettingsTest, SettingsThatCannotBeSavedHoldForThisRun) {
    struct Case {
        const char* name;
        bool fileExists;
    };
    for (const Case c :
         {Case{"file cannot be rewritten", true}, Case{"no file, no folder", false}}) {
        SCOPED_TRACE(c.name);
        nav = Nav{};
        form = std::make_unique<NAV_FORM>(nav, plat, prop);
        dialogs.messages.clear();
        program.directory = Path(QString::fromLatin1(c.name));
        if (c.fileExists) {
            QDir().mkpath(program.directory);
            QFile f(QDir(program.directory).filePath(QStringLiteral("GPSMN.INI")));
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write("[Velsor GPS Analyzer]\r\n[CommPort]=1\r\n[Tuner]=0\r\n[Time]=1\r\n");
        }
        form->Form_Load();
        ASSERT_EQ(nav.CommPortNo, u"1");
        if (c.fileExists) {
            // Made unwritable by a folder in the file's place once it has been read.
            const QString file = QDir(program.directory).filePath(QStringLiteral("GPSMN.INI"));
            QFile::remove(file);
            QDir().mkpath(file);
        }
        form->showProperties = [&] {
            prop.Option2_Click(2);
            prop.Option1_Click(1);
            prop.Check2.value = 0;
            prop.Check2_Click();
            prop.Command1_Click(0);
        };
        form->Mnu_Prop_Click();
        ASSERT_EQ(dialogs.messages.size(), 1u);
        EXPECT_TRUE(dialogs.messages[0].text.startsWith(u"設定ファイルを保存できません。"));
        for (int read = 0; read < 2; ++read) {
            EXPECT_EQ(nav.CommPortNo, u"3");
            EXPECT_EQ(SelectedPort(), 3);
            EXPECT_EQ(nav.TunerType, u"1");
            EXPECT_EQ(form->Label14.caption, u"CFGPS");
            EXPECT_FALSE(form->Mnu_Ini.visible);
            EXPECT_EQ(prop.Check2.value, 0);
            EXPECT_EQ(nav.ClockSetDone, 1);
            form->ReadSettings(); // as a failed connect does
        }
    }
}
