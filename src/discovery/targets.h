// The plan the scans fill: what they found, handed to the program that acts
// on it. The scans only find; they make and record nothing.
#pragma once
#include "base/registry.h"
#include "discovery/target_rules.h"

// Which plug-in paths the scans take: every one when null (the installer); the
// per-user program takes the places of its user alone.
typedef bool (*TargetFilter)(const char* pluginPath);

// A browser's missing "Plugins" folder that is to be made (Chrome's). The
// scan only plans it; the program that runs the scans records it and makes it
// inside its program folder, and FinishScans then takes its target.
struct PlannedFolder {
    const char* browser;                 // null when no folder is planned
    const char* namingProgram;           // names the target (NameAfterProgram)
    char programFolder[ScratchPathSize]; // the folder it is made in
    char path[ScratchPathSize];          // the folder itself
    char pluginPath[PluginPathSize];     // its target's plug-in file
};

struct TargetPlan {
    TargetFilter filter;       // set before the scans run
    InstallTargetList targets; // in the order found
    PlannedFolder folder;
};

// A target a scan found: the "registered folder" line names browser and
// folder, then the target is added when the filter takes its path. A target
// beyond the 20th record is dropped without a word; so is a path too long for
// a record.
void AcceptTarget(TargetPlan& plan, const char* browser, const char* folder, const char* name,
                  const char* pluginPath);
// Adds the target, unless the filter leaves its path.
void AddInstallTarget(TargetPlan& plan, const char* name, const char* pluginPath);
bool IsWantedTarget(const TargetPlan& plan, const char* pluginPath);
