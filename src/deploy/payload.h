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
// Writes the item's whole resource into the open file, on the disk when it
// returns; false with the system's reason otherwise.
bool ExtractPayload(PayloadItem& item, HANDLE file);
// The bytes of the plug-in this installer carries in its resources.
bool CarriedPlugin(const BYTE** data, DWORD* size);
// Packed product version ((major*256+minor)*256+patch), 0 when none can be read.
DWORD ReadProductVersion(const char* path, int* major, int* minor, int* patch, int* build);
// The same, of a file the caller holds open (with FILE_READ_DATA access).
DWORD ReadProductVersionOf(HANDLE file, int* major, int* minor, int* patch);
// True when the open file's version resource names this product: a plug-in
// this product shipped, of whatever version.
bool IsProductFile(HANDLE file);

bool MoveOrCopyFile(const char* from, const char* to);
void ClearReadOnly(const char* path);
// True when the file exists and can be opened (even while another program holds it).
bool FileCanBeOpened(const char* path);
