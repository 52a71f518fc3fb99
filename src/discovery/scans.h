// The browser scans, for the installer and the per-user program alike.
#pragma once
#include "discovery/targets.h"

// Every scan, in this order; what they find is added to plan. A folder to make
// is only planned: the caller makes it, then calls FinishScans.
void RunScans(TargetPlan& plan);
// Takes the planned folder's target when the folder exists now; then, when no
// target was taken, the last scan.
void FinishScans(TargetPlan& plan);

void ScanNetscapeNavigator(TargetPlan& plan);
void ScanMozillaProducts(TargetPlan& plan);
void ScanOpera(TargetPlan& plan);
void ScanSafari(TargetPlan& plan);
void ScanChrome(TargetPlan& plan);
// Runs only when all the others found nothing.
void ScanNetscapeFallback(TargetPlan& plan);
