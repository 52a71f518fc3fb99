// Baseline for the start-up benchmark: the smallest program of the same build
// that shows a dialog of the main window's size, from an in-memory template.
#include <windows.h>

namespace {

INT_PTR CALLBACK Proc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) {
        DestroyWindow(dialog);
        PostQuitMessage(1);
        return TRUE;
    }
    return message == WM_INITDIALOG;
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    struct {
        DLGTEMPLATE head;
        WORD menu, windowClass, title, pointSize;
        WCHAR face[14];
    } tmpl = {};
    tmpl.head.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER | DS_SETFONT;
    tmpl.head.cx = 224;
    tmpl.head.cy = 145;
    tmpl.pointSize = 8;
    lstrcpynW(tmpl.face, L"MS Sans Serif", 14);
    HWND dialog = CreateDialogIndirectParamA(instance, &tmpl.head, nullptr, Proc, 0);
    if (!dialog) return 1;
    ShowWindow(dialog, SW_SHOWNORMAL);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (!IsDialogMessageA(dialog, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    return 0;
}
