// Holders of a kernel handle or a registry key, closed when they go out of
// scope, on every way out.
#pragma once
#include <windows.h>

template <typename T, void (*Close)(T)> class Scoped {
  public:
    Scoped() = default;
    // Takes INVALID_HANDLE_VALUE (CreateFile's failure) as nothing held.
    explicit Scoped(T held) { Reset(held); }
    ~Scoped() { Reset(nullptr); }
    Scoped(const Scoped&) = delete;
    Scoped& operator=(const Scoped&) = delete;

    T Get() const { return held_; }
    bool Valid() const { return held_ != nullptr; }
    // Closes what is held, if anything, and takes another.
    void Reset(T held) {
        if (held_) Close(held_);
        held_ = held == INVALID_HANDLE_VALUE ? nullptr : held;
    }
    // Hands it over without closing it.
    T Release() {
        T held = held_;
        held_ = nullptr;
        return held;
    }
    // Closed, ready to receive from a call that writes one.
    T* Receive() {
        Reset(nullptr);
        return &held_;
    }

  private:
    T held_ = nullptr;
};

inline void CloseKernelHandle(HANDLE handle) {
    CloseHandle(handle);
}
inline void CloseRegistryKey(HKEY key) {
    RegCloseKey(key);
}

typedef Scoped<HANDLE, CloseKernelHandle> ScopedHandle;
// Predefined roots (HKEY_LOCAL_MACHINE, ...) are never held.
typedef Scoped<HKEY, CloseRegistryKey> ScopedKey;
