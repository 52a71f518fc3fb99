// Plain-value decisions of payload deployment: the version check, the backup
// name and the same-drive test.
#pragma once
#include <cstddef>

struct VersionTriple {
    int major;
    int minor;
    int patch;
};

// The version of the plug-in this installer carries.
const VersionTriple PayloadVersion = {1, 20, 0};

// True when an installed file of this version is newer than the payload, so
// the user is asked before it is replaced.
bool IsNewerThanPayload(int major, int minor, int patch);

// Tells whether a byte starts a double-byte character in the ANSI code page.
typedef bool (*LeadBytePredicate)(unsigned char byte);

// The name under which the previous file is parked while the new one is
// written: the file name's extension replaced by ".old" (".old" appended when
// that would give the target itself). Stays in the target's folder. False,
// with backup "", when the target names no file or the result does not fit.
bool BackupPath(const char* target, char* backup, size_t backupSize, LeadBytePredicate isLeadByte);

// True when both paths start with the same drive letter, compared byte for
// byte (so "c:" and "C:" count as different drives).
bool OnSameDrive(const char* from, const char* to);
