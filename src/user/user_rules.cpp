#include "user/user_rules.h"

#include "resources/product.h"

namespace {

// The last name of the path, when it lies inside the profile.
const char* NameInside(const char* path, const char* profile, LeadBytePredicate isLeadByte) {
    if (!IsInsideFolder(path, profile, isLeadByte)) return nullptr;
    return path + LastBackslash(path, isLeadByte) + 1;
}

} // namespace

bool IsInsideFolder(const char* path, const char* folder, LeadBytePredicate isLeadByte) {
    if (!path || !folder || !folder[0]) return false;
    int at = 0;
    while (folder[at]) {
        if (isLeadByte(static_cast<unsigned char>(folder[at])) && folder[at + 1]) {
            // A double-byte character is compared whole, byte for byte.
            if (path[at] != folder[at] || path[at + 1] != folder[at + 1]) return false;
            at += 2;
            continue;
        }
        if (AsciiUpper(path[at]) != AsciiUpper(folder[at])) return false;
        ++at;
    }
    // "C:\Users\Ann" holds "C:\Users\Ann\x", never "C:\Users\Anna"; a root
    // such as "C:\" ends with its backslash already.
    if (EndsWithBackslash(folder, isLeadByte)) return path[at] != '\0';
    return path[at] == '\\' && path[at + 1] != '\0';
}

bool IsUserPluginPath(const char* path, const char* profile, LeadBytePredicate isLeadByte) {
    const char* name = NameInside(path, profile, isLeadByte);
    return name && SameTextIgnoringAsciiCase(name, PluginFileName);
}

bool IsUserMadeFolder(const char* path, const char* profile, LeadBytePredicate isLeadByte) {
    const char* name = NameInside(path, profile, isLeadByte);
    return name && SameTextIgnoringAsciiCase(name, PluginsFolderName);
}
