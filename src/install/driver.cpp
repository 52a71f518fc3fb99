#include "install/driver.h"

#include <windows.h>

#include "base/file_system.h"
#include "base/folder_rules.h"
#include "base/held_folder.h"
#include "base/path_rules.h"
#include "discovery/scans.h"
#include "entry/uninstall_entry.h"
#include "font/font.h"
#include "install/placement.h"
#include "process/state.h"
#include "registration/registration.h"
#include "replace/replace.h"
#include "replace/replace_rules.h"
#include "report/report.h"
#include "resources/resource.h"
#include "run/run_lock.h"

char InstalledPluginPath[272];

namespace {

const char OldPluginFileName[] = "npscorew.dll";
const int ScratchPathSize = 272;
const int ReturnTextLimit = 260;

// Removes an old 32-bit plug-in that sits beside a freshly written file,
// through the folder held as for the write; whether it goes is not told.
void RemoveOldPluginBeside(const char* pluginPath) {
    char folderPath[ScratchPathSize];
    const char* name;
    if (!SplitFilePath(pluginPath, folderPath, sizeof folderPath, &name, IsAnsiLeadByte)) return;
    // A target named like the old plug-in is the file just written: it stays.
    if (lstrcmpiA(name, OldPluginFileName) == 0) return;
    // Looked for by its path first, which is only a hint: holding the folder
    // is what costs, and the file is almost never there. What is deleted is
    // still found through the held folder.
    char oldPath[ScratchPathSize];
    if (!ComposeFilePath(oldPath, sizeof oldPath, folderPath, OldPluginFileName,
                         SeparatorUnlessPresent, IsAnsiLeadByte) ||
        GetFileAttributesA(oldPath) == INVALID_FILE_ATTRIBUTES)
        return;
    HeldFolder folder;
    if (HoldFolder(folderPath, folder) == ERROR_SUCCESS) DeleteInFolder(folder, OldPluginFileName);
}

// All scans, the folder they planned, and the walk over the targets they
// found: 3 when anything was written, else 1.
int ScanAndDeploy(TargetPlan& plan) {
    RunScans(plan);
    MakePluginsFolder(plan.folder.browser, plan.folder.programFolder, plan.folder.path);
    FinishScans(plan);

    char registrationPath[ScratchPathSize] = "";
    int result = DeployFailed;
    for (int i = plan.targets.count - 1; i >= 0; --i) {
        const InstallTarget& target = plan.targets.records[i];
        if (target.pluginPath[0] == '\0') continue;
        // In the record before it is written; forgotten again when it was not.
        bool recorded = RecordPath(PluginPaths, target.pluginPath);
        int code = InstallPayloadFile(false, target.pluginPath, target.name);
        if (code <= 2 && recorded) ForgetPath(PluginPaths, target.pluginPath);
        if (code > 2) {
            RemoveOldPluginBeside(target.pluginPath);
            lstrcpynA(InstalledPluginPath, target.pluginPath, sizeof InstalledPluginPath);
            lstrcpynA(registrationPath, target.pluginPath, sizeof registrationPath);
            result = code;
        }
    }

    if (result > 2) {
        const DocumentType& mtd = DocumentTypes[0];
        const DocumentType& sgt = DocumentTypes[1];
        if (RegisterDocumentType(mtd.extension, mtd.progId, Preloaded(mtd.description),
                                 registrationPath)) {
            ReportMessage(MSG_NETSCAPE_REGISTERED, nullptr);
            RegisterDocumentType(sgt.extension, sgt.progId, Preloaded(sgt.description), nullptr);
        }
        NotifyAssociationsChanged();
    }
    return result;
}

} // namespace

bool InstallDriver() {
    // Held for the whole run, font and registration included. Without it
    // (refused, given up, or the window closed while waiting) nothing is done.
    RunLock lock(MainWindowHandle, !MainWindowHandle || BoxesUnseen());
    if (!lock.Held()) return false;
    // Id 49 is not in the catalogue: the line is the file name itself.
    ReportMessage(MSG_PLUGIN_FILE_NAME, PluginFileName, PayloadVersion.major, PayloadVersion.minor,
                  PayloadVersion.patch);
    PlaceRemoverAndEntry();
    // Static, not on the stack: a frame this large would need the stack probe.
    static TargetPlan plan;
    int result = ScanAndDeploy(plan);
    if (InstalledPluginPath[0] != '\0') InstallMusicFont(InstalledPluginPath);
    FinishPlacement(result > 2);
    if (result <= 2) return false;

    ReportToLog(MSG_LOG_TOP_HINT);
    LogSeparator();
    ReportMessage(MSG_INSTALLED, Preloaded(MSG_PRODUCT_NAME), PayloadVersion.major,
                  PayloadVersion.minor, PayloadVersion.patch);
    for (int i = 0; i < plan.targets.count; ++i)
        ReportMessage(MSG_FOR_BROWSER, plan.targets.records[i].name);

    char returnText[ReturnTextLimit];
    if (LoadStringA(ModuleHandle, MSG_RETURN_TO_DOWNLOAD, returnText, sizeof returnText) > 0)
        LogLine(returnText);
    RegisterOpenCommand();
    return true;
}
