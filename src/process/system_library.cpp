#include "process/system_library.h"

namespace {

typedef BOOL(WINAPI* SetDefaultDllDirectoriesFn)(DWORD);
typedef BOOL(WINAPI* SetDllDirectoryFn)(LPCSTR);
const DWORD SearchSystem32 = 0x00000800; // LOAD_LIBRARY_SEARCH_SYSTEM32

} // namespace

void RestrictDllSearch() {
    // Looked up, not imported: systems before Windows 7 with KB2533623 lack it.
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    if (!kernel) return;
    SetDefaultDllDirectoriesFn setDefault =
        (SetDefaultDllDirectoriesFn)GetProcAddress(kernel, "SetDefaultDllDirectories");
    if (setDefault) setDefault(SearchSystem32);
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
    return LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

FARPROC SystemFunction(const char* fileName, const char* functionName) {
    HMODULE dll = LoadSystemLibrary(fileName);
    return dll ? GetProcAddress(dll, functionName) : nullptr;
}
