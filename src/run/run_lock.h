// One installation or removal at a time on a machine: two runs must never
// work in the same folders at once, where one could take the other's
// temporary file or parked previous plug-in for a leftover of a killed run.
#pragma once
#include <windows.h>

#include "base/scoped_handle.h"

// Waits until no other run of the installer or the remover holds the
// machine-wide lock, then holds it until it goes. A run that has to wait says
// so in its log. With a window (windowed runs), the window is disabled but
// keeps painting while it waits, for as long as it takes; closing it ends the
// wait without the lock. A run nobody watches (unattended: a silent run, or
// one on a window station nobody sees) waits at most 10 minutes.
//
// A run that does not get the lock must not go on: Held() is false, and the
// log says why (but for a closed window, which has no log left to show).
class RunLock {
  public:
    RunLock(HWND window, bool unattended);
    ~RunLock();
    RunLock(const RunLock&) = delete;
    RunLock& operator=(const RunLock&) = delete;

    bool Held() const { return owned_; }

  private:
    HANDLE namespace_ = nullptr; // the private namespace the mutex lives in, if any
    ScopedHandle mutex_;
    bool owned_ = false;
};
