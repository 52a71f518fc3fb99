// Writing the plug-in into a target that may already hold a file: the version
// question, the ".old" backup, the Retry loop, and the previous file put back
// byte for byte when writing fails. Targets are Mozilla products; every run is
// the real installer.
#include <gtest/gtest.h>

#include "replace/replace.h"
#include "win/deploy_lab.h"

using namespace deploy;

namespace {

const char NewerQuestion[] = "This software is version:\r\n  1.20.0\r\nbut you have a more recent "
                             "version:\r\n  %s\r\nDo you prefer to keep your current %s?\r\n(We "
                             "recommend you do.)";

std::string NewerText(const std::string& version) {
    char text[512];
    snprintf(text, sizeof text, NewerQuestion, version.c_str(), version.c_str());
    return text;
}

std::string InUseText(const std::string& path) {
    return "The Scorewave Viewer installer can't overwrite your old plugin file:\r\n" + path +
           "\r\nbecause some other program is still using it.\r\n\r\nPerhaps you're viewing some "
           "digital sheet music in a web browser?\r\nIf so, try to dismiss that browser or view "
           "some other page.\r\nThen click \"Retry\" and the installation may succeed.";
}

// The installer with its carried plug-in resource renamed, so that every
// extraction fails after the previous file has been moved aside.
std::string InstallerWithoutPlugin() {
    std::string bytes = Bytes(InstallerPath());
    const std::string type("\x04\0F\0I\0L\0E\0", 10); // the resource type "FILE"
    size_t at = bytes.find(type);
    EXPECT_NE(at, std::string::npos);
    EXPECT_EQ(bytes.find(type, at + 1), std::string::npos);
    if (at != std::string::npos) bytes[at + 8] = 'X';
    std::string path = Join(Root, "NoPlugin\\ScorewaveSetup.exe");
    EXPECT_TRUE(WriteWholeFile(path, bytes));
    return path;
}

class PayloadTest : public ::testing::Test {
  protected:
    void SetUp() override { ClearTargets(); }
};

TEST_F(PayloadTest, OlderSameOrUnversionedFilesReplacedWithoutAQuestion) {
    std::string fresh = AddMozillaProduct("A fresh");
    std::string same = AddMozillaProduct("B same");
    std::string older = AddMozillaProduct("C older");
    std::string unversioned = AddMozillaProduct("D unversioned");
    std::string readOnly = AddMozillaProduct("E read-only");
    // The drive letter in lower case: the backup is still a rename on one drive.
    std::string lower = AddMozillaProduct("F lower", "c:\\dep\\F lower");
    PlacePrevious("v1_20_0_0_B0", same);
    PlacePrevious("v1_5_E4", older);
    PlacePrevious("noversion", unversioned);
    PlacePrevious("v1_5_B0", readOnly, true);
    PlacePrevious("v1_5_E4", lower);
    // A backup left behind by an earlier run goes, whatever it holds.
    ASSERT_TRUE(WriteWholeFile(BackupOf(older), "left behind"));

    InstallRun run = RunWindowed();
    ASSERT_TRUE(run.Succeeded()) << run.Dump();
    EXPECT_TRUE(run.boxes.empty()) << run.Dump();
    const std::string plugin = PluginBytes();
    size_t previous = std::string::npos;
    // Written from the last target to the first.
    for (const std::string& path : {lower, readOnly, unversioned, older, same, fresh}) {
        EXPECT_EQ(Bytes(path), plugin) << path;
        EXPECT_FALSE(FileExists(BackupOf(path))) << path;
        size_t at = run.Position(CreatedFile(path));
        ASSERT_NE(at, std::string::npos) << path << run.Dump();
        if (previous != std::string::npos) EXPECT_GT(at, previous) << path;
        previous = at;
    }
    EXPECT_FALSE(IsReadOnly(readOnly));
}

TEST_F(PayloadTest, NewerVersionAsksYesKeepsNoReplaces) {
    struct Case {
        const char* product;
        const char* fixture;
        const char* shown; // as message 10 prints it
        int answer;
    };
    // Written from the last to the first, so the rules are in reverse order.
    // G's version is only in the second table: the first one's is empty.
    const Case cases[] = {
        {"G", "v2_5_0_split", "2.05.0", IDYES}, {"F", "v1_21_E4", "1.21.0", IDYES},
        {"E", "v2_0_B0", "2.00.0", IDNO},       {"D", "v2_5_0_0_B0", "2.05.0", IDYES},
        {"C", "v2_5_0_0_E4", "2.05.0", IDNO},   {"B", "v1_21_B0", "1.21.0", IDNO},
        {"A", "v2_0_E4", "2.00.0", IDYES},
    };
    std::vector<BoxRule> rules;
    std::vector<std::string> paths;
    for (const Case& c : cases) {
        paths.push_back(AddMozillaProduct(c.product));
        PlacePrevious(c.fixture, paths.back());
        rules.push_back({NewerText(c.shown), c.answer});
    }

    // While each question waits, its target's folder is held: no other
    // program can rename it (and put another in its place).
    RunOptions options = Windowed(rules);
    std::vector<DWORD> renames;
    options.onWindow = [&](Session&, const WindowRecord& window) {
        if (window.title != BoxTitle || renames.size() >= paths.size()) return false;
        const std::string folder = FolderOf(paths[renames.size()]);
        renames.push_back(MoveFileA(folder.c_str(), (folder + " moved").c_str()) ? 0
                                                                                 : GetLastError());
        return false;
    };
    InstallRun run = RunWindowedWith(options);
    EXPECT_EQ(renames, std::vector<DWORD>(paths.size(), ERROR_SHARING_VIOLATION));
    ASSERT_EQ(run.boxes.size(), paths.size()) << run.Dump();
    for (size_t i = 0; i < run.boxes.size(); ++i) {
        EXPECT_EQ(run.boxes[i].text, NewerText(cases[i].shown)) << i;
        EXPECT_EQ(run.boxes[i].rule, int(i)) << i;
        EXPECT_EQ(run.boxes[i].buttons, (std::vector<int>{IDYES, IDNO}));
    }
    for (size_t i = 0; i < paths.size(); ++i) {
        const Case& c = cases[i];
        if (c.answer == IDYES) {
            EXPECT_EQ(Bytes(paths[i]), Bytes(VersionDll(c.fixture))) << c.product;
            EXPECT_FALSE(run.Has(CreatedFile(paths[i]))) << c.product << run.Dump();
        } else {
            EXPECT_EQ(Bytes(paths[i]), PluginBytes()) << c.product;
            EXPECT_TRUE(run.Has(CreatedFile(paths[i]))) << c.product << run.Dump();
        }
        EXPECT_FALSE(FileExists(BackupOf(paths[i]))) << c.product;
    }
    // Each question and its answer are in the log.
    EXPECT_TRUE(run.Has(NewerText("2.00.0") + "\r\n" + Answered("Yes"))) << run.Dump();
    EXPECT_TRUE(run.Has(NewerText("2.00.0") + "\r\n" + Answered("No"))) << run.Dump();
    EXPECT_EQ(run.Count(Answered("Yes")), 4u) << run.Dump();
}

TEST_F(PayloadTest, NewerEverywhereKeptIsNotAnInstallation) {
    std::string only = AddMozillaProduct("Only");
    PlacePrevious("v2_0_E4", only);
    InstallRun run = RunSilent({{"more recent version", IDYES}});
    EXPECT_EQ(run.exitCode, 1);
    ASSERT_EQ(run.boxes.size(), 1u) << Describe(run.boxes);
    EXPECT_EQ(Bytes(only), Bytes(VersionDll("v2_0_E4")));
}

TEST_F(PayloadTest, SharingViolationRetriedOnceTheHolderLetsGo) {
    std::string path = AddMozillaProduct("Held");
    PlacePrevious("v1_5_E4", path);
    Holder holder(path);
    ASSERT_TRUE(holder.Holding());

    RunOptions options = Windowed({{"because some other program is still using it", IDRETRY}});
    // The browser closes while the question is on screen.
    options.onWindow = [&](Session&, const WindowRecord& window) {
        if (window.title == BoxTitle) holder.Release();
        return false;
    };
    InstallRun run = RunWindowedWith(options);
    ASSERT_EQ(run.boxes.size(), 1u) << run.Dump();
    EXPECT_EQ(run.boxes[0].text, InUseText(path));
    EXPECT_EQ(run.boxes[0].buttons, (std::vector<int>{IDRETRY, IDCANCEL}));
    EXPECT_TRUE(run.Has(InUseText(path) + "\r\n" + Answered("Retry"))) << run.Dump();
    EXPECT_TRUE(run.Succeeded()) << run.Dump();
    EXPECT_EQ(Bytes(path), PluginBytes());
    EXPECT_FALSE(FileExists(BackupOf(path)));
}

TEST_F(PayloadTest, CancelAfterASharingViolationLeavesThePreviousFile) {
    std::string path = AddMozillaProduct("Held");
    PlacePrevious("v1_5_E4", path, true);
    const std::string previous = Bytes(path);
    {
        Holder holder(path);
        ASSERT_TRUE(holder.Holding());
        InstallRun run = RunWindowed({{"still using it", IDCANCEL}});
        ASSERT_EQ(run.boxes.size(), 1u) << run.Dump();
        EXPECT_TRUE(run.Has(Answered("Cancel"))) << run.Dump();
        EXPECT_EQ(run.status, FailedStatus);
        EXPECT_FALSE(run.Has("Created file")) << run.Dump();
    }
    EXPECT_EQ(Bytes(path), previous);
    EXPECT_TRUE(IsReadOnly(path));
    EXPECT_FALSE(FileExists(BackupOf(path)));
}

TEST_F(PayloadTest, FailedWriteAfterTheBackupPutsThePreviousFileBackBeforeAsking) {
    std::string path = AddMozillaProduct("Target");
    PlacePrevious("v1_5_B0", path, true);
    const std::string previous = Bytes(path);
    const std::string installer = InstallerWithoutPlugin();

    RunOptions options = Windowed({{"Failed to install plugin for Target", IDRETRY},
                                   {"Failed to install plugin for Target", IDCANCEL}});
    options.exe = installer;
    // What the target holds while each question is on screen.
    std::vector<std::string> whileAsked;
    std::vector<bool> backupWhileAsked;
    options.onWindow = [&](Session&, const WindowRecord& window) {
        if (window.title == BoxTitle) {
            whileAsked.push_back(Bytes(path));
            backupWhileAsked.push_back(FileExists(BackupOf(path)));
        }
        return false;
    };
    InstallRun run = RunWindowedWith(options);
    ASSERT_EQ(run.boxes.size(), 2u) << run.Dump();
    const std::string asked =
        "Failed to install plugin for Target\r\nto:\r\n" + path + "\r\nbecause:\r\n";
    EXPECT_EQ(run.boxes[0].text.substr(0, asked.size()), asked);
    EXPECT_GT(run.boxes[0].text.size(), asked.size() + 5) << "the system's reason is missing";
    EXPECT_EQ(run.boxes[0].buttons, (std::vector<int>{IDRETRY, IDCANCEL}));
    ASSERT_EQ(whileAsked.size(), 2u);
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(whileAsked[i], previous) << i;
        EXPECT_FALSE(backupWhileAsked[i]) << i;
    }
    EXPECT_EQ(run.status, FailedStatus);
    EXPECT_EQ(Bytes(path), previous);
    EXPECT_TRUE(IsReadOnly(path));
    EXPECT_FALSE(FileExists(BackupOf(path)));

