// Reading resources out of a PE file held as bytes (the plug-in the installer
// carries, a file mapped through a handle the installer holds), without the
// loader: nothing is mapped as an image and no path is opened again.
#pragma once
#include <cstddef>
#include <cstdint>

// A resource type or name: a number, or (text not null) a name, compared as
// the resource compiler stores it, ignoring ASCII case.
struct ResourceId {
    unsigned number;
    const char* text;
};

const ResourceId VersionResource = {16, nullptr}; // RT_VERSION

// The bytes of resource `name` of `type` (its first language) in a PE32 or
// PE32+ file laid out as on disk. False for anything malformed or missing;
// every offset is checked against size.
bool FindImageResource(const uint8_t* image, size_t size, ResourceId type, ResourceId name,
                       const uint8_t** data, uint32_t* dataSize);

// The value of `key` (e.g. "ProductName") in a VS_VERSIONINFO block, from its
// string table 040904E4, else (no such value there, or an empty one) from
// 040904B0, as the version reader looks them up. Characters outside ASCII come
// out as '?'; a value longer than out (outSize bytes with its zero) is cut.
// False, with out "", when neither table has a text for it.
bool ReadVersionString(const uint8_t* block, size_t size, const char* key, char* out,
                       size_t outSize);

// The same, straight from a PE file's version resource.
bool ReadImageVersionString(const uint8_t* image, size_t size, const char* key, char* out,
                            size_t outSize);
