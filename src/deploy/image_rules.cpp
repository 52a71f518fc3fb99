#include "deploy/image_rules.h"

#include <cstring>

namespace {

// Little-endian reads that never leave the buffer: false when they would.
struct Bytes {
    const uint8_t* data;
    size_t size;

    bool Has(size_t at, size_t count) const { return at <= size && count <= size - at; }
    bool Word(size_t at, uint32_t* value) const {
        if (!Has(at, 2)) return false;
        *value = uint32_t(data[at]) | uint32_t(data[at + 1]) << 8;
        return true;
    }
    bool Dword(size_t at, uint32_t* value) const {
        if (!Has(at, 4)) return false;
        *value = uint32_t(data[at]) | uint32_t(data[at + 1]) << 8 | uint32_t(data[at + 2]) << 16 |
                 uint32_t(data[at + 3]) << 24;
        return true;
    }
};

const uint32_t Pe32Magic = 0x10B;
const uint32_t Pe32PlusMagic = 0x20B;
const uint32_t ResourceDirectoryIndex = 2;
const size_t SectionHeaderSize = 40;
const size_t DirectoryHeaderSize = 16;
const size_t DirectoryEntrySize = 8;
const uint32_t HighBit = 0x80000000u;

char AsciiUpper(char c) {
    return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
}

// Where the resource directory lies in the file and how its RVAs map to file
// offsets.
struct ResourceView {
    Bytes file;
    size_t sections; // file offset of the first section header
    uint32_t sectionCount;
    uint32_t rootRva; // the resource directory's RVA
    size_t root;      // ... and its file offset
};

// The file offset of `count` bytes at an RVA, inside one section's raw data.
bool RvaToOffset(const ResourceView& view, uint32_t rva, uint32_t count, size_t* offset) {
    for (uint32_t i = 0; i < view.sectionCount; ++i) {
        size_t header = view.sections + i * SectionHeaderSize;
        uint32_t virtualSize, virtualAddress, rawSize, rawOffset;
        if (!view.file.Dword(header + 8, &virtualSize) ||
            !view.file.Dword(header + 12, &virtualAddress) ||
            !view.file.Dword(header + 16, &rawSize) || !view.file.Dword(header + 20, &rawOffset))
            return false;
        if (rva < virtualAddress) continue;
        uint32_t into = rva - virtualAddress;
        if (into >= rawSize || count > rawSize - into) continue;
        if (!view.file.Has(size_t(rawOffset) + into, count)) return false;
        *offset = size_t(rawOffset) + into;
        return true;
    }
    return false;
}

bool OpenResourceView(const uint8_t* image, size_t size, ResourceView* view) {
    view->file = {image, size};
    const Bytes& file = view->file;
    uint32_t peOffset, signature, sectionCount, optionalSize, magic;
    if (!file.Has(0, 2) || image[0] != 'M' || image[1] != 'Z') return false;
    if (!file.Dword(0x3C, &peOffset) || !file.Dword(peOffset, &signature) ||
        signature != 0x00004550)
        return false;
    size_t header = size_t(peOffset) + 4;
    size_t optional = header + 20;
    if (!file.Word(header + 2, &sectionCount) || !file.Word(header + 16, &optionalSize) ||
        !file.Word(optional, &magic))
        return false;
    size_t countAt, directories;
    if (magic == Pe32Magic) {
        countAt = optional + 92;
        directories = optional + 96;
    } else if (magic == Pe32PlusMagic) {
        countAt = optional + 108;
        directories = optional + 112;
    } else {
        return false;
    }
    uint32_t directoryCount, rva, directorySize;
    if (!file.Dword(countAt, &directoryCount) || directoryCount <= ResourceDirectoryIndex)
        return false;
    size_t entry = directories + ResourceDirectoryIndex * 8;
    if (entry + 8 > optional + optionalSize) return false;
    if (!file.Dword(entry, &rva) || !file.Dword(entry + 4, &directorySize) || rva == 0)
        return false;
    view->sections = optional + optionalSize;
    view->sectionCount = sectionCount;
    if (!file.Has(view->sections, size_t(sectionCount) * SectionHeaderSize)) return false;
    view->rootRva = rva;
    return RvaToOffset(*view, rva, DirectoryHeaderSize, &view->root);
}

// True when the directory entry's name or number is `id`.
bool EntryMatches(const ResourceView& view, uint32_t name, ResourceId id) {
    if (!(name & HighBit)) return id.text == nullptr && name == id.number;
    if (!id.text) return false;
    size_t at;
    uint32_t length;
    if (!RvaToOffset(view, view.rootRva + (name & ~HighBit), 2, &at) ||
        !view.file.Word(at, &length))
        return false;
    if (length != strlen(id.text) || !view.file.Has(at + 2, size_t(length) * 2)) return false;
    for (uint32_t i = 0; i < length; ++i) {
        uint32_t unit;
        view.file.Word(at + 2 + i * 2, &unit);
        if (unit > 0x7F || AsciiUpper(char(unit)) != AsciiUpper(id.text[i])) return false;
    }
    return true;
}

// The entry of the directory at `directory` (a file offset) that matches id,
// or its first entry when id is null; its data field comes out.
bool FindEntry(const ResourceView& view, size_t directory, const ResourceId* id, uint32_t* target) {
    uint32_t named, numbered;
    if (!view.file.Word(directory + 12, &named) || !view.file.Word(directory + 14, &numbered))
        return false;
    for (uint32_t i = 0; i < named + numbered; ++i) {
        size_t entry = directory + DirectoryHeaderSize + i * DirectoryEntrySize;
        uint32_t name, data;
        if (!view.file.Dword(entry, &name) || !view.file.Dword(entry + 4, &data)) return false;
        if (id && !EntryMatches(view, name, *id)) continue;
        *target = data;
        return true;
    }
    return false;
}

// Follows a directory entry that must lead to a subdirectory (or, for the
// last level, to a data entry), giving its file offset.
bool Follow(const ResourceView& view, uint32_t target, bool wantDirectory, size_t* offset) {
    if (bool(target & HighBit) != wantDirectory) return false;
    return RvaToOffset(view, view.rootRva + (target & ~HighBit),
                       wantDirectory ? DirectoryHeaderSize : 16, offset);
}

// ------------------------------------------------------------ version blocks

// One node of a VS_VERSIONINFO tree: a length, a value length, a type, a
// zero-terminated UTF-16 key, its value and its children, each part aligned
// to four bytes from the block's start.
struct Node {
    size_t key;      // the key's first character
    size_t value;    // the value's first byte
    size_t valueEnd; // one past its last byte
    size_t children; // the first child
    size_t end;      // one past the node
};

size_t Aligned(size_t at) {
    return (at + 3) & ~size_t(3);
}

bool ReadNode(const Bytes& block, size_t at, size_t limit, Node* node) {
    uint32_t length, valueLength, type;
    if (!block.Word(at, &length) || !block.Word(at + 2, &valueLength) || !block.Word(at + 4, &type))
        return false;
    if (length < 6 || length > limit - at) return false;
    node->end = at + length;
    node->key = at + 6;
    size_t cursor = node->key;
    for (;;) {
        uint32_t unit;
        if (cursor + 2 > node->end || !block.Word(cursor, &unit)) return false;
        cursor += 2;
        if (unit == 0) break;
    }
    node->value = Aligned(cursor);
    size_t valueBytes = type == 1 ? size_t(valueLength) * 2 : valueLength;
    if (node->value > node->end) node->value = node->end;
    node->valueEnd = node->value + valueBytes > node->end ? node->end : node->value + valueBytes;
    node->children = Aligned(node->valueEnd);
    return true;
}

// Compares the node's key with an ASCII text (ignoring case when told).
bool KeyIs(const Bytes& block, const Node& node, const char* text, bool ignoreCase) {
    size_t at = node.key;
    for (;; ++text, at += 2) {
        uint32_t unit;
        if (!block.Word(at, &unit)) return false;
        if (unit == 0 || *text == '\0') return unit == 0 && *text == '\0';
        if (unit > 0x7F) return false;
        char c = char(unit);
        if (ignoreCase ? AsciiUpper(c) != AsciiUpper(*text) : c != *text) return false;
    }
}

// The child of `parent` whose key is text.
bool FindChild(const Bytes& block, const Node& parent, const char* text, bool ignoreCase,
               Node* child) {
    for (size_t at = parent.children; at + 6 <= parent.end;) {
        if (!ReadNode(block, at, parent.end, child)) return false;
        if (KeyIs(block, *child, text, ignoreCase)) return true;
        at = Aligned(child->end);
    }
    return false;
}

const char* const StringTables[] = {"040904E4", "040904B0"};

} // namespace

