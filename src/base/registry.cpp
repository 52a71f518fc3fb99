#include "base/registry.h"

#include "base/text_length.h"

const char MachineClassesKey[] = "Software\\Classes";

namespace {

const int KeyNameSize = 256; // the registry's longest key name, and its zero
const int KeyPathSize = 512; // a key's path below the root DeleteKeyTree starts at
char EmptyClass[] = "";

// A key opened with REG_OPTION_OPEN_LINK is the link itself when it is one,
// and holds its target as a REG_LINK "SymbolicLinkValue".
bool IsLink(HKEY key) {
    DWORD type = 0;
    return RegQueryValueExA(key, "SymbolicLinkValue", nullptr, &type, nullptr, nullptr) ==
               ERROR_SUCCESS &&
           type == REG_LINK;
}

} // namespace

LONG OpenKey(HKEY root, const char* path, DWORD options, REGSAM access, HKEY* key) {
    LONG error = RegOpenKeyExA(root, path, options, access, key);
    if (error != ERROR_SUCCESS) *key = nullptr;
    return error;
}

LONG CreateKey(HKEY root, const char* path, REGSAM access, HKEY* key, DWORD* disposition) {
    LONG error = RegCreateKeyExA(root, path, 0, EmptyClass, 0, access, nullptr, key, disposition);
    if (error != ERROR_SUCCESS) *key = nullptr;
    return error;
}

LONG ReadValueBytes(HKEY key, const char* value, char* buffer, DWORD size, DWORD* type,
                    DWORD* bytes) {
    *bytes = 0;
    if (size == 0) return ERROR_INSUFFICIENT_BUFFER;
    DWORD got = size - 1;
    LONG error = RegQueryValueExA(key, value, nullptr, type, (BYTE*)buffer, &got);
    if (error != ERROR_SUCCESS) return error;
    buffer[got] = '\0'; // a value stored without its zero
    *bytes = got;
    return ERROR_SUCCESS;
}

RegistryTextResult ReadRegistryText(HKEY key, const char* value, char* buffer, int size) {
    if (size <= 0) return RegistryTextFailed;
    buffer[0] = '\0';
    if (DWORD(size) <= RegistryTextLimit) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return RegistryTextFailed;
    }
    DWORD type = REG_NONE, bytes = 0;
    LONG status = ReadValueBytes(key, value, buffer, RegistryTextLimit + 1, &type, &bytes);
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
    HKEY opened;
    LONG status = RegOpenKeyExA(root, path, 0, access, &opened);
    if (status != ERROR_SUCCESS) {
        SetLastError(DWORD(status));
        return RegistryTextFailed;
    }
    RegistryTextResult result;
    DWORD error;
    {
        ScopedKey key(opened);
        result = ReadRegistryText(key.Get(), value, buffer, size);
        error = GetLastError();
    } // closed here, and the reason kept past the closing
    SetLastError(error);
    return result;
}

LONG SetValue(HKEY key, const char* name, DWORD type, const void* data, DWORD size) {
    return RegSetValueExA(key, name, 0, type, (const BYTE*)data, size);
}

LONG SetStringValue(HKEY key, const char* name, const char* text) {
    return SetValue(key, name, REG_SZ, text, DWORD(TextLength(text) + 1));
}

LONG SetDwordValue(HKEY key, const char* name, DWORD number) {
    return SetValue(key, name, REG_DWORD, &number, sizeof number);
}

