// Safari and Chrome: the program folder from the first registry place that
// opens, its "Plugins" folder as the target (Chrome's made when missing).
#include "discovery_lab.h"

using namespace disc;

namespace {

const char SafariServer[] = "CLSID\\{1820D883-42FE-4b78-88C8-5456BB19D224}\\InProcServer32";
const char Uninstall[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

RegKey SafariUninstall() {
    return RegKey(HKCU, std::string(Uninstall) + "{C5C649A8-1D21-4C83-9B08-7B3752E580F4}");
}
RegKey ChromeUninstall() {
    return RegKey(HKCU, std::string(Uninstall) + "Google Chrome");
}

const std::string SafariFolder = Join(Root, "Safari");
const std::string SafariPlugins = Join(Root, "Safari\\Plugins");
const std::string ChromeFolder = Join(Root, "Chrome\\Application");
const std::string ChromePlugins = Join(Root, "Chrome\\Application\\Plugins");

void ExpectTarget(const ScanRun& run, const std::string& display, const std::string& plugins,
                  const std::string& name) {
    EXPECT_TRUE(run.Has(Registered(display, plugins))) << run.Dump();
    EXPECT_EQ(run.Count("registered folder for"), 1u) << run.Dump();
    EXPECT_TRUE(run.Has(ForLine(name))) << run.Dump();
    EXPECT_TRUE(run.Has(CreatedFile(Join(plugins, PluginFile)))) << run.Dump();
}

using SafariChrome = DiscoveryTest;

TEST_F(SafariChrome, SafariThroughEachOfItsFourPlaces) {
    struct Case {
        const char* what;
        RegKey key;
        const char* value;
        std::string text;
    };
    const Case cases[] = {
        {"WebKit server, any letter case", RegKey(HKCR, SafariServer), "",
         SafariFolder + "\\WeBkIt.DlL"},
        {"quoted open command", RegKey(HKCR, "SafariHTML\\shell\\open\\command"), "",
         "\"" + SafariFolder + "\\Safari.exe\" -url \"%1\""},
        {"unquoted download command", RegKey(HKCR, "SafariDownload\\shell\\open\\command"), "",
         SafariFolder + "\\SAFARI.EXE -url %1"},
        {"uninstall entry with a trailing backslash", SafariUninstall(), "InstallLocation",
         SafariFolder + "\\"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ClearScanPlaces();
        PlaceProgram("safari.exe", Join(SafariFolder, "safari.exe"));
        MakeFolders(SafariPlugins);
        ASSERT_TRUE(c.key.SetString(c.value, c.text));
        ExpectTarget(RunScans(), "Safari", SafariPlugins, "Safari 5.1");
    }
}

TEST_F(SafariChrome, TheFirstPlaceThatOpensDecidesEvenWithoutAValue) {
    PlaceProgram("safari.exe", Join(SafariFolder, "safari.exe"));
    MakeFolders(SafariPlugins);
    ASSERT_TRUE(RegKey(HKCR, SafariServer).SetString("ThreadingModel", "Apartment"));
    ASSERT_TRUE(RegKey(HKCR, "SafariHTML\\shell\\open\\command")
                    .SetString("", "\"" + SafariFolder + "\\Safari.exe\" \"%1\""));
    ExpectNothingFound(RunScans());
}

TEST_F(SafariChrome, SafariWithoutPluginsFolderIsToldNothingMade) {
    PlaceProgram("safari.exe", Join(SafariFolder, "safari.exe"));
    ASSERT_TRUE(SafariUninstall().SetString("InstallLocation", SafariFolder));
    ScanRun run = RunScans();
    ASSERT_EQ(run.boxes.size(), 1u) << run.Dump();
    EXPECT_EQ(run.boxes[0].text, MissingText("Safari", SafariPlugins));
    EXPECT_EQ(run.boxes[0].buttons, std::vector<int>{IDOK});
    EXPECT_FALSE(run.Has("registered folder for")) << run.Dump();
    EXPECT_FALSE(FolderExists(SafariPlugins));
}

TEST_F(SafariChrome, ChromesMissingPluginsFolderIsMade) {
    PlaceProgram("chrome.exe", Join(ChromeFolder, "chrome.exe"));
    ASSERT_TRUE(RegKey(HKCR, "ChromeHTML\\shell\\open\\command")
                    .SetString("", "\"" + ChromeFolder + "\\chrome.exe\" -- \"%1\""));
    ScanRun run = RunScans();
    EXPECT_TRUE(run.Has("Created directory " + ChromePlugins + "\r\n\r\n")) << run.Dump();
    ExpectTarget(run, "Chrome", ChromePlugins, "Chrome 20.0");
    EXPECT_TRUE(FolderExists(ChromePlugins));
    EXPECT_TRUE(run.boxes.empty()) << run.Dump();
}

TEST_F(SafariChrome, ChromesPluginsFolderThatCannotBeMadeIsToldInABox) {
    PlaceProgram("chrome.exe", Join(ChromeFolder, "chrome.exe"));
    // A file in the way: the folder cannot be made.
    ASSERT_TRUE(WriteWholeFile(ChromePlugins, "not a folder"));
    ASSERT_TRUE(RegKey(HKCR, "Applications\\Chrome.exe\\shell\\open\\command")
                    .SetString("", ChromeFolder + "\\chrome.exe --single-argument %1"));
    const std::string because =
        "Can't create subfolder for Chrome:\r\n(" + ChromePlugins + ")\r\nbecause:\r\n";

    ScanRun run = RunScans();
    ASSERT_EQ(run.boxes.size(), 1u) << run.Dump();
    EXPECT_EQ(run.boxes[0].text.rfind(because, 0), 0u) << run.Dump();
    EXPECT_GT(run.boxes[0].text.size(), because.size() + 5) << "the system's reason";
    EXPECT_EQ(run.boxes[0].buttons, std::vector<int>{IDOK});
    EXPECT_FALSE(run.Has("registered folder for")) << run.Dump();
    EXPECT_FALSE(run.Has(ForLine("Chrome 20.0"))) << run.Dump();

    // The silent road shows the same box and, with nothing to install, fails.
    Outcome silent = RunInstaller("/noui", {{because, IDOK}});
    EXPECT_EQ(silent.exitCode, 1);
    ASSERT_EQ(silent.boxes.size(), 1u) << Describe(silent.boxes);
    EXPECT_EQ(silent.boxes[0].rule, 0);
}

TEST_F(SafariChrome, AnInstallLocationWithoutTheProgramNamesTheTargetChrome) {
    MakeFolders(ChromePlugins);
    ASSERT_TRUE(ChromeUninstall().SetString("InstallLocation", ChromeFolder));
    ScanRun run = RunScans();
    ExpectTarget(run, "Chrome", ChromePlugins, "Chrome");
    EXPECT_FALSE(run.Has("Created directory")) << run.Dump();
}

TEST_F(SafariChrome, UnusableTextsEndTheScanSilently) {
    PlaceProgram("chrome.exe", Join(ChromeFolder, "chrome.exe"));
    // A folder whose "\Plugins\npscorew64.dll" would pass 260 characters.
    std::string deep = Join(Root, std::string(120, 'd') + "\\" + std::string(115, 'e'));
    ASSERT_EQ(deep.size(), 244u);
    ASSERT_TRUE(MakeFolders(deep));
    const std::string command = "ChromeHTML\\shell\\open\\command";
    struct Case {
        const char* what;
        std::function<void()> set;
    };
    const Case cases[] = {
        // The program name at the very start leaves no folder; the later
        // place is not tried once this one opened.
        {"name at the start",
         [&] {
             RegKey(HKCR, "Applications\\Chrome.exe\\shell\\open\\command")
                 .SetString("", "chrome.exe --single-argument %1");
             RegKey(HKCR, command).SetString("", ChromeFolder + "\\chrome.exe");
         }},
        {"expandable text",
         [&] { RegKey(HKCR, command).SetExpandString("", ChromeFolder + "\\chrome.exe"); }},
        {"empty", [&] { RegKey(HKCR, command).SetRaw("", REG_SZ, ""); }},
        {"300 characters",
         [&] { RegKey(HKCR, command).SetString("", ChromeFolder + std::string(280, ' ')); }},
        {"folder missing",
         [&] { RegKey(HKCR, command).SetString("", Join(Root, "none\\chrome.exe")); }},
        {"too deep for the plug-in path",
         [&] { ChromeUninstall().SetString("InstallLocation", deep); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RegKey(HKCR, "Applications\\Chrome.exe").DeleteTree();
        RegKey(HKCR, "ChromeHTML").DeleteTree();
        ChromeUninstall().DeleteTree();
        c.set();
        ExpectNothingFound(RunScans());
        EXPECT_FALSE(FolderExists(ChromePlugins));
        EXPECT_FALSE(FolderExists(Join(deep, "Plugins")));
    }
}

// The log lines that start with head, without it, in log order.
std::vector<std::string> LinesAfter(const std::string& log, const std::string& head) {
    std::vector<std::string> found;
    for (size_t at = log.find("\n" + head); at != std::string::npos;
         at = log.find("\n" + head, at + 1)) {
        size_t start = at + 1 + head.size();
        found.push_back(log.substr(start, log.find('\r', start) - start));
    }
    return found;
}

// Every family in one run: found in the scans' order, written from the last
// found to the first, named in the summary in the order found.
TEST_F(SafariChrome, EveryFamilyInOneRun) {
    const std::string navigator = Join(Root, "Navigator"), firefox = Join(Root, "Firefox\\plugins");
    const std::string opera = Join(Root, "Opera\\program\\plugins");
    MakeFolders(navigator);
    RegKey(HKLM, "SOFTWARE\\Netscape\\Netscape Navigator\\4.8 (en)\\Main")
        .SetString("Plugins Directory", navigator);
    PlaceProgram("pe64.exe", Join(Root, "Firefox\\firefox.exe"));
    MakeFolders(firefox);
    RegKey(HKLM, "SOFTWARE\\Mozilla\\Firefox\\bin")
        .SetString("PathToExe", Join(Root, "Firefox\\firefox.exe"));
    RegKey(HKLM, "SOFTWARE\\Mozilla\\Firefox\\Extensions").SetString("Plugins", firefox);
    PlaceProgram("opera.exe", Join(Root, "Opera\\opera.exe"));
    MakeFolders(opera);
    RegKey(HKCU, "SOFTWARE\\Opera Software").SetString("Plugin Path", opera);
    PlaceProgram("safari.exe", Join(SafariFolder, "safari.exe"));
    MakeFolders(SafariPlugins);
    SafariUninstall().SetString("InstallLocation", SafariFolder);
    PlaceProgram("chrome.exe", Join(ChromeFolder, "chrome.exe"));
    ChromeUninstall().SetString("InstallLocation", ChromeFolder);

    ScanRun run = RunScans();
    EXPECT_EQ(LinesAfter(run.log, "Your registered folder for "),
              (std::vector<std::string>{"Netscape Communicator 4.8 (en) is:", "Firefox is:",
                                        "Opera is:", "Safari is:", "Chrome is:"}))
        << run.Dump();
    const std::string root = std::string(Root) + "\\";
    std::vector<std::string> written;
    for (const std::string& folder : {ChromePlugins, SafariPlugins, opera, firefox, navigator})
        written.push_back(Join(folder, PluginFile).substr(root.size()));
    EXPECT_EQ(LinesAfter(run.log, "Created file " + root), written) << run.Dump();
    EXPECT_EQ(LinesAfter(run.log, "for "),
              (std::vector<std::string>{"Netscape Communicator 4.8 (en)", "Firefox", "Opera 9.64",
                                        "Safari 5.1", "Chrome 20.0"}))
        << run.Dump();
    EXPECT_TRUE(run.boxes.empty()) << run.Dump();
}

} // namespace