bool FindImageResource(const uint8_t* image, size_t size, ResourceId type, ResourceId name,
                       const uint8_t** data, uint32_t* dataSize) {
    ResourceView view;
    if (!image || !OpenResourceView(image, size, &view)) return false;
    uint32_t target;
    size_t names, languages, entry;
    if (!FindEntry(view, view.root, &type, &target) || !Follow(view, target, true, &names) ||
        !FindEntry(view, names, &name, &target) || !Follow(view, target, true, &languages) ||
        !FindEntry(view, languages, nullptr, &target) || !Follow(view, target, false, &entry))
        return false;
    uint32_t rva, length;
    size_t at;
    if (!view.file.Dword(entry, &rva) || !view.file.Dword(entry + 4, &length) ||
        !RvaToOffset(view, rva, length, &at))
        return false;
    *data = image + at;
    *dataSize = length;
    return true;
}

bool ReadVersionString(const uint8_t* data, size_t size, const char* key, char* out,
                       size_t outSize) {
    if (outSize == 0) return false;
    out[0] = '\0';
    Bytes block = {data, size};
    Node root, strings, table, value;
    if (!data || !ReadNode(block, 0, size, &root) ||
        !KeyIs(block, root, "VS_VERSION_INFO", false) ||
        !FindChild(block, root, "StringFileInfo", false, &strings))
        return false;
    for (const char* tableName : StringTables) {
        if (!FindChild(block, strings, tableName, true, &table)) continue;
        if (!FindChild(block, table, key, false, &value)) continue;
        size_t used = 0;
        for (size_t at = value.value; at + 2 <= value.valueEnd; at += 2) {
            uint32_t unit;
            block.Word(at, &unit);
            if (unit == 0) break;
            if (used + 1 >= outSize) break;
            out[used++] = unit > 0x7F ? '?' : char(unit);
        }
        out[used] = '\0';
        return true;
    }
    return false;
}

bool ReadImageVersionString(const uint8_t* image, size_t size, const char* key, char* out,
                            size_t outSize) {
    const uint8_t* block;
    uint32_t blockSize;
    if (outSize > 0) out[0] = '\0';
    return FindImageResource(image, size, VersionResource, {1, nullptr}, &block, &blockSize) &&
           ReadVersionString(block, blockSize, key, out, outSize);
}
