// A kernel handle closed when it goes out of scope, on every way out.
#pragma once
#include <windows.h>

class ScopedHandle {
  public:
    ScopedHandle() = default;
    // Takes INVALID_HANDLE_VALUE (CreateFile's failure) as no handle.
    explicit ScopedHandle(HANDLE handle) { Reset(handle); }
    ~ScopedHandle() { Reset(nullptr); }
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;

    HANDLE Get() const { return handle_; }
    bool Valid() const { return handle_ != nullptr; }
    // Closes the handle held, if any, and takes another.
    void Reset(HANDLE handle) {
        if (handle_) CloseHandle(handle_);
        handle_ = handle == INVALID_HANDLE_VALUE ? nullptr : handle;
    }
    // Hands the handle over without closing it.
    HANDLE Release() {
        HANDLE handle = handle_;
        handle_ = nullptr;
        return handle;
    }
    // Closed, ready to receive a handle from a call that writes one.
    HANDLE* Receive() {
        Reset(nullptr);
        return &handle_;
    }

  private:
    HANDLE handle_ = nullptr;
};
