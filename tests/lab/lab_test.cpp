// The lab itself: the prefix run-wine-test.sh makes, and the driver's box
// answering, registry, file, screenshot and clipboard helpers, checked against
// the boxer fixture and against Wine's own view of the machine.
#include <gtest/gtest.h>

#include <cstring>

#include "driver/driver.h"

using namespace lab;

namespace {

unsigned Answer(long exitCode, int index) {
    return (unsigned(exitCode) >> (4 * index)) & 0xF;
}

RunOptions Boxer(const std::string& args, std::vector<BoxRule> rules = {}) {
    RunOptions options;
    options.exe = FixturePath("boxer");
    options.args = args;
    options.boxes = std::move(rules);
    options.timeoutMs = 60000;
    return options;
}

} // namespace

TEST(LabPrefix, RunsOnTheVirtualDesktopOfAFreshPrefix) {
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1024);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 768);
    RegKey explorer(HKCU, "Software\\Wine\\Explorer");
    EXPECT_EQ(explorer.GetString("Desktop").value_or("<missing>"), "Default");
    EXPECT_EQ(RegKey(HKCU, "Software\\Wine\\AppDefaults\\ScorewaveSetup.exe").HasValue("Version"),
              false);
    EXPECT_TRUE(FolderExists("C:\\windows\\system32"));
}

TEST(LabPaths, LinuxPathsBecomeDriveZPaths) {
    EXPECT_EQ(WindowsPath("/work/main/build-x"), "Z:\\work\\main\\build-x");
    EXPECT_EQ(WindowsPath("/work/main/build-x/"), "Z:\\work\\main\\build-x");
    EXPECT_EQ(Join("C:\\t\\", "a.exe"), "C:\\t\\a.exe");
    EXPECT_EQ(Join("C:\\t", "a.exe"), "C:\\t\\a.exe");
    EXPECT_EQ(InstallerPath().substr(0, 3), "Z:\\");
    EXPECT_TRUE(FileExists(InstallerPath())) << InstallerPath();
    EXPECT_TRUE(FileExists(FixturePath("boxer"))) << FixturePath("boxer");
    EXPECT_TRUE(FileExists(SourcePath("src/resources/resource.h")));

    std::string copy = CopyInstaller("C:\\lab\\copy here", "Other.exe");
    ASSERT_EQ(copy, "C:\\lab\\copy here\\Other.exe");
    EXPECT_EQ(ReadWholeFile(copy), ReadWholeFile(InstallerPath()));
    EXPECT_TRUE(RemoveTree("C:\\lab"));
}

TEST(LabBoxes, ScriptAnswersInOrderAndRecordsEveryBox) {
    // Two boxes with the same question: the first rule is used up by the first.
    RunOptions options = Boxer("--type 4 \"first question\" \"second question\\nline 2\" "
                               "--type 0 \"a note\"",
                               {{"question", IDNO}, {"question", IDYES}});
    Outcome outcome = RunToEnd(options);
    ASSERT_FALSE(outcome.timedOut);
    ASSERT_EQ(outcome.boxes.size(), 3u) << Describe(outcome.boxes);
    EXPECT_EQ(Answer(outcome.exitCode, 0), unsigned(IDNO));
    EXPECT_EQ(Answer(outcome.exitCode, 1), unsigned(IDYES));
    EXPECT_EQ(Answer(outcome.exitCode, 2), unsigned(IDOK));

    const BoxRecord& first = outcome.boxes[0];
    EXPECT_EQ(first.title, BoxTitle);
    EXPECT_EQ(first.text, "first question");
    EXPECT_EQ(first.buttons, (std::vector<int>{IDYES, IDNO}));
    EXPECT_EQ(first.answer, IDNO);
    EXPECT_EQ(first.rule, 0);
    EXPECT_EQ(outcome.boxes[1].text, "second question\nline 2");
    EXPECT_EQ(outcome.boxes[1].rule, 1);
    // No rule left for the note: answered with its only button, reported.
    EXPECT_EQ(outcome.boxes[2].buttons, (std::vector<int>{IDOK}));
    EXPECT_EQ(outcome.boxes[2].rule, -1);
    EXPECT_EQ(outcome.boxes[2].answer, IDOK);
}

