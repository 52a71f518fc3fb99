// Reading PE files held as bytes, without the loader: telling a 64-bit
// program from its first bytes, and reading resources (of the plug-in the
// installer carries, of a file mapped through a handle the installer holds).
// Nothing is mapped as an image and no path is opened again.
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

// How much of a program file the test reads.
const int ProgramHeadSize = 4096;

// True for an MZ image whose PE header, read within the bytes given, names an
// x64 or IA-64 machine or a PE32+ optional header. The header must start more
// than 264 bytes before the end of what was read; a header offset that is
// negative as a signed number fails the test.
bool IsPe64Image(const unsigned char* bytes, size_t count);
