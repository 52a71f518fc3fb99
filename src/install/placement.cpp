#include "install/placement.h"
#include "install/user_component.h"

#include <shlobj.h>

#include "process/scoped_handle.h"
#include "process/state.h"
#include "deploy/folder_rules.h"
#include "deploy/held_folder.h"
#include "deploy/image_rules.h"
#include "deploy/payload.h"
#include "deploy/record_rules.h"
#include "deploy/registration.h"
#include "deploy/uninstall_entry.h"
#include "deploy/version_rules.h"
#include "discovery/path_rules.h"
#include "discovery/targets.h"
#include "report/report.h"
#include "resources/resource.h"

namespace {

const char FirstIcon[] = ",0";
const char ProductPage[] = "http://www.scorewave-music.com/";
const DWORD KiB = 1024;
const int TextSize = 128;

struct Placement {
    bool entryExisted; // an entry of an earlier installation was there
    bool madeFolder;   // this run made the remover's folder
    bool placed;       // this run wrote the remover
    char folder[MAX_PATH];
    char remover[MAX_PATH];
};
Placement Placed;

// Makes the remover's folder inside the Program Files folder held open; it
// inherits Program Files' security, so no standard user can change it. A
// folder that cannot be made is told by the remover's write into it.
bool MakeRemoverFolder(const char* folder) {
    char programFiles[MAX_PATH];
    const char* name;
    return SplitFilePath(folder, programFiles, sizeof programFiles, &name, IsAnsiLeadByte) &&
           MakeFolderIn(programFiles, name, CreateNew) == ERROR_SUCCESS;
}

void SetNumber(HKEY key, const char* name, DWORD number) {
    RegSetValueExA(key, name, 0, REG_DWORD, (const BYTE*)&number, sizeof number);
}

// prefix, text and suffix, or nothing when they do not fit.
void Suffixed(char* out, int size, const char* prefix, const char* text, const char* suffix) {
    if (!CopyText(out, size, prefix) || !AppendText(out, size, text) ||
        !AppendText(out, size, suffix))
        out[0] = '\0';
}

// The entry's values, as Programs and Features, winget and deployment tools
// read them; version and publisher from the plug-in the installer carries.
void WriteEntryValues(HKEY key) {
    const BYTE* plugin;
    DWORD pluginSize;
    char version[TextSize] = "", publisher[TextSize] = "", text[2 * MAX_PATH];
    if (CarriedPlugin(&plugin, &pluginSize)) {
        ReadImageVersionString(plugin, pluginSize, "ProductVersion", text, sizeof text);
        ProductVersionNumbers numbers;
        ParseProductVersion(text, &numbers);
        DisplayVersionText(numbers.major, numbers.minor, numbers.patch, version, sizeof version);
        ReadImageVersionString(plugin, pluginSize, "CompanyName", publisher, sizeof publisher);
    }
    if (LoadStringA(ModuleHandle, MSG_DISPLAY_NAME, text, sizeof text) > 0)
        SetStringValue(key, "DisplayName", text);
    SetStringValue(key, "DisplayVersion", version);
    SetStringValue(key, "Publisher", publisher);
    Suffixed(text, sizeof text, "", Placed.remover, FirstIcon);
    SetStringValue(key, "DisplayIcon", text);
    SetStringValue(key, "InstallLocation", Placed.folder);
    Suffixed(text, sizeof text, "\"", Placed.remover, "\"");
    SetStringValue(key, "UninstallString", text);
    Suffixed(text, sizeof text, "\"", Placed.remover, "\"");
    AppendText(text, sizeof text, " ");
    AppendText(text, sizeof text, QuietSwitch);
    SetStringValue(key, "QuietUninstallString", text);
    SetNumber(key, "NoModify", 1);
    SetNumber(key, "NoRepair", 1);
    SetStringValue(key, "URLInfoAbout", ProductPage);
    SYSTEMTIME today;
    GetLocalTime(&today);
    InstallDateText(today.wYear, today.wMonth, today.wDay, text, sizeof text);
    SetStringValue(key, "InstallDate", text);
}

bool HasDisplayName(HKEY key) {
    return RegQueryValueExA(key, "DisplayName", nullptr, nullptr, nullptr, nullptr) ==
           ERROR_SUCCESS;
}

void RemoveRemover() {
    {
        HeldFolder folder;
        if (Placed.placed && HoldFolder(Placed.folder, folder) == ERROR_SUCCESS)
            DeleteInFolder(folder, RemoverFileName);
    }
    if (Placed.madeFolder) DeleteEmptyFolder(Placed.folder);
}

} // namespace

void PlaceRemoverAndEntry() {
    if (HKEY key = OpenUninstallEntry(false)) {
        Placed.entryExisted = HasDisplayName(key);
        RegCloseKey(key);
    }
    if (!RemoverPaths(Placed.folder, Placed.remover)) return;

    // The folder goes into the record before it is made, and the remover is
    // written before the entry names it.
    if (!FolderExists(Placed.folder)) {
        RecordPath(MadeFolders, Placed.folder);
        Placed.madeFolder = MakeRemoverFolder(Placed.folder);
    }
    // The same remover stays as it is: a repeated installation changes nothing.
    PayloadItem& remover = CarriedRemover();
    if (!HoldsPayload(remover, Placed.remover) &&
        DeployWithRetries(remover, Placed.remover, Preloaded(MSG_WINDOWS), false) ==
            DeployWritten) {
        Placed.placed = true;
        PlacedBytes += remover.size;
    }
    if (HKEY key = OpenUninstallEntry(true)) {
        WriteEntryValues(key);
        SetNumber(key, "EstimatedSize", (PlacedBytes + KiB - 1) / KiB);
        RegCloseKey(key);
    }
    PlaceUserComponent();
}

void FinishPlacement(bool installed) {
    if (!installed && !Placed.entryExisted) {
        // Nothing installed on a machine without an earlier installation: the
        // remover, its folder and the entry with its record go again.
        TakeBackUserComponent();
        RemoveRemover();
        RegDeleteKeyExA(HKEY_LOCAL_MACHINE, UninstallEntryKey, KEY_WOW64_64KEY, 0);
        return;
    }
    if (Placed.madeFolder) ReportMessage(MSG_CREATED_DIRECTORY, Placed.folder);
    if (Placed.placed) ReportMessage(MSG_CREATED_FILE, Placed.remover);
    if (HKEY key = OpenUninstallEntry(false)) {
        SetNumber(key, "EstimatedSize", (PlacedBytes + KiB - 1) / KiB);
        RegCloseKey(key);
    }
}