    // A newer previous file: after a No and a failed write, the Retry asks
    // about its version again.
    PlacePrevious("v2_0_E4", path);
    options.boxes = {{"more recent version", IDNO, BoxTitle, 2},
                     {"Failed to install plugin for Target", IDRETRY},
                     {"Failed to install plugin for Target", IDCANCEL}};
    options.onWindow = nullptr;
    InstallRun again = RunWindowedWith(options);
    std::vector<int> rules;
    for (const BoxRecord& box : again.boxes)
        rules.push_back(box.rule);
    EXPECT_EQ(rules, (std::vector<int>{0, 1, 0, 2})) << again.Dump();
    EXPECT_EQ(Bytes(path), Bytes(VersionDll("v2_0_E4")));
}

TEST_F(PayloadTest, BackupHeldByARunningBrowserGoesInTheNextRun) {
    std::string path = AddMozillaProduct("Loaded");
    PlacePrevious("v1_5_E4", path);
    const std::string previous = Bytes(path);
    {
        // The browser has the plug-in loaded: it can be renamed, not deleted.
        Holder browser(path, "--load");
        ASSERT_TRUE(browser.Holding());
        InstallRun run = RunWindowed();
        EXPECT_TRUE(run.boxes.empty()) << run.Dump();
        EXPECT_TRUE(run.Succeeded()) << run.Dump();
        EXPECT_EQ(Bytes(path), PluginBytes());
        EXPECT_EQ(Bytes(BackupOf(path)), previous);
    }
    InstallRun next = RunWindowed();
    EXPECT_TRUE(next.Succeeded()) << next.Dump();
    EXPECT_FALSE(FileExists(BackupOf(path)));
    EXPECT_EQ(Bytes(path), PluginBytes());
}

