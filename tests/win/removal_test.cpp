// Removal: an installation's uninstall entry and record, and the remover run
// as deployment tools run it (the entry's QuietUninstallString), which takes
// back exactly what the installer put there and nothing else.
#include <gtest/gtest.h>

#include <aclapi.h>
#include <shlobj.h>

#include "entry/record_rules.h"
#include "win/deploy_lab.h"

using namespace deploy;

namespace {

const char EntryKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Scorewave Viewer";
const char UninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

RegKey Entry() {
    return RegKey(HKLM, EntryKey);
}

// Every family: Netscape Navigator, a Mozilla product, Opera, Safari and
// Chrome, whose "Plugins" folder the installer makes. Their plug-in paths.
std::vector<std::string> AddEveryFamily() {
    const std::string navigator = Join(Root, "Navigator"), opera = Join(Root, "Opera\\plugins");
    const std::string safari = Join(Root, "Safari"), chrome = Join(Root, "Chrome");
    for (const std::string& folder : {navigator, opera, Join(safari, "Plugins"), chrome})
        EXPECT_TRUE(MakeFolders(folder));
    RegKey(HKLM, "SOFTWARE\\Netscape\\Netscape Navigator\\4.8 (en)\\Main")
        .SetString("Plugins Directory", navigator);
    RegKey(HKCU, "SOFTWARE\\Opera Software").SetString("Plugin Path", opera);
    RegKey(HKCU, std::string(UninstallKey) + "{C5C649A8-1D21-4C83-9B08-7B3752E580F4}")
        .SetString("InstallLocation", safari);
    RegKey(HKCU, std::string(UninstallKey) + "Google Chrome").SetString("InstallLocation", chrome);
    return {Join(navigator, PluginFile), AddMozillaProduct("Firefox"), Join(opera, PluginFile),
            Join(safari, "Plugins\\npscorew64.dll"), Join(chrome, "Plugins\\npscorew64.dll")};
}

// A Chrome and an Opera installed for this user alone: their plug-in paths.
// Chrome's "Plugins" folder is made by whoever writes its plug-in.
struct UsersBrowsers {
    std::string chrome = Join(ShellFolder(CSIDL_LOCAL_APPDATA), "Google\\Chrome\\Application");
    std::string opera = Join(ShellFolder(CSIDL_APPDATA), "Opera\\plugins");
    std::string chromePlugin = Join(chrome, "Plugins\\npscorew64.dll");
    std::string operaPlugin = Join(opera, PluginFile);
    void Add() const {
        EXPECT_TRUE(MakeFolders(chrome) && MakeFolders(opera));
        RegKey(HKCU, std::string(UninstallKey) + "Google Chrome")
            .SetString("InstallLocation", chrome);
        RegKey(HKCU, "SOFTWARE\\Opera Software").SetString("Plugin Path", opera);
    }
};

const char Component[] = "Scorewave.Viewer";
const std::string ComponentKey =
    "SOFTWARE\\Microsoft\\Active Setup\\Installed Components\\Scorewave.Viewer";
const char UserRecordKey[] = "Software\\Scorewave\\Viewer";
const std::string UserLog = Join(ShellFolder(CSIDL_LOCAL_APPDATA), "Scorewave\\ScorewaveUser.log");

void ClearEveryFamily() {
    RegKey(HKLM, "SOFTWARE\\Netscape").DeleteTree();
    RegKey(HKCU, "SOFTWARE\\Opera Software").DeleteTree();
    RegKey(HKCU, std::string(UninstallKey) + "{C5C649A8-1D21-4C83-9B08-7B3752E580F4}").DeleteTree();
    RegKey(HKCU, std::string(UninstallKey) + "Google Chrome").DeleteTree();
    for (const std::string& folder : {Join(ShellFolder(CSIDL_LOCAL_APPDATA), "Google"),
                                      Join(ShellFolder(CSIDL_APPDATA), "Opera")})
        EXPECT_TRUE(RemoveTree(folder));
}

// What a removal leaves until the last user has logged on, retired as the
// README tells an administrator to, and the stamp Explorer keeps of this
// user's runs.
void RetireUsersPart() {
    RegKey(HKLM, ComponentKey).DeleteTree();
    RegKey(HKCU, ComponentKey).DeleteTree();
    EXPECT_TRUE(RemoveTree(RemoverFolder));
}

// The registry of both views, but Wine's own settings and of the classes only
// those a document type can touch (the rest is Wine's thousands of COM
// registrations), and the files of the machine but its caches and the test's own.
typedef std::map<std::string, std::string> State;
void AddFiles(const std::string& folder, State& out) {
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA(Join(folder, "*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        std::string name = entry.cFileName, path = Join(folder, name);
        if (name == "." || name == ".." || name == "temp" || name == "Temp" || name == "lab")
            continue;
        // Wine links the user's shell folders to the Linux home folder: not walked.
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) continue;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            out["D " + path] = "";
            AddFiles(path, out);
        } else
            out["F " + path] = std::to_string(entry.nFileSizeLow);
    } while (FindNextFileA(search, &entry));
    FindClose(search);
}
State MachineState() {
    State out;
    AddRegistryTree(HKEY_LOCAL_MACHINE, "HKLM\\", "SOFTWARE",
                    {"SOFTWARE\\Wine", "SOFTWARE\\Classes", "SOFTWARE\\Wow6432Node\\Classes"}, out);
    AddRegistryTree(HKEY_LOCAL_MACHINE, "HKLM\\",
                    "SYSTEM\\CurrentControlSet\\Control\\Session Manager", {}, out);
    AddRegistryTree(HKEY_CURRENT_USER, "HKCU\\", "Software", {"Software\\Wine"}, out);
    for (const char* key :
         {".mtd", ".sgt", "Music.Transfer.Document", "ScorewaveGuitar.File", "MIME\\Database"})
        AddRegistryTree(HKEY_CLASSES_ROOT, "HKCR\\", key, {}, out);
    // The machine's own files under C:\windows do not change, but for the fonts.
    for (const char* folder : {"C:\\dep", "C:\\Program Files", "C:\\users", "C:\\windows\\Fonts"})
        AddFiles(folder, out);
    return out;
}
std::string Changes(const State& before, const State& after) {
    std::string text;
    for (const auto& [entry, data] : after)
        if (!before.count(entry) || before.at(entry) != data) text += "\n  +" + Escaped(entry);
    for (const auto& [entry, data] : before)
        if (!after.count(entry)) text += "\n  -" + Escaped(entry);
    return text;
}

