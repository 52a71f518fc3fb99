#include "install/user_component.h"

#include "install/placement.h"

#include "base/held_folder.h"
#include "carried/carried.h"
#include "entry/uninstall_entry.h"
#include "logon/active_setup.h"
#include "process/state.h"
#include "replace/replace_rules.h"
#include "report/report.h"
#include "resources/product.h"
#include "resources/resource.h"

namespace {

const int CommandSize = 2 * MAX_PATH;

PayloadItem UserProgram = {
    "Scorewave User Setup", RT_RCDATA, MAKEINTRESOURCEA(IDR_USER_PROGRAM), nullptr, 0, nullptr};

UserComponent Before; // the component as this run found it
bool Written;         // this run wrote the component

// Places a file the installer carries into the product's folder, held;
// false when it is not there.
bool Place(PayloadItem& item, const HeldFolder& folder, const char* name, bool trustThere) {
    return PlaceOwnFile(item, folder, name, trustThere) != OwnFileFailed;
}

} // namespace

void PlaceUserComponent(const HeldFolder& own, bool trustThere) {
    char copy[MAX_PATH], folder[MAX_PATH], remover[MAX_PATH], command[CommandSize];
    Before = ReadUserComponent();
    if (!ProductFilePath(PluginFileName, copy) || !RemoverPaths(folder, remover)) return;
    // A pending removal kept the folder for the per-user program: it is this
    // product's, and goes with the next removal.
    if (Before.command == RemoveCommand) RecordPath(MadeFolders, folder);
    bool recorded = RecordPath(PluginPaths, copy);
    // The plug-in the installer carries, placed as a file of the product.
    if (!Place(CarriedPluginItem(), own, PluginFileName, trustThere)) {
        if (recorded) ForgetPath(PluginPaths, copy);
        return;
    }
    if (!Place(UserProgram, own, UserProgramFileName, trustThere)) return;
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
