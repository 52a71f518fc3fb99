#include "discovery/program_folder.h"

#include "base/file_system.h"
#include "base/path_rules.h"
#include "base/registry.h"
#include "base/version.h"
#include "report/report.h"
#include "resources/resource.h"

namespace {

const char VersionedNameFormat[] = "%s %d.%d";

// Reads the value of the first place whose key opens; later places are not
// tried even when that value proves unusable.
bool ReadFirstPlace(const ProgramFolderBrowser& browser, char* text, int size) {
    for (int i = 0; i < browser.placeCount; ++i) {
        const RegistryPlace& place = browser.places[i];
        HKEY opened;
        if (RegOpenKeyExA(place.root, place.key, 0, KEY_READ, &opened) != ERROR_SUCCESS) continue;
        ScopedKey key(opened);
        return ReadRegistryText(key.Get(), place.value, text, size) == RegistryTextRead;
    }
    return false;
}

// Plans the missing "Plugins" folder (Chrome) or reports it (Safari).
void PlanPluginsFolder(TargetPlan& plan, const ProgramFolderBrowser& browser,
                       const char* programFolder, const char* pluginsFolder,
                       const char* pluginPath) {
    if (!browser.createPlugins) {
        ReportMessage(MSG_FOLDER_MISSING, browser.displayName, pluginsFolder);
        return;
    }
    PlannedFolder& planned = plan.folder;
    if (!CopyText(planned.programFolder, sizeof planned.programFolder, programFolder) ||
        !CopyText(planned.path, sizeof planned.path, pluginsFolder) ||
        !CopyText(planned.pluginPath, sizeof planned.pluginPath, pluginPath))
        return;
    planned.browser = browser.displayName;
    planned.namingProgram = browser.namingProgram;
}

// A "Plugins" folder taken: its target is named after the program in it or above it.
void AcceptPluginsFolder(TargetPlan& plan, const char* browser, const char* namingProgram,
                         const char* pluginsFolder, const char* pluginPath) {
    char name[TargetNameSize];
    NameAfterProgram(browser, pluginsFolder, namingProgram, name, sizeof name);
    AcceptTarget(plan, browser, pluginsFolder, name, pluginPath);
}

} // namespace

void ScanProgramFolderBrowser(TargetPlan& plan, const ProgramFolderBrowser& browser) {
    char folder[ScratchPathSize];
    if (!ReadFirstPlace(browser, folder, sizeof folder)) return;
    KeepQuotedPart(folder);
    CutBeforeProgramName(folder, browser.programNames, browser.programNameCount, IsAnsiLeadByte);
    if (!FolderExists(folder)) return;

    // Both paths are formed before anything is planned, so a folder too deep
    // for the plug-in's path is left alone.
    char pluginsFolder[ScratchPathSize];
    char pluginPath[PluginPathSize];
    if (!ComposeSubfolder(pluginsFolder, sizeof pluginsFolder, folder, PluginsFolderName,
                          IsAnsiLeadByte) ||
        !ComposeFilePath(pluginPath, sizeof pluginPath, pluginsFolder, PluginFileName,
                         SeparatorUnlessPresent, IsAnsiLeadByte))
        return;
    // A place this program leaves alone gets no folder either.
    if (!IsWantedTarget(plan, pluginPath)) return;
    if (!FolderExists(pluginsFolder)) {
        PlanPluginsFolder(plan, browser, folder, pluginsFolder, pluginPath);
        return;
    }
    AcceptPluginsFolder(plan, browser.displayName, browser.namingProgram, pluginsFolder,
                        pluginPath);
}

void TakePlannedFolder(TargetPlan& plan) {
    const PlannedFolder& planned = plan.folder;
    // Also when making it failed: it may have been made meanwhile.
    if (planned.browser && FolderExists(planned.path))
        AcceptPluginsFolder(plan, planned.browser, planned.namingProgram, planned.path,
                            planned.pluginPath);
}

void NameAfterProgram(const char* displayName, const char* folder, const char* programName,
                      char* name, int nameSize) {
    lstrcpynA(name, displayName, nameSize);
    char program[ScratchPathSize];
    if (!CopyText(program, sizeof program, folder) ||
        !FindFileUpward(program, sizeof program, programName))
        return;
    int major = 0, minor = 0;
    ReadProductVersion(program, &major, &minor, nullptr, nullptr);
    // wsprintfA writes at most 1024 bytes: format into that much, then copy bounded.
    char versioned[1024];
    wsprintfA(versioned, VersionedNameFormat, displayName, major, minor);
    lstrcpynA(name, versioned, nameSize);
}
