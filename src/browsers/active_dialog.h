// The Active Browsers dialog: the browsers that must be closed, listed until
// they are gone, with Refresh, Cancel and Try To Close These Browsers For Me.
#pragma once
#include <windows.h>

// Dialog procedure of the Active Browsers dialog (template 1100): ends with 1
// when the installation may go on, 2 when the user cancelled.
INT_PTR CALLBACK ActiveBrowsersDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
