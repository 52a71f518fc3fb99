// The default browser's plug-in folder, Netscape Navigator's registered
// versions, and the unregistered Netscape under Program Files.
#include <windows.h>

#include "base/file_system.h"
#include "base/path_rules.h"
#include "base/registry.h"
#include "discovery/navigator_rules.h"
#include "discovery/scans.h"
#include "discovery/targets.h"
#include "report/report.h"
#include "resources/resource.h"

namespace {

const char HtmlExtension[] = ".html";
const char OpenCommandSuffix[] = "\\shell\\open\\command";
const char PluginsSuffix[] = "\\Plugins";
const char NavigatorKey[] = "SOFTWARE\\Netscape\\Netscape Navigator";
const char MainSubkey[] = "\\Main";
const char PluginsDirectoryValue[] = "Plugins Directory";
const char CommunicatorPrefix[] = "Netscape Communicator ";
const char FallbackName[] = "Netscape";
const char NetscapeProgram[] = "netscape.exe";
const char FallbackPluginsFolder[] = "\\Plugins\\";
const char* const NetscapeSubfolderTable[] = {
    "\\Netscape\\Communicator\\Program\\",
    "\\Netscape\\Program\\",
    "\\Netscape\\",
};
const int PathSize = 261;
// Navigator's version subkey names are read with this limit, zero included.
const DWORD VersionNameSize = 30;

// The "Plugins" folder beside the program that opens .html files, when that
// program exists ("" when it does not).
void FindDefaultBrowserPluginFolder(char (&folder)[PathSize]) {
    folder[0] = '\0';
    char text[ScratchPathSize];
    if (ReadRegistryTextAt(HKEY_CLASSES_ROOT, HtmlExtension, KEY_READ, nullptr, text,
                           sizeof text) != RegistryTextRead)
        return;
    char commandKey[ScratchPathSize];
    if (!CopyText(commandKey, sizeof commandKey, text) ||
        !AppendText(commandKey, sizeof commandKey, OpenCommandSuffix))
        return;
    if (ReadRegistryTextAt(HKEY_CLASSES_ROOT, commandKey, KEY_READ, nullptr, text, sizeof text) !=
        RegistryTextRead)
        return;
    char program[ScratchPathSize];
    if (!ProgramPathFromCommand(text, program, sizeof program)) return;
    if (GetFileAttributesA(program) == INVALID_FILE_ATTRIBUTES) return;
    ReplaceLastComponent(folder, sizeof folder, program, PluginsSuffix, IsAnsiLeadByte);
}

// The Navigator version the scan takes.
struct NavigatorChoice {
    char name[TargetNameSize];
    char folder[ScratchPathSize];
    char pluginPath[PluginPathSize];
};

// Walks Navigator's version subkeys: the version whose folder is the default
// browser's, else the preferred one. False when none qualifies.
bool ChooseNavigatorVersion(const char* defaultFolder, NavigatorChoice& chosen) {
    HKEY opened;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, NavigatorKey, 0, KEY_READ, &opened) != ERROR_SUCCESS)
        return false;
    ScopedKey versions(opened);
    bool found = false;
    int bestMajor = 0, bestMinor = 0;
    char name[VersionNameSize];
    for (DWORD index = 0;; ++index) {
        DWORD nameSize = sizeof name;
        if (RegEnumKeyExA(versions.Get(), index, name, &nameSize, nullptr, nullptr, nullptr,
                          nullptr) != ERROR_SUCCESS)
            break;
        name[sizeof name - 1] = '\0';
        int major, minor;
        if (!ParseNavigatorVersion(name, &major, &minor)) continue;

        char mainKey[ScratchPathSize];
        if (!CopyText(mainKey, sizeof mainKey, name) ||
            !AppendText(mainKey, sizeof mainKey, MainSubkey))
            continue;
        HKEY openedMain;
        if (RegOpenKeyExA(versions.Get(), mainKey, 0, KEY_READ, &openedMain) != ERROR_SUCCESS)
            continue;
        char folder[ScratchPathSize];
        RegistryTextResult read;
        DWORD error;
        {
            ScopedKey main(openedMain);
            read = ReadRegistryText(main.Get(), PluginsDirectoryValue, folder, sizeof folder);
            error = GetLastError();
        }
        if (read != RegistryTextRead) {
            SetLastError(error);
            ReportMessage(MSG_CANT_READ_NETSCAPE, nullptr, major, minor);
            continue;
        }
        if (!FolderExists(folder)) {
            ReportMessage(MSG_FOLDER_MISSING, name, folder);
            continue;
        }
        // A folder too deep for the plug-in's path is never chosen.
        char pluginPath[PluginPathSize];
        if (!ComposeFilePath(pluginPath, sizeof pluginPath, folder, PluginFileName,
                             AlwaysAddSeparator, IsAnsiLeadByte))
            continue;
        bool isDefault = SamePath(folder, defaultFolder) == 0;
        if (isDefault || NavigatorVersionPreferred(major, minor, bestMajor, bestMinor)) {
            found = CopyText(chosen.name, sizeof chosen.name, CommunicatorPrefix) &&
                    AppendText(chosen.name, sizeof chosen.name, name) &&
                    CopyText(chosen.folder, sizeof chosen.folder, folder) &&
                    CopyText(chosen.pluginPath, sizeof chosen.pluginPath, pluginPath);
            bestMajor = major;
            bestMinor = minor;
            if (isDefault) break;
        }
    }
    return found;
}

} // namespace

void ScanNetscapeNavigator(TargetPlan& plan) {
    char defaultFolder[PathSize];
    FindDefaultBrowserPluginFolder(defaultFolder);
    NavigatorChoice chosen = {};
    if (!ChooseNavigatorVersion(defaultFolder, chosen)) return;

    AcceptTarget(plan, chosen.name, chosen.folder, chosen.name, chosen.pluginPath);
}

void ScanNetscapeFallback(TargetPlan& plan) {
    char programFiles[ScratchPathSize];
    ProgramFilesFolder(programFiles);
    char candidate[ScratchPathSize];
    for (const char* subfolder : NetscapeSubfolderTable) {
        if (!CopyText(candidate, sizeof candidate, programFiles) ||
            !AppendText(candidate, sizeof candidate, subfolder) ||
            !AppendText(candidate, sizeof candidate, NetscapeProgram))
            continue;
        DWORD attributes = GetFileAttributesA(candidate);
        if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
            continue;

        char folder[ScratchPathSize];
        char pluginPath[PluginPathSize];
        if (!ReplaceLastComponent(folder, sizeof folder, candidate, "", IsAnsiLeadByte) ||
            !CopyText(pluginPath, sizeof pluginPath, folder) ||
            !AppendText(pluginPath, sizeof pluginPath, FallbackPluginsFolder) ||
            !AppendText(pluginPath, sizeof pluginPath, PluginFileName))
            return;
        ReportMessage(MSG_UNREGISTERED_FOLDER, NetscapeProgram, folder);
        AddInstallTarget(plan, FallbackName, pluginPath);
        return;
    }
}