LONG OpenMachineKey(HKEY root, const char* path, REGSAM access, bool create, HKEY* key,
                    DWORD* disposition) {
    ScopedKey parent; // the key reached so far; root itself is never held
    HKEY above = root;
    LONG error = ERROR_SUCCESS;
    const char* at = path;
    do {
        int length = 0;
        while (at[length] != '\0' && at[length] != '\\')
            ++length;
        if (length == 0 || length >= KeyNameSize) {
            error = ERROR_BAD_PATHNAME;
            break;
        }
        char name[KeyNameSize];
        lstrcpynA(name, at, length + 1);
        at += at[length] == '\\' ? length + 1 : length;
        REGSAM wanted = *at == '\0' ? access : create ? KEY_CREATE_SUB_KEY : 0;
        wanted |= KEY_QUERY_VALUE | KEY_WOW64_64KEY;
        HKEY next = nullptr;
        error = RegOpenKeyExA(above, name, REG_OPTION_OPEN_LINK, wanted, &next);
        if (error == ERROR_SUCCESS && disposition) *disposition = REG_OPENED_EXISTING_KEY;
        // Only a key that is not there is made: an existing one, a link
        // included, has been opened as what it is.
        if (error == ERROR_FILE_NOT_FOUND && create)
            error = CreateKey(above, name, wanted, &next, disposition);
        parent.Reset(error == ERROR_SUCCESS ? next : nullptr);
        if (parent.Valid() && IsLink(next)) {
            parent.Reset(nullptr);
            error = ERROR_REPARSE_POINT_ENCOUNTERED;
        }
        above = next;
    } while (error == ERROR_SUCCESS && *at != '\0');
    *key = error == ERROR_SUCCESS ? parent.Release() : nullptr;
    return error;
}

LONG OpenClassKey(const char* path, REGSAM access, bool create, HKEY* key, DWORD* disposition) {
    ScopedKey classes;
    LONG error = OpenMachineKey(HKEY_LOCAL_MACHINE, MachineClassesKey, 0, false, classes.Receive());
    if (error != ERROR_SUCCESS) {
        *key = nullptr;
        return error;
    }
    return OpenMachineKey(classes.Get(), path, access, create, key, disposition);
}

LONG DeleteOpenKey(HKEY key) {
    // ntdll.dll is loaded in every process. The registry's own call deletes
    // the key a handle is open to; RegDeleteKeyEx opens it again by its name.
    typedef LONG(NTAPI * NtDeleteKeyFn)(HANDLE);
    typedef ULONG(NTAPI * ToErrorFn)(LONG);
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    auto deleteKey = ntdll ? (NtDeleteKeyFn)GetProcAddress(ntdll, "NtDeleteKey") : nullptr;
    auto toError = ntdll ? (ToErrorFn)GetProcAddress(ntdll, "RtlNtStatusToDosError") : nullptr;
    if (!deleteKey || !toError) return ERROR_PROC_NOT_FOUND;
    LONG status = deleteKey(key);
    return status >= 0 ? ERROR_SUCCESS : LONG(toError(status));
}

LONG DeleteKeyTree(HKEY root, const char* path, void (*leftLink)(const char* path)) {
    ScopedKey key;
    LONG error = OpenMachineKey(root, path, DELETE | KEY_ENUMERATE_SUB_KEYS, false, key.Receive());
    if (error == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
    if (error == ERROR_REPARSE_POINT_ENCOUNTERED && leftLink) leftLink(path);
    if (error != ERROR_SUCCESS) return error;
    // The subkeys first, always the first one left: each goes before the next
    // is asked for. A link among them stays, and so does this key.
    char name[KeyNameSize];
    DWORD length = sizeof name;
    while (error == ERROR_SUCCESS && RegEnumKeyExA(key.Get(), 0, name, &length, nullptr, nullptr,
                                                   nullptr, nullptr) == ERROR_SUCCESS) {
        char sub[KeyPathSize];
        lstrcpynA(sub, path, sizeof sub);
        int used = TextLength(sub);
        if (used + 1 + TextLength(name) >= int(sizeof sub)) break;
        sub[used] = '\\';
        lstrcpynA(sub + used + 1, name, int(sizeof sub) - used - 1);
        error = DeleteKeyTree(root, sub, leftLink);
        length = sizeof name;
    }
    if (error == ERROR_SUCCESS) error = DeleteOpenKey(key.Get());
    return error;
}
