// Start-up probe: starts two programs RUNS times each, interleaved in
// alternating order, and reports for each the median time from CreateProcess
// until a window of that process is visible.
// Usage: startup_probe.exe RUNS OUTFILE "command line A" "command line B"
// Writes "a_ms <median>" and "b_ms <median>" to OUTFILE (the Wine console
// rewrites stdout).
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "probe.h"

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

double OneRun(const char* commandLine) {
    PROCESS_INFORMATION pi;
    double t0 = NowMs();
    if (!StartCommand(commandLine, &pi)) return -1;
    Found f = {pi.dwProcessId, nullptr};
    double elapsed = -1;
    while (NowMs() - t0 < 20000) {
        EnumWindows(FindVisible, (LPARAM)&f);
        if (f.window) {
            elapsed = NowMs() - t0;
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

double Median(std::vector<double> values) {
    if (values.empty()) return -1;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    if (__argc < 5) return 2;
    int runs = std::max(1, atoi(__argv[1]));
    const char* commands[2] = {__argv[3], __argv[4]};
    std::vector<double> times[2];
    // Warm the file cache and the wineserver for both.
    OneRun(commands[0]);
    OneRun(commands[1]);
    for (int i = 0; i < runs; ++i) {
        for (int k = 0; k < 2; ++k) {
            int which = (i % 2) ? 1 - k : k;
            double t = OneRun(commands[which]);
            if (t >= 0) times[which].push_back(t);
        }
    }
    FILE* f = fopen(__argv[2], "w");
    if (!f) return 3;
    fprintf(f, "a_ms %.1f\nb_ms %.1f\n", Median(times[0]), Median(times[1]));
    fclose(f);
    return times[0].empty() || times[1].empty() ? 1 : 0;
}