TEST(LabBoxes, PatternsTitlesAndMissingButtons) {
    std::vector<BoxRule> rules = {
        {"Disk * is full?", IDRETRY, BoxTitle, Forever, true},
        {"", IDYES, "Browsers detected"},
        {"not a yes/no box", IDYES},
    };
    // MB_RETRYCANCEL = 5, MB_YESNO = 4, MB_OKCANCEL = 1.
    Outcome outcome = RunToEnd(Boxer("--type 5 \"Disk C is full?\" \"Disk D: is full?\" "
                                     "\"Disk E is full\" --title \"Browsers detected\" --type 4 "
                                     "anything --title \"Scorewave Plugin Setup\" "
                                     "--type 1 \"not a yes/no box\" --title Elsewhere --type 4 "
                                     "\"who am I\"",
                                     rules));
    ASSERT_FALSE(outcome.timedOut);
    ASSERT_EQ(outcome.boxes.size(), 6u) << Describe(outcome.boxes);
    EXPECT_EQ(outcome.boxes[0].answer, IDRETRY);
    EXPECT_EQ(outcome.boxes[1].answer, IDRETRY);
    EXPECT_EQ(outcome.boxes[2].rule, -1) << "the glob must match the whole text";
    EXPECT_EQ(outcome.boxes[2].answer, IDCANCEL);
    EXPECT_EQ(outcome.boxes[3].title, "Browsers detected");
    EXPECT_EQ(outcome.boxes[3].answer, IDYES);
    EXPECT_EQ(outcome.boxes[3].rule, 1);
    // The rule asks for Yes, the box has OK and Cancel: not answered by the rule.
    EXPECT_EQ(outcome.boxes[4].rule, -1);
    EXPECT_EQ(outcome.boxes[4].answer, IDCANCEL);
    // A title no rule names: the unmatched default prefers Cancel, then No.
    EXPECT_EQ(outcome.boxes[5].title, "Elsewhere");
    EXPECT_EQ(outcome.boxes[5].answer, IDNO);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(Answer(outcome.exitCode, i), unsigned(outcome.boxes[i].answer)) << i;
}

TEST(LabBoxes, OwnedBoxesHooksAndTimeout) {
    // A box owned by a visible window is found; the owner is only recorded.
    Outcome owned = RunToEnd(Boxer("--owner --type 4 \"owned box\"", {{"owned", IDYES}}));
    ASSERT_EQ(owned.boxes.size(), 1u) << Describe(owned.boxes);
    EXPECT_EQ(owned.exitCode, IDYES);
    EXPECT_TRUE(owned.sawWindow("BoxerOwner", "Boxer owner")) << Describe(owned.windows);

    // A hook that takes the box over answers it itself; no box is recorded.
    RunOptions hooked = Boxer("--type 5 \"hooked box\"");
    int hookCalls = 0;
    hooked.onWindow = [&](Session&, const WindowRecord& window) {
        ++hookCalls;
        if (window.className != "#32770") return false;
        PostMessageA(window.window, WM_COMMAND, IDRETRY, 0);
        return true;
    };
    Outcome viaHook = RunToEnd(hooked);
    EXPECT_EQ(viaHook.exitCode, IDRETRY);
    EXPECT_TRUE(viaHook.boxes.empty()) << Describe(viaHook.boxes);
    EXPECT_EQ(hookCalls, 1);

    // A delayed answer leaves the box on screen for that long first.
    RunOptions delayed = Boxer("--type 0 \"wait for it\"", {{"wait", IDOK}});
    delayed.answerDelayMs = 700;
    Outcome late = RunToEnd(delayed);
    ASSERT_EQ(late.boxes.size(), 1u) << Describe(late.boxes);
    ASSERT_TRUE(late.sawWindow("#32770", BoxTitle)) << Describe(late.windows);
    for (const WindowRecord& window : late.windows) {
        if (window.className == "#32770") EXPECT_GE(late.boxes[0].atMs, window.atMs + 700);
    }

    // A program that does not end is killed at the global timeout.
    RunOptions stuck = Boxer("--sleep 60000");
    stuck.timeoutMs = 1500;
    DWORD start = GetTickCount();
    Outcome killed = RunToEnd(stuck);
    EXPECT_TRUE(killed.timedOut);
    EXPECT_EQ(killed.exitCode, long(KilledExitCode));
    EXPECT_LT(GetTickCount() - start, 30000u);

    // Waiting with a short limit leaves it running and says so.
    Session waiting(Boxer("--type 0 \"late\"", {{"late", IDOK}}));
    waiting.WaitBoxes(1);
    EXPECT_EQ(waiting.Wait(30000), IDOK);
    EXPECT_FALSE(waiting.TimedOut());
}

