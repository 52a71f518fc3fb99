// Writing a carried file safely to a target path.
#pragma once
#include <windows.h>

enum DeployResult {
    DeployKept = 0,    // a newer installed file was kept at the user's word
    DeployFailed = 1,  // writing failed; the previous file is back
    DeployWritten = 3, // the payload is at the target path
    DeployRetry = 4,   // writing failed and the user asked to retry
};

struct PayloadItem {
    const char* label;
    const char* resourceType; // null means "FILE"
    LPCSTR resourceName;
    const BYTE* data; // cached after the first extraction
    DWORD size;
    HMODULE module; // null means the installer's own module
};

// Deploys the plug-in (or the ActiveX item), retrying while the user says Retry.
int InstallPayloadFile(bool useActiveX, const char* targetPath, const char* browserName);
// One attempt. The payload takes the target's name only once it is whole.
int DeployPayload(PayloadItem& item, const char* targetPath, const char* browserName);
// Writes the item's whole resource into a new file at path, on the disk when
// it returns; a failed write leaves no file there. A file already at path
// fails it with ERROR_FILE_EXISTS.
bool ExtractPayload(PayloadItem& item, const char* path);
// Packed product version ((major*256+minor)*256+patch), 0 when none can be read.
DWORD ReadProductVersion(const char* path, int* major, int* minor, int* patch, int* build);

bool MoveOrCopyFile(const char* from, const char* to);
void ClearReadOnly(const char* path);
// True when the file exists and can be opened (even while another program holds it).
bool FileCanBeOpened(const char* path);
