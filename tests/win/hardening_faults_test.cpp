// Nothing lost under faults: each fault is injected into a real installation
// and the user's files are checked byte for byte while every question waits
// and afterwards. A windowed run shows what the log says; a silent run shows
// whether the exit code tells if anything was written.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <set>

#include "win/deploy_lab.h"
#include "win/hardening_pe.h"

using namespace deploy;

namespace {

// ------------------------------------------------------------- helpers

// The system's text for an error, as the installer shows it (with its line end).
std::string SystemText(DWORD code) {
    char text[512] = "";
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                   text, sizeof text, nullptr);
    return text;
}

// A folder's files as "name size last-write-time", read without opening any
// of them (a file held without sharing cannot be read, but is listed).
std::vector<std::string> Listing(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA(Join(folder, "*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        std::string name = entry.cFileName;
        if (name == "." || name == "..") continue;
        ULONGLONG size = (ULONGLONG(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow;
        ULONGLONG written = (ULONGLONG(entry.ftLastWriteTime.dwHighDateTime) << 32) |
                            entry.ftLastWriteTime.dwLowDateTime;
        names.push_back(name + " " + std::to_string(size) + " " + std::to_string(written));
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> Names(const std::vector<std::string>& listing) {
    std::vector<std::string> names;
    for (const std::string& line : listing)
        names.push_back(line.substr(0, line.find(' ')));
    return names;
}

// What a plug-in folder holds, as a browser would find it.
struct FolderState {
    std::vector<std::string> files;
    std::string plugin; // the plug-in file's bytes; "<missing>" when it cannot be read
    bool readOnly = false;

    static FolderState Of(const std::string& pluginPath) {
        return {Listing(FolderOf(pluginPath)), Bytes(pluginPath), IsReadOnly(pluginPath)};
    }
    // The same, for a folder whose plug-in file is held open without sharing.
    bool SameListing(const FolderState& other) const {
        return files == other.files && readOnly == other.readOnly;
    }
    bool operator==(const FolderState& other) const {
        return SameListing(other) && plugin == other.plugin;
    }
};

std::ostream& operator<<(std::ostream& out, const FolderState& state) {
    out << "{files:";
    for (const std::string& file : state.files)
        out << " [" << file << "]";
    return out << "; plug-in " << state.plugin.size() << " bytes"
               << (state.readOnly ? ", read-only" : "") << "}";
}

const std::vector<std::string> OnlyThePlugin = {PluginFile};

std::string InUseText(const std::string& path) {
    return "The Scorewave Viewer installer can't overwrite your old plugin file:\r\n" + path +
           "\r\nbecause some other program is still using it.\r\n\r\nPerhaps you're viewing some "
           "digital sheet music in a web browser?\r\nIf so, try to dismiss that browser or view "
           "some other page.\r\nThen click \"Retry\" and the installation may succeed.";
}

std::string FailedText(const std::string& browser, const std::string& path, DWORD error) {
    return "Failed to install plugin for " + browser + "\r\nto:\r\n" + path + "\r\nbecause:\r\n" +
           SystemText(error);
}

// Options for a run that calls onBox (on the driver's watcher thread, so no
// assertions there) each time one of the installer's boxes appears, before it
// is answered.
RunOptions WithBoxHook(RunOptions options, std::function<void()> onBox) {
    options.onWindow = [onBox](Session&, const WindowRecord& window) {
        if (window.title == BoxTitle) onBox();
        return false;
    };
    return options;
}

RunOptions SilentOptions(std::vector<BoxRule> rules) {
    RunOptions options;
    options.args = "/noui";
    options.boxes = std::move(rules);
    options.timeoutMs = 2 * RunWaitMs;
    return options;
}

InstallRun RunSilentWith(RunOptions options) {
    Outcome outcome = RunToEnd(std::move(options));
    EXPECT_FALSE(outcome.timedOut);
    InstallRun result;
    result.exitCode = outcome.exitCode;
    result.boxes = outcome.boxes;
    ExpectDefinedBoxTypes(result.boxes);
    return result;
}

// The answers the log shows, in order ("Retry", "Cancel" ...).
std::vector<std::string> AnswersLogged(const InstallRun& run) {
    std::vector<std::string> answers;
    const std::string mark = "    You answered: ";
    for (size_t at = run.log.find(mark); at != std::string::npos; at = run.log.find(mark, at + 1)) {
        size_t start = at + mark.size();
        answers.push_back(run.log.substr(start, run.log.find('\r', start) - start));
    }
    return answers;
}

typedef std::vector<std::string> Answers;

class Faults : public ::testing::Test {
  protected:
    void SetUp() override { ClearTargets(); }
};

// ------------------------------------------------------------- held and read-only

TEST_F(Faults, HeldAndReadOnlyRetriedThreeTimesThenCancelled) {
    std::string held = AddMozillaProduct("Held");
    PlacePrevious("v1_5_E4", held, true);
    const FolderState before = FolderState::Of(held);
    ASSERT_TRUE(before.readOnly);
    Holder browser(held);
    ASSERT_TRUE(browser.Holding());

    const std::vector<BoxRule> rules = {{"still using it", IDRETRY, BoxTitle, 3},
                                        {"still using it", IDCANCEL}};
    std::vector<FolderState> whileAsked;
    InstallRun run = RunWindowedWith(
        WithBoxHook(Windowed(rules), [&] { whileAsked.push_back(FolderState::Of(held)); }));
    ASSERT_EQ(run.boxes.size(), 4u) << run.Dump();
    for (const BoxRecord& box : run.boxes)
        EXPECT_EQ(box.text, InUseText(held));
    EXPECT_EQ(AnswersLogged(run), (Answers{"Retry", "Retry", "Retry", "Cancel"})) << run.Dump();
    EXPECT_EQ(run.Count(InUseText(held)), 4u) << run.Dump();
    EXPECT_FALSE(run.Has("Created file")) << run.Dump();
    EXPECT_EQ(run.status, FailedStatus);
    ASSERT_EQ(whileAsked.size(), 4u);
    for (const FolderState& state : whileAsked)
        EXPECT_TRUE(state.SameListing(before)) << state << " instead of " << before;

    // Silent: nothing written, exit code 1; with a second, healthy target the
    // run installs there and says so with 0, the held file still untouched.
    InstallRun alone = RunSilentWith(SilentOptions({{"still using it", IDCANCEL}}));
    EXPECT_EQ(alone.exitCode, 1);
    EXPECT_EQ(alone.boxes.size(), 1u) << Describe(alone.boxes);
    std::string other = AddMozillaProduct("Other");
    InstallRun both = RunSilentWith(SilentOptions({{"still using it", IDCANCEL}}));
    EXPECT_EQ(both.exitCode, 0);
    EXPECT_EQ(Bytes(other), PluginBytes());
    EXPECT_TRUE(FolderState::Of(held).SameListing(before));
    browser.Release();
    EXPECT_EQ(FolderState::Of(held), before);
}

// ------------------------------------------------------------- folders that lead elsewhere

int RunLinux(const std::string& script);

// The log of the last silent run.
InstallRun WithSilentLog(InstallRun run) {
    return run.log = Bytes(SetupLog), run;
}

// A plug-in folder that is a link (the lab's stand-in for a mount point a user
// made) and one reached through it: nothing is written through either, each
// is logged once, without a box that could never help, and the run goes on
// with the others. What merely looks different is written: a short name, one
// whose long form is longer than a path may be, a drive letter that stands
// for a folder (as SUBST and mapped drives do).
TEST_F(Faults, FoldersThatAreOrPassThroughLinksAreRefused) {
    const std::string elsewhere = Join(Root, "elsewhere");
    ASSERT_TRUE(MakeFolders(Join(elsewhere, "inner")));
    ASSERT_TRUE(MakeFolderLink(elsewhere, Join(Root, "Linked")));
    std::string plain = AddMozillaProduct("A Plain");
    std::string linked = AddMozillaProduct("B Linked", Join(Root, "Linked"));
    std::string through = AddMozillaProduct("C Through", Join(Root, "Linked\\inner"));
    // A folder registered by its short name leads where it says.
    const std::string longName = Join(Root, "Long Folder Name");
    char shortName[MAX_PATH] = "", deep[MAX_PATH] = "";
    ASSERT_TRUE(MakeFolders(longName));
    ASSERT_GT(GetShortPathNameA(longName.c_str(), shortName, MAX_PATH), 0u);
    ASSERT_NE(longName, shortName);
    std::string shortened = AddMozillaProduct("D Short", shortName);
    const std::string deepLong = Join(Root, std::string(200, 'L'));
    ASSERT_TRUE(MakeFolders(deepLong));
    ASSERT_GT(GetShortPathNameA(deepLong.c_str(), deep, MAX_PATH), 0u);
    ASSERT_TRUE(MakeFolders(Join(deep, std::string(100, 'M'))));
    std::string beyond = AddMozillaProduct("E Beyond", Join(deep, std::string(100, 'M')));
    ASSERT_TRUE(MakeFolders(Join(Root, "Subst\\Plugins")));
    ASSERT_EQ(RunLinux("ln -sfn ../drive_c/dep/Subst $WINEPREFIX/dosdevices/y:"), 0);
    std::string drive = AddMozillaProduct("F Drive", "Y:\\Plugins");
    InstallRun run = WithSilentLog(RunSilentWith(SilentOptions({})));
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(run.boxes.empty()) << Describe(run.boxes);
    for (const std::string& path :
         {plain, shortened, beyond, drive, Join(Root, "Subst\\Plugins\\npscorew64.dll")})
        EXPECT_TRUE(Bytes(path) == PluginBytes()) << path << run.log;
    RunLinux("rm -f $WINEPREFIX/dosdevices/y:");
    RemoveTree(deep); // its long form is out of the lab's reach
    EXPECT_EQ(run.Count("Did not write through " + Join(Root, "Linked") +
                        "\r\nbecause it is a link that no administrator made.\r\n"),
              2u)
        << run.log;
    EXPECT_EQ(Names(Listing(elsewhere)), std::vector<std::string>{"inner"});
    EXPECT_TRUE(Listing(Join(elsewhere, "inner")).empty());
}

// A read-only file of another folder hard-linked into plug-in folders, under
// the plug-in's name and under its backup name: its attributes belong to
// every name, so it keeps them, and its bytes.
TEST_F(Faults, HardLinkedReadOnlyFileKeepsItsAttributeAndBytes) {
    std::string named = AddMozillaProduct("A Named"), beside = AddMozillaProduct("B Beside");
    const std::string kept = Join(Root, "System\\kept.dll");
    ASSERT_TRUE(MakeFolders(FolderOf(kept)));
    PlacePrevious("v1_5_E4", kept, true);
    PlacePrevious("v1_5_B0", beside);
    ASSERT_TRUE(CreateHardLinkA(named.c_str(), kept.c_str(), nullptr));
    ASSERT_TRUE(CreateHardLinkA(BackupOf(beside).c_str(), kept.c_str(), nullptr));
    InstallRun run = WithSilentLog(RunSilentWith(SilentOptions({})));
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(run.boxes.empty()) << Describe(run.boxes);
    EXPECT_EQ(Bytes(beside), PluginBytes());
    EXPECT_TRUE(run.Has("Did not replace " + named + "\r\nbecause")) << run.log;
    for (const std::string& path : {kept, named, BackupOf(beside)}) {
        EXPECT_TRUE(IsReadOnly(path)) << path;
        EXPECT_EQ(Bytes(path), Bytes(VersionDll("v1_5_E4"))) << path;
    }
}

// ------------------------------------------------------------- folder removed

// Targets are written from the last found to the first: while the question
// about the later one waits, the earlier one's folder goes away.
TEST_F(Faults, TargetFolderRemovedBetweenDiscoveryAndWriting) {
    const std::string goneName = "A Gone", newerName = "B Newer";
    std::string gone = AddMozillaProduct(goneName);
    std::string newer = AddMozillaProduct(newerName);
    const std::string goneFolder = FolderOf(gone);
    const std::string failed = FailedText(goneName, gone, ERROR_PATH_NOT_FOUND);

    for (int answer : {IDNO, IDYES}) {
        SCOPED_TRACE(answer == IDNO ? "replace the newer one" : "keep the newer one");
        ASSERT_TRUE(MakeFolders(goneFolder));
        PlacePrevious("v2_0_E4", newer);
        const std::string newerBefore = Bytes(newer);
        bool removed = false;
        auto removeOnFirstBox = [&] {
            if (!removed) removed = RemoveTree(goneFolder);
        };
        const std::vector<BoxRule> rules = {
            {"more recent version", answer}, {failed, IDRETRY}, {failed, IDCANCEL}};
        InstallRun run = answer == IDNO
                             ? RunWindowedWith(WithBoxHook(Windowed(rules), removeOnFirstBox))
                             : RunSilentWith(WithBoxHook(SilentOptions(rules), removeOnFirstBox));
        EXPECT_TRUE(removed);
        ASSERT_EQ(run.boxes.size(), 3u) << run.Dump();
        EXPECT_EQ(run.boxes[1].text, failed);
        EXPECT_EQ(run.boxes[2].text, failed);
        EXPECT_FALSE(FolderExists(goneFolder)) << "the installer made the removed folder again";
        if (answer == IDNO) {
            EXPECT_EQ(Bytes(newer), PluginBytes());
            EXPECT_EQ(Names(Listing(FolderOf(newer))), OnlyThePlugin);
            EXPECT_EQ(AnswersLogged(run), (Answers{"No", "Retry", "Cancel"})) << run.Dump();
            EXPECT_TRUE(run.Has(failed + "\r\n" + Answered("Cancel"))) << run.Dump();
            EXPECT_TRUE(run.Has(CreatedFile(newer))) << run.Dump();
            EXPECT_FALSE(run.Has(CreatedFile(gone))) << run.Dump();
            EXPECT_TRUE(run.Succeeded()) << run.Dump();
            // The summary still names both browsers.
            EXPECT_TRUE(run.Has("for " + goneName + "\r\n")) << run.Dump();
            EXPECT_TRUE(run.Has("for " + newerName + "\r\n")) << run.Dump();
        } else {
            EXPECT_EQ(run.exitCode, 1) << "nothing was written";
            EXPECT_EQ(Bytes(newer), newerBefore);
            EXPECT_EQ(Names(Listing(FolderOf(newer))), OnlyThePlugin);
        }
    }
}

// ------------------------------------------------------------- a write failing part way

// A Linux shell script run from here: Wine starts a program that is not a
// Windows one as a Linux process, without a handle, so its end is seen by the
// file it writes last. Returns its exit status, -1 when it did not end.
int RunLinux(const std::string& script) {
    static int serial = 0;
    char prefix[MAX_PATH] = "";
    GetEnvironmentVariableA("WINEPREFIX", prefix, sizeof prefix);
    if (!prefix[0]) return -1;
    const std::string done = std::string(prefix) + "/hardening-done-" + std::to_string(++serial);
    const std::string doneFile = WindowsPath(done);
    DeleteFileA(doneFile.c_str());
    // Wine splits the line by Windows rules: the script keeps to single quotes.
    std::string line = "sh -c \"" + script + "; echo $? > " + done + "\"";
    PROCESS_INFORMATION info;
    if (!StartProcess(line, &info, "Z:\\bin\\sh")) return -1;
    if (info.hProcess) CloseHandle(info.hProcess);
    if (info.hThread) CloseHandle(info.hThread);
    std::string status;
    bool ended = WaitFor(
        [&] {
            status = ReadWholeFile(doneFile).value_or("");
            return status.find('\n') != std::string::npos;
        },
        30000);
    DeleteFileA(doneFile.c_str());
    return ended ? atoi(status.c_str()) : -1;
}

// A file system of 24 KB mounted as drive X: of the Wine prefix: room for the
// previous plug-in (12,800 bytes, four 4 KB pages) and 8 KB more, so that the
// new plug-in (23,552 bytes) runs out of room part way. Mounting needs root.
class SmallDrive {
  public:
    SmallDrive() {
        Unmount();
        mounted_ = RunLinux("mnt=$WINEPREFIX/hardening-small-drive; mkdir -p $mnt && "
                            "mount -t tmpfs -o size=24k hardening-small $mnt && "
                            "ln -sfn $mnt $WINEPREFIX/dosdevices/x:") == 0;
    }
    ~SmallDrive() { Unmount(); }
    bool Mounted() const { return mounted_; }
    static ULONGLONG FreeBytes() {
        ULARGE_INTEGER free;
        return GetDiskFreeSpaceExA("X:\\", &free, nullptr, nullptr) ? free.QuadPart : 0;
    }

  private:
    static void Unmount() {
        RunLinux("mnt=$WINEPREFIX/hardening-small-drive; rm -f $WINEPREFIX/dosdevices/x:; "
                 "if mountpoint -q $mnt; then umount $mnt; fi; rm -rf $mnt");
    }
    bool mounted_ = false;
};

TEST_F(Faults, DriveFullingUpPartWayRetriedThreeTimesThenCancelled) {
    SmallDrive drive;
    if (!drive.Mounted()) GTEST_SKIP() << "a small file system cannot be mounted here (needs root)";
    // Written first: a folder without a previous plug-in, where only the
    // installer's own clean-up keeps a half-written file from staying.
    std::string fresh = AddMozillaProduct("Small Fresh", "X:\\Fresh");
    std::string path = AddMozillaProduct("Small", "X:\\Plugins");
    PlacePrevious("v1_5_E4", path);
    const FolderState before = FolderState::Of(path);
    const ULONGLONG freeBefore = SmallDrive::FreeBytes();
    ASSERT_LT(freeBefore, PluginBytes().size()) << "the drive must fill up part way";
    const std::string failed = FailedText("Small", path, ERROR_DISK_FULL);
    const std::string freshFailed = FailedText("Small Fresh", fresh, ERROR_DISK_FULL);

    const std::vector<BoxRule> rules = {{freshFailed, IDRETRY, BoxTitle, 3},
                                        {freshFailed, IDCANCEL},
                                        {failed, IDRETRY, BoxTitle, 3},
                                        {failed, IDCANCEL}};
    std::vector<FolderState> whileAsked, freshWhileAsked;
    std::vector<ULONGLONG> freeWhileAsked;
    auto look = [&] {
        whileAsked.push_back(FolderState::Of(path));
        freshWhileAsked.push_back(FolderState::Of(fresh));
        freeWhileAsked.push_back(SmallDrive::FreeBytes());
    };
    InstallRun run = RunWindowedWith(WithBoxHook(Windowed(rules), look));
    ASSERT_EQ(run.boxes.size(), 8u) << run.Dump();
    for (size_t i = 0; i < run.boxes.size(); ++i)
        EXPECT_EQ(run.boxes[i].text, i < 4 ? freshFailed : failed) << i;
    const Answers fourTimes = {"Retry", "Retry", "Retry", "Cancel"};
    Answers expected = fourTimes;
    expected.insert(expected.end(), fourTimes.begin(), fourTimes.end());
    EXPECT_EQ(AnswersLogged(run), expected) << run.Dump();
    EXPECT_EQ(run.Count(failed), 4u) << run.Dump();
    EXPECT_EQ(run.Count(freshFailed), 4u) << run.Dump();
    EXPECT_FALSE(run.Has("Created file")) << run.Dump();
    EXPECT_EQ(run.status, FailedStatus);
    ASSERT_EQ(whileAsked.size(), 8u);
    for (size_t i = 0; i < whileAsked.size(); ++i) {
        EXPECT_EQ(whileAsked[i], before) << i;
        EXPECT_TRUE(freshWhileAsked[i].files.empty()) << i << ": " << freshWhileAsked[i];
        // Nothing half-written is left taking room either.
        EXPECT_EQ(freeWhileAsked[i], freeBefore) << i;
    }
    EXPECT_EQ(FolderState::Of(path), before);
    EXPECT_TRUE(Listing(FolderOf(fresh)).empty());

    InstallRun silent = RunSilentWith(SilentOptions({{freshFailed, IDCANCEL}, {failed, IDCANCEL}}));
    EXPECT_EQ(silent.exitCode, 1);
    EXPECT_EQ(silent.boxes.size(), 2u) << Describe(silent.boxes);
    EXPECT_EQ(FolderState::Of(path), before);
    EXPECT_TRUE(Listing(FolderOf(fresh)).empty());
    EXPECT_EQ(SmallDrive::FreeBytes(), freeBefore);
}

// ------------------------------------------------------------- an empty payload

// A copy of the installer whose carried plug-in resource is there but empty.
std::string InstallerWithEmptyPlugin() {
    std::string bytes = Bytes(InstallerPath());
    hardening::PeFile file(bytes);
    size_t entry = file.ResourceDataEntry("FILE", IDR_PLUGIN);
    EXPECT_NE(entry, std::string::npos) << "no FILE 102 resource";
    if (entry == std::string::npos) return "";
    IMAGE_RESOURCE_DATA_ENTRY data;
    memcpy(&data, bytes.data() + entry, sizeof data);
    EXPECT_EQ(data.Size, PluginBytes().size());
    data.Size = 0;
    memcpy(&bytes[entry], &data, sizeof data);
    std::string path = Join(Root, "EmptyPlugin\\ScorewaveSetup.exe");
    EXPECT_TRUE(WriteWholeFile(path, bytes));
    return path;
}

TEST_F(Faults, EmptyPayloadResourceLeavesThePreviousFile) {
    std::string path = AddMozillaProduct("Target");
    PlacePrevious("v1_5_B0", path, true);
    const FolderState before = FolderState::Of(path);
    const std::string installer = InstallerWithEmptyPlugin();
    ASSERT_FALSE(installer.empty());
    const std::string failed = FailedText("Target", path, ERROR_RESOURCE_DATA_NOT_FOUND);

    RunOptions options = Windowed({{failed, IDRETRY}, {failed, IDCANCEL}});
    options.exe = installer;
    std::vector<FolderState> whileAsked;
    InstallRun run =
        RunWindowedWith(WithBoxHook(options, [&] { whileAsked.push_back(FolderState::Of(path)); }));
    ASSERT_EQ(run.boxes.size(), 2u) << run.Dump();
    EXPECT_EQ(run.boxes[0].rule, 0) << run.Dump();
    EXPECT_EQ(run.boxes[1].rule, 1) << run.Dump();
    EXPECT_EQ(AnswersLogged(run), (Answers{"Retry", "Cancel"})) << run.Dump();
    EXPECT_EQ(run.status, FailedStatus);
    for (const FolderState& state : whileAsked)
        EXPECT_EQ(state, before);
    EXPECT_EQ(FolderState::Of(path), before);

    RunOptions silent = SilentOptions({{failed, IDCANCEL}});
    silent.exe = installer;
    EXPECT_EQ(RunSilentWith(silent).exitCode, 1);
    EXPECT_EQ(FolderState::Of(path), before);
}

// Files the installer keeps in the temporary folder while it writes.
std::vector<std::string> TemporaryCopies() {
    char folder[MAX_PATH] = "";
    GetTempPathA(sizeof folder, folder);
    std::vector<std::string> names;
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA(Join(folder, "swb*.tmp").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return names;
    do
        names.push_back(entry.cFileName);
    while (FindNextFileA(search, &entry));
    FindClose(search);
    return names;
}

// A ".old" left by an earlier run that a browser still has loaded cannot be
// deleted, so the previous plug-in cannot be renamed to it; when the write
// then fails, the previous plug-in must still be there.
TEST_F(Faults, UndeletableBackupAndAFailingWriteKeepThePreviousFile) {
    std::string path = AddMozillaProduct("Target");
    PlacePrevious("v1_5_E4", path, true);
    const std::string backup = BackupOf(path);
    ASSERT_TRUE(CopyFileA(VersionDll("v1_21_E4").c_str(), backup.c_str(), FALSE));
    const std::string backupBytes = Bytes(backup);
    const std::string previous = Bytes(path);
    const std::string installer = InstallerWithEmptyPlugin();
    ASSERT_FALSE(installer.empty());
    const std::string failed = FailedText("Target", path, ERROR_RESOURCE_DATA_NOT_FOUND);
    {
        Holder browser(backup, "--load");
        ASSERT_TRUE(browser.Holding());
        RunOptions options = Windowed({{failed, IDRETRY}, {failed, IDCANCEL}});
        options.exe = installer;
        std::vector<std::string> whileAsked;
        InstallRun run =
            RunWindowedWith(WithBoxHook(options, [&] { whileAsked.push_back(Bytes(path)); }));
        ASSERT_EQ(run.boxes.size(), 2u) << run.Dump();
        EXPECT_EQ(AnswersLogged(run), (Answers{"Retry", "Cancel"})) << run.Dump();
        for (const std::string& bytes : whileAsked)
            EXPECT_EQ(bytes, previous);
        EXPECT_EQ(Bytes(path), previous);
        EXPECT_TRUE(IsReadOnly(path));
        EXPECT_EQ(run.status, FailedStatus);

        RunOptions silent = SilentOptions({{failed, IDCANCEL}});
        silent.exe = installer;
        EXPECT_EQ(RunSilentWith(silent).exitCode, 1);
        EXPECT_EQ(Bytes(path), previous);
        EXPECT_TRUE(TemporaryCopies().empty());

        // While the browser still holds the old backup, a good run writes the
        // plug-in all the same.
        InstallRun good = RunWindowed();
        EXPECT_TRUE(good.Succeeded()) << good.Dump();
        EXPECT_EQ(Bytes(path), PluginBytes());
        EXPECT_EQ(Bytes(backup), backupBytes);
        EXPECT_TRUE(TemporaryCopies().empty());
    }
    // The browser gone, the next run clears the backup.
    InstallRun next = RunWindowed();
    EXPECT_TRUE(next.Succeeded()) << next.Dump();
    EXPECT_EQ(Bytes(path), PluginBytes());
    EXPECT_EQ(Names(Listing(FolderOf(path))), OnlyThePlugin);
}

// ------------------------------------------------------------- the lock

// Wine has no private namespaces: there, as on Windows XP x64, the lock is a
// mutex of this name in the Global namespace.
const char LockName[] = "Global\\ScorewaveSetupLock";

// What another user may have put under the name the lock once had changes
// nothing; an object of another type under the lock's own name stops a run
// before it writes anything.
TEST_F(Faults, ForeignObjectsUnderTheLocksNamesNeverRunAnInstallationUnlocked) {
    const std::string path = AddMozillaProduct("Firefox");
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, "Global\\ScorewaveSetup.Run");
    EXPECT_EQ(RunSilentWith(SilentOptions({})).exitCode, 0);
    CloseHandle(event);
    HANDLE held = CreateMutexA(nullptr, TRUE, "Global\\ScorewaveSetup.Run");
    EXPECT_EQ(RunSilentWith(SilentOptions({})).exitCode, 0);
    CloseHandle(held);
    EXPECT_EQ(Bytes(path), PluginBytes());

    HANDLE squatter = CreateEventA(nullptr, TRUE, FALSE, LockName);
    RunOptions removal;
    removal.exe = RemoverPath;
    removal.args = "/quiet";
    EXPECT_EQ(RunToEnd(removal).exitCode, 1);
    EXPECT_EQ(Bytes(path), PluginBytes());
    ASSERT_TRUE(RemoveTree(path));
    EXPECT_EQ(RunSilentWith(SilentOptions({})).exitCode, 1);
    CloseHandle(squatter);
    EXPECT_FALSE(FileExists(path));
    EXPECT_NE(Bytes(SetupLog).find("Can't make sure that no other Scorewave setup is running"),
              std::string::npos)
        << Bytes(SetupLog);
}

// While another run holds the lock, a windowed run waits, and closing its
// window then ends it without installing; a silent run waits and installs
// once the lock is free.
TEST_F(Faults, RunsWaitForTheLockAndAWindowClosedMeanwhileInstallsNothing) {
    const std::string path = AddMozillaProduct("Firefox");
    HANDLE lock = CreateMutexA(nullptr, TRUE, LockName);
    const std::string waiting = "Another Scorewave setup is running on this computer.";
    {
        Session run(Windowed());
        ASSERT_TRUE(run.WaitMainWindow(RunWaitMs));
        EXPECT_TRUE(run.WaitUntil(
            [&] { return run.Text(IDC_INSTALL_LOG).find(waiting) != std::string::npos; }));
        run.Close();
        EXPECT_EQ(run.Wait(RunWaitMs), 1);
    }
    EXPECT_FALSE(FileExists(path));
    Session silent(SilentOptions({}));
    EXPECT_TRUE(WaitFor([&] { return Bytes(SetupLog).find(waiting) != std::string::npos; }));
    EXPECT_TRUE(silent.Running());
    EXPECT_FALSE(FileExists(path));
    ReleaseMutex(lock);
    EXPECT_EQ(silent.Wait(RunWaitMs), 0);
    CloseHandle(lock);
    EXPECT_EQ(Bytes(path), PluginBytes());
}

// ------------------------------------------------------------- a run repeated

typedef RegistrySnapshot Snapshot;

// HKLM and HKCU (HKCR is their two Classes keys seen as one), but for Wine's
// own settings and HKLM\SYSTEM, whose device entries Wine's services rewrite
// whenever they start (the installer writes only under SOFTWARE).
Snapshot TakeSnapshot() {
    Snapshot out;
    AddRegistryTree(HKEY_LOCAL_MACHINE, "HKLM\\", "", {"SOFTWARE\\Wine", "System"}, out);
    AddRegistryTree(HKEY_CURRENT_USER, "HKCU\\", "", {"Software\\Wine"}, out);
    return out;
}

std::string Differences(const Snapshot& before, const Snapshot& after) {
    std::string text;
    for (const auto& [entry, data] : after) {
        auto old = before.find(entry);
        if (old == before.end())
            text += "\n  +" + Escaped(entry + "=" + data);
        else if (old->second != data)
            text += "\n  ~" + Escaped(entry + "=" + data);
    }
    for (const auto& [entry, data] : before)
        if (!after.count(entry)) text += "\n  -" + Escaped(entry);
    return text;
}

TEST_F(Faults, ARunRepeatedChangesNothingMore) {
    std::string path = AddMozillaProduct("Firefox");
    PlacePrevious("v1_5_E4", path);
    const std::string font = Join(FontsFolder(), "Tonalis.ttf");

    InstallRun first = RunWindowed();
    ASSERT_TRUE(first.Succeeded()) << first.Dump();
    const Snapshot afterFirst = TakeSnapshot();
    const FolderState plugin = FolderState::Of(path);
    const std::string fontBytes = Bytes(font);
    EXPECT_EQ(plugin.plugin, PluginBytes());
    EXPECT_EQ(Names(plugin.files), OnlyThePlugin);
    EXPECT_NE(fontBytes, "<missing>");

    // The same installation again, silently and then windowed: the machine
    // ends as the first run left it.
    EXPECT_EQ(RunSilentWith(SilentOptions({})).exitCode, 0);
    EXPECT_EQ(Differences(afterFirst, TakeSnapshot()), "");
    InstallRun third = RunWindowed();
    EXPECT_TRUE(third.Succeeded()) << third.Dump();
    EXPECT_TRUE(third.boxes.empty()) << third.Dump();
    EXPECT_EQ(Differences(afterFirst, TakeSnapshot()), "");
    // The plug-in is written again each time: the same bytes, nothing beside them.
    FolderState now = FolderState::Of(path);
    EXPECT_EQ(Names(now.files), OnlyThePlugin);
    EXPECT_EQ(now.plugin, plugin.plugin);
    EXPECT_EQ(Bytes(font), fontBytes);
}

} // namespace
