// The tuner vanishing while a dialog or question of the record commands is up: afterwards the
// window follows the link and the recording, not what they were before the dialog.

#include "support/main_window_fixture.h"

using namespace velsor;
using velsor::testing::MainWindowTest;
using velsor::testing::PtyPair;
using velsor::testing::WaitFor;

namespace {

enum class Step { RecordButton, StopButton, NewFileMenu };

struct Case {
    const char* name;
    bool recording; // before the step
    Step step;
    bool fileChosen;            // for the save dialog
    platform::MsgResult answer; // for the stop question
};

class ModalStepTest : public MainWindowTest, public ::testing::WithParamInterface<Case> {
protected:
    // While the next dialog is up the device goes and its loss is handled, as the event loop
    // behind a real modal dialog would.
    void LoseDeviceDuringNextDialog() {
        dialogs.whileOpen = [this] {
            pty->Kill();
            ASSERT_TRUE(WaitFor([&] { return !form->MSComm1->IsOpen(); }));
        };
    }
};

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
        ASSERT_EQ(nav.RecordingOn, 1);
    }

    if (c.fileChosen)
        dialogs.files.push_back(second);
    if (c.step == Step::StopButton)
        dialogs.answers.push_back(c.answer);
    LoseDeviceDuringNextDialog();
    switch (c.step) {
    case Step::RecordButton:
        form->Image3_MouseDown(0, 1, 0, 0, 0);
        form->Image3_MouseUp(0, 1, 0, 0, 0);
        break;
    case Step::StopButton:
        form->Image3_MouseDown(2, 1, 0, 0, 0);
        form->Image3_MouseUp(2, 1, 0, 0, 0);
        break;
    case Step::NewFileMenu:
        form->Mnu_Rec_Save_Click();
        break;
    }

    EXPECT_FALSE(form->MSComm1->IsOpen());
    EXPECT_EQ(nav.RecordingOn, 0) << "nothing records without a link";
    EXPECT_TRUE(IdleLook());
    EXPECT_FALSE(QFile::exists(second)) << "no recording started while disconnected";
    if (c.recording) {
        EXPECT_TRUE(ReadFile(first).endsWith("(JST) Stopped.\r\n"));
    }
    EXPECT_TRUE(MessageTexts().contains(velsor::testing::kCantConnect));

    // The next connect shows the buttons as the recording really is.
    Connect();
    EXPECT_EQ(nav.RecordingOn, 0);
    EXPECT_EQ(Buttons(), "0-2-");
}

INSTANTIATE_TEST_SUITE_P(
    DeviceLost, ModalStepTest,
    ::testing::Values(
        Case{"RecordButtonFileChosen", false, Step::RecordButton, true, platform::MsgResult::Ok},
        Case{"RecordButtonCancelled", false, Step::RecordButton, false, platform::MsgResult::Ok},
        Case{"StopQuestionNo", true, Step::StopButton, false, platform::MsgResult::No},
        Case{"StopQuestionYes", true, Step::StopButton, false, platform::MsgResult::Yes},
        Case{"NewFileWhileRecording", true, Step::NewFileMenu, true, platform::MsgResult::Ok}),
    [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });
