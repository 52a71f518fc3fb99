// The run's log: the Windows line of its heading, and the log of a run nobody watches ("/noui", the
// remover's "/quiet"), kept in a file only administrators can write:
// %WINDIR%\Logs\Scorewave\<name>, replaced by each run. Deployment tools run the programs as
// SYSTEM, where the log is the one account of what happened besides the exit code.
#pragma once
#include <windows.h>

// Makes the log file anew (whatever had its name goes first) and makes it the
// log's file. The folder is made, with administrators and SYSTEM alone
// allowed to change it, when it is missing; an existing one that others could
// change is reset so, and refused when that fails or it is a reparse point.
// False, and no log file, when it cannot be had: the run goes on without.
bool KeepLogIn(const char* fileName);

// Reads Windows' version line once and hands it to the log, whose every
// heading of the run names it.
void NameWindowsInLog();
