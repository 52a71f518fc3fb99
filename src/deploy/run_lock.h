// One installation or removal at a time on a machine: two runs must never
// work in the same folders at once, where one could take the other's
// temporary file or parked previous plug-in for a leftover of a killed run.
#pragma once
#include <windows.h>

#include "process/scoped_handle.h"

// Waits, for as long as it takes, until no other run of the installer or the
// remover holds the machine-wide lock, then holds it until it goes. A run that
// has to wait says so in its log. With a window (windowed runs), the window
// is disabled but keeps painting while it waits.
class RunLock {
  public:
    explicit RunLock(HWND window);
    ~RunLock();
    RunLock(const RunLock&) = delete;
    RunLock& operator=(const RunLock&) = delete;

  private:
    ScopedHandle mutex_;
    bool owned_ = false;
};
