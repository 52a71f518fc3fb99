#include "discovery/targets.h"

#include "report/report.h"
#include "resources/resource.h"

void AcceptTarget(TargetPlan& plan, const char* browser, const char* folder, const char* name,
                  const char* pluginPath) {
    ReportMessage(MSG_REGISTERED_FOLDER, browser, folder);
    AddInstallTarget(plan, name, pluginPath);
}

void AddInstallTarget(TargetPlan& plan, const char* name, const char* pluginPath) {
    if (IsWantedTarget(plan, pluginPath)) AddInstallTargetTo(plan.targets, name, pluginPath);
}

bool IsWantedTarget(const TargetPlan& plan, const char* pluginPath) {
    return !plan.filter || plan.filter(pluginPath);
}
