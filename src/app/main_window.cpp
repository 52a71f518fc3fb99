#include "app/main_window.h"

#include "app/browse.h"
#include "app/desktop_shell.h"
#include "base/heap.h"
#include "base/text_length.h"
#include "browsers/active_dialog.h"
#include "browsers/detect.h"
#include "carried/carried.h"
#include "install/driver.h"
#include "process/state.h"
#include "report/report.h"
#include "resources/resource.h"

namespace {

// Palette-relative pale cream.
const COLORREF BackgroundColour = 0x02CFF5F4;
const COLORREF PictureInk = RGB(22, 59, 96);
const int LogMinWidthInBaseUnits = 40;
const int ReturnCaptionLimit = 100;
const int ReturnButtonPadding = 10;
const int MaxLicenseBytes = 32767;
const DWORD CopyHighlightMs = 500;
const char PostInstallPage[] = "http://www.scorewave-music.com/docs/installed.asp?pkg=viewer";

HBRUSH BackgroundBrush;
bool ReturnMode;

// The control's window rectangle in the dialog's client coordinates.
HWND ControlRect(HWND dialog, int id, RECT* rect) {
    HWND control = GetDlgItem(dialog, id);
    if (!control) return nullptr;
    GetWindowRect(control, rect);
    MapWindowPoints(HWND_DESKTOP, dialog, (POINT*)rect, 2);
    return control;
}

void MoveControl(HWND dialog, int id, int dx, int dy) {
    RECT r;
    HWND control = ControlRect(dialog, id, &r);
    if (!control) return;
    SetWindowPos(control, nullptr, r.left + dx, r.top + dy, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void ShowControl(HWND dialog, int id, int showCommand, BOOL enable) {
    HWND control = GetDlgItem(dialog, id);
    if (!control) return;
    ShowWindow(control, showCommand);
    EnableWindow(control, enable);
}

void CaptionFromCatalogue(HWND dialog, int id, UINT textId) {
    char text[260];
    if (LoadStringA(ModuleHandle, textId, text, sizeof text) <= 0) text[0] = '\0';
    SetDlgItemTextA(dialog, id, text);
}

// Fits the log box to the real height of the side picture and moves its right
// edge out by as much as the box falls short of 40 base units, growing the
// window to the left and upwards.
void LayOut(HWND dialog) {
    int bux = LOWORD(GetDialogBaseUnits());
    RECT p, e;
    if (!ControlRect(dialog, IDC_PICTURE, &p) || !ControlRect(dialog, IDC_INSTALL_LOG, &e)) return;

    MoveControl(dialog, IDC_STATUS, p.right - e.left, 0);
    int extra = LogMinWidthInBaseUnits * bux - (e.right - e.left);
    if (extra < 0) extra = 0;
    int dy = p.bottom - e.bottom;

    MoveWindow(GetDlgItem(dialog, IDC_INSTALL_LOG), p.right - 1, p.top,
               e.right + extra - p.right + 1, p.bottom - p.top, FALSE);
    RECT g;
    if (HWND group = ControlRect(dialog, IDC_GROUP, &g)) {
        MoveWindow(group, p.left - 4, g.top, (e.right + extra + 4) - (p.left - 4),
                   (p.bottom + 4) - g.top, FALSE);
    }
    if (dy != 0) {
        MoveControl(dialog, IDC_AGREE, 0, dy);
        MoveControl(dialog, IDCANCEL, 0, dy);
        MoveControl(dialog, IDOK, 0, dy);
    } else if (extra == 0) {
        return;
    }
    MoveControl(dialog, IDC_COPY_LOG, extra, dy);
    MoveControl(dialog, IDC_BROWSE, extra, dy);

    RECT w;
    GetWindowRect(dialog, &w);
    w.left -= extra;
    if (w.left < 0) {
        w.right -= w.left;
        w.left = 0;
    }
    w.top -= dy;
    if (w.top < 0) {
        w.bottom -= w.top;
        w.top = 0;
    }
    MoveWindow(dialog, w.left, w.top, w.right - w.left, w.bottom - w.top, FALSE);
}

void ShowLicense(HWND dialog) {
    PayloadItem license = {};
    license.resourceType = RT_LICENSE;
    license.resourceName = RES_LICENSE;
    if (!LoadPayloadData(license) || license.size > MaxLicenseBytes) return;
    DWORD size = license.size;
    const char* bytes = (const char*)license.data;
    // The resource carries no terminating zero: copy it into a terminated text.
    char* text = (char*)HeapBytes(size + 1);
    if (!text) return;
    CopyMemory(text, bytes, size);
    text[size] = '\0';
    HWND log = GetDlgItem(dialog, IDC_INSTALL_LOG);
    SetWindowTextA(log, text);
    FreeHeapBytes(text);
    PostMessageA(log, EM_SETSEL, (WPARAM)-1, 0);
    // The focus the dialog manager gives the box selects all of it, and some edit
    // controls scroll to that selection's end: the reader starts at the top.
    PostMessageA(log, WM_VSCROLL, SB_TOP, 0);
}

void OnInitDialog(HWND dialog) {
    BackgroundBrush = CreateSolidBrush(BackgroundColour);
    LayOut(dialog);
    // The log must never refuse a line: lift the edit control's default limit.
    SendDlgItemMessageA(dialog, IDC_INSTALL_LOG, EM_LIMITTEXT, 0, 0);

    if (HMENU menu = GetSystemMenu(dialog, FALSE)) {
        AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
        AppendMenuA(menu, MF_STRING, IDM_ABOUT, "About Scorewave Installer");
    }
    if (SkipLicense)
        PostMessageA(dialog, WM_COMMAND, IDC_AGREE, 0);
    else
        ShowLicense(dialog);
}

// Sizes button 1 to its "Return" caption, measured in the button's own font.
void MakeReturnButton(HWND dialog) {
    HWND button = GetDlgItem(dialog, IDOK);
    if (!button) return;
    HFONT font = (HFONT)SendMessageA(button, WM_GETFONT, 0, 0);
    RECT r;
    GetWindowRect(button, &r);
    if (!font) return;
    char caption[ReturnCaptionLimit];
    if (LoadStringA(ModuleHandle, MSG_RETURN, caption, sizeof caption) <= 0) caption[0] = '\0';
    SIZE extent = {0, 0};
    if (HDC dc = GetDC(dialog)) {
        HGDIOBJ previous = SelectObject(dc, font);
        GetTextExtentPoint32A(dc, caption, TextLength(caption), &extent);
        SelectObject(dc, previous);
        ReleaseDC(dialog, dc);
    }
    SetWindowPos(button, nullptr, 0, 0, extent.cx + ReturnButtonPadding, r.bottom - r.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    SetDlgItemTextA(dialog, IDOK, caption);
    ReturnMode = true;
}

void OnAgree(HWND dialog) {
    SetDlgItemTextA(dialog, IDC_INSTALL_LOG, "");
    SetDlgItemTextA(dialog, IDC_STATUS, "");
    ShowControl(dialog, IDC_AGREE, SW_HIDE, FALSE);
    ShowControl(dialog, IDCANCEL, SW_HIDE, TRUE);
    ShowControl(dialog, IDOK, SW_SHOW, TRUE);
    CaptionFromCatalogue(dialog, IDOK, MSG_DONE);
    ShowControl(dialog, IDC_COPY_LOG, SW_SHOW, TRUE);
    MakeReturnButton(dialog);

    WriteLogHeader();
    if (CountRunningBrowsers(nullptr) != 0) {
        INT_PTR answer = DialogBoxParamA(ModuleHandle, MAKEINTRESOURCEA(IDD_BROWSERS), dialog,
                                         ActiveBrowsersDialog, 0);
        if (answer == IDCANCEL) {
            PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
            return;
        }
    }
    bool installed = InstallDriver();
    CaptionFromCatalogue(dialog, IDC_STATUS, installed ? MSG_INSTALL_OK : MSG_INSTALL_FAILED);
    ShowControl(dialog, IDC_BROWSE, SW_SHOW, TRUE);
}

void CopyEntireLog(HWND dialog) {
    HWND log = GetDlgItem(dialog, IDC_INSTALL_LOG);
    if (!log) return;
    SetFocus(log);
    DWORD start = 0, end = 0;
    SendMessageA(log, EM_GETSEL, (WPARAM)&start, (LPARAM)&end);
    SendMessageA(log, EM_SETSEL, 0, -1);
    UpdateWindow(log);
    SendMessageA(log, WM_COPY, 0, 0);
    // The whole text stays visibly selected for a moment, as feedback.
    Sleep(CopyHighlightMs);
    SendMessageA(log, EM_SETSEL, start, end);
}

void EndMainWindow(HWND dialog) {
    DestroyWindow(dialog);
    MainWindowHandle = nullptr;
    PostQuitMessage(1);
}

void OnCommand(HWND dialog, int id) {
    switch (id) {
    case IDOK:
        // The page opens in the desktop user's browser, never in one that
        // inherits this program's elevation.
        if (ReturnMode) OpenPageForUser(dialog, PostInstallPage);
        EndMainWindow(dialog);
        break;
    case IDCANCEL:
        EndMainWindow(dialog);
        break;
    case IDC_AGREE:
        OnAgree(dialog);
        break;
    case IDC_BROWSE:
        BrowseForPluginFolder(dialog);
        break;
    case IDC_COPY_LOG:
        CopyEntireLog(dialog);
        break;
    default:
        break;
    }
}

} // namespace

INT_PTR CALLBACK MainWindowProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        OnInitDialog(dialog);
        return TRUE;
    case WM_COMMAND:
        OnCommand(dialog, LOWORD(wParam));
        return TRUE;
    case WM_SETFOCUS:
        SetFocus(GetDlgItem(dialog, IDC_INSTALL_LOG));
        return TRUE;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == IDM_ABOUT) {
            DialogBoxParamA(ModuleHandle, MAKEINTRESOURCEA(IDD_ABOUT), dialog, AboutDialogProc, 0);
            return 0;
        }
        // A dialog procedure hands the result on through DWLP_MSGRESULT.
        SetWindowLongPtrA(dialog, DWLP_MSGRESULT, DefWindowProcA(dialog, message, wParam, lParam));
        return TRUE;
    case WM_CTLCOLORDLG:
        return (INT_PTR)BackgroundBrush;
    case WM_CTLCOLORSTATIC: {
        HDC dc = (HDC)wParam;
        int id = GetDlgCtrlID((HWND)lParam);
        if (id == IDC_PICTURE) {
            SetTextColor(dc, PictureInk);
            return (INT_PTR)GetStockObject(WHITE_BRUSH);
        }
        if (id == IDC_STATUS) {
            SetBkColor(dc, BackgroundColour);
            return (INT_PTR)BackgroundBrush;
        }
        return (INT_PTR)GetStockObject(WHITE_BRUSH);
    }
    default:
        return FALSE;
    }
}

INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        EndDialog(dialog, IDOK);
        return TRUE;
    }
    return FALSE;
}