// Runs the entry's QuietUninstallString, as winget, Intune and Configuration
// Manager do; its exit code.
long RemoveQuietly() {
    RunOptions options;
    options.commandLine = Entry().GetString("QuietUninstallString").value_or("<no entry>");
    options.exe = RemoverPath;
    options.timeoutMs = 2 * RunWaitMs;
    Outcome outcome = RunToEnd(options);
    EXPECT_TRUE(outcome.boxes.empty()) << Describe(outcome.boxes);
    return outcome.exitCode;
}

// Wine's restart: what waits for it is carried out.
void Restart() {
    PROCESS_INFORMATION info;
    ASSERT_TRUE(StartProcess("wineboot.exe -r", &info));
    WaitForSingleObject(info.hProcess, RunWaitMs);
    CloseHandle(info.hProcess);
    CloseHandle(info.hThread);
}

const char RestartFolder[] = "C:\\Scorewave.Pending";

// What Windows deletes or renames when it restarts.
std::string PendingAtRestart() {
    std::string pending;
    RegKey(HKLM, "SYSTEM\\CurrentControlSet\\Control\\Session Manager")
        .GetRaw("PendingFileRenameOperations", nullptr, &pending);
    return pending;
}

// No allowing entry for Everyone names a right to change the folder.
bool OnlyAdministratorsChange(const std::string& folder) {
    PACL list = nullptr;
    PSECURITY_DESCRIPTOR security = nullptr;
    if (GetNamedSecurityInfoA(folder.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                              nullptr, &list, nullptr, &security) != ERROR_SUCCESS)
        return false;
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone = nullptr;
    AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone);
    bool only = list != nullptr;
    ACCESS_ALLOWED_ACE* entry;
    for (DWORD i = 0; only && GetAce(list, i, (void**)&entry); ++i)
        only = !EqualSid(&entry->SidStart, everyone) ||
               !(entry->Mask & (FILE_ADD_FILE | FILE_ADD_SUBDIRECTORY | DELETE | WRITE_DAC));
    FreeSid(everyone);
    LocalFree(security);
    return only;
}

