#pragma once

// One whole installation run; true when at least one plug-in file was written.
bool InstallDriver();

// The path of a plug-in file written in this run ("" until one is written).
extern char InstalledPluginPath[272];
