#include "process/start.h"

#include <windows.h>

#include "base/held_folder.h"
#include "base/system_library.h"
#include "process/state.h"

void RunProgram(UserMountPoints mountPoints, ProgramWork work) {
    RestrictDllSearch();
    if (mountPoints == RefuseUserMountPoints) EnforceRedirectionTrust();
    ModuleHandle = GetModuleHandleA(nullptr);
    LoadPreloadedStrings();
    ExitProcess(work(GetCommandLineA()));
}
