// The version dialog's and the closing window's models.

#include "about/frm_about.h"
#include "about/frm_end.h"
#include "support/fakes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace velsor;
using velsor::testing::FakeDialogs;
using velsor::testing::FakeProgram;

TEST(frmAbout, LoadSetsCaptionVersionAndTitle) {
    FakeDialogs dialogs;
    FakeProgram program;
    frmAbout about(dialogs, program);
    EXPECT_EQ(about.caption, u"ﾊﾞｰｼﾞｮﾝ情報");
    about.Form_Load();
    EXPECT_EQ(about.caption, u"Velsor GPS Analyzer のﾊﾞｰｼﾞｮﾝ情報");
    EXPECT_EQ(about.lblVersion.caption, u"Version 1.0.50");
    EXPECT_EQ(about.lblTitle.caption, u"Velsor GPS Analyzer for GT-74 && 77");
    EXPECT_TRUE(about.lblDisclaimer.caption.endsWith(
        u"FURUNO の GPS チューナから出力されるデータを視覚的に表現したものです。カーナビには使用"
        u"できません。あくまでも GPS 衛星の受信状況を大まかに把握するのものとして、ご利用ください"
        u"。"));
    EXPECT_FALSE(about.lblDescription.caption.isEmpty());
    EXPECT_FALSE(about.lblDescription.caption.contains(u'\n')) << "one line";
    EXPECT_EQ(about.cmdSysInfo.caption, u"ｼｽﾃﾑ情報(&S)...");
    EXPECT_EQ(about.clientWidth, 5730);
    EXPECT_EQ(about.clientHeight, 2910);
}

TEST(frmAbout, SystemInformationWhenThereIsNone) {
    FakeDialogs dialogs;
    FakeProgram program;
    frmAbout about(dialogs, program);
    about.cmdSysInfo_Click();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, u"現時点ではｼｽﾃﾑ情報を使用できません");
    EXPECT_EQ(dialogs.messages[0].title, u"Velsor GPS Analyzer");
    EXPECT_EQ(dialogs.messages[0].buttons, platform::MsgButtons::Ok);
    EXPECT_EQ(dialogs.messages[0].icon, platform::MsgIcon::None);

    program.systemInfo = true;
    about.StartSysInfo();
    EXPECT_EQ(dialogs.messages.size(), 1u) << "started: nothing to say";
}

namespace {

// Keeps the order in which the closing window asks for things.
struct OrderedProgram : FakeProgram {
    std::vector<std::string>* log;
    void ProcessEvents() override {
        FakeProgram::ProcessEvents();
        log->push_back("events");
    }
    void Exit() override {
        FakeProgram::Exit();
        log->push_back("exit");
    }
};
struct OrderedDialogs : FakeDialogs {
    std::vector<std::string>* log;
    void SetBusyPointer(bool b) override {
        FakeDialogs::SetBusyPointer(b);
        log->push_back(b ? "busy" : "normal");
    }
};

} // namespace

TEST(FrmEnd, LoadCentresOverTheMainWindowThenShows) {
    FakeDialogs dialogs;
    FakeProgram program;
    FrmEnd end(dialogs, program);
    EXPECT_EQ(end.Label1.caption, u"Velsor GPS Analyzer が終了するまで、しばらくお待ちください。");
    EXPECT_EQ(end.caption, u"Velsor GPS Analyzer");
    end.Width = 5775;
    end.Height = 1170;
    int shown = 0;
    WindowRect at;
    end.showModal = [&] {
        ++shown;
        at = WindowRect{end.Left, end.Top, end.Width, end.Height};
    };
    end.Form_Load(WindowRect{1500, 900, 7335, 7425});
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(at.left, (7335 - 5775) / 2 + 1500);
    EXPECT_EQ(at.top, (7425 - 1170) / 2 + 900);
    // Larger than the main window: it sticks out on both sides alike.
    end.Width = 9000;
    end.Form_Load(WindowRect{3000, 0, 7000, 7000});
    EXPECT_EQ(end.Left, 2000);
    EXPECT_EQ(program.exits, 0) << "loading does not end anything";
}

TEST(FrmEnd, ActivateShowsBusyDrawsOnceAndEnds) {
    std::vector<std::string> log;
    OrderedDialogs dialogs;
    dialogs.log = &log;
    OrderedProgram program;
    program.log = &log;
    FrmEnd end(dialogs, program);
    end.Form_Activate();
    EXPECT_EQ(log, (std::vector<std::string>{"busy", "events", "exit"}));
}
