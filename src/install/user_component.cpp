#include "install/user_component.h"

#include "process/state.h"
#include "deploy/active_setup.h"
#include "deploy/held_folder.h"
#include "deploy/payload.h"
#include "deploy/payload_rules.h"
#include "deploy/uninstall_entry.h"
#include "discovery/targets.h"
#include "report/report.h"
#include "resources/resource.h"

namespace {

const int CommandSize = 2 * MAX_PATH;

PayloadItem UserProgram = {
    "Scorewave User Setup", RT_RCDATA, MAKEINTRESOURCEA(IDR_USER_PROGRAM), nullptr, 0, nullptr};
// The plug-in the installer carries, placed as a file of the product.
PayloadItem PluginCopy = {"plugin", nullptr, MAKEINTRESOURCEA(IDR_PLUGIN), nullptr, 0, nullptr};

UserComponent Before; // the component as this run found it
bool Written;         // this run wrote the component

// Places a file the installer carries into the product's folder in Program
// Files, asking nothing: written whole under a temporary name, then renamed
// over the previous file. The same file stays as it is, and so does a newer
// one. A failure is logged; false when the file is not there.
bool PlaceProductFile(PayloadItem& item, const char* name) {
    char folderPath[MAX_PATH], remover[MAX_PATH], path[MAX_PATH];
    int major = 0, minor = 0, patch = 0;
    if (!RemoverPaths(folderPath, remover) || !ProductFilePath(name, path)) return false;
    if (HoldsPayload(item, path) || (ReadProductVersion(path, &major, &minor, &patch, nullptr) &&
                                     IsNewerThanPayload(major, minor, patch)))
        return true;
    HeldFolder folder;
    ScopedHandle temporary;
    DWORD error = HoldFolder(folderPath, folder);
    if (error == ERROR_SUCCESS)
        error = WriteTemporaryCopy(item, folder, GetTickCount() ^ GetCurrentProcessId(), temporary);
    if (error == ERROR_SUCCESS) {
        error = RenameHeldFile(temporary.Get(), folder, name, true);
        if (error != ERROR_SUCCESS) DeleteHeldFile(temporary.Get());
    }
    if (error == ERROR_SUCCESS) {
        PlacedBytes += item.size;
        return true;
    }
    SetLastError(error);
    ReportMessage(MSG_NOT_PLACED, nullptr, path);
    return false;
}

} // namespace

void PlaceUserComponent() {
    char copy[MAX_PATH], folder[MAX_PATH], remover[MAX_PATH], command[CommandSize];
    Before = ReadUserComponent();
    if (!ProductFilePath(PluginFileName, copy) || !RemoverPaths(folder, remover)) return;
    // A pending removal kept the folder for the per-user program: it is this
    // product's, and goes with the next removal.
    if (Before.command == RemoveCommand) RecordPath(MadeFolders, folder);
    bool recorded = RecordPath(PluginPaths, copy);
    if (!PlaceProductFile(PluginCopy, PluginFileName)) {
        if (recorded) ForgetPath(PluginPaths, copy);
        return;
    }
    if (!PlaceProductFile(UserProgram, UserProgramFileName)) return;
    RecordCreated(CreatedUserComponent);
    Written = WriteUserComponent(InstallStamp(Before.present, Before.stamp, Before.command),
                                 LogonSwitch, command, sizeof command);
    if (Written) ReportMessage(MSG_USER_COMPONENT, command);
}

void TakeBackUserComponent() {
    char command[CommandSize];
    DeleteProductFile(PluginFileName);
    // Users whose copies a removal still has to take back keep that removal.
    if (Before.command == RemoveCommand) {
        UserComponent now = ReadUserComponent();
        if (Written)
            WriteUserComponent(RemovalStamp(now.present, now.stamp), RemoveSwitch, command,
                               sizeof command);
        return;
    }
    if (Written) DeleteUserComponent();
    DeleteProductFile(UserProgramFileName);
}
