// Running browsers against the real installer: fake browsers (the fakebrowser
// fixture) are started, I Agree is clicked, and the Active Browsers dialog, its
// notice, Try To Close and the installation that follows are watched.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>

#include "driver/driver.h"
#include "win/installer_texts.h"
#include "resources/resource.h"

using namespace lab;

namespace {

const char DialogTitle[] = "Active Browsers";
const char NoticeTitle[] = "Browsers detected";
const char NoticeText[] = "You must close your browser(s) to ensure successful installation!";
const char SafariClass[] = "{1C03B488-D53B-4a81-97F8-754559640193}";
// A Chrome install the scans find, so that an installation that runs writes a file.
const char ChromeFolder[] = "C:\\Chrome";
const char ChromePlugin[] = "C:\\Chrome\\Plugins\\npscorew64.dll";
const DWORD Generous = 30000;
const UINT_PTR PollTimerId = 4387; // the dialog's tick that looks for browsers

typedef std::vector<std::string> Lines;

std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

// One fakebrowser process; killed when it goes out of scope.
class FakeBrowser {
  public:
    explicit FakeBrowser(const std::string& args) {
        static int serial = 0;
        ++serial;
        std::string event = "fakebrowser-ready-" + std::to_string(GetCurrentProcessId()) + "-" +
                            std::to_string(serial);
        logPath_ = "C:\\fakebrowser\\" + std::to_string(serial) + ".log";
        MakeFolders("C:\\fakebrowser");
        HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, event.c_str());
        std::string line = Quoted(FixturePath("fakebrowser")) + " --ready " + event + " --log " +
                           Quoted(logPath_) + " --tell-sent " + args;
        PROCESS_INFORMATION info;
        if (!StartProcess(line, &info)) {
            ADD_FAILURE() << "cannot start " << line;
        } else {
            CloseHandle(info.hThread);
            process_ = info.hProcess;
            pid_ = info.dwProcessId;
            HANDLE both[2] = {ready, process_};
            if (WaitForMultipleObjects(2, both, FALSE, Generous) != WAIT_OBJECT_0)
                ADD_FAILURE() << "fake browser not ready: " << line;
        }
        CloseHandle(ready);
    }
    ~FakeBrowser() {
        if (!process_) return;
        if (Running()) {
            TerminateProcess(process_, 1);
            WaitForSingleObject(process_, Generous);
        }
        CloseHandle(process_);
    }
    FakeBrowser(const FakeBrowser&) = delete;
    FakeBrowser& operator=(const FakeBrowser&) = delete;

    bool Running() const { return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }
    bool WaitEnd(DWORD timeoutMs = Generous) const {
        return process_ && WaitForSingleObject(process_, timeoutMs) == WAIT_OBJECT_0;
    }
    // What the fake saw, one "event title" line each ("event/sent title" for
    // one that came in a sent message).
    Lines Events() const { return SplitLines(ReadWholeFile(logPath_).value_or("")); }
    // Closes every window as a user would.
    void CloseAll() const {
        for (HWND window : TopLevelWindows(pid_))
            PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    }

  private:
    HANDLE process_ = nullptr;
    DWORD pid_ = 0;
    std::string logPath_;
};

std::string Show(const Lines& lines) {
    std::string text;
    for (const std::string& line : lines)
        text += "[" + line + "] ";
    return text;
}

// The events of the windows with this title.
Lines EventsOf(const FakeBrowser& fake, const std::string& title) {
    Lines mine;
    for (const std::string& line : fake.Events()) {
        size_t space = line.find(' ');
        if (space != std::string::npos && line.substr(space + 1) == title) mine.push_back(line);
    }
    return mine;
}

size_t IndexOf(const Lines& lines, const std::string& line) {
    return size_t(std::find(lines.begin(), lines.end(), line) - lines.begin());
}

bool Contains(const Lines& lines, const std::string& line) {
    return IndexOf(lines, line) < lines.size();
}

