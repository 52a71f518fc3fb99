// Recognising open browser windows by their window classes.
#pragma once
#include <windows.h>

// Number of running browsers (table rows 4 to 9), listed in listBox when given,
// in table order.
int CountRunningBrowsers(HWND listBox);
// True when the window's class name equals className exactly.
bool WindowHasClass(HWND window, const char* className);
// The first window of the class: a top-level window, or, unless topLevelOnly, a
// descendant of a top-level window of another class. A titlePattern applies to
// top-level windows only.
HWND FindClassWindow(const char* className, bool topLevelOnly, const char* titlePattern);
// The first top-level window of the class created by the thread (0: any thread,
// children included, as FindClassWindow).
HWND FindThreadWindow(const char* className, DWORD threadId);
