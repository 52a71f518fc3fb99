#pragma once
#include <windows.h>

// Lets the user name a plug-in file in the save dialog and writes the plug-in there.
void BrowseForPluginFolder(HWND owner);