TEST_F(PayloadTest, BackupOfAKilledRunGoesBackFirstAndItsTemporaryFileGoes) {
    std::string path = AddMozillaProduct("Killed");
    // An earlier run was killed between its two renames: only the ".old"
    // holds the previous file, and its temporary file lies beside it.
    PlacePrevious("v1_5_E4", BackupOf(path));
    const std::string previous = Bytes(BackupOf(path));
    const std::string stray = Join(FolderOf(path), "~scwBEEF.tmp");
    const std::string lookalike = Join(FolderOf(path), "~scw notes.tmp");
    ASSERT_TRUE(WriteWholeFile(stray, "half a plug-in"));
    ASSERT_TRUE(WriteWholeFile(lookalike, "the user's own"));

    RunOptions options = Windowed({{"Failed to install plugin for Killed", IDCANCEL}});
    options.exe = InstallerWithoutPlugin();
    std::string whileAsked;
    options.onWindow = [&](Session&, const WindowRecord& window) {
        if (window.title == BoxTitle) whileAsked = Bytes(path);
        return false;
    };
    InstallRun run = RunWindowedWith(options);
    ASSERT_EQ(run.boxes.size(), 1u) << run.Dump();
    EXPECT_EQ(whileAsked, previous);
    EXPECT_EQ(Bytes(path), previous);
    EXPECT_FALSE(FileExists(BackupOf(path)));
    EXPECT_FALSE(FileExists(stray));
    EXPECT_EQ(Bytes(lookalike), "the user's own");
}

