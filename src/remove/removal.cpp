#include "remove/removal.h"
#include "remove/user_removal.h"

#include <cstring>

#include "process/scoped_handle.h"
#include "process/text_length.h"
#include "deploy/folder_rules.h"
#include "deploy/font.h"
#include "deploy/held_folder.h"
#include "deploy/payload.h"
#include "deploy/payload_rules.h"
#include "deploy/record_rules.h"
#include "deploy/registration.h"
#include "deploy/uninstall_entry.h"
#include "discovery/path_rules.h"
#include "discovery/registry_text.h"
#include "discovery/targets.h"
#include "report/report.h"
#include "resources/resource.h"

namespace {

RemovalOutcome Outcome;

const char ContentTypeValue[] = "Content Type";
// Leftovers looked at beside one plug-in; more are left for another removal.
const int MaxLeftovers = 8;

// Room for every path the installer could ever record.
const DWORD ListSize = 16384;
char List[ListSize];

void Failed(const char* what, DWORD error) {
    SetLastError(error);
    ReportMessage(MSG_CANT_REMOVE, nullptr, what);
    ++Outcome.failed;
}

// Deletes the held file of the held folder. One that a running program has
// loaded cannot be deleted: it is renamed aside (when it holds a name the
// installer writes again, so that a new installation before the restart is
// left alone) and deleted when Windows restarts.
void RemoveHeldFile(const HeldFolder& folder, const char* name, HANDLE file, bool renameAside) {
    char shown[MAX_PATH];
    if (!ComposeFilePath(shown, sizeof shown, folder.path, name, SeparatorUnlessPresent,
                         IsAnsiLeadByte))
        return;
    DWORD error = DeleteHeldFile(file);
    if (error == ERROR_SUCCESS) {
        ReportMessage(MSG_REMOVED, shown);
        ++Outcome.removed;
        return;
    }
    char parked[MAX_PATH], pending[MAX_PATH];
    if (!renameAside)
        lstrcpynA(pending, shown, sizeof pending);
    else if (!Park(folder, name, file, parked) ||
             !ComposeFilePath(pending, sizeof pending, folder.path, parked, SeparatorUnlessPresent,
                              IsAnsiLeadByte))
        return Failed(shown, error);
    if (!MoveFileExA(pending, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT))
        return Failed(shown, GetLastError());
    ReportMessage(MSG_REMOVED_AT_RESTART, shown);
    ++Outcome.atRestart;
}

// Opens `name` in the held folder to be deleted; false (and nothing to do)
// when it is not there.
bool OpenToRemove(const HeldFolder& folder, const char* name, ScopedHandle& file) {
    DWORD error = OpenInFolder(folder, name, DELETE | FILE_READ_DATA | FILE_WRITE_ATTRIBUTES,
                               FILE_SHARE_READ | FILE_SHARE_WRITE, OpenExisting, file);
    if (error == ERROR_SUCCESS) return true;
    if (error != ERROR_FILE_NOT_FOUND) {
        char shown[MAX_PATH];
        if (ComposeFilePath(shown, sizeof shown, folder.path, name, SeparatorUnlessPresent,
                            IsAnsiLeadByte))
            Failed(shown, error);
    }
    return false;
}

struct Leftovers {
    int count;
    char names[MaxLeftovers][MAX_PATH];
};
Leftovers Found;

void NoteLeftover(const FolderEntry& entry, void*) {
    if (entry.attributes & FILE_ATTRIBUTE_DIRECTORY) return;
    if (Found.count < MaxLeftovers && TextLength(entry.name) < MAX_PATH &&
        lstrcmpiA(entry.name, PluginFileName) != 0 && IsRemovableBesidePlugin(entry.name))
        lstrcpynA(Found.names[Found.count++], entry.name, MAX_PATH);
}

void LeftAsNotOurs(const char* path) {
    ReportMessage(MSG_LEFT_NOT_OURS, path);
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

    Found.count = 0;
    ForEachEntry(folder, NoteLeftover, nullptr);
    for (int i = 0; i < Found.count; ++i) {
        ScopedHandle file;
        if (!OpenToRemove(folder, Found.names[i], file)) continue;
        if (IsTemporaryName(Found.names[i]) || IsProductFile(file.Get()))
            RemoveHeldFile(folder, Found.names[i], file.Get(), false);
    }
    ScopedHandle plugin;
    if (!OpenToRemove(folder, name, plugin)) return;
    if (!IsProductFile(plugin.Get())) return LeftAsNotOurs(path);
    RemoveHeldFile(folder, name, plugin.Get(), true);
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

void ForEachRecorded(RecordList list, void (*act)(const char*)) {
    DWORD size = ReadRecordList(list, List, ListSize);
    // The list is read whole first: acting may change the record.
    for (DWORD at = 0; at < size && List[at] != '\0'; at += TextLength(List + at) + 1)
        act(List + at);
}

void RemoveFont(DWORD created) {
    char fontPath[MAX_PATH], folderPath[MAX_PATH];
    const char* name;
    if ((created & CreatedFontFile) && MusicFontPath(fontPath, sizeof fontPath) &&
        SplitFilePath(fontPath, folderPath, sizeof folderPath, &name, IsAnsiLeadByte)) {
        RemoveFontResourceA(fontPath);
        HeldFolder folder;
        ScopedHandle file;
        char* family = ReadFontFamilyName(fontPath);
        bool ours = family && strcmp(family, FontFamily) == 0;
        if (family) HeapFree(GetProcessHeap(), 0, family);
        if (HoldFolder(folderPath, folder) == ERROR_SUCCESS && OpenToRemove(folder, name, file)) {
            if (ours)
                RemoveHeldFile(folder, name, file.Get(), true);
            else
                LeftAsNotOurs(fontPath);
        }
    }
    HKEY key;
    if ((created & CreatedFontValue) &&
        RegOpenKeyExA(HKEY_LOCAL_MACHINE, FontsRegistryKey(), 0, KEY_QUERY_VALUE | KEY_SET_VALUE,
                      &key) == ERROR_SUCCESS) {
        char value[ScratchPathSize];
        if (ReadRegistryText(key, FontValueName, value, sizeof value) == RegistryTextRead &&
            lstrcmpiA(value, FontFileName) == 0)
            RegDeleteValueA(key, FontValueName);
        RegCloseKey(key);
    }
    SendNotifyMessageA(HWND_BROADCAST, WM_FONTCHANGE, 0, 0);
}

// An extension still this product's goes back to its previous owner, or goes
// when the installer made it; one another program owns now is not touched.
void RestoreExtension(int type, DWORD created) {
    const DocumentType& document = DocumentTypes[type];
    HKEY key;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, document.extension, 0, KEY_READ | KEY_SET_VALUE, &key) !=
        ERROR_SUCCESS)
        return;
    char text[ScratchPathSize], owner[MAX_PATH];
    ReadRegistryText(key, nullptr, text, sizeof text);
    bool ours = strcmp(text, document.progId) == 0;
    bool emptied = false;
    if (ours) {
        ReadRegistryText(key, ContentTypeValue, text, sizeof text);
        if (strcmp(text, MimeType) == 0) RegDeleteValueA(key, ContentTypeValue);
        if (ReadRecordedOwner(document.extension, owner, sizeof owner)) {
            SetStringValue(key, nullptr, owner);
            ReportMessage(MSG_GAVE_BACK, document.extension, owner);
        } else if (created & CreatedExtensionKey(type)) {
            RegDeleteValueA(key, nullptr);
            DWORD subkeys = 1, values = 1;
            RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values,
                             nullptr, nullptr, nullptr, nullptr);
            emptied = subkeys == 0 && values == 0;
        }
    }
    RegCloseKey(key);
    if (emptied && RegDeleteKeyA(HKEY_CLASSES_ROOT, document.extension) == ERROR_SUCCESS)
        ++Outcome.removed;
}