void PrepareChromeInstall() {
    RegKey(HKCU, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Google Chrome")
        .SetString("InstallLocation", ChromeFolder);
    RemoveTree(ChromeFolder);
    MakeFolders(ChromeFolder);
}

RunOptions Windowed() {
    RunOptions options;
    options.timeoutMs = 240000;
    options.boxes = {{NoticeText, IDOK, NoticeTitle, Forever}};
    return options;
}

// Clicks I Agree and returns the Active Browsers dialog.
HWND AgreeUntilDialog(Session& setup) {
    if (!setup.WaitMainWindow(Generous)) {
        ADD_FAILURE() << "no main window";
        return nullptr;
    }
    setup.Click(IDC_AGREE);
    return setup.WaitWindow(MainClass, DialogTitle, Generous);
}

Lines ListedBrowsers(HWND dialog) {
    Lines names;
    HWND list = GetDlgItem(dialog, IDC_BROWSER_LIST);
    DWORD_PTR count = 0;
    if (!list || !SendMessageTimeoutA(list, LB_GETCOUNT, 0, 0, SMTO_NORMAL, Generous, &count))
        return {"<no list>"};
    for (DWORD_PTR i = 0; i < count; ++i) {
        // The wide form: Wine hands the ANSI one across processes as UTF-16.
        WCHAR wide[256] = L"";
        DWORD_PTR length = 0;
        SendMessageTimeoutW(list, LB_GETTEXTLEN, i, 0, SMTO_NORMAL, Generous, &length);
        if (length < 256)
            SendMessageTimeoutW(list, LB_GETTEXT, i, (LPARAM)wide, SMTO_NORMAL, Generous, &length);
        char name[512] = "";
        WideCharToMultiByte(CP_ACP, 0, wide, -1, name, sizeof name, nullptr, nullptr);
        names.push_back(name);
    }
    return names;
}

// Presses a button of the dialog and returns once its handler has returned.
bool Press(HWND dialog, int id) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(GetDlgItem(dialog, id), BM_CLICK, 0, 0, SMTO_NORMAL, 120000,
                               &result) != 0;
}

bool Gone(Session& setup, HWND window, DWORD timeoutMs = Generous) {
    return setup.WaitUntil([&] { return !IsWindow(window); }, timeoutMs);
}

// True once the status line tells the outcome of an installation run.
bool InstallationRan(Session& setup) {
    return setup.WaitUntil(
        [&] {
            std::string status = setup.Text(IDC_STATUS);
            return status == SucceededStatus || status == FailedStatus;
        },
        120000);
}

Lines ClosingLines(Session& setup) {
    Lines closing;
    for (const std::string& line : SplitLines(setup.Text(IDC_INSTALL_LOG)))
        if (line.compare(0, 7, "Closing") == 0) closing.push_back(line);
    return closing;
}

void EndInstaller(Session& setup) {
    setup.Close();
    EXPECT_EQ(setup.Wait(Generous), 1);
}

const char FontFile[] = "C:\\windows\\Fonts\\Tonalis.ttf";

// Clears what an earlier installation of this test program left behind.
void ForgetInstallations() {
    PrepareChromeInstall();
    RegKey(HKCR, ".mtd").DeleteTree();
    RemoveTree(FontFile);
}

std::string WhatWasInstalled() {
    std::string found;
    if (FolderExists("C:\\Chrome\\Plugins")) found += "Chrome's Plugins folder; ";
    if (FileExists(ChromePlugin)) found += "the plug-in; ";
    if (RegKey(HKCR, ".mtd").Exists()) found += ".mtd; ";
    if (FileExists(FontFile)) found += "the font; ";
    return found;
}

} // namespace

