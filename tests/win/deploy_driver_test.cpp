// A whole installation run: the walk over the targets from the last to the
// first, the old 32-bit plug-in removed beside written files, the remembered
// plug-in path, the closing summary and the exit code.
#include <gtest/gtest.h>

#include "win/deploy_lab.h"

using namespace deploy;

namespace {

const char FontValue[] = "Tonalis (TrueType)";
const char FontsKey[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";
const char NetscapeFolder[] = "C:\\Program Files\\Netscape";

std::string FontPath() {
    return Join(FontsFolder(), "Tonalis.ttf");
}

std::string Summary(const std::vector<std::string>& names) {
    std::string text = "To see the top of this log, use the \xABPage Up\xBB key or Scrollbar.\r\n"
                       "    _____________________________\r\n\r\n"
                       "Installed Scorewave Viewer Plugin 1.20.0\r\n";
    for (const std::string& name : names)
        text += "for " + name + "\r\n";
    text += "\r\nIf you installed the plugin from your browser,\r\nyou may now return to the "
            "download page\r\nand click its \xABNext\xBB button.\r\n";
    return text;
}

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

class DriverTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ClearTargets();
        EXPECT_TRUE(RemoveTree(NetscapeFolder));
        for (const char* key : {".mtd", ".sgt", "Music.Transfer.Document", "ScorewaveGuitar.File"})
            RegKey(HKCR, key).DeleteTree();
        RegKey(HKLM, FontsKey).DeleteValue(FontValue);
        EXPECT_TRUE(RemoveTree(FontPath()));
    }
    void TearDown() override { RemoveTree(NetscapeFolder); }
};

TEST_F(DriverTest, WalksLastToFirstAndSummarisesEveryTargetInListOrder) {
    std::string alpha = AddMozillaProduct("Alpha");
    std::string beta = AddMozillaProduct("Beta");
    // Same folder as Beta: its record has no path and is only named.
    AddMozillaProduct("Beta Twin", FolderOf(beta));
    std::string delta = AddMozillaProduct("Delta");
    // The 32-bit view is scanned after the 64-bit one: last in the list.
    std::string aardvark = AddMozillaProduct("Aardvark", "", View::Wow32);
    PlacePrevious("v2_0_E4", alpha);
    ASSERT_TRUE(WriteWholeFile(Join(FolderOf(alpha), OldPluginFile), "old 32-bit"));
    ASSERT_TRUE(WriteWholeFile(Join(FolderOf(beta), OldPluginFile), "old 32-bit"));

    InstallRun run = RunWindowed({{"more recent version", IDYES}});
    ASSERT_TRUE(run.Succeeded()) << run.Dump();
    ASSERT_EQ(run.boxes.size(), 1u) << run.Dump();

    // Written from the last record to the first; the declined one stays.
    size_t first = run.Position(CreatedFile(aardvark));
    size_t second = run.Position(CreatedFile(delta));
    size_t third = run.Position(CreatedFile(beta));
    ASSERT_NE(third, std::string::npos) << run.Dump();
    EXPECT_LT(first, second);
    EXPECT_LT(second, third);
    EXPECT_EQ(run.Count("Created file " + beta), 1u) << "the shared folder is written once";
    EXPECT_LT(third, run.Position("more recent version")) << "Alpha is asked about last";
    EXPECT_EQ(Bytes(alpha), Bytes(VersionDll("v2_0_E4")));

    // The old 32-bit plug-in goes only beside a written file.
    EXPECT_TRUE(FileExists(Join(FolderOf(alpha), OldPluginFile)));
    EXPECT_FALSE(FileExists(Join(FolderOf(beta), OldPluginFile)));

    // The written target that stands first in the list supplies the icon and the font.
    EXPECT_EQ(RegKey(HKCR, "Music.Transfer.Document\\DefaultIcon").GetString(""), beta + ",0");
    EXPECT_EQ(Bytes(FontPath()), Bytes(BuildPath("gen\\Tonalis.ttf")));

    // The first installation in the lab's machine also placed the remover.
    EXPECT_TRUE(EndsWith(run.log, "Netscape plugin registered OK\r\n\r\n" +
                                      CreatedFile(FontPath()) + "Created directory " +
                                      RemoverFolder + "\r\n\r\n" + CreatedFile(RemoverPath) +
                                      Summary({"Alpha", "Beta", "Beta Twin", "Delta", "Aardvark"})))
        << run.Dump();
}

TEST_F(DriverTest, NothingWrittenMeansNoSummaryNoFontNoDocumentTypes) {
    std::string kept = AddMozillaProduct("Kept");
    std::string alsoKept = AddMozillaProduct("Also Kept");
    PlacePrevious("v2_5_0_0_E4", kept);
    PlacePrevious("v1_21_B0", alsoKept);

    InstallRun run = RunWindowed({{"more recent version", IDYES, BoxTitle, Forever}});
    EXPECT_EQ(run.status, FailedStatus) << run.Dump();
    EXPECT_EQ(run.boxes.size(), 2u) << run.Dump();
    EXPECT_EQ(run.Count(Answered("Yes")), 2u) << run.Dump();
    EXPECT_FALSE(run.Has("To see the top")) << run.Dump();
    EXPECT_FALSE(run.Has("Installed Scorewave")) << run.Dump();
    EXPECT_FALSE(FileExists(FontPath()));
    EXPECT_FALSE(RegKey(HKCR, ".mtd").Exists());
    EXPECT_FALSE(RegKey(HKLM, FontsKey).HasValue(FontValue));
}

TEST_F(DriverTest, SilentExitCodeTellsWhetherAnythingWasWritten) {
    // Nothing found at all.
    EXPECT_EQ(RunSilent().exitCode, 1);
    EXPECT_FALSE(RegKey(HKCR, ".mtd").Exists());

    // Every browser found gets the plug-in.
    std::vector<std::string> paths = {AddMozillaProduct("Firefox"), AddMozillaProduct("SeaMonkey"),
                                      AddMozillaProduct("Thunderbird", "", View::Wow32)};
    InstallRun run = RunSilent();
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(run.boxes.empty()) << Describe(run.boxes);
    for (const std::string& path : paths)
        EXPECT_EQ(Bytes(path), PluginBytes()) << path;
    EXPECT_EQ(RegKey(HKCR, ".mtd").GetString(""), "Music.Transfer.Document");
    EXPECT_EQ(RegKey(HKLM, FontsKey).GetString(FontValue), "Tonalis.ttf");

    // One target failing does not stop the others, and one written is enough.
    Holder holder(paths[1]);
    run = RunSilent({{"still using it", IDCANCEL}});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.boxes.size(), 1u) << Describe(run.boxes);
}

TEST_F(DriverTest, FallbackTargetIsWrittenAndOnlyTheOld32BitFileGoes) {
    const std::string plugins = Join(NetscapeFolder, "Plugins");
    ASSERT_TRUE(MakeFolders(plugins));
    ASSERT_TRUE(WriteWholeFile(Join(NetscapeFolder, "netscape.exe"), "MZ"));
    ASSERT_TRUE(WriteWholeFile(Join(plugins, OldPluginFile), "old 32-bit"));

    InstallRun run = RunWindowed();
    ASSERT_TRUE(run.Succeeded()) << run.Dump();
    EXPECT_EQ(Bytes(Join(plugins, PluginFile)), PluginBytes());
    EXPECT_FALSE(FileExists(Join(plugins, OldPluginFile)));
    EXPECT_TRUE(run.Has(Summary({"Netscape"}))) << run.Dump();
}

} // namespace
