// Mozilla products under SOFTWARE\Mozilla in both registry views: 64-bit
// programs only, one target per product and view, bad registry texts and
// program files skipped without a word, the list's limit of 20 records.
#include "discovery_lab.h"

using namespace disc;

namespace {

const char Firefox[] = "Mozilla Firefox 20.0 (x64 en-US)";

RegKey Product(const std::string& name, View view = View::Native) {
    return RegKey(HKLM, "SOFTWARE\\Mozilla\\" + name, view);
}

void Register(const std::string& name, const std::string& exe, const std::string& plugins,
              View view = View::Native) {
    EXPECT_TRUE(Product(name, view).Sub("bin").SetString("PathToExe", exe));
    EXPECT_TRUE(Product(name, view).Sub("Extensions").SetString("Plugins", plugins));
}

// A 64-bit program and an existing plug-in folder under C:\disc\<folder>.
std::string Install(const std::string& folder, std::string* plugins = nullptr) {
    std::string exe = Join(Root, folder + "\\firefox.exe");
    PlaceProgram("pe64.exe", exe);
    std::string pluginFolder = Join(Root, folder + "\\plugins");
    MakeFolders(pluginFolder);
    if (plugins) *plugins = pluginFolder;
    return exe;
}

std::string Sized(size_t length, const std::string& head = "C:\\disc\\") {
    return head + std::string(length - head.size(), 'v');
}

using Mozilla = DiscoveryTest;

TEST_F(Mozilla, NothingRegisteredNothingFound) {
    ScanRun run = RunScans();
    ExpectNothingFound(run);
    EXPECT_TRUE(run.Has(PluginFile)) << "the driver's opening line" << run.Dump();
}

TEST_F(Mozilla, OneProductInBothViewsGivesTwoRecordsTheSecondBlanked) {
    std::string plugins;
    std::string exe = Install("Firefox", &plugins);
    Register(Firefox, exe, plugins, View::Native);
    Register(Firefox, exe, plugins, View::Wow32);

    ScanRun run = RunScans();
    EXPECT_EQ(run.Count(Registered(Firefox, plugins)), 2u) << run.Dump();
    EXPECT_TRUE(run.boxes.empty()) << run.Dump();
    // Deployment writes the one path once and names both records.
    EXPECT_EQ(run.Count(CreatedFile(Join(plugins, PluginFile))), 1u) << run.Dump();
    EXPECT_EQ(run.Count(ForLine(Firefox)), 2u) << run.Dump();
}

TEST_F(Mozilla, ThirtyTwoBitProgramsMissingFoldersAndTrailingBackslashes) {
    std::string plugins32;
    Install("Old", &plugins32);
    std::string exe32 = Join(Root, "Old\\firefox32.exe");
    PlaceProgram("pe32.exe", exe32);
    Register("A 32-bit product", exe32, plugins32);

    std::string pluginsB;
    std::string exeB = Install("B", &pluginsB);
    Register("B trailing backslash", exeB, pluginsB + "\\");

    std::string exeC = Install("C");
    std::string missing = Join(Root, "C\\nowhere");
    Register("C missing folder", exeC, missing);

    ScanRun run = RunScans();
    EXPECT_FALSE(run.Has("A 32-bit product")) << run.Dump();
    EXPECT_TRUE(run.Has(Registered("B trailing backslash", pluginsB + "\\"))) << run.Dump();
    EXPECT_TRUE(run.Has(CreatedFile(pluginsB + "\\" + PluginFile))) << run.Dump();

    std::vector<BoxRecord> boxes = run.BoxesWith("doesn't exist");
    ASSERT_EQ(boxes.size(), 1u) << run.Dump();
    EXPECT_EQ(boxes[0].text, MissingText("C missing folder", missing));
    EXPECT_EQ(boxes[0].buttons, std::vector<int>{IDOK});
    EXPECT_TRUE(run.Has(MissingText("C missing folder", missing) + "\r\n    You answered: OK"))
        << run.Dump();
    EXPECT_EQ(run.Count("registered folder for"), 1u) << run.Dump();
}

TEST_F(Mozilla, BadRegistryTextsAndProgramFilesAreSkippedSilently) {
    std::string plugins;
    std::string exe = Install("Good", &plugins);
    std::optional<std::string> pe = ReadWholeFile(exe);
    ASSERT_TRUE(pe && pe->size() > 400);
    ASSERT_EQ(pe->substr(0, 2), "MZ");

    // Program files that are not 64-bit programs, whatever their head says.
    std::string truncated = Join(Root, "Good\\truncated.exe");
    WriteWholeFile(truncated, pe->substr(0, 300));
    std::string negative = Join(Root, "Good\\negative.exe");
    std::string negativeBytes = *pe;
    negativeBytes.replace(60, 4, std::string("\xF0\xFF\xFF\xFF", 4));
    WriteWholeFile(negative, negativeBytes);
    std::string garbage = Join(Root, "Good\\garbage.exe");
    std::string noise = "MZ";
    for (unsigned state = 7; noise.size() < 4096;) {
        state = state * 1103515245u + 12345u;
        noise += char(state >> 16);
    }
    WriteWholeFile(garbage, noise);
    std::string tiny = Join(Root, "Good\\tiny.exe");
    WriteWholeFile(tiny, pe->substr(0, 64));

    struct BadProduct {
        const char* name;
        std::function<void(const RegKey& bin, const RegKey& extensions)> set;
    };
    const BadProduct bad[] = {
        {"bad 01 no bin key",
         [&](const RegKey&, const RegKey& e) { e.SetString("Plugins", plugins); }},
        {"bad 02 exe expand sz",
         [&](const RegKey& b, const RegKey& e) {
             b.SetExpandString("PathToExe", exe);
             e.SetString("Plugins", plugins);
         }},
        {"bad 03 exe no bytes",
         [&](const RegKey& b, const RegKey& e) {
             b.SetRaw("PathToExe", REG_SZ, "");
             e.SetString("Plugins", plugins);
         }},
        {"bad 04 exe dword",
         [&](const RegKey& b, const RegKey& e) {
             b.SetDword("PathToExe", 64);
             e.SetString("Plugins", plugins);
         }},
        {"bad 05 exe 260",
         [&](const RegKey& b, const RegKey& e) {
             b.SetString("PathToExe", Sized(260));
             e.SetString("Plugins", plugins);
         }},
        {"bad 06 exe 300",
         [&](const RegKey& b, const RegKey& e) {
             b.SetString("PathToExe", Sized(300));
             e.SetString("Plugins", plugins);
         }},
        {"bad 07 exe 260 without zero",
         [&](const RegKey& b, const RegKey& e) {
             b.SetRaw("PathToExe", REG_SZ, Sized(260));
             e.SetString("Plugins", plugins);
         }},
        {"bad 08 truncated program",
         [&](const RegKey& b, const RegKey& e) {
             b.SetString("PathToExe", truncated);
             e.SetString("Plugins", plugins);
         }},
        {"bad 09 negative header offset",
         [&](const RegKey& b, const RegKey& e) {
             b.SetString("PathToExe", negative);
             e.SetString("Plugins", plugins);
         }},
        {"bad 10 garbage program",
         [&](const RegKey& b, const RegKey& e) {
             b.SetString("PathToExe", garbage);
             e.SetString("Plugins", plugins);
         }},
        {"bad 11 program is a folder",
         [&](const RegKey& b, const RegKey& e) {
             b.SetString("PathToExe", plugins);
             e.SetString("Plugins", plugins);
         }},
        {"bad 12 program of 64 bytes",
         [&](const RegKey& b, const RegKey& e) {
             b.SetString("PathToExe", tiny);
             e.SetString("Plugins", plugins);
         }},
        {"bad 13 plugins expand sz",
         [&](const RegKey& b, const RegKey& e) {
             b.SetString("PathToExe", exe);
             e.SetExpandString("Plugins", plugins);
         }},
        {"bad 14 plugins no bytes",
         [&](const RegKey& b, const RegKey& e) {
             b.SetString("PathToExe", exe);
             e.SetRaw("Plugins", REG_SZ, "");
         }},
        {"bad 15 plugins 300",
         [&](const RegKey& b, const RegKey& e) {
             b.SetString("PathToExe", exe);
             e.SetString("Plugins", Sized(300));
         }},
        {"bad 16 plugins 260",
         [&](const RegKey& b, const RegKey& e) {
             b.SetString("PathToExe", exe);
             e.SetString("Plugins", Sized(260));
         }},
        {"bad 17 no extensions key",
         [&](const RegKey& b, const RegKey&) { b.SetString("PathToExe", exe); }},
    };
    for (const BadProduct& product : bad)
        product.set(Product(product.name).Sub("bin"), Product(product.name).Sub("Extensions"));

    // An existing folder too deep for "\npscorew64.dll" within 260 characters:
    // refused, not cut.
    std::string deep = Join(Root, std::string(120, 'd') + "\\" + std::string(120, 'e'));
    ASSERT_EQ(deep.size(), 249u);
    ASSERT_TRUE(MakeFolders(deep));
    Register("bad 18 folder too deep", exe, deep);

    // Texts that read well but name no folder: the usual information box.
    std::string text259 = Sized(259);
    Register("box 259 characters", exe, text259);
    // 260 characters stored without their zero are over-long like any longer
    // text: refused silently, not read and reported.
    Product("bad 19 plugins 260 without zero").Sub("bin").SetString("PathToExe", exe);
    Product("bad 19 plugins 260 without zero")
        .Sub("Extensions")
        .SetRaw("Plugins", REG_SZ, Sized(260));

    Register("zz good", exe, plugins);

    ScanRun run = RunScans();
    EXPECT_EQ(run.Count("registered folder for"), 1u) << run.Dump();
    EXPECT_TRUE(run.Has(Registered("zz good", plugins))) << run.Dump();
    EXPECT_FALSE(run.Has("bad ")) << run.Dump();
    ASSERT_EQ(run.boxes.size(), 1u) << run.Dump();
    EXPECT_EQ(run.boxes[0].text, MissingText("box 259 characters", text259));
    EXPECT_FALSE(FolderExists(Join(deep, PluginFile)));
}

TEST_F(Mozilla, ANameBeyondTheEnumerationLimitEndsThatView) {
    std::string plugins;
    std::string exe = Install("Firefox", &plugins);
    std::string longest = "B" + std::string(98, 'x'); // 99 characters: read
    std::string tooLong = "C" + std::string(99, 'x'); // 100: ends the enumeration
    for (const std::string& name :
         {std::string("A first"), longest, tooLong, std::string("D after")})
        Register(name, exe, plugins);
    Register("E other view", exe, plugins, View::Wow32);

    ScanRun run = RunScans();
    EXPECT_TRUE(run.Has(Registered("A first", plugins))) << run.Dump();
    EXPECT_TRUE(run.Has(Registered(longest, plugins))) << run.Dump();
    EXPECT_FALSE(run.Has(tooLong)) << run.Dump();
    EXPECT_FALSE(run.Has("D after")) << run.Dump();
    EXPECT_TRUE(run.Has(Registered("E other view", plugins))) << run.Dump();
    EXPECT_EQ(run.Count(ForLine(longest)), 1u) << run.Dump();
}

TEST_F(Mozilla, FortyProductsInBothViewsFillTheListAndALongLog) {
    const int products = 40;
    std::string exe = Install("Shared");
    // Names of 99 characters and folders of 240 make a log longer than an edit
    // control holds by default (30,000 characters under Wine, 32,767 on Windows).
    auto name = [](int i) {
        return "Product " + std::to_string(100 + i).substr(1) + std::string(89, 'n');
    };
    for (int i = 1; i <= products; ++i) {
        std::string plugins = Join(Root, "P" + std::to_string(i) + "\\");
        plugins += std::string(240 - plugins.size(), 'f');
        MakeFolders(plugins);
        Register(name(i), exe, plugins, View::Native);
        Register(name(i), exe, plugins, View::Wow32);
    }

    ScanRun run = RunScans();
    EXPECT_EQ(run.Count("registered folder for Product"), 2u * products) << run.Dump();
    // The 20 records are the native view's first 20 products; the rest are
    // dropped without a word.
    EXPECT_EQ(run.Count("\r\nfor Product"), 20u) << run.Dump();
    EXPECT_TRUE(run.Has(ForLine(name(20)))) << run.Dump();
    EXPECT_FALSE(run.Has(ForLine(name(21)))) << run.Dump();
    EXPECT_EQ(run.Count("Created file C:\\disc\\"), 20u) << run.Dump();
    EXPECT_TRUE(run.boxes.empty()) << run.Dump();
    // Nothing of it lost: the log still ends with the summary's last line.
    const std::string end = "and click its \xABNext\xBB button.\r\n";
    EXPECT_GT(run.log.size(), 32767u);
    EXPECT_EQ(run.log.substr(run.log.size() - std::min(run.log.size(), end.size())), end);
}

} // namespace
