#include "base/version.h"
#include "entry/uninstall_entry.h"
#include "replace/replace.h"

#include <cstring>

#include "base/file_system.h"
#include "base/folder_rules.h"
#include "base/heap.h"
#include "base/held_folder.h"
#include "base/scoped_handle.h"
#include "base/text_length.h"
#include "process/state.h"
#include "replace/replace_rules.h"
#include "report/report.h"
#include "resources/resource.h"

namespace {

// Message 10 shows only its numbers; a non-empty first insert keeps the
// reporter from putting the last error's text there.
const char NewerVersionDummy[] = "--dummy--";

// Tries this many names when a temporary or a numbered backup name is taken.
const int NameAttempts = 16;
// Parked files of one target looked at in one run; more are left for later runs.
const int MaxParked = 8;

bool IsMissing(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}
bool IsTaken(DWORD error) {
    return error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS;
}

// What a folder holds of the installer's own making beside one target:
// temporary files of a run that was killed before its rename (removed at
// once), and the target's parked previous files.
struct Leftovers {
    const HeldFolder* folder;
    const char* targetName;
    int count;
    char names[MaxParked][MAX_PATH];
    LONGLONG changed[MaxParked];
};

void NoteLeftover(const FolderEntry& entry, void* context) {
    Leftovers& found = *(Leftovers*)context;
    if (entry.attributes & FILE_ATTRIBUTE_DIRECTORY) return;
    // Another installer's temporary file is held open without delete sharing
    // until its rename, so it cannot go here.
    if (IsTemporaryName(entry.name)) {
        DeleteInFolder(*found.folder, entry.name);
        return;
    }
    if (found.count < MaxParked && TextLength(entry.name) < MAX_PATH &&
        ClassifyParkedName(found.targetName, entry.name, IsAnsiLeadByte) != NotParkedName) {
        lstrcpynA(found.names[found.count], entry.name, MAX_PATH);
        found.changed[found.count] = entry.changeTime;
        ++found.count;
    }
}

struct BesidePlugin {
    const HeldFolder* folder;
    BesidePluginAct act;
};

void VisitBesidePlugin(const FolderEntry& entry, void* context) {
    const BesidePlugin& beside = *(const BesidePlugin*)context;
    if (!(entry.attributes & FILE_ATTRIBUTE_DIRECTORY) && IsRemovableBesidePlugin(entry.name) &&
        !SameTextIgnoringAsciiCase(entry.name, PluginFileName))
        beside.act(*beside.folder, entry.name);
}

bool TargetPresent(const HeldFolder& folder, const char* name) {
    ScopedHandle file;
    DWORD error =
        OpenInFolder(folder, name, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                     OpenExisting, file);
    return !IsMissing(error);
}

// An earlier run killed between its two renames left the previous file only
// under a parked name: the newest one goes back first, if it is a plug-in this
// product shipped. Parked files of this product beside a present target are
// ones that could not be deleted then (a browser had them loaded), and go now,
// as does whatever holds the backup name itself. Anything else under those
// names is not the installer's and stays as it is.
// Program-wide, like the other scratch records: too large for the stack
// frames it would be inlined into.
Leftovers Found;

void SettleLeftovers(const HeldFolder& folder, const char* name) {
    Leftovers& found = Found;
    found.folder = &folder;
    found.targetName = name;
    found.count = 0;
    ForEachEntry(folder, NoteLeftover, &found);
    bool targetPresent = TargetPresent(folder, name);
    for (int left = found.count; left > 0; --left) {
        int newest = 0;
        for (int i = 1; i < left; ++i)
            if (found.changed[i] > found.changed[newest]) newest = i;
        ScopedHandle parked;
        if (OpenInFolder(folder, found.names[newest],
                         DELETE | FILE_READ_DATA | FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ,
                         OpenExisting, parked) == ERROR_SUCCESS) {
            ParkedNameKind kind = ClassifyParkedName(name, found.names[newest], IsAnsiLeadByte);
            switch (LeftoverBackupAction(targetPresent, kind, IsProductFile(parked.Get()))) {
            case RestoreBackup:
                targetPresent = RenameHeldFile(parked.Get(), folder, name, false) == ERROR_SUCCESS;
                break;
            case StaleBackup:
                DeleteHeldFile(parked.Get());
                break;
            default:
                break;
            }
        }
        // Looked at: the last one takes its place in the list.
        lstrcpynA(found.names[newest], found.names[left - 1], MAX_PATH);
        found.changed[newest] = found.changed[left - 1];
    }
}

// The previous file at the target's name, held while it is decided about.
struct Previous {
    ScopedHandle file;
    bool present; // something is there, held or not
    bool movable; // held with DELETE access: it can be parked
    bool inUse;   // another program holds it without delete sharing
    DWORD attributes;
};

// ERROR_SUCCESS, or ERROR_REPARSE_POINT_ENCOUNTERED when the target is a
// reparse point.
DWORD OpenPrevious(const HeldFolder& folder, const char* name, Previous& previous) {
    previous.present = previous.movable = previous.inUse = false;
    previous.attributes = INVALID_FILE_ATTRIBUTES;
    DWORD error = OpenInFolder(folder, name, DELETE | FILE_READ_DATA | FILE_WRITE_ATTRIBUTES,
                               FILE_SHARE_READ | FILE_SHARE_WRITE, OpenExisting, previous.file);
    if (IsMissing(error)) return ERROR_SUCCESS;
    if (error == ERROR_REPARSE_POINT_ENCOUNTERED) return error;
    previous.present = true;
    previous.movable = error == ERROR_SUCCESS;
    previous.inUse = error == ERROR_SHARING_VIOLATION;
    // Not ours to move (its security says so, it is a folder, or another
    // program holds it): it can still be read for its version, with every
    // sharing, or at least be looked at.
    if (!previous.movable) {
        const DWORD everyone = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
        error = OpenInFolder(folder, name, FILE_READ_DATA, everyone, OpenExisting, previous.file);
        if (error == ERROR_ACCESS_DENIED)
            error = OpenInFolder(folder, name, 0, everyone, OpenExisting, previous.file);
        if (error == ERROR_REPARSE_POINT_ENCOUNTERED) return error;
    }
    if (previous.file.Valid()) previous.attributes = AttributesOf(previous.file.Get());
    return ERROR_SUCCESS;
}

// A file a running program has loaded cannot be replaced: the system says
// "access denied" then, where a program holding it open says "in use". Both
// are told as "in use".
bool InUseByAProgram(const HeldFolder& folder, const char* name) {
    ScopedHandle file;
    return OpenInFolder(folder, name, FILE_WRITE_DATA,
                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OpenExisting,
                        file) == ERROR_SHARING_VIOLATION;
}

// What an attempt found besides its error: whether a previous file was at
// the target's name, and what it refused to write through (a log-only
// message and the path it names), if anything.
struct Attempt {
    bool previousPresent;
    UINT refusal;
    char refused[MAX_PATH];
};

DWORD Refuse(Attempt& attempt, UINT message, const char* path, DWORD error) {
    attempt.refusal = message;
    lstrcpynA(attempt.refused, path, sizeof attempt.refused);
    return error;
}

// One attempt at putting the payload at targetPath; ERROR_SUCCESS when it is
// there, DeployKept's reason (the user kept a newer file) as ERROR_CANCELLED,
// or the error the user is told about.
DWORD PlacePayload(PayloadItem& item, const char* targetPath, Attempt& attempt) {
    attempt.previousPresent = false;
    attempt.refusal = 0;
    char full[MAX_PATH], folderPath[MAX_PATH];
    const char* name = nullptr;
    DWORD length = GetFullPathNameA(targetPath, sizeof full, full, nullptr);
    if (length == 0) return GetLastError();
    if (length >= sizeof full ||
        !SplitFilePath(full, folderPath, sizeof folderPath, &name, IsAnsiLeadByte))
        return ERROR_FILENAME_EXCED_RANGE;

    HeldFolder folder;
    DWORD error = HoldFolder(folderPath, folder);
    if (error == ERROR_REPARSE_POINT_ENCOUNTERED)
        return Refuse(attempt, MSG_REFUSED_LINK, folder.path, error);
    if (error != ERROR_SUCCESS) return error;
    SettleLeftovers(folder, name);

    Previous previous;
    if (OpenPrevious(folder, name, previous) != ERROR_SUCCESS)
        return Refuse(attempt, MSG_REFUSED_LINK, full, ERROR_REPARSE_POINT_ENCOUNTERED);
    attempt.previousPresent = previous.present;
    if (previous.file.Valid()) {
        if (FileHasOtherNames(previous.file.Get()))
            return Refuse(attempt, MSG_REFUSED_HARD_LINK, full, ERROR_ACCESS_DENIED);
        int major = 0, minor = 0, patch = 0;
        ReadProductVersionOf(previous.file.Get(), &major, &minor, &patch, nullptr);
        // The file stays held while the question waits: it cannot be swapped
        // for another under the answer.
        if (IsNewerThanPayload(major, minor, patch) &&
            ReportMessage(MSG_NEWER_VERSION, NewerVersionDummy, PayloadVersion.major,
                          PayloadVersion.minor, PayloadVersion.patch, major, minor, patch) == IDYES)
            return ERROR_CANCELLED;
    }
    // Asked about first, as any previous file is; told as in use only then.
    if (previous.inUse) return ERROR_SHARING_VIOLATION;

    // The new bytes take the target's name only once they are whole on the
    // disk: a browser never finds a partial plug-in, whenever the installer
    // is stopped.
    ScopedHandle temporary;
    error = WriteTemporaryCopy(item, folder, GetTickCount() ^ GetCurrentProcessId(), temporary);
    if (error != ERROR_SUCCESS) return error;

    // The previous file is renamed, not replaced: a browser may have it
    // loaded, which allows a rename only. Its attributes change, and come
    // back, through the handle held: its name may lead to another file by then.
    bool readOnly = previous.movable && previous.attributes != INVALID_FILE_ATTRIBUTES &&
                    (previous.attributes & FILE_ATTRIBUTE_READONLY);
    if (readOnly)
        SetAttributesOf(previous.file.Get(), previous.attributes & ~DWORD(FILE_ATTRIBUTE_READONLY));
    char parkedName[MAX_PATH];
    bool parked = previous.movable && Park(folder, name, previous.file.Get(), parkedName);
    // Replaced in place instead: it must not be held open then.
    if (!parked) {
        if (readOnly) SetAttributesOf(previous.file.Get(), previous.attributes);
        previous.file.Reset(nullptr);
    }

    error = ReplaceTarget(folder, name, temporary.Get(), parked ? previous.file.Get() : nullptr);
    if (error == ERROR_SUCCESS) return ERROR_SUCCESS;
    if (readOnly && parked) SetAttributesOf(previous.file.Get(), previous.attributes);
    previous.file.Reset(nullptr);
    if (error == ERROR_ACCESS_DENIED && !parked && previous.present &&
        InUseByAProgram(folder, name))
        error = ERROR_SHARING_VIOLATION;
    return error;
}

} // namespace

