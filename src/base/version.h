// The product version of a program or DLL, from its version resource.
#pragma once
#include <windows.h>

#include "base/version_rules.h"

// The product version of a program or DLL image in memory: packed
// ((major*256+minor)*256+patch), 0 when none can be read, and its numbers.
DWORD ReadImageVersion(const BYTE* image, size_t size, ProductVersionNumbers* numbers);
// Packed product version ((major*256+minor)*256+patch), 0 when none can be read.
DWORD ReadProductVersion(const char* path, int* major, int* minor, int* patch, int* build);
// The same, of a file the caller holds open (with FILE_READ_DATA access).
DWORD ReadProductVersionOf(HANDLE file, int* major, int* minor, int* patch, int* build);
// The text of the version resource's key (ProductName, ProductVersion, ...) of
// a file the caller holds open (with FILE_READ_DATA access); false when there
// is none or it does not fit out.
bool ReadFileVersionString(HANDLE file, const char* key, char* out, size_t outSize);
