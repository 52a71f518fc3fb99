#include "carried/carried.h"

#include <cstring>

#include "base/heap.h"
#include "base/scoped_handle.h"
#include "base/version.h"
#include "process/state.h"
#include "resources/resource.h"

namespace {

const WORD ActiveXResourceId = 103;

PayloadItem PluginItem = {"plugin", nullptr, MAKEINTRESOURCEA(IDR_PLUGIN), nullptr, 0, nullptr};
PayloadItem ActiveXItem = {"activeX control", nullptr, MAKEINTRESOURCEA(ActiveXResourceId),
                           nullptr,           0,       nullptr};
PayloadItem RemoverItem = {
    "Scorewave Remover", RT_RCDATA, MAKEINTRESOURCEA(IDR_REMOVER), nullptr, 0, nullptr};

// Longer product names are no name of this product.
const int ProductNameSize = 64;

} // namespace

DWORD PlacedBytes;

bool LoadPayloadData(PayloadItem& item) {
    if (!item.data) {
        HMODULE module = item.module ? item.module : ModuleHandle;
        const char* type = item.resourceType ? item.resourceType : RT_PAYLOAD_FILE;
        HRSRC found = FindResourceA(module, item.resourceName, type);
        if (!found) return false;
        DWORD size = SizeofResource(module, found);
        HGLOBAL loaded = LoadResource(module, found);
        if (!loaded) return false;
        const BYTE* data = (const BYTE*)LockResource(loaded);
        if (!data) return false;
        item.data = data;
        item.size = size;
    }
    if (item.size == 0) {
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return false;
    }
    return true;
}

bool ExtractPayload(PayloadItem& item, HANDLE file) {
    if (!LoadPayloadData(item)) return false;
    DWORD written = 0;
    DWORD error = ERROR_SUCCESS;
    if (!WriteFile(file, item.data, item.size, &written, nullptr))
        error = GetLastError();
    else if (written != item.size)
        error = ERROR_DISK_FULL; // a short write without an error code
    // On the disk before the file can take the target's name, so that a power
    // failure cannot leave the name on a file whose bytes never arrived.
    else if (!FlushFileBuffers(file))
        error = GetLastError();
    SetLastError(error);
    return error == ERROR_SUCCESS;
}

PayloadItem& CarriedActiveXItem() {
    return ActiveXItem;
}

bool CarriedPlugin(const BYTE** data, DWORD* size) {
    if (!LoadPayloadData(PluginItem)) return false;
    *data = PluginItem.data;
    *size = PluginItem.size;
    return true;
}

PayloadItem& CarriedRemover() {
    return RemoverItem;
}

PayloadItem& CarriedPluginItem() {
    return PluginItem;
}

bool FileHoldsPayload(HANDLE file, const PayloadItem& item) {
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file, &size) || size.QuadPart != item.size) return false;
    BYTE* bytes = (BYTE*)HeapBytes(item.size);
    DWORD got = 0;
    bool same = bytes && ReadFile(file, bytes, item.size, &got, nullptr) && got == item.size &&
                memcmp(bytes, item.data, item.size) == 0;
    FreeHeapBytes(bytes);
    return same;
}

bool HoldsPayload(PayloadItem& item, const char* path) {
    if (!LoadPayloadData(item)) return false;
    ScopedHandle file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    return file.Valid() && FileHoldsPayload(file.Get(), item);
}

bool IsProductFile(HANDLE file) {
    char name[ProductNameSize];
    return ReadFileVersionString(file, "ProductName", name, sizeof name) &&
           strcmp(name, Preloaded(MSG_PRODUCT_NAME)) == 0;
}
