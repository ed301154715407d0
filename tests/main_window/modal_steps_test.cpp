// The tuner vanishing while a dialog or question of the record commands is up: afterwards the
// window follows the link and the recording, not what they were before the dialog.

#include "support/main_window_fixture.h"

using namespace velsor;
using velsor::testing::MainWindowTest;
using velsor::testing::PtyPair;
using velsor::testing::WaitFor;

namespace {

struct Case {
    const char* name;
    bool recording;             // before the step
    int button;                 // the record (0) or stop (2) button; -1: the new file menu
    bool fileChosen;            // for the save dialog
    platform::MsgResult answer; // for the stop question
};

class ModalStepTest : public MainWindowTest, public ::testing::WithParamInterface<Case> {};

} // namespace

TEST_P(ModalStepTest, TheWindowFollowsTheLinkAfterTheDialog) {
    if (!PtyPair::Available())
        GTEST_SKIP() << "socat is not installed";
    const Case& c = GetParam();
    Load();
    Connect();
    const QString first = Path(QStringLiteral("first.CSV"));
    const QString second = Path(QStringLiteral("second.CSV"));
    if (c.recording) {
        dialogs.files.push_back(first);
        form->Mnu_Rec_Save_Click();
    }
    if (c.fileChosen)
        dialogs.files.push_back(second);
    dialogs.answers.push_back(c.answer);
    // The device goes while the dialog is up, as the event loop of a real modal dialog sees it.
    dialogs.whileOpen = [this] {
        pty->Kill();
        ASSERT_TRUE(WaitFor([&] { return !form->MSComm1->IsOpen(); }));
    };
    if (c.button < 0) {
        form->Mnu_Rec_Save_Click();
    } else {
        form->Image3_MouseDown(c.button, 1, 0, 0, 0);
        form->Image3_MouseUp(c.button, 1, 0, 0, 0);
    }

    EXPECT_TRUE(IdleLook());
    EXPECT_FALSE(QFile::exists(second)) << "no recording started while disconnected";
    EXPECT_TRUE(!c.recording || ReadFile(first).endsWith("(JST) Stopped.\r\n"));
    EXPECT_TRUE(MessageTexts().contains(velsor::testing::kCantConnect));
    Connect();
    EXPECT_EQ(nav.RecordingOn, 0);
    EXPECT_EQ(Buttons(), "0-2-") << "the buttons as the recording really is";
}

INSTANTIATE_TEST_SUITE_P(
    DeviceLost, ModalStepTest,
    ::testing::Values(Case{"RecordButtonFileChosen", false, 0, true, platform::MsgResult::Ok},
                      Case{"StopQuestionNo", true, 2, false, platform::MsgResult::No},
                      Case{"StopQuestionYes", true, 2, false, platform::MsgResult::Yes},
                      Case{"NewFileWhileRecording", true, -1, true, platform::MsgResult::Ok}),
    [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });
