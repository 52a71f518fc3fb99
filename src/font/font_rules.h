// Reading the family name out of a TrueType file: the offset table, the table
// records and the name table, with every offset checked against what can be
// read.
#pragma once
#include <cstddef>
#include <cstdint>

// Reads exactly size bytes at offset into buffer; false on a short read.
typedef bool (*FontReader)(void* context, uint64_t offset, void* buffer, uint32_t size);

const uint16_t MacintoshPlatform = 1;

struct FontNameRecord {
    uint16_t platformId;
    uint16_t length; // bytes of the name
    uint64_t offset; // of the name's bytes, from the start of the file
};

// Finds the first name record with name id 1 (font family), whatever its
// platform, encoding or language. False for a file that is not TrueType, has
// no name table or no such record.
bool FindFontFamilyRecord(FontReader read, void* context, FontNameRecord* record);

// Reads the record's length bytes into buffer. A Macintosh name stays as it is
// (8-bit text); any other platform's UTF-16 big-endian text is turned
// little-endian, ready for the system's wide-character calls.
bool ReadFontNameBytes(FontReader read, void* context, const FontNameRecord& record,
                       unsigned char* buffer);

// A FontReader over bytes in memory.
struct FontBytes {
    const unsigned char* data;
    size_t size;
};
bool ReadFontBytes(void* fontBytes, uint64_t offset, void* buffer, uint32_t size);
