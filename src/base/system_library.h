// Where DLLs may come from. The installer runs elevated from folders anyone may
// have written to (a Downloads folder): a DLL planted beside it must never load.
#pragma once
#include <windows.h>

// Limits the DLL search to System32 (where the system offers that) and takes the
// program's folder and the current folder out of it; where the system cannot
// limit it, loads from System32 the DLLs that system DLLs load by bare name.
// Called before anything else.
void RestrictDllSearch();
// Loads a system DLL from the System32 folder by its full path; null on failure.
HMODULE LoadSystemLibrary(const char* fileName);
// System DLLs that are loaded when first wanted, not imported.
inline constexpr char Comdlg32Library[] = "comdlg32.dll";
inline constexpr char Shell32Library[] = "shell32.dll";

// A function of a system DLL that is loaded from System32 when first wanted,
// not imported: each DLL imported costs every run its loading at start. The DLL
// stays loaded. Null when the DLL or the function is missing.
FARPROC SystemFunction(const char* fileName, const char* functionName);
