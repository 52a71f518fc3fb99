#include "deploy/folder_rules.h"

#include <cstring>

namespace {

const size_t WalkLimit = 272; // a full path and some room: longer ones are not walked
const char LongPrefix[] = "\\\\?\\";
const char LongUncPrefix[] = "\\\\?\\UNC\\";

bool IsLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Length of the root of a full path ("C:\" or "\\server\share\"), 0 when the
// path is neither.
size_t RootLength(const char* path, LeadBytePredicate isLeadByte) {
    if (IsLetter(path[0]) && path[1] == ':' && path[2] == '\\') return 3;
    if (path[0] != '\\' || path[1] != '\\') return 0;
    // Past the server and the share, each ended by a backslash.
    size_t at = 2;
    for (int parts = 0; parts < 2; ++parts) {
        size_t start = at;
        while (path[at] != '\0' && path[at] != '\\')
            at += (isLeadByte && isLeadByte((unsigned char)path[at]) && path[at + 1]) ? 2 : 1;
        if (at == start) return 0;
        if (path[at] == '\0') return parts == 1 ? at : 0;
        ++at;
    }
    return at;
}

} // namespace

bool ReparsePointOnPath(const char* fullPath, ReparseProbe probe, void* context,
                        LeadBytePredicate isLeadByte) {
    size_t length = strlen(fullPath);
    size_t root = RootLength(fullPath, isLeadByte);
    if (root == 0 || length >= WalkLimit) return true;
    char prefix[WalkLimit];
    memcpy(prefix, fullPath, length + 1);
    for (size_t at = root; at <= length;) {
        // The end of this folder's name: the next backslash or the end.
        size_t end = at;
        while (prefix[end] != '\0' && prefix[end] != '\\')
            end +=
                (isLeadByte && isLeadByte((unsigned char)prefix[end]) && prefix[end + 1]) ? 2 : 1;
        if (end > at) {
            char saved = prefix[end];
            prefix[end] = '\0';
            bool reparse = probe(prefix, context);
            prefix[end] = saved;
            if (reparse) return true;
        }
        at = end + 1;
    }
    return false;
}

bool NormaliseFinalPath(const char* finalPath, char* out, size_t outSize,
                        LeadBytePredicate isLeadByte) {
    if (outSize == 0) return false;
    out[0] = '\0';
    const char* rest = finalPath;
    size_t used = 0;
    if (strncmp(finalPath, LongUncPrefix, sizeof LongUncPrefix - 1) == 0) {
        rest = finalPath + sizeof LongUncPrefix - 1;
        if (outSize < 3) return false;
        out[used++] = '\\';
        out[used++] = '\\';
    } else if (strncmp(finalPath, LongPrefix, sizeof LongPrefix - 1) == 0) {
        rest = finalPath + sizeof LongPrefix - 1;
    }
    size_t restLength = strlen(rest);
    if (used + restLength + 1 > outSize) {
        out[0] = '\0';
        return false;
    }
    memcpy(out + used, rest, restLength + 1);
    used += restLength;
    size_t root = RootLength(out, isLeadByte);
    if (used > root && root > 0 && EndsWithBackslash(out, isLeadByte)) out[used - 1] = '\0';
    return true;
}

bool IsPlainName(const char* name) {
    if (!name || name[0] == '\0') return false;
    if (strcmp(name, ".") == 0 || strcmp(name, "..") == 0) return false;
    // Byte tests: a trail byte of a double-byte character that looks like one
    // of these has its name refused too, which is safe: the installer's own
    // names are ASCII.
    for (const char* c = name; *c; ++c)
        if (strchr("\\/:*?\"<>|", *c)) return false;
    return true;
}

bool SplitFilePath(const char* path, char* folder, size_t folderSize, const char** name,
                   LeadBytePredicate isLeadByte) {
    if (folderSize == 0) return false;
    folder[0] = '\0';
    *name = "";
    int last = LastBackslash(path, isLeadByte);
    if (last < 0 || path[last + 1] == '\0') return false;
    size_t root = RootLength(path, isLeadByte);
    // A file right in a root keeps the root's backslash on its folder.
    size_t folderLength = size_t(last) + 1 == root ? root : size_t(last);
    if (root == 0 || folderLength < root || folderLength + 1 > folderSize) return false;
    memcpy(folder, path, folderLength);
    folder[folderLength] = '\0';
    *name = path + last + 1;
    return true;
}
