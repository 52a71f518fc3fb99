#include "deploy/payload.h"

#include "process/state.h"
#include "deploy/payload_rules.h"
#include "discovery/targets.h"
#include "report/report.h"
#include "resources/resource.h"

namespace {

const WORD ActiveXResourceId = 103;

PayloadItem PluginItem = {"plugin", nullptr, MAKEINTRESOURCEA(IDR_PLUGIN), nullptr, 0, nullptr};
PayloadItem ActiveXItem = {"activeX control", nullptr, MAKEINTRESOURCEA(ActiveXResourceId),
                           nullptr,           0,       nullptr};

// Message 10 shows only its numbers; a non-empty first insert keeps the
// reporter from putting the last error's text there.
const char NewerVersionDummy[] = "--dummy--";

// Locates and caches the item's resource; false (with the system's error) when
// it is missing or empty.
bool LoadPayloadData(PayloadItem& item) {
    if (!item.data) {
        HMODULE module = item.module ? item.module : ModuleHandle;
        const char* type = item.resourceType ? item.resourceType : RT_PAYLOAD_FILE;
        HRSRC found = FindResourceA(module, item.resourceName, type);
        if (!found) return false;
        DWORD size = SizeofResource(module, found);
        HGLOBAL loaded = LoadResource(module, found);
        if (!loaded) return false;
        const BYTE* data = (const BYTE*)LockResource(loaded);
        if (!data) return false;
        item.data = data;
        item.size = size;
    }
    if (item.size == 0) {
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return false;
    }
    return true;
}

// Gives a file put back after a failed write the read-only mark it had.
void RestoreReadOnly(const char* path, DWORD previousAttributes) {
    if (previousAttributes == INVALID_FILE_ATTRIBUTES) return;
    if (!(previousAttributes & FILE_ATTRIBUTE_READONLY)) return;
    DWORD now = GetFileAttributesA(path);
    if (now != INVALID_FILE_ATTRIBUTES) SetFileAttributesA(path, now | FILE_ATTRIBUTE_READONLY);
}

// Prefix of the temporary file that keeps a previous file that could not be
// moved aside.
const char SafetyCopyPrefix[] = "swb";

// Copies path to a new file of the temporary folder, whose name goes to copy
// (MAX_PATH bytes); false, with copy empty, when that cannot be done.
bool KeepSafetyCopy(const char* path, char* copy) {
    copy[0] = '\0';
    char folder[MAX_PATH];
    DWORD length = GetTempPathA(sizeof folder, folder);
    if (length == 0 || length >= sizeof folder) return false;
    if (!GetTempFileNameA(folder, SafetyCopyPrefix, 0, copy)) {
        copy[0] = '\0';
        return false;
    }
    if (CopyFileA(path, copy, FALSE)) return true;
    DeleteFileA(copy);
    copy[0] = '\0';
    return false;
}

} // namespace

bool ExtractPayload(PayloadItem& item, const char* path) {
    if (!LoadPayloadData(item)) return false;

    HANDLE file =
        CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    DWORD error = ERROR_SUCCESS;
    if (!WriteFile(file, item.data, item.size, &written, nullptr))
        error = GetLastError();
    else if (written != item.size)
        error = ERROR_DISK_FULL; // a short write without an error code
    if (!CloseHandle(file) && error == ERROR_SUCCESS) error = GetLastError();
    if (error == ERROR_SUCCESS) return true;

    // A browser must never load a half-written plug-in: what was written goes.
    DeleteFileA(path);
    SetLastError(error);
    return false;
}

bool MoveOrCopyFile(const char* from, const char* to) {
    if (OnSameDrive(from, to)) {
        DeleteFileA(to);
        return MoveFileA(from, to) != FALSE;
    }
    if (!CopyFileA(from, to, FALSE)) return false;
    DeleteFileA(from);
    return true;
}

void ClearReadOnly(const char* path) {
    DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_READONLY)) return;
    attributes &= ~DWORD(FILE_ATTRIBUTE_READONLY);
    // Zero would mean "leave the attributes as they are".
    SetFileAttributesA(path, attributes ? attributes : FILE_ATTRIBUTE_NORMAL);
}

bool FileCanBeOpened(const char* path) {
    HANDLE file = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    return true;
}

int DeployPayload(PayloadItem& item, const char* targetPath, const char* browserName) {
    // A backup left behind by an earlier run goes first.
    char backup[MAX_PATH];
    bool hasBackupName = BackupPath(targetPath, backup, sizeof backup, IsAnsiLeadByte);
    if (hasBackupName) DeleteFileA(backup);

    bool backedUp = false;
    char safetyCopy[MAX_PATH] = "";
    DWORD previousAttributes = INVALID_FILE_ATTRIBUTES;
    if (FileCanBeOpened(targetPath)) {
        int major = 0, minor = 0, patch = 0, build = 0;
        ReadProductVersion(targetPath, &major, &minor, &patch, &build);
        if (IsNewerThanPayload(major, minor, patch)) {
            int answer =
                ReportMessage(MSG_NEWER_VERSION, MB_YESNO | MB_ICONEXCLAMATION, NewerVersionDummy,
                              PayloadVersion.major, PayloadVersion.minor, PayloadVersion.patch,
                              major, minor, patch);
            if (answer == IDYES) return DeployKept;
        }
        previousAttributes = GetFileAttributesA(targetPath);
        ClearReadOnly(targetPath);
        if (hasBackupName && MoveOrCopyFile(targetPath, backup)) {
            backedUp = true;
        } else {
            // The backup name is taken by a file that cannot go (a browser still
            // has an earlier plug-in loaded under it). The previous file makes
            // way all the same, so a copy elsewhere keeps it until the new one
            // is written: a failed write must not lose it.
            KeepSafetyCopy(targetPath, safetyCopy);
            DeleteFileA(targetPath);
        }
    }

    if (ExtractPayload(item, targetPath)) {
        ReportMessage(MSG_CREATED_FILE, 0, targetPath);
        // A backup still mapped by a running browser stays until the next run.
        if (backedUp) DeleteFileA(backup);
        if (safetyCopy[0]) DeleteFileA(safetyCopy);
        ClearReadOnly(targetPath);
        return DeployWritten;
    }

    // The previous file goes back before the user is asked, so that it is in
    // place whatever happens while the box waits.
    DWORD error = GetLastError();
    if (backedUp) MoveOrCopyFile(backup, targetPath);
    if (safetyCopy[0]) {
        // Only where the previous file is gone: one that could not be deleted
        // is still in place.
        if (!FileCanBeOpened(targetPath)) CopyFileA(safetyCopy, targetPath, TRUE);
        DeleteFileA(safetyCopy);
    }
    RestoreReadOnly(targetPath, previousAttributes);
    SetLastError(error);

    int answer;
    if (error == ERROR_SHARING_VIOLATION)
        answer = ReportMessage(MSG_FILE_IN_USE, MB_RETRYCANCEL | MB_ICONQUESTION, targetPath);
    else
        answer = ReportMessage(MSG_FAILED_TO_INSTALL, MB_RETRYCANCEL | MB_ICONQUESTION, nullptr,
                               browserName, targetPath, item.label);
    return answer == IDRETRY ? DeployRetry : DeployFailed;
}

int InstallPayloadFile(bool useActiveX, const char* targetPath, const char* browserName) {
    PayloadItem& item = useActiveX ? ActiveXItem : PluginItem;
    int result;
    do {
        result = DeployPayload(item, targetPath, browserName);
    } while (result == DeployRetry);
    return result;
}
