// The procedure that Safari and Chrome share: the program folder from the
// first registry place that opens, its "Plugins" folder as the target.
#pragma once
#include <windows.h>

#include "discovery/targets.h"

struct RegistryPlace {
    HKEY root;
    const char* key;
    const char* value; // null for the key's default value
};

struct ProgramFolderBrowser {
    const char* displayName;
    const RegistryPlace* places;
    int placeCount;
    const char* const* programNames; // cut off the registry text, in this order
    int programNameCount;
    const char* namingProgram; // looked for upward from the plug-in folder
    bool createPlugins;        // a missing "Plugins" folder is planned (else reported)
};

void ScanProgramFolderBrowser(TargetPlan& plan, const ProgramFolderBrowser& browser);
// The target of the planned folder, once that folder exists.
void TakePlannedFolder(TargetPlan& plan);

// The target's name: displayName alone, or followed by the major and minor
// product version of programName when it lies in folder or above it.
void NameAfterProgram(const char* displayName, const char* folder, const char* programName,
                      char* name, int nameSize);
