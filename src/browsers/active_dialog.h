#pragma once
#include <windows.h>

// Dialog procedure of the Active Browsers dialog (template 1100): ends with 1
// when the installation may go on, 2 when the user cancelled.
INT_PTR CALLBACK ActiveBrowsersDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// Asks every known browser window to close; returns the browsers still running.
int CloseRunningBrowsers(HWND listBox);
