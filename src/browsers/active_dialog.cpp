#include "browsers/active_dialog.h"

#include "browsers/closing.h"
#include "browsers/detect.h"
#include "report/report.h"
#include "resources/resource.h"

namespace {

const UINT_PTR BrowserPollTimerId = 4387;
const UINT BrowserPollPeriodMs = 1000;
// Refresh lets the installation go on at this press while browsers still run.
const int RefreshPressesAllowed = 4;
const char NoticeText[] = "You must close your browser(s) to ensure successful installation!";
const char NoticeCaption[] = "Browsers detected";

const int DialogContinues = 1;
const int DialogCancelled = 2;

UINT_PTR BrowserPollTimer;
int RefreshRefusals;
bool NoticeShowing;

void PollTick(HWND dialog) {
    int running = CountRunningBrowsers(GetDlgItem(dialog, IDC_BROWSER_LIST));
    // Under the notice box the dialog stays; the next tick after it closes ends it.
    if (running == 0 && !NoticeShowing) EndDialog(dialog, DialogContinues);
}

void OnRefresh(HWND dialog) {
    if (CountRunningBrowsers(nullptr) == 0) {
        EndDialog(dialog, DialogContinues);
        return;
    }
    if (++RefreshRefusals >= RefreshPressesAllowed) {
        EndDialog(dialog, DialogContinues);
        return;
    }
    NoticeShowing = true;
    ShowBox(dialog, NoticeText, NoticeCaption, MB_OK);
    NoticeShowing = false;
}

} // namespace

INT_PTR CALLBACK ActiveBrowsersDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        BrowserPollTimer = SetTimer(dialog, BrowserPollTimerId, BrowserPollPeriodMs, nullptr);
        PollTick(dialog);
        return FALSE;
    case WM_TIMER:
        PollTick(dialog);
        return FALSE;
    case WM_DESTROY:
        if (BrowserPollTimer != 0) {
            KillTimer(dialog, BrowserPollTimer);
            BrowserPollTimer = 0;
        }
        return FALSE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            OnRefresh(dialog);
            return TRUE;
        case IDCANCEL:
            EndDialog(dialog, DialogCancelled);
            return TRUE;
        case IDC_TRY_CLOSE:
            if (CloseRunningBrowsers(GetDlgItem(dialog, IDC_BROWSER_LIST)) != 0) return FALSE;
            EndDialog(dialog, DialogContinues);
            return TRUE;
        default:
            return FALSE;
        }
    default:
        return FALSE;
    }
}
