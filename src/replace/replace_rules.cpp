#include "replace/replace_rules.h"

#include <cstring>

#include "base/text_rules.h"

namespace {

const char BackupExtension[] = ".old";

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

// Where the file name of a path starts and where its extension does.
struct NameParts {
    size_t length;
    size_t nameStart;  // equals length when the path names no file
    size_t stemLength; // up to the file name's last dot, or the whole path
};

NameParts SplitName(const char* path, LeadBytePredicate isLeadByte) {
    // The file name starts after the last separator (or after "X:"); its
    // extension at its last dot. A trail byte of a double-byte character can
    // look like a backslash, so characters are stepped over whole.
    size_t nameStart = 0;
    size_t lastDot = 0;
    bool hasDot = false;
    size_t length = 0;
    if (path[0] != '\0' && path[1] == ':') nameStart = 2;
    while (path[length] != '\0') {
        unsigned char c = (unsigned char)path[length];
        if (isLeadByte && isLeadByte(c) && path[length + 1] != '\0') {
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
    return {length, nameStart, hasDot ? lastDot : length};
}

const char TemporaryPrefix[] = "~scw";
const char TemporaryExtension[] = ".tmp";
const int TemporaryDigits = 4;

bool IsHexDigit(char c) {
    c = AsciiUpper(c);
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

} // namespace

const char TemporaryNamePattern[] = "~scw*.tmp";

bool IsNewerThanPayload(int major, int minor, int patch) {
    if (major != PayloadVersion.major) return major > PayloadVersion.major;
    if (minor != PayloadVersion.minor) return minor > PayloadVersion.minor;
    return patch > PayloadVersion.patch;
}

bool BackupPath(const char* target, char* backup, size_t backupSize, LeadBytePredicate isLeadByte) {
    if (backupSize == 0) return false;
    backup[0] = '\0';
    NameParts parts = SplitName(target, isLeadByte);
    if (parts.nameStart >= parts.length) return false;

    size_t stemLength = parts.stemLength;
    const size_t extensionLength = sizeof BackupExtension - 1;
    if (stemLength + extensionLength + 1 > backupSize) return false;
    memcpy(backup, target, stemLength);
    memcpy(backup + stemLength, BackupExtension, extensionLength + 1);
    if (!SameTextIgnoringAsciiCase(backup, target)) return true;

    // The target already ends in ".old": park it under a longer name.
    if (parts.length + extensionLength + 1 > backupSize) {
        backup[0] = '\0';
        return false;
    }
    memcpy(backup, target, parts.length);
    memcpy(backup + parts.length, BackupExtension, extensionLength + 1);
    return true;
}

void TemporaryName(unsigned number, char* name) {
    size_t at = sizeof TemporaryPrefix - 1;
    memcpy(name, TemporaryPrefix, at);
    for (int digit = TemporaryDigits - 1; digit >= 0; --digit)
        name[at++] = HexDigits[(number >> (4 * digit)) & 0xF];
    memcpy(name + at, TemporaryExtension, sizeof TemporaryExtension);
}

bool IsTemporaryName(const char* name) {
    const size_t prefixLength = sizeof TemporaryPrefix - 1;
    if (strlen(name) != TemporaryNameSize - 1) return false;
    for (size_t i = 0; i < prefixLength; ++i)
        if (AsciiUpper(name[i]) != AsciiUpper(TemporaryPrefix[i])) return false;
    for (int i = 0; i < TemporaryDigits; ++i)
        if (!IsHexDigit(name[prefixLength + i])) return false;
    return SameTextIgnoringAsciiCase(name + prefixLength + TemporaryDigits, TemporaryExtension);
}

bool NumberedBackupName(const char* targetName, unsigned number, char* name, size_t nameSize,
                        LeadBytePredicate isLeadByte) {
    const size_t extensionLength = sizeof BackupExtension - 1;
    char backup[TemporaryNameSize + 260];
    if (!BackupPath(targetName, backup, sizeof backup, isLeadByte)) return false;
    size_t stemLength = strlen(backup) - extensionLength;
    // The stem, a dot, four hex digits, ".old".
    if (stemLength + 1 + TemporaryDigits + extensionLength + 1 > nameSize) {
        if (nameSize > 0) name[0] = '\0';
        return false;
    }
    memcpy(name, backup, stemLength);
    size_t at = stemLength;
    name[at++] = '.';
    for (int digit = TemporaryDigits - 1; digit >= 0; --digit)
        name[at++] = HexDigits[(number >> (4 * digit)) & 0xF];
    memcpy(name + at, BackupExtension, extensionLength + 1);
    return true;
}

ParkedNameKind ClassifyParkedName(const char* targetName, const char* name,
                                  LeadBytePredicate isLeadByte) {
    const size_t extensionLength = sizeof BackupExtension - 1;
    char backup[TemporaryNameSize + 260];
    if (!BackupPath(targetName, backup, sizeof backup, isLeadByte)) return NotParkedName;
    if (SameTextIgnoringAsciiCase(name, backup)) return BackupName;
    size_t stemLength = strlen(backup) - extensionLength;
    if (strlen(name) != stemLength + 1 + TemporaryDigits + extensionLength) return NotParkedName;
    for (size_t i = 0; i < stemLength; ++i)
        if (AsciiUpper(name[i]) != AsciiUpper(backup[i])) return NotParkedName;
    if (name[stemLength] != '.') return NotParkedName;
    for (int i = 1; i <= TemporaryDigits; ++i)
        if (!IsHexDigit(name[stemLength + i])) return NotParkedName;
    return SameTextIgnoringAsciiCase(name + stemLength + 1 + TemporaryDigits, BackupExtension)
               ? NumberedBackup
               : NotParkedName;
}

LeftoverBackup LeftoverBackupAction(bool targetPresent, ParkedNameKind kind, bool own) {
    if (kind == NotParkedName) return NoLeftover;
    if (own) return targetPresent ? StaleBackup : RestoreBackup;
    return targetPresent && kind == BackupName ? StaleBackup : ForeignBackup;
}

bool IsRemovableBesidePlugin(const char* name) {
    return SameTextIgnoringAsciiCase(name, PluginFileName) || IsTemporaryName(name) ||
           ClassifyParkedName(PluginFileName, name, nullptr) != NotParkedName;
}
