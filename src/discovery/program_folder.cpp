#include "discovery/program_folder.h"

#include "base/file_system.h"
#include "base/held_folder.h"
#include "base/path_rules.h"
#include "base/registry.h"
#include "base/version.h"
#include "discovery/targets.h"
#include "entry/uninstall_entry.h"
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

// Makes the missing "Plugins" folder (Chrome) or reports it (Safari); true
// when the folder exists afterwards.
bool ProvidePluginsFolder(const ProgramFolderBrowser& browser, const char* programFolder,
                          const char* pluginsFolder) {
    if (!browser.createPlugins) {
        ReportMessage(MSG_FOLDER_MISSING, browser.displayName, pluginsFolder);
        return false;
    }
    // Made inside the program folder held open, so that it lands nowhere else,
    // and recorded first, so that the remover takes it away when it is empty.
    RecordPath(MadeFolders, pluginsFolder);
    DWORD error = MakeFolderIn(programFolder, PluginsFolderName, CreateNew);
    if (error == ERROR_SUCCESS) {
        ReportMessage(MSG_CREATED_DIRECTORY, pluginsFolder);
    } else {
        SetLastError(error);
        ReportMessage(MSG_CANT_CREATE_SUBFOLDER, nullptr, browser.displayName, pluginsFolder);
    }
    return FolderExists(pluginsFolder);
}

} // namespace

void ScanProgramFolderBrowser(TargetPlan& plan, const ProgramFolderBrowser& browser) {
    char folder[ScratchPathSize];
    if (!ReadFirstPlace(browser, folder, sizeof folder)) return;
    KeepQuotedPart(folder);
    CutBeforeProgramName(folder, browser.programNames, browser.programNameCount, IsAnsiLeadByte);
    if (!FolderExists(folder)) return;

    // Both paths are formed before anything is made, so a folder too deep for
    // the plug-in's path is left alone.
    char pluginsFolder[ScratchPathSize];
    char pluginPath[PluginPathSize];
    if (!ComposeSubfolder(pluginsFolder, sizeof pluginsFolder, folder, PluginsFolderName,
                          IsAnsiLeadByte) ||
        !ComposeFilePath(pluginPath, sizeof pluginPath, pluginsFolder, PluginFileName,
                         SeparatorUnlessPresent, IsAnsiLeadByte))
        return;
    // A place this program leaves alone gets no folder either.
    if (!IsWantedTarget(plan, pluginPath)) return;
    if (!FolderExists(pluginsFolder) && !ProvidePluginsFolder(browser, folder, pluginsFolder))
        return;

    char name[TargetNameSize];
    NameAfterProgram(browser.displayName, pluginsFolder, browser.namingProgram, name, sizeof name);
    AcceptTarget(plan, browser.displayName, pluginsFolder, name, pluginPath);
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
