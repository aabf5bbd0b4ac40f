// The check of plug-in pictures: sound blocks at every depth become the
// pixels they describe; blocks whose sizes lie are refused before
// anything is read from them.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "SpiTestSupport.h"
#include "formats/plugin/SpiPicture.h"

namespace zelvo {
namespace {

using Bytes = std::vector<std::uint8_t>;

void Put32(Bytes& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + std::size_t(i)] = std::uint8_t(v >> (8 * i));
}

// A 40-byte header followed by `tail` (masks and table).
Bytes Info(std::int32_t width, std::int32_t height, int bits, std::uint32_t compression, std::uint32_t colors,
           const Bytes& tail = {}, std::uint32_t sizeImage = 0) {
    Bytes b(40 + tail.size(), 0);
    std::copy(tail.begin(), tail.end(), b.begin() + 40);
    Put32(b, 0, 40);
    Put32(b, 4, std::uint32_t(width));
    Put32(b, 8, std::uint32_t(height));
    b[12] = 1;
    b[14] = std::uint8_t(bits);
    Put32(b, 16, compression);
    Put32(b, 20, sizeImage);
    Put32(b, 32, colors);
    return b;
}

TEST(SpiPicture, SoundBlocksGiveTheirPixels) {
    struct TCase {
        const char* Name;
        Bytes InfoBlock, Bits;
        int BitCount;  // as kept
        Bytes Rgb;     // top row first
    };
    // Two colours: entry 0 blue-ish (B 10, G 20, R 30), entry 1 white.
    const Bytes table2{10, 20, 30, 0, 255, 255, 255, 0};
    // 16 bits 5-6-5 masks; pixel 0xF800 is pure red, 0x07E0 pure green:
    // the reader scales 0xF8 and 0xFC to 255.
    const Bytes masks565{0x00, 0xF8, 0, 0, 0xE0, 0x07, 0, 0, 0x1F, 0, 0, 0};
    const TCase cases[] = {
        // 1 bit, 3 x 2 bottom-up: bottom row 101, top row 010.
        {"1 bit", Info(3, 2, 1, BI_RGB, 2, table2), {0xA0, 0, 0, 0, 0x40, 0, 0, 0}, 1,
         {30, 20, 10, 255, 255, 255, 30, 20, 10, 255, 255, 255, 30, 20, 10, 255, 255, 255}},
        // 8 bits, top-down (negative height), 2 x 1, colours used 0 means 256.
        {"8 bits top-down", Info(2, -1, 8, BI_RGB, 0, [&] {
             Bytes t(1024, 0);
             std::copy(table2.begin(), table2.end(), t.begin());
             return t;
         }()),
         {1, 0, 0, 0}, 8, {255, 255, 255, 30, 20, 10}},
        // 24 bits: B G R per pixel, rows padded to 4.
        {"24 bits", Info(1, 2, 24, BI_RGB, 0), {1, 2, 3, 0, 4, 5, 6, 0}, 24, {6, 5, 4, 3, 2, 1}},
        // 32 bits plain: B G R x.
        {"32 bits", Info(1, 1, 32, BI_RGB, 0), {7, 8, 9, 99}, 24, {9, 8, 7}},
        {"16 bits 5-6-5", Info(2, 1, 16, BI_BITFIELDS, 0, masks565), {0x00, 0xF8, 0xE0, 0x07}, 24,
         {255, 0, 0, 0, 255, 0}},
        // RLE8: a run of 3 of index 1, end of picture.
        {"RLE8", Info(3, 1, 8, BI_RLE8, 2, table2, 4), {3, 1, 0, 1}, 8,
         {255, 255, 255, 255, 255, 255, 255, 255, 255}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TDibImage picture = PictureFromPluginBlocks(c.InfoBlock, c.Bits);
        if (picture.PixelFormat() == dibPf8BitRLE) picture.SetPixelFormat(dibPf8Bit);
        EXPECT_EQ(picture.BitCount(), c.BitCount);
        EXPECT_EQ(test::RgbBytes(picture), c.Rgb);
    }
}

TEST(SpiPicture, LyingBlocksAreRefused) {
    struct TCase {
        const char* Name;
        Bytes InfoBlock;
        std::size_t BitsBytes;
    };
    const TCase cases[] = {
        {"short header", Bytes(39, 0), 16},
        {"header size 108", [] { Bytes b = Info(1, 1, 24, 0, 0); Put32(b, 0, 108); return b; }(), 16},
        {"bit count 2", Info(1, 1, 2, 0, 4, Bytes(16, 0)), 16},
        {"width 0", Info(0, 1, 24, 0, 0), 16},
        {"negative width", Info(-1, 1, 24, 0, 0), 16},
        {"height 0", Info(1, 0, 24, 0, 0), 16},
        {"above the pixel limit", Info(65536, 65536, 1, 0, 2, Bytes(8, 0)), 16},
        {"rows beyond the bits", Info(5, 1, 24, 0, 0), 15},
        {"rows beyond the bits top-down", Info(2, -2, 24, 0, 0), 15},
        {"colours beyond the block", Info(1, 1, 8, 0, 3, Bytes(8, 0)), 16},
        {"implied 16 colours missing", Info(1, 1, 4, 0, 0, Bytes(60, 0)), 16},
        {"colour count near 2^32", Info(1, 1, 8, 0, 0xFFFFFFFF), 16},
        {"bit fields at 24 bits", Info(1, 1, 24, BI_BITFIELDS, 0, Bytes(12, 1)), 16},
        {"bit fields cut short", Info(1, 1, 16, BI_BITFIELDS, 0, Bytes(8, 1)), 16},
        {"zero green mask", Info(1, 1, 32, BI_BITFIELDS, 0, {0, 0, 255, 0, 0, 0, 0, 0, 255, 0, 0, 0}), 16},
        {"16-bit mask above 16 bits", Info(1, 1, 16, BI_BITFIELDS, 0, {0, 0, 1, 0, 0xE0, 7, 0, 0, 0x1F, 0, 0, 0}), 16},
        {"RLE4 at 8 bits", Info(2, 1, 8, BI_RLE4, 0, Bytes(1024, 0), 4), 16},
        {"RLE size 0", Info(2, 1, 8, BI_RLE8, 0, Bytes(1024, 0), 0), 16},
        {"RLE size past the bits", Info(2, 1, 8, BI_RLE8, 0, Bytes(1024, 0), 17), 16},
        {"JPEG compression", Info(2, 1, 24, 4, 0), 16},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        const Bytes bits(c.BitsBytes, 0);
        try {
            PictureFromPluginBlocks(c.InfoBlock, bits);
            ADD_FAILURE() << "accepted";
        } catch (const EInvalidGraphic& e) {
            EXPECT_STREQ(e.what(), "認識できない画像形式です");
            EXPECT_FALSE(e.Detail().empty());
        }
    }
}

TEST(SpiPicture, BlockSizesMustFitTheirMemory) {
    SpiHandle block = SpiAllocBlock(10);
    ASSERT_NE(block, nullptr);
    std::memcpy(SpiBlockData(block), "text\0more", 10);
    bool believable = false;
    EXPECT_EQ(BlockBytes(block, &believable).size(), 10u);
    EXPECT_TRUE(believable);
    EXPECT_EQ(BlockText(block), "text");
    block->size = 1 << 20;  // claims far more than it has
    EXPECT_TRUE(BlockBytes(block, &believable).empty());
    EXPECT_FALSE(believable);
    EXPECT_EQ(BlockText(block), "");
    block->size = ~std::uint64_t(0);
    EXPECT_TRUE(BlockBytes(block, &believable).empty());
    std::free(block);
    // Text without a terminator ends with its block.
    SpiHandle unterminated = SpiAllocBlock(3);
    std::memcpy(SpiBlockData(unterminated), "abc", 3);
    EXPECT_EQ(BlockText(unterminated), "abc");
    std::free(unterminated);
    EXPECT_TRUE(BlockBytes(nullptr, &believable).empty());
    EXPECT_TRUE(believable);
}

}  // namespace
}  // namespace zelvo
