#include "entry/uninstall_entry.h"

#include <shlobj.h>

#include "base/text_length.h"
#include "process/state.h"

#include "base/file_system.h"
#include "base/registry.h"
#include "base/path_rules.h"
#include "entry/record_rules.h"
#include "report/report.h"
#include "resources/resource.h"

const char UninstallEntryKey[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Scorewave Viewer";

const char UserRecordKey[] = "Software\\Scorewave\\Viewer";

const char RemoverFileName[] = "ScorewaveRemove.exe";

namespace {

// The record's values, beside the entry's own.
const char* const ListValues[] = {"ScorewavePlugins", "ScorewaveFolders", "ScorewaveKeptFiles"};
const char CreatedValue[] = "ScorewaveCreated";
const char OwnerValuePrefix[] = "ScorewaveOwner";
char ListBuffer[RecordListBufferSize];

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
    LONG error = SetValue(key, name, type, data, size);
    if (error == ERROR_SUCCESS) return;
    SetLastError(DWORD(error));
    ReportMessage(MSG_NO_REGISTRY_UPDATE, nullptr, UserRecord ? UserRecordKey : UninstallEntryKey,
                  Preloaded(MSG_WINDOWS));
}

// Reads the list into buffer (RecordListBufferSize bytes), at most
// RecordListLimit bytes of it, and closes it (CloseReadList).
DWORD ReadListFrom(HKEY key, RecordList list, char* buffer, DWORD* size) {
    DWORD type = 0, got = RecordListLimit;
    *size = 0;
    LONG error = RegQueryValueExA(key, ListValues[list], nullptr, &type, (BYTE*)buffer, &got);
    if (error == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
    if (error != ERROR_SUCCESS) return DWORD(error);
    if (type != REG_MULTI_SZ) return ERROR_INVALID_DATA;
    *size = DWORD(CloseReadList(buffer, got));
    return ERROR_SUCCESS;
}

// Adds the path to the list (true when it was not there) or takes it out. A
// list that cannot be read whole is never written over.
bool UpdateRecordList(RecordList list, const char* path, bool add) {
    HKEY key = OpenUninstallEntry(add);
    if (!key) return false;
    DWORD size = 0;
    DWORD error = ReadListFrom(key, list, ListBuffer, &size);
    size_t newSize = 0;
    bool changed = false;
    if (error == ERROR_SUCCESS && add && !MultiStringHolds(ListBuffer, size, path)) {
        changed = MultiStringAppend(ListBuffer, RecordListLimit, size, path, &newSize);
        if (!changed) error = ERROR_MORE_DATA;
    } else if (error == ERROR_SUCCESS && !add && size > 0) {
        changed = (newSize = MultiStringRemove(ListBuffer, size, path)) != size;
    }
    if (changed) SetRecordValue(key, ListValues[list], REG_MULTI_SZ, ListBuffer, DWORD(newSize));
    if (error != ERROR_SUCCESS) {
        SetLastError(error);
        ReportMessage(MSG_NO_REGISTRY_UPDATE, nullptr, UninstallEntryKey, Preloaded(MSG_WINDOWS));
    }
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
    LONG error =
        create ? CreateKey(root, path, access, &key) : RegOpenKeyExA(root, path, 0, access, &key);
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

DWORD ReadRecordList(RecordList list, char* buffer, DWORD* size) {
    *size = 0;
    HKEY key = OpenUninstallEntry(false);
    if (!key) return ERROR_FILE_NOT_FOUND;
    DWORD error = ReadListFrom(key, list, buffer, size);
    RegCloseKey(key);
    return error;
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
    DWORD type = 0, got = 0;
    bool read = ReadValueBytes(key, name, owner, size, &type, &got) == ERROR_SUCCESS &&
                type == REG_SZ && got > 1;
    RegCloseKey(key);
    return read;
}
