// Opening a web page as the desktop's user. The installer runs elevated, and a
// program it starts itself (ShellExecuteA) would run elevated too: a browser
// and the page in it with administrator rights. Explorer, which owns the
// desktop, runs without elevation; asked through its desktop folder view, it
// starts the page's browser as its own child, with its own rights.
#pragma once

// Opens the URL through the desktop shell: ShellWindows, its desktop window,
// that window's shell browser and active view, the view's background
// automation object, its Application (IShellDispatch2) and ShellExecute, as
// documented for elevated programs. False when any step fails (no desktop
// shell answers, for example); the caller then opens the page itself.
bool OpenThroughDesktopShell(const char* url);