TEST(RunningBrowsers, SilentRunNeverLooksForThem) {
    PrepareChromeInstall();
    FakeBrowser chrome("--window Chrome_WidgetWin_0 Chrome --close ignore");
    RunOptions options;
    options.args = "/noui";
    options.timeoutMs = 120000;
    Outcome outcome = RunToEnd(options);
    EXPECT_FALSE(outcome.timedOut);
    EXPECT_TRUE(outcome.exitCode == 0 || outcome.exitCode == 1) << outcome.exitCode;
    EXPECT_FALSE(outcome.sawWindow(MainClass, DialogTitle)) << Describe(outcome.windows);
    for (const BoxRecord& box : outcome.boxes)
        EXPECT_NE(box.title, NoticeTitle);
    EXPECT_TRUE(chrome.Running());
    EXPECT_TRUE(chrome.Events().empty()) << Show(chrome.Events());
}

TEST(RunningBrowsers, OnlyTheLastSixRowsCount) {
    PrepareChromeInstall();
    // Rows 0 to 3 of the table, as top-level windows and as children, and
    // classes that differ from counted ones only in case or by a character.
    FakeBrowser others("--window IEFrame \"Internet Explorer\" --window \"MSN6 Window\" MSN "
                       "--window Maxthon2_Frame Maxthon --window HostFrame Host "
                       "--child \"Yahoo! BrMain class\" --nested IEFrame "
                       "--window mozillawindowclass lower --window Chrome_WidgetWin_1 newer");
    Session setup(Windowed());
    ASSERT_TRUE(setup.WaitMainWindow(Generous));
    setup.Click(IDC_AGREE);
    EXPECT_TRUE(InstallationRan(setup));
    for (const WindowRecord& window : setup.WindowsSeen())
        EXPECT_NE(window.title, DialogTitle);
    EXPECT_TRUE(others.Events().empty()) << Show(others.Events());
    EndInstaller(setup);
}

TEST(RunningBrowsers, ListFollowsTheTableAndTheDialogEndsWhenTheyClose) {
    PrepareChromeInstall();
    // Firefox twice; Chrome only as a grandchild of a window of another class;
    // rows 0 to 3 beside them.
    FakeBrowser first("--window MozillaWindowClass \"Firefox 1\" --window MozillaWindowClass "
                      "\"Firefox 2\" --window IEFrame IE --window \"Yahoo! BrMain class\" Yahoo "
                      "--window HostFrame Host --child Pane --nested Chrome_WidgetWin_0");
    FakeBrowser second(std::string("--window Chrome_XPFrame \"Chrome 1\" --window ") + SafariClass +
                       " Safari --thread --window OpWindow Opera --window NS_AE_WindowClass ab");
    Session setup(Windowed());
    HWND dialog = AgreeUntilDialog(setup);
    ASSERT_TRUE(dialog);
    const Lines all = {"Mozilla Firefox", "Apple Safari",  "Opera",
                       "Netscape",        "Google Chrome", "Google Chrome"};
    EXPECT_EQ(ListedBrowsers(dialog), all);

    // The list follows the browsers as they close.
    second.CloseAll();
    ASSERT_TRUE(second.WaitEnd());
    const Lines left = {"Mozilla Firefox", "Google Chrome"};
    EXPECT_TRUE(setup.WaitUntil([&] { return ListedBrowsers(dialog) == left; }, Generous))
        << Show(ListedBrowsers(dialog));
    EXPECT_TRUE(IsWindow(dialog));

    // The last one closed by the user: the dialog ends by itself, the installation runs.
    first.CloseAll();
    ASSERT_TRUE(first.WaitEnd());
    EXPECT_TRUE(Gone(setup, dialog));
    EXPECT_TRUE(InstallationRan(setup));
    EXPECT_TRUE(setup.Boxes().empty()) << Describe(setup.Boxes());
    EXPECT_TRUE(ClosingLines(setup).empty());
    EndInstaller(setup);
}

