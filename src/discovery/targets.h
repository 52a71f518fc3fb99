// The install-target list and the path helpers the scans share.
#pragma once
#include "discovery/target_rules.h"

// Appends to the program-wide list (InstallTargets).
void AddInstallTarget(const char* name, const char* pluginPath);

bool FolderExists(const char* path);
// The Program Files folder into buffer (260 bytes with its NUL).
void ProgramFilesFolder(char* buffer);
// 0 when both paths name the same folder.
int SamePath(const char* a, const char* b);
// Characters delivered (at most size), 0 when the folder is not available.
int SpecialFolderPath(int csidl, char* buffer, int size);
// Looks for fileName in folder and each parent; folder (a buffer of
// folderSize bytes) then holds the full path of the file found.
bool FindFileUpward(char* folder, int folderSize, const char* fileName);
bool Is64BitExecutable(const char* path);
