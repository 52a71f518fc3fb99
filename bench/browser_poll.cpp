// One tick of the Active Browsers dialog: CountRunningBrowsers over 200
// top-level windows of 50 children each, against one bare walk over the same
// windows that reads each class name once, and against six separate searches
// (one per counted row, the plain way of counting).
// Usage: browser_poll.exe RUNS OUTFILE
// The windows live in a second process (this program started with --host), as
// a browser's windows do. Writes lines "<scenario> <measure> <median ms>" and
// "<scenario> count <n>" to OUTFILE (the Wine console rewrites stdout).
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "probe.h"

#include "browsers/browser_table_rules.cpp"
#include "browsers/detect.cpp"
#include "browsers/wildcard_rules.cpp"

namespace {

const int TopLevelWindows = 200;
const int ChildrenEach = 50;
const char PlainTopClass[] = "BenchFrame";
const char PlainChildClass[] = "BenchPane";
const char BrowserChildClass[] = "Chrome_WidgetWin_0";
const int SixSearchRuns = 3;

void RegisterPlain(const char* name) {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = name;
    RegisterClassA(&windowClass);
}

// The window host: makes the windows, says so, and keeps them until told.
int Host(const char* readyName, const char* quitName, bool withBrowser) {
    RegisterPlain(PlainTopClass);
    RegisterPlain(PlainChildClass);
    RegisterPlain(BrowserChildClass);
    HINSTANCE instance = GetModuleHandleA(nullptr);
    HWND last = nullptr, lastChild = nullptr;
    for (int t = 0; t < TopLevelWindows; ++t) {
        HWND top = CreateWindowExA(0, PlainTopClass, "bench", WS_OVERLAPPED, 0, 0, 100, 100,
                                   nullptr, nullptr, instance, nullptr);
        for (int c = 0; c < ChildrenEach; ++c) {
            bool browser = withBrowser && t == TopLevelWindows - 1 && c == ChildrenEach - 1;
            lastChild = CreateWindowExA(0, browser ? BrowserChildClass : PlainChildClass, "",
                                        WS_CHILD, 0, 0, 10, 10, top, nullptr, instance, nullptr);
        }
        last = top;
    }
    // The browser child is the very last window any walk reaches.
    const UINT keep = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE;
    SetWindowPos(last, HWND_BOTTOM, 0, 0, 0, 0, keep);
    SetWindowPos(lastChild, HWND_BOTTOM, 0, 0, 0, 0, keep);

    HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, readyName);
    HANDLE quit = OpenEventA(SYNCHRONIZE, FALSE, quitName);
    if (!ready || !quit) return 2;
    SetEvent(ready);
    for (;;) {
        DWORD woke = MsgWaitForMultipleObjects(1, &quit, FALSE, INFINITE, QS_ALLINPUT);
        if (woke == WAIT_OBJECT_0) break;
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&message);
    }
    return 0;
}

struct HostProcess {
    HANDLE process = nullptr;
    HANDLE quit = nullptr;
};

HostProcess StartHost(bool withBrowser) {
    static int serial = 0;
    ++serial;
    char readyName[64], quitName[64], line[MAX_PATH + 200], self[MAX_PATH];
    snprintf(readyName, sizeof readyName, "browser-poll-ready-%lu-%d", GetCurrentProcessId(),
             serial);
    snprintf(quitName, sizeof quitName, "browser-poll-quit-%lu-%d", GetCurrentProcessId(), serial);
    GetModuleFileNameA(nullptr, self, sizeof self);
    snprintf(line, sizeof line, "\"%s\" --host %s %s %d", self, readyName, quitName,
             withBrowser ? 1 : 0);
    HostProcess host;
    HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, readyName);
    host.quit = CreateEventA(nullptr, TRUE, FALSE, quitName);
    PROCESS_INFORMATION info;
    if (StartCommand(line, &info)) {
        CloseHandle(info.hThread);
        host.process = info.hProcess;
        HANDLE both[2] = {ready, host.process};
        if (WaitForMultipleObjects(2, both, FALSE, 120000) != WAIT_OBJECT_0) {
            CloseHandle(host.process);
            host.process = nullptr;
        }
    }
    CloseHandle(ready);
    return host;
}

void StopHost(HostProcess& host) {
    SetEvent(host.quit);
    if (host.process) {
        WaitForSingleObject(host.process, 60000);
        CloseHandle(host.process);
    }
    CloseHandle(host.quit);
}

// The baseline: every window visited once, its class name read once.
int BareVisited;

BOOL CALLBACK BareChild(HWND window, LPARAM) {
    char name[255];
    if (GetClassNameA(window, name, sizeof name) > 0) ++BareVisited;
    return TRUE;
}

BOOL CALLBACK BareTop(HWND window, LPARAM) {
    char name[255];
    if (GetClassNameA(window, name, sizeof name) > 0) ++BareVisited;
    EnumChildWindows(window, BareChild, 0);
    return TRUE;
}

int BareWalk() {
    BareVisited = 0;
    EnumWindows(BareTop, 0);
    return BareVisited;
}

int SixSearches() {
    int count = 0;
    for (int row = FirstCountedRow; row < BrowserRowCount; ++row)
        if (FindClassWindow(BrowserWindowTable[row].windowClass, false, nullptr)) ++count;
    return count;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

bool Measure(FILE* out, const char* scenario, bool withBrowser, int runs) {
    HostProcess host = StartHost(withBrowser);
    if (!host.process) return false;
    std::vector<double> bare, count, six;
    int counted = -1, sixCounted = -1, visited = 0;
    BareWalk(); // the first walk over fresh windows pays for warming caches
    // Interleaved, in alternating order, so that a slow moment of the machine
    // or a warm cache favours neither.
    for (int run = 0; run < runs; ++run) {
        double start = NowMs();
        if (run % 2)
            visited = BareWalk();
        else
            counted = CountRunningBrowsers(nullptr);
        double middle = NowMs();
        if (run % 2)
            counted = CountRunningBrowsers(nullptr);
        else
            visited = BareWalk();
        double end = NowMs();
        (run % 2 ? bare : count).push_back(middle - start);
        (run % 2 ? count : bare).push_back(end - middle);
        // The plain way takes six times as long; a few runs show it well enough.
        if (run < SixSearchRuns) {
            sixCounted = SixSearches();
            six.push_back(NowMs() - end);
        }
    }
    StopHost(host);
    fprintf(out, "%s windows %d\n", scenario, visited);
    fprintf(out, "%s count %d\n", scenario, counted);
    fprintf(out, "%s six_count %d\n", scenario, sixCounted);
    fprintf(out, "%s bare_ms %.3f\n", scenario, Median(bare));
    fprintf(out, "%s count_ms %.3f\n", scenario, Median(count));
    fprintf(out, "%s six_ms %.3f\n", scenario, Median(six));
    return true;
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    if (__argc >= 5 && strcmp(__argv[1], "--host") == 0)
        return Host(__argv[2], __argv[3], strcmp(__argv[4], "1") == 0);
    if (__argc < 3) return 2;
    int runs = std::max(1, atoi(__argv[1]));
    FILE* out = fopen(__argv[2], "w");
    if (!out) return 3;
    bool ok = Measure(out, "none", false, runs) && Measure(out, "one", true, runs);
    fclose(out);
    return ok ? 0 : 1;
}
