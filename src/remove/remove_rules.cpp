#include "remove/remove_rules.h"

#include "base/text_rules.h"
#include "entry/record_rules.h"

bool HasQuietSwitch(const char* commandLine) {
    return HasSwitchWord(commandLine, QuietSwitch);
}

unsigned RemovalExitCode(const RemovalOutcome& outcome) {
    if (!outcome.entryFound || outcome.failed > 0) return ExitFailed;
    return outcome.atRestart > 0 ? ExitRestartNeeded : ExitRemoved;
}
