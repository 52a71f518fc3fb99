// No crash on any input: every registry value a scan or the registration
// reads, stored with 4,096 characters and also as REG_SZ without its
// terminating zero, read by the real installer; and window titles and class
// names of any length and content, for the browser search (compiled in here)
// and for the real installer's Active Browsers dialog.
#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "browsers/browser_table_rules.cpp"
#include "browsers/detect.cpp"
#include "browsers/wildcard_rules.cpp"
#include "win/discovery_lab.h"

using namespace disc;

namespace {

// ------------------------------------------------------------- registry texts

const size_t LongLength = 4096;
const char HttpCommandKey[] = "HTTP\\shell\\open\\command";
const char OpenCommandKey[] = "Music.Transfer.Document\\shell\\open\\command";
const char DownloadPage[] = "http://www.scorewave-music.com/download/player/?vrv=1.20";
const char ProgId[] = "Music.Transfer.Document";

// head padded to 4,096 characters. Cut to any length that fits a path
// buffer, each would still name what head names (Windows drops the padding
// from a path), so a scan that cut instead of refusing would be seen.
std::string Long(const std::string& head, char padding) {
    return head + std::string(LongLength - head.size(), padding);
}

enum class Stored { WithZero, WithoutZero };

const char* Name(Stored stored) {
    return stored == Stored::WithZero ? "REG_SZ with its zero" : "REG_SZ without its zero";
}

void SetText(const RegKey& key, const std::string& value, const std::string& text, Stored stored) {
    bool set =
        stored == Stored::WithZero ? key.SetString(value, text) : key.SetRaw(value, REG_SZ, text);
    EXPECT_TRUE(set) << key.Describe() << " " << value;
}

// The open command made from a browser command holding "%1" in quotes.
std::string OpenCommandFrom(const std::string& browserCommand) {
    std::string command = browserCommand;
    size_t at = command.find("%1");
    return command.replace(at, 2, DownloadPage);
}

std::string Raw(const RegKey& key, const std::string& value) {
    DWORD type = 0;
    std::string bytes;
    return key.GetRaw(value, &type, &bytes) ? bytes : "<missing>";
}

// The plug-in files the log says were written (the font's line aside).
size_t PluginsWritten(const ScanRun& run) {
    const std::string head = "Created file ", tail = std::string("\\") + PluginFile;
    size_t count = 0;
    for (size_t at = run.log.find(head); at != std::string::npos; at = run.log.find(head, at + 1)) {
        std::string line = run.log.substr(at, run.log.find('\r', at) - at);
        if (line.size() >= tail.size() &&
            line.compare(line.size() - tail.size(), tail.size(), tail) == 0)
            ++count;
    }
    return count;
}

// Makes root\\parent\\name through the wide API: Wine's ANSI registry calls
// refuse paths of more than 259 characters in all, the wide ones take a key
// name of the registry's most, 255 characters.
void MakeKeyWide(HKEY root, const std::string& parent, const std::string& name, REGSAM view = 0) {
    std::string path = parent + "\\" + name;
    std::wstring wide(path.begin(), path.end());
    HKEY key;
    LONG status = RegCreateKeyExW(root, wide.c_str(), 0, nullptr, 0, KEY_SET_VALUE | view, nullptr,
                                  &key, nullptr);
    ASSERT_EQ(status, ERROR_SUCCESS) << path;
    RegCloseKey(key);
}

// A scan target that works, so that each run goes on to write the plug-in and
// register the document types.
struct ValidTarget {
    std::string plugins = Join(Root, "Valid\\Plugins");
    std::string Set() {
        EXPECT_TRUE(MakeFolders(plugins));
        RegKey product(HKLM, "SOFTWARE\\Mozilla\\Valid");
        product.Sub("bin").SetString("PathToExe", Sample("pe64.exe"));
        product.Sub("Extensions").SetString("Plugins", plugins);
        return Join(plugins, PluginFile);
    }
};

class LongTexts : public DiscoveryTest {
  protected:
    void SetUp() override {
        DiscoveryTest::SetUp();
        if (!savedHttpCommand_) savedHttpCommand_ = Raw(RegKey(HKCR, HttpCommandKey), "");
        RegKey(HKCR, HttpCommandKey).SetRaw("", REG_SZ, *savedHttpCommand_);
        for (const char* key : {".mtd", ".sgt", ProgId, "ScorewaveGuitar.File"})
            RegKey(HKCR, key).DeleteTree();
        RemoveTree(Join(AppDataFolder(), "opera"));
        target_ = valid_.Set();
    }
    void TearDown() override {
        RegKey(HKCR, HttpCommandKey).SetRaw("", REG_SZ, *savedHttpCommand_);
    }
    // A run in which only the valid target is written: every long text was
    // refused without a word, but for Netscape's, which is reported.
    void ExpectOnlyTheValidTarget(const ScanRun& run, size_t netscapeBoxes = 0) {
        EXPECT_EQ(run.exitCode, 1) << "a windowed run ends with 1; anything else is a crash";
        EXPECT_EQ(run.Count("registered folder for"), 1u) << run.Dump();
        EXPECT_TRUE(run.Has(CreatedFile(target_))) << run.Dump();
        EXPECT_EQ(PluginsWritten(run), 1u) << run.Dump();
        EXPECT_EQ(run.Count("Created directory"),
                  run.Count(std::string("Created directory ") + RemoverFolder))
            << run.Dump();
        EXPECT_EQ(run.BoxesWith("Can't read folder for Netscape").size(), netscapeBoxes)
            << run.Dump();
        EXPECT_EQ(run.boxes.size(), netscapeBoxes) << run.Dump();
        EXPECT_TRUE(run.Has("Netscape plugin registered OK")) << run.Dump();
    }

