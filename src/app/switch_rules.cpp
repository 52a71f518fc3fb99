#include "app/switch_rules.h"

namespace {

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

// Compares the text after a "/" with a four-letter switch name. The text may end
// early; a shorter candidate never matches.
bool SwitchIs(const char* after, const char* name) {
    for (int i = 0; i < 4; ++i) {
        if (after[i] == '\0' || LowerAscii(after[i]) != name[i]) return false;
    }
    return true;
}

} // namespace

Switches ScanSwitches(const char* commandLine) {
    Switches found = {false, false};
    if (!commandLine) return found;
    for (const char* p = commandLine; *p; ++p) {
        if (*p != '/') continue;
        if (SwitchIs(p + 1, "noui")) found.silent = true;
        if (SwitchIs(p + 1, "noeu")) found.skipLicense = true;
    }
    return found;
}