TEST(RunningBrowsers, RefreshShowsTheNoticeThreeTimesThenGoesOn) {
    PrepareChromeInstall();
    FakeBrowser opera("--window OpWindow Opera --close ignore");
    Session setup(Windowed());
    HWND dialog = AgreeUntilDialog(setup);
    ASSERT_TRUE(dialog);
    for (size_t press = 1; press <= 3; ++press) {
        ASSERT_TRUE(setup.Click(dialog, IDOK));
        ASSERT_TRUE(setup.WaitBoxes(press)) << press;
        ASSERT_TRUE(setup.WaitUntil([&] { return IsWindowEnabled(dialog) != FALSE; }));
        EXPECT_TRUE(IsWindow(dialog));
    }
    for (const BoxRecord& box : setup.Boxes()) {
        EXPECT_EQ(box.title, NoticeTitle);
        EXPECT_EQ(box.text, NoticeText);
        EXPECT_EQ(box.buttons, std::vector<int>{IDOK});
        EXPECT_EQ(box.type, UINT(MB_OK)) << "no icon";
    }
    // The fourth press lets the installation go on with Opera still open.
    ASSERT_TRUE(setup.Click(dialog, IDOK));
    EXPECT_TRUE(Gone(setup, dialog));
    EXPECT_TRUE(InstallationRan(setup));
    EXPECT_EQ(setup.Boxes().size(), 3u) << Describe(setup.Boxes());
    EXPECT_TRUE(opera.Running());
    for (const std::string& line : SplitLines(setup.Text(IDC_INSTALL_LOG)))
        EXPECT_EQ(line.find("You must close"), std::string::npos) << line;
    EndInstaller(setup);
}

TEST(RunningBrowsers, RefreshAfterTheBrowsersWentEndsWithoutNotice) {
    PrepareChromeInstall();
    FakeBrowser netscape("--window NS_AE_WindowClass Netscape");
    Session setup(Windowed());
    HWND dialog = AgreeUntilDialog(setup);
    ASSERT_TRUE(dialog);
    netscape.CloseAll();
    ASSERT_TRUE(netscape.WaitEnd());
    // Whichever comes first, the press or the next tick, no notice is shown.
    setup.Command(IDOK, dialog);
    EXPECT_TRUE(Gone(setup, dialog));
    EXPECT_TRUE(InstallationRan(setup));
    EXPECT_TRUE(setup.Boxes().empty()) << Describe(setup.Boxes());
    EndInstaller(setup);
}

