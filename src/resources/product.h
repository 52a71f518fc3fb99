// The product's names that files, folders and records on the disk carry.
// Plain constants: the pure rules, the programs and the tests share them.
#pragma once

#include "resources/version.h"

struct VersionTriple {
    int major;
    int minor;
    int patch;
};

// The product's version (version.h), as the installer compares and reports it.
inline constexpr VersionTriple ProductVersion = {PRODUCT_VERSION_MAJOR, PRODUCT_VERSION_MINOR,
                                                 PRODUCT_VERSION_PATCH};

// The product's own folder: the programs' in Program Files, the logs' in
// Windows' Logs folder and in each user's local application data.
inline constexpr char ProductFolderName[] = "Scorewave";
// The plug-in's file, in every browser's plug-in folder.
inline constexpr char PluginFileName[] = "npscorew64.dll";
// The folder of a browser's plug-ins beside its program (Chrome's, Safari's).
inline constexpr char PluginsFolderName[] = "Plugins";
