// TEMPORARY placeholders until the discovery code lands; delete this file then.
#include "discovery/scans.h"
#include "discovery/targets.h"
#include <windows.h>
InstallTargetList InstallTargets;
void AddInstallTarget(const char*, const char*) {}
void ProgramFilesFolder(char* buffer) { lstrcpynA(buffer, "C:\\Program Files", 260); }
void FindDefaultBrowserPluginFolder() {}
void ScanNetscapeNavigator() {}
void ScanMozillaProducts() {}
void ScanOpera() {}
void ScanSafari() {}
void ScanChrome() {}
void ScanNetscapeFallback() {}
