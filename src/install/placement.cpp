#include "install/placement.h"
#include "install/user_component.h"

#include <shlobj.h>

#include <cstring>

#include "base/admin_folder.h"
#include "base/file_system.h"
#include "base/folder_rules.h"
#include "base/held_folder.h"
#include "base/image_rules.h"
#include "base/path_rules.h"
#include "base/scoped_handle.h"
#include "base/version.h"
#include "base/version_rules.h"
#include "entry/record_rules.h"
#include "entry/uninstall_entry.h"
#include "logon/active_setup.h"
#include "process/state.h"
#include "registration/registration.h"
#include "replace/replace.h"
#include "replace/restart_delete.h"
#include "report/report.h"
#include "resources/resource.h"

namespace {

const int TextSize = 128;

struct Placement {
    bool entryExisted; // an entry of an earlier installation was there
    bool madeFolder;   // this run made the remover's folder
    bool placed;       // this run wrote the remover
    char folder[MAX_PATH];
    char remover[MAX_PATH];
};
Placement Placed;

// The entry that names the remover; version and publisher from the plug-in
// the installer carries.
void WriteEntry() {
    const BYTE* plugin;
    DWORD pluginSize;
    char version[TextSize] = "", publisher[TextSize] = "";
    if (CarriedPlugin(&plugin, &pluginSize)) {
        ProductVersionNumbers numbers;
        ReadImageVersion(plugin, pluginSize, &numbers);
        DisplayVersionText(numbers.major, numbers.minor, numbers.patch, version, sizeof version);
        ReadImageVersionString(plugin, pluginSize, "CompanyName", publisher, sizeof publisher);
    }
    WriteUninstallEntry({version, publisher, Placed.folder, Placed.remover, PlacedBytes});
}

// A file an earlier removal had to leave: deleted now, or later again.
void DeleteKeptFile(const HeldFolder& folder, const char* name, HANDLE file) {
    DeleteNowOrLater(folder, name, file, nullptr);
}

void RemoveRemover() {
    // The product's folder is the remover's: held while the file goes.
    if (Placed.placed) DeleteProductFile(RemoverFileName);
    if (Placed.madeFolder) DeleteEmptyFolder(Placed.folder);
}

} // namespace

OwnFilePlacement PlaceOwnFile(PayloadItem& item, const HeldFolder& folder, const char* name,
                              bool trustThere) {
    char path[MAX_PATH];
    if (!ComposeFilePath(path, sizeof path, folder.path, name, SeparatorUnlessPresent,
                         IsAnsiLeadByte))
        return OwnFileFailed;
    DWORD error = ERROR_RESOURCE_DATA_NOT_FOUND;
    ScopedHandle previous, temporary;
    if (LoadPayloadData(item)) {
        OpenInFolder(folder, name, DELETE | FILE_READ_DATA, FILE_SHARE_READ, OpenExisting,
                     previous);
        if (previous.Valid() && trustThere) {
            if (FileHoldsPayload(previous.Get(), item)) return OwnFileKept;
            ProductVersionNumbers carried, there;
            ReadImageVersion(item.data, item.size, &carried);
            ReadProductVersionOf(previous.Get(), &there.major, &there.minor, &there.patch,
                                 &there.build);
            if (IsNewerVersion(there, carried)) {
                ReportMessage(MSG_KEPT_NEWER_FILE, path);
                return OwnFileKept;
            }
        }
        error = WriteTemporaryCopy(item, folder, GetTickCount() ^ GetCurrentProcessId(), temporary);
    }
    if (error == ERROR_SUCCESS) {
        char parkedName[MAX_PATH];
        bool parked = previous.Valid() && Park(folder, name, previous.Get(), parkedName);
        // Replaced in place instead: it must not be held open then.
        if (!parked) previous.Reset(nullptr);
        error = ReplaceTarget(folder, name, temporary.Get(), previous.Get());
    }
    if (error == ERROR_SUCCESS) {
        PlacedBytes += item.size;
        return OwnFileWritten;
    }
    SetLastError(error);
    ReportMessage(MSG_CANT_PLACE, nullptr, path);
    return OwnFileFailed;
}

void PlaceRemoverAndEntry() {
    // What an earlier removal had to leave, while a program held it.
    DeleteKeptFiles(DeleteKeptFile, nullptr);
    Placed.entryExisted = UninstallEntryShown();
    char programFiles[MAX_PATH];
    const char* name;
    if (!RemoverPaths(Placed.folder, Placed.remover) ||
        !SplitFilePath(Placed.folder, programFiles, sizeof programFiles, &name, IsAnsiLeadByte))
        return;

    // The folder goes into the record before it is made, and the remover is
    // written before the entry names it. The folder inherits Program Files'
    // security, so no standard user can change it; an existing one that
    // others could change is reset, or refused.
    if (!FolderExists(Placed.folder)) RecordPath(MadeFolders, Placed.folder);
    HeldFolder own;
    AdminFolderState state;
    DWORD error = HoldAdminFolder(programFiles, name, false, ResetForeign, own, &state);
    if (error == ERROR_SUCCESS) {
        Placed.madeFolder = state == AdminFolderMade;
        PayloadItem& remover = CarriedRemover();
        if (PlaceOwnFile(remover, own, RemoverFileName, state != AdminFolderReset) ==
            OwnFileWritten)
            Placed.placed = true;
        PlaceUserComponent(own, state != AdminFolderReset);
    } else {
        SetLastError(error);
        ReportMessage(MSG_CANT_PLACE, nullptr, Placed.folder);
    }
    WriteEntry();
}

void FinishPlacement(bool installed) {
    if (!installed && !Placed.entryExisted) {
        // Nothing installed on a machine without an earlier installation: the
        // remover, its folder and the entry with its record go again.
        TakeBackUserComponent();
        RemoveRemover();
        DeleteUninstallEntry();
        return;
    }
    if (Placed.madeFolder) ReportMessage(MSG_CREATED_DIRECTORY, Placed.folder);
    if (Placed.placed) ReportMessage(MSG_CREATED_FILE, Placed.remover);
    UpdateEstimatedSize(PlacedBytes);
}
