// The 64-bit program test on the first bytes of a file.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "base/image_rules.h"

namespace {

void Put16(std::vector<unsigned char>& b, size_t at, unsigned v) {
    b[at] = v & 0xFF;
    b[at + 1] = (v >> 8) & 0xFF;
}
void Put32(std::vector<unsigned char>& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + i] = (v >> (8 * i)) & 0xFF;
}

// An image of `size` bytes with its PE header at `header`.
std::vector<unsigned char> Image(size_t size, uint32_t header, unsigned machine, unsigned magic) {
    std::vector<unsigned char> b(size, 0);
    b[0] = 'M';
    b[1] = 'Z';
    Put32(b, 60, header);
    if (header + 26 <= size) {
        b[header] = 'P';
        b[header + 1] = 'E';
        Put16(b, header + 4, machine);
        Put16(b, header + 24, magic);
    }
    return b;
}

bool IsPe64(const std::vector<unsigned char>& b) {
    return IsPe64Image(b.data(), b.size());
}

TEST(Pe64Image, MachineOrOptionalHeaderMagic) {
    EXPECT_TRUE(IsPe64(Image(1024, 0x80, 0x8664, 0x020B)));
    EXPECT_TRUE(IsPe64(Image(1024, 0x80, 0x0200, 0x010B)));  // IA-64
    EXPECT_TRUE(IsPe64(Image(1024, 0x80, 0x014C, 0x020B)));  // PE32+ magic alone
    EXPECT_FALSE(IsPe64(Image(1024, 0x80, 0x014C, 0x010B))); // 32-bit program
    EXPECT_FALSE(IsPe64(Image(1024, 0x80, 0xAA64, 0x010B))); // ARM64 is neither
}

TEST(Pe64Image, SignaturesAndSizes) {
    auto good = Image(1024, 0x80, 0x8664, 0x020B);
    auto noMz = good;
    noMz[1] = 'X';
    EXPECT_FALSE(IsPe64(noMz));
    auto noPe = good;
    noPe[0x82] = 1; // "PE\1\0"
    EXPECT_FALSE(IsPe64(noPe));
    // 64 bytes or fewer are never enough, whatever they hold.
    std::vector<unsigned char> tiny(good.begin(), good.begin() + 64);
    EXPECT_FALSE(IsPe64(tiny));
    EXPECT_FALSE(IsPe64Image(nullptr, 0));
    EXPECT_FALSE(IsPe64Image(good.data(), 0));
}

TEST(Pe64Image, TheHeaderMustStartMoreThan264BytesBeforeTheEnd) {
    // H + 264 < bytes read: with H = 0x80 the image needs 393 bytes at least.
    const uint32_t h = 0x80;
    EXPECT_FALSE(IsPe64(Image(h + 264, h, 0x8664, 0x020B)));
    EXPECT_TRUE(IsPe64(Image(h + 265, h, 0x8664, 0x020B)));
    // A truncated file: the header offset points past what was read.
    EXPECT_FALSE(IsPe64(Image(300, 0x1000, 0x8664, 0x020B)));
    EXPECT_FALSE(IsPe64(Image(4095, 0xFFFFFF00u, 0x8664, 0x020B)));
}

TEST(Pe64Image, NegativeOrHugeHeaderOffsetsFail) {
    for (uint32_t header : {0xFFFFFFFFu, 0x80000000u, 0xFFFFFEF8u /* -264 */, 0x7FFFFFFFu}) {
        auto b = Image(4095, 0x80, 0x8664, 0x020B);
        Put32(b, 60, header);
        EXPECT_FALSE(IsPe64(b)) << std::hex << header;
    }
}

TEST(Pe64Image, EveryHeaderPositionNearTheEndOfExactSizeBuffers) {
    // Exact-size buffers: a read beyond the bytes given stops the sanitizer.
    for (size_t size : {65u, 100u, 300u, 400u, 4095u}) {
        for (size_t header = 0; header < size + 16; ++header) {
            std::vector<unsigned char> b(size, 0xCC);
            b[0] = 'M';
            b[1] = 'Z';
            Put32(b, 60, uint32_t(header));
            if (header + 26 <= size) {
                b[header] = 'P';
                b[header + 1] = 'E';
                b[header + 2] = b[header + 3] = 0;
                Put16(b, header + 4, 0x8664);
            }
            bool fitsWithRoom = header + 264 < size;
            // The planted six bytes must leave "MZ" (0..1) and the offset
            // field (60..63) as they are.
            bool intact = header >= 2 && (header + 6 <= 60 || header >= 64);
            EXPECT_EQ(IsPe64Image(b.data(), b.size()), fitsWithRoom && intact)
                << "size " << size << " header " << header;
        }
    }
}

} // namespace
