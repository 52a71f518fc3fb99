#include "discovery/scans.h"

#include "discovery/program_folder.h"

void RunScans(TargetPlan& plan) {
    ScanNetscapeNavigator(plan);
    ScanMozillaProducts(plan);
    ScanOpera(plan);
    ScanSafari(plan);
    ScanChrome(plan);
}

void FinishScans(TargetPlan& plan) {
    TakePlannedFolder(plan);
    if (plan.targets.count == 0) ScanNetscapeFallback(plan);
}
