// Where DLLs may come from. The installer runs elevated from folders anyone may
// have written to (a Downloads folder): a DLL planted beside it must never load.
#pragma once
#include <windows.h>

// Limits the DLL search to System32 (where the system offers that) and takes the
// program's folder and the current folder out of it. Called before anything else.
void RestrictDllSearch();
// Loads a system DLL from the System32 folder by its full path; null on failure.
HMODULE LoadSystemLibrary(const char* fileName);
