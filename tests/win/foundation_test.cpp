// End-to-end checks of the installer's frame: the silent and windowed roads the
// command line chooses, the licence page, the log page an installation run
// leaves on a machine without browsers, the About box, the Windows line of the
// log as the system reports itself under several settings, and the screenshots.
#include <gtest/gtest.h>

#include <sstream>

#include "driver/driver.h"
#include "win/installer_texts.h"
#include "resources/resource.h"

using namespace lab;

namespace {

const char LicenceStatus[] = "Please read this License Agreement carefully.";
const char ReturnCaption[] = "&Return to Scorewave";
const char PostInstallPage[] = "http://www.scorewave-music.com/docs/installed.asp?pkg=viewer";
const char LogHead[] = "Scorewave Viewer Plugin Installation Log\r\n"
                       "    _____________________________\r\n"
                       "\r\n"
                       "Installation Diagnostics\r\n"
                       "\r\n"
                       "Windows ";
const DWORD WindowWaitMs = 30000;
const DWORD InstallWaitMs = 60000;

RunOptions Installer(const std::string& args) {
    RunOptions options;
    options.args = args;
    return options;
}

std::string WindowsLine(const std::string& log) {
    for (const std::string& line : SplitLines(log))
        if (line.rfind("Windows ", 0) == 0) return line;
    return "<no Windows line>";
}

// The end of the Windows line for what the system reports to a program under
// the boxer's setting: " 64bit (<major>.<minor> <service pack>)". How the
// edition is named from these facts is the edition rules' (tests/unit).
std::string ReportedVersionEnd() {
    RunOptions boxer;
    boxer.exe = FixturePath("boxer");
    boxer.args = "--facts C:\\facts.txt";
    if (RunToEnd(boxer).exitCode != 0) return "<the boxer read no facts>";
    std::istringstream facts(ReadWholeFile("C:\\facts.txt").value_or(""));
    unsigned major = 0, minor = 0;
    std::string productType, suiteMask, productInfo, servicePack;
    facts >> major >> minor >> productType >> suiteMask >> productInfo >> std::ws;
    std::getline(facts, servicePack);
    return " 64bit (" + std::to_string(major) + "." + std::to_string(minor) + " " + servicePack +
           ")";
}

DWORD Selection(HWND edit) {
    DWORD_PTR packed = 0;
    SendMessageTimeoutA(edit, EM_GETSEL, 0, 0, SMTO_ABORTIFHUNG, 10000, &packed);
    return DWORD(packed);
}

// A control's rectangle in its dialog's client coordinates.
RECT Placed(HWND dialog, int id) {
    RECT r = {};
    GetWindowRect(GetDlgItem(dialog, id), &r);
    MapWindowPoints(HWND_DESKTOP, dialog, (POINT*)&r, 2);
    return r;
}

// The width of a caption in the dialogs' font ("MS Sans Serif", 8 points),
// the "&" counted as a character.
int CaptionWidth(const char* text) {
    HDC dc = GetDC(nullptr);
    HFONT font = CreateFontA(-MulDiv(8, GetDeviceCaps(dc, LOGPIXELSY), 72), 0, 0, 0, FW_DONTCARE,
                             FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0, PROOF_QUALITY, FF_DONTCARE,
                             "MS Sans Serif");
    HGDIOBJ previous = SelectObject(dc, font);
    SIZE extent = {0, 0};
    GetTextExtentPoint32A(dc, text, lstrlenA(text), &extent);
    SelectObject(dc, previous);
    DeleteObject(font);
    ReleaseDC(nullptr, dc);
    return extent.cx;
}

class Foundation : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(SetWindowsVersion(""));
        ASSERT_TRUE(RecordUrlLaunches("http"));
    }

    // No run of these scenarios is expected to ask anything: every box the
    // watcher answered is a finding.
    static void ExpectNoBoxes(const std::vector<BoxRecord>& boxes) {
        EXPECT_TRUE(boxes.empty()) << "unexpected boxes:" << Describe(boxes);
    }

    // Starts the windowed road and waits for the main window.
    static HWND OpenWindow(Session& run) {
        EXPECT_TRUE(run.Started());
        HWND main = run.WaitMainWindow(WindowWaitMs);
        EXPECT_TRUE(main) << "no main window; windows seen:" << Describe(run.WindowsSeen());
        return main;
    }

    // Waits for the log page a failed installation leaves.
    static bool WaitForLogPage(Session& run) {
        bool reached = run.WaitText(IDC_STATUS, FailedStatus, InstallWaitMs);
        EXPECT_TRUE(reached) << "status: \"" << run.Text(IDC_STATUS) << "\"";
        return reached;
    }
};

