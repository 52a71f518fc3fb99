// The install-target list the scans fill.
#pragma once
#include "discovery/target_rules.h"

// Appends to the program-wide list (InstallTargets). A target beyond the
// 20th record is dropped without a word; so is a path too long for a record.
void AddInstallTarget(const char* name, const char* pluginPath);
// Which plug-in paths the scans take: all of them while TargetFilter is null
// (the installer); the per-user program takes the places of its user alone.
extern bool (*TargetFilter)(const char* pluginPath);
bool IsWantedTarget(const char* pluginPath);
