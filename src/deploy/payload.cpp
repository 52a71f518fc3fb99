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

// Tries this many names when a temporary name is taken (by another installer
// writing the same folder at the same moment).
const int TemporaryNameAttempts = 16;

// Temporary files of an earlier run that was killed before its rename.
void RemoveStrayTemporaries(const char* targetPath) {
    char pattern[MAX_PATH];
    if (!SiblingPath(targetPath, TemporaryNamePattern, pattern, sizeof pattern, IsAnsiLeadByte))
        return;
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA(pattern, &entry);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        // The pattern also matches short names and longer names: only the
        // installer's own exact names go.
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        if (!IsTemporaryName(entry.cFileName)) continue;
        char stray[MAX_PATH];
        if (SiblingPath(targetPath, entry.cFileName, stray, sizeof stray, IsAnsiLeadByte))
            DeleteFileA(stray);
    } while (FindNextFileA(search, &entry));
    FindClose(search);
}

// Writes the whole payload into a new file of the installer's own temporary
// name in the target's folder, whose path goes to temporary (MAX_PATH bytes).
// On failure nothing is left and the last error tells why.
bool WriteTemporaryCopy(PayloadItem& item, const char* targetPath, char* temporary) {
    unsigned first = GetTickCount() ^ GetCurrentProcessId();
    for (int attempt = 0; attempt < TemporaryNameAttempts; ++attempt) {
        char name[TemporaryNameSize];
        TemporaryName(first + attempt, name);
        if (!SiblingPath(targetPath, name, temporary, MAX_PATH, IsAnsiLeadByte)) {
            SetLastError(ERROR_FILENAME_EXCED_RANGE);
            return false;
        }
        if (ExtractPayload(item, temporary)) return true;
        if (GetLastError() != ERROR_FILE_EXISTS) return false;
    }
    return false;
}

// An earlier run killed between its two renames left the previous file only
// under the backup name: it goes back first. A backup beside its target is
// one that could not be deleted then, and goes now. False when the backup
// holds the previous file and could not be put back: it must then stay.
bool SettleLeftoverBackup(const char* targetPath, const char* backup) {
    DWORD backupAttributes = GetFileAttributesA(backup);
    bool backupPresent = backupAttributes != INVALID_FILE_ATTRIBUTES &&
                         !(backupAttributes & FILE_ATTRIBUTE_DIRECTORY);
    bool targetPresent = GetFileAttributesA(targetPath) != INVALID_FILE_ATTRIBUTES;
    switch (LeftoverBackupAction(targetPresent, backupPresent)) {
    case RestoreBackup:
        return MoveFileExA(backup, targetPath, MOVEFILE_WRITE_THROUGH) != FALSE;
    case StaleBackup:
        DeleteFileA(backup);
        return true;
    default:
        return true;
    }
}

} // namespace

bool ExtractPayload(PayloadItem& item, const char* path) {
    if (!LoadPayloadData(item)) return false;

    // A new file only: another file of that name is never overwritten.
    HANDLE file =
        CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    DWORD error = ERROR_SUCCESS;
    if (!WriteFile(file, item.data, item.size, &written, nullptr))
        error = GetLastError();
    else if (written != item.size)
        error = ERROR_DISK_FULL; // a short write without an error code
    // On the disk before the file can take the target's name, so that a power
    // failure cannot leave the name on a file whose bytes never arrived.
    else if (!FlushFileBuffers(file))
        error = GetLastError();
    if (!CloseHandle(file) && error == ERROR_SUCCESS) error = GetLastError();
    if (error == ERROR_SUCCESS) return true;

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
    char backup[MAX_PATH];
    bool hasBackupName = BackupPath(targetPath, backup, sizeof backup, IsAnsiLeadByte);
    // While the backup is the only copy of the previous file, nothing may
    // replace or delete it.
    bool backupKept = hasBackupName && !SettleLeftoverBackup(targetPath, backup);

    bool hasPrevious = FileCanBeOpened(targetPath);
    if (hasPrevious) {
        int major = 0, minor = 0, patch = 0, build = 0;
        ReadProductVersion(targetPath, &major, &minor, &patch, &build);
        if (IsNewerThanPayload(major, minor, patch)) {
            int answer =
                ReportMessage(MSG_NEWER_VERSION, MB_YESNO | MB_ICONEXCLAMATION, NewerVersionDummy,
                              PayloadVersion.major, PayloadVersion.minor, PayloadVersion.patch,
                              major, minor, patch);
            if (answer == IDYES) return DeployKept;
        }
    }

    // The new bytes take the target's name only once they are whole on the
    // disk: a browser never finds a partial plug-in, whenever the installer
    // is stopped.
    RemoveStrayTemporaries(targetPath);
    char temporary[MAX_PATH];
    bool written = WriteTemporaryCopy(item, targetPath, temporary);
    DWORD error = written ? ERROR_SUCCESS : GetLastError();

    bool backedUp = false;
    DWORD previousAttributes = INVALID_FILE_ATTRIBUTES;
    if (written && hasPrevious) {
        previousAttributes = GetFileAttributesA(targetPath);
        ClearReadOnly(targetPath);
        // The previous file is renamed, not replaced: a browser may have it
        // loaded, which allows a rename only. A program holding it without
        // sharing means the user is asked; any other failure (the backup name
        // held by an older copy still loaded) leaves it to be replaced in place.
        if (hasBackupName && !backupKept) {
            backedUp = MoveOrCopyFile(targetPath, backup);
            if (!backedUp && GetLastError() == ERROR_SHARING_VIOLATION) {
                error = ERROR_SHARING_VIOLATION;
                written = false;
                DeleteFileA(temporary);
            }
        }
    }
    if (written &&
        !MoveFileExA(temporary, targetPath, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        error = GetLastError();
        written = false;
        DeleteFileA(temporary);
        if (backedUp) MoveOrCopyFile(backup, targetPath);
    }

    if (written) {
        ReportMessage(MSG_CREATED_FILE, 0, targetPath);
        // A backup still mapped by a running browser stays until the next run.
        if (backedUp) DeleteFileA(backup);
        ClearReadOnly(targetPath);
        return DeployWritten;
    }

    // The previous file is in place before the user is asked, whatever
    // happens while the box waits.
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
