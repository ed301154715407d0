// The version dialog's and the closing window's models.

#include "about/frm_about.h"
#include "about/frm_end.h"
#include "support/fakes.h"

#include <gtest/gtest.h>

#include <QRect>

#include <string>

using namespace velsor;
using velsor::testing::FakeDialogs;
using velsor::testing::FakeProgram;

TEST(frmAbout, SystemInformationIsReportedMissingOnlyWhenItCannotStart) {
    FakeDialogs dialogs;
    FakeProgram program;
    frmAbout about(dialogs, program);
    about.cmdSysInfo_Click();
    program.systemInfo = true;
    about.cmdSysInfo_Click();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, u"現時点ではｼｽﾃﾑ情報を使用できません");
}

// Loading centres the window over the main window and shows it; activating shows the busy
// pointer, lets the window draw, then ends the program (upper case: while busy).
TEST(FrmEnd, LoadCentresThenActivateEndsWhileBusy) {
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
    end.Width = 9000;
    end.Height = 1170;
    end.showModal = [&] { program.log += "S"; };
    end.Form_Load(WindowRect{3000, 900, 7000, 7425});
    EXPECT_EQ(QRect(end.Left, end.Top, end.Width, end.Height), QRect(2000, 4027, 9000, 1170));
    end.Form_Activate();
    EXPECT_EQ(program.log, "SEX");
}
