// The default browser's plug-in folder, Netscape Navigator's version subkeys
// and the unregistered Netscape under Program Files.
#include "discovery_lab.h"

using namespace disc;

namespace {

const char NavigatorKey[] = "SOFTWARE\\Netscape\\Netscape Navigator";
const char Communicator[] = "Netscape Communicator ";

RegKey Version(const std::string& name) {
    return RegKey(HKLM, NavigatorKey).Sub(name);
}

// A version whose "Plugins Directory" is folder (made when make is true).
void Navigator(const std::string& name, const std::string& folder, bool make = true) {
    if (make) MakeFolders(folder);
    EXPECT_TRUE(Version(name).Sub("Main").SetString("Plugins Directory", folder));
}

// The chosen version's line and the plug-in path it gives (a backslash is
// always added, even after one).
void ExpectChosen(const ScanRun& run, const std::string& name, const std::string& folder) {
    EXPECT_TRUE(run.Has(Registered(Communicator + name, folder))) << run.Dump();
    EXPECT_EQ(run.Count("registered folder for Netscape"), 1u) << run.Dump();
    EXPECT_TRUE(run.Has(CreatedFile(folder + "\\" + PluginFile))) << run.Dump();
    EXPECT_TRUE(run.Has(ForLine(Communicator + name))) << run.Dump();
}

// The default HTML browser: .html -> DiscTestHTML -> its open command.
void DefaultBrowser(const std::string& command) {
    EXPECT_TRUE(RegKey(HKCR, ".html").SetString("", "DiscTestHTML"));
    EXPECT_TRUE(RegKey(HKCR, "DiscTestHTML\\shell\\open\\command").SetString("", command));
}

using Netscape = DiscoveryTest;

TEST_F(Netscape, EachVersionNumberComparesByItself) {
    struct Case {
        const char* first;
        const char* second;
        const char* chosen;
    };
    for (const Case& c :
         {Case{"4.7 (en)", "4.8 (en)", "4.8 (en)"}, Case{"4.79 [en]", "4.8 [en]", "4.79 [en]"},
          Case{"4.7 (en)", "6.2 (en)", "4.7 (en)"}}) {
        SCOPED_TRACE(c.chosen);
        ClearScanPlaces();
        Navigator(c.first, Join(Root, "first\\Plugins"));
        Navigator(c.second, Join(Root, "second\\Plugins"));
        ScanRun run = RunScans();
        ExpectChosen(run, c.chosen,
                     Join(Root, c.chosen == c.first ? "first\\Plugins" : "second\\Plugins"));
        EXPECT_TRUE(run.boxes.empty()) << run.Dump();
    }
}

TEST_F(Netscape, TheDefaultBrowsersFolderWinsAndEndsTheSearch) {
    // The program's folder has a long name, so it has a short form of its own.
    std::string program = Join(Root, "Navigator Seven Long\\netscape.exe");
    PlaceProgram("pe64.exe", program);
    std::string plugins = Join(Root, "Navigator Seven Long\\Plugins");
    MakeFolders(plugins);
    char shortForm[MAX_PATH];
    ASSERT_GT(GetShortPathNameA(plugins.c_str(), shortForm, sizeof shortForm), 0u);
    ASSERT_NE(std::string(shortForm), plugins);
    char shortProgram[MAX_PATH];
    ASSERT_GT(GetShortPathNameA(program.c_str(), shortProgram, sizeof shortProgram), 0u);
    ASSERT_EQ(std::string(shortProgram).find(' '), std::string::npos);
    std::string upper = plugins;
    for (char& ch : upper)
        ch = char(toupper((unsigned char)ch));

    struct Case {
        const char* what;
        std::string command;
        std::string registered;
    };
    const Case cases[] = {
        {"unquoted with arguments", std::string(shortProgram) + " -h %1", upper},
        {"quoted, other letter case", "\"" + program + "\" -h \"%1\"", upper},
        {"short form", "\"" + program + "\" \"%1\"", shortForm},
        {"quote never closed", "\"" + program, upper},
        {"unquoted without a blank", shortProgram, upper},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ClearScanPlaces();
        PlaceProgram("pe64.exe", program);
        MakeFolders(plugins);
        DefaultBrowser(c.command);
        // 6.9 would be preferred and 7.0 would ask about its missing folder,
        // were they examined after 4.7.
        Navigator("4.7 (en)", c.registered, false);
        Navigator("6.9 (en)", Join(Root, "six\\Plugins"));
        Navigator("7.0 (en)", Join(Root, "gone\\Plugins"), false);
        ScanRun run = RunScans();
        ExpectChosen(run, "4.7 (en)", c.registered);
        EXPECT_TRUE(run.boxes.empty()) << run.Dump();
    }

    // Without a default browser the newer version is taken.
    ClearScanPlaces();
    MakeFolders(plugins);
    MakeFolders(Join(Root, "six\\Plugins"));
    Navigator("4.7 (en)", upper, false);
    Navigator("6.9 (en)", Join(Root, "six\\Plugins"), false);
    ExpectChosen(RunScans(), "6.9 (en)", Join(Root, "six\\Plugins"));
}

TEST_F(Netscape, UnusableSubkeysAreSkippedAndUnreadableFoldersReported) {
    std::string good = Join(Root, "good\\Plugins\\");
    // Skipped without a word: no version name, no "Main", a name that is no
    // version (three digits, a leading blank, a leading zero).
    Navigator("100.1", Join(Root, "hundred"));
    Navigator(" 4.5", Join(Root, "blank"));
    Navigator("04.5", Join(Root, "zero"));
    Navigator("Netscape", Join(Root, "word"));
    EXPECT_TRUE(Version("4.55").SetString("Plugins Directory", Join(Root, "hundred")));
    // Reported in an error box: value missing, of another type, empty, too long.
    EXPECT_TRUE(Version("4.6").Sub("Main").SetString("Other", "x"));
    EXPECT_TRUE(Version("4.61").Sub("Main").SetExpandString("Plugins Directory", good));
    EXPECT_TRUE(Version("4.62").Sub("Main").SetRaw("Plugins Directory", REG_SZ, ""));
    EXPECT_TRUE(Version("4.63").Sub("Main").SetString("Plugins Directory", std::string(300, 'x')));
    EXPECT_TRUE(Version("4.64").Sub("Main").SetString("Plugins Directory", std::string(260, 'x')));
    // Reported in an information box: a folder that does not exist.
    std::string missing259 = "C:\\" + std::string(256, 'm');
    Navigator("4.65", missing259, false);
    // Chosen: a trailing backslash gives two before the file name.
    Navigator("4.7", good);
    // Newer, but too deep for "\\npscorew64.dll" within 260 characters: refused.
    std::string deep = Join(Root, std::string(120, 'd') + "\\" + std::string(120, 'e'));
    ASSERT_EQ(deep.size(), 249u);
    Navigator("4.8", deep);

    ScanRun run = RunScans();
    ExpectChosen(run, "4.7", good.substr(0, good.size() - 1) + "\\");
    EXPECT_TRUE(run.Has(CreatedFile(good + "\\" + PluginFile))) << run.Dump();
    for (const char* skipped : {"100.1", " 4.5", "04.5", "Netscape 4.55", "word", "4.8"})
        EXPECT_FALSE(run.Has(skipped)) << skipped << run.Dump();

    std::vector<BoxRecord> unreadable = run.BoxesWith("Can't read folder for Netscape");
    ASSERT_EQ(unreadable.size(), 5u) << run.Dump();
    const char* versions[] = {"4.06:", "4.61:", "4.62:", "4.63:", "4.64:"};
    for (size_t i = 0; i < unreadable.size(); ++i) {
        EXPECT_EQ(unreadable[i].text.rfind(
                      std::string("Can't read folder for Netscape ") + versions[i] + "\r\n", 0),
                  0u)
            << unreadable[i].text;
        EXPECT_GT(unreadable[i].text.size(), 40u) << "the system's reason follows";
        EXPECT_EQ(unreadable[i].buttons, std::vector<int>{IDOK});
    }
    std::vector<BoxRecord> missing = run.BoxesWith("doesn't exist");
    ASSERT_EQ(missing.size(), 1u) << run.Dump();
    EXPECT_EQ(missing[0].text, MissingText("4.65", missing259));
    EXPECT_EQ(run.boxes.size(), 6u) << run.Dump();
}

TEST_F(Netscape, ANameBeyondTheThirtyByteLimitEndsTheEnumeration) {
    Navigator("4.5", Join(Root, "a"));
    Navigator("4.6 (a language tag far too long)", Join(Root, "b"));
    Navigator("4.7", Join(Root, "c"));
    ScanRun run = RunScans();
    ExpectChosen(run, "4.5", Join(Root, "a"));
}

TEST_F(Netscape, FallbackTakesTheFirstSubfolderHoldingTheProgram) {
    const std::string netscape = "C:\\Program Files\\Netscape";
    // A folder named like the program does not count.
    MakeFolders(netscape + "\\Communicator\\Program\\netscape.exe");
    PlaceProgram("pe64.exe", netscape + "\\Program\\netscape.exe");
    PlaceProgram("pe64.exe", netscape + "\\netscape.exe");
    MakeFolders(netscape + "\\Program\\Plugins");

    ScanRun run = RunScans();
    EXPECT_TRUE(run.Has("Found, and will use, unregistered folder with netscape.exe:\r\n" +
                        netscape + "\\Program\r\n\r\n"))
        << run.Dump();
    EXPECT_EQ(run.Count("unregistered folder"), 1u) << run.Dump();
    EXPECT_TRUE(run.Has(CreatedFile(netscape + "\\Program\\Plugins\\" + PluginFile))) << run.Dump();
    EXPECT_TRUE(run.Has(ForLine("Netscape"))) << run.Dump();

    // Any record, even one whose path another already has, keeps it from running.
    std::string plugins = Join(Root, "mozilla\\plugins");
    MakeFolders(plugins);
    PlaceProgram("pe64.exe", Join(Root, "mozilla\\firefox.exe"));
    for (View view : {View::Native, View::Wow32}) {
        RegKey product(HKLM, "SOFTWARE\\Mozilla\\Firefox", view);
        product.Sub("bin").SetString("PathToExe", Join(Root, "mozilla\\firefox.exe"));
        product.Sub("Extensions").SetString("Plugins", plugins);
    }
    ScanRun withRecord = RunScans();
    EXPECT_TRUE(withRecord.Has(Registered("Firefox", plugins))) << withRecord.Dump();
    EXPECT_FALSE(withRecord.Has("unregistered folder")) << withRecord.Dump();
}

TEST_F(Netscape, FallbackUsesTheRegisteredProgramFilesFolderOnlyAsText) {
    RegKey currentVersion(HKLM, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion");
    std::optional<std::string> saved = currentVersion.GetString("ProgramFilesDir");
    ASSERT_TRUE(saved);
    PlaceProgram("pe64.exe", Join(Root, "PF\\Netscape\\netscape.exe"));
    PlaceProgram("pe64.exe", "C:\\Program Files\\Netscape\\netscape.exe");

    currentVersion.SetString("ProgramFilesDir", Join(Root, "PF"));
    ScanRun registered = RunScans();
    // Another type than REG_SZ falls back to C:\Program Files.
    currentVersion.SetExpandString("ProgramFilesDir", Join(Root, "PF"));
    ScanRun expandable = RunScans();
    currentVersion.SetString("ProgramFilesDir", *saved);

    EXPECT_TRUE(registered.Has("netscape.exe:\r\n" + Join(Root, "PF\\Netscape") + "\r\n"))
        << registered.Dump();
    EXPECT_TRUE(expandable.Has("netscape.exe:\r\nC:\\Program Files\\Netscape\r\n"))
        << expandable.Dump();
}

} // namespace
