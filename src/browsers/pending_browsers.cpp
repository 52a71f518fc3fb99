// TEMPORARY placeholders until the browser detection code lands; delete this file then.
#include "browsers/active_dialog.h"
#include "browsers/detect.h"
int CountRunningBrowsers(HWND) { return 0; }
INT_PTR CALLBACK ActiveBrowsersDialog(HWND, UINT, WPARAM, LPARAM) { return FALSE; }
