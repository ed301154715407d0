// The version dialog, the closing window and the properties dialog, opened through the main
// window's hooks as the program wires them.

#include "settings/settings_file.h"
#include "views/about_view.h"
#include "views/end_view.h"
#include "views/prop_form_view.h"
#include "views/view_rig.h"
#include "views/windows.h"

#include <QCheckBox>
#include <QFile>
#include <QPushButton>
#include <QRadioButton>

using namespace velsor;
using velsor::testing::ViewRig;
using velsor::testing::WhenModal;

namespace {

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

template <typename T> T* In(QWidget* w, const char* name) {
    T* c = w->findChild<T*>(QLatin1String(name));
    EXPECT_NE(c, nullptr) << name;
    return c;
}

} // namespace

TEST(AboutView, ShowsTheVersionAndReportsMissingSystemInformation) {
    ViewRig rig;
    views::ConnectWindows(rig.form, *rig.view);
    bool seen = false;
    WhenModal([&](QWidget* w) {
        seen = true;
        EXPECT_EQ(w->objectName(), u"frmAbout");
        EXPECT_EQ(w->windowTitle(), u"Velsor GPS Analyzer のﾊﾞｰｼﾞｮﾝ情報");
        EXPECT_EQ(w->size(), QSize(382, 194));
        EXPECT_EQ(In<QLabel>(w, "lblTitle")->text(), u"Velsor GPS Analyzer for GT-74 & 77");
        EXPECT_EQ(In<QLabel>(w, "lblVersion")->text(), u"Version 1.0.50");
        auto* ok = In<QPushButton>(w, "cmdOK");
        EXPECT_TRUE(ok->isDefault());
        In<QPushButton>(w, "cmdSysInfo")->click();
        ASSERT_EQ(rig.fake.dialogs.messages.size(), 1u);
        const auto& m = rig.fake.dialogs.messages[0];
        EXPECT_EQ(m.text, u"現時点ではｼｽﾃﾑ情報を使用できません");
        EXPECT_EQ(m.title, u"Velsor GPS Analyzer");
        EXPECT_EQ(m.icon, platform::MsgIcon::None);
        EXPECT_EQ(m.buttons, platform::MsgButtons::Ok);
        EXPECT_TRUE(w->isVisible()) << "the dialog stays after the message";
        // Esc closes it as OK does.
        QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(w, &esc);
    });
    rig.Action("Mnu_Version_V")->trigger();
    EXPECT_TRUE(seen);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST(EndView, CentresOverTheMainWindowShowsBusyAndEndsTheProgram) {
    ViewRig rig;
    views::ConnectWindows(rig.form, *rig.view);
    rig.view->move(100, 80);
    rig.view->show();
    rig.form.GraphOpened = 1;
    QRect shown;
    QString text;
    // The fake program does not end anything: close the window once it has asked to.
    WhenModal([&](QWidget* w) {
        shown = w->frameGeometry();
        text = In<QLabel>(w, "Label1")->text();
        EXPECT_TRUE(velsor::testing::PumpUntil([&] { return rig.fake.program.exits > 0; }));
        w->close();
    });
    rig.Action("Mnu_Quit")->trigger();
    EXPECT_TRUE(text.contains(u"Velsor GPS Analyzer が終了するまで、しばらくお待ちください。"));
    EXPECT_NEAR(shown.center().x(), rig.view->frameGeometry().center().x(), 1);
    EXPECT_NEAR(shown.center().y(), rig.view->frameGeometry().center().y(), 1);
    EXPECT_EQ(rig.fake.dialogs.busy, 1);
    EXPECT_EQ(rig.fake.program.eventPasses, 1);
    EXPECT_GE(rig.fake.program.exits, 1);
}

TEST(PropFormView, ClicksGoThroughTheModelAndOkWritesTheFile) {
    ViewRig rig;
    views::ConnectWindows(rig.form, *rig.view);
    const QString ini = rig.form.SettingsFilePath();
    WhenModal([&](QWidget* w) {
        EXPECT_EQ(w->windowTitle(), u"ﾌﾟﾛﾊﾟﾃｨの設定");
        auto* gt = In<QRadioButton>(w, "Option1_0");
        auto* cf = In<QRadioButton>(w, "Option1_1");
        EXPECT_TRUE(gt->isChecked());
        EXPECT_NE(gt->parentWidget(), cf->parentWidget()) << "different containers";
        cf->click();
        EXPECT_TRUE(cf->isChecked());
        EXPECT_FALSE(gt->isChecked()) << "the model makes the pair exclusive";
        cf->click();
        EXPECT_TRUE(cf->isChecked()) << "a second click does not clear it";
        In<QRadioButton>(w, "Option2_2")->click();
        EXPECT_TRUE(In<QRadioButton>(w, "Option2_2")->isChecked());
        EXPECT_FALSE(In<QRadioButton>(w, "Option2_0")->isChecked());
        In<QCheckBox>(w, "Check2")->click();
        EXPECT_EQ(rig.prop.Check2.value, 1);
        In<QPushButton>(w, "Command1_0")->click();
    });
    rig.Action("Mnu_Prop")->trigger();
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(ReadAll(ini), "[Velsor GPS Analyzer]\r\n[CommPort]=3\r\n[Tuner]=1\r\n[Time]=1\r\n");
    rig.Pump();
    EXPECT_EQ(rig.LabelW(QStringLiteral("Label14"))->text(), u"CFGPS");
    EXPECT_FALSE(rig.Action("Mnu_Ini")->isVisible());
}

TEST(PropFormView, EscapeIsCancelAndTheFileWins) {
    ViewRig rig;
    views::ConnectWindows(rig.form, *rig.view);
    const QByteArray before = ReadAll(rig.form.SettingsFilePath());
    WhenModal([&](QWidget* w) {
        In<QRadioButton>(w, "Option1_1")->click();
        EXPECT_EQ(rig.nav.TunerType, u"1");
        QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(w, &esc);
    });
    rig.Action("Mnu_Prop")->trigger();
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(ReadAll(rig.form.SettingsFilePath()), before);
    EXPECT_EQ(rig.nav.TunerType, u"0") << "read back from the file";
}
