// Memory probe: runs a program once and reports the peak working set that the
// run reached. bench/install_20.sh calls it for each run of a pair.
// Usage: memory_probe.exe OUTFILE "command line"
// Writes "kib <peak in KiB> exit <exit code>" to OUTFILE (the Wine console
// rewrites stdout).
// Windows keeps a finished process's counters for as long as a handle is
// open; Wine forgets them when the process ends, so the peak is also sampled
// every millisecond while the process runs, and the larger reading counts.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>

#include "probe.h"

namespace {

SIZE_T PeakWorkingSet(HANDLE process) {
    PROCESS_MEMORY_COUNTERS counters;
    ZeroMemory(&counters, sizeof counters);
    counters.cb = sizeof counters;
    return GetProcessMemoryInfo(process, &counters, sizeof counters) ? counters.PeakWorkingSetSize
                                                                     : 0;
}

// The peak working set in KiB, or -1 when the program did not run.
double OneRun(const char* commandLine, DWORD* exitCode) {
    PROCESS_INFORMATION pi;
    if (!StartCommand(commandLine, &pi)) return -1;
    SIZE_T peak = 0;
    while (WaitForSingleObject(pi.hProcess, 1) == WAIT_TIMEOUT)
        peak = std::max(peak, PeakWorkingSet(pi.hProcess));
    peak = std::max(peak, PeakWorkingSet(pi.hProcess));
    GetExitCodeProcess(pi.hProcess, exitCode);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return double(peak) / 1024.0;
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    if (__argc < 3) return 2;
    DWORD exitCode = 0;
    double kib = OneRun(__argv[2], &exitCode);
    FILE* f = fopen(__argv[1], "w");
    if (!f) return 3;
    fprintf(f, "kib %.0f exit %lu\n", kib, exitCode);
    fclose(f);
    return kib > 0 ? 0 : 1;
}