// ------------------------------------------------------------------ switches

TEST_F(Foundation, SilentSwitchesRunWithoutAnyWindow) {
    for (const char* args :
         {"/noui", "/NOUI", "/nouiquick", "/noui /noeu", "/noeu /noui", "/noui /x", "x/NoUi"}) {
        SCOPED_TRACE(args);
        Outcome outcome = RunInstaller(args);
        EXPECT_FALSE(outcome.timedOut);
        EXPECT_EQ(outcome.exitCode, 1);
        EXPECT_FALSE(outcome.sawWindow(MainClass)) << Describe(outcome.windows);
        ExpectNoBoxes(outcome.boxes);
    }
}

TEST_F(Foundation, OtherCommandLinesOpenTheLicencePage) {
    for (const char* args : {"", "/no", "/no ui", "noui", "-noui", "/nou", "/ noui", "/NOEx"}) {
        SCOPED_TRACE(std::string("args: \"") + args + "\"");
        Session run(Installer(args));
        HWND main = OpenWindow(run);
        ASSERT_TRUE(main);
        EXPECT_TRUE(run.WaitText(IDC_STATUS, LicenceStatus, WindowWaitMs));
        EXPECT_TRUE(run.Visible(IDC_AGREE));
        ASSERT_TRUE(run.Click(IDCANCEL));
        EXPECT_EQ(run.Wait(WindowWaitMs), 1);
        EXPECT_FALSE(run.TimedOut());
        ExpectNoBoxes(run.Boxes());
    }
}

TEST_F(Foundation, SlashInTheProgramPathCountsAsASwitch) {
    std::string silentCopy = CopyInstaller("C:\\t\\nouiX");
    std::string windowedCopy = CopyInstaller("C:\\t\\other");
    ASSERT_FALSE(silentCopy.empty());
    ASSERT_FALSE(windowedCopy.empty());

    // Written with "/", the path itself carries "/nouiX".
    RunOptions slashed;
    slashed.commandLine = "C:/t/nouiX/ScorewaveSetup.exe";
    Outcome silent = RunToEnd(slashed);
    EXPECT_EQ(silent.exitCode, 1);
    EXPECT_FALSE(silent.sawWindow(MainClass)) << Describe(silent.windows);

    // The same folder written with backslashes holds no switch.
    for (const char* line : {"C:\\t\\nouiX\\ScorewaveSetup.exe", "C:/t/other/ScorewaveSetup.exe"}) {
        SCOPED_TRACE(line);
        RunOptions options;
        options.commandLine = line;
        Session run(options);
        ASSERT_TRUE(OpenWindow(run));
        ASSERT_TRUE(run.Click(IDCANCEL));
        EXPECT_EQ(run.Wait(WindowWaitMs), 1);
    }
}

TEST_F(Foundation, NoeuSkipsTheLicenceStraightToTheLogStartedMinimised) {
    // Started with a show state in its startup info, the window takes it.
    RunOptions options = Installer("/noeu");
    options.showState = SW_SHOWMINNOACTIVE;
    Session run(options);
    HWND main = OpenWindow(run);
    ASSERT_TRUE(main);
    EXPECT_TRUE(IsIconic(main));
    ASSERT_TRUE(WaitForLogPage(run));
    EXPECT_EQ(run.Text(IDOK), ReturnCaption);
    EXPECT_FALSE(run.Visible(IDC_AGREE));
    EXPECT_FALSE(run.Visible(IDCANCEL));
    EXPECT_EQ(run.Text(IDC_INSTALL_LOG).rfind(LogHead, 0), 0u)
        << Escaped(run.Text(IDC_INSTALL_LOG));
    ASSERT_TRUE(run.Click(IDOK));
    EXPECT_EQ(run.Wait(WindowWaitMs), 1);
    EXPECT_EQ(RecordedLaunches().size(), 1u);
    ExpectNoBoxes(run.Boxes());
}

// ------------------------------------------------------------------ pages

