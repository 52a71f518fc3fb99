// Entry point: the silent road and the windowed road.
#include <windows.h>
#include <ole2.h>

#include "app/desktop_shell.h"
#include "app/main_window.h"
#include "app/switch_rules.h"
#include "base/held_folder.h"
#include "base/system_library.h"
#include "install/driver.h"
#include "process/dialog_class.h"
#include "process/state.h"
#include "report/report.h"
#include "resources/resource.h"
#include "run/run_log.h"
#include "sysinfo/winver.h"

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

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    RestrictDllSearch();
    EnforceRedirectionTrust();
    // Without OLE the page after the installation is not asked of the desktop shell.
    OleReady = SUCCEEDED(OleInitialize(nullptr));
    LoadPreloadedStrings();
    // The log's heading names Windows; read once, for every heading of the run.
    static WindowsLineParts windows;
    if (ReadWindowsLineParts(&windows))
        SetWindowsLine(windows.edition, windows.facts.major, windows.facts.minor,
                       windows.facts.servicePack);

    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);

    ModuleHandle = GetModuleHandleA(nullptr);
    AnswerUnseenBoxes(false);

    Switches switches = ScanSwitches(GetCommandLineA());
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
    ExitProcess(exitCode);
}

// The program's entry point. The C runtime's start-up code is not linked: the
// program has no static constructors and reads its command line itself, and
// leaving it out keeps the executable small. Visible to the linker although the
// whole program is optimised as one unit, which drops every other global name.
extern "C" __attribute__((externally_visible)) void WINAPI WinMainCRTStartup() {
    ExitProcess(
        UINT(WinMain(GetModuleHandleA(nullptr), nullptr, GetCommandLineA(), SW_SHOWDEFAULT)));
}
