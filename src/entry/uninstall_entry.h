// The Programs and Features entry of Scorewave Viewer and, under it, the
// record of what installations did, which the remover acts on. Both live in
// HKLM's 64-bit view only, where no standard user can write: the remover runs
// elevated and trusts nothing else.
//
// Every change an installation makes is added to the record before it is made,
// so that whatever a killed run did is recorded; a later run adds to the record
// and never drops what an earlier run recorded.
#pragma once
#include <windows.h>

extern const char UninstallEntryKey[]; // under HKEY_LOCAL_MACHINE

// The per-user program keeps its own record, in the same format, under
// HKEY_CURRENT_USER\Software\Scorewave\Viewer instead (what it wrote into
// that user's places); the installer and the remover never read it. The
// routines that find, read and change the record then act on that record.
void KeepRecordForUser();

// Where the remover lives: ScorewaveRemove.exe in the Scorewave folder of the
// 64-bit Program Files folder, which no standard user can write. Both paths
// MAX_PATH bytes; false when they cannot be had.
extern const char RemoverFileName[];
bool RemoverPaths(char* folder, char* remover);

// What installations created, as bits of the record.
const DWORD CreatedFontFile = 0x1;
const DWORD CreatedFontValue = 0x2;
const DWORD CreatedMimeKey = 0x4;
const DWORD CreatedOpenCommand = 0x8;
const DWORD CreatedMimeDatabase = 0x1000; // the MIME database's "Content Type" key itself
// Per document type (its index in DocumentTypes): its extension key and its ProgID key.
inline DWORD CreatedExtensionKey(int type) {
    return 0x10u << type;
}
inline DWORD CreatedProgIdKey(int type) {
    return 0x100u << type;
}

enum RecordList {
    PluginPaths, // every plug-in file written
    MadeFolders, // every folder made
    KeptFiles,   // files of this product a running program held, to delete later (KeptFileText)
};

bool UninstallEntryExists();
// True when the entry is one Programs and Features shows (it has its
// DisplayName): an earlier installation's, not only the record of a run.
bool UninstallEntryShown();

// The entry's own values, as Programs and Features, winget and deployment
// tools read them.
struct UninstallEntryValues {
    const char* version;   // DisplayVersion
    const char* publisher; // Publisher
    const char* folder;    // InstallLocation, the remover's folder
    const char* remover;   // the remover, for the icon and the uninstall commands
    DWORD placedBytes;     // what the installation placed, for EstimatedSize
};
// Writes them into the entry, made when it is missing (a failure is logged
// with message 12).
void WriteUninstallEntry(const UninstallEntryValues& values);
// EstimatedSize again, of an entry that is there.
void UpdateEstimatedSize(DWORD placedBytes);
// Deletes the entry the installer has just made, with its record; the entry
// holds values only.
void DeleteUninstallEntry();
// The remover's: deletes the entry with everything under it (as DeleteKeyTree;
// a registry link is left, and the log says so).
void DeleteUninstallEntryTree();
// Deletes the per-user program's record with everything under it (as
// DeleteKeyTree), and the Scorewave key above it when nothing else is there.
void DeleteUserRecord();

// True when the path was not in the record before, so that a change that did
// not happen after all can be forgotten again. A list that cannot be read, or
// would grow past RecordListLimit, is left as it is, and that is logged.
bool RecordPath(RecordList list, const char* path);
void ForgetPath(RecordList list, const char* path);
// True when any of the bits was not recorded before.
bool RecordCreated(DWORD bits);
void ForgetCreated(DWORD bits);
// The most bytes a recorded owner takes, its zero included: a longer one is
// not recorded (and that is logged), and a buffer of RecordOwnerLimit + 1
// bytes reads any that is.
const DWORD RecordOwnerLimit = MAX_PATH;
// The ProgID an extension was taken from; one already recorded stays.
void RecordOwner(const char* extension, const char* owner);

// The list as recorded (a REG_MULTI_SZ in buffer, of RecordListBufferSize
// bytes, closed by two zeros whatever was stored) and its size in bytes, 0
// when there is none. ERROR_SUCCESS, ERROR_MORE_DATA for a list longer than
// RecordListLimit, ERROR_INVALID_DATA for a value of another type, or why the
// entry cannot be read: never an empty list in place of one not read.
DWORD ReadRecordList(RecordList list, char* buffer, DWORD* size);
DWORD RecordedCreations();
// The recorded owner of an extension; false when none is recorded.
bool ReadRecordedOwner(const char* extension, char* owner, DWORD size);