// Version and product type (1 workstation, 3 server) as Wine 8.0 reports them
// per setting: the settings foundation_test's Windows lines are tried under.
TEST(LabMachine, WindowsVersionPerProgram) {
    struct {
        const char* version;
        long expected;
    } cases[] = {{"winxp64", 5021}, {"win2003", 5023},   {"win2008", 6003}, {"vista", 6001},
                 {"win7", 6013},    {"win2008r2", 6011}, {"win10", 6021},   {"", 6011}};
    for (const auto& c : cases) {
        ASSERT_TRUE(SetWindowsVersion(c.version, "boxer.exe"));
        EXPECT_EQ(RunToEnd(Boxer("--version")).exitCode, c.expected) << c.version;
    }
    // Another program's setting does not reach the boxer.
    ASSERT_TRUE(SetWindowsVersion("winxp64"));
    EXPECT_EQ(RunToEnd(Boxer("--version")).exitCode, 6011);
    ASSERT_TRUE(SetWindowsVersion(""));
}

TEST(LabMachine, RegistryValuesOfEveryKindAndView) {
    RegKey key(HKLM, "SOFTWARE\\ScorewaveLab\\Values");
    ASSERT_TRUE(key.SetString("", "default text"));
    ASSERT_TRUE(key.SetString("Text", "plain"));
    ASSERT_TRUE(key.SetExpandString("Expand", "%ProgramFiles%\\X"));
    ASSERT_TRUE(key.SetDword("Number", 0x12345678));
    ASSERT_TRUE(key.SetBinary("Bytes", std::string("\x01\x00\x02", 3)));
    ASSERT_TRUE(key.SetRaw("Unterminated", REG_SZ, "abc"));

    EXPECT_EQ(key.GetString("").value_or("?"), "default text");
    EXPECT_EQ(key.GetString("Text").value_or("?"), "plain");
    EXPECT_EQ(key.GetDword("Number").value_or(0), 0x12345678u);
    EXPECT_FALSE(key.GetString("Number").has_value());
    DWORD type = 0;
    std::string bytes;
    ASSERT_TRUE(key.GetRaw("Expand", &type, &bytes));
    EXPECT_EQ(type, DWORD(REG_EXPAND_SZ));
    EXPECT_EQ(bytes, std::string("%ProgramFiles%\\X", 17));
    ASSERT_TRUE(key.GetRaw("Bytes", &type, &bytes));
    EXPECT_EQ(type, DWORD(REG_BINARY));
    EXPECT_EQ(bytes, std::string("\x01\x00\x02", 3));
    // Stored without its zero, as Wine keeps it in UTF-16: 3 characters, 6 bytes.
    HKEY raw;
    ASSERT_EQ(RegOpenKeyExA(HKLM, "SOFTWARE\\ScorewaveLab\\Values", 0, KEY_READ, &raw), 0);
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExW(raw, L"Unterminated", nullptr, &type, nullptr, &size), 0);
    RegCloseKey(raw);
    EXPECT_EQ(size, 6u);
    EXPECT_EQ(type, DWORD(REG_SZ));

    EXPECT_EQ(key.ValueNames().size(), 6u);
    EXPECT_TRUE(key.DeleteValue("Text"));
    EXPECT_FALSE(key.HasValue("Text"));
    EXPECT_TRUE(key.DeleteValue("Text")) << "deleting a missing value succeeds";

    // The 32-bit view is Wow6432Node, apart from the 64-bit key of the same name.
    RegKey narrow(HKLM, "SOFTWARE\\ScorewaveLab\\Values", View::Wow32);
    EXPECT_FALSE(narrow.Exists());
    ASSERT_TRUE(narrow.SetString("Bits", "32"));
    EXPECT_EQ(RegKey(HKLM, "SOFTWARE\\Wow6432Node\\ScorewaveLab\\Values").GetString("Bits"),
              std::optional<std::string>("32"));
    EXPECT_FALSE(key.HasValue("Bits"));

    // HKCR is a merged view that writes to HKLM\Software\Classes.
    RegKey type1(HKCR, ".scorewavelab");
    ASSERT_TRUE(type1.SetString("", "Scorewave.Lab"));
    EXPECT_EQ(RegKey(HKLM, "Software\\Classes\\.scorewavelab").GetString(""),
              std::optional<std::string>("Scorewave.Lab"));

    RegKey root(HKLM, "SOFTWARE\\ScorewaveLab");
    EXPECT_EQ(root.SubkeyNames(), std::vector<std::string>{"Values"});
    ASSERT_TRUE(root.DeleteTree());
    EXPECT_FALSE(key.Exists());
    EXPECT_TRUE(RegKey(HKLM, "SOFTWARE\\ScorewaveLab", View::Wow32).DeleteTree());
    EXPECT_FALSE(narrow.Exists());
    EXPECT_TRUE(type1.DeleteTree());
    EXPECT_FALSE(type1.Exists());
    EXPECT_TRUE(root.DeleteTree()) << "deleting a missing key succeeds";
}