DWORD WriteTemporaryCopy(PayloadItem& item, const HeldFolder& folder, unsigned first,
                         ScopedHandle& temporary) {
    DWORD error = ERROR_ALREADY_EXISTS;
    for (int attempt = 0; attempt < NameAttempts && IsTaken(error); ++attempt) {
        char name[TemporaryNameSize];
        TemporaryName(first + attempt, name);
        error = OpenInFolder(folder, name, GENERIC_WRITE | DELETE, FILE_SHARE_READ, CreateNew,
                             temporary);
    }
    if (error != ERROR_SUCCESS) return error;
    if (ExtractPayload(item, temporary.Get())) return ERROR_SUCCESS;
    error = GetLastError();
    DeleteHeldFile(temporary.Get());
    temporary.Reset(nullptr);
    return error;
}

bool Park(const HeldFolder& folder, const char* name, HANDLE file, char* parked) {
    if (!BackupPath(name, parked, MAX_PATH, IsAnsiLeadByte)) return false;
    DWORD error = RenameHeldFile(file, folder, parked, false);
    unsigned first = GetTickCount() ^ GetCurrentProcessId();
    for (int attempt = 0; attempt < NameAttempts && IsTaken(error); ++attempt) {
        if (!NumberedBackupName(name, first + attempt, parked, MAX_PATH, IsAnsiLeadByte))
            return false;
        error = RenameHeldFile(file, folder, parked, false);
    }
    return error == ERROR_SUCCESS;
}

