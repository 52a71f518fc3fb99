#include "discovery/scans.h"

void RunScans(TargetPlan& plan) {
    ScanNetscapeNavigator(plan);
    ScanMozillaProducts(plan);
    ScanOpera(plan);
    ScanSafari(plan);
    ScanChrome(plan);
    if (plan.targets.count == 0) ScanNetscapeFallback(plan);
}
