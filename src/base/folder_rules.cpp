#include "base/folder_rules.h"

#include <cstring>

namespace {

bool IsLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// The length of the character at text: 2 for a lead byte with its trail.
size_t CharacterLength(const char* text, LeadBytePredicate isLeadByte) {
    return (isLeadByte && isLeadByte((unsigned char)text[0]) && text[1] != '\0') ? 2 : 1;
}

// The owners whose reparse points are followed: Administrators, SYSTEM,
// TrustedInstaller.
const char* const TrustedOwners[] = {
    "S-1-5-32-544",
    "S-1-5-18",
    "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464",
};

} // namespace

size_t PathRootLength(const char* path, LeadBytePredicate isLeadByte) {
    if (IsLetter(path[0]) && path[1] == ':' && path[2] == '\\') return 3;
    if (path[0] != '\\' || path[1] != '\\') return 0;
    // Past the server and the share, each ended by a backslash.
    size_t at = 2;
    for (int parts = 0; parts < 2; ++parts) {
        size_t start = at;
        while (path[at] != '\0' && path[at] != '\\')
            at += CharacterLength(path + at, isLeadByte);
        if (at == start) return 0;
        if (path[at] == '\0') return parts == 1 ? at : 0;
        ++at;
    }
    return at;
}

bool NextPathName(const char* path, size_t* at, size_t* start, size_t* length,
                  LeadBytePredicate isLeadByte) {
    size_t from = *at;
    while (path[from] == '\\')
        ++from;
    size_t end = from;
    while (path[end] != '\0' && path[end] != '\\')
        end += CharacterLength(path + end, isLeadByte);
    *at = end;
    *start = from;
    *length = end - from;
    return end > from;
}

bool IsTrustedRedirectionOwner(const char* ownerSid) {
    if (!ownerSid) return false;
    for (const char* trusted : TrustedOwners)
        if (strcmp(ownerSid, trusted) == 0) return true;
    return false;
}

bool HasOtherNames(bool known, unsigned long links, bool folder) {
    if (!known) return true; // cannot be told: taken as linked
    return !folder && links > 1;
}

bool IsPlainName(const char* name, LeadBytePredicate isLeadByte) {
    if (!name || name[0] == '\0') return false;
    if (strcmp(name, ".") == 0 || strcmp(name, "..") == 0) return false;
    for (const char* c = name; *c;) {
        size_t length = CharacterLength(c, isLeadByte);
        if (length == 1 && strchr("\\/:*?\"<>|", *c)) return false;
        c += length;
    }
    return true;
}

bool SplitFilePath(const char* path, char* folder, size_t folderSize, const char** name,
                   LeadBytePredicate isLeadByte) {
    if (folderSize == 0) return false;
    folder[0] = '\0';
    *name = "";
    int last = LastBackslash(path, isLeadByte);
    if (last < 0 || path[last + 1] == '\0') return false;
    size_t root = PathRootLength(path, isLeadByte);
    // A file right in a root keeps the root's backslash on its folder.
    size_t folderLength = size_t(last) + 1 == root ? root : size_t(last);
    if (root == 0 || folderLength < root || folderLength + 1 > folderSize) return false;
    memcpy(folder, path, folderLength);
    folder[folderLength] = '\0';
    *name = path + last + 1;
    return true;
}