TEST(RunningBrowsers, LastBrowserClosingUnderTheNoticeEndsTheDialogAfterIt) {
    PrepareChromeInstall();
    FakeBrowser safari(std::string("--window ") + SafariClass + " Safari");
    RunOptions options = Windowed();
    std::atomic<HWND> notice{nullptr};
    // The notice is kept open by the test instead of being answered.
    options.onWindow = [&](Session&, const WindowRecord& window) {
        if (window.title != NoticeTitle) return false;
        notice = window.window;
        return true;
    };
    Session setup(options);
    HWND dialog = AgreeUntilDialog(setup);
    ASSERT_TRUE(dialog);
    ASSERT_TRUE(setup.Click(dialog, IDOK));
    ASSERT_TRUE(setup.WaitUntil([&] { return notice.load() != nullptr; }));

    safari.CloseAll();
    ASSERT_TRUE(safari.WaitEnd());
    // Ticks go on under the notice: the list empties but the dialog stays.
    EXPECT_TRUE(setup.WaitUntil([&] { return ListedBrowsers(dialog).empty(); }))
        << Show(ListedBrowsers(dialog));
    // One more tick, sent: it has run once the send returns. Not ended (which
    // would hide it at once, though it lives on until the box goes).
    ASSERT_TRUE(
        SendMessageTimeoutA(dialog, WM_TIMER, PollTimerId, 0, SMTO_NORMAL, Generous, nullptr));
    EXPECT_TRUE(IsWindowVisible(dialog));
    EXPECT_TRUE(IsWindow(notice.load()));

    PostMessageA(notice.load(), WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(Gone(setup, dialog));
    EXPECT_TRUE(InstallationRan(setup));
    EndInstaller(setup);
}

TEST(RunningBrowsers, CancelEscAndCloseBoxEndWithoutInstalling) {
    enum Way { CancelButton, EscapeKey, CloseBox };
    for (Way way : {CancelButton, EscapeKey, CloseBox}) {
        SCOPED_TRACE(way);
        ForgetInstallations();
        FakeBrowser chrome("--window Chrome_XPFrame Chrome --close ignore");
        Session setup(Windowed());
        HWND dialog = AgreeUntilDialog(setup);
        ASSERT_TRUE(dialog);
        if (way == CancelButton) setup.Click(dialog, IDCANCEL);
        if (way == EscapeKey) PostMessageA(dialog, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
        if (way == CloseBox) setup.SysCommand(SC_CLOSE, dialog);
        EXPECT_EQ(setup.Wait(Generous), 1);
        EXPECT_EQ(WhatWasInstalled(), "");
        EXPECT_TRUE(setup.Boxes().empty()) << Describe(setup.Boxes());
        // Cancelling asks no browser to close.
        EXPECT_TRUE(chrome.Running());
        EXPECT_TRUE(chrome.Events().empty()) << Show(chrome.Events());
    }
}

TEST(RunningBrowsers, TryToCloseEveryKindInItsOrder) {
    PrepareChromeInstall();
    // Firefox's UI window asks in a window of its own class, on another thread,
    // answered by Enter to its child 0; a plain Firefox window just closes.
    FakeBrowser firefox("--window MozillaUIWindowClass \"Firefox UI\" --child MozillaWindowClass "
                        "--close enter0 --dialog-class MozillaDialogClass --ask-apart "
                        "--window MozillaWindowClass \"Firefox plain\"");
    FakeBrowser opera("--window \"Opera Main Window\" Opera --child OpWindow");
    // Safari and Netscape on the second thread of their processes, their first
    // threads holding a question box already, on top of every window: only a
    // search limited to the browser window's thread passes over it. Safari's
    // question takes Enter in the first child of control 2501 only, so the
    // button click finds nothing.
    FakeBrowser safari(std::string("--window SafariHelper Helper --close button --ask-now ") +
                       "--thread --window " + SafariClass + " Safari --close enter2501");
    FakeBrowser netscape("--window NetscapeHelper Helper --close enter0 --ask-now --thread "
                         "--window NS_AE_WindowClass \"Netscape Navigator\" --close enter0");
    FakeBrowser chromeV1("--window Chrome_XPFrame \"Chrome old\"");
    // Both close a while after being asked, so the second is asked by the
    // sibling walk while the first is still there.
    FakeBrowser chrome("--window Chrome_WidgetWin_0 \"Chrome A\" --close delay:700 "
                       "--window Chrome_WidgetWin_0 \"Chrome B\" --close delay:700");

    Session setup(Windowed());
    HWND dialog = AgreeUntilDialog(setup);
    ASSERT_TRUE(dialog);
    ASSERT_TRUE(Press(dialog, IDC_TRY_CLOSE));
    EXPECT_TRUE(Gone(setup, dialog)) << "everything closed: the dialog ends";
    EXPECT_TRUE(InstallationRan(setup));
    const Lines labels = {"Closing Mozilla Firefox", "Closing Opera",    "Closing Apple Safari 3",
                          "Closing Apple Safari",    "Closing Netscape", "Closing Chrome V1",
                          "Closing Chrome"};
    EXPECT_EQ(ClosingLines(setup), labels) << Show(ClosingLines(setup));
    EndInstaller(setup);

    for (FakeBrowser* fake : {&firefox, &opera, &chromeV1, &chrome})
        EXPECT_TRUE(fake->WaitEnd()) << Show(fake->Events());
    // Close commands and Netscape's Enter are posted; the other keystrokes sent.
    EXPECT_EQ(firefox.Events(),
              (Lines{"close Firefox UI", "ask Firefox UI", "enter/sent Firefox UI",
                     "destroy Firefox UI", "close Firefox plain", "destroy Firefox plain"}));
    EXPECT_EQ(opera.Events(), (Lines{"close Opera", "destroy Opera"}));
    // The second close command comes while the question is open and is ignored.
    EXPECT_EQ(EventsOf(safari, "Safari"), (Lines{"close Safari", "ask Safari", "close Safari",
                                                 "enter/sent Safari", "destroy Safari"}));
    EXPECT_EQ(EventsOf(netscape, "Netscape Navigator"),
              (Lines{"close Netscape Navigator", "ask Netscape Navigator",
                     "enter Netscape Navigator", "destroy Netscape Navigator"}));
    // The decoys were never answered.
    EXPECT_EQ(EventsOf(safari, "Helper"), Lines{"ask Helper"});
    EXPECT_EQ(EventsOf(netscape, "Helper"), Lines{"ask Helper"});
    EXPECT_EQ(chromeV1.Events(), (Lines{"close Chrome old", "destroy Chrome old"}));

    // The sibling walk: the window found first is asked, then the other one,
    // before the first has gone.
    Lines events = chrome.Events();
    ASSERT_GE(events.size(), 4u) << Show(events);
    ASSERT_EQ(events[0].compare(0, 6, "close "), 0) << Show(events);
    std::string firstTitle = events[0].substr(6);
    std::string otherTitle = firstTitle == "Chrome A" ? "Chrome B" : "Chrome A";
    EXPECT_LT(IndexOf(events, "close " + otherTitle), IndexOf(events, "destroy " + firstTitle))
        << Show(events);
    EXPECT_TRUE(Contains(events, "destroy " + otherTitle)) << Show(events);
}

TEST(RunningBrowsers, TryToCloseSafariByItsButtonAndFirefoxWithoutALine) {
    PrepareChromeInstall();
    FakeBrowser firefox("--window MozillaWindowClass Firefox");
    FakeBrowser safari(std::string("--window ") + SafariClass + " Safari --close button");
    Session setup(Windowed());
    HWND dialog = AgreeUntilDialog(setup);
    ASSERT_TRUE(dialog);
    EXPECT_EQ(ListedBrowsers(dialog), (Lines{"Mozilla Firefox", "Apple Safari"}));
    ASSERT_TRUE(Press(dialog, IDC_TRY_CLOSE));
    EXPECT_TRUE(Gone(setup, dialog));
    EXPECT_TRUE(InstallationRan(setup));
    // Step 5 found no Safari left, so only the first Safari line.
    EXPECT_EQ(ClosingLines(setup), Lines{"Closing Apple Safari 3"});
    EndInstaller(setup);
    EXPECT_TRUE(firefox.WaitEnd());
    EXPECT_TRUE(safari.WaitEnd());
    EXPECT_EQ(firefox.Events(), (Lines{"close Firefox", "destroy Firefox"}));
    EXPECT_EQ(safari.Events(),
              (Lines{"close Safari", "ask Safari", "click/sent Safari", "destroy Safari"}));
}

TEST(RunningBrowsers, TryToCloseLeavesRefusingBrowsersListed) {
    ForgetInstallations();
    // Ignoring the close command; an Opera known only by "OpWindow"; a Netscape
    // with a two-character title; a Netscape window that is a child window.
    FakeBrowser stubborn("--window Chrome_XPFrame \"Chrome stuck\" --close ignore "
                         "--window MozillaWindowClass \"Firefox stuck\" --close ignore "
                         "--window OpWindow \"Opera only\" --window NS_AE_WindowClass ab "
                         "--window HostFrame Host --child NS_AE_WindowClass");
    Session setup(Windowed());
    HWND dialog = AgreeUntilDialog(setup);
    ASSERT_TRUE(dialog);
    ASSERT_TRUE(Press(dialog, IDC_TRY_CLOSE));
    EXPECT_TRUE(IsWindow(dialog));
    EXPECT_EQ(ListedBrowsers(dialog),
              (Lines{"Mozilla Firefox", "Opera", "Netscape", "Google Chrome"}));
    // The label is logged because a close command was posted; none for Firefox.
    EXPECT_EQ(ClosingLines(setup), Lines{"Closing Chrome V1"});
    Lines events = stubborn.Events();
    EXPECT_TRUE(Contains(events, "close Chrome stuck")) << Show(events);
    EXPECT_TRUE(Contains(events, "close Firefox stuck")) << Show(events);
    EXPECT_FALSE(Contains(events, "close Opera only")) << Show(events);
    EXPECT_FALSE(Contains(events, "close ab")) << Show(events);
    EXPECT_FALSE(Contains(events, "close Host")) << Show(events);

    setup.Click(dialog, IDCANCEL);
    EXPECT_EQ(setup.Wait(Generous), 1);
    EXPECT_EQ(WhatWasInstalled(), "");
    EXPECT_TRUE(stubborn.Running());
}

TEST(RunningBrowsers, HungBrowserNeitherHangsTryToCloseNorCancel) {
    // Safari's question is open and then the browser stops taking messages:
    // the click sent to its question finds no one to handle it.
    const std::string hangName = "browsers-hang-" + std::to_string(GetCurrentProcessId());
    HANDLE hang = CreateEventA(nullptr, TRUE, FALSE, hangName.c_str());
    ASSERT_TRUE(hang);
    // One click sent to the hung question waits out the installer's 5 s limit, four polls
    // take 0.9 s each: about 9 s. Room for a loaded machine; a limit five times as long fails.
    const DWORD ManySecondsMs = 25000;
    for (bool recovers : {true, false}) {
        SCOPED_TRACE(recovers ? "the browser recovers" : "cancelled while it hangs");
        ForgetInstallations();
        ResetEvent(hang);
        FakeBrowser safari("--hang " + hangName + " --window " + SafariClass +
                           " Safari --close button --ask-now");
        Session setup(Windowed());
        HWND dialog = AgreeUntilDialog(setup);
        ASSERT_TRUE(dialog);
        SetEvent(hang);
        DWORD start = GetTickCount();
        if (!recovers) {
            // Cancel pressed while Try To Close is at work, seen from Opera, which it asks first.
            FakeBrowser opera("--window \"Opera Main Window\" Opera --close ignore");
            start = GetTickCount();
            ASSERT_TRUE(setup.Click(dialog, IDC_TRY_CLOSE));
            ASSERT_TRUE(WaitFor([&] { return Contains(opera.Events(), "close Opera"); }));
            ASSERT_TRUE(setup.Click(dialog, IDCANCEL));
            EXPECT_EQ(setup.Wait(ManySecondsMs), 1);
            EXPECT_LT(GetTickCount() - start, ManySecondsMs);
            EXPECT_EQ(WhatWasInstalled(), "");
            EXPECT_TRUE(safari.Running());
            continue;
        }
        ASSERT_TRUE(Press(dialog, IDC_TRY_CLOSE));
        EXPECT_LT(GetTickCount() - start, ManySecondsMs);
        EXPECT_TRUE(IsWindow(dialog));
        EXPECT_EQ(ListedBrowsers(dialog), Lines{"Apple Safari"});
        EXPECT_EQ(ClosingLines(setup), (Lines{"Closing Apple Safari 3", "Closing Apple Safari"}));

        ResetEvent(hang);
        ASSERT_TRUE(Press(dialog, IDC_TRY_CLOSE));
        EXPECT_TRUE(Gone(setup, dialog));
        EXPECT_TRUE(InstallationRan(setup));
        EXPECT_TRUE(safari.WaitEnd());
        EXPECT_TRUE(Contains(safari.Events(), "click/sent Safari")) << Show(safari.Events());
        EndInstaller(setup);
    }
    CloseHandle(hang);
}
