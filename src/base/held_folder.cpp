#include "base/held_folder.h"

#include <aclapi.h>
#include <sddl.h>
#include <winternl.h>

#include <cstring>

#include "base/file_system.h"
#include "base/folder_rules.h"

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

struct NativeCalls {
    bool tried;
    NtCreateFileFn createFile;
    NtFileInformationFn setInformation;
    NtFileInformationFn queryInformation;
    NtQueryDirectoryFileFn queryDirectory;
    RtlNtStatusToDosErrorFn toError;
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
    }
    return Native.createFile && Native.setInformation && Native.queryInformation &&
           Native.queryDirectory && Native.toError;
}

// The information classes and records of the native calls used here.
const ULONG FileDirectoryInformationClass = 1;
const ULONG FileBasicInformationClass = 4;
const ULONG FileStandardInformationClass = 5;
const ULONG FileRenameInformationClass = 10;
const ULONG FileDispositionInformationClass = 13;
const ULONG FileAttributeTagInformationClass = 35;
const NTSTATUS NoMoreFiles = NTSTATUS(0x80000006L);
const NTSTATUS AccessDenied = NTSTATUS(0xC0000022L);
const ULONG CaseInsensitive = 0x40; // OBJ_CASE_INSENSITIVE

struct BasicInformation {
    LARGE_INTEGER creationTime, lastAccessTime, lastWriteTime, changeTime; // 0: unchanged
    ULONG attributes;
};
struct StandardInformation {
    LARGE_INTEGER allocationSize, endOfFile;
    ULONG numberOfLinks;
    BOOLEAN deletePending;
    BOOLEAN directory;
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
    if (!IsPlainName(name, IsAnsiLeadByte)) return false;
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

// True when the two texts' first `count` UTF-16 units are the same.
bool SameUnits(const WCHAR* a, const WCHAR* b, int count) {
    for (int i = 0; i < count; ++i)
        if (a[i] != b[i]) return false;
    return true;
}

// What the folder's listing says of its entry `name`: some systems show a
// link there only (Wine's Unix links to folders), not on a handle to it.
bool ListedAsReparsePoint(HANDLE folder, UNICODE_STRING* name) {
    alignas(8) BYTE entry[sizeof(DirectoryInformation) + MAX_PATH * sizeof(WCHAR)];
    IO_STATUS_BLOCK io;
    return Native.queryDirectory(folder, nullptr, nullptr, nullptr, &io, entry, sizeof entry,
                                 FileDirectoryInformationClass, TRUE, name, TRUE) >= 0 &&
           (((const DirectoryInformation*)entry)->attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// The open file's owner is one whose reparse points are followed.
bool HasTrustedOwner(HANDLE handle) {
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR security = nullptr;
    if (GetSecurityInfo(handle, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr,
                        nullptr, nullptr, &security) != ERROR_SUCCESS)
        return false;
    char* text = nullptr;
    bool trusted = ConvertSidToStringSidA(owner, &text) && IsTrustedRedirectionOwner(text);
    if (text) LocalFree(text);
    LocalFree(security);
    return trusted;
}

// Each folder on the way is held without delete sharing while the next is
// opened inside it: nobody renames it, or puts another in its place, meanwhile.
const ACCESS_MASK WalkAccess =
    FILE_TRAVERSE | FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | READ_CONTROL | SYNCHRONIZE;
const ULONG WalkSharing = FILE_SHARE_READ | FILE_SHARE_WRITE;

// Opens the folder `name` inside parent. One on the way may be passed without
// being listed (the junctions Windows keeps for old folder names deny listing
// to everyone); the last one is listed.
NTSTATUS OpenFolderInside(HANDLE parent, UNICODE_STRING* name, ULONG options, bool last,
                          HANDLE* folder) {
    OBJECT_ATTRIBUTES object;
    InitializeObjectAttributes(&object, name, CaseInsensitive, parent, nullptr);
    options |= FILE_DIRECTORY_FILE | FILE_SYNCHRONOUS_IO_NONALERT;
    IO_STATUS_BLOCK io;
    *folder = nullptr;
    NTSTATUS status = Native.createFile(folder, WalkAccess, &object, &io, nullptr, 0, WalkSharing,
                                        FILE_OPEN, options, nullptr, 0);
    if (status == AccessDenied && !last)
        status = Native.createFile(folder, WalkAccess & ~DWORD(FILE_LIST_DIRECTORY), &object, &io,
                                   nullptr, 0, WalkSharing, FILE_OPEN, options, nullptr, 0);
    return status;
}

// Opens the folder `name` inside parent. A reparse point there is followed
// only when its owner is trusted; ERROR_REPARSE_POINT_ENCOUNTERED otherwise.
DWORD StepInto(HANDLE parent, const char* name, bool last, ScopedHandle& folder) {
    WCHAR wide[MAX_PATH];
    USHORT bytes = 0;
    if (!WideName(name, wide, MAX_PATH, &bytes)) return ERROR_INVALID_NAME;
    UNICODE_STRING text = {bytes, USHORT(bytes + sizeof(WCHAR)), wide};
    HANDLE handle;
    NTSTATUS status = OpenFolderInside(parent, &text, FILE_OPEN_REPARSE_POINT, last, &handle);
    if (status < 0) return ErrorOf(status);
    ScopedHandle found(handle);
    ULONG attributes = 0;
    if (!IsReparsePointByHandle(handle, &attributes) && !ListedAsReparsePoint(parent, &text)) {
        folder.Reset(found.Release());
        return ERROR_SUCCESS;
    }
    if (!HasTrustedOwner(handle)) return ERROR_REPARSE_POINT_ENCOUNTERED;
    // Followed, while the reparse point itself stays held.
    status = OpenFolderInside(parent, &text, 0, last, &handle);
    if (status < 0) return ErrorOf(status);
    folder.Reset(handle);
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
    size_t root = PathRootLength(full, IsAnsiLeadByte);
    if (root == 0) return ERROR_BAD_PATHNAME;
    // The root, as its name says: a drive, a SUBST or mapped drive, a share.
    char rootPath[MAX_PATH + 1];
    lstrcpynA(rootPath, full, int(root) + 1);
    if (rootPath[root - 1] != '\\') lstrcpynA(rootPath + root, "\\", 2);
    ScopedHandle current(CreateFileA(rootPath, WalkAccess, WalkSharing, nullptr, OPEN_EXISTING,
                                     FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    DWORD error = current.Valid() ? ERROR_SUCCESS : GetLastError();
    size_t at = root, start = 0, nameLength = 0;
    while (error == ERROR_SUCCESS && NextPathName(full, &at, &start, &nameLength, IsAnsiLeadByte)) {
        char name[MAX_PATH];
        lstrcpynA(name, full + start, int(nameLength) + 1);
        size_t next = at, nextStart, nextLength;
        bool last = !NextPathName(full, &next, &nextStart, &nextLength, IsAnsiLeadByte);
        ScopedHandle inside;
        error = StepInto(current.Get(), name, last, inside);
        current.Reset(inside.Release());
    }
    if (error == ERROR_REPARSE_POINT_ENCOUNTERED) {
        lstrcpynA(folder.path, full, int(start + nameLength) + 1);
        return error;
    }
    // A missing folder is a path to the file that does not exist.
    if (error == ERROR_FILE_NOT_FOUND) return ERROR_PATH_NOT_FOUND;
    if (error != ERROR_SUCCESS) return error;
    folder.handle.Reset(current.Release());
    lstrcpynA(folder.path, full, sizeof folder.path);
    return ERROR_SUCCESS;
}

void EnforceRedirectionTrust() {
    // PROCESS_MITIGATION_REDIRECTION_TRUST_POLICY: EnforceRedirectionTrust is
    // its first flag. Looked up: older systems lack the call, and systems
    // before Windows 10 21H2 the policy, which they refuse; either way the
    // folder walk above is what protects.
    typedef BOOL(WINAPI * SetProcessMitigationPolicyFn)(int, PVOID, SIZE_T);
    const int RedirectionTrustPolicy = 16;
    DWORD flags = 1;
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    SetProcessMitigationPolicyFn setPolicy =
        kernel ? (SetProcessMitigationPolicyFn)GetProcAddress(kernel, "SetProcessMitigationPolicy")
               : nullptr;
    if (setPolicy) setPolicy(RedirectionTrustPolicy, &flags, sizeof flags);
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

bool FileHasOtherNames(HANDLE file) {
    StandardInformation standard;
    IO_STATUS_BLOCK io;
    bool known = LoadNativeCalls() && Native.queryInformation(file, &io, &standard, sizeof standard,
                                                              FileStandardInformationClass) >= 0;
    return HasOtherNames(known, known ? standard.numberOfLinks : 0, known && standard.directory);
}

bool SetAttributesOf(HANDLE file, DWORD attributes) {
    if (FileHasOtherNames(file)) return false;
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
    if (FileHasOtherNames(file)) return ERROR_ACCESS_DENIED;
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
            // Twice MAX_PATH: a name of double-byte characters takes two bytes
            // each (three or four of UTF-8 are cut and so passed over).
            char name[2 * MAX_PATH];
            int units = int(entry->nameBytes / sizeof(WCHAR));
            // Without flags or a default character, as every code page takes
            // them (UTF-8 takes no others); exact when the name converts back.
            int length = units <= MAX_PATH
                             ? WideCharToMultiByte(CP_ACP, 0, entry->name, units, name,
                                                   sizeof name - 1, nullptr, nullptr)
                             : 0;
            WCHAR back[MAX_PATH];
            if (length > 0 &&
                MultiByteToWideChar(CP_ACP, 0, name, length, back, MAX_PATH) == units &&
                SameUnits(back, entry->name, units)) {
                name[length] = '\0';
                if (strcmp(name, ".") != 0 && strcmp(name, "..") != 0)
                    visit({name, entry->attributes, entry->changeTime.QuadPart}, context);
            }
            if (entry->nextEntryOffset == 0) break;
            at += entry->nextEntryOffset;
        }
    }
}
