// Plain-value decisions about the folders the installer keeps for itself
// (its folder in Program Files, its log folder, a volume's folder for
// deletions at restart): whether only the administrators can change one.
#pragma once
#include <cstddef>

// True for an account that may own or change such a folder: SYSTEM, the
// Administrators group, TrustedInstaller, CREATOR OWNER (which stands for
// whoever makes a file in it) and the account the run itself runs as (ownSid,
// may be null). SIDs in their text form ("S-1-5-18").
bool IsTrustedSidText(const char* sid, const char* ownSid);

// One entry of a folder's access list, as far as the decision needs it.
struct AccessEntry {
    unsigned char type; // ACCESS_ALLOWED_ACE_TYPE (0), ACCESS_DENIED_ACE_TYPE (1), ...
    unsigned mask;      // the rights it names
    bool trusted;       // its account is one IsTrustedSidText accepts
};
const unsigned char AllowedEntry = 0;
const unsigned char DeniedEntry = 1;

// True when only trusted accounts can change the folder or what is made in
// it: a trusted owner, an access list (none lets everyone in), and no entry
// that allows anyone else a right to write, add, delete, or change security
// or ownership, on the folder or (inherited) on what it holds. Denying
// entries take nothing away from this; an entry of any other kind might
// allow anything, and fails it.
bool OnlyAdminsCanChange(bool trustedOwner, bool hasList, const AccessEntry* entries, size_t count);
