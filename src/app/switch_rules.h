// The command-line switch scan. Plain text in, two flags out.
#pragma once

struct Switches {
    bool silent;      // "/noui"
    bool skipLicense; // "/noeu"
};

// Every "/" in the line starts a candidate: the (up to) four characters after it
// are compared with "noui" and "noeu", ignoring case. A null line sets nothing.
Switches ScanSwitches(const char* commandLine);