// Lets everyone change the folder, as its Unix permissions tell Wine.
void LetEveryoneChange(const std::string& folder) {
    ASSERT_TRUE(MakeFolders(folder));
    RunUnix("Z:\\bin\\chmod 777", {UnixPath(folder)});
    ASSERT_TRUE(WaitFor([&] { return !OnlyAdministratorsChange(folder); }));
}

// A list of `size` bytes (its zeros included) of plug-in paths whose folders
// are gone, then `last`.
std::string RecordOfSize(const std::string& last, size_t size) {
    const size_t room = size - last.size() - 2, count = room / 100;
    std::string list;
    for (size_t i = 0; i < count; ++i) {
        std::string text = "C:\\dep\\Gone\\" + std::to_string(i) + "\\" + PluginFile;
        text.insert(12, (i == 0 ? 99 + room % 100 : 99) - text.size(), 'x');
        list += text + '\0';
    }
    return list + last + '\0' + '\0';
}

class Removal : public ::testing::Test {
  protected:
    void SetUp() override {
        ClearTargets();
        ClearEveryFamily();
        EXPECT_TRUE(RemoveTree(RestartFolder));
        Entry().DeleteTree();
        RetireUsersPart();
    }
};

TEST_F(Removal, RoundTripLeavesTheMachineAsItWas) {
    std::vector<std::string> plugins = AddEveryFamily();
    RegKey(HKCR, ".mtd").SetString("", "OtherApp.Document");
    const State before = MachineState();

    InstallRun install = RunSilent({{"is using file extension .mtd", IDOK}});
    ASSERT_EQ(install.exitCode, 0) << Describe(install.boxes);
    for (const std::string& plugin : plugins)
        EXPECT_EQ(Bytes(plugin), PluginBytes()) << plugin;
    EXPECT_EQ(Entry().GetString("DisplayName"), "Scorewave Viewer");
    EXPECT_EQ(Entry().GetString("DisplayVersion"), "1.20.0");
    EXPECT_EQ(Entry().GetString("Publisher"), "Scorewave Music Software");
    EXPECT_EQ(Entry().GetString("UninstallString"), "\"" + std::string(RemoverPath) + "\"");
    EXPECT_EQ(Entry().GetDword("NoModify"), 1u);
    EXPECT_GE(Entry().GetDword("EstimatedSize").value_or(0), 5 * PluginBytes().size() / 1024);

    EXPECT_EQ(RemoveQuietly(), 0);
    EXPECT_EQ(RegKey(HKCR, ".mtd").GetString(""), "OtherApp.Document");
    const std::string log = Bytes(RemoveLog);
    EXPECT_NE(log.find("Gave file extension .mtd back to OtherApp.Document"), std::string::npos)
        << log;
    Restart();
    EXPECT_EQ(FilesIn(RemoverFolder), std::vector<std::string>{"ScorewaveUser.exe"});
    // A later installation supersedes the pending removal, and its own
    // removal is pending in turn.
    ASSERT_EQ(RunSilent({{"is using file extension .mtd", IDOK}}).exitCode, 0);
    EXPECT_EQ(RegKey(HKLM, ComponentKey).GetString("Version"), "1,20,0,2");
    EXPECT_EQ(RemoveQuietly(), 0);
    EXPECT_EQ(RegKey(HKLM, ComponentKey).GetString("StubPath"),
              "\"" + std::string(RemoverFolder) + "\\ScorewaveUser.exe\" /remove");
    Restart();
    RetireUsersPart();
    EXPECT_EQ(Changes(before, MachineState()), "");
}

