#include "discovery/target_rules.h"

#include <cstring>

bool AddInstallTargetTo(InstallTargetList& list, const char* name, const char* pluginPath) {
    if (list.count < 0 || list.count >= MaxInstallTargets) return false;
    if (!name) name = "";
    if (!pluginPath) pluginPath = "";
    if (strlen(pluginPath) >= sizeof list.records[0].pluginPath) return false;

    InstallTarget& record = list.records[list.count++];
    // Counted here rather than with strnlen, which the cross build takes from a
    // static library together with unwind tables of a section of their own.
    size_t nameLength = 0;
    while (nameLength < sizeof record.name - 1 && name[nameLength] != '\0')
        ++nameLength;
    memcpy(record.name, name, nameLength);
    record.name[nameLength] = '\0';
    memcpy(record.pluginPath, pluginPath, strlen(pluginPath) + 1);
    record.pluginPath[sizeof record.pluginPath - 1] = '\0';

    for (int i = 0; i < list.count - 1; ++i) {
        if (strcmp(list.records[i].pluginPath, record.pluginPath) == 0) {
            record.pluginPath[0] = '\0';
            break;
        }
    }
    return true;
}
