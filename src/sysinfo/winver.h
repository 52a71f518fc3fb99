#pragma once
#include <windows.h>

// The system's basic version record; false when the system gives none.
bool ReadWindowsVersion(OSVERSIONINFOA* info);

// Logs the line naming the Windows edition, version and service pack.
// Returns ReportMessage's result (0), or 0 without a line when the system
// gives no version.
int WindowsVersionText();