TEST(LabMachine, FoldersAndFiles) {
    const std::string top = "C:\\lab files";
    ASSERT_TRUE(MakeFolders(top + "\\a\\b\\c"));
    EXPECT_TRUE(FolderExists(top + "\\a\\b\\c"));
    const std::string bytes("MZ\0\r\n\x80\xff end", 11);
    ASSERT_TRUE(WriteWholeFile(top + "\\a\\b\\c\\data.bin", bytes));
    ASSERT_TRUE(WriteWholeFile(top + "\\new\\deeper\\made.txt", "x"));
    EXPECT_EQ(ReadWholeFile(top + "\\a\\b\\c\\data.bin"), std::optional<std::string>(bytes));
    EXPECT_TRUE(FileExists(top + "\\new\\deeper\\made.txt"));
    EXPECT_FALSE(FileExists(top + "\\a"));
    EXPECT_FALSE(ReadWholeFile(top + "\\missing").has_value());
    SetFileAttributesA((top + "\\a\\b\\c\\data.bin").c_str(), FILE_ATTRIBUTE_READONLY);
    ASSERT_TRUE(RemoveTree(top));
    EXPECT_FALSE(FolderExists(top));
}

TEST(LabScreen, ScreenshotCapturesTheWindowPixels) {
    // The window's own thread pumps its messages, as a program's does, so that
    // SaveScreenshot waits until it has painted (WaitPainted).
    HANDLE thread = CreateThread(
        nullptr, 0,
        [](void*) -> DWORD {
            WNDCLASSA wc = {};
            wc.lpfnWndProc = DefWindowProcA;
            wc.hInstance = GetModuleHandleA(nullptr);
            wc.hbrBackground = CreateSolidBrush(RGB(200, 30, 60));
            wc.lpszClassName = "LabRed";
            RegisterClassA(&wc);
            CreateWindowA("LabRed", "red", WS_POPUP | WS_VISIBLE, 100, 120, 160, 90, 0, 0,
                          wc.hInstance, nullptr);
            MSG msg;
            while (GetMessageA(&msg, nullptr, 0, 0) > 0)
                DispatchMessageA(&msg);
            return 0;
        },
        nullptr, 0, nullptr);
    HWND window = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (window = FindWindowA("LabRed", "red")) != nullptr; }));
    const std::string path = ScreenshotPath("lab-red");
    ASSERT_TRUE(SaveScreenshot(path, window));
    PostMessageA(window, WM_QUIT, 0, 0); // the window goes with its thread
    CloseHandle(thread);

    std::string bmp = ReadWholeFile(path).value_or("");
    ASSERT_GT(bmp.size(), 54u);
    BITMAPFILEHEADER file;
    BITMAPINFOHEADER info;
    memcpy(&file, bmp.data(), sizeof file);
    memcpy(&info, bmp.data() + sizeof file, sizeof info);
    EXPECT_EQ(file.bfType, 0x4D42);
    EXPECT_EQ(info.biWidth, 160);
    EXPECT_EQ(info.biHeight, 90);
    EXPECT_EQ(info.biBitCount, 24);
    ASSERT_EQ(bmp.size(), file.bfOffBits + size_t((160 * 3 + 3) & ~3) * 90);
    // Centre pixel, stored blue-green-red.
    const unsigned char* pixel =
        (const unsigned char*)bmp.data() + file.bfOffBits + 45 * ((160 * 3 + 3) & ~3) + 80 * 3;
    EXPECT_EQ(pixel[2], 200);
    EXPECT_EQ(pixel[1], 30);
    EXPECT_EQ(pixel[0], 60);

    ASSERT_TRUE(SaveScreenshot(ScreenshotPath("lab-desktop")));
}

TEST(LabScreen, ClipboardRoundTrip) {
    ASSERT_TRUE(SetClipboardText("first\r\nsecond"));
    EXPECT_EQ(ClipboardText(), std::optional<std::string>("first\r\nsecond"));
    ASSERT_TRUE(SetClipboardText(""));
    EXPECT_EQ(ClipboardText(), std::optional<std::string>(""));
}
