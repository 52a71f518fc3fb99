// Plain-value decisions of the per-user program: which places are the user's
// own, and what of its record it may ever act on.
#pragma once

#include "base/text_rules.h"

// True when the full path lies inside the folder (a full path too): the
// folder's characters, compared without regard to ASCII case, then a
// backslash and more.
bool IsInsideFolder(const char* path, const char* folder, LeadBytePredicate isLeadByte);

// A recorded path the per-user program's removal may act on: a plug-in file
// ("npscorew64.dll") or a browser's "Plugins" folder, inside the user's
// profile folder. Whatever the record says, nothing else.
bool IsUserPluginPath(const char* path, const char* profile, LeadBytePredicate isLeadByte);
bool IsUserMadeFolder(const char* path, const char* profile, LeadBytePredicate isLeadByte);
