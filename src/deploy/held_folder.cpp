#include "deploy/held_folder.h"

#include <winternl.h>

#include <cstring>

#include "deploy/folder_rules.h"
#include "discovery/targets.h"

namespace {

// The native file calls, looked up in ntdll.dll (loaded in every process).
// They are what opens a file relative to a folder handle, and what renames a
// file through its handle on every system this program runs on: Wine's
// SetFileInformationByHandle does not rename, and Windows before Vista has no
// such call at all.
typedef NTSTATUS(NTAPI* NtCreateFileFn)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES, PIO_STATUS_BLOCK,
                                        PLARGE_INTEGER, ULONG, ULONG, ULONG, ULONG, PVOID, ULONG);
typedef NTSTATUS(NTAPI* NtFileInformationFn)(HANDLE, PIO_STATUS_BLOCK, PVOID, ULONG, ULONG);
typedef NTSTATUS(NTAPI* NtQueryDirectoryFileFn)(HANDLE, HANDLE, PVOID, PVOID, PIO_STATUS_BLOCK,
                                                PVOID, ULONG, ULONG, BOOLEAN, PUNICODE_STRING,
                                                BOOLEAN);
typedef ULONG(NTAPI* RtlNtStatusToDosErrorFn)(NTSTATUS);
// Vista and later; without it the folder's path is checked folder by folder only.
typedef DWORD(WINAPI* GetFinalPathNameByHandleFn)(HANDLE, LPSTR, DWORD, DWORD);

struct NativeCalls {
    bool tried;
    NtCreateFileFn createFile;
    NtFileInformationFn setInformation;
    NtFileInformationFn queryInformation;
    NtQueryDirectoryFileFn queryDirectory;
    RtlNtStatusToDosErrorFn toError;
    GetFinalPathNameByHandleFn finalPath;
};
NativeCalls Native;

bool LoadNativeCalls() {
    if (!Native.tried) {
        Native.tried = true;
        if (HMODULE ntdll = GetModuleHandleA("ntdll.dll")) {
            Native.createFile = (NtCreateFileFn)GetProcAddress(ntdll, "NtCreateFile");
            Native.setInformation =
                (NtFileInformationFn)GetProcAddress(ntdll, "NtSetInformationFile");
            Native.queryInformation =
                (NtFileInformationFn)GetProcAddress(ntdll, "NtQueryInformationFile");
            Native.queryDirectory =
                (NtQueryDirectoryFileFn)GetProcAddress(ntdll, "NtQueryDirectoryFile");
            Native.toError =
                (RtlNtStatusToDosErrorFn)GetProcAddress(ntdll, "RtlNtStatusToDosError");
        }
        if (HMODULE kernel = GetModuleHandleA("kernel32.dll"))
            Native.finalPath =
                (GetFinalPathNameByHandleFn)GetProcAddress(kernel, "GetFinalPathNameByHandleA");
    }
    return Native.createFile && Native.setInformation && Native.queryInformation &&
           Native.queryDirectory && Native.toError;
}

// The information classes and records of the native calls used here.
const ULONG FileDirectoryInformationClass = 1;
const ULONG FileBasicInformationClass = 4;
const ULONG FileRenameInformationClass = 10;
const ULONG FileDispositionInformationClass = 13;
const ULONG FileAttributeTagInformationClass = 35;
const NTSTATUS NoMoreFiles = NTSTATUS(0x80000006L);
const ULONG CaseInsensitive = 0x40; // OBJ_CASE_INSENSITIVE

struct BasicInformation {
    LARGE_INTEGER creationTime, lastAccessTime, lastWriteTime, changeTime; // 0: unchanged
    ULONG attributes;
};
struct RenameInformation {
    BOOLEAN replaceIfExists;
    HANDLE rootDirectory;
    ULONG nameBytes;
    WCHAR name[MAX_PATH];
};
struct DispositionInformation {
    BOOLEAN deleteFile;
};
struct AttributeTagInformation {
    ULONG attributes;
    ULONG reparseTag;
};
struct DirectoryInformation {
    ULONG nextEntryOffset;
    ULONG fileIndex;
    LARGE_INTEGER creationTime, lastAccessTime, lastWriteTime, changeTime, endOfFile,
        allocationSize;
    ULONG attributes;
    ULONG nameBytes;
    WCHAR name[1];
};

