#include "base/registry.h"

#include "base/text_length.h"

RegistryTextResult ReadRegistryText(HKEY key, const char* value, char* buffer, int size) {
    if (size <= 0) return RegistryTextFailed;
    buffer[0] = '\0';
    if (DWORD(size) <= RegistryTextLimit) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return RegistryTextFailed;
    }
    DWORD type = REG_NONE;
    DWORD bytes = RegistryTextLimit;
    LONG status = RegQueryValueExA(key, value, nullptr, &type, (BYTE*)buffer, &bytes);
    if (status != ERROR_SUCCESS) {
        buffer[0] = '\0';
        SetLastError(DWORD(status));
        return RegistryTextFailed;
    }
    // A text stored without its zero arrives without one. One that fills the
    // whole limit that way is 260 characters long: over-long, refused like a
    // longer text, which the registry itself refuses.
    if (bytes >= RegistryTextLimit && buffer[RegistryTextLimit - 1] != '\0') {
        buffer[0] = '\0';
        SetLastError(ERROR_MORE_DATA);
        return RegistryTextFailed;
    }
    buffer[bytes] = '\0';
    if (type != REG_SZ) {
        buffer[0] = '\0';
        SetLastError(ERROR_DATATYPE_MISMATCH);
        return RegistryTextWrongType;
    }
    if (bytes == 0) {
        SetLastError(ERROR_INVALID_DATA);
        return RegistryTextEmpty;
    }
    return RegistryTextRead;
}

RegistryTextResult ReadRegistryTextAt(HKEY root, const char* path, REGSAM access, const char* value,
                                      char* buffer, int size) {
    if (size > 0) buffer[0] = '\0';
    HKEY key;
    LONG status = RegOpenKeyExA(root, path, 0, access, &key);
    if (status != ERROR_SUCCESS) {
        SetLastError(DWORD(status));
        return RegistryTextFailed;
    }
    RegistryTextResult result = ReadRegistryText(key, value, buffer, size);
    DWORD error = GetLastError();
    RegCloseKey(key);
    SetLastError(error);
    return result;
}

LONG SetStringValue(HKEY key, const char* name, const char* text) {
    return RegSetValueExA(key, name, 0, REG_SZ, (const BYTE*)text, DWORD(TextLength(text) + 1));
}

LONG SetDwordValue(HKEY key, const char* name, DWORD number) {
    return RegSetValueExA(key, name, 0, REG_DWORD, (const BYTE*)&number, sizeof number);
}
