#include "base/pe_rules.h"

#include <cstdint>

namespace {

const size_t MinimumImageSize = 64;
const size_t HeaderOffsetField = 60;
const int64_t HeaderRoom = 264;
const size_t MachineField = 4;
const size_t OptionalMagicField = 24;
const unsigned MachineAmd64 = 0x8664;
const unsigned MachineIa64 = 0x0200;
const unsigned MagicPe32Plus = 0x020B;

unsigned Read16(const unsigned char* p) {
    return unsigned(p[0]) | unsigned(p[1]) << 8;
}

int32_t Read32Signed(const unsigned char* p) {
    uint32_t value =
        uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
    return int32_t(value);
}

} // namespace

bool IsPe64Image(const unsigned char* bytes, size_t count) {
    if (!bytes || count <= MinimumImageSize) return false;
    if (bytes[0] != 'M' || bytes[1] != 'Z') return false;
    int64_t header = Read32Signed(bytes + HeaderOffsetField);
    if (header < 0 || header + HeaderRoom >= int64_t(count)) return false;
    const unsigned char* pe = bytes + header;
    if (pe[0] != 'P' || pe[1] != 'E' || pe[2] != 0 || pe[3] != 0) return false;
    unsigned machine = Read16(pe + MachineField);
    return machine == MachineAmd64 || machine == MachineIa64 ||
           Read16(pe + OptionalMagicField) == MagicPe32Plus;
}
