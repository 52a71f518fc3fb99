// Program-wide state of both programs: the module, the main window and the
// texts loaded once at start. Every layer may read it; it depends on nothing
// of the program but the resource ids.
#pragma once
#include <windows.h>

extern HWND MainWindowHandle;
extern HINSTANCE ModuleHandle;

struct PreloadedString {
    UINT id;
    char text[32];
};

// Loads every preloaded text from the string table (31 characters at most).
void LoadPreloadedStrings();
// The preloaded text of a string id; "" for an id that is not preloaded.
const char* Preloaded(UINT id);