DWORD ReplaceTarget(const HeldFolder& folder, const char* name, HANDLE temporary, HANDLE parked) {
    DWORD error = RenameHeldFile(temporary, folder, name, true);
    if (error == ERROR_SUCCESS) {
        // A parked file still mapped by a running browser stays until the next run.
        if (parked) DeleteHeldFile(parked);
        return ERROR_SUCCESS;
    }
    DeleteHeldFile(temporary);
    // The previous file is in place before the user is asked, whatever
    // happens while the box waits.
    if (parked) RenameHeldFile(parked, folder, name, false);
    return error;
}

int DeployPayload(PayloadItem& item, const char* targetPath, const char* browserName) {
    Attempt attempt;
    DWORD error = PlacePayload(item, targetPath, attempt);
    if (error == ERROR_CANCELLED) return DeployKept;
    if (error == ERROR_SUCCESS) {
        ReportMessage(MSG_CREATED_FILE, targetPath);
        return DeployWritten;
    }
    // Refused: no retry would change that, so no box asks; the log tells it once.
    if (attempt.refusal) {
        ReportMessage(attempt.refusal, attempt.refused);
        return DeployFailed;
    }
    SetLastError(error);
    int answer;
    // "Your old plugin file" only where there is one.
    if (error == ERROR_SHARING_VIOLATION && attempt.previousPresent)
        answer = ReportMessage(MSG_FILE_IN_USE, targetPath);
    else
        answer = ReportMessage(MSG_FAILED_TO_INSTALL, nullptr, browserName, targetPath, item.label);
    return answer == IDRETRY ? DeployRetry : DeployFailed;
}

int DeployWithRetries(PayloadItem& item, const char* targetPath, const char* browserName) {
    int result;
    do {
        result = DeployPayload(item, targetPath, browserName);
    } while (result == DeployRetry);
    return result;
}

int InstallPayloadFile(bool useActiveX, const char* targetPath, const char* browserName) {
    PayloadItem& item = useActiveX ? CarriedActiveXItem() : CarriedPluginItem();
    int result = DeployWithRetries(item, targetPath, browserName);
    if (result == DeployWritten) PlacedBytes += item.size;
    return result;
}

void MakePluginsFolder(const char* browser, const char* programFolder, const char* path) {
    if (!browser) return;
    RecordPath(MadeFolders, path);
    DWORD error = MakeFolderIn(programFolder, PluginsFolderName, CreateNew);
    if (error == ERROR_SUCCESS) {
        ReportMessage(MSG_CREATED_DIRECTORY, path);
    } else {
        SetLastError(error);
        ReportMessage(MSG_CANT_CREATE_SUBFOLDER, nullptr, browser, path);
    }
}

void ForEachBesidePlugin(const HeldFolder& folder, BesidePluginAct act) {
    BesidePlugin beside = {&folder, act};
    ForEachEntry(folder, VisitBesidePlugin, &beside);
}
