// The procedure that Safari and Chrome share: the program folder from the
// first registry place that opens, its "Plugins" folder as the target.
#pragma once
#include <windows.h>

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
    bool createPlugins;        // a missing "Plugins" folder is made (else reported)
};

void ScanProgramFolderBrowser(const ProgramFolderBrowser& browser);
