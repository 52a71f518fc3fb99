#include "discovery/scans.h"
#include "discovery/targets.h"

void RunScans() {
    FindDefaultBrowserPluginFolder();
    ScanNetscapeNavigator();
    ScanMozillaProducts();
    ScanOpera();
    ScanSafari();
    ScanChrome();
    if (InstallTargets.count == 0) ScanNetscapeFallback();
}
