#include "deploy/run_log.h"

#include <sddl.h>

#include "deploy/held_folder.h"
#include "deploy/record_rules.h"
#include "discovery/path_rules.h"
#include "discovery/targets.h"
#include "report/report.h"

namespace {

const char* const LogFolders[] = {"Logs", ProductFolderName};
// Protected from inheritance: full control for SYSTEM and the administrators,
// reading for everyone else, so that nobody else can plant or change a log.
const char AdministratorsOnly[] = "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FRFX;;;BU)";

} // namespace

bool KeepLogIn(const char* fileName) {
    char path[MAX_PATH];
    UINT length = GetWindowsDirectoryA(path, sizeof path);
    if (length == 0 || length >= sizeof path) return false;
    PSECURITY_DESCRIPTOR security = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(AdministratorsOnly, SDDL_REVISION_1,
                                                              &security, nullptr))
        return false;
    // Each folder on the way is made inside the one above it, held open, and
    // checked like a plug-in folder before anything is written in it.
    bool made = true;
    for (const char* name : LogFolders) {
        char next[MAX_PATH];
        made = MakeFolderIn(path, name, OpenOrCreate, name == LogFolders[1] ? security : nullptr) ==
                   ERROR_SUCCESS &&
               ComposeSubfolder(next, sizeof next, path, name, IsAnsiLeadByte);
        if (!made) break;
        lstrcpynA(path, next, sizeof path);
    }
    LocalFree(security);
    HeldFolder logs;
    ScopedHandle file;
    if (!made || HoldFolder(path, logs) != ERROR_SUCCESS ||
        OpenInFolder(logs, fileName, FILE_GENERIC_WRITE, FILE_SHARE_READ, ReplaceOrCreate, file) !=
            ERROR_SUCCESS)
        return false;
    // Kept open until the process ends.
    SetLogFile(file.Release());
    return true;
}
