#include "base/system_library.h"

#include "base/text_length.h"

namespace {

typedef BOOL(WINAPI* SetDefaultDllDirectoriesFn)(DWORD);
typedef BOOL(WINAPI* SetDllDirectoryFn)(LPCSTR);
const DWORD SearchSystem32 = 0x00000800; // LOAD_LIBRARY_SEARCH_SYSTEM32

// Whether SetDefaultDllDirectories succeeded: the system then also knows the
// LOAD_LIBRARY_SEARCH_* flags of LoadLibraryEx.
bool SearchFlagsKnown;

// Where SetDefaultDllDirectories is missing (Vista; 7 without KB2533623), the
// system's own DLLs still load these by bare name when this program creates
// windows, themes them, uses COM, the common dialogs or the shell, reads
// version information or security descriptors: the search for such a name
// starts in the program's folder, a Downloads folder where anyone may have put
// a DLL of that name. Loaded first by full path from System32, each is already
// in the process when it is asked for by name, and the loader hands out that
// copy.
const char* const PreloadedSystemDlls[] = {
    "uxtheme.dll",                  // themed controls (common controls 6)
    "dwmapi.dll",                   // window frames, through uxtheme and user32
    "version.dll",                  // shell32 and comctl32 read version resources through it
    "cryptbase.dll", "sspicli.dll", // advapi32's own helpers on Windows 7
    "userenv.dll",   "profapi.dll", // shell32: profile folders
    "propsys.dll",   "oleacc.dll",  // the save dialog and the common controls
    "setupapi.dll",  "ntmarta.dll", // device and security-descriptor helpers
    "apphelp.dll",   "clbcatq.dll", // COM activation and compatibility checks
};

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
    if (!SearchFlagsKnown)
        for (const char* name : PreloadedSystemDlls)
            LoadSystemLibrary(name);
}

HMODULE LoadSystemLibrary(const char* fileName) {
    char path[MAX_PATH];
    UINT length = GetSystemDirectoryA(path, sizeof path);
    if (length == 0 || length >= sizeof path) return nullptr;
    int nameLength = TextLength(fileName);
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