DWORD ErrorOf(NTSTATUS status) {
    return status >= 0 ? ERROR_SUCCESS : Native.toError(status);
}

// A plain name in UTF-16, as the native calls take it; false for a name that
// could leave the folder or does not convert exactly.
bool WideName(const char* name, WCHAR* wide, int wideSize, USHORT* bytes) {
    if (!IsPlainName(name)) return false;
    int units = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, name, -1, wide, wideSize);
    if (units <= 1) return false;
    *bytes = USHORT((units - 1) * sizeof(WCHAR));
    return true;
}

bool IsReparsePointByHandle(HANDLE handle, ULONG* attributes) {
    AttributeTagInformation tag = {0, 0};
    IO_STATUS_BLOCK io;
    if (Native.queryInformation(handle, &io, &tag, sizeof tag, FileAttributeTagInformationClass) <
        0)
        return true; // cannot be told: taken as one
    *attributes = tag.attributes;
    return (tag.attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

bool IsReparsePointByPath(const char* path, void*) {
    DWORD attributes = GetFileAttributesA(path);
    return attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// The folder handle leads where its path says, through no reparse point.
DWORD CheckFolder(HANDLE handle, const char* fullPath) {
    ULONG attributes = 0;
    if (IsReparsePointByHandle(handle, &attributes)) return ERROR_REPARSE_POINT_ENCOUNTERED;
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return ERROR_DIRECTORY;
    if (ReparsePointOnPath(fullPath, IsReparsePointByPath, nullptr, IsAnsiLeadByte))
        return ERROR_REPARSE_POINT_ENCOUNTERED;
    if (!Native.finalPath) return ERROR_SUCCESS;

    char expected[MAX_PATH], given[MAX_PATH], found[MAX_PATH + 8], final[MAX_PATH + 8];
    DWORD length = Native.finalPath(handle, found, sizeof found, FILE_NAME_NORMALIZED);
    if (length == 0) return GetLastError();
    if (length >= sizeof found) return ERROR_FILENAME_EXCED_RANGE;
    if (!NormaliseFinalPath(found, final, sizeof final, IsAnsiLeadByte))
        return ERROR_REPARSE_POINT_ENCOUNTERED;
    if (NormaliseFinalPath(fullPath, expected, sizeof expected, IsAnsiLeadByte) &&
        lstrcmpiA(expected, final) == 0)
        return ERROR_SUCCESS;
    // The path may hold short (8.3) names: compared again in their long form,
    // which reads every folder on the way and is therefore asked only here.
    length = GetLongPathNameA(fullPath, given, sizeof given);
    if (length == 0 || length >= sizeof given ||
        !NormaliseFinalPath(given, expected, sizeof expected, IsAnsiLeadByte) ||
        lstrcmpiA(expected, final) != 0)
        return ERROR_REPARSE_POINT_ENCOUNTERED;
    return ERROR_SUCCESS;
}

const ULONG NativeDispositions[] = {FILE_OPEN, FILE_CREATE, FILE_OPEN_IF, FILE_OVERWRITE_IF};

DWORD OpenNative(const HeldFolder& folder, const char* name, ACCESS_MASK access, ULONG share,
                 OpenDisposition disposition, ULONG options, ScopedHandle& out,
                 PSECURITY_DESCRIPTOR security = nullptr) {
    out.Reset(nullptr);
    if (!folder.handle.Valid() || !LoadNativeCalls()) return ERROR_INVALID_HANDLE;
    WCHAR wide[MAX_PATH];
    USHORT bytes = 0;
    if (!WideName(name, wide, MAX_PATH, &bytes)) return ERROR_INVALID_NAME;
    UNICODE_STRING text = {bytes, USHORT(bytes + sizeof(WCHAR)), wide};
    OBJECT_ATTRIBUTES object;
    InitializeObjectAttributes(&object, &text, CaseInsensitive, folder.handle.Get(), security);
    IO_STATUS_BLOCK io;
    HANDLE handle = nullptr;
    NTSTATUS status = Native.createFile(
        &handle, access | SYNCHRONIZE | FILE_READ_ATTRIBUTES, &object, &io, nullptr,
        FILE_ATTRIBUTE_NORMAL, share, NativeDispositions[disposition],
        options | FILE_SYNCHRONOUS_IO_NONALERT | FILE_OPEN_REPARSE_POINT, nullptr, 0);
    if (status < 0) return ErrorOf(status);
    out.Reset(handle);
    ULONG attributes = 0;
    if (IsReparsePointByHandle(handle, &attributes)) {
        out.Reset(nullptr);
        return ERROR_REPARSE_POINT_ENCOUNTERED;
    }
    return ERROR_SUCCESS;
}

} // namespace

DWORD HoldFolder(const char* folderPath, HeldFolder& folder) {
    folder.handle.Reset(nullptr);
    folder.path[0] = '\0';
    if (!LoadNativeCalls()) return ERROR_PROC_NOT_FOUND;
    char full[MAX_PATH];
    DWORD length = GetFullPathNameA(folderPath, sizeof full, full, nullptr);
    if (length == 0) return GetLastError();
    if (length >= sizeof full) return ERROR_FILENAME_EXCED_RANGE;
    // Held without delete sharing: nobody renames or replaces the folder until
    // it is let go. The reparse point itself is opened, never what it names.
    ScopedHandle handle(
        CreateFileA(full, FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!handle.Valid()) {
        // A missing folder is a path to the file that does not exist.
        DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND ? ERROR_PATH_NOT_FOUND : error;
    }
    DWORD error = CheckFolder(handle.Get(), full);
    if (error != ERROR_SUCCESS) return error;
    folder.handle.Reset(handle.Release());
    lstrcpynA(folder.path, full, sizeof folder.path);
    return ERROR_SUCCESS;
}

DWORD OpenInFolder(const HeldFolder& folder, const char* name, ACCESS_MASK access, DWORD share,
                   OpenDisposition disposition, ScopedHandle& file) {
    return OpenNative(folder, name, access, share, disposition, FILE_NON_DIRECTORY_FILE, file);
}

DWORD OpenFolderIn(const HeldFolder& folder, const char* name, ACCESS_MASK access,
                   OpenDisposition disposition, ScopedHandle& subfolder,
                   PSECURITY_DESCRIPTOR security) {
    return OpenNative(folder, name, access | FILE_LIST_DIRECTORY | FILE_TRAVERSE,
                      FILE_SHARE_READ | FILE_SHARE_WRITE, disposition, FILE_DIRECTORY_FILE,
                      subfolder, security);
}

DWORD MakeFolderIn(const char* parentPath, const char* name, OpenDisposition disposition,
                   PSECURITY_DESCRIPTOR security) {
    HeldFolder parent;
    ScopedHandle made;
    DWORD error = HoldFolder(parentPath, parent);
    return error != ERROR_SUCCESS ? error
                                  : OpenFolderIn(parent, name, 0, disposition, made, security);
}

DWORD DeleteEmptyFolder(const char* folderPath) {
    char parentPath[MAX_PATH];
    const char* name;
    if (!SplitFilePath(folderPath, parentPath, sizeof parentPath, &name, IsAnsiLeadByte))
        return ERROR_INVALID_NAME;
    HeldFolder parent;
    ScopedHandle folder;
    DWORD error = HoldFolder(parentPath, parent);
    if (error == ERROR_SUCCESS) error = OpenFolderIn(parent, name, DELETE, OpenExisting, folder);
    return error != ERROR_SUCCESS ? error : DeleteHeldFile(folder.Get());
}

DWORD RenameHeldFile(HANDLE file, const HeldFolder& folder, const char* newName, bool replace) {
    if (!folder.handle.Valid() || !LoadNativeCalls()) return ERROR_INVALID_HANDLE;
    RenameInformation rename;
    ZeroMemory(&rename, sizeof rename);
    USHORT bytes = 0;
    if (!WideName(newName, rename.name, MAX_PATH, &bytes)) return ERROR_INVALID_NAME;
    rename.replaceIfExists = replace;
    rename.rootDirectory = folder.handle.Get();
    rename.nameBytes = bytes;
    IO_STATUS_BLOCK io;
    return ErrorOf(
        Native.setInformation(file, &io, &rename, sizeof rename, FileRenameInformationClass));
}

DWORD AttributesOf(HANDLE file) {
    BasicInformation basic;
    IO_STATUS_BLOCK io;
    if (!LoadNativeCalls() ||
        Native.queryInformation(file, &io, &basic, sizeof basic, FileBasicInformationClass) < 0)
        return INVALID_FILE_ATTRIBUTES;
    return basic.attributes;
}

bool SetAttributesOf(HANDLE file, DWORD attributes) {
    BasicInformation basic;
    ZeroMemory(&basic, sizeof basic);
    // Zero would leave them as they are.
    basic.attributes = attributes ? attributes : FILE_ATTRIBUTE_NORMAL;
    IO_STATUS_BLOCK io;
    return LoadNativeCalls() &&
           Native.setInformation(file, &io, &basic, sizeof basic, FileBasicInformationClass) >= 0;
}

DWORD DeleteHeldFile(HANDLE file) {
    if (!LoadNativeCalls()) return ERROR_INVALID_HANDLE;
    DWORD attributes = AttributesOf(file);
    bool readOnly =
        attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
    if (readOnly) SetAttributesOf(file, attributes & ~DWORD(FILE_ATTRIBUTE_READONLY));
    DispositionInformation disposition = {TRUE};
    IO_STATUS_BLOCK io;
    DWORD error = ErrorOf(Native.setInformation(file, &io, &disposition, sizeof disposition,
                                                FileDispositionInformationClass));
    if (error != ERROR_SUCCESS && readOnly) SetAttributesOf(file, attributes);
    return error;
}

DWORD DeleteInFolder(const HeldFolder& folder, const char* name) {
    ScopedHandle file;
    DWORD error =
        OpenInFolder(folder, name, DELETE | FILE_WRITE_ATTRIBUTES,
                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OpenExisting, file);
    return error != ERROR_SUCCESS ? error : DeleteHeldFile(file.Get());
}

DWORD ForEachEntry(const HeldFolder& folder, void (*visit)(const FolderEntry&, void*),
                   void* context) {
    if (!folder.handle.Valid() || !LoadNativeCalls()) return ERROR_INVALID_HANDLE;
    alignas(8) static BYTE buffer[4096];
    for (BOOLEAN restart = TRUE;; restart = FALSE) {
        IO_STATUS_BLOCK io;
        NTSTATUS status = Native.queryDirectory(
            folder.handle.Get(), nullptr, nullptr, nullptr, &io, buffer, sizeof buffer,
            FileDirectoryInformationClass, FALSE, nullptr, restart);
        if (status == NoMoreFiles) return ERROR_SUCCESS;
        if (status < 0) return ErrorOf(status);
        for (ULONG at = 0;;) {
            const DirectoryInformation* entry = (const DirectoryInformation*)(buffer + at);
            // Twice MAX_PATH: a name of double-byte characters takes two bytes each.
            char name[2 * MAX_PATH];
            BOOL inexact = FALSE;
            int length = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, entry->name,
                                             int(entry->nameBytes / sizeof(WCHAR)), name,
                                             sizeof name - 1, nullptr, &inexact);
            if (length > 0 && !inexact) {
                name[length] = '\0';
                if (strcmp(name, ".") != 0 && strcmp(name, "..") != 0)
                    visit({name, entry->attributes, entry->changeTime.QuadPart}, context);
            }
            if (entry->nextEntryOffset == 0) break;
            at += entry->nextEntryOffset;
        }
    }
}
