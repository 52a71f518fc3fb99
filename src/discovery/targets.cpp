#include "discovery/targets.h"

InstallTargetList InstallTargets;
bool (*TargetFilter)(const char* pluginPath);

void AddInstallTarget(const char* name, const char* pluginPath) {
    if (IsWantedTarget(pluginPath)) AddInstallTargetTo(InstallTargets, name, pluginPath);
}

bool IsWantedTarget(const char* pluginPath) {
    return !TargetFilter || TargetFilter(pluginPath);
}
