// The install-target list: what the scans found, handed to deployment.
#pragma once
#include "resources/product.h"

const int MaxInstallTargets = 20;
const int TargetNameSize = 100;
const int PluginPathSize = 261;

struct InstallTarget {
    char name[TargetNameSize];
    char pluginPath[PluginPathSize]; // "" when an earlier record has the same path
};

struct InstallTargetList {
    InstallTarget records[MaxInstallTargets];
    int count;
};

// Appends a record; a path equal (exactly, case-sensitive) to an earlier
// record's is blanked, the record itself stays. Returns false, adding nothing,
// when the list is full or the path is longer than a record holds (a cut path
// would name some other file). A name too long for its record is cut: it is
// only ever shown.
bool AddInstallTargetTo(InstallTargetList& list, const char* name, const char* pluginPath);
