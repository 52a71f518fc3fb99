#include "app/browse.h"

#include <commdlg.h>

#include "base/file_system.h"
#include "base/system_library.h"
#include "process/state.h"
#include "replace/replace.h"
#include "report/report.h"
#include "resources/resource.h"
#include "run/run_lock.h"
#include "sysinfo/winver.h"

namespace {

const char ChosenBrowser[] = "chosen browser";
// Two pairs (display, pattern), ending in an empty pair; the first display
// text is also the name the dialog starts with.
const char Filter[] = "npscorew.dll\0npscorew.dll\0All (*.*)\0*.*\0";
const DWORD OldDialogSize = 136; // the layout without the last three fields
static_assert(sizeof(OPENFILENAMEA) == 152, "the full 64-bit save-dialog layout");

OPENFILENAMEA SaveDialog;
char ChosenPath[MAX_PATH];
char InitialFolder[MAX_PATH];
char DialogTitle[260];

// comdlg32.dll is not imported: loaded at start, it would pull in the common
// controls and their theming, a large part of the start-up time of every run.
typedef BOOL(WINAPI* GetSaveFileNameFn)(LPOPENFILENAMEA);

DWORD DialogStructSize() {
    OSVERSIONINFOA version;
    if (!ReadWindowsVersion(&version)) return OldDialogSize;
    bool win9x = version.dwPlatformId != VER_PLATFORM_WIN32_NT;
    bool oldMajor = version.dwMajorVersion <= 4;
    return (win9x || oldMajor) ? OldDialogSize : DWORD(sizeof(OPENFILENAMEA));
}

} // namespace

void BrowseForPluginFolder(HWND owner) {
    ZeroMemory(&SaveDialog, sizeof SaveDialog);
    lstrcpynA(ChosenPath, Filter, sizeof ChosenPath);
    ProgramFilesFolder(InitialFolder);
    if (LoadStringA(ModuleHandle, MSG_CHOOSE_FOLDER, DialogTitle, sizeof DialogTitle) <= 0)
        DialogTitle[0] = '\0';

    SaveDialog.lStructSize = DialogStructSize();
    SaveDialog.hwndOwner = owner;
    SaveDialog.hInstance = ModuleHandle;
    SaveDialog.lpstrFilter = Filter;
    SaveDialog.nFilterIndex = 0;
    SaveDialog.lpstrFile = ChosenPath;
    SaveDialog.nMaxFile = sizeof ChosenPath;
    SaveDialog.lpstrInitialDir = InitialFolder;
    SaveDialog.lpstrTitle = DialogTitle;
    SaveDialog.Flags = OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST | OFN_EXPLORER;
    SaveDialog.lpstrDefExt = "dll";

    // Without the system's dialog, as after a cancel: nothing is written.
    GetSaveFileNameFn getSaveFileName =
        (GetSaveFileNameFn)SystemFunction(Comdlg32Library, "GetSaveFileNameA");
    if (!getSaveFileName || !getSaveFileName(&SaveDialog)) return;
    RunLock lock(owner, BoxesUnseen());
    if (!lock.Held()) return;
    if (InstallPayloadFile(false, ChosenPath, ChosenBrowser) == DeployWritten)
        ReportMessage(MSG_COPIED_PLUGIN, ChosenPath);
}
