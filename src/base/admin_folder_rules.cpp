#include "base/admin_folder_rules.h"

#include <cstring>

#include "base/folder_rules.h"

namespace {

// Stands for whoever makes a file in the folder.
const char CreatorOwner[] = "S-1-3-0";

// Every right that changes a folder, what it holds or who may: writing and
// adding files and folders (FILE_WRITE_DATA, FILE_APPEND_DATA), extended
// attributes and attributes, deleting children and the folder itself, its
// security and its owner, and the generic rights that include them.
const unsigned ChangingRights = 0x0002 | 0x0004 | 0x0010 | 0x0040 | 0x0100 | 0x00010000 |
                                0x00040000 | 0x00080000 | 0x40000000 | 0x10000000;

} // namespace

bool IsTrustedSidText(const char* sid, const char* ownSid) {
    if (!sid) return false;
    return IsTrustedRedirectionOwner(sid) || strcmp(sid, CreatorOwner) == 0 ||
           (ownSid && strcmp(sid, ownSid) == 0);
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