TEST_F(PayloadTest, ABackupThatIsNotThisProductsStaysAndTheTargetIsWrittenFresh) {
    std::string path = AddMozillaProduct("Planted");
    // Beside a missing target, as a killed run would leave it, but no plug-in
    // of this product: it is not put in the browser's way.
    PlacePrevious("noversion", BackupOf(path));
    // Under a numbered name, it stays beside the target too.
    const std::string numbered = Join(FolderOf(path), "npscorew64.1A2B.old");
    PlacePrevious("noversion", numbered);
    InstallRun run = RunSilent();
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(run.boxes.empty()) << Describe(run.boxes);
    EXPECT_EQ(Bytes(path), PluginBytes());
    EXPECT_EQ(Bytes(BackupOf(path)), Bytes(VersionDll("noversion")));
    EXPECT_EQ(RunSilent().exitCode, 0);
    EXPECT_EQ(Bytes(numbered), Bytes(VersionDll("noversion")));
}

TEST_F(PayloadTest, BackupThatCannotGoBackStaysWholeBesideTheNewFile) {
    std::string path = AddMozillaProduct("Only copy");
    PlacePrevious("v1_5_E4", BackupOf(path));
    {
        // The ".old" is the only copy of the previous file, and another program
        // holds it: it cannot go back, so it must stay as it is.
        Holder holder(BackupOf(path));
        ASSERT_TRUE(holder.Holding());
        EXPECT_EQ(RunSilent().exitCode, 0);
        EXPECT_EQ(Bytes(path), PluginBytes());
    }
    EXPECT_EQ(Bytes(BackupOf(path)), Bytes(VersionDll("v1_5_E4")));
}

