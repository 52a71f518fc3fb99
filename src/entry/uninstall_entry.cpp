#include "entry/uninstall_entry.h"

#include <shlobj.h>

#include "base/text_length.h"
#include "process/state.h"

#include "base/file_system.h"
#include "base/path_rules.h"
#include "base/registry.h"
#include "entry/record_rules.h"
#include "report/report.h"
#include "resources/resource.h"

const char UninstallEntryKey[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Scorewave Viewer";

const char RemoverFileName[] = "ScorewaveRemove.exe";

namespace {

const char UserRecordKey[] = "Software\\Scorewave\\Viewer";

// The record's values, beside the entry's own.
const char* const ListValues[] = {"ScorewavePlugins", "ScorewaveFolders", "ScorewaveKeptFiles"};
const char CreatedValue[] = "ScorewaveCreated";
const char OwnerValuePrefix[] = "ScorewaveOwner";
char ListBuffer[RecordListBufferSize];

// The entry's own values that are not the installation's.
const char FirstIcon[] = ",0";
const char ProductPage[] = "http://www.scorewave-music.com/";
const DWORD KiB = 1024;

bool UserRecord;

void ReportLeftLink(const char* path) {
    ReportMessage(MSG_LEFT_REGISTRY_LINK, path);
}

// The record's key: the entry's, or the user's record in the per-user program.
const char* RecordKey() {
    return UserRecord ? UserRecordKey : UninstallEntryKey;
}

// Message 12 for the record's key, with the registry's reason.
void ReportRecordFailure(DWORD error) {
    SetLastError(error);
    ReportMessage(MSG_NO_REGISTRY_UPDATE, nullptr, RecordKey(), Preloaded(MSG_WINDOWS));
}

// The entry's key (or the user's record) for reading and writing values, made
// when `create`; null on failure (logged with message 12 when `create`).
HKEY OpenEntry(bool create) {
    HKEY key;
    HKEY root = UserRecord ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
    const REGSAM access = KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_WOW64_64KEY;
    LONG error = create ? CreateKey(root, RecordKey(), access, &key)
                        : RegOpenKeyExA(root, RecordKey(), 0, access, &key);
    if (error == ERROR_SUCCESS) return key;
    if (create) ReportRecordFailure(DWORD(error));
    return nullptr;
}

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
    if (error != ERROR_SUCCESS) ReportRecordFailure(DWORD(error));
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
    ScopedKey key(OpenEntry(add));
    if (!key.Valid()) return false;
    DWORD size = 0;
    DWORD error = ReadListFrom(key.Get(), list, ListBuffer, &size);
    size_t newSize = 0;
    bool changed = false;
    if (error == ERROR_SUCCESS && add && !MultiStringHolds(ListBuffer, size, path)) {
        changed = MultiStringAppend(ListBuffer, RecordListLimit, size, path, &newSize);
        if (!changed) error = ERROR_MORE_DATA;
    } else if (error == ERROR_SUCCESS && !add && size > 0) {
        changed = (newSize = MultiStringRemove(ListBuffer, size, path)) != size;
    }
    if (changed)
        SetRecordValue(key.Get(), ListValues[list], REG_MULTI_SZ, ListBuffer, DWORD(newSize));
    if (error != ERROR_SUCCESS) ReportRecordFailure(error);
    return changed;
}

// Sets and clears bits of what installations created; true when that changed.
bool UpdateCreated(DWORD set, DWORD clear) {
    ScopedKey key(OpenEntry(set != 0));
    if (!key.Valid()) return false;
    DWORD recorded = ReadDword(key.Get(), CreatedValue);
    DWORD updated = (recorded | set) & ~clear;
    if (updated != recorded)
        SetRecordValue(key.Get(), CreatedValue, REG_DWORD, &updated, sizeof updated);
    return updated != recorded;
}

void OwnerValueName(const char* extension, char* name, int size) {
    lstrcpynA(name, OwnerValuePrefix, size);
    int used = TextLength(name);
    lstrcpynA(name + used, extension, size - used);
}

// prefix, text and suffix, or nothing when they do not fit.
void Suffixed(char* out, int size, const char* prefix, const char* text, const char* suffix) {
    if (!CopyText(out, size, prefix) || !AppendText(out, size, text) ||
        !AppendText(out, size, suffix))
        out[0] = '\0';
}

void SetEstimatedSize(HKEY key, DWORD placedBytes) {
    SetDwordValue(key, "EstimatedSize", (placedBytes + KiB - 1) / KiB);
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
    ScopedKey key(OpenEntry(false));
    return key.Valid();
}

bool UninstallEntryShown() {
    ScopedKey key(OpenEntry(false));
    return key.Valid() && RegQueryValueExA(key.Get(), "DisplayName", nullptr, nullptr, nullptr,
                                           nullptr) == ERROR_SUCCESS;
}

void WriteUninstallEntry(const UninstallEntryValues& values) {
    ScopedKey key(OpenEntry(true));
    if (!key.Valid()) return;
    char text[2 * MAX_PATH];
    if (LoadStringA(ModuleHandle, MSG_DISPLAY_NAME, text, sizeof text) > 0)
        SetStringValue(key.Get(), "DisplayName", text);
    SetStringValue(key.Get(), "DisplayVersion", values.version);
    SetStringValue(key.Get(), "Publisher", values.publisher);
    Suffixed(text, sizeof text, "", values.remover, FirstIcon);
    SetStringValue(key.Get(), "DisplayIcon", text);
    SetStringValue(key.Get(), "InstallLocation", values.folder);
    Suffixed(text, sizeof text, "\"", values.remover, "\"");
    SetStringValue(key.Get(), "UninstallString", text);
    AppendText(text, sizeof text, " ");
    AppendText(text, sizeof text, QuietSwitch);
    SetStringValue(key.Get(), "QuietUninstallString", text);
    SetDwordValue(key.Get(), "NoModify", 1);
    SetDwordValue(key.Get(), "NoRepair", 1);
    SetStringValue(key.Get(), "URLInfoAbout", ProductPage);
    SYSTEMTIME today;
    GetLocalTime(&today);
    InstallDateText(today.wYear, today.wMonth, today.wDay, text, sizeof text);
    SetStringValue(key.Get(), "InstallDate", text);
    SetEstimatedSize(key.Get(), values.placedBytes);
}

void UpdateEstimatedSize(DWORD placedBytes) {
    ScopedKey key(OpenEntry(false));
    if (key.Valid()) SetEstimatedSize(key.Get(), placedBytes);
}

void DeleteUninstallEntry() {
    RegDeleteKeyExA(HKEY_LOCAL_MACHINE, UninstallEntryKey, KEY_WOW64_64KEY, 0);
}

void DeleteUninstallEntryTree() {
    DeleteKeyTree(HKEY_LOCAL_MACHINE, UninstallEntryKey, ReportLeftLink);
}

void DeleteUserRecord() {
    char parent[MAX_PATH];
    DeleteKeyTree(HKEY_CURRENT_USER, UserRecordKey, ReportLeftLink);
    if (ReplaceLastComponent(parent, sizeof parent, UserRecordKey, "", IsAnsiLeadByte))
        RegDeleteKeyA(HKEY_CURRENT_USER, parent);
}

void KeepRecordForUser() {
    UserRecord = true;
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
    DWORD size = DWORD(TextLength(owner) + 1);
    if (size > RecordOwnerLimit) {
        ReportRecordFailure(ERROR_MORE_DATA);
        return;
    }
    ScopedKey key(OpenEntry(true));
    if (!key.Valid()) return;
    char name[64];
    OwnerValueName(extension, name, sizeof name);
    // One already recorded stays, whatever its length.
    DWORD type = 0, stored = 0;
    if (RegQueryValueExA(key.Get(), name, nullptr, &type, nullptr, &stored) == ERROR_SUCCESS &&
        type == REG_SZ && stored > 1)
        return;
    SetRecordValue(key.Get(), name, REG_SZ, owner, size);
}

DWORD ReadRecordList(RecordList list, char* buffer, DWORD* size) {
    *size = 0;
    ScopedKey key(OpenEntry(false));
    if (!key.Valid()) return ERROR_FILE_NOT_FOUND;
    return ReadListFrom(key.Get(), list, buffer, size);
}

DWORD RecordedCreations() {
    ScopedKey key(OpenEntry(false));
    return key.Valid() ? ReadDword(key.Get(), CreatedValue) : 0;
}

bool ReadRecordedOwner(const char* extension, char* owner, DWORD size) {
    ScopedKey key(OpenEntry(false));
    if (!key.Valid()) return false;
    char name[64];
    OwnerValueName(extension, name, sizeof name);
    DWORD type = 0, got = 0;
    return ReadValueBytes(key.Get(), name, owner, size, &type, &got) == ERROR_SUCCESS &&
           type == REG_SZ && got > 1;
}
