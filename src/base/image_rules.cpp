#include "base/image_rules.h"

#include <cstring>

#include "base/text_rules.h"

namespace {

// The bytes of a file or a resource. Every read is checked against their end:
// a field that lies past it reads as 0, which no structure read here accepts
// where it matters (a signature, a length, a count), and ranges that are used
// as a whole are checked with Has.
struct Bytes {
    const uint8_t* data;
    size_t size;

    bool Has(size_t at, size_t count) const { return at <= size && count <= size - at; }
    // A little-endian number of `width` bytes.
    uint32_t Read(size_t at, int width) const {
        uint32_t value = 0;
        if (Has(at, size_t(width)))
            for (int i = width - 1; i >= 0; --i)
                value = value << 8 | data[at + size_t(i)];
        return value;
    }
    uint32_t Word(size_t at) const { return Read(at, 2); }
    uint32_t Dword(size_t at) const { return Read(at, 4); }
};

const uint32_t Pe32Magic = 0x10B;
const uint32_t Pe32PlusMagic = 0x20B;
const uint32_t PeSignature = 0x00004550; // "PE\0\0"
const uint32_t ResourceDirectoryIndex = 2;
const size_t SectionHeaderSize = 40;
const size_t DirectoryHeaderSize = 16;
const size_t DirectoryEntrySize = 8;
const size_t DataEntrySize = 16;
const uint32_t HighBit = 0x80000000u;
// What the 64-bit test needs of a program's first bytes.
const size_t MinimumImageSize = 64;
const size_t HeaderRoom = 264;
const uint32_t MachineAmd64 = 0x8664;
const uint32_t MachineIa64 = 0x0200;

// A UTF-16 unit against an ASCII character, ignoring ASCII case.
bool SameAsciiLetter(uint32_t unit, char c) {
    return unit <= 0x7F && AsciiUpper(char(unit)) == AsciiUpper(c);
}

const size_t NoPeHeader = ~size_t(0);

// The offset of the "PE\0\0" signature that an MZ image's header field points
// to, NoPeHeader when the bytes hold none there.
size_t PeSignatureOffset(const Bytes& file) {
    if (file.Word(0) != 0x5A4D) return NoPeHeader; // "MZ"
    size_t at = file.Dword(0x3C);
    return file.Dword(at) == PeSignature ? at : NoPeHeader;
}

// Where the resource directory lies in the file and how its RVAs map to file
// offsets.
struct ResourceView {
    Bytes file;
    size_t sections; // file offset of the first section header
    uint32_t sectionCount;
    uint32_t rootRva; // the resource directory's RVA
};

// The file offset of `count` bytes at an RVA, inside one section's raw data;
// 0 (never a resource's offset: the headers are there) when there is none.
size_t RvaToOffset(const ResourceView& view, uint32_t rva, uint32_t count) {
    for (uint32_t i = 0; i < view.sectionCount; ++i) {
        size_t header = view.sections + i * SectionHeaderSize;
        uint32_t virtualAddress = view.file.Dword(header + 12);
        uint32_t rawSize = view.file.Dword(header + 16);
        size_t rawOffset = view.file.Dword(header + 20);
        uint32_t into = rva - virtualAddress;
        if (rva < virtualAddress || into >= rawSize || count > rawSize - into) continue;
        return view.file.Has(rawOffset + into, count) ? rawOffset + into : 0;
    }
    return 0;
}

bool OpenResourceView(const uint8_t* image, size_t size, ResourceView* view) {
    const Bytes file = {image, size};
    view->file = file;
    size_t signature = PeSignatureOffset(file);
    if (signature == NoPeHeader) return false;
    size_t header = signature + 4;
    size_t optional = header + 20;
    uint32_t optionalSize = file.Word(header + 16);
    uint32_t magic = file.Word(optional);
    size_t directories = magic == Pe32Magic ? 96 : magic == Pe32PlusMagic ? 112 : 0;
    if (directories == 0 || file.Dword(optional + directories - 4) <= ResourceDirectoryIndex ||
        directories + ResourceDirectoryIndex * 8 + 8 > optionalSize)
        return false;
    view->rootRva = file.Dword(optional + directories + ResourceDirectoryIndex * 8);
    view->sections = optional + optionalSize;
    view->sectionCount = file.Word(header + 2);
    return view->rootRva != 0 && file.Has(view->sections, view->sectionCount * SectionHeaderSize);
}

// True when the directory entry's name or number is `id`.
bool EntryMatches(const ResourceView& view, uint32_t name, ResourceId id) {
    if (!(name & HighBit)) return id.text == nullptr && name == id.number;
    size_t at = id.text ? RvaToOffset(view, view.rootRva + (name & ~HighBit), 2) : 0;
    uint32_t length = at ? view.file.Word(at) : 0;
    if (length == 0 || length != strlen(id.text)) return false;
    for (uint32_t i = 0; i < length; ++i)
        if (!SameAsciiLetter(view.file.Word(at + 2 + i * 2), id.text[i])) return false;
    return true;
}

const uint32_t NotFound = 0xFFFFFFFFu;

// Follows the entry of the directory at `directory` (relative to the root)
// that matches id, or its first entry when id is null, to a subdirectory (or,
// for the last level, a data entry): where that lies, relative to the root.
uint32_t Follow(const ResourceView& view, uint32_t directory, const ResourceId* id,
                bool toDirectory) {
    size_t at = RvaToOffset(view, view.rootRva + directory, DirectoryHeaderSize);
    uint32_t entries = at ? view.file.Word(at + 12) + view.file.Word(at + 14) : 0;
    for (uint32_t i = 0; i < entries; ++i) {
        size_t entry = at + DirectoryHeaderSize + i * DirectoryEntrySize;
        if (!view.file.Has(entry, DirectoryEntrySize)) break;
        if (id && !EntryMatches(view, view.file.Dword(entry), *id)) continue;
        uint32_t target = view.file.Dword(entry + 4);
        return bool(target & HighBit) == toDirectory ? target & ~HighBit : NotFound;
    }
    return NotFound;
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
    uint32_t length = block.Word(at);
    if (length < 6 || at > limit || length > limit - at) return false;
    node->end = at + length;
    node->key = at + 6;
    size_t cursor = node->key;
    while (block.Word(cursor) != 0)
        if ((cursor += 2) + 2 > node->end) return false;
    size_t valueBytes =
        block.Word(at + 4) == 1 ? size_t(block.Word(at + 2)) * 2 : block.Word(at + 2);
    node->value = Aligned(cursor + 2);
    if (node->value > node->end) node->value = node->end;
    node->valueEnd = valueBytes > node->end - node->value ? node->end : node->value + valueBytes;
    node->children = Aligned(node->valueEnd);
    return true;
}

// Compares the node's key with an ASCII text, ignoring ASCII case as the
// version information functions do.
bool KeyIs(const Bytes& block, const Node& node, const char* text) {
    for (size_t at = node.key;; at += 2, ++text) {
        uint32_t unit = block.Word(at);
        if (!SameAsciiLetter(unit, *text)) return false;
        if (unit == 0) return true;
    }
}

// The child of `parent` whose key is text.
bool FindChild(const Bytes& block, const Node& parent, const char* text, Node* child) {
    for (size_t at = parent.children; at + 6 <= parent.end; at = Aligned(child->end)) {
        if (!ReadNode(block, at, parent.end, child)) return false;
        if (KeyIs(block, *child, text)) return true;
    }
    return false;
}

const char* const StringTables[] = {"040904E4", "040904B0"};

} // namespace

