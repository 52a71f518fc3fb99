// Plain-value decisions of the remover: its switch and its exit code.
#pragma once

// True when the command line holds "/quiet" (any letter case) as a word of
// its own.
bool HasQuietSwitch(const char* commandLine);

// What a removal did.
struct RemovalOutcome {
    bool entryFound; // there was an installation to remove
    int removed;     // things taken away now
    int atRestart;   // things that go when Windows restarts
    int failed;      // things of this product that could not be taken away
};

// The exit code deployment tools read: 0 when everything recorded is gone,
// 3010 when something waits for a restart, 1 when there was nothing to
// remove or something of this product could not be removed.
const unsigned ExitRemoved = 0;
const unsigned ExitFailed = 1;
const unsigned ExitRestartNeeded = 3010;
unsigned RemovalExitCode(const RemovalOutcome& outcome);
