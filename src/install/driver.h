#pragma once

// One whole installation run; true when at least one plug-in file was written.
bool InstallDriver();
// All scans and the walk over the target list: 3 when anything was written, else 1.
int ScanAndDeploy();

// The path of a plug-in file written in this run ("" until one is written).
extern char InstalledPluginPath[272];
