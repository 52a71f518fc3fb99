#include "remove/removal.h"
#include "remove/user_removal.h"

#include <cstring>

#include "base/file_system.h"
#include "base/folder_rules.h"
#include "base/heap.h"
#include "base/held_folder.h"
#include "base/path_rules.h"
#include "base/registry.h"
#include "base/scoped_handle.h"
#include "base/text_length.h"
#include "entry/record_rules.h"
#include "entry/uninstall_entry.h"
#include "font/font.h"
#include "registration/registration.h"
#include "replace/replace.h"
#include "replace/replace_rules.h"
#include "replace/restart_delete.h"
#include "report/report.h"
#include "resources/product.h"
#include "resources/resource.h"

namespace {

RemovalOutcome Outcome;

const char ContentTypeValue[] = "Content Type";

// The record's lists, read whole before anything is removed.
char Plugins[RecordListBufferSize];
char Folders[RecordListBufferSize];
DWORD PluginsSize, FoldersSize;

void Failed(const char* what, DWORD error) {
    SetLastError(error);
    ReportMessage(MSG_CANT_REMOVE, nullptr, what);
    ++Outcome.failed;
}

void LeftAsNotOurs(const char* path) {
    ReportMessage(MSG_LEFT_NOT_OURS, path);
}

// Deletes the held file of this product, `name` of the held folder, shown as
// `shown`. One that a running program has loaded cannot be deleted now: it
// goes when Windows restarts, from a folder no standard user can change, or
// else stays in the record for the next removal (and counts as a failure,
// which keeps the entry and its record).
void RemoveHeldFile(const HeldFolder& folder, const char* name, HANDLE file, const char* shown) {
    DWORD error;
    FileDeletion deletion = DeleteNowOrLater(folder, name, file, &error);
    if (deletion == DeletedNow) {
        ReportMessage(MSG_REMOVED, shown);
        ++Outcome.removed;
        return;
    }
    if (deletion != DeletedAtRestart) return Failed(shown, error);
    ReportMessage(MSG_REMOVED_AT_RESTART, shown);
    ++Outcome.atRestart;
}

// A file of a name the installer writes, in the held folder: removed when it
// is this product's (known before, or its version resource says so), or,
// when its name is the installer's temporary one, when it can be deleted at
// once. Anything else stays, with a log line, and is no failure: so does a
// file that cannot be opened to be deleted, unless it can still be read and
// is this product's.
void RemoveOwnFile(const HeldFolder& folder, const char* name, bool knownOurs) {
    char shown[MAX_PATH];
    if (!ComposeFilePath(shown, sizeof shown, folder.path, name, SeparatorUnlessPresent,
                         IsAnsiLeadByte))
        return;
    ScopedHandle file;
    DWORD error = OpenInFolder(folder, name, DELETE | FILE_READ_DATA | FILE_WRITE_ATTRIBUTES,
                               FILE_SHARE_READ | FILE_SHARE_WRITE, OpenExisting, file);
    if (error == ERROR_FILE_NOT_FOUND) return;
    if (error != ERROR_SUCCESS) {
        OpenInFolder(folder, name, FILE_READ_DATA,
                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OpenExisting, file);
        if (knownOurs || (file.Valid() && IsProductFile(file.Get()))) return Failed(shown, error);
        return LeftAsNotOurs(shown);
    }
    if (knownOurs || IsProductFile(file.Get()))
        return RemoveHeldFile(folder, name, file.Get(), shown);
    if (IsTemporaryName(name) && DeleteHeldFile(file.Get()) == ERROR_SUCCESS) {
        ReportMessage(MSG_REMOVED, shown);
        ++Outcome.removed;
        return;
    }
    LeftAsNotOurs(shown);
}

// The installer's temporary files and parked copies beside a recorded
// plug-in, each dealt with as it is found: however many other files of such
// names there are, none hides one of this product's.
void RemoveBesidePlugin(const HeldFolder& folder, const char* name) {
    RemoveOwnFile(folder, name, false);
}

// A recorded plug-in file, with the installer's temporary files and parked
// copies of this product beside it. Only files of those names, and of them
// only this product's plug-ins, whatever the record says.
void RemovePlugin(const char* path) {
    char folderPath[MAX_PATH];
    const char* name;
    if (!SplitFilePath(path, folderPath, sizeof folderPath, &name, IsAnsiLeadByte) ||
        lstrcmpiA(name, PluginFileName) != 0)
        return LeftAsNotOurs(path);
    HeldFolder folder;
    DWORD error = HoldFolder(folderPath, folder);
    if (error == ERROR_PATH_NOT_FOUND) return; // gone with its folder
    if (error != ERROR_SUCCESS) return Failed(path, error);
    ForEachBesidePlugin(folder, RemoveBesidePlugin);
    RemoveOwnFile(folder, name, false);
}

// A file an earlier removal had to leave: it was this product's.
void RemoveKeptFile(const HeldFolder& folder, const char* name, HANDLE file) {
    char shown[MAX_PATH];
    if (ComposeFilePath(shown, sizeof shown, folder.path, name, SeparatorUnlessPresent,
                        IsAnsiLeadByte))
        RemoveHeldFile(folder, name, file, shown);
}

// A folder the installer made, such as a browser's "Plugins": only when it is
// empty, and only of the names the installer gives its folders.
void RemoveMadeFolder(const char* path) {
    char parentPath[MAX_PATH];
    const char* name;
    if (!SplitFilePath(path, parentPath, sizeof parentPath, &name, IsAnsiLeadByte) ||
        !IsRemovableFolderName(name))
        return;
    if (DeleteEmptyFolder(path) == ERROR_SUCCESS) {
        ReportMessage(MSG_REMOVED, path);
        ++Outcome.removed;
    }
}

void ForEachRecorded(const char* list, DWORD size, void (*act)(const char*)) {
    for (DWORD at = 0; at < size && list[at] != '\0'; at += TextLength(list + at) + 1)
        act(list + at);
}

void RemoveFont(DWORD created) {
    char fontPath[MAX_PATH], folderPath[MAX_PATH];
    const char* name;
    if ((created & CreatedFontFile) && MusicFontPath(fontPath, sizeof fontPath) &&
        SplitFilePath(fontPath, folderPath, sizeof folderPath, &name, IsAnsiLeadByte)) {
        RemoveFontResourceA(fontPath);
        HeldFolder folder;
        char* family = ReadFontFamilyName(fontPath);
        bool ours = family && strcmp(family, FontFamily) == 0;
        FreeHeapBytes(family);
        if (HoldFolder(folderPath, folder) == ERROR_SUCCESS) RemoveOwnFile(folder, name, ours);
    }
    HKEY opened;
    if ((created & CreatedFontValue) &&
        RegOpenKeyExA(HKEY_LOCAL_MACHINE, FontsRegistryKey(), 0, KEY_QUERY_VALUE | KEY_SET_VALUE,
                      &opened) == ERROR_SUCCESS) {
        ScopedKey key(opened);
        char value[ScratchPathSize];
        if (ReadRegistryText(key.Get(), FontValueName, value, sizeof value) == RegistryTextRead &&
            lstrcmpiA(value, FontFileName) == 0)
            RegDeleteValueA(key.Get(), FontValueName);
    }
    SendNotifyMessageA(HWND_BROADCAST, WM_FONTCHANGE, 0, 0);
}

void ReportLeftLink(const char* path) {
    ReportMessage(MSG_LEFT_REGISTRY_LINK, path);
}

// A key of the machine's classes, opened to be changed or deleted; a registry
// link there is left, with a log line.
bool OpenClassKeyToChange(HKEY classes, const char* path, REGSAM access, HKEY* key) {
    LONG error = OpenMachineKey(classes, path, access, false, key);
    if (error == ERROR_REPARSE_POINT_ENCOUNTERED) ReportLeftLink(path);
    return error == ERROR_SUCCESS;
}

// An extension still this product's goes back to its previous owner, or goes
// when the installer made it; one another program owns now is not touched.
void RestoreExtension(HKEY classes, int type, DWORD created) {
    const DocumentType& document = DocumentTypes[type];
    HKEY opened;
    if (!OpenClassKeyToChange(classes, document.extension, KEY_SET_VALUE | DELETE, &opened)) return;
    ScopedKey key(opened);
    char text[ScratchPathSize], owner[RecordOwnerLimit + 1];
    ReadRegistryText(key.Get(), nullptr, text, sizeof text);
    bool ours = strcmp(text, document.progId) == 0;
    bool emptied = false;
    if (ours) {
        ReadRegistryText(key.Get(), ContentTypeValue, text, sizeof text);
        if (strcmp(text, MimeType) == 0) RegDeleteValueA(key.Get(), ContentTypeValue);
        if (ReadRecordedOwner(document.extension, owner, sizeof owner)) {
            SetStringValue(key.Get(), nullptr, owner);
            ReportMessage(MSG_GAVE_BACK, document.extension, owner);
        } else if (created & CreatedExtensionKey(type)) {
            RegDeleteValueA(key.Get(), nullptr);
            DWORD subkeys = 1, values = 1;
            RegQueryInfoKeyA(key.Get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr,
                             &values, nullptr, nullptr, nullptr, nullptr);
            emptied = subkeys == 0 && values == 0;
        }
    }
    if (emptied && DeleteOpenKey(key.Get()) == ERROR_SUCCESS) ++Outcome.removed;
}

// In the machine's classes, never through HKEY_CLASSES_ROOT, which would
// reach into the user's.
void RemoveRegistration(DWORD created) {
    HKEY opened;
    if (OpenMachineKey(HKEY_LOCAL_MACHINE, MachineClassesKey, 0, false, &opened) != ERROR_SUCCESS)
        return;
    ScopedKey classes(opened);
    for (int type = 0; type < DocumentTypeCount; ++type) {
        RestoreExtension(classes.Get(), type, created);
        if (created & CreatedProgIdKey(type))
            DeleteKeyTree(classes.Get(), DocumentTypes[type].progId, ReportLeftLink);
    }
    // The open command of a ProgID the installer did not make.
    if ((created & CreatedOpenCommand) && !(created & CreatedProgIdKey(0)))
        DeleteKeyTree(classes.Get(), OpenCommandKey, ReportLeftLink);
    if (created & CreatedMimeKey) DeleteKeyTree(classes.Get(), MimeDatabaseKey, ReportLeftLink);
    // The MIME database's list of content types, where the installer made it:
    // only when nothing else has come into it.
    if ((created & CreatedMimeDatabase) &&
        OpenClassKeyToChange(classes.Get(), MimeContentTypesKey, DELETE, &opened)) {
        ScopedKey key(opened);
        DeleteOpenKey(key.Get());
    }
    // Closed before the shell is told.
    classes.Reset(nullptr);
    NotifyAssociationsChanged();
}

// The remover itself and its folder go last. A running program cannot delete
// its own file: it is renamed aside and deleted when Windows restarts, with
// the folder after it (which stays, should a new installation have put a new
// remover there by then). A restart for these alone is not asked for.
void RemoveRemover(bool madeFolder) {
    char folderPath[MAX_PATH], removerPath[MAX_PATH], parked[MAX_PATH], pending[MAX_PATH];
    if (!RemoverPaths(folderPath, removerPath)) return;
    HeldFolder folder;
    ScopedHandle file;
    if (HoldFolder(folderPath, folder) != ERROR_SUCCESS) return;
    if (OpenInFolder(folder, RemoverFileName, DELETE | FILE_WRITE_ATTRIBUTES,
                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OpenExisting,
                     file) == ERROR_SUCCESS &&
        DeleteHeldFile(file.Get()) != ERROR_SUCCESS &&
        Park(folder, RemoverFileName, file.Get(), parked) &&
        ComposeFilePath(pending, sizeof pending, folderPath, parked, SeparatorUnlessPresent,
                        IsAnsiLeadByte))
        MoveFileExA(pending, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    file.Reset(nullptr);
    folder.handle.Reset(nullptr);
    if (madeFolder && DeleteEmptyFolder(folderPath) != ERROR_SUCCESS)
        MoveFileExA(folderPath, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}

bool IsRemoverFolder(const char* path) {
    char folder[MAX_PATH], remover[MAX_PATH];
    return RemoverPaths(folder, remover) && lstrcmpiA(path, folder) == 0;
}

bool RemoverFolderMade;

void RemoveRecordedFolder(const char* path) {
    if (IsRemoverFolder(path))
        RemoverFolderMade = true;
    else
        RemoveMadeFolder(path);
}

} // namespace

RemovalOutcome RemoveScorewave() {
    Outcome = RemovalOutcome{UninstallEntryExists(), 0, 0, 0};
    if (!Outcome.entryFound) return Outcome;
    // The record is read whole before anything goes: one that cannot be read
    // whole removes nothing, and the entry stays.
    DWORD error = ReadRecordList(PluginPaths, Plugins, &PluginsSize);
    if (error == ERROR_SUCCESS) error = ReadRecordList(MadeFolders, Folders, &FoldersSize);
    if (error == ERROR_SUCCESS) error = DeleteKeptFiles(RemoveKeptFile, Failed);
    if (error != ERROR_SUCCESS) {
        Failed(UninstallEntryKey, error);
        return Outcome;
    }
    DWORD created = RecordedCreations();
    ForEachRecorded(Plugins, PluginsSize, RemovePlugin);
    RemoveFont(created);
    RemoveRegistration(created);
    ForEachRecorded(Folders, FoldersSize, RemoveRecordedFolder);
    // Kept while anything of this product stays, so that the removal can be
    // run again.
    if (Outcome.failed > 0) return Outcome;
    bool usersPending = TurnUserComponentIntoRemoval(created);
    DeleteUninstallEntryTree();
    RemoveRemover(RemoverFolderMade && !usersPending);
    return Outcome;
}
