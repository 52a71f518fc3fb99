#include "remove/remove_rules.h"

#include "deploy/record_rules.h"
#include "discovery/text_rules.h"

namespace {

bool EndsWord(char c) {
    return c == '\0' || c == ' ' || c == '\t';
}

} // namespace

bool HasQuietSwitch(const char* commandLine) {
    if (!commandLine) return false;
    for (const char* p = commandLine; *p; ++p) {
        if (p != commandLine && !EndsWord(p[-1])) continue;
        int i = 0;
        while (QuietSwitch[i] && AsciiUpper(p[i]) == AsciiUpper(QuietSwitch[i]))
            ++i;
        if (QuietSwitch[i] == '\0' && EndsWord(p[i])) return true;
    }
    return false;
}

unsigned RemovalExitCode(const RemovalOutcome& outcome) {
    if (!outcome.entryFound || outcome.failed > 0) return ExitFailed;
    return outcome.atRestart > 0 ? ExitRestartNeeded : ExitRemoved;
}