TEST_F(Foundation, LicencePageShowsTheLicenceAndTwoButtons) {
    std::optional<std::string> licence = ReadWholeFile(SourcePath("src/resources/license.txt"));
    ASSERT_TRUE(licence.has_value());
    ASSERT_FALSE(licence->empty());

    Session run(Installer(""));
    HWND main = OpenWindow(run);
    ASSERT_TRUE(main);
    EXPECT_EQ(ClassOf(main), MainClass);
    ASSERT_TRUE(run.WaitText(IDC_STATUS, LicenceStatus, WindowWaitMs));
    EXPECT_TRUE(run.WaitUntil([&] { return run.Text(IDC_INSTALL_LOG) == *licence; }, 5000))
        << "licence shown:\n"
        << Escaped(run.Text(IDC_INSTALL_LOG).substr(0, 300));
    // At its top, nothing selected.
    HWND box = run.Control(IDC_INSTALL_LOG);
    DWORD_PTR firstLine = 1;
    auto atTopUnselected = [&] {
        SendMessageTimeoutA(box, EM_GETFIRSTVISIBLELINE, 0, 0, SMTO_ABORTIFHUNG, 10000, &firstLine);
        return firstLine == 0 && LOWORD(Selection(box)) == HIWORD(Selection(box));
    };
    EXPECT_TRUE(run.WaitUntil(atTopUnselected, 5000))
        << "first line " << firstLine << ", selection " << std::hex << Selection(box);

    for (int id : {IDC_AGREE, IDCANCEL}) {
        EXPECT_TRUE(run.Visible(id)) << id;
        EXPECT_TRUE(run.Enabled(id)) << id;
    }
    for (int id : {IDOK, IDC_BROWSE, IDC_COPY_LOG})
        EXPECT_FALSE(run.Visible(id)) << id;
    EXPECT_EQ(run.Text(IDC_AGREE), "I &Agree");
    EXPECT_EQ(run.Text(IDCANCEL), "I &Don't Agree");

    ASSERT_TRUE(run.Settle());
    EXPECT_TRUE(SaveScreenshot(ScreenshotPath("licence"), main));

    // Closing here leaves without starting an installation or a browser.
    ASSERT_TRUE(run.Close());
    EXPECT_EQ(run.Wait(WindowWaitMs), 1);
    EXPECT_TRUE(RecordedLaunches().empty());
    ExpectNoBoxes(run.Boxes());
}

TEST_F(Foundation, AgreeingRunsTheInstallationAndShowsItsLog) {
    Session run(Installer(""));
    HWND main = OpenWindow(run);
    ASSERT_TRUE(main);
    ASSERT_TRUE(run.WaitText(IDC_STATUS, LicenceStatus, WindowWaitMs));
    ASSERT_TRUE(run.Click(IDC_AGREE));
    ASSERT_TRUE(WaitForLogPage(run));
    ASSERT_TRUE(run.Settle());

    std::string log = run.Text(IDC_INSTALL_LOG);
    EXPECT_EQ(log.rfind(LogHead, 0), 0u) << Escaped(log);
    std::vector<std::string> lines = SplitLines(log);
    ASSERT_GE(lines.size(), 8u) << Escaped(log);
    EXPECT_EQ(lines[5], WindowsLine(log));
    EXPECT_EQ(lines[6], "");
    EXPECT_EQ(lines[7], "npscorew64.dll");

    EXPECT_EQ(run.Text(IDOK), ReturnCaption);
    for (int id : {IDOK, IDC_BROWSE, IDC_COPY_LOG}) {
        EXPECT_TRUE(run.Visible(id)) << id;
        EXPECT_TRUE(run.Enabled(id)) << id;
    }
    for (int id : {IDC_AGREE, IDCANCEL})
        EXPECT_FALSE(run.Visible(id)) << id;
    EXPECT_TRUE(SaveScreenshot(ScreenshotPath("log"), main));

    // The layout: the log box joins the picture's right edge at the picture's
    // height and the caption line starts where it does; the group box frames
    // both with 4 pixels to spare; Return fits its caption plus 10 pixels.
    const RECT picture = Placed(main, IDC_PICTURE), box = Placed(main, IDC_INSTALL_LOG);
    const RECT group = Placed(main, IDC_GROUP), status = Placed(main, IDC_STATUS);
    const RECT done = Placed(main, IDOK), copy = Placed(main, IDC_COPY_LOG);
    EXPECT_EQ(box.left, picture.right - 1);
    EXPECT_EQ(box.top, picture.top);
    EXPECT_EQ(box.bottom, picture.bottom);
    EXPECT_EQ(status.left, picture.right);
    EXPECT_EQ(group.left, picture.left - 4);
    EXPECT_EQ(group.right, box.right + 4);
    EXPECT_EQ(group.bottom, picture.bottom + 4);
    EXPECT_EQ(done.right - done.left, CaptionWidth(ReturnCaption) + 10);
    EXPECT_EQ(done.bottom - done.top, copy.bottom - copy.top);

    // Copy Entire Log: the clipboard gets the whole log; the selection the
    // user had comes back afterwards.
    HWND edit = run.Control(IDC_INSTALL_LOG);
    ASSERT_TRUE(SetClipboardText("before the copy"));
    DWORD_PTR ignored;
    SendMessageTimeoutA(edit, EM_SETSEL, 5, 12, SMTO_ABORTIFHUNG, 10000, &ignored);
    DWORD before = Selection(edit);
    ASSERT_EQ(before, DWORD(MAKELONG(5, 12)));
    ASSERT_TRUE(run.Click(IDC_COPY_LOG));
    EXPECT_TRUE(run.WaitUntil([&] { return ClipboardText() == log; }, 10000))
        << "clipboard: " << Escaped(ClipboardText().value_or("<none>"));
    ASSERT_TRUE(run.Settle());
    DWORD after = Selection(edit);
    EXPECT_EQ(LOWORD(after), LOWORD(before));
    EXPECT_EQ(HIWORD(after), HIWORD(before));
    EXPECT_EQ(run.Text(IDC_INSTALL_LOG), log) << "copying must not change the log";

    // Return ends the run and opens the page after the installation.
    ASSERT_TRUE(run.Click(IDOK));
    EXPECT_EQ(run.Wait(WindowWaitMs), 1);
    std::vector<std::string> launched = RecordedLaunches();
    ASSERT_EQ(launched.size(), 1u);
    EXPECT_NE(launched[0].find(PostInstallPage), std::string::npos) << launched[0];
    ExpectNoBoxes(run.Boxes());
}

