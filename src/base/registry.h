// Registry access: path texts read as REG_SZ only, at most 260 bytes; values written.
#pragma once
#include <windows.h>

// An open registry key closed when it goes out of scope, on every way out.
// Predefined roots (HKEY_LOCAL_MACHINE, ...) are never held.
class ScopedKey {
  public:
    ScopedKey() = default;
    explicit ScopedKey(HKEY key) : key_(key) {}
    ~ScopedKey() { Reset(nullptr); }
    ScopedKey(const ScopedKey&) = delete;
    ScopedKey& operator=(const ScopedKey&) = delete;

    HKEY Get() const { return key_; }
    bool Valid() const { return key_ != nullptr; }
    // Closes the key held, if any, and takes another.
    void Reset(HKEY key) {
        if (key_) RegCloseKey(key_);
        key_ = key;
    }
    // Hands the key over without closing it.
    HKEY Release() {
        HKEY key = key_;
        key_ = nullptr;
        return key;
    }
    // Closed, ready to receive a key from a call that writes one.
    HKEY* Receive() {
        Reset(nullptr);
        return &key_;
    }

  private:
    HKEY key_ = nullptr;
};

// The most bytes any registry text is read with.
const DWORD RegistryTextLimit = 260;
// Working buffers for paths: a registry text, its terminator and a margin.
const int ScratchPathSize = 272;

enum RegistryTextResult {
    RegistryTextRead,
    RegistryTextFailed,    // missing, unreadable or longer than the limit
    RegistryTextEmpty,     // zero bytes delivered
    RegistryTextWrongType, // anything but REG_SZ
};

// Reads value (null or "" for the default value) of an open key into buffer,
// which must hold more than RegistryTextLimit bytes. The buffer is always
// terminated, also when the stored text lacks its zero; it is empty unless the
// result is RegistryTextRead. On failure the last error is the reason, so a
// report with no error text of its own shows it.
RegistryTextResult ReadRegistryText(HKEY key, const char* value, char* buffer, int size);

// Opens root\path for reading (access adds e.g. KEY_WOW64_32KEY), reads value
// and closes the key again. RegistryTextFailed when the key does not open.
RegistryTextResult ReadRegistryTextAt(HKEY root, const char* path, REGSAM access, const char* value,
                                      char* buffer, int size);

// A REG_SZ value (name null for the default value); the registry's error code.
LONG SetStringValue(HKEY key, const char* name, const char* text);
// A REG_DWORD value; the registry's error code.
LONG SetDwordValue(HKEY key, const char* name, DWORD number);
