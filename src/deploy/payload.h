// Writing a carried file safely to a target path.
#pragma once
#include <windows.h>

#include "deploy/held_folder.h"
#include "deploy/version_rules.h"

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
// One attempt. The payload takes the target's name only once it is whole. A
// written file is logged (message 35) unless told otherwise.
int DeployPayload(PayloadItem& item, const char* targetPath, const char* browserName,
                  bool logCreated = true);
// Attempts until the result is not Retry.
int DeployWithRetries(PayloadItem& item, const char* targetPath, const char* browserName,
                      bool logCreated = true);
// The carried remover, as a payload.
PayloadItem& CarriedRemover();
// The carried plug-in, as a payload.
PayloadItem& CarriedPluginItem();
// Locates and caches the item's resource; false (with the system's error) when
// it is missing or empty. An item whose bytes are already there is taken as is.
bool LoadPayloadData(PayloadItem& item);
// True when the file at path holds exactly the item's bytes.
bool HoldsPayload(PayloadItem& item, const char* path);
// The same, of a file the caller holds open (with FILE_READ_DATA access), its
// position at the start; the item's bytes already loaded.
bool FileHoldsPayload(HANDLE file, const PayloadItem& item);
// The bytes this run has placed on the disk (plug-ins, font, remover).
extern DWORD PlacedBytes;
// Writes the item's whole resource into the open file, on the disk when it
// returns; false with the system's reason otherwise.
bool ExtractPayload(PayloadItem& item, HANDLE file);
// Writes the whole payload into a new file of the installer's own temporary
// name in the held folder, trying the names from number `first` on while
// they are taken: a file already there is never opened. The file stays open,
// without delete sharing, until it takes the target's name: nobody else
// renames or removes it meanwhile. On failure nothing is left, and the error
// tells why.
DWORD WriteTemporaryCopy(PayloadItem& item, const HeldFolder& folder, unsigned first,
                         ScopedHandle& temporary);
// Renames the held file (opened with DELETE access) from `name` to its backup
// name, or, when an older copy still holds that name, to a numbered one; the
// name it took goes to parked (MAX_PATH bytes).
bool Park(const HeldFolder& folder, const char* name, HANDLE file, char* parked);
// The last step: the new file (temporary, open) takes the target's name in
// the held folder, and the parked previous file (open; null when there is
// none) goes. When the new file cannot take the name, it goes and the parked
// file takes the name back. ERROR_SUCCESS or why the new file did not.
DWORD ReplaceTarget(const HeldFolder& folder, const char* name, HANDLE temporary, HANDLE parked);
// The bytes of the plug-in this installer carries in its resources.
bool CarriedPlugin(const BYTE** data, DWORD* size);
// The product version of a program or DLL image in memory: packed
// ((major*256+minor)*256+patch), 0 when none can be read, and its numbers.
DWORD ReadImageVersion(const BYTE* image, size_t size, ProductVersionNumbers* numbers);
// Packed product version ((major*256+minor)*256+patch), 0 when none can be read.
DWORD ReadProductVersion(const char* path, int* major, int* minor, int* patch, int* build);
// The same, of a file the caller holds open (with FILE_READ_DATA access).
DWORD ReadProductVersionOf(HANDLE file, int* major, int* minor, int* patch, int* build);
// True when the open file's version resource names this product: a plug-in
// this product shipped, of whatever version.
bool IsProductFile(HANDLE file);
