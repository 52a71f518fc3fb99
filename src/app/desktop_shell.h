// Opening a web page as the desktop's user. The installer runs elevated, and a
// program it starts itself (ShellExecuteA) would run elevated too: a browser
// and the page in it with administrator rights. Explorer, which owns the
// desktop, runs without elevation; asked through its desktop folder view, it
// starts the page's browser as its own child, with its own rights.
#pragma once

#include <windows.h>

// Set at start-up when OleInitialize succeeded; without it the desktop shell
// is not asked.
extern bool OleReady;

// Opens the URL through the desktop shell: ShellWindows, its desktop window,
// that window's shell browser and active view, the view's background
// automation object, its Application (IShellDispatch2) and ShellExecute, as
// documented for elevated programs. False when any step fails (no desktop
// shell answers, for example).
bool OpenThroughDesktopShell(const char* url);

// Opens the page for the user: through the desktop shell; where no desktop
// shell answers, with ShellExecuteA only when this program runs without
// elevation; otherwise a box owned by owner shows the address, so that the
// user opens it. Called from a window's command, which may have come in a
// message another thread sent: that thread is let go first.
void OpenPageForUser(HWND owner, const char* url);
