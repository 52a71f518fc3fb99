// The ProductVersion of a program or DLL, from its version resource.
#include <windows.h>

#include "process/scoped_handle.h"
#include "process/state.h"
#include "process/system_library.h"
#include "deploy/image_rules.h"
#include "deploy/payload.h"
#include "deploy/version_rules.h"
#include "resources/resource.h"

namespace {

// version.dll is not one of the system's known DLLs: it is loaded from System32
// by its full path, never imported, so a copy planted beside the installer is
// never the one used.
typedef DWORD(WINAPI* GetFileVersionInfoSizeFn)(LPCSTR, LPDWORD);
typedef BOOL(WINAPI* GetFileVersionInfoFn)(LPCSTR, DWORD, DWORD, LPVOID);
typedef BOOL(WINAPI* VerQueryValueFn)(LPCVOID, LPCSTR, LPVOID*, PUINT);

struct VersionApi {
    bool tried;
    GetFileVersionInfoSizeFn infoSize;
    GetFileVersionInfoFn info;
    VerQueryValueFn query;
};
VersionApi Version;

bool LoadVersionApi() {
    if (!Version.tried) {
        Version.tried = true;
        if (HMODULE dll = LoadSystemLibrary("version.dll")) {
            Version.infoSize =
                (GetFileVersionInfoSizeFn)GetProcAddress(dll, "GetFileVersionInfoSizeA");
            Version.info = (GetFileVersionInfoFn)GetProcAddress(dll, "GetFileVersionInfoA");
            Version.query = (VerQueryValueFn)GetProcAddress(dll, "VerQueryValueA");
        }
    }
    return Version.infoSize && Version.info && Version.query;
}

// The string tables looked in, in this order: US English with the Windows
// ANSI code page, then with Unicode.
const char* const ProductVersionQueries[] = {
    "\\StringFileInfo\\040904E4\\ProductVersion",
    "\\StringFileInfo\\040904B0\\ProductVersion",
};
// Longer version texts are cut here; every number that matters comes first.
const int VersionTextSize = 128;

// Copies the query's text into text (terminated); false when there is none.
bool QueryVersionText(void* block, const char* query, char* text, int size) {
    void* value = nullptr;
    UINT length = 0;
    if (!Version.query(block, query, &value, &length) || !value || length == 0) return false;
    // The length counts characters and may or may not include the zero.
    const char* source = (const char*)value;
    int used = 0;
    while (used < size - 1 && UINT(used) < length && source[used] != '\0') {
        text[used] = source[used];
        ++used;
    }
    text[used] = '\0';
    return used > 0;
}

// A file larger than this is no plug-in of this product.
const LONGLONG LargestMappedFile = 64 * 1024 * 1024;
const int ProductNameSize = 64;

// The open file's bytes, mapped read-only while the view lives; no path is
// opened again, so they are the bytes of the very file held.
class FileView {
  public:
    explicit FileView(HANDLE file) {
        LARGE_INTEGER size;
        if (!GetFileSizeEx(file, &size) || size.QuadPart <= 0 || size.QuadPart > LargestMappedFile)
            return;
        mapping_.Reset(CreateFileMappingA(file, nullptr, PAGE_READONLY, 0, 0, nullptr));
        if (!mapping_.Valid()) return;
        bytes_ = (const uint8_t*)MapViewOfFile(mapping_.Get(), FILE_MAP_READ, 0, 0, 0);
        if (bytes_) size_ = size_t(size.QuadPart);
    }
    ~FileView() {
        if (bytes_) UnmapViewOfFile(bytes_);
    }
    FileView(const FileView&) = delete;
    FileView& operator=(const FileView&) = delete;
    const uint8_t* Bytes() const { return bytes_; }
    size_t Size() const { return size_; }

  private:
    ScopedHandle mapping_;
    const uint8_t* bytes_ = nullptr;
    size_t size_ = 0;
};

} // namespace

DWORD ReadProductVersionOf(HANDLE file, int* major, int* minor, int* patch) {
    int* const outputs[] = {major, minor, patch};
    for (int* out : outputs)
        if (out) *out = 0;
    FileView view(file);
    char text[VersionTextSize];
    if (!ReadImageVersionString(view.Bytes(), view.Size(), "ProductVersion", text, sizeof text) ||
        text[0] == '\0')
        return 0;
    ProductVersionNumbers numbers;
    DWORD packed = ParseProductVersion(text, &numbers);
    if (major) *major = numbers.major;
    if (minor) *minor = numbers.minor;
    if (patch) *patch = numbers.patch;
    return packed;
}

bool IsProductFile(HANDLE file) {
    FileView view(file);
    char name[ProductNameSize];
    return ReadImageVersionString(view.Bytes(), view.Size(), "ProductName", name, sizeof name) &&
           lstrcmpA(name, Preloaded(MSG_PRODUCT_NAME)) == 0;
}

DWORD ReadProductVersion(const char* path, int* major, int* minor, int* patch, int* build) {
    int* const outputs[] = {major, minor, patch, build};
    for (int* out : outputs)
        if (out) *out = 0;

    if (!LoadVersionApi()) return 0;
    DWORD ignored = 0;
    DWORD size = Version.infoSize(path, &ignored);
    if (size == 0) return 0;
    void* block = GlobalAlloc(GMEM_FIXED, size);
    if (!block) return 0;
    if (!Version.info(path, 0, size, block)) {
        GlobalFree(block);
        return 0;
    }
    char text[VersionTextSize];
    bool found = false;
    for (const char* query : ProductVersionQueries)
        if ((found = QueryVersionText(block, query, text, sizeof text))) break;
    GlobalFree(block);
    if (!found) return 0;

    ProductVersionNumbers numbers;
    DWORD packed = ParseProductVersion(text, &numbers);
    if (major) *major = numbers.major;
    if (minor) *minor = numbers.minor;
    if (patch) *patch = numbers.patch;
    if (build) *build = numbers.build;
    return packed;
}
