// The log of a run nobody watches ("/noui", the remover's "/quiet"), kept in
// a file only administrators can write: %WINDIR%\Logs\Scorewave\<name>,
// replaced by each run. Deployment tools run the programs as SYSTEM, where
// the log is the one account of what happened besides the exit code.
#pragma once
#include <windows.h>

// Opens (replacing) the log file and makes it the log's file; the folder is
// made, with administrators and SYSTEM alone allowed to change it, when it is
// missing, and refused when it is a reparse point. False, and no log file,
// when it cannot be had: the run goes on without.
bool KeepLogIn(const char* fileName);
