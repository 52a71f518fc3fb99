// Shared by the deployment tests: Mozilla products as install targets, files
// standing for installed plug-ins of other versions, a helper process holding
// a file, and windowed or silent installer runs read once they are over.
#pragma once
#include <gtest/gtest.h>

#include <shlobj.h>

#include <functional>
#include <string>
#include <vector>

#include "driver/driver.h"
#include "win/installer_texts.h"
#include "win/run_record.h"
#include "resources/resource.h"

namespace deploy {

using namespace lab;

const char Root[] = "C:\\dep";
const char MozillaKey[] = "SOFTWARE\\Mozilla";

inline std::string Bytes(const std::string& path) {
    return ReadWholeFile(path).value_or("<missing>");
}

// The plug-in the installer carries, as built.
inline std::string PluginBytes() {
    return Bytes(BuildPath(PluginFile));
}

// A DLL built by tests/fixtures/deploy.cmake, e.g. "v2_0_E4" or "noversion".
inline std::string VersionDll(const std::string& name) {
    return BuildPath(("fixtures\\deploy\\" + name + ".dll").c_str());
}

inline std::string FolderOf(const std::string& path) {
    return path.substr(0, path.rfind('\\'));
}

inline std::string BackupOf(const std::string& pluginPath) {
    return pluginPath.substr(0, pluginPath.rfind('.')) + ".old";
}

// A folder of the shell's (CSIDL_...) for this user.
inline std::string ShellFolder(int csidl) {
    char path[MAX_PATH] = "";
    SHGetFolderPathA(nullptr, csidl, nullptr, 0, path);
    return path;
}

inline std::string FontsFolder() {
    return ShellFolder(CSIDL_FONTS);
}

inline DWORD Attributes(const std::string& path) {
    return GetFileAttributesA(path.c_str());
}

inline bool IsReadOnly(const std::string& path) {
    DWORD attributes = Attributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
}

// Names of the files in the folder that match the pattern.
inline std::vector<std::string> FilesIn(const std::string& folder, const char* pattern = "*") {
    std::vector<std::string> names;
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA(Join(folder, pattern).c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return names;
    do
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(entry.cFileName);
    while (FindNextFileA(search, &entry));
    FindClose(search);
    return names;
}

// Puts a copy of a fixture DLL at path as the previously installed file.
inline bool PlacePrevious(const std::string& fixture, const std::string& path,
                          bool readOnly = false) {
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    bool copied = CopyFileA(VersionDll(fixture).c_str(), path.c_str(), FALSE) != 0;
    EXPECT_TRUE(copied) << "copying " << fixture << " to " << path;
    if (copied && readOnly) SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
    return copied;
}

// No install targets: no Mozilla product, no folder of an earlier scenario.
inline void ClearTargets() {
    for (View view : {View::Native, View::Wow32})
        RegKey(HKLM, MozillaKey, view).DeleteTree();
    EXPECT_TRUE(RemoveTree(Root));
}

// A Mozilla product with a 64-bit program and an existing plug-in folder
// (Root\<folder>, by default the product's name); returns the plug-in path the
// installer writes for it.
inline std::string AddMozillaProduct(const std::string& name, std::string folder = "",
                                     View view = View::Native) {
    if (folder.empty()) folder = Join(Root, name);
    EXPECT_TRUE(MakeFolders(folder));
    RegKey product(HKLM, std::string(MozillaKey) + "\\" + name, view);
    product.Sub("bin").SetString("PathToExe", FixturePath("holdfile"));
    product.Sub("Extensions").SetString("Plugins", folder);
    return Join(folder, PluginFile);
}

// A helper process holding a file until Release (or the end of the scope).
class Holder {
  public:
    // mode: "" (open without sharing), "--load" (mapped as a DLL) or
    // "--share-delete".
    explicit Holder(const std::string& path, const std::string& mode = "") {
        static int serial = 0;
        std::string stem = "deploy-holder-" + std::to_string(GetCurrentProcessId()) + "-" +
                           std::to_string(++serial);
        ready_ = CreateEventA(nullptr, TRUE, FALSE, (stem + "-ready").c_str());
        release_ = CreateEventA(nullptr, TRUE, FALSE, (stem + "-release").c_str());
        std::string line = "\"" + FixturePath("holdfile") + "\" \"" + path + "\" --ready " + stem +
                           "-ready --release " + stem + "-release " + mode;
        PROCESS_INFORMATION info;
        if (!StartProcess(line, &info)) {
            ADD_FAILURE() << "starting " << line;
            return;
        }
        CloseHandle(info.hThread);
        process_ = info.hProcess;
        HANDLE both[2] = {ready_, process_};
        holding_ = WaitForMultipleObjects(2, both, FALSE, 30000) == WAIT_OBJECT_0;
        EXPECT_TRUE(holding_) << "the holder did not get hold of " << path;
    }
    ~Holder() {
        Release();
        if (process_) CloseHandle(process_);
        CloseHandle(ready_);
        CloseHandle(release_);
    }
    bool Holding() const { return holding_; }
    // Lets go and waits until the file is free.
    void Release() {
        SetEvent(release_);
        if (process_) WaitForSingleObject(process_, 30000);
        holding_ = false;
    }

  private:
    HANDLE ready_ = nullptr;
    HANDLE release_ = nullptr;
    HANDLE process_ = nullptr;
    bool holding_ = false;
};

// A registry link at path under HKLM, leading to target (as only an
// administrator can make one); deleted itself, not followed, when it goes.
class RegistryLink {
  public:
    RegistryLink(const char* path, const std::wstring& target) : path_(path) {
        HKEY key;
        made_ = RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, nullptr, REG_OPTION_CREATE_LINK,
                                KEY_ALL_ACCESS | KEY_CREATE_LINK, nullptr, &key,
                                nullptr) == ERROR_SUCCESS;
        made_ = made_ &&
                RegSetValueExW(key, L"SymbolicLinkValue", 0, REG_LINK, (const BYTE*)target.data(),
                               DWORD(target.size() * sizeof(wchar_t))) == ERROR_SUCCESS;
        if (key) RegCloseKey(key);
    }
    ~RegistryLink() {
        auto deleteKey =
            (LONG(NTAPI*)(HANDLE))GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtDeleteKey");
        HKEY key;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path_, REG_OPTION_OPEN_LINK, DELETE, &key) != 0)
            return;
        deleteKey(key);
        RegCloseKey(key);
    }
    bool made_ = false;

  private:
    const char* path_;
};

