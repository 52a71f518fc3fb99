#include "font/font_rules.h"

#include <cstring>

namespace {

const uint32_t OffsetTableSize = 12;
const uint32_t TableRecordSize = 16;
const uint32_t NameHeaderSize = 6;
const uint32_t NameRecordSize = 12;
const uint16_t SfntVersionMajor = 1;
const uint16_t SfntVersionMinor = 0;
const uint16_t FamilyNameId = 1;
// The tag "name", read as the big-endian number the table directory holds.
const uint32_t NameTag = 0x6E616D65;

uint16_t Word(const unsigned char* bytes, size_t at) {
    return uint16_t((bytes[at] << 8) | bytes[at + 1]);
}

uint32_t Long(const unsigned char* bytes, size_t at) {
    return (uint32_t(bytes[at]) << 24) | (uint32_t(bytes[at + 1]) << 16) |
           (uint32_t(bytes[at + 2]) << 8) | uint32_t(bytes[at + 3]);
}

} // namespace

bool FindFontFamilyRecord(FontReader read, void* context, FontNameRecord* record) {
    unsigned char header[OffsetTableSize];
    if (!read(context, 0, header, sizeof header)) return false;
    if (Word(header, 0) != SfntVersionMajor || Word(header, 2) != SfntVersionMinor) return false;
    const uint16_t tableCount = Word(header, 4);

    bool found = false;
    uint32_t nameTable = 0;
    for (uint32_t i = 0; i < tableCount && !found; ++i) {
        unsigned char table[TableRecordSize];
        if (!read(context, OffsetTableSize + uint64_t(i) * TableRecordSize, table, sizeof table))
            return false;
        if (Long(table, 0) == NameTag) {
            nameTable = Long(table, 8);
            found = true;
        }
    }
    if (!found) return false;

    unsigned char nameHeader[NameHeaderSize];
    if (!read(context, nameTable, nameHeader, sizeof nameHeader)) return false;
    const uint16_t nameCount = Word(nameHeader, 2);
    const uint16_t storage = Word(nameHeader, 4);

    for (uint32_t i = 0; i < nameCount; ++i) {
        unsigned char entry[NameRecordSize];
        // A record that cannot be read whole is passed over.
        if (!read(context, uint64_t(nameTable) + NameHeaderSize + uint64_t(i) * NameRecordSize,
                  entry, sizeof entry))
            continue;
        if (Word(entry, 6) != FamilyNameId) continue;
        record->platformId = Word(entry, 0);
        record->length = Word(entry, 8);
        record->offset = uint64_t(nameTable) + storage + Word(entry, 10);
        return true;
    }
    return false;
}

bool ReadFontNameBytes(FontReader read, void* context, const FontNameRecord& record,
                       unsigned char* buffer) {
    if (record.length > 0 && !read(context, record.offset, buffer, record.length)) return false;
    if (record.platformId == MacintoshPlatform) return true;
    for (uint32_t i = 0; i + 1 < record.length; i += 2) {
        unsigned char high = buffer[i];
        buffer[i] = buffer[i + 1];
        buffer[i + 1] = high;
    }
    return true;
}

bool ReadFontBytes(void* fontBytes, uint64_t offset, void* buffer, uint32_t size) {
    const FontBytes* font = (const FontBytes*)fontBytes;
    if (offset > font->size || size > font->size - offset) return false;
    memcpy(buffer, font->data + offset, size);
    return true;
}
