#include "replace/restart_delete.h"

#include "base/text_length.h"

#include "base/admin_folder.h"
#include "base/file_system.h"
#include "base/folder_rules.h"
#include "base/path_rules.h"
#include "entry/record_rules.h"
#include "entry/uninstall_entry.h"
#include "replace/replace_rules.h"

namespace {

// At the root of each volume, as Windows Installer's Config.Msi.
const char RestartFolderName[] = "Scorewave.Pending";
// Names tried in that folder while they are taken.
const int NameAttempts = 16;

// The file's identity on its volume; false when the system cannot tell it.
bool IdentityOf(HANDLE file, KeptFile* kept) {
    BY_HANDLE_FILE_INFORMATION information;
    if (!GetFileInformationByHandle(file, &information)) return false;
    kept->volume = information.dwVolumeSerialNumber;
    kept->index = (unsigned long long)information.nFileIndexHigh << 32 | information.nFileIndexLow;
    return true;
}

// Keeps the open file, now at `path`, in the record.
bool Keep(HANDLE file, const char* path) {
    KeptFile kept = {0, 0, path};
    char text[MAX_PATH + 32];
    return IdentityOf(file, &kept) && KeptFileText(kept, text, sizeof text) &&
           RecordPath(KeptFiles, text);
}

// Moves the file at `path` into the folder for deletions at restart of its
// volume, a fixed disk; `path` then names it there. ERROR_SUCCESS, or why
// not: the file is where it was then.
DWORD MoveForRestart(HANDLE file, char* path, HeldFolder& restart) {
    char volume[MAX_PATH];
    if (!GetVolumePathNameA(path, volume, sizeof volume)) return GetLastError();
    if (GetDriveTypeA(volume) != DRIVE_FIXED) return ERROR_NOT_SUPPORTED;
    DWORD error = HoldAdminFolder(volume, RestartFolderName, true, RefuseForeign, restart);
    if (error != ERROR_SUCCESS) return error;
    // The path it is to have there must fit, or the file is not moved at all.
    if (TextLength(restart.path) + 1 + TemporaryNameSize > MAX_PATH)
        return ERROR_FILENAME_EXCED_RANGE;
    unsigned first = GetTickCount() ^ GetCurrentProcessId();
    char name[TemporaryNameSize];
    error = ERROR_ALREADY_EXISTS;
    for (int attempt = 0;
         attempt < NameAttempts && (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS);
         ++attempt) {
        TemporaryName(first + attempt, name);
        error = RenameHeldFile(file, restart, name, false);
    }
    if (error != ERROR_SUCCESS) return error;
    ComposeFilePath(path, MAX_PATH, restart.path, name, SeparatorUnlessPresent, IsAnsiLeadByte);
    return ERROR_SUCCESS;
}

// For the held file, which could not be deleted now.
FileDeletion DeleteLater(const HeldFolder& folder, const char* name, HANDLE file) {
    char path[MAX_PATH];
    if (!ComposeFilePath(path, sizeof path, folder.path, name, SeparatorUnlessPresent,
                         IsAnsiLeadByte))
        return NotKept;
    HeldFolder restart;
    if (MoveForRestart(file, path, restart) == ERROR_SUCCESS &&
        MoveFileExA(path, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) {
        // The folder too, after it: that fails harmlessly while it is not empty.
        MoveFileExA(restart.path, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
        return DeletedAtRestart;
    }
    return Keep(file, path) ? KeptForLater : NotKept;
}

} // namespace

FileDeletion DeleteNowOrLater(const HeldFolder& folder, const char* name, HANDLE file,
                              DWORD* error) {
    DWORD now = DeleteHeldFile(file);
    if (error) *error = now;
    return now == ERROR_SUCCESS ? DeletedNow : DeleteLater(folder, name, file);
}

DWORD DeleteKeptFiles(KeptFileAct act, void (*left)(const char* path, DWORD error)) {
    // Read whole first: acting changes the list.
    static char list[RecordListBufferSize];
    DWORD size = 0;
    DWORD error = ReadRecordList(KeptFiles, list, &size);
    if (error != ERROR_SUCCESS) return error;
    for (DWORD at = 0; at < size && list[at] != '\0'; at += TextLength(list + at) + 1) {
        const char* text = list + at;
        KeptFile kept, found = {0, 0, nullptr};
        char folderPath[MAX_PATH];
        const char* name = nullptr;
        HeldFolder folder;
        ScopedHandle file;
        error =
            ParseKeptFileText(text, &kept) &&
                    SplitFilePath(kept.path, folderPath, sizeof folderPath, &name, IsAnsiLeadByte)
                ? HoldFolder(folderPath, folder)
                : ERROR_INVALID_DATA;
        if (error == ERROR_SUCCESS)
            error = OpenInFolder(folder, name, DELETE | FILE_READ_DATA | FILE_WRITE_ATTRIBUTES,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE, OpenExisting, file);
        bool same = error == ERROR_SUCCESS && IdentityOf(file.Get(), &found) &&
                    found.volume == kept.volume && found.index == kept.index;
        if (error == ERROR_SUCCESS || error == ERROR_FILE_NOT_FOUND ||
            error == ERROR_PATH_NOT_FOUND || error == ERROR_INVALID_DATA)
            ForgetPath(KeptFiles, text);
        else if (left)
            left(kept.path, error);
        if (same) act(folder, name, file.Get());
    }
    return ERROR_SUCCESS;
}
