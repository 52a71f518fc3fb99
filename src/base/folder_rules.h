// Plain-value decisions about the folders the installer writes into while it
// runs elevated: a folder a standard user may control is used only when
// nothing on its path can send the installer's file operations elsewhere.
#pragma once
#include <cstddef>

#include "base/text_rules.h"

// Where the root of a full path ends: 3 for "C:\", the length of
// "\\server\share\" (or of "\\server\share" when nothing follows); 0 when the
// path is no full path.
size_t PathRootLength(const char* path, LeadBytePredicate isLeadByte);

// The next folder or file name of a path from *at on (backslashes before it
// are passed over): its start and length, and *at moved past it. False when
// no name is left.
bool NextPathName(const char* path, size_t* at, size_t* start, size_t* length,
                  LeadBytePredicate isLeadByte);

// Whether a reparse point met on the way to a folder may be followed: only
// when its owner (a SID in text form, "S-1-5-32-544") is one a standard user
// cannot be or give away to: Administrators, SYSTEM or TrustedInstaller, as
// the system's own redirection trust decides. A user may make a mount point
// in any folder they control; an administrator's (a relocated profile or
// Program Files folder, a mounted volume) leads where an administrator chose.
bool IsTrustedRedirectionOwner(const char* ownerSid);

// Whether the installer may change the attributes of, replace or delete a
// file, given what its handle tells (known: the counts could be read): not
// when the file has other names (hard links), which may lie in folders a
// standard user cannot write; a folder has none.
bool HasOtherNames(bool known, unsigned long links, bool folder);

// True for a name that stays inside the folder it is used in: not empty, no
// separator, no drive or stream colon, no wildcard, not "." or "..".
// Characters of the code page are stepped over whole: the trail byte of a
// double-byte character may be any of those bytes.
bool IsPlainName(const char* name, LeadBytePredicate isLeadByte);

// Splits a full file path into its folder (a root keeps its backslash: "C:\")
// and its file name. False, both empty, when the path names no file in a
// folder or the folder does not fit.
bool SplitFilePath(const char* path, char* folder, size_t folderSize, const char** name,
                   LeadBytePredicate isLeadByte);
