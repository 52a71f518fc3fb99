// The baseline of bench/install_20.sh: the least a program can do to put the
// plug-in into 20 folders, namely read its bytes once and write them into
// each target file.
// Usage: install_20.exe SOURCE TARGET...   (exit code 0 when all were written)
#include <windows.h>

#include <cstdlib>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    if (__argc < 3) return 2;
    HANDLE source = CreateFileA(__argv[1], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (source == INVALID_HANDLE_VALUE) return 2;
    DWORD size = GetFileSize(source, nullptr);
    BYTE* bytes = (BYTE*)HeapAlloc(GetProcessHeap(), 0, size ? size : 1);
    DWORD got = 0;
    BOOL read = bytes && ReadFile(source, bytes, size, &got, nullptr) && got == size;
    CloseHandle(source);
    if (!read) return 2;

    int failed = 0;
    for (int i = 2; i < __argc; ++i) {
        HANDLE target = CreateFileA(__argv[i], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
        DWORD written = 0;
        if (target == INVALID_HANDLE_VALUE || !WriteFile(target, bytes, size, &written, nullptr) ||
            written != size)
            ++failed;
        if (target != INVALID_HANDLE_VALUE) CloseHandle(target);
    }
    HeapFree(GetProcessHeap(), 0, bytes);
    return failed ? 1 : 0;
}
