// Start-up probe: starts a program N times and reports the median time from
// CreateProcess until a window of that process is visible.
// Usage: startup_probe.exe RUNS "command line"
// Prints: "median_ms <m> min_ms <a> max_ms <b>" to the file given by the
// environment variable PROBE_OUT (the Wine console rewrites stdout).
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

struct Found {
    DWORD pid;
    HWND window;
};

BOOL CALLBACK FindVisible(HWND w, LPARAM lp) {
    Found* f = (Found*)lp;
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    if (pid == f->pid && IsWindowVisible(w)) {
        f->window = w;
        return FALSE;
    }
    return TRUE;
}

double Now() {
    LARGE_INTEGER f, c;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&c);
    return 1000.0 * double(c.QuadPart) / double(f.QuadPart);
}

double OneRun(const char* commandLine) {
    STARTUPINFOA si;
    ZeroMemory(&si, sizeof si);
    si.cb = sizeof si;
    PROCESS_INFORMATION pi;
    char line[1024];
    snprintf(line, sizeof line, "%s", commandLine);
    double t0 = Now();
    if (!CreateProcessA(nullptr, line, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return -1;
    Found f = {pi.dwProcessId, nullptr};
    double elapsed = -1;
    while (Now() - t0 < 20000) {
        EnumWindows(FindVisible, (LPARAM)&f);
        if (f.window) {
            elapsed = Now() - t0;
            break;
        }
        if (WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0) break;
        Sleep(1);
    }
    if (f.window) PostMessageA(f.window, WM_COMMAND, IDCANCEL, 0);
    if (WaitForSingleObject(pi.hProcess, 5000) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 9);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return elapsed;
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    if (__argc < 3) return 2;
    int runs = atoi(__argv[1]);
    std::vector<double> times;
    OneRun(__argv[2]); // warm the file cache and the wineserver
    for (int i = 0; i < runs; ++i) {
        double t = OneRun(__argv[2]);
        if (t >= 0) times.push_back(t);
    }
    if (times.empty()) return 1;
    std::sort(times.begin(), times.end());
    const char* out = getenv("PROBE_OUT");
    FILE* f = out ? fopen(out, "w") : nullptr;
    if (!f) return 3;
    fprintf(f, "median_ms %.1f min_ms %.1f max_ms %.1f\n", times[times.size() / 2], times.front(),
            times.back());
    fclose(f);
    return 0;
}
