// The automation against the system's own windows: message boxes and the
// save dialog, and the watchdog that cancels what a failed script left open.
#include "host/automation/ui_automation.h"

#include <commdlg.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

using namespace corvane::automation;

namespace {

int ShowBox(const char* text, const char* caption, UINT style)
{
    return MessageBoxA(nullptr, text, caption, style);
}

std::string TempPath(const char* name)
{
    char dir[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, dir);
    return std::string(dir) + name;
}

} // namespace

TEST(AutomationTest, ReadsAndAnswersMessageBoxes)
{
    struct Case {
        UINT style;
        int answer;
        LPCSTR icon;
        std::vector<int> buttons;
    };
    const Case cases[] = {
        {MB_OK | MB_ICONWARNING, IDOK, IDI_WARNING, {IDOK}},
        {MB_YESNO | MB_ICONQUESTION, IDNO, IDI_QUESTION, {IDYES, IDNO}},
        {MB_YESNO | MB_ICONQUESTION, IDYES, IDI_QUESTION, {IDYES, IDNO}},
    };
    for (const Case& c : cases) {
        MessageBoxInfo seen;
        ScenarioResult r = RunScenario([&] { return static_cast<INT_PTR>(ShowBox("First line \r\nSecond line.", "A caption", c.style)); },
                                       [&](Driver& d) { seen = d.AnswerMessageBox(c.answer); });
        EXPECT_EQ(r.failure, "");
        EXPECT_EQ(r.result, c.answer);
        EXPECT_EQ(seen.caption, "A caption");
        EXPECT_EQ(seen.text, "First line \r\nSecond line.");
        EXPECT_EQ(seen.buttons, c.buttons);
        EXPECT_TRUE(seen.ShowsIcon(c.icon));
        EXPECT_FALSE(seen.ShowsIcon(c.icon == IDI_WARNING ? IDI_QUESTION : IDI_WARNING));
    }
}

TEST(AutomationTest, AnsweringWithAMissingButtonFailsAndTheWatchdogCancels)
{
    ScenarioResult r = RunScenario([] { return static_cast<INT_PTR>(ShowBox("text", "caption", MB_OK)); },
                                   [](Driver& d) { d.AnswerMessageBox(IDYES); }, 3000);
    EXPECT_NE(r.failure.find("no button"), std::string::npos) << r.failure;
    EXPECT_TRUE(r.cancelled);
    EXPECT_EQ(r.result, IDOK);
}

TEST(AutomationTest, AWindowThatNeverComesTimesOut)
{
    // The modal call returns at once: the wait fails without using up its time.
    ScenarioResult r = RunScenario([] { return static_cast<INT_PTR>(0); },
                                   [](Driver& d) { d.WaitForMessageBox(); }, 60000);
    EXPECT_NE(r.failure.find("returned before it appeared"), std::string::npos) << r.failure;
}

TEST(AutomationTest, AWindowLeftOpenIsCancelled)
{
    // The script ends without answering: the watchdog closes the box.
    ScenarioResult r = RunScenario([] { return static_cast<INT_PTR>(ShowBox("text", "caption", MB_YESNO)); },
                                   [](Driver& d) { d.WaitForMessageBox(); }, 1000);
    EXPECT_NE(r.failure.find("still open"), std::string::npos) << r.failure;
    EXPECT_TRUE(r.cancelled);
    EXPECT_EQ(r.result, IDNO);
}

TEST(AutomationTest, AQuestionThatKeepsComingBackEndsThroughQuit)
{
    // Every No brings the question back; only WM_QUIT ends the loop.
    int asked = 0;
    ScenarioResult r = RunScenario(
        [&] {
            while (ShowBox("Again?", "Loop", MB_YESNO) == IDNO)
                ++asked;
            return static_cast<INT_PTR>(asked);
        },
        [](Driver&) { throw AutomationError("script gave up"); }, 1000);
    EXPECT_EQ(r.failure, "script gave up");
    EXPECT_TRUE(r.cancelled);
    EXPECT_GE(asked, 2);
    // The quit message was consumed: a later box works normally.
    ScenarioResult next = RunScenario([] { return static_cast<INT_PTR>(ShowBox("text", "caption", MB_OK)); },
                                      [](Driver& d) { d.AnswerMessageBox(IDOK); });
    EXPECT_EQ(next.failure, "");
    EXPECT_EQ(next.result, IDOK);
}

class SaveDialogTest : public ::testing::Test {
protected:
    // The save dialog as a payment run opens it.
    INT_PTR RunSaveDialog(const std::string& initial)
    {
        char file[MAX_PATH] = {};
        lstrcpynA(file, initial.c_str(), MAX_PATH);
        OPENFILENAMEA ofn = {};
        ofn.lStructSize = sizeof ofn;
        ofn.lpstrFilter = "Payment Files (*.csv)\0*.csv\0All Files (*.*)\0*.*\0";
        ofn.nFilterIndex = 1;
        ofn.lpstrFile = file;
        ofn.nMaxFile = MAX_PATH;
        ofn.lpstrDefExt = "csv";
        ofn.Flags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_EXPLORER | OFN_ENABLESIZING;
        const BOOL ok = GetSaveFileNameA(&ofn);
        chosen = ok ? file : "";
        return ok;
    }
    std::string chosen;
};

TEST_F(SaveDialogTest, SavesANewFile)
{
    const std::string target = TempPath("qf_automation_new.csv");
    DeleteFileA(target.c_str());
    SaveOutcome outcome;
    ScenarioResult r = RunScenario([&] { return RunSaveDialog(TempPath("proposed.csv")); },
                                   [&](Driver& d) { outcome = d.Save(d.WaitForSaveDialog(), target.c_str(), IDYES); });
    EXPECT_EQ(r.failure, "");
    EXPECT_EQ(r.result, TRUE);
    EXPECT_TRUE(outcome.closed);
    EXPECT_TRUE(outcome.boxes.empty());
    EXPECT_EQ(chosen, target);
}

TEST_F(SaveDialogTest, AnswersTheOverwriteQuestion)
{
    const std::string target = TempPath("qf_automation_existing.csv");
    FILE* f = std::fopen(target.c_str(), "w");
    ASSERT_TRUE(f);
    std::fclose(f);

    // No: the dialog stays open with the question answered; then cancelled.
    SaveOutcome refused;
    ScenarioResult r = RunScenario([&] { return RunSaveDialog(""); },
                                   [&](Driver& d) {
                                       HWND dlg = d.WaitForSaveDialog();
                                       refused = d.Save(dlg, target.c_str(), IDNO);
                                       d.CancelSaveDialog(dlg);
                                   });
    EXPECT_EQ(r.failure, "");
    EXPECT_EQ(r.result, FALSE);
    EXPECT_FALSE(refused.closed);
    ASSERT_EQ(refused.boxes.size(), 1u);
    // Windows names the file, Wine does not; both ask to replace it.
    EXPECT_NE(refused.boxes[0].text.find("replace"), std::string::npos) << refused.boxes[0].text;
    EXPECT_TRUE(refused.boxes[0].HasButton(IDYES));

    // Yes: the file is chosen.
    SaveOutcome accepted;
    r = RunScenario([&] { return RunSaveDialog(""); },
                    [&](Driver& d) { accepted = d.Save(d.WaitForSaveDialog(), target.c_str(), IDYES); });
    EXPECT_EQ(r.failure, "");
    EXPECT_EQ(r.result, TRUE);
    EXPECT_TRUE(accepted.closed);
    EXPECT_EQ(accepted.boxes.size(), 1u);
    EXPECT_EQ(chosen, target);
    DeleteFileA(target.c_str());
}
