// Closing running browsers on request, for the Active Browsers dialog of
// both programs.
#pragma once
#include <windows.h>

// Asks every known browser window to close, logging a line per kind of browser
// asked; returns the browsers still running, listed in listBox.
int CloseRunningBrowsers(HWND listBox);

// Closing strategies, each returning the number of windows whose close command
// its main loop posted. All of them block the calling thread while they wait;
// a keystroke or click sent to a browser waits a few seconds at most.
int CloseByClass(const char* className, bool topLevelOnly, const char* titlePattern);
int CloseWithSiblings(const char* className, bool topLevelOnly, const char* titlePattern);
int CloseWithConfirmation(const char* mainClass, const char* dialogClass, int controlId,
                          UINT message, WPARAM wParam, LPARAM lParam);
int CloseWithThreadDialog(const char* className, int controlId);
int CloseNetscape();
