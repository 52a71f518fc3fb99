#include "deploy/run_lock.h"

#include "report/report.h"
#include "resources/resource.h"

namespace {

// In the Global namespace: runs in every session, services' included, share
// it. Creating a global object takes a privilege standard users lack, so none
// of them can take the name first.
const char LockName[] = "Global\\ScorewaveSetup.Run";

bool Acquired(DWORD wait) {
    return wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
}

// Handles what arrives for the window while it waits, as a modal loop would;
// true once the lock is held.
bool WaitPumping(HANDLE mutex, HWND window) {
    BOOL wasDisabled = EnableWindow(window, FALSE);
    bool owned = false;
    for (bool pumping = true; pumping;) {
        DWORD wait = MsgWaitForMultipleObjects(1, &mutex, FALSE, INFINITE, QS_ALLINPUT);
        if (wait != WAIT_OBJECT_0 + 1) {
            owned = Acquired(wait);
            break;
        }
        MSG msg;
        while (pumping && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                // For the main loop, once this wait is over.
                PostQuitMessage(int(msg.wParam));
                owned = Acquired(WaitForSingleObject(mutex, INFINITE));
                pumping = false;
            } else if (!IsDialogMessageA(window, &msg)) {
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            }
        }
    }
    if (!wasDisabled) EnableWindow(window, TRUE);
    return owned;
}

} // namespace

RunLock::RunLock(HWND window) {
    mutex_.Reset(CreateMutexA(nullptr, FALSE, LockName));
    // Without the lock (the system refused the object) the run goes on alone.
    if (!mutex_.Valid()) return;
    DWORD wait = WaitForSingleObject(mutex_.Get(), 0);
    if (Acquired(wait)) {
        owned_ = true;
        return;
    }
    if (wait != WAIT_TIMEOUT) return;
    ReportMessage(MSG_WAITING_FOR_OTHER_RUN, nullptr);
    if (window)
        owned_ = WaitPumping(mutex_.Get(), window);
    else
        owned_ = Acquired(WaitForSingleObject(mutex_.Get(), INFINITE));
}

RunLock::~RunLock() {
    if (owned_) ReleaseMutex(mutex_.Get());
}
