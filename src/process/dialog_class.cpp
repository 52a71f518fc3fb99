#include "process/dialog_class.h"

#include "process/state.h"
#include "resources/resource.h"

namespace {

const char WindowClassName[] = "ScorewaveSetup";
// The system's dialog class.
const LPCSTR SystemDialogClass = MAKEINTATOM(0x8002);

} // namespace

void RegisterDialogClass() {
    WNDCLASSA wc;
    if (!GetClassInfoA(nullptr, SystemDialogClass, &wc)) return;
    wc.style ^= CS_GLOBALCLASS;
    wc.lpszClassName = WindowClassName;
    wc.hIcon = LoadIconA(ModuleHandle, MAKEINTRESOURCEA(IDI_PROGRAM));
    wc.hInstance = ModuleHandle;
    RegisterClassA(&wc);
}
