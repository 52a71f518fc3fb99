#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "font/font_rules.h"

namespace {

typedef std::vector<unsigned char> Bytes;

struct NameEntry {
    uint16_t platform;
    uint16_t nameId;
    std::string bytes; // as stored in the file
};

void Put16(Bytes& out, size_t at, uint32_t value) {
    out[at] = uint8_t(value >> 8);
    out[at + 1] = uint8_t(value);
}

void Put32(Bytes& out, size_t at, uint32_t value) {
    Put16(out, at, value >> 16);
    Put16(out, at + 2, value & 0xFFFF);
}

std::string Utf16Be(const std::string& ascii) {
    std::string out;
    for (char c : ascii) {
        out += '\0';
        out += c;
    }
    return out;
}

std::string Utf16Le(const std::string& ascii) {
    std::string out;
    for (char c : ascii) {
        out += c;
        out += '\0';
    }
    return out;
}

// A TrueType file with a "head" table (4 dummy bytes) and, unless told
// otherwise, a "name" table holding the entries.
struct FontLayout {
    std::vector<NameEntry> names;
    bool withNameTable = true;
    uint32_t sfntVersion = 0x00010000;
};

struct BuiltFont {
    Bytes bytes;
    size_t nameTable = 0; // offset of the name table
};

BuiltFont BuildFont(const FontLayout& layout) {
    const uint16_t tables = layout.withNameTable ? 2 : 1;
    const size_t directoryEnd = 12 + 16 * size_t(tables);
    BuiltFont font;
    Bytes& out = font.bytes;
    out.assign(directoryEnd + 4, 0);
    Put32(out, 0, layout.sfntVersion);
    Put16(out, 4, tables);
    // "head" first, so that the search has to step over a record.
    memcpy(&out[12], "head", 4);
    Put32(out, 12 + 8, uint32_t(directoryEnd));
    Put32(out, 12 + 12, 4);
    if (!layout.withNameTable) return font;

    font.nameTable = out.size();
    memcpy(&out[28], "name", 4);
    Put32(out, 28 + 8, uint32_t(font.nameTable));
    const size_t count = layout.names.size();
    const size_t storage = 6 + 12 * count;
    out.resize(font.nameTable + storage, 0);
    Put16(out, font.nameTable + 2, uint32_t(count));
    Put16(out, font.nameTable + 4, uint32_t(storage));
    size_t stringOffset = 0;
    for (size_t i = 0; i < count; ++i) {
        const NameEntry& entry = layout.names[i];
        size_t at = font.nameTable + 6 + 12 * i;
        Put16(out, at, entry.platform);
        Put16(out, at + 2, entry.platform == 1 ? 0 : 1);
        Put16(out, at + 4, entry.platform == 1 ? 0 : 0x409);
        Put16(out, at + 6, entry.nameId);
        Put16(out, at + 8, uint32_t(entry.bytes.size()));
        Put16(out, at + 10, uint32_t(stringOffset));
        stringOffset += entry.bytes.size();
    }
    for (const NameEntry& entry : layout.names)
        out.insert(out.end(), entry.bytes.begin(), entry.bytes.end());
    Put32(out, 28 + 12, uint32_t(out.size() - font.nameTable));
    return font;
}

// What a reader of the file would make of the family name: "<none>" when the
// record is missing or its bytes cannot be read; otherwise the bytes as
// delivered, prefixed with the platform.
std::string FamilyOf(const Bytes& bytes) {
    FontBytes source = {bytes.data(), bytes.size()};
    FontNameRecord record;
    if (!FindFontFamilyRecord(ReadFontBytes, &source, &record)) return "<none>";
    std::vector<unsigned char> text(size_t(record.length) + 3, 0xEE);
    if (!ReadFontNameBytes(ReadFontBytes, &source, record, text.data())) return "<unreadable>";
    // Nothing beyond the record's length is touched.
    for (size_t i = record.length; i < text.size(); ++i)
        EXPECT_EQ(text[i], 0xEE);
    return std::to_string(record.platformId) + ":" +
           std::string(text.begin(), text.begin() + record.length);
}

const NameEntry Copyright = {3, 0, Utf16Be("(c) Scorewave")};
const NameEntry UnicodeFamily = {3, 1, Utf16Be("Tonalis")};
const NameEntry MacFamily = {1, 1, "Tonalis Mac"};
const NameEntry Style = {3, 2, Utf16Be("Regular")};

TEST(FontFamilyName, FirstFamilyRecordWhateverItsPlatform) {
    FontLayout unicodeOnly;
    unicodeOnly.names = {Copyright, UnicodeFamily, Style};
    EXPECT_EQ(FamilyOf(BuildFont(unicodeOnly).bytes), "3:" + Utf16Le("Tonalis"));

    FontLayout macFirst;
    macFirst.names = {Copyright, MacFamily, UnicodeFamily};
    EXPECT_EQ(FamilyOf(BuildFont(macFirst).bytes), "1:Tonalis Mac");

    FontLayout unicodeFirst;
    unicodeFirst.names = {UnicodeFamily, MacFamily};
    EXPECT_EQ(FamilyOf(BuildFont(unicodeFirst).bytes), "3:" + Utf16Le("Tonalis"));

    // Platform 0 (Unicode) and an odd length: the lone last byte stays.
    FontLayout odd;
    odd.names = {{0, 1, Utf16Be("Ab") + "Z"}};
    EXPECT_EQ(FamilyOf(BuildFont(odd).bytes), "0:" + Utf16Le("Ab") + "Z");

    FontLayout empty;
    empty.names = {{3, 1, ""}};
    EXPECT_EQ(FamilyOf(BuildFont(empty).bytes), "3:");
}

TEST(FontFamilyName, NoNameTableNoFamilyRecordOrNotTrueType) {
    FontLayout noTable;
    noTable.withNameTable = false;
    EXPECT_EQ(FamilyOf(BuildFont(noTable).bytes), "<none>");

    FontLayout noFamily;
    noFamily.names = {Copyright, Style};
    EXPECT_EQ(FamilyOf(BuildFont(noFamily).bytes), "<none>");

    FontLayout noNames;
    EXPECT_EQ(FamilyOf(BuildFont(noNames).bytes), "<none>");

    for (uint32_t version :
         {0x4F54544Fu /* OTTO */, 0x74727565u /* true */, 0x00020000u, 0x00010001u}) {
        FontLayout other;
        other.names = {UnicodeFamily};
        other.sfntVersion = version;
        EXPECT_EQ(FamilyOf(BuildFont(other).bytes), "<none>") << std::hex << version;
    }
    EXPECT_EQ(FamilyOf(Bytes()), "<none>");
}

TEST(FontFamilyName, EveryTruncationGivesNoNameWithoutReadingPastTheEnd) {
    FontLayout layout;
    layout.names = {Copyright, UnicodeFamily, Style};
    const Bytes whole = BuildFont(layout).bytes;
    // The family's text ends where the style's begins.
    const size_t familyEnd = whole.size() - Style.bytes.size();
    for (size_t length = 0; length < whole.size(); ++length) {
        // A copy of exactly this length, so that the sanitizer sees any overread.
        std::vector<unsigned char> cut(whole.begin(), whole.begin() + length);
        std::string family = FamilyOf(cut);
        if (length >= familyEnd)
            EXPECT_EQ(family, "3:" + Utf16Le("Tonalis")) << length;
        else
            EXPECT_TRUE(family == "<none>" || family == "<unreadable>") << length << " " << family;
    }
}

TEST(FontFamilyName, BadOffsetsAndCountsAreBounded) {
    FontLayout layout;
    layout.names = {Copyright, UnicodeFamily};
    const BuiltFont good = BuildFont(layout);
    const size_t nameRecord = 28; // the second table record

    for (uint32_t offset :
         {0xFFFFFFFFu, 0xFFFFFFFAu, uint32_t(good.bytes.size()), uint32_t(good.bytes.size() - 5)}) {
        Bytes bad = good.bytes;
        Put32(bad, nameRecord + 8, offset);
        EXPECT_EQ(FamilyOf(bad), "<none>") << offset;
    }

    // The string storage and the record's own offset pointing far away: the
    // record is found, its text cannot be read.
    Bytes farStorage = good.bytes;
    Put16(farStorage, good.nameTable + 4, 0xFFFF);
    EXPECT_EQ(FamilyOf(farStorage), "<unreadable>");
    Bytes farString = good.bytes;
    Put16(farString, good.nameTable + 6 + 12 + 10, 0xFFFF);
    EXPECT_EQ(FamilyOf(farString), "<unreadable>");
    Bytes longString = good.bytes;
    Put16(longString, good.nameTable + 6 + 12 + 8, 0xFFFF);
    EXPECT_EQ(FamilyOf(longString), "<unreadable>");

    // More tables than the file holds: the search ends at the first short read.
    FontLayout noTable;
    noTable.withNameTable = false;
    Bytes manyTables = BuildFont(noTable).bytes;
    Put16(manyTables, 4, 0xFFFF);
    EXPECT_EQ(FamilyOf(manyTables), "<none>");

    // More name records than the table holds: those past the end are passed over.
    FontLayout familyLast;
    familyLast.names = {Copyright, Style};
    BuiltFont counted = BuildFont(familyLast);
    Put16(counted.bytes, counted.nameTable + 2, 0xFFFF);
    EXPECT_EQ(FamilyOf(counted.bytes), "<none>");
    Bytes manyNames = good.bytes;
    Put16(manyNames, good.nameTable + 2, 0xFFFF);
    EXPECT_EQ(FamilyOf(manyNames), "3:" + Utf16Le("Tonalis"));
}

TEST(FontFamilyName, ByteReaderChecksEveryRange) {
    const unsigned char data[4] = {1, 2, 3, 4};
    FontBytes source = {data, sizeof data};
    unsigned char out[4] = {0, 0, 0, 0};
    EXPECT_TRUE(ReadFontBytes(&source, 0, out, 4));
    EXPECT_TRUE(ReadFontBytes(&source, 4, out, 0));
    EXPECT_TRUE(ReadFontBytes(&source, 3, out, 1));
    EXPECT_EQ(out[0], 4);
    EXPECT_FALSE(ReadFontBytes(&source, 1, out, 4));
    EXPECT_FALSE(ReadFontBytes(&source, 5, out, 0));
    EXPECT_FALSE(ReadFontBytes(&source, 0xFFFFFFFFFFFFFFFFull, out, 1));
    EXPECT_FALSE(ReadFontBytes(&source, 2, out, 0xFFFFFFFFu));
}

} // namespace
