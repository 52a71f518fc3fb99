// Registry keys of the machine that the elevated programs write and delete,
// each opened inside the one above it and never through a registry link.
//
// Document types go to the machine's classes, HKLM\Software\Classes in the
// 64-bit view. HKEY_CLASSES_ROOT shows them merged with the user's own classes
// and writes into the user's where the user has a key of that name: nothing is
// written or deleted through it.
#pragma once
#include <windows.h>

// The system's code for an operation refused at a reparse point (winerror.h
// of the Windows SDK; mingw-w64's lacks it), here for a registry link.
#ifndef ERROR_REPARSE_POINT_ENCOUNTERED
#define ERROR_REPARSE_POINT_ENCOUNTERED 4395L
#endif

// The machine's classes, under HKEY_LOCAL_MACHINE.
extern const char MachineClassesKey[];

// Opens root\path in the 64-bit view, or with create makes what is missing of
// it, one key at a time inside the one above it; the last key with access
// (KEY_QUERY_VALUE is always added). A key on the way that is a registry link
// is not followed: ERROR_REPARSE_POINT_ENCOUNTERED. disposition (may be null)
// as RegCreateKeyEx gives it for the last key. The caller closes key.
LONG OpenMachineKey(HKEY root, const char* path, REGSAM access, bool create, HKEY* key,
                    DWORD* disposition = nullptr);
// The same for path in the machine's classes.
LONG OpenClassKey(const char* path, REGSAM access, bool create, HKEY* key,
                  DWORD* disposition = nullptr);
// Deletes the open key (opened with DELETE access, never through a link)
// through its handle, so that it is that key which goes; one with subkeys
// stays.
LONG DeleteOpenKey(HKEY key);