struct InstallRun : RunRecord {
    std::string status;

    size_t Position(const std::string& text) const { return log.find(text); }
    bool Succeeded() const { return status == SucceededStatus; }
    std::string Dump() const {
        return "\nstatus: " + status + "\nlog:\n" + Escaped(log) + "\nboxes:" + Describe(boxes);
    }
};

inline std::string CreatedFile(const std::string& path) {
    return "Created file " + path + "\r\n\r\n";
}
// The answer line that follows every question in the log.
inline std::string Answered(const char* button) {
    return "    You answered: " + std::string(button) + "\r\n\r\n\r\n";
}

// Options of a windowed run with "/noeu": the log page opens at once.
inline RunOptions Windowed(std::vector<BoxRule> rules = {}) {
    RunOptions options;
    options.args = "/noeu";
    options.boxes = std::move(rules);
    options.timeoutMs = 2 * RunWaitMs;
    return options;
}

// Waits for the status line to tell the end of the run and reads the log.
inline bool WaitForInstallEnd(Session& run, InstallRun& result) {
    bool ended = run.WaitUntil(
        [&] {
            std::string status = run.Text(IDC_STATUS);
            return status == FailedStatus || status == SucceededStatus;
        },
        RunWaitMs);
    EXPECT_TRUE(ended) << "status: " << run.Text(IDC_STATUS) << Describe(run.Boxes());
    result.status = run.Text(IDC_STATUS);
    // Every log starts with its heading: an empty text is a read that failed.
    run.WaitUntil([&] { return !(result.log = run.Text(IDC_INSTALL_LOG)).empty(); }, 5000);
    return ended;
}

// A whole windowed run, closed once the installation is over.
inline InstallRun RunWindowedWith(RunOptions options) {
    Session run(options);
    InstallRun result;
    EXPECT_TRUE(run.WaitMainWindow(RunWaitMs)) << Describe(run.WindowsSeen());
    WaitForInstallEnd(run, result);
    run.Close();
    result.exitCode = run.Wait(RunWaitMs);
    result.boxes = run.Boxes();
    ExpectDefinedBoxTypes(result.boxes);
    return result;
}
inline InstallRun RunWindowed(std::vector<BoxRule> rules = {}) {
    return RunWindowedWith(Windowed(std::move(rules)));
}

// A silent run ("/noui"): only the exit code and the boxes tell.
inline InstallRun RunSilent(std::vector<BoxRule> rules = {}) {
    RunOptions options;
    options.args = "/noui";
    options.boxes = std::move(rules);
    options.timeoutMs = 2 * RunWaitMs;
    Outcome outcome = RunToEnd(options);
    EXPECT_FALSE(outcome.timedOut);
    InstallRun result;
    result.exitCode = outcome.exitCode;
    result.boxes = outcome.boxes;
    ExpectDefinedBoxTypes(result.boxes);
    return result;
}

} // namespace deploy