// Each user's own browsers, which no elevated run sees: they get the plug-in
// at the user's next logon, and lose it at the logon after the removal.
TEST_F(Removal, AUsersOwnBrowsersAreFilledAtLogonAndEmptiedAfterTheRemoval) {
    const std::string firefox = AddMozillaProduct("Firefox");
    // Keys every Windows has, which a fresh Wine prefix lacks.
    for (const std::string& key : {std::string(UninstallKey), FolderOf(ComponentKey)})
        RegKey(HKCU, key).SetDword("lab", 0) && RegKey(HKCU, key).DeleteValue("lab");
    const State before = MachineState();
    ASSERT_EQ(RunSilent().exitCode, 0);
    const UsersBrowsers users;
    users.Add();
    RegistrySnapshot machine, machineAfter;
    AddRegistryTree(HKEY_LOCAL_MACHINE, "HKLM\\", "SOFTWARE", {}, machine);

    LogonRun logon = RunActiveSetup(Component);
    ASSERT_TRUE(logon.ran);
    EXPECT_EQ(logon.program, std::string(RemoverFolder) + "\\ScorewaveUser.exe");
    EXPECT_EQ(logon.outcome.exitCode, 0);
    EXPECT_TRUE(logon.outcome.windows.empty()) << Describe(logon.outcome.windows);
    EXPECT_TRUE(Bytes(users.chromePlugin) == PluginBytes());
    EXPECT_TRUE(Bytes(users.operaPlugin) == PluginBytes());
    DWORD type = 0;
    std::string plugins, folders;
    RegKey(HKCU, UserRecordKey).GetRaw("ScorewavePlugins", &type, &plugins);
    RegKey(HKCU, UserRecordKey).GetRaw("ScorewaveFolders", &type, &folders);
    EXPECT_EQ(plugins, users.chromePlugin + '\0' + users.operaPlugin + '\0' + '\0');
    EXPECT_EQ(folders, FolderOf(users.chromePlugin) + '\0' + '\0');
    std::string log = Bytes(UserLog);
    EXPECT_NE(log.find("Created file " + users.chromePlugin), std::string::npos) << log;
    EXPECT_NE(log.find("whole computer:\r\n" + firefox), std::string::npos) << log;
    AddRegistryTree(HKEY_LOCAL_MACHINE, "HKLM\\", "SOFTWARE", {}, machineAfter);
    EXPECT_TRUE(machine == machineAfter) << "the logon wrote into HKLM";

    // Explorer runs each version once; run again all the same, it writes nothing.
    EXPECT_FALSE(RunActiveSetup(Component).ran);
    RunOptions again;
    again.exe = logon.program;
    again.args = "/logon";
    EXPECT_EQ(RunToEnd(again).exitCode, 0);
    log = Bytes(UserLog);
    EXPECT_EQ(log.find("Created file"), std::string::npos) << log;
    EXPECT_NE(log.find("Up to date: " + users.operaPlugin), std::string::npos) << log;

    EXPECT_EQ(RemoveQuietly(), 0);
    EXPECT_TRUE(Bytes(users.chromePlugin) == PluginBytes()) << "taken back at the user's logon";
    logon = RunActiveSetup(Component);
    ASSERT_TRUE(logon.ran);
    EXPECT_EQ(logon.outcome.exitCode, 0);
    EXPECT_FALSE(FolderExists(FolderOf(users.chromePlugin)));
    EXPECT_FALSE(FileExists(users.operaPlugin));
    EXPECT_FALSE(RegKey(HKCU, "Software\\Scorewave").Exists());
    EXPECT_FALSE(FolderExists(FolderOf(UserLog)));
    ClearEveryFamily();
    Restart();
    EXPECT_EQ(FilesIn(RemoverFolder), std::vector<std::string>{"ScorewaveUser.exe"});
    RetireUsersPart();
    EXPECT_EQ(Changes(before, MachineState()), "");
}

// A plug-in a program holds is written at the next logon; a folder of the
// user's that leads to a place the user does not own is never written.
TEST_F(Removal, AUsersPluginInUseWaitsForTheNextLogonAndALinkIsRefused) {
    AddMozillaProduct("Firefox");
    ASSERT_EQ(RunSilent().exitCode, 0);
    const UsersBrowsers users;
    users.Add();
    ASSERT_TRUE(MakeFolders(FolderOf(users.chromePlugin)));
    PlacePrevious("v1_5_E4", users.chromePlugin);
    const std::string elsewhere = "C:\\Program Files\\Elsewhere";
    ASSERT_TRUE(MakeFolders(elsewhere) && RemoveTree(users.opera));
    ASSERT_TRUE(MakeFolderLink(elsewhere, users.opera));
    {
        Holder browser(users.chromePlugin);
        LogonRun logon = RunActiveSetup(Component);
        ASSERT_TRUE(logon.ran);
        EXPECT_EQ(logon.outcome.exitCode, 1);
        EXPECT_FALSE(RegKey(HKCU, ComponentKey).HasValue("Version"));
    }
    EXPECT_TRUE(Bytes(users.chromePlugin) == Bytes(VersionDll("v1_5_E4")));
    ASSERT_TRUE(RunActiveSetup(Component).ran);
    EXPECT_TRUE(Bytes(users.chromePlugin) == PluginBytes());
    EXPECT_TRUE(FilesIn(elsewhere).empty());
    EXPECT_NE(Bytes(UserLog).find("because it is a link that no administrator made"),
              std::string::npos);
    EXPECT_TRUE(RemoveTree(users.opera) && RemoveTree(elsewhere));
    // The next test starts from a machine without the installation.
    RemoveQuietly();
}