void RemoveRegistration(DWORD created) {
    for (int type = 0; type < DocumentTypeCount; ++type) {
        RestoreExtension(type, created);
        if (created & CreatedProgIdKey(type))
            DeleteKeyTree(HKEY_CLASSES_ROOT, DocumentTypes[type].progId, 0);
    }
    // The open command of a ProgID the installer did not make.
    if ((created & CreatedOpenCommand) && !(created & CreatedProgIdKey(0)))
        DeleteKeyTree(HKEY_CLASSES_ROOT, OpenCommandKey, 0);
    if (created & CreatedMimeKey) DeleteKeyTree(HKEY_CLASSES_ROOT, MimeDatabaseKey, 0);
    // The MIME database's list of content types, where the installer made it:
    // only when nothing else has come into it.
    if (created & CreatedMimeDatabase) RegDeleteKeyA(HKEY_CLASSES_ROOT, MimeContentTypesKey);
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
    DWORD created = RecordedCreations();
    ForEachRecorded(PluginPaths, RemovePlugin);
    RemoveFont(created);
    RemoveRegistration(created);
    ForEachRecorded(MadeFolders, RemoveRecordedFolder);
    // Kept while anything of this product stays, so that the removal can be
    // run again.
    if (Outcome.failed > 0) return Outcome;
    bool usersPending = TurnUserComponentIntoRemoval(created);
    DeleteKeyTree(HKEY_LOCAL_MACHINE, UninstallEntryKey, KEY_WOW64_64KEY);
    RemoveRemover(RemoverFolderMade && !usersPending);
    return Outcome;
}
