#include "user/user_run.h"

#include <shlobj.h>

#include "base/file_system.h"
#include "base/folder_rules.h"
#include "base/held_folder.h"
#include "base/path_rules.h"
#include "entry/record_rules.h"
#include "logon/active_setup.h"
#include "process/state.h"
#include "report/report.h"
#include "resources/resource.h"
#include "user/user_rules.h"

namespace {

const char UserLogName[] = "ScorewaveUser.log";

// Open for the whole run, with DELETE access for the removal's end.
HANDLE LogFile;
char LogFolder[MAX_PATH];
char Profile[MAX_PATH];

bool OpenUserLog() {
    char local[MAX_PATH];
    HeldFolder folder;
    ScopedHandle file;
    if (SpecialFolderPath(CSIDL_LOCAL_APPDATA, local, sizeof local) == 0 ||
        MakeFolderIn(local, ProductFolderName, OpenOrCreate) != ERROR_SUCCESS ||
        !ComposeSubfolder(LogFolder, sizeof LogFolder, local, ProductFolderName, IsAnsiLeadByte) ||
        HoldFolder(LogFolder, folder) != ERROR_SUCCESS)
        return false;
    // A new file each run: the last run's goes first.
    DWORD error = DeleteInFolder(folder, UserLogName);
    if ((error != ERROR_SUCCESS && error != ERROR_FILE_NOT_FOUND) ||
        OpenInFolder(folder, UserLogName, FILE_GENERIC_WRITE | DELETE, FILE_SHARE_READ, CreateNew,
                     file) != ERROR_SUCCESS)
        return false;
    LogFile = file.Release();
    SetLogFile(LogFile);
    return true;
}

} // namespace

bool StartUserRun() {
    if (SpecialFolderPath(CSIDL_PROFILE, Profile, sizeof Profile) == 0) Profile[0] = '\0';
    bool logged = OpenUserLog();
    WriteLogHeader();
    return logged;
}

const char* UserProfile() {
    return Profile;
}

bool ProfileForm(const char* path, char* out) {
    char full[MAX_PATH], folder[MAX_PATH], longFolder[MAX_PATH];
    const char* name;
    DWORD length = GetFullPathNameA(path, sizeof full, full, nullptr);
    if (length == 0 || length >= sizeof full) return false;
    if (IsInsideFolder(full, Profile, IsAnsiLeadByte)) return CopyText(out, MAX_PATH, full);
    // A path registered in short (8.3) names: its folder in its long form.
    if (!SplitFilePath(full, folder, sizeof folder, &name, IsAnsiLeadByte)) return false;
    length = GetLongPathNameA(folder, longFolder, sizeof longFolder);
    return length > 0 && length < sizeof longFolder &&
           ComposeFilePath(out, MAX_PATH, longFolder, name, SeparatorUnlessPresent, IsAnsiLeadByte);
}

bool InUserProfile(const char* path) {
    char compared[MAX_PATH];
    return ProfileForm(path, compared) && IsInsideFolder(compared, Profile, IsAnsiLeadByte);
}

void TryAgainAtNextLogon() {
    ClearUserStamp();
    ReportMessage(MSG_AGAIN_AT_LOGON);
}

void DeleteUserLog() {
    if (!LogFile) return;
    SetLogFile(nullptr);
    DeleteHeldFile(LogFile);
    CloseHandle(LogFile);
    LogFile = nullptr;
    DeleteEmptyFolder(LogFolder);
}
