#include "process/system_library.h"

namespace {

typedef BOOL(WINAPI* SetDefaultDllDirectoriesFn)(DWORD);
typedef BOOL(WINAPI* SetDllDirectoryFn)(LPCSTR);
const DWORD SearchSystem32 = 0x00000800; // LOAD_LIBRARY_SEARCH_SYSTEM32

// Whether SetDefaultDllDirectories succeeded: the system then also knows the
// LOAD_LIBRARY_SEARCH_* flags of LoadLibraryEx.
bool SearchFlagsKnown;

} // namespace

void RestrictDllSearch() {
    // Looked up, not imported: systems before Windows 7 with KB2533623 lack it.
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    if (!kernel) return;
    SetDefaultDllDirectoriesFn setDefault =
        (SetDefaultDllDirectoriesFn)GetProcAddress(kernel, "SetDefaultDllDirectories");
    if (setDefault) SearchFlagsKnown = setDefault(SearchSystem32) != FALSE;
    // Also where the above is missing: drop the current folder from the search.
    SetDllDirectoryFn setDirectory = (SetDllDirectoryFn)GetProcAddress(kernel, "SetDllDirectoryA");
    if (setDirectory) setDirectory("");
}

HMODULE LoadSystemLibrary(const char* fileName) {
    char path[MAX_PATH];
    UINT length = GetSystemDirectoryA(path, sizeof path);
    if (length == 0 || length >= sizeof path) return nullptr;
    int nameLength = lstrlenA(fileName);
    if (int(length) + 1 + nameLength >= int(sizeof path)) return nullptr;
    path[length] = '\\';
    lstrcpynA(path + length + 1, fileName, int(sizeof path) - int(length) - 1);
    // The DLL's own imports are looked for in System32 only where the system
    // knows how; elsewhere beside the DLL, which is System32 too.
    return LoadLibraryExA(path, nullptr,
                          SearchFlagsKnown ? SearchSystem32 : LOAD_WITH_ALTERED_SEARCH_PATH);
}

FARPROC SystemFunction(const char* fileName, const char* functionName) {
    HMODULE dll = LoadSystemLibrary(fileName);
    return dll ? GetProcAddress(dll, functionName) : nullptr;
}
