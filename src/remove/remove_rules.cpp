#include "remove/remove_rules.h"

namespace {

const char QuietSwitch[] = "/quiet";

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

bool EndsWord(char c) {
    return c == '\0' || c == ' ' || c == '\t';
}

} // namespace

bool HasQuietSwitch(const char* commandLine) {
    if (!commandLine) return false;
    for (const char* p = commandLine; *p; ++p) {
        if (p != commandLine && !EndsWord(p[-1])) continue;
        int i = 0;
        while (QuietSwitch[i] && LowerAscii(p[i]) == QuietSwitch[i])
            ++i;
        if (QuietSwitch[i] == '\0' && EndsWord(p[i])) return true;
    }
    return false;
}

unsigned RemovalExitCode(const RemovalOutcome& outcome) {
    if (!outcome.entryFound || outcome.failed > 0) return ExitFailed;
    return outcome.atRestart > 0 ? ExitRestartNeeded : ExitRemoved;
}
