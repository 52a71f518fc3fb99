// Registry access: keys held while they are used, texts read as REG_SZ only
// (at most 260 bytes), values written, and the machine's keys that the
// elevated programs write and delete, each opened inside the one above it and
// never through a registry link.
//
// Document types go to the machine's classes, HKLM\Software\Classes in the
// 64-bit view. HKEY_CLASSES_ROOT shows them merged with the user's own classes
// and writes into the user's where the user has a key of that name: nothing is
// written or deleted through it.
#pragma once
#include <windows.h>

// The system's code for an operation refused at a reparse point (winerror.h
// of the Windows SDK; mingw-w64's lacks it), here for a registry link.
#ifndef ERROR_REPARSE_POINT_ENCOUNTERED
#define ERROR_REPARSE_POINT_ENCOUNTERED 4395L
#endif

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

// Every routine here that opens a key writes null to `key` when it fails, so
// a ScopedKey's Receive() never holds a key that was not delivered.

// RegOpenKeyEx; the registry's error code.
LONG OpenKey(HKEY root, const char* path, DWORD options, REGSAM access, HKEY* key);
// RegCreateKeyEx, with no class; disposition (may be null) as it gives it.
LONG CreateKey(HKEY root, const char* path, REGSAM access, HKEY* key, DWORD* disposition = nullptr);

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

// Reads value (null for the default value) as it is stored, of any type, into
// buffer of size bytes: at most size - 1 of them, which are terminated. type
// and bytes as the registry gives them; the registry's error code
// (ERROR_MORE_DATA for a longer value).
LONG ReadValueBytes(HKEY key, const char* value, char* buffer, DWORD size, DWORD* type,
                    DWORD* bytes);

// A value of any type (name null for the default value); the registry's error
// code.
LONG SetValue(HKEY key, const char* name, DWORD type, const void* data, DWORD size);
// A REG_SZ value; the registry's error code.
LONG SetStringValue(HKEY key, const char* name, const char* text);
// A REG_DWORD value; the registry's error code.
LONG SetDwordValue(HKEY key, const char* name, DWORD number);

// The machine's classes, under HKEY_LOCAL_MACHINE.
extern const char MachineClassesKey[];

// Opens root\path in the 64-bit view, or with create makes what is missing of
// it, one key at a time inside the one above it; the last key with access
// (KEY_QUERY_VALUE is always added). A key on the way that is a registry link
// is not followed: ERROR_REPARSE_POINT_ENCOUNTERED. disposition (may be null)
// as RegCreateKeyEx gives it for the last key.
LONG OpenMachineKey(HKEY root, const char* path, REGSAM access, bool create, HKEY* key,
                    DWORD* disposition = nullptr);
// The same for path in the machine's classes.
LONG OpenClassKey(const char* path, REGSAM access, bool create, HKEY* key,
                  DWORD* disposition = nullptr);
// Deletes the open key (opened with DELETE access, never through a link)
// through its handle, so that it is that key which goes; one with subkeys
// stays.
LONG DeleteOpenKey(HKEY key);

// Deletes a key and everything under it, in the 64-bit view, each key opened
// inside the one above it; ERROR_SUCCESS also when there is none. A registry
// link on the way or under the key is never followed: it is left, with the
// keys above it, leftLink (may be null) is told the path that met it, and the
// result is ERROR_REPARSE_POINT_ENCOUNTERED.
LONG DeleteKeyTree(HKEY root, const char* path, void (*leftLink)(const char* path));