bool FindImageResource(const uint8_t* image, size_t size, ResourceId type, ResourceId name,
                       const uint8_t** data, uint32_t* dataSize) {
    ResourceView view;
    if (!image || !OpenResourceView(image, size, &view)) return false;
    uint32_t names = Follow(view, 0, &type, true);
    uint32_t languages = names == NotFound ? NotFound : Follow(view, names, &name, true);
    uint32_t entry = languages == NotFound ? NotFound : Follow(view, languages, nullptr, false);
    size_t at = entry == NotFound ? 0 : RvaToOffset(view, view.rootRva + entry, DataEntrySize);
    uint32_t length = at ? view.file.Dword(at + 4) : 0;
    size_t bytes = length ? RvaToOffset(view, view.file.Dword(at), length) : 0;
    if (!bytes) return false;
    *data = image + bytes;
    *dataSize = length;
    return true;
}

bool ReadVersionString(const uint8_t* data, size_t size, const char* key, char* out,
                       size_t outSize) {
    if (outSize == 0) return false;
    out[0] = '\0';
    const Bytes block = {data, size};
    Node root, strings, table, value;
    if (!data || !ReadNode(block, 0, size, &root) || !KeyIs(block, root, "VS_VERSION_INFO") ||
        !FindChild(block, root, "StringFileInfo", &strings))
        return false;
    for (const char* tableName : StringTables) {
        if (!FindChild(block, strings, tableName, &table) || !FindChild(block, table, key, &value))
            continue;
        size_t used = 0;
        for (size_t at = value.value; at + 2 <= value.valueEnd && used + 1 < outSize; at += 2) {
            uint32_t unit = block.Word(at);
            if (unit == 0) break;
            out[used++] = unit > 0x7F ? '?' : char(unit);
        }
        out[used] = '\0';
        // An empty text counts as none: the next table's is read then.
        if (used > 0) return true;
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

bool IsPe64Image(const unsigned char* bytes, size_t count) {
    if (!bytes || count <= MinimumImageSize) return false;
    const Bytes file = {bytes, count};
    size_t pe = PeSignatureOffset(file);
    // An offset that is negative as a signed number is no header.
    if (pe == NoPeHeader || pe >= HighBit || pe + HeaderRoom >= count) return false;
    uint32_t machine = file.Word(pe + 4);
    return machine == MachineAmd64 || machine == MachineIa64 || file.Word(pe + 24) == Pe32PlusMagic;
}
