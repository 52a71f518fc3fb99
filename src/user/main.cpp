// Entry point of ScorewaveUser.exe: "/logon" fills the user's own places,
// "/remove" takes the user's copies back; without either it does nothing.
#include <windows.h>

#include "entry/uninstall_entry.h"
#include "logon/active_setup_rules.h"
#include "process/start.h"
#include "report/report.h"
#include "run/run_log.h"
#include "user/user_run.h"

namespace {

unsigned RunForUser(const char* commandLine) {
    NameWindowsInLog();
    // Logon waits for this program, and nobody is there to answer.
    AnswerUnseenBoxes(true);
    KeepRecordForUser();
    return HasSwitchWord(commandLine, RemoveSwitch)  ? TakeBackUserCopies()
           : HasSwitchWord(commandLine, LogonSwitch) ? FillUserPlaces()
                                                     : ExitNotDone;
}

} // namespace

// The per-user program's entry point (process/start.h), as the installer's.
extern "C" __attribute__((externally_visible)) void WINAPI WinMainCRTStartup() {
    RunProgram(TrustUserMountPoints, RunForUser);
}
