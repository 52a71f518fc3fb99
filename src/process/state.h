// Program-wide state of the installer: the module, the main window, the
// switches and the texts loaded once at start. Every layer may read it; it
// depends on nothing of the program but the resource ids.
#pragma once
#include <windows.h>

extern bool SilentMode;
extern bool SkipLicense;
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
