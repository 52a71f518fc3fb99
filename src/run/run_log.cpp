#include "run/run_log.h"

#include "base/admin_folder.h"
#include "base/file_system.h"
#include "base/held_folder.h"
#include "base/path_rules.h"
#include "report/report.h"
#include "resources/product.h"
#include "sysinfo/winver.h"

namespace {

const char LogsFolderName[] = "Logs";

} // namespace

bool KeepLogIn(const char* fileName) {
    char windows[MAX_PATH], logs[MAX_PATH];
    UINT length = GetWindowsDirectoryA(windows, sizeof windows);
    if (length == 0 || length >= sizeof windows) return false;
    // Windows' own Logs folder, made when missing, as it is; then the
    // product's folder in it, checked to be only the administrators' to change.
    HeldFolder product;
    if (MakeFolderIn(windows, LogsFolderName, OpenOrCreate) != ERROR_SUCCESS ||
        !ComposeSubfolder(logs, sizeof logs, windows, LogsFolderName, IsAnsiLeadByte) ||
        HoldAdminFolder(logs, ProductFolderName, true, ResetForeign, product) != ERROR_SUCCESS)
        return false;
    // A new file: whatever had the name before (a link, a file someone put
    // there) goes first and is never written through.
    ScopedHandle file;
    DWORD error = DeleteInFolder(product, fileName);
    if ((error != ERROR_SUCCESS && error != ERROR_FILE_NOT_FOUND) ||
        OpenInFolder(product, fileName, FILE_GENERIC_WRITE, FILE_SHARE_READ, CreateNew, file) !=
            ERROR_SUCCESS)
        return false;
    // Kept open until the process ends.
    SetLogFile(file.Release());
    return true;
}

void NameWindowsInLog() {
    static WindowsLineParts windows;
    if (ReadWindowsLineParts(&windows))
        SetWindowsLine(windows.edition, windows.facts.major, windows.facts.minor,
                       windows.facts.servicePack);
}
