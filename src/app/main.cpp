// Entry point: the silent road and the windowed road.
#include <windows.h>
#include <ole2.h>

#include "app/desktop_shell.h"
#include "app/main_window.h"
#include "app/switch_rules.h"
#include "install/driver.h"
#include "process/dialog_class.h"
#include "process/start.h"
#include "process/state.h"
#include "report/report.h"
#include "resources/resource.h"
#include "run/run_log.h"

bool SilentMode = false;
bool SkipLicense = false;

namespace {

const char SilentLogName[] = "ScorewaveSetup.log";
const UINT ExitInstalled = 0;
const UINT ExitNotInstalled = 1;

UINT RunWindowed(int showState) {
    RegisterDialogClass();
    MainWindowHandle =
        CreateDialogParamA(ModuleHandle, MAKEINTRESOURCEA(IDD_MAIN), nullptr, MainWindowProc, 0);
    // Without a window there is nothing to wait for: end as a run that installed nothing.
    if (!MainWindowHandle) return ExitNotInstalled;
    ShowWindow(MainWindowHandle, showState);

    MSG msg;
    BOOL got;
    while ((got = GetMessageA(&msg, nullptr, 0, 0)) != 0) {
        if (got == -1) return ExitNotInstalled;
        if (!MainWindowHandle || !IsDialogMessageA(MainWindowHandle, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    return UINT(msg.wParam);
}

unsigned Install(const char* commandLine) {
    // Without OLE the page after the installation is not asked of the desktop shell.
    OleReady = SUCCEEDED(OleInitialize(nullptr));
    NameWindowsInLog();

    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);

    AnswerUnseenBoxes(false);

    Switches switches = ScanSwitches(commandLine);
    SilentMode = switches.silent;
    SkipLicense = switches.skipLicense;

    UINT exitCode;
    if (SilentMode) {
        // Nobody watches: the log goes to a file.
        KeepLogIn(SilentLogName);
        WriteLogHeader();
        exitCode = InstallDriver() ? ExitInstalled : ExitNotInstalled;
    } else {
        int showState =
            (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : SW_SHOWNORMAL;
        exitCode = RunWindowed(showState);
    }

    if (OleReady) OleUninitialize();
    return exitCode;
}

} // namespace

// The installer's entry point (process/start.h). Visible to the linker although
// the whole program is optimised as one unit, which drops every other global
// name.
extern "C" __attribute__((externally_visible)) void WINAPI WinMainCRTStartup() {
    RunProgram(RefuseUserMountPoints, Install);
}
