// What the installer writes and shows that several test programs look for.
#pragma once
#include <windows.h>

namespace lab {

const char PluginFile[] = "npscorew64.dll";
const char OldPluginFile[] = "npscorew.dll";
const char SucceededStatus[] = "Plugin installation was successful.";
const char FailedStatus[] = "Plugin installation was unsuccessful.";
// The remover an installation places, and its folder.
const char RemoverFolder[] = "C:\\Program Files\\Scorewave";
const char RemoverPath[] = "C:\\Program Files\\Scorewave\\ScorewaveRemove.exe";
// The logs of silent runs.
const char SetupLog[] = "C:\\windows\\Logs\\Scorewave\\ScorewaveSetup.log";
const char RemoveLog[] = "C:\\windows\\Logs\\Scorewave\\ScorewaveRemove.log";
// How long one installer run may take before a test gives up on it.
const DWORD RunWaitMs = 60000;

} // namespace lab
