// The file-system helpers every floor shares: folders, special folders,
// path comparison, and the system code page's lead bytes.
#pragma once

bool FolderExists(const char* path);
// The Program Files folder into buffer (260 bytes with its NUL).
void ProgramFilesFolder(char* buffer);
// 0 when both paths name the same folder.
int SamePath(const char* a, const char* b);
// Characters delivered (fewer than size), 0 when the folder is not available
// or its path does not fit whole into size bytes.
int SpecialFolderPath(int csidl, char* buffer, int size);
// Looks for fileName in folder and each parent; folder (a buffer of
// folderSize bytes) then holds the full path of the file found.
bool FindFileUpward(char* folder, int folderSize, const char* fileName);
bool Is64BitExecutable(const char* path);

// The lead-byte test of the system's ANSI code page, for the text rules.
bool IsAnsiLeadByte(unsigned char byte);
