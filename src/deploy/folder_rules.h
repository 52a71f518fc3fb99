// Plain-value decisions about the folders the installer writes into while it
// runs elevated: a folder a standard user may control is used only when
// nothing on its path can send the installer's file operations elsewhere.
#pragma once
#include <cstddef>

#include "discovery/text_rules.h"

// Tells whether the folder at path (a prefix of the full path being checked)
// is a reparse point (a mount point, a symbolic link); also true when that
// cannot be told.
typedef bool (*ReparseProbe)(const char* path, void* context);

// Asks the probe about every folder of a full path, from the first one below
// the root ("C:\a", "C:\a\b", ... the path itself; for "\\server\share\a",
// from "\\server\share\a"). True when any of them is a reparse point, or the
// path is no full path or too long to walk.
bool ReparsePointOnPath(const char* fullPath, ReparseProbe probe, void* context,
                        LeadBytePredicate isLeadByte);

// A final path as the system gives it for a handle ("\\?\C:\a",
// "\\?\UNC\server\share\a") in the form the installer's paths have ("C:\a",
// "\\server\share\a"), without a trailing backslash unless it is a root.
// Also used on the installer's own paths before they are compared. False when
// it does not fit out.
bool NormaliseFinalPath(const char* finalPath, char* out, size_t outSize,
                        LeadBytePredicate isLeadByte);

// True for a name that stays inside the folder it is used in: not empty, no
// separator, no drive or stream colon, no wildcard, not "." or "..".
bool IsPlainName(const char* name);

// Splits a full file path into its folder (a root keeps its backslash: "C:\")
// and its file name. False, both empty, when the path names no file in a
// folder or the folder does not fit.
bool SplitFilePath(const char* path, char* folder, size_t folderSize, const char** name,
                   LeadBytePredicate isLeadByte);
