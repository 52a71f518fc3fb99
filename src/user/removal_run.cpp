// "/remove": after the machine's removal, the user's own copies that the
// user's record names go at the user's next logon, then the record and the
// log. Only this product's plug-ins, of the installer's names, inside the
// user's profile, whatever the record says.
#include "user/user_run.h"

#include "base/file_system.h"
#include "base/folder_rules.h"
#include "base/held_folder.h"
#include "base/path_rules.h"
#include "base/registry.h"
#include "base/scoped_handle.h"
#include "base/text_length.h"
#include "carried/carried.h"
#include "entry/record_rules.h"
#include "entry/uninstall_entry.h"
#include "replace/replace.h"
#include "replace/replace_rules.h"
#include "report/report.h"
#include "resources/resource.h"
#include "user/user_rules.h"

namespace {

char List[RecordListBufferSize];
const ACCESS_MASK RemoveAccess = DELETE | FILE_READ_DATA | FILE_WRITE_ATTRIBUTES;

// Temporary files and parked copies of this product beside a plug-in.
void RemoveLeftover(const HeldFolder& folder, const char* name) {
    ScopedHandle file;
    if (OpenInFolder(folder, name, RemoveAccess, FILE_SHARE_READ | FILE_SHARE_WRITE, OpenExisting,
                     file) == ERROR_SUCCESS &&
        (IsTemporaryName(name) || IsProductFile(file.Get())))
        DeleteHeldFile(file.Get());
}

// True when the recorded plug-in is gone (or never was this product's),
// false when it stays for the next logon.
bool RemoveUserPlugin(const char* path) {
    char folderPath[MAX_PATH];
    const char* name;
    HeldFolder folder;
    ScopedHandle plugin;
    char compared[MAX_PATH];
    if (!ProfileForm(path, compared) ||
        !IsUserPluginPath(compared, UserProfile(), IsAnsiLeadByte) ||
        !SplitFilePath(path, folderPath, sizeof folderPath, &name, IsAnsiLeadByte)) {
        ReportMessage(MSG_LEFT_NOT_OURS, path);
        return true;
    }
    DWORD error = HoldFolder(folderPath, folder);
    if (error == ERROR_PATH_NOT_FOUND) return true;
    if (error == ERROR_SUCCESS) {
        ForEachBesidePlugin(folder, RemoveLeftover);
        error = OpenInFolder(folder, name, RemoveAccess, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             OpenExisting, plugin);
    }
    if (error == ERROR_FILE_NOT_FOUND) return true;
    if (error == ERROR_SUCCESS && !IsProductFile(plugin.Get())) {
        ReportMessage(MSG_LEFT_NOT_OURS, path);
        return true;
    }
    if (error == ERROR_SUCCESS) error = DeleteHeldFile(plugin.Get());
    if (error == ERROR_SUCCESS) {
        ReportMessage(MSG_REMOVED, path);
        return true;
    }
    SetLastError(error);
    ReportMessage(MSG_CANT_REMOVE, nullptr, path);
    return false;
}

// The list as recorded, read whole before anything changes the record; null
// when it cannot be read whole (then nothing of it is acted on).
const char* ReadList(RecordList list) {
    DWORD size = 0;
    return ReadRecordList(list, List, &size) == ERROR_SUCCESS ? List : nullptr;
}

} // namespace

unsigned TakeBackUserCopies() {
    StartUserRun();
    int left = 0;
    const char* plugins = ReadList(PluginPaths);
    if (!plugins) ++left;
    for (const char* path = plugins; path && *path; path += TextLength(path) + 1) {
        if (RemoveUserPlugin(path))
            ForgetPath(PluginPaths, path);
        else
            ++left;
    }
    if (left > 0) {
        // The record stays, with the folders around what stays.
        TryAgainAtNextLogon();
        return ExitNotDone;
    }
    char compared[MAX_PATH];
    for (const char* path = ReadList(MadeFolders); path && *path; path += TextLength(path) + 1)
        if (ProfileForm(path, compared) &&
            IsUserMadeFolder(compared, UserProfile(), IsAnsiLeadByte) &&
            DeleteEmptyFolder(path) == ERROR_SUCCESS)
            ReportMessage(MSG_REMOVED, path);
    DeleteUserRecord();
    DeleteUserLog();
    return ExitDone;
}
