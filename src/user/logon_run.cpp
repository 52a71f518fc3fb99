// "/logon": the user's own browsers get the plug-in of the machine's
// installation, written as the installer writes it.
#include "user/user_run.h"

#include "base/file_system.h"
#include "base/folder_rules.h"
#include "base/held_folder.h"
#include "base/scoped_handle.h"
#include "discovery/scans.h"
#include "entry/uninstall_entry.h"
#include "logon/active_setup.h"
#include "replace/replace.h"
#include "report/report.h"
#include "resources/resource.h"

namespace {

// The scans take the user's own places; the others are the installer's.
bool TakeUsersOwn(const char* pluginPath) {
    if (InUserProfile(pluginPath)) return true;
    ReportMessage(MSG_LEFT_TO_MACHINE, pluginPath);
    return false;
}

// The plug-in copy of the machine's installation, mapped as the payload to
// write: opened through its folder held open, never through a link, and only
// when it is this product's plug-in. Nothing a user can change is written.
bool MapMachineCopy(PayloadItem& copy, ScopedHandle& file, ScopedHandle& mapping) {
    char path[MAX_PATH] = "", folderPath[MAX_PATH];
    const char* name;
    HeldFolder folder;
    LARGE_INTEGER size;
    DWORD error = ProductFilePath(PluginFileName, path) &&
                          SplitFilePath(path, folderPath, sizeof folderPath, &name, IsAnsiLeadByte)
                      ? HoldFolder(folderPath, folder)
                      : DWORD(ERROR_PATH_NOT_FOUND);
    // Deletion stays shared: the next installation may replace the copy meanwhile.
    if (error == ERROR_SUCCESS)
        error = OpenInFolder(folder, name, FILE_READ_DATA, FILE_SHARE_READ | FILE_SHARE_DELETE,
                             OpenExisting, file);
    if (error == ERROR_SUCCESS &&
        (!IsProductFile(file.Get()) || !GetFileSizeEx(file.Get(), &size) || size.QuadPart <= 0 ||
         size.QuadPart > MAXDWORD))
        error = ERROR_BAD_FORMAT;
    if (error == ERROR_SUCCESS) {
        mapping.Reset(CreateFileMappingA(file.Get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
        copy.data = mapping.Valid()
                        ? (const BYTE*)MapViewOfFile(mapping.Get(), FILE_MAP_READ, 0, 0, 0)
                        : nullptr;
        copy.size = DWORD(size.QuadPart);
        if (!copy.data) error = GetLastError();
    }
    if (error == ERROR_SUCCESS) return true;
    SetLastError(error);
    ReportMessage(MSG_NO_MACHINE_COPY, nullptr, path);
    return false;
}

// A file another program holds: it is written at the next logon.
bool HeldByAProgram(const char* path) {
    ScopedHandle file(CreateFileA(path, FILE_WRITE_DATA,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    return !file.Valid() && GetLastError() == ERROR_SHARING_VIOLATION;
}

} // namespace

unsigned FillUserPlaces() {
    StartUserRun();
    PayloadItem copy = {"plugin", nullptr, nullptr, nullptr, 0, nullptr};
    ScopedHandle file, mapping;
    if (!MapMachineCopy(copy, file, mapping)) return ExitNotDone;
    // Static, not on the stack: a frame this large would need the stack probe.
    static TargetPlan plan;
    plan.filter = TakeUsersOwn;
    RunScans(plan);
    MakePluginsFolder(plan.folder.browser, plan.folder.programFolder, plan.folder.path);
    FinishScans(plan);

    int failed = 0, waiting = 0;
    for (int i = plan.targets.count - 1; i >= 0; --i) {
        const InstallTarget& target = plan.targets.records[i];
        if (target.pluginPath[0] == '\0') continue;
        // Written by an earlier run, or by the installer run by this user.
        if (HoldsPayload(copy, target.pluginPath)) {
            ReportMessage(MSG_ALREADY_CURRENT, target.pluginPath);
            continue;
        }
        // In the record before it is written; forgotten again when it was not.
        bool recorded = RecordPath(PluginPaths, target.pluginPath);
        int result = DeployPayload(copy, target.pluginPath, target.name);
        if (result <= 2 && recorded) ForgetPath(PluginPaths, target.pluginPath);
        if (result != DeployFailed) continue;
        if (HeldByAProgram(target.pluginPath))
            ++waiting;
        else
            ++failed;
    }
    UnmapViewOfFile(copy.data);
    if (waiting > 0) TryAgainAtNextLogon();
    return failed + waiting > 0 ? ExitNotDone : ExitDone;
}
