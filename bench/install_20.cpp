// The baselines of bench/install_20.sh: the least a program can do to put the
// plug-in into 20 folders, and to take it out again.
// Usage: install_20.exe SOURCE TARGET...        writes the bytes into each target
//        install_20.exe /safe SOURCE TARGET...  writes each under a temporary
//                        name in its folder, flushes it, renames it into place
//        install_20.exe /delete TARGET...       deletes each target
// Exit code 0 when every target was done.
#include <windows.h>

#include <cstdlib>
#include <cstring>

namespace {

bool WriteWhole(const char* path, const BYTE* bytes, DWORD size, bool flush) {
    HANDLE target =
        CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (target == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    bool done = WriteFile(target, bytes, size, &written, nullptr) && written == size &&
                (!flush || FlushFileBuffers(target));
    CloseHandle(target);
    return done;
}

// The temporary file beside the target, under the installer's name pattern.
bool WriteAndRename(const char* path, const BYTE* bytes, DWORD size) {
    char temporary[MAX_PATH];
    lstrcpynA(temporary, path, MAX_PATH);
    char* name = strrchr(temporary, '\\');
    if (!name || (name - temporary) + 14 >= MAX_PATH) return false;
    lstrcpyA(name + 1, "~scw0001.tmp");
    return WriteWhole(temporary, bytes, size, true) &&
           MoveFileExA(temporary, path, MOVEFILE_REPLACE_EXISTING);
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    int first = 1;
    bool safe = false;
    if (__argc > 1 && !strcmp(__argv[1], "/delete")) {
        int failed = 0;
        for (int i = 2; i < __argc; ++i)
            if (!DeleteFileA(__argv[i])) ++failed;
        return failed ? 1 : 0;
    }
    if (__argc > 1 && !strcmp(__argv[1], "/safe")) {
        safe = true;
        first = 2;
    }
    if (__argc < first + 2) return 2;
    HANDLE source = CreateFileA(__argv[first], GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (source == INVALID_HANDLE_VALUE) return 2;
    DWORD size = GetFileSize(source, nullptr);
    BYTE* bytes = (BYTE*)HeapAlloc(GetProcessHeap(), 0, size ? size : 1);
    DWORD got = 0;
    BOOL read = bytes && ReadFile(source, bytes, size, &got, nullptr) && got == size;
    CloseHandle(source);
    if (!read) return 2;

    int failed = 0;
    for (int i = first + 1; i < __argc; ++i)
        if (!(safe ? WriteAndRename(__argv[i], bytes, size)
                   : WriteWhole(__argv[i], bytes, size, false)))
            ++failed;
    HeapFree(GetProcessHeap(), 0, bytes);
    return failed ? 1 : 0;
}