TEST_F(Removal, WindowedTheUserIsAskedAndToldWhatWasRemoved) {
    std::string plugin = AddMozillaProduct("Firefox");
    ASSERT_EQ(RunSilent().exitCode, 0);
    RunOptions options;
    options.exe = RemoverPath;
    options.boxes = {
        {"Remove Scorewave Viewer from every browser", IDYES, "Scorewave Viewer Removal"},
        {"has been removed", IDOK, "Scorewave Viewer Removal"}};
    Outcome run = RunToEnd(options);
    EXPECT_EQ(run.exitCode, 0);
    ASSERT_EQ(run.boxes.size(), 2u) << Describe(run.boxes);
    EXPECT_EQ(run.boxes[0].type, UINT(MB_YESNO | MB_ICONQUESTION));
    EXPECT_NE(run.boxes[1].text.find("Removed " + plugin + "\r\n"), std::string::npos)
        << run.boxes[1].text;
    EXPECT_FALSE(FileExists(plugin));
}

TEST_F(Removal, APluginABrowserHasLoadedGoesAtTheRestartFromTheAdministratorsFolder) {
    std::string plugin = AddMozillaProduct("Loaded");
    ASSERT_EQ(RunSilent().exitCode, 0);
    {
        Holder browser(plugin, "--load");
        ASSERT_TRUE(browser.Holding());
        EXPECT_EQ(RemoveQuietly(), 3010);
        EXPECT_FALSE(FileExists(plugin));
        // Registered where no standard user can lead the deletion elsewhere.
        std::string pending = PendingAtRestart();
        EXPECT_NE(pending.find(std::string(RestartFolder) + "\\~scw"), std::string::npos)
            << Escaped(pending);
        EXPECT_EQ(pending.find(Root), std::string::npos) << Escaped(pending);
    }
    EXPECT_FALSE(Entry().Exists());
    // The plug-in folder's owner puts a link to another folder in its place,
    // one with files of the names the plug-in had.
    const std::string other = Join(Root, "Other");
    ASSERT_TRUE(MakeFolders(other));
    for (const char* name : {PluginFile, "npscorew64.old"})
        ASSERT_TRUE(WriteWholeFile(Join(other, name), "another program's"));
    ASSERT_TRUE(MoveFileA(FolderOf(plugin).c_str(), Join(Root, "Moved").c_str()));
    ASSERT_TRUE(MakeFolderLink(other, FolderOf(plugin)));
    Restart();
    EXPECT_EQ(FilesIn(other).size(), 2u);
    EXPECT_FALSE(FolderExists(RestartFolder));
    EXPECT_FALSE(FileExists(RemoverPath));
}

TEST_F(Removal, WhereNoRestartFolderCanBeHadTheRecordKeepsTheFile) {
    std::string plugin = AddMozillaProduct("Loaded");
    ASSERT_EQ(RunSilent().exitCode, 0);
    // A folder of its name that others can change is not used.
    LetEveryoneChange(RestartFolder);
    {
        Holder browser(plugin, "--load");
        ASSERT_TRUE(browser.Holding());
        EXPECT_EQ(RemoveQuietly(), 1);
        EXPECT_TRUE(FileExists(plugin));
        EXPECT_EQ(PendingAtRestart().find("npscorew64"), std::string::npos);
    }
    EXPECT_TRUE(Entry().Exists());
    // The next installation deletes it through a handle, the browser gone;
    // it finds no browser to write for any more.
    RegKey(HKLM, std::string(MozillaKey) + "\\Loaded").DeleteTree();
    EXPECT_EQ(RunSilent().exitCode, 1);
    EXPECT_FALSE(FileExists(plugin));
    EXPECT_EQ(RemoveQuietly(), 0);
}

