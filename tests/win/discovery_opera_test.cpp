// Opera: the current user's registered plug-in folder, else the folders its
// profile files name; targets named after the opera.exe in or above the folder.
#include "discovery_lab.h"

using namespace disc;

namespace {

RegKey OperaKey() {
    return RegKey(HKCU, "SOFTWARE\\Opera Software");
}

std::string ProfileFolder() {
    return Join(AppDataFolder(), "opera\\opera\\profile");
}

void Profile(const char* file, const std::string& text) {
    MakeFolders(ProfileFolder());
    EXPECT_TRUE(WriteWholeFile(Join(ProfileFolder(), file), text));
}

std::string UserPrefs(const std::string& folder) {
    return "[Version]\r\nx=1\r\n\r\n[User Prefs]\r\nLanguage=en\r\nPlugin Path=" + folder +
           "\r\n\r\n[Other]\r\nY=2\r\n";
}

using Opera = DiscoveryTest;

TEST_F(Opera, RegisteredFolderNamedAfterTheProgramAboveIt) {
    PlaceProgram("opera.exe", Join(Root, "Opera\\opera.exe"));
    std::string plugins = Join(Root, "Opera\\program\\plugins");
    MakeFolders(plugins);
    ASSERT_TRUE(OperaKey().SetString("Plugin Path", plugins));
    // Not looked at while the registry gives a folder.
    std::string other = Join(Root, "Other\\plugins");
    MakeFolders(other);
    Profile("opera6.ini", UserPrefs(other));

    ScanRun run = RunScans();
    EXPECT_TRUE(run.Has(Registered("Opera", plugins))) << run.Dump();
    EXPECT_EQ(run.Count("registered folder for"), 1u) << run.Dump();
    EXPECT_TRUE(run.Has(ForLine("Opera 9.64"))) << run.Dump();
    EXPECT_TRUE(run.Has(CreatedFile(Join(plugins, PluginFile)))) << run.Dump();
    EXPECT_FALSE(run.Has(other)) << run.Dump();
    EXPECT_TRUE(run.boxes.empty()) << run.Dump();
}

TEST_F(Opera, AMissingRegisteredFolderQuietlyLeadsToTheProfiles) {
    ASSERT_TRUE(OperaKey().SetString("Plugin Path", Join(Root, "gone")));
    std::string plugins = Join(Root, "Profile\\plugins");
    MakeFolders(plugins);
    Profile("opera6.ini", UserPrefs(plugins + "\\"));

    ScanRun run = RunScans();
    EXPECT_TRUE(run.Has(Registered("Opera", plugins + "\\"))) << run.Dump();
    EXPECT_TRUE(run.Has(CreatedFile(plugins + "\\" + PluginFile))) << run.Dump();
    // No opera.exe in the folder or above it.
    EXPECT_TRUE(run.Has(ForLine("Opera"))) << run.Dump();
    EXPECT_FALSE(run.Has("doesn't exist")) << run.Dump();
    EXPECT_TRUE(run.boxes.empty()) << run.Dump();
}

TEST_F(Opera, EveryProfileFileNamingAFolderGivesATarget) {
    std::string plugins = Join(Root, "P\\plugins");
    MakeFolders(plugins);
    // A program without a version resource: "Opera 0.0".
    PlaceProgram("pe64.exe", Join(Root, "P\\opera.exe"));
    Profile("opera6.ini", UserPrefs(plugins));
    Profile("operadef6.ini", UserPrefs(plugins));
    // Not used: another name, the key outside "User Prefs", a missing folder,
    // a value longer than the reader's limit, an empty value.
    std::string unused = Join(Root, "unused");
    MakeFolders(unused);
    Profile("norm.ini", UserPrefs(unused));
    Profile("opera7.ini", "[Other]\r\nPlugin Path=" + unused + "\r\n[User Prefs]\r\nA=1\r\n");
    Profile("opera8.ini", UserPrefs(Join(Root, "missing")));
    Profile("opera9.ini", UserPrefs(unused + "\\" + std::string(300, 'x')));
    Profile("operaA.ini", UserPrefs(""));

    ScanRun run = RunScans();
    EXPECT_EQ(run.Count(Registered("Opera", plugins)), 2u) << run.Dump();
    EXPECT_EQ(run.Count("registered folder for"), 2u) << run.Dump();
    EXPECT_EQ(run.Count(ForLine("Opera 0.0")), 2u) << run.Dump();
    EXPECT_EQ(run.Count(CreatedFile(Join(plugins, PluginFile))), 1u) << run.Dump();
    EXPECT_TRUE(run.boxes.empty()) << run.Dump();
}

TEST_F(Opera, UnusableRegistryValuesAndNoProfiles) {
    std::string plugins = Join(Root, "Opera\\plugins");
    MakeFolders(plugins);
    for (int variant = 0; variant < 4; ++variant) {
        SCOPED_TRACE(variant);
        OperaKey().DeleteTree();
        if (variant == 0) OperaKey().SetExpandString("Plugin Path", plugins);
        if (variant == 1) OperaKey().SetString("Plugin Path", plugins + std::string(300, '\\'));
        if (variant == 2) OperaKey().SetRaw("Plugin Path", REG_SZ, "");
        if (variant == 3) OperaKey().SetDword("Plugin Path", 1);
        ExpectNothingFound(RunScans());
    }
}

} // namespace
