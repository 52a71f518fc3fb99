// Opera's plug-in folders: the one it registers for the current user, else
// those named by its profile files.
#include <windows.h>

#include "base/file_system.h"
#include "base/path_rules.h"
#include "base/registry.h"
#include "discovery/program_folder.h"
#include "discovery/scans.h"
#include "discovery/targets.h"
#include "report/report.h"
#include "resources/resource.h"

namespace {

const char OperaName[] = "Opera";
const char OperaProgram[] = "opera.exe";
const char OperaKey[] = "SOFTWARE\\Opera Software";
const char PluginPathValue[] = "Plugin Path";
const char ProfileSubfolder[] = "opera\\opera\\profile\\";
const char ProfilePattern[] = "opera*.ini";
const char ProfileSection[] = "User Prefs";
const int CsidlAppData = 26;
const int ProfileTextLimit = 260;

// True when the current user's registered "Plugin Path" is an existing folder.
bool ReadOperaRegistryPluginPath(char* buffer, int size) {
    return ReadRegistryTextAt(HKEY_CURRENT_USER, OperaKey, KEY_READ, PluginPathValue, buffer,
                              size) == RegistryTextRead &&
           FolderExists(buffer);
}

// Accepts folder as a target named after the opera.exe in it or above it.
void AcceptOperaFolder(TargetPlan& plan, const char* folder) {
    char pluginPath[PluginPathSize];
    if (!ComposeFilePath(pluginPath, sizeof pluginPath, folder, PluginFileName,
                         SeparatorUnlessPresent, IsAnsiLeadByte))
        return;
    char name[TargetNameSize];
    NameAfterProgram(OperaName, folder, OperaProgram, name, sizeof name);
    AcceptTarget(plan, OperaName, folder, name, pluginPath);
}

void ScanOperaProfiles(TargetPlan& plan) {
    char profiles[ScratchPathSize];
    if (SpecialFolderPath(CsidlAppData, profiles, ProfileTextLimit) == 0) return;
    if ((!EndsWithBackslash(profiles, IsAnsiLeadByte) &&
         !AppendText(profiles, sizeof profiles, "\\")) ||
        !AppendText(profiles, sizeof profiles, ProfileSubfolder) || !FolderExists(profiles))
        return;
    char pattern[ScratchPathSize];
    if (!CopyText(pattern, sizeof pattern, profiles) ||
        !AppendText(pattern, sizeof pattern, ProfilePattern))
        return;

    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA(pattern, &entry);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        char profile[ScratchPathSize];
        entry.cFileName[sizeof entry.cFileName - 1] = '\0';
        if (!CopyText(profile, sizeof profile, profiles) ||
            !AppendText(profile, sizeof profile, entry.cFileName))
            continue;
        char folder[ScratchPathSize];
        // The profile names it as the registry does.
        GetPrivateProfileStringA(ProfileSection, PluginPathValue, "", folder, ProfileTextLimit,
                                 profile);
        folder[ProfileTextLimit - 1] = '\0';
        if (folder[0] != '\0' && FolderExists(folder)) AcceptOperaFolder(plan, folder);
    } while (FindNextFileA(search, &entry));
    FindClose(search);
}

} // namespace

void ScanOpera(TargetPlan& plan) {
    char folder[ScratchPathSize];
    if (ReadOperaRegistryPluginPath(folder, sizeof folder)) {
        AcceptOperaFolder(plan, folder);
        return;
    }
    ScanOperaProfiles(plan);
}