TEST_F(Foundation, ClosingTheLogPageOpensNoPage) {
    Session run(Installer("/noeu"));
    ASSERT_TRUE(OpenWindow(run));
    ASSERT_TRUE(WaitForLogPage(run));
    ASSERT_TRUE(run.Close());
    EXPECT_EQ(run.Wait(WindowWaitMs), 1);
    EXPECT_TRUE(RecordedLaunches().empty());
}

TEST_F(Foundation, AboutBoxOpensFromTheSystemMenuAndCloses) {
    Session run(Installer(""));
    HWND main = OpenWindow(run);
    ASSERT_TRUE(main);
    ASSERT_TRUE(run.SysCommand(IDM_ABOUT));
    HWND about = run.WaitWindow(MainClass, AboutTitle, WindowWaitMs);
    ASSERT_TRUE(about) << Describe(run.WindowsSeen());
    EXPECT_EQ(GetWindow(about, GW_OWNER), main);
    EXPECT_TRUE(run.Visible(about, IDOK));
    ASSERT_TRUE(run.Settle(about));
    EXPECT_TRUE(SaveScreenshot(ScreenshotPath("about"), about));

    ASSERT_TRUE(run.Click(about, IDOK));
    EXPECT_TRUE(run.WaitUntil([&] { return !run.FindWindowOf(MainClass, AboutTitle); }, 10000));
    // Still on the licence page, still answering.
    EXPECT_TRUE(run.Running());
    EXPECT_EQ(run.Text(IDC_STATUS), LicenceStatus);
    ASSERT_TRUE(run.Click(IDCANCEL));
    EXPECT_EQ(run.Wait(WindowWaitMs), 1);
    ExpectNoBoxes(run.Boxes());
}

// ------------------------------------------------------------------ Windows line

TEST_F(Foundation, WindowsLineNamesTheReportedVersion) {
    for (const char* version :
         {"winxp64", "win2003", "win2008", "vista", "win7", "win2008r2", "", "win10"}) {
        SCOPED_TRACE(version);
        ASSERT_TRUE(SetWindowsVersion(version));
        ASSERT_TRUE(SetWindowsVersion(version, "boxer.exe"));
        Session run(Installer("/noeu"));
        ASSERT_TRUE(OpenWindow(run));
        ASSERT_TRUE(WaitForLogPage(run));
        const std::string line = WindowsLine(run.Text(IDC_INSTALL_LOG));
        const std::string end = ReportedVersionEnd();
        EXPECT_TRUE(line.size() > sizeof "Windows " + end.size() &&
                    line.rfind("Windows ", 0) == 0 &&
                    line.compare(line.size() - end.size(), end.size(), end) == 0)
            << line << " does not end in" << end;
        ASSERT_TRUE(run.Close());
        EXPECT_EQ(run.Wait(WindowWaitMs), 1);
    }
    ASSERT_TRUE(SetWindowsVersion(""));
    ASSERT_TRUE(SetWindowsVersion("", "boxer.exe"));
}

} // namespace
