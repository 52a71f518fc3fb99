// The page after the installation (the Return button of the log page) opens
// as the desktop's user: through the desktop shell, whose programs are
// explorer.exe's children and never inherit the installer's elevation. Where
// the desktop shell does not answer, the installer, which runs elevated,
// starts no browser: a box shows the page's address instead. Either way the
// run ends as before.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include <windows.h>

#include "driver/driver.h"
#include "resources/resource.h"
#include "win/installer_texts.h"

using namespace lab;

namespace {

const char ReturnCaption[] = "&Return to Scorewave";
const char PostInstallPage[] = "http://www.scorewave-music.com/docs/installed.asp?pkg=viewer";
const DWORD WindowWaitMs = 30000;
const DWORD InstallWaitMs = 60000;

// While it lives, oleaut32.dll is disabled for the installer (a Wine DLL
// override): the desktop shell's road, which needs its BSTRs and its
// automation marshalling, cannot answer.
class NoAutomationForTheInstaller {
  public:
    NoAutomationForTheInstaller() { EXPECT_TRUE(Overrides().SetString("oleaut32", "")); }
    ~NoAutomationForTheInstaller() { Overrides().DeleteValue("oleaut32"); }

  private:
    static RegKey Overrides() {
        return RegKey(HKCU, "Software\\Wine\\AppDefaults\\ScorewaveSetup.exe\\DllOverrides");
    }
};

class PostInstallPageTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(RecordUrlLaunches("http")); }

    // Runs the installer to its log page, presses Return and checks the run
    // ends as it always has; the launches are then recorded. The installer's
    // process id; the boxes it showed go to boxes.
    static DWORD PressReturn(std::vector<BoxRecord>* boxes = nullptr) {
        RunOptions options;
        options.args = "/noeu";
        Session run(options);
        EXPECT_TRUE(run.Started());
        EXPECT_TRUE(run.WaitMainWindow(WindowWaitMs)) << Describe(run.WindowsSeen());
        EXPECT_TRUE(run.WaitText(IDC_STATUS, FailedStatus, InstallWaitMs))
            << "status: \"" << run.Text(IDC_STATUS) << "\"";
        EXPECT_EQ(run.Text(IDOK), ReturnCaption);
        EXPECT_TRUE(run.Click(IDOK));
        EXPECT_EQ(run.Wait(WindowWaitMs), 1);
        if (boxes)
            *boxes = run.Boxes();
        else
            EXPECT_TRUE(run.Boxes().empty()) << Describe(run.Boxes());
        return run.Pid();
    }

    // The one program the recorder saw opening the page, and who started it.
    static LaunchParent PageLauncher() {
        std::vector<std::string> launched = RecordedLaunches();
        std::vector<LaunchParent> parents = RecordedLaunchParents();
        EXPECT_EQ(launched.size(), 1u);
        EXPECT_EQ(parents.size(), 1u);
        if (launched.size() != 1 || parents.size() != 1) return {};
        EXPECT_NE(launched[0].find(PostInstallPage), std::string::npos) << launched[0];
        return parents[0];
    }
};

TEST_F(PostInstallPageTest, ReturnOpensThePageThroughTheDesktopShell) {
    // The lab's probe, which the lab ran before this program: the shell answers.
    RunOptions probe;
    probe.exe = FixturePath("desktopshell");
    ASSERT_EQ(RunToEnd(probe).exitCode, 0) << "no desktop shell in the lab";
    DWORD installer = PressReturn();
    // Started by Explorer, the desktop's shell, which is still running, not by
    // the installer.
    LaunchParent parent = PageLauncher();
    EXPECT_NE(parent.pid, installer);
    EXPECT_EQ(parent.name, "explorer.exe") << parent.pid << ", installer " << installer;
    std::vector<DWORD> explorers = ProcessesNamed("explorer.exe");
    EXPECT_NE(std::find(explorers.begin(), explorers.end(), parent.pid), explorers.end());
}

TEST_F(PostInstallPageTest, WithoutTheDesktopShellTheElevatedInstallerShowsTheAddress) {
    NoAutomationForTheInstaller noShell;
    std::vector<BoxRecord> boxes;
    PressReturn(&boxes);
    ASSERT_EQ(boxes.size(), 1u) << Describe(boxes);
    EXPECT_EQ(boxes[0].text, std::string("To see the Scorewave page, please open this address in "
                                         "your web browser:\r\n\r\n") +
                                 PostInstallPage);
    EXPECT_EQ(boxes[0].type, UINT(MB_OK | MB_ICONINFORMATION));
    EXPECT_TRUE(RecordedLaunches().empty()) << "a browser was started";
    EXPECT_TRUE(ProcessesNamed("recorder.exe").empty());
}

} // namespace