    static std::optional<std::string> savedHttpCommand_;
    ValidTarget valid_;
    std::string target_;
};
std::optional<std::string> LongTexts::savedHttpCommand_;

const Stored BothWays[] = {Stored::WithZero, Stored::WithoutZero};

TEST_F(LongTexts, EveryFirstPlaceOfEveryScanAndTheRegistrationReads) {
    const std::string pe64 = Sample("pe64.exe");
    const std::string existing = Join(Root, "Existing\\Plugins");
    const std::string opera = Join(AppDataFolder(), "opera\\opera\\profile");
    const std::string navigator = "SOFTWARE\\Netscape\\Netscape Navigator";
    const std::string uninstall = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
    // The browser's command: the program in quotes, arguments, "%1" in quotes.
    const std::string httpCommand =
        "\"" + pe64 + "\" " + std::string(LongLength - pe64.size() - 8, 'a') + " \"%1\"";
    ASSERT_EQ(httpCommand.size(), LongLength);

    for (Stored stored : BothWays) {
        SCOPED_TRACE(Name(stored));
        SetUp();
        ASSERT_TRUE(MakeFolders(existing));
        ASSERT_TRUE(MakeFolders(opera));
        PlaceProgram("chrome.exe", Join(Root, "Chrome\\chrome.exe"));
        PlaceProgram("safari.exe", Join(Root, "Safari\\safari.exe"));
        // The default browser's class name.
        SetText(RegKey(HKCR, ".html"), "", Long("DiscTestHTML", ' '), stored);
        // Netscape: a version's folder (reported when unreadable) and a version
        // subkey name of 255 characters, which ends the enumeration.
        SetText(RegKey(HKLM, navigator).Sub("4.7\\Main"), "Plugins Directory", Long(existing, '\\'),
                stored);
        MakeKeyWide(HKEY_LOCAL_MACHINE, navigator, "4.8" + std::string(252, '0'));
        // Mozilla, both views: the program, the folder, a product name of 255.
        for (View view : {View::Native, View::Wow32}) {
            RegKey products(HKLM, "SOFTWARE\\Mozilla", view);
            SetText(products.Sub("Long exe\\bin"), "PathToExe", Long(pe64, ' '), stored);
            products.Sub("Long exe\\Extensions").SetString("Plugins", existing);
            products.Sub("Long plugins\\bin").SetString("PathToExe", pe64);
            SetText(products.Sub("Long plugins\\Extensions"), "Plugins", Long(existing, '\\'),
                    stored);
            MakeKeyWide(HKEY_LOCAL_MACHINE, "SOFTWARE\\Mozilla", "Zz" + std::string(253, 'z'),
                        view == View::Wow32 ? KEY_WOW64_32KEY : 0);
        }
        // Opera: its registered folder, then a profile file naming one (an
        // initialisation file's value, read with the same limit).
        SetText(RegKey(HKCU, "SOFTWARE\\Opera Software"), "Plugin Path", Long(existing, '\\'),
                stored);
        EXPECT_TRUE(WriteWholeFile(Join(opera, "opera6.ini"),
                                   "[User Prefs]\r\nPlugin Path=" + Long(existing, '\\') + "\r\n"));
        // Safari's and Chrome's first places.
        SetText(RegKey(HKCR, "CLSID\\{1820D883-42FE-4b78-88C8-5456BB19D224}\\InProcServer32"), "",
                Long(Join(Root, "Safari\\WebKit.dll"), ' '), stored);
        SetText(RegKey(HKCR, "Applications\\Chrome.exe\\shell\\open\\command"), "",
                Long("\"" + Join(Root, "Chrome\\chrome.exe") + "\"", ' '), stored);
        // The registration: the extension's owner and the browser's command.
        SetText(RegKey(HKCR, ".mtd"), "", Long("Other.Document", ' '), stored);
        SetText(RegKey(HKCR, HttpCommandKey), "", httpCommand, stored);

        ScanRun run = RunScans();
        ExpectOnlyTheValidTarget(run, 1);
        std::vector<BoxRecord> netscape = run.BoxesWith("Can't read folder for Netscape 4.07:\r\n");
        ASSERT_EQ(netscape.size(), 1u) << run.Dump();
        EXPECT_GT(netscape[0].text.size(), 40u) << "the system's reason follows";
        EXPECT_FALSE(FolderExists(Join(existing, PluginFile)));
        EXPECT_FALSE(FolderExists(Join(Root, "Chrome\\Plugins")));
        // An owner too long to read counts as none: taken without a question.
        EXPECT_EQ(RegKey(HKCR, ".mtd").GetString(""), ProgId);
        // The browser's command has no length limit: used whole.
        EXPECT_EQ(RegKey(HKCR, OpenCommandKey).GetString(""), OpenCommandFrom(httpCommand));
    }
}

TEST_F(LongTexts, TheDefaultBrowsersCommandAndTheLaterPlaces) {
    const std::string uninstall = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
    const RegKey safariUninstall(HKCU, uninstall + "{C5C649A8-1D21-4C83-9B08-7B3752E580F4}");
    const RegKey chromeUninstall(HKCU, uninstall + "Google Chrome");
    const std::string safariCommand = Long("\"" + Join(Root, "Safari\\safari.exe") + "\"", ' ');
    const std::string chromeCommand = Long("\"" + Join(Root, "Chrome\\chrome.exe") + "\"", ' ');
    // Each step sets Safari's and Chrome's next place (the first place that
    // opens decides, so the earlier ones are gone).
    const std::vector<std::function<void(Stored)>> steps = {
        [&](Stored stored) {
            SetText(RegKey(HKCR, "SafariHTML\\shell\\open\\command"), "", safariCommand, stored);
            SetText(RegKey(HKCR, "ChromeHTML\\shell\\open\\command"), "", chromeCommand, stored);
        },
        [&](Stored stored) {
            SetText(RegKey(HKCR, "SafariDownload\\shell\\open\\command"), "", safariCommand,
                    stored);
            SetText(chromeUninstall, "InstallLocation", Long(Join(Root, "Chrome"), '\\'), stored);
        },
        [&](Stored stored) {
            SetText(safariUninstall, "InstallLocation", Long(Join(Root, "Safari"), '\\'), stored);
        },
    };
    for (Stored stored : BothWays) {
        for (size_t step = 0; step < steps.size(); ++step) {
            SCOPED_TRACE(std::string(Name(stored)) + ", place " + std::to_string(step + 2));
            SetUp();
            PlaceProgram("chrome.exe", Join(Root, "Chrome\\chrome.exe"));
            PlaceProgram("safari.exe", Join(Root, "Safari\\safari.exe"));
            PlaceProgram("pe64.exe", Join(Root, "Netscape\\netscape.exe"));
            // The default browser's command, and an open command of our own
            // making left by an earlier version, long enough to need the heap.
            EXPECT_TRUE(RegKey(HKCR, ".html").SetString("", "DiscTestHTML"));
            SetText(RegKey(HKCR, "DiscTestHTML\\shell\\open\\command"), "",
                    Long("\"" + Join(Root, "Netscape\\netscape.exe") + "\"", ' '), stored);
            SetText(RegKey(HKCR, OpenCommandKey), "",
                    std::string(LongLength, 'o') + " " + DownloadPage, stored);
            steps[step](stored);

            ScanRun run = RunScans();
            ExpectOnlyTheValidTarget(run);
            EXPECT_FALSE(FolderExists(Join(Root, "Chrome\\Plugins")));
            // Recognised as ours and written again from the browser's command.
            EXPECT_EQ(RegKey(HKCR, OpenCommandKey).GetString(""),
                      OpenCommandFrom(*RegKey(HKCR, HttpCommandKey).GetString("")));
        }
    }
}

TEST_F(LongTexts, ALongProgramFilesFolderGivesTheDefaultOne) {
    RegKey currentVersion(HKLM, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion");
    const std::string saved = Raw(currentVersion, "ProgramFilesDir");
    const std::string program = "C:\\Program Files\\Netscape\\Program\\netscape.exe";
    const std::string plugins = "C:\\Program Files\\Netscape\\Program\\Plugins";
    for (Stored stored : BothWays) {
        SCOPED_TRACE(Name(stored));
        SetUp();
        RegKey(HKLM, "SOFTWARE\\Mozilla").DeleteTree(); // only the fallback finds anything
        PlaceProgram("pe64.exe", program);
        ASSERT_TRUE(MakeFolders(plugins));
        // Were it cut, the fallback would look under C:\disc\PF and find this.
        PlaceProgram("pe64.exe", Join(Root, "PF\\Netscape\\Program\\netscape.exe"));
        ASSERT_TRUE(MakeFolders(Join(Root, "PF\\Netscape\\Program\\Plugins")));
        SetText(currentVersion, "ProgramFilesDir", Long(Join(Root, "PF"), '\\'), stored);

        ScanRun run = RunScans();
        currentVersion.SetRaw("ProgramFilesDir", REG_SZ, saved);
        EXPECT_EQ(run.exitCode, 1) << run.Dump();
        EXPECT_TRUE(run.Has(CreatedFile(Join(plugins, PluginFile)))) << run.Dump();
        EXPECT_EQ(PluginsWritten(run), 1u) << run.Dump();
        EXPECT_TRUE(run.boxes.empty()) << run.Dump();
    }
    EXPECT_TRUE(RemoveTree("C:\\Program Files\\Netscape"));
}

// ------------------------------------------------------------- window texts

void RegisterClassNamed(const std::string& name) {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = name.c_str();
    RegisterClassA(&windowClass);
}

// Hidden top-level windows made by one test, destroyed at its end.
class Windows : public ::testing::Test {
  protected:
    void TearDown() override {
        for (HWND window : made_)
            DestroyWindow(window);
    }
    HWND Make(const std::string& className, const std::string& title) {
        RegisterClassNamed(className);
        HWND window = CreateWindowExA(0, className.c_str(), title.c_str(), WS_OVERLAPPED, 0, 0, 50,
                                      50, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        if (window) made_.push_back(window);
        return window;
    }
    std::vector<HWND> made_;
};

// Every byte value but zero, over and over.
std::string AllBytes(size_t length, unsigned seed) {
    std::mt19937 random(seed);
    std::string text(length, ' ');
    for (char& c : text)
        c = char(1 + random() % 255);
    return text;
}

TEST_F(Windows, ClassNamesUpToTheSystemsLimit) {
    // The system keeps class names of at most 255 characters.
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    std::string tooLong = "MozillaWindowClass" + std::string(256 - 18, 'x');
    windowClass.lpszClassName = tooLong.c_str();
    EXPECT_EQ(RegisterClassA(&windowClass), 0) << "a class name of 256 characters";

    // Names of every length from 1 to 255, each beginning like a browser's:
    // read into 255 bytes, compared exactly, none is taken for one.
    for (size_t length = 1; length <= 255; ++length) {
        const char* row = BrowserWindowTable[length % BrowserRowCount].windowClass;
        std::string name = std::string(row).substr(0, length);
        if (name == row) name += "_"; // the real name is not the point here
        name += std::string(length > name.size() ? length - name.size() : 0, '#');
        ASSERT_TRUE(Make(name, "Title")) << length;
    }
    HWND list = CreateWindowExA(0, "ListBox", "", WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
    made_.push_back(list);
    EXPECT_EQ(CountRunningBrowsers(list), 0);
    EXPECT_EQ(SendMessageA(list, LB_GETCOUNT, 0, 0), 0);

    // A class of 255 characters is read as its first 254: refused by name
    // rather than matched on a part.
    std::string longest(255, 'L');
    HWND window = Make(longest, "Title");
    ASSERT_TRUE(window);
    EXPECT_FALSE(WindowHasClass(window, longest.c_str()));
    EXPECT_EQ(FindClassWindow(longest.c_str(), false, nullptr), nullptr);
    std::string fits(254, 'F');
    HWND fitting = Make(fits, "Title");
    EXPECT_TRUE(WindowHasClass(fitting, fits.c_str()));
    EXPECT_EQ(FindClassWindow(fits.c_str(), true, "???*"), fitting);

    // The real ones beside all that are still seen.
    Make("MozillaWindowClass", std::string(LongLength, 'm'));
    EXPECT_EQ(CountRunningBrowsers(list), 1);
}

TEST_F(Windows, TitlesOfAnyLengthAndContent) {
    const char* className = "NS_AE_WindowClass";
    // Found by the title pattern only with 3 to 1,022 characters; every longer
    // title is refused, not cut.
    struct Case {
        size_t length;
        bool found;
    };
    const Case cases[] = {{0, false},    {1, false},    {2, false},    {3, true},
                          {1021, true},  {1022, true},  {1023, false}, {1024, false},
                          {4096, false}, {32000, false}};
    for (const Case& c : cases) {
        for (unsigned seed : {1u, 2u}) {
            SCOPED_TRACE(std::to_string(c.length) + " characters, seed " + std::to_string(seed));
            std::string title = seed == 1 ? std::string(c.length, 't') : AllBytes(c.length, seed);
            HWND window = Make(className, title);
            ASSERT_TRUE(window);
            EXPECT_EQ(FindClassWindow(className, true, "???*"), c.found ? window : nullptr);
            EXPECT_EQ(FindClassWindow(className, false, nullptr), window);
            EXPECT_EQ(CountRunningBrowsers(nullptr), 1);
            DestroyWindow(window);
            made_.pop_back();
        }
    }
    // Wildcard characters and lead bytes of double-byte code pages in a title
    // are plain text to the pattern.
    for (const std::string& title :
         {std::string("*?/"), std::string("\x81"), std::string(1021, '\x81') + "\x81",
          std::string(1022, '*'), std::string("ab\x81")}) {
        HWND window = Make(className, title);
        ASSERT_TRUE(window);
        EXPECT_EQ(FindClassWindow(className, true, "???*"), title.size() >= 3 ? window : nullptr)
            << Escaped(title);
        DestroyWindow(window);
        made_.pop_back();
    }
}

// ------------------------------------------------------------- in the dialog

std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

// Long titles and odd classes in the real installer's Active Browsers dialog:
// the right browsers are listed and Try To Close refuses a Netscape window
// whose title is too long to read whole.
TEST(LongWindowTexts, ActiveBrowsersDialogListsAndClosesWhatItShould) {
    ClearScanPlaces();
    ValidTarget valid;
    std::string target = valid.Set();
    const std::string longTitle(LongLength, 'w');
    const std::string event = "hardening-fake-ready-" + std::to_string(GetCurrentProcessId());
    HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, event.c_str());
    std::string line = Quoted(FixturePath("fakebrowser")) + " --ready " + event +
                       " --window MozillaWindowClass " + longTitle +
                       " --window NS_AE_WindowClass " + longTitle + " --window " +
                       Quoted("OpWindow" + std::string(247, 'x')) + " Opera" + " --window " +
                       Quoted(std::string(255, 'c')) + " " + longTitle;
    PROCESS_INFORMATION info;
    ASSERT_TRUE(StartProcess(line, &info));
    CloseHandle(info.hThread);
    HANDLE both[2] = {ready, info.hProcess};
    ASSERT_EQ(WaitForMultipleObjects(2, both, FALSE, 30000), WAIT_OBJECT_0);

    RunOptions options;
    options.timeoutMs = 120000;
    Session setup(options);
    ASSERT_TRUE(setup.WaitMainWindow(30000));
    ASSERT_TRUE(setup.Click(IDC_AGREE));
    HWND dialog = setup.WaitWindow(MainClass, "Active Browsers", 30000);
    ASSERT_TRUE(dialog);
    HWND list = GetDlgItem(dialog, IDC_BROWSER_LIST);
    auto listed = [&] {
        DWORD_PTR count = 0;
        SendMessageTimeoutA(list, LB_GETCOUNT, 0, 0, SMTO_NORMAL, 30000, &count);
        return int(count);
    };
    EXPECT_EQ(listed(), 2) << "Mozilla Firefox and Netscape";

    // Firefox goes (its main windows are closed without a line in the log);
    // the Netscape window's title cannot be read whole, so it is not asked to
    // close and stays listed.
    DWORD_PTR ignored = 0;
    ASSERT_TRUE(SendMessageTimeoutA(GetDlgItem(dialog, IDC_TRY_CLOSE), BM_CLICK, 0, 0, SMTO_NORMAL,
                                    120000, &ignored));
    EXPECT_TRUE(setup.WaitUntil([&] { return listed() == 1; }, 30000)) << listed();
    EXPECT_TRUE(IsWindow(dialog));
    std::string log = setup.Text(IDC_INSTALL_LOG);
    EXPECT_EQ(log.find("Closing Netscape"), std::string::npos) << Escaped(log);

    // The user closes it; the dialog ends and the installation runs.
    TerminateProcess(info.hProcess, 0);
    WaitForSingleObject(info.hProcess, 30000);
    CloseHandle(info.hProcess);
    CloseHandle(ready);
    EXPECT_TRUE(setup.WaitUntil([&] { return !IsWindow(dialog); }, 30000));
    EXPECT_TRUE(setup.WaitText(IDC_STATUS, SucceededStatus, 60000)) << setup.Text(IDC_STATUS);
    EXPECT_EQ(ReadWholeFile(target).value_or(""),
              ReadWholeFile(BuildPath(PluginFile)).value_or("<built>"));
    setup.Close();
    EXPECT_EQ(setup.Wait(30000), 1);
}

} // namespace
