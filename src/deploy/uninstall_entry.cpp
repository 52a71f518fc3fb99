#include "deploy/uninstall_entry.h"

#include <shlobj.h>

#include "process/state.h"
#include "process/text_length.h"

#include "deploy/record_rules.h"
#include "discovery/path_rules.h"
#include "discovery/targets.h"
#include "report/report.h"
#include "resources/resource.h"

const char UninstallEntryKey[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Scorewave Viewer";

const char UserRecordKey[] = "Software\\Scorewave\\Viewer";

const char RemoverFileName[] = "ScorewaveRemove.exe";

namespace {

// The record's values, beside the entry's own.
const char* const ListValues[] = {"ScorewavePlugins", "ScorewaveFolders"};
const char CreatedValue[] = "ScorewaveCreated";
const char OwnerValuePrefix[] = "ScorewaveOwner";
// Room for every path the installer could ever record, and a margin; a longer
// list is not the installer's and is read as none.
const DWORD ListBufferSize = 16384;
char ListBuffer[ListBufferSize];

char EmptyClass[] = "";

bool UserRecord;

DWORD ReadDword(HKEY key, const char* name) {
    DWORD value = 0, type = 0, size = sizeof value;
    if (RegQueryValueExA(key, name, nullptr, &type, (BYTE*)&value, &size) != ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof value)
        return 0;
    return value;
}

// Writes a value of the entry, or logs why it cannot (message 12).
void SetRecordValue(HKEY key, const char* name, DWORD type, const void* data, DWORD size) {
    LONG error = RegSetValueExA(key, name, 0, type, (const BYTE*)data, size);
    if (error == ERROR_SUCCESS) return;
    SetLastError(DWORD(error));
    ReportMessage(MSG_NO_REGISTRY_UPDATE, nullptr, UserRecord ? UserRecordKey : UninstallEntryKey,
                  Preloaded(MSG_WINDOWS));
}

DWORD ReadListFrom(HKEY key, RecordList list, char* buffer, DWORD size) {
    DWORD type = 0, got = size - 2;
    if (RegQueryValueExA(key, ListValues[list], nullptr, &type, (BYTE*)buffer, &got) !=
            ERROR_SUCCESS ||
        type != REG_MULTI_SZ)
        return 0;
    // Closed whatever was stored: a value without its zeros is read safely.
    buffer[got] = buffer[got + 1] = '\0';
    return got + 2;
}

// Adds the path to the list (true when it was not there) or takes it out.
bool UpdateRecordList(RecordList list, const char* path, bool add) {
    HKEY key = OpenUninstallEntry(add);
    if (!key) return false;
    DWORD size = ReadListFrom(key, list, ListBuffer, ListBufferSize);
    size_t newSize = 0;
    bool changed = add ? !MultiStringHolds(ListBuffer, size, path) &&
                             MultiStringAppend(ListBuffer, ListBufferSize, size, path, &newSize)
                       : size > 0 && (newSize = MultiStringRemove(ListBuffer, size, path)) != size;
    if (changed) SetRecordValue(key, ListValues[list], REG_MULTI_SZ, ListBuffer, DWORD(newSize));
    RegCloseKey(key);
    return changed;
}

// Sets and clears bits of what installations created; true when that changed.
bool UpdateCreated(DWORD set, DWORD clear) {
    HKEY key = OpenUninstallEntry(set != 0);
    if (!key) return false;
    DWORD recorded = ReadDword(key, CreatedValue);
    DWORD updated = (recorded | set) & ~clear;
    if (updated != recorded) SetRecordValue(key, CreatedValue, REG_DWORD, &updated, sizeof updated);
    RegCloseKey(key);
    return updated != recorded;
}

void OwnerValueName(const char* extension, char* name, int size) {
    lstrcpynA(name, OwnerValuePrefix, size);
    int used = TextLength(name);
    lstrcpynA(name + used, extension, size - used);
}

} // namespace

bool RemoverPaths(char* folder, char* remover) {
    char programFiles[MAX_PATH];
    return SpecialFolderPath(CSIDL_PROGRAM_FILES, programFiles, sizeof programFiles) > 0 &&
           ComposeSubfolder(folder, MAX_PATH, programFiles, ProductFolderName, IsAnsiLeadByte) &&
           ComposeFilePath(remover, MAX_PATH, folder, RemoverFileName, AlwaysAddSeparator,
                           IsAnsiLeadByte);
}

bool UninstallEntryExists() {
    HKEY key = OpenUninstallEntry(false);
    if (key) RegCloseKey(key);
    return key != nullptr;
}

void KeepRecordForUser() {
    UserRecord = true;
}

HKEY OpenUninstallEntry(bool create) {
    HKEY key = nullptr;
    HKEY root = UserRecord ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
    const char* path = UserRecord ? UserRecordKey : UninstallEntryKey;
    const REGSAM access = KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_WOW64_64KEY;
    LONG error = create
                     ? RegCreateKeyExA(root, path, 0, EmptyClass, 0, access, nullptr, &key, nullptr)
                     : RegOpenKeyExA(root, path, 0, access, &key);
    if (error == ERROR_SUCCESS) return key;
    if (create) {
        SetLastError(DWORD(error));
        ReportMessage(MSG_NO_REGISTRY_UPDATE, nullptr, path, Preloaded(MSG_WINDOWS));
    }
    return nullptr;
}

bool RecordPath(RecordList list, const char* path) {
    return UpdateRecordList(list, path, true);
}

void ForgetPath(RecordList list, const char* path) {
    UpdateRecordList(list, path, false);
}

bool RecordCreated(DWORD bits) {
    return UpdateCreated(bits, 0);
}

void ForgetCreated(DWORD bits) {
    UpdateCreated(0, bits);
}

void RecordOwner(const char* extension, const char* owner) {
    char name[64], recorded[2];
    if (ReadRecordedOwner(extension, recorded, sizeof recorded)) return;
    HKEY key = OpenUninstallEntry(true);
    if (!key) return;
    OwnerValueName(extension, name, sizeof name);
    SetRecordValue(key, name, REG_SZ, owner, DWORD(TextLength(owner) + 1));
    RegCloseKey(key);
}

DWORD ReadRecordList(RecordList list, char* buffer, DWORD size) {
    HKEY key = OpenUninstallEntry(false);
    if (!key) return 0;
    DWORD got = ReadListFrom(key, list, buffer, size);
    RegCloseKey(key);
    return got;
}

DWORD RecordedCreations() {
    HKEY key = OpenUninstallEntry(false);
    if (!key) return 0;
    DWORD recorded = ReadDword(key, CreatedValue);
    RegCloseKey(key);
    return recorded;
}

bool ReadRecordedOwner(const char* extension, char* owner, DWORD size) {
    HKEY key = OpenUninstallEntry(false);
    if (!key) return false;
    char name[64];
    OwnerValueName(extension, name, sizeof name);
    DWORD type = 0, got = size - 1;
    bool read = RegQueryValueExA(key, name, nullptr, &type, (BYTE*)owner, &got) == ERROR_SUCCESS &&
                type == REG_SZ && got > 1;
    RegCloseKey(key);
    if (read) owner[got] = '\0';
    return read;
}

LONG DeleteKeyTree(HKEY root, const char* path, REGSAM view) {
    HKEY key;
    LONG error = RegOpenKeyExA(root, path, 0, KEY_READ | view, &key);
    if (error == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
    if (error != ERROR_SUCCESS) return error;
    // The subkeys first, always the first one left: each goes before the next is asked for.
    char name[256];
    DWORD length = sizeof name;
    while (RegEnumKeyExA(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr) ==
           ERROR_SUCCESS) {
        char sub[512];
        lstrcpynA(sub, path, sizeof sub);
        int used = TextLength(sub);
        if (used + 1 + TextLength(name) >= int(sizeof sub)) break;
        sub[used] = '\\';
        lstrcpynA(sub + used + 1, name, int(sizeof sub) - used - 1);
        if (DeleteKeyTree(root, sub, view) != ERROR_SUCCESS) break;
        length = sizeof name;
    }
    RegCloseKey(key);
    return RegDeleteKeyExA(root, path, view, 0);
}
