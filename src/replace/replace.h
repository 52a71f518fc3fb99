// Writing a carried file safely to a target path.
#pragma once
#include <windows.h>

#include "base/held_folder.h"
#include "carried/carried.h"

enum DeployResult {
    DeployKept = 0,    // a newer installed file was kept at the user's word
    DeployFailed = 1,  // writing failed; the previous file is back
    DeployWritten = 3, // the payload is at the target path
    DeployRetry = 4,   // writing failed and the user asked to retry
};

// Deploys the plug-in (or the ActiveX item), retrying while the user says Retry.
int InstallPayloadFile(bool useActiveX, const char* targetPath, const char* browserName);
// One attempt. The payload takes the target's name only once it is whole. A
// written file is logged (message 35).
int DeployPayload(PayloadItem& item, const char* targetPath, const char* browserName);
// Attempts until the result is not Retry.
int DeployWithRetries(PayloadItem& item, const char* targetPath, const char* browserName);
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
// A browser's missing "Plugins" folder (path) in its program folder: in the
// record first, so that removal takes it away when it is empty, then made
// inside the program folder held open, so that it lands nowhere else; logged
// either way. Nothing when browser is null.
void MakePluginsFolder(const char* browser, const char* programFolder, const char* path);

// Hands act, one at a time as they are found, the files of the held folder
// that bear the names the installer gives beside a plug-in: its temporary
// files and the plug-in's parked copies (IsRemovableBesidePlugin), the
// plug-in itself not. A name says nothing of whose a file is: act decides.
typedef void (*BesidePluginAct)(const HeldFolder& folder, const char* name);
void ForEachBesidePlugin(const HeldFolder& folder, BesidePluginAct act);
