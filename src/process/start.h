// The start and the end the three programs share. Each program's entry point,
// WinMainCRTStartup in its main.cpp, hands its own work to RunProgram. The C
// runtime's start-up code is not linked: the programs have no static
// constructors and read their command lines themselves, and leaving it out
// keeps them small.
#pragma once

// Whether the process refuses the mount points a standard user made
// (EnforceRedirectionTrust): the installer and the remover, which run as an
// administrator, do; the per-user program runs as the user.
enum UserMountPoints { TrustUserMountPoints, RefuseUserMountPoints };

// A program's own work, given its command line; its exit code.
typedef unsigned (*ProgramWork)(const char* commandLine);

// Limits the DLL search before anything else, refuses the user's mount points
// where asked, keeps the module handle and loads the preloaded texts; then does
// the program's work and ends the process with its exit code.
[[noreturn]] void RunProgram(UserMountPoints mountPoints, ProgramWork work);
