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
    end.Width = 5775;
    end.Height = 1170;
    int shown = 0;
    end.showModal = [&] { ++shown; };
    end.Form_Load(WindowRect{1500, 900, 7335, 7425});
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(end.Left, (7335 - 5775) / 2 + 1500);
    EXPECT_EQ(end.Top, (7425 - 1170) / 2 + 900);
    end.Width = 9000; // larger than the main window: it sticks out on both sides alike
    end.Form_Load(WindowRect{3000, 0, 7000, 7000});
    EXPECT_EQ(end.Left, 2000);
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
