// The version dialog's and the closing window's models.

#include "about/frm_about.h"
#include "about/frm_end.h"
#include "support/fakes.h"

#include <gtest/gtest.h>

#include <string>

using namespace velsor;
using velsor::testing::FakeDialogs;
using velsor::testing::FakeProgram;

TEST(frmAbout, SystemInformationIsReportedMissingOnlyWhenItCannotStart) {
    FakeDialogs dialogs;
    FakeProgram program;
    frmAbout about(dialogs, program);
    about.cmdSysInfo_Click();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, u"現時点ではｼｽﾃﾑ情報を使用できません");
    program.systemInfo = true;
    about.cmdSysInfo_Click();
    EXPECT_EQ(dialogs.messages.size(), 1u) << "started: nothing to say";
}

TEST(FrmEnd, LoadCentresOverTheMainWindowThenShows) {
    FakeDialogs dialogs;
    FakeProgram program;
    FrmEnd end(dialogs, program);
    end.Height = 1170;
    int shown = 0;
    end.showModal = [&] { ++shown; };
    struct Case {
        int width;
        WindowRect main;
        int left, top;
    };
    for (const Case& c : {Case{5775, {1500, 900, 7335, 7425}, 2280, 4027},
                          Case{9000, {3000, 0, 7000, 7000}, 2000, 2915}}) { // sticks out alike
        end.Width = c.width;
        end.Form_Load(c.main);
        EXPECT_EQ(end.Left, c.left);
        EXPECT_EQ(end.Top, c.top);
    }
    EXPECT_EQ(shown, 2);
    EXPECT_EQ(program.exits, 0) << "loading does not end anything";
}

TEST(FrmEnd, ActivateShowsBusyLetsTheWindowDrawThenEnds) {
    // Each step notes whether the pointer was busy then: upper case when it was.
    struct Program : FakeProgram {
        FakeDialogs* dialogs = nullptr;
        std::string log;
        void ProcessEvents() override { log += dialogs->busy ? "E" : "e"; }
        void Exit() override { log += dialogs->busy ? "X" : "x"; }
    };
    FakeDialogs dialogs;
    Program program;
    program.dialogs = &dialogs;
    FrmEnd end(dialogs, program);
    end.Form_Activate();
    EXPECT_EQ(program.log, "EX");
}
