#pragma once
#include <windows.h>

// The installer's switches: "/noui" (no window) and "/noeu" (no licence page).
extern bool SilentMode;
extern bool SkipLicense;

// Dialog procedure of the main window (template 101): licence page, log page.
// Keeps its name through the whole-program link, like the entry point, so the
// checks of the built file find it in the link map.
__attribute__((externally_visible)) INT_PTR CALLBACK MainWindowProc(HWND window, UINT message,
                                                                    WPARAM wParam, LPARAM lParam);
// Dialog procedure of the About box (template 200).
INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