// In the installer's own code: the temporary file is always a new file, of
// the next free name when one is taken.
TEST_F(PayloadTest, TemporaryFileIsAlwaysANewFileOfTheNextFreeName) {
    ASSERT_TRUE(MakeFolders(Root));
    const std::string taken = Join(Root, "~scw0010.tmp");
    ASSERT_TRUE(WriteWholeFile(taken, "someone else's"));
    HeldFolder folder;
    ASSERT_EQ(HoldFolder(Root, folder), DWORD(ERROR_SUCCESS));
    PayloadItem item = {"test", nullptr, nullptr, (const BYTE*)"payload", 7, nullptr};
    ScopedHandle temporary;
    ASSERT_EQ(WriteTemporaryCopy(item, folder, 0x10, temporary), DWORD(ERROR_SUCCESS));
    temporary.Reset(nullptr);
    EXPECT_EQ(Bytes(taken), "someone else's");
    EXPECT_EQ(Bytes(Join(Root, "~scw0011.tmp")), "payload");
}

// In the installer's own code: when the new file cannot take the target's
// name (here its handle is no file at all), the parked previous file is back
// under that name before anyone is told.
TEST_F(PayloadTest, NewFileThatCannotTakeTheNamePutsTheParkedFileBack) {
    ASSERT_TRUE(MakeFolders(Root));
    ASSERT_TRUE(WriteWholeFile(Join(Root, "np.old"), "previous"));
    HeldFolder folder;
    ASSERT_EQ(HoldFolder(Root, folder), DWORD(ERROR_SUCCESS));
    ScopedHandle parked, notAFile(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    ASSERT_EQ(OpenInFolder(folder, "np.old", DELETE, FILE_SHARE_READ, OpenExisting, parked),
              DWORD(ERROR_SUCCESS));
    EXPECT_NE(ReplaceTarget(folder, "np.dll", notAFile.Get(), parked.Get()), DWORD(ERROR_SUCCESS));
    parked.Reset(nullptr);
    EXPECT_EQ(Bytes(Join(Root, "np.dll")), "previous");
    EXPECT_FALSE(FileExists(Join(Root, "np.old")));
}

TEST_F(PayloadTest, OlderBackupStillLoadedTheNewFileStillTakesItsPlace) {
    std::string path = AddMozillaProduct("Loaded");
    PlacePrevious("v1_5_E4", path);
    PlacePrevious("v1_5_B0", BackupOf(path));
    {
        // Browsers have the plug-in and an older one under the backup name loaded.
        Holder browser(path, "--load"), older(BackupOf(path), "--load");
        ASSERT_TRUE(browser.Holding() && older.Holding());
        InstallRun run = RunSilent();
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_TRUE(run.boxes.empty()) << Describe(run.boxes);
        EXPECT_EQ(Bytes(path), PluginBytes());
        // The previous file waits under a numbered backup name.
        EXPECT_EQ(FilesIn(FolderOf(path), "npscorew64.????.old").size(), 1u);
    }
    EXPECT_EQ(RunSilent().exitCode, 0);
    EXPECT_EQ(FilesIn(FolderOf(path)), std::vector<std::string>{PluginFile});
}

TEST_F(PayloadTest, HeldTargetWithItsBackupNameHeldTooIsInUse) {
    std::string path = AddMozillaProduct("Held");
    PlacePrevious("v1_5_E4", path);
    PlacePrevious("v1_5_B0", BackupOf(path));
    {
        Holder browser(path), older(BackupOf(path));
        ASSERT_TRUE(browser.Holding() && older.Holding());
        InstallRun run = RunSilent({{"still using it", IDCANCEL}});
        EXPECT_EQ(run.exitCode, 1);
        ASSERT_EQ(run.boxes.size(), 1u) << Describe(run.boxes);
        EXPECT_EQ(run.boxes[0].text, InUseText(path));
    }
    EXPECT_EQ(Bytes(path), Bytes(VersionDll("v1_5_E4")));
    EXPECT_EQ(Bytes(BackupOf(path)), Bytes(VersionDll("v1_5_B0")));
    EXPECT_TRUE(FilesIn(FolderOf(path), "~scw*").empty());
}

// A newer file held by a browser that lets others read it is asked about
// first; a folder held by another program holds no old plug-in file.
TEST_F(PayloadTest, HeldNewerFileAskedAboutBeforeItIsInUseAndAHeldFolderIsNoOldFile) {
    std::string held = AddMozillaProduct("A Held"), folder = AddMozillaProduct("B Folder");
    PlacePrevious("v2_0_E4", held);
    Holder browser(held, "--share-read"), other(FolderOf(folder));
    ASSERT_TRUE(browser.Holding() && other.Holding());
    InstallRun run = RunSilent({{"Failed to install plugin for B Folder", IDCANCEL},
                                {"more recent version", IDNO},
                                {"still using it", IDCANCEL}});
    EXPECT_EQ(run.exitCode, 1);
    std::vector<int> rules;
    for (const BoxRecord& box : run.boxes)
        rules.push_back(box.rule);
    EXPECT_EQ(rules, (std::vector<int>{0, 1, 2})) << Describe(run.boxes);
    browser.Release();
    EXPECT_EQ(Bytes(held), Bytes(VersionDll("v2_0_E4")));
}

TEST_F(PayloadTest, BoxesNobodyCanSeeAreAnsweredAsUnattendedAndTheLogIsKept) {
    std::string held = AddMozillaProduct("A Held"), newer = AddMozillaProduct("B Newer");
    PlacePrevious("v1_5_E4", held);
    PlacePrevious("v2_0_E4", newer);
    {
        Holder holder(held);
        ASSERT_TRUE(holder.Holding());
        // On a window station nobody sees, a box would wait for ever.
        RunOptions unseen;
        unseen.args = "/noui";
        unseen.desktop = UnseenDesktop();
        Outcome outcome = RunToEnd(unseen);
        EXPECT_FALSE(outcome.timedOut);
        EXPECT_EQ(outcome.exitCode, 1);
        const std::string log = Bytes(SetupLog);
        EXPECT_NE(log.find(NewerText("2.00.0") + "\r\n" + Answered("Yes")), std::string::npos)
            << log;
        EXPECT_NE(log.find(InUseText(held) + "\r\n" + Answered("Cancel")), std::string::npos)
            << log;
        // Where they are seen, the same run asks.
        InstallRun seen = RunSilent({{"more recent version", IDYES}, {"still using it", IDCANCEL}});
        EXPECT_EQ(seen.exitCode, 1);
        EXPECT_EQ(seen.boxes.size(), 2u) << Describe(seen.boxes);
    }
    EXPECT_EQ(Bytes(held), Bytes(VersionDll("v1_5_E4")));
    EXPECT_EQ(Bytes(newer), Bytes(VersionDll("v2_0_E4")));
}

} // namespace
