#include "base/file_system.h"

#include <windows.h>
#include <shlobj.h>

#include "base/heap.h"
#include "base/path_rules.h"
#include "base/image_rules.h"
#include "base/registry.h"
#include "base/system_library.h"
#include "base/text_length.h"

namespace {

const char CurrentVersionKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
const char ProgramFilesValue[] = "ProgramFilesDir";
const char DefaultProgramFiles[] = "C:\\Program Files";
const int ProgramFilesSize = 260;
// Full paths are compared only when each fits in this many bytes with its zero.
const DWORD ComparablePathSize = 260;
// Functions of shell32.dll, which is not imported (see SystemFunction).
typedef HRESULT(WINAPI* SHGetSpecialFolderLocationFn)(HWND, int, LPITEMIDLIST*);
typedef BOOL(WINAPI* SHGetPathFromIDListFn)(LPCITEMIDLIST, LPSTR);
typedef HRESULT(WINAPI* SHGetMallocFn)(IMalloc**);

bool IsExistingFile(const char* path, void*) {
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The full path of path, in its short form where the file system has one.
bool ComparableForm(const char* path, char* out, DWORD outSize) {
    DWORD length = GetFullPathNameA(path, outSize, out, nullptr);
    if (length == 0 || length >= outSize) return false;
    char shortForm[ScratchPathSize];
    DWORD shortLength = GetShortPathNameA(out, shortForm, sizeof shortForm);
    if (shortLength > 0 && shortLength < sizeof shortForm) lstrcpynA(out, shortForm, int(outSize));
    return true;
}

} // namespace

bool IsAnsiLeadByte(unsigned char byte) {
    return IsDBCSLeadByte(byte) != FALSE;
}

bool FolderExists(const char* path) {
    if (!path || !path[0]) return false;
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void ProgramFilesFolder(char* buffer) {
    char text[ScratchPathSize];
    if (ReadRegistryTextAt(HKEY_LOCAL_MACHINE, CurrentVersionKey, KEY_READ, ProgramFilesValue, text,
                           sizeof text) == RegistryTextRead &&
        CopyText(buffer, ProgramFilesSize, text))
        return;
    lstrcpynA(buffer, DefaultProgramFiles, ProgramFilesSize);
}

int SamePath(const char* a, const char* b) {
    // An empty path never names the same folder as anything.
    if (!a || !b || !a[0] || !b[0]) return 1;
    DWORD needA = GetFullPathNameA(a, 0, nullptr, nullptr);
    DWORD needB = GetFullPathNameA(b, 0, nullptr, nullptr);
    if (needA > 0 && needA < ComparablePathSize && needB > 0 && needB < ComparablePathSize) {
        char fullA[ScratchPathSize], fullB[ScratchPathSize];
        if (ComparableForm(a, fullA, sizeof fullA) && ComparableForm(b, fullB, sizeof fullB))
            return lstrcmpiA(fullA, fullB);
    }
    return lstrcmpiA(a, b);
}

int SpecialFolderPath(int csidl, char* buffer, int size) {
    if (size <= 0) return 0;
    buffer[0] = '\0';
    SHGetSpecialFolderLocationFn getLocation =
        (SHGetSpecialFolderLocationFn)SystemFunction(Shell32Library, "SHGetSpecialFolderLocation");
    SHGetPathFromIDListFn getPath =
        (SHGetPathFromIDListFn)SystemFunction(Shell32Library, "SHGetPathFromIDListA");
    SHGetMallocFn getMalloc = (SHGetMallocFn)SystemFunction(Shell32Library, "SHGetMalloc");
    if (!getLocation || !getPath || !getMalloc) return 0;
    LPITEMIDLIST items = nullptr;
    if (FAILED(getLocation(nullptr, csidl, &items)) || !items) return 0;
    char path[MAX_PATH];
    if (!getPath(items, path)) path[0] = '\0';
    IMalloc* allocator = nullptr;
    if (SUCCEEDED(getMalloc(&allocator)) && allocator) {
        allocator->Free(items);
        allocator->Release();
    }
    path[MAX_PATH - 1] = '\0';
    return CopyText(buffer, size, path) ? TextLength(buffer) : 0;
}

bool FindFileUpward(char* folder, int folderSize, const char* fileName) {
    return FindFileUpwardWith(folder, folderSize, fileName, IsExistingFile, nullptr,
                              IsAnsiLeadByte);
}

bool Is64BitExecutable(const char* path) {
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    bool result = false;
    BYTE* head = (BYTE*)HeapBytes(ProgramHeadSize);
    if (head) {
        DWORD read = 0;
        if (ReadFile(file, head, ProgramHeadSize - 1, &read, nullptr))
            result = IsPe64Image(head, read);
        FreeHeapBytes(head);
    }
    CloseHandle(file);
    return result;
}
