// Entry point of ScorewaveRemove.exe: "/quiet" removes without a window or a
// box; otherwise the user is asked first, running browsers are dealt with as
// the installer does, and a closing box says what was removed.
#include <windows.h>

#include "browsers/active_dialog.h"
#include "browsers/detect.h"
#include "entry/uninstall_entry.h"
#include "process/dialog_class.h"
#include "process/start.h"
#include "process/state.h"
#include "remove/removal.h"
#include "remove/remove_rules.h"
#include "report/report.h"
#include "resources/resource.h"
#include "run/run_lock.h"
#include "run/run_log.h"

namespace {

const char QuietLogName[] = "ScorewaveRemove.log";
// The windowed run's log, for its closing box.
const int SummarySize = 4096;
char Summary[SummarySize];

unsigned RunRemoval() {
    // "/quiet" runs count as unseen, and wait for another run for a while only.
    RunLock lock(nullptr, BoxesUnseen());
    if (!lock.Held()) return ExitFailed;
    return RemovalExitCode(RemoveScorewave());
}

unsigned RunWindowed() {
    if (!UninstallEntryExists()) {
        ReportMessage(MSG_NOT_INSTALLED);
        return ExitFailed;
    }
    if (ReportMessage(MSG_REMOVE_QUESTION) != IDYES) return ExitFailed;
    RegisterDialogClass();
    SetLogBuffer(Summary, SummarySize);
    if (CountRunningBrowsers(nullptr) != 0 &&
        DialogBoxParamA(ModuleHandle, MAKEINTRESOURCEA(IDD_BROWSERS), nullptr, ActiveBrowsersDialog,
                        0) == IDCANCEL)
        return ExitFailed;
    unsigned exitCode = RunRemoval();
    SetLogBuffer(nullptr, 0);
    UINT closing = exitCode == ExitRemoved         ? MSG_REMOVAL_DONE
                   : exitCode == ExitRestartNeeded ? MSG_REMOVAL_AT_RESTART
                                                   : MSG_REMOVAL_INCOMPLETE;
    ReportMessage(closing, Summary);
    return exitCode;
}

unsigned Remove(const char* commandLine) {
    NameWindowsInLog();
    bool quiet = HasQuietSwitch(commandLine);
    AnswerUnseenBoxes(quiet);
    // Nobody watches a quiet removal: its log goes to a file.
    if (quiet && KeepLogIn(QuietLogName)) WriteLogHeader();
    return quiet ? RunRemoval() : RunWindowed();
}

} // namespace

// The remover's entry point (process/start.h), as the installer's.
extern "C" __attribute__((externally_visible)) void WINAPI WinMainCRTStartup() {
    RunProgram(RefuseUserMountPoints, Remove);
}
