#include "deploy/payload_rules.h"

#include <cstring>

namespace {

const char BackupExtension[] = ".old";

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

char AsciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

bool SameTextIgnoringAsciiCase(const char* a, const char* b) {
    for (; *a && *b; ++a, ++b) {
        if (AsciiLower(*a) != AsciiLower(*b)) return false;
    }
    return *a == *b;
}

} // namespace

bool IsNewerThanPayload(int major, int minor, int patch) {
    if (major != PayloadVersion.major) return major > PayloadVersion.major;
    if (minor != PayloadVersion.minor) return minor > PayloadVersion.minor;
    return patch > PayloadVersion.patch;
}

bool BackupPath(const char* target, char* backup, size_t backupSize, LeadBytePredicate isLeadByte) {
    if (backupSize == 0) return false;
    backup[0] = '\0';

    // The file name starts after the last separator (or after "X:"); its
    // extension at its last dot. A trail byte of a double-byte character can
    // look like a backslash, so characters are stepped over whole.
    size_t nameStart = 0;
    size_t lastDot = 0;
    bool hasDot = false;
    size_t length = 0;
    if (target[0] != '\0' && target[1] == ':') nameStart = 2;
    while (target[length] != '\0') {
        unsigned char c = (unsigned char)target[length];
        if (isLeadByte && isLeadByte(c) && target[length + 1] != '\0') {
            length += 2;
            continue;
        }
        if (IsSeparator(char(c))) {
            nameStart = length + 1;
            hasDot = false;
        } else if (c == '.') {
            lastDot = length;
            hasDot = true;
        }
        ++length;
    }
    if (nameStart >= length) return false;

    size_t stemLength = hasDot ? lastDot : length;
    const size_t extensionLength = sizeof BackupExtension - 1;
    if (stemLength + extensionLength + 1 > backupSize) return false;
    memcpy(backup, target, stemLength);
    memcpy(backup + stemLength, BackupExtension, extensionLength + 1);
    if (!SameTextIgnoringAsciiCase(backup, target)) return true;

    // The target already ends in ".old": park it under a longer name.
    if (length + extensionLength + 1 > backupSize) {
        backup[0] = '\0';
        return false;
    }
    memcpy(backup, target, length);
    memcpy(backup + length, BackupExtension, extensionLength + 1);
    return true;
}

bool OnSameDrive(const char* from, const char* to) {
    if (from[0] == '\0' || to[0] == '\0') return false;
    return from[0] == to[0] && from[1] == ':' && to[1] == ':';
}
