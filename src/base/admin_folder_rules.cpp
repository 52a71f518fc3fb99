#include "base/admin_folder_rules.h"

#include <cstring>

namespace {

const char* const TrustedSids[] = {
    "S-1-5-18",                                                       // SYSTEM
    "S-1-5-32-544",                                                   // Administrators
    "S-1-3-0",                                                        // CREATOR OWNER
    "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464", // TrustedInstaller
};

// Every right that changes a folder, what it holds or who may: writing and
// adding files and folders (FILE_WRITE_DATA, FILE_APPEND_DATA), extended
// attributes and attributes, deleting children and the folder itself, its
// security and its owner, and the generic rights that include them.
const unsigned ChangingRights = 0x0002 | 0x0004 | 0x0010 | 0x0040 | 0x0100 | 0x00010000 |
                                0x00040000 | 0x00080000 | 0x40000000 | 0x10000000;

} // namespace

bool IsTrustedSidText(const char* sid, const char* ownSid) {
    if (!sid) return false;
    for (const char* trusted : TrustedSids)
        if (strcmp(sid, trusted) == 0) return true;
    return ownSid && strcmp(sid, ownSid) == 0;
}

bool OnlyAdminsCanChange(bool trustedOwner, bool hasList, const AccessEntry* entries,
                         size_t count) {
    if (!trustedOwner || !hasList) return false;
    for (size_t i = 0; i < count; ++i) {
        if (entries[i].type == DeniedEntry) continue;
        if (entries[i].type != AllowedEntry) return false;
        if (!entries[i].trusted && (entries[i].mask & ChangingRights)) return false;
    }
    return true;
}