TEST_F(Removal, TheRecordNamesNothingElseToDelete) {
    std::string plugin = AddMozillaProduct("Firefox");
    ASSERT_EQ(RunSilent().exitCode, 0);
    // A record added to by someone: a system DLL, another program's file
    // under the plug-in's name, another program's folders, one of them empty.
    const std::string other = Join(Root, "Other\\npscorew64.dll");
    const std::string full = Join(Root, "Full\\Plugins");
    ASSERT_TRUE(MakeFolders(FolderOf(other)));
    PlacePrevious("noversion", other);
    ASSERT_TRUE(WriteWholeFile(Join(full, "kept.txt"), "the user's own"));
    std::string list =
        plugin + '\0' + "C:\\windows\\system32\\version.dll" + '\0' + other + '\0' + '\0';
    ASSERT_TRUE(Entry().SetRaw("ScorewavePlugins", REG_MULTI_SZ, list));
    const std::string empty = Join(Root, "Empty");
    ASSERT_TRUE(MakeFolders(empty));
    std::string folders = empty + '\0' + full + '\0' + '\0';
    ASSERT_TRUE(Entry().SetRaw("ScorewaveFolders", REG_MULTI_SZ, folders));

    // A key the installer made, put back as a registry link: it stays, and so
    // does what it leads to.
    const char icon[] = "SOFTWARE\\Classes\\Music.Transfer.Document\\DefaultIcon";
    ASSERT_TRUE(RegKey(HKLM, icon).DeleteTree());
    ASSERT_TRUE(RegKey(HKLM, "SOFTWARE\\Elsewhere\\Kept").SetString("", "kept"));
    RegistryLink link(icon, L"\\Registry\\Machine\\SOFTWARE\\Elsewhere");
    ASSERT_TRUE(link.made_);

    EXPECT_EQ(RemoveQuietly(), 0);
    EXPECT_EQ(RegKey(HKLM, "SOFTWARE\\Elsewhere\\Kept").GetString(""), "kept");
    EXPECT_NE(Bytes(RemoveLog).find(
                  "Left in place, a registry link: Music.Transfer.Document\\DefaultIcon"),
              std::string::npos);
    EXPECT_FALSE(FileExists(plugin));
    EXPECT_TRUE(FileExists("C:\\windows\\system32\\version.dll"));
    EXPECT_EQ(Bytes(other), Bytes(VersionDll("noversion")));
    EXPECT_EQ(Bytes(Join(full, "kept.txt")), "the user's own");
    EXPECT_TRUE(FolderExists(empty)) << "a folder of a name the installer never makes";
}

TEST_F(Removal, AReinstallationAddsToTheRecordAndBothGo) {
    std::string first = AddMozillaProduct("First");
    RegKey(HKCR, ".mtd").SetString("", "OtherApp.Document");
    ASSERT_EQ(RunSilent({{"is using file extension .mtd", IDOK}}).exitCode, 0);
    std::string second = AddMozillaProduct("Second");
    // Taken by another program meanwhile: the owner recorded first stays.
    RegKey(HKCR, ".mtd").SetString("", "LaterApp.Document");
    ASSERT_EQ(RunSilent({{"is using file extension .mtd", IDOK}}).exitCode, 0);
    RegKey(HKLM, std::string(MozillaKey) + "\\First").DeleteTree();
    ASSERT_EQ(RunSilent().exitCode, 0);
    EXPECT_EQ(RemoveQuietly(), 0);
    EXPECT_FALSE(FileExists(first));
    EXPECT_FALSE(FileExists(second));
    EXPECT_EQ(RegKey(HKCR, ".mtd").GetString(""), "OtherApp.Document");
    // Nothing to remove any more.
    RunOptions again;
    again.exe = BuildPath("ScorewaveRemove.exe");
    again.args = "/quiet";
    EXPECT_EQ(RunToEnd(again).exitCode, 1);
}

