// The ProductVersion of a program or DLL, from its version resource.
#include <windows.h>
#include <cstring>

#include "base/image_rules.h"
#include "base/scoped_handle.h"
#include "base/version.h"
#include "base/version_rules.h"

namespace {

// Longer version texts are cut here; every number that matters comes first.
const int VersionTextSize = 128;

// A file larger than this is no plug-in of this product.
const LONGLONG LargestMappedFile = 64 * 1024 * 1024;

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

DWORD ReadImageVersion(const BYTE* image, size_t size, ProductVersionNumbers* numbers) {
    // An image without the text reads as version 0.0.0.0.
    char text[VersionTextSize];
    ReadImageVersionString(image, size, "ProductVersion", text, sizeof text);
    return ParseProductVersion(text, numbers);
}

DWORD ReadProductVersionOf(HANDLE file, int* major, int* minor, int* patch, int* build) {
    FileView view(file);
    ProductVersionNumbers numbers;
    DWORD packed = ReadImageVersion(view.Bytes(), view.Size(), &numbers);
    if (major) *major = numbers.major;
    if (minor) *minor = numbers.minor;
    if (patch) *patch = numbers.patch;
    if (build) *build = numbers.build;
    return packed;
}

bool ReadFileVersionString(HANDLE file, const char* key, char* out, size_t outSize) {
    FileView view(file);
    return ReadImageVersionString(view.Bytes(), view.Size(), key, out, outSize);
}

DWORD ReadProductVersion(const char* path, int* major, int* minor, int* patch, int* build) {
    // Read from the file's bytes, as the version information functions read
    // them, without loading version.dll.
    ScopedHandle file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    // A file that cannot be opened (no handle) has no version: 0.
    return ReadProductVersionOf(file.Get(), major, minor, patch, build);
}
