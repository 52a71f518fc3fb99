// What Windows this is: the version record, and the edition, version and
// service pack that the log's heading names (the programs hand them to the
// log, report/report.h).
#pragma once
#include <windows.h>

#include "sysinfo/edition_rules.h"

// The system's basic version record; false when the system gives none.
bool ReadWindowsVersion(OSVERSIONINFOA* info);

// The Windows line's parts: the edition's name, and the facts it is named
// from, of which the line gives the version's numbers and the service pack
// (as DescribeWindows left it).
struct WindowsLineParts {
    char edition[EditionTextSize];
    WindowsFacts facts;
};

// Reads them from the system; false when the system gives no version.
bool ReadWindowsLineParts(WindowsLineParts* line);