TEST_F(Removal, ARecordAtItsSizeLimitGoesWholeOrStaysWhole) {
    std::string plugin = AddMozillaProduct("Firefox");
    ASSERT_EQ(RunSilent().exitCode, 0);
    const std::string atLimit = RecordOfSize(plugin, RecordListLimit);
    ASSERT_TRUE(Entry().SetRaw("ScorewavePlugins", REG_MULTI_SZ, atLimit));
    // An installation reads it whole, and does not write it over.
    ASSERT_EQ(RunSilent().exitCode, 0);
    std::string stored;
    EXPECT_TRUE(Entry().GetRaw("ScorewavePlugins", nullptr, &stored));
    EXPECT_EQ(stored, atLimit);
    EXPECT_EQ(RemoveQuietly(), 0);
    EXPECT_FALSE(FileExists(plugin));
    EXPECT_FALSE(Entry().Exists());

    // Two bytes more: nothing goes, and the entry stays.
    ASSERT_EQ(RunSilent().exitCode, 0);
    ASSERT_TRUE(Entry().SetRaw("ScorewavePlugins", REG_MULTI_SZ,
                               RecordOfSize(plugin, RecordListLimit + 2)));
    EXPECT_EQ(RemoveQuietly(), 1);
    EXPECT_TRUE(FileExists(plugin));
    EXPECT_TRUE(Entry().Exists());
}

TEST_F(Removal, OtherFilesOfTheInstallersNamesStayAndHideNothing) {
    std::string plugin = AddMozillaProduct("Firefox");
    ASSERT_EQ(RunSilent().exitCode, 0);
    // Files under the names of parked copies, one held so that it cannot be
    // opened, and this product's own parked copy among them.
    const std::string folder = FolderOf(plugin), own = Join(folder, "npscorew64.7FFF.old");
    for (int i = 0; i < 20; ++i)
        ASSERT_TRUE(WriteWholeFile(Join(folder, "npscorew64.10" + std::to_string(10 + i) + ".old"),
                                   "not a plug-in"));
    PlacePrevious("v1_5_B0", own);
    Holder planted(Join(folder, "npscorew64.1010.old"));
    ASSERT_TRUE(planted.Holding());
    EXPECT_EQ(RemoveQuietly(), 0);
    EXPECT_FALSE(FileExists(own));
    EXPECT_FALSE(FileExists(plugin));
    EXPECT_EQ(FilesIn(folder).size(), 20u);
    RunRecord removal{Bytes(RemoveLog)};
    EXPECT_EQ(removal.Count("Left in place, not a Scorewave Viewer file: " + folder), 20u)
        << removal.log;
}

TEST_F(Removal, TheInstallersFilesAreOnlyTheAdministratorsAndANewerRemoverStays) {
    AddMozillaProduct("Firefox");
    RegKey(HKCR, ".mtd").DeleteTree();
    // Folders of the product's that others could change are reset, and what
    // they held is not trusted: the remover is written anew.
    LetEveryoneChange(RemoverFolder);
    LetEveryoneChange(FolderOf(SetupLog));
    ASSERT_EQ(RunSilent().exitCode, 0);
    EXPECT_TRUE(OnlyAdministratorsChange(RemoverFolder));
    EXPECT_TRUE(OnlyAdministratorsChange(FolderOf(SetupLog)));
    EXPECT_NE(Bytes(SetupLog).find(CreatedFile(RemoverPath)), std::string::npos);
    // Another file linked at the log's name is not written through.
    const std::string other = Join(Root, "other.txt");
    ASSERT_TRUE(WriteWholeFile(other, "another program's"));
    ASSERT_TRUE(DeleteFileA(SetupLog) && CreateHardLinkA(SetupLog, other.c_str(), nullptr));
    ASSERT_EQ(RunSilent().exitCode, 0);
    EXPECT_EQ(Bytes(other), "another program's");
    DeleteFileA(SetupLog); // whatever became of the link

    // A more recent product's remover stays, without a question; one held
    // so that it cannot be written is left, without a box.
    PlacePrevious("v2_0_E4", RemoverPath);
    InstallRun run = RunSilent();
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(run.boxes.empty()) << Describe(run.boxes);
    EXPECT_EQ(Bytes(RemoverPath), Bytes(VersionDll("v2_0_E4")));
    EXPECT_NE(Bytes(SetupLog).find("Kept more recent file " + std::string(RemoverPath)),
              std::string::npos);
    PlacePrevious("v1_5_E4", RemoverPath);
    {
        Holder held(RemoverPath);
        run = RunSilent();
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_TRUE(run.boxes.empty()) << Describe(run.boxes);
        EXPECT_NE(Bytes(SetupLog).find("Could not place " + std::string(RemoverPath)),
                  std::string::npos);
    }
    ASSERT_EQ(RunSilent().exitCode, 0);
    EXPECT_EQ(Bytes(RemoverPath), Bytes(BuildPath("ScorewaveRemove.exe")));
}

} // namespace
