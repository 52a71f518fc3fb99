// Entry point of ScorewaveUser.exe: "/logon" fills the user's own places,
// "/remove" takes the user's copies back; without either it does nothing.
#include <windows.h>

#include "base/system_library.h"
#include "entry/uninstall_entry.h"
#include "logon/active_setup_rules.h"
#include "process/state.h"
#include "report/report.h"
#include "sysinfo/winver.h"
#include "user/user_run.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    RestrictDllSearch();
    ModuleHandle = GetModuleHandleA(nullptr);
    LoadPreloadedStrings();
    // The log's heading names Windows; read once, for every heading of the run.
    static WindowsLineParts windows;
    if (ReadWindowsLineParts(&windows))
        SetWindowsLine(windows.edition, windows.facts.major, windows.facts.minor,
                       windows.facts.servicePack);
    // Logon waits for this program, and nobody is there to answer.
    AnswerUnseenBoxes(true);
    KeepRecordForUser();
    const char* line = GetCommandLineA();
    unsigned exitCode = HasSwitchWord(line, RemoveSwitch)  ? TakeBackUserCopies()
                        : HasSwitchWord(line, LogonSwitch) ? FillUserPlaces()
                                                           : ExitNotDone;
    ExitProcess(exitCode);
}

// The program's entry point, without the C runtime's start-up code, as the
// installer's (src/app/main.cpp).
extern "C" __attribute__((externally_visible)) void WINAPI WinMainCRTStartup() {
    ExitProcess(
        UINT(WinMain(GetModuleHandleA(nullptr), nullptr, GetCommandLineA(), SW_SHOWDEFAULT)));
}
