// Reading BMP files and packed DIBs: hand-made files with worked pixel
// values, header variants, and bad input with the exact exception.
#include <gtest/gtest.h>

#include <cstring>
#include <algorithm>
#include <functional>

#include "TestSupport.h"
#include "image/DibImage.h"

namespace zelvo {
namespace {

void Put16(std::vector<std::uint8_t>& v, std::size_t at, std::uint32_t x) {
    v[at] = std::uint8_t(x);
    v[at + 1] = std::uint8_t(x >> 8);
}
void Put32(std::vector<std::uint8_t>& v, std::size_t at, std::uint32_t x) {
    for (int i = 0; i < 4; ++i) v[at + std::size_t(i)] = std::uint8_t(x >> (8 * i));
}

// A hand-made BMP file. Fields left at their defaults give a consistent file;
// tests then break one of them.
struct BmpSpec {
    std::uint32_t headerSize = 40;
    std::int32_t width = 2;
    std::int32_t height = 2;
    std::uint16_t bits = 24;
    std::uint32_t compression = 0;
    std::uint32_t clrUsed = 0;
    std::int32_t xppm = 2835, yppm = 2835;
    std::vector<std::uint8_t> table;   // raw bytes after the header (and masks)
    std::vector<std::uint32_t> masks;  // written after a 40-byte header, or inside a longer one
    std::vector<std::uint8_t> pixels;
    std::int64_t offsetDelta = 0;  // added to the true data offset
    std::int64_t sizeDelta = 0;    // added to the true file size field
};

std::vector<std::uint8_t> MakeInfo(const BmpSpec& s) {
    std::vector<std::uint8_t> v(s.headerSize == 12 ? 12 : std::max<std::uint32_t>(s.headerSize, 40), 0);
    Put32(v, 0, s.headerSize);
    if (s.headerSize == 12) {
        Put16(v, 4, std::uint32_t(s.width));
        Put16(v, 6, std::uint32_t(s.height));
        Put16(v, 8, 1);
        Put16(v, 10, s.bits);
    } else {
        Put32(v, 4, std::uint32_t(s.width));
        Put32(v, 8, std::uint32_t(s.height));
        Put16(v, 12, 1);
        Put16(v, 14, s.bits);
        Put32(v, 16, s.compression);
        Put32(v, 24, std::uint32_t(s.xppm));
        Put32(v, 28, std::uint32_t(s.yppm));
        Put32(v, 32, s.clrUsed);
        for (std::size_t i = 0; i < s.masks.size() && s.headerSize > 40; ++i) Put32(v, 40 + 4 * i, s.masks[i]);
    }
    if (s.headerSize == 40) {
        for (auto m : s.masks) {
            const std::size_t at = v.size();
            v.resize(at + 4);
            Put32(v, at, m);
        }
    }
    v.insert(v.end(), s.table.begin(), s.table.end());
    return v;
}

std::vector<std::uint8_t> MakeBmp(const BmpSpec& s) {
    const std::vector<std::uint8_t> info = MakeInfo(s);
    std::vector<std::uint8_t> v(14, 0);
    v[0] = 'B';
    v[1] = 'M';
    const std::int64_t offset = 14 + std::int64_t(info.size()) + s.offsetDelta;
    Put32(v, 2, std::uint32_t(offset + std::int64_t(s.pixels.size()) + s.sizeDelta));
    Put32(v, 10, std::uint32_t(offset));
    v.insert(v.end(), info.begin(), info.end());
    if (s.offsetDelta > 0) v.resize(v.size() + std::size_t(s.offsetDelta), 0xEE);
    v.insert(v.end(), s.pixels.begin(), s.pixels.end());
    return v;
}

TDibImage Load(const std::vector<std::uint8_t>& bytes) {
    TDibImage image;
    TMemoryStream stream(bytes);
    image.LoadFromStream(stream);
    return image;
}

// Runs `load` and expects exception E with exactly `message`, and the target
// image unchanged.
template <class E>
void ExpectRefused(const std::function<void(TDibImage&)>& load, const std::string& message) {
    TDibImage image;
    const TDibImageData* before = image.DibData();
    try {
        load(image);
        ADD_FAILURE() << "not refused; expected " << message;
    } catch (const E& e) {
        EXPECT_EQ(std::string(e.what()), message) << e.Detail();
    }
    EXPECT_EQ(image.DibData(), before);
}

template <class E>
void ExpectFileRefused(const std::vector<std::uint8_t>& bytes, const std::string& message) {
    ExpectRefused<E>(
        [&](TDibImage& image) {
            TMemoryStream stream(bytes);
            image.LoadFromStream(stream);
        },
        message);
}

// 16-bit pixels as little-endian words, one row padded to 4 bytes.
std::vector<std::uint8_t> Row16(std::initializer_list<std::uint16_t> pixels) {
    std::vector<std::uint8_t> v;
    for (auto p : pixels) {
        v.push_back(std::uint8_t(p));
        v.push_back(std::uint8_t(p >> 8));
    }
    while (v.size() % 4) v.push_back(0);
    return v;
}

TEST(BmpRead, SixteenBitWithoutBitFieldsBecomes24Bit) {
    // 5-5-5: 0x7FFF is white; 0x001F blue; 0x03E0 green; 0x7C00 red; a 5-bit
    // value of 16 becomes (16 << 3) x 255 div 248 = 131.
    BmpSpec s;
    s.bits = 16;
    s.width = 5;
    s.height = 1;
    s.pixels = Row16({0x7FFF, 0x001F, 0x03E0, 0x7C00, 0x4210});
    const TDibImage image = Load(MakeBmp(s));
    EXPECT_EQ(image.BitCount(), 24);
    EXPECT_EQ(image.Header().biCompression, BI_RGB);
    EXPECT_EQ(image.GetPixels(0, 0), RGB(255, 255, 255));
    EXPECT_EQ(image.GetPixels(1, 0), RGB(0, 0, 255));
    EXPECT_EQ(image.GetPixels(2, 0), RGB(0, 255, 0));
    EXPECT_EQ(image.GetPixels(3, 0), RGB(255, 0, 0));
    EXPECT_EQ(image.GetPixels(4, 0), RGB(131, 131, 131));
    // Row padding of the 24-bit result is zero: 5 x 3 = 15 bytes, one pad byte.
    EXPECT_EQ(image.ScanLineRead(0)[15], 0);
}

TEST(BmpRead, BitFieldMasksScaleEachChannel) {
    struct Case {
        const char* name;
        std::uint16_t bits;
        std::uint32_t r, g, b;
        std::uint32_t pixel;
        TColor expected;
    };
    const Case cases[] = {
        // 5-6-5: green 0x07E0 moves right 3 to 252; 0x0400 -> 128 x 255 / 252 = 129.
        {"565 white", 16, 0xF800, 0x07E0, 0x001F, 0xFFFF, RGB(255, 255, 255)},
        {"565 mid green", 16, 0xF800, 0x07E0, 0x001F, 0x0400, RGB(0, 129, 0)},
        // 4-4-4: 0xF00 moves right 4 to 240; 0x800 -> 128 x 255 / 240 = 136.
        {"444 full red", 16, 0x0F00, 0x00F0, 0x000F, 0x0F00, RGB(255, 0, 0)},
        {"444 half blue", 16, 0x0F00, 0x00F0, 0x000F, 0x0008, RGB(0, 0, 136)},
        // A 1-bit mask moves left 7 to 128: set -> 255.
        {"1-bit masks", 16, 0x4, 0x2, 0x1, 0x5, RGB(255, 0, 255)},
        {"32 standard", 32, 0xFF0000, 0xFF00, 0xFF, 0x00102030, RGB(0x10, 0x20, 0x30)},
        {"32 swapped", 32, 0xFF, 0xFF00, 0xFF0000, 0x00102030, RGB(0x30, 0x20, 0x10)},
        // 10-bit channels keep their top 8 bits: 0x3FF -> 255, 0x200 -> 128.
        {"32 10-10-10", 32, 0x3FF00000, 0x000FFC00, 0x000003FF, (0x200u << 20) | 0x3FF, RGB(128, 0, 255)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        BmpSpec s;
        s.bits = c.bits;
        s.width = 1;
        s.height = 1;
        s.compression = BI_BITFIELDS;
        s.masks = {c.r, c.g, c.b};
        s.pixels = c.bits == 16 ? Row16({std::uint16_t(c.pixel)}) : std::vector<std::uint8_t>(4);
        if (c.bits == 32) Put32(s.pixels, 0, c.pixel);
        const TDibImage image = Load(MakeBmp(s));
        EXPECT_EQ(image.BitCount(), 24);
        EXPECT_EQ(image.ColorsUsed(), 0);
        EXPECT_EQ(image.GetPixels(0, 0), c.expected);

        // The same masks inside a V5 header, and the same data as a packed DIB.
        s.headerSize = 124;
        EXPECT_EQ(Load(MakeBmp(s)).GetPixels(0, 0), c.expected);
        s.headerSize = 40;
        const auto file = MakeBmp(s);
        TDibImage fromBlock;
        fromBlock.LoadFromClipboardFormat(CF_DIB, std::span(file).subspan(14), nullptr);
        EXPECT_EQ(fromBlock.GetPixels(0, 0), c.expected);
    }
}

TEST(BmpRead, ThirtyTwoBitTopDownKeepsItsOrder) {
    BmpSpec s;
    s.bits = 32;
    s.width = 1;
    s.height = -2;
    s.pixels = {1, 2, 3, 0, 4, 5, 6, 0};  // first stored row is the top row
    const TDibImage image = Load(MakeBmp(s));
    EXPECT_EQ(image.Header().biHeight, -2);
    EXPECT_EQ(image.GetPixels(0, 0), RGB(3, 2, 1));
    EXPECT_EQ(image.GetPixels(0, 1), RGB(6, 5, 4));
}

TEST(BmpRead, ColourTableRules) {
    {
        SCOPED_TRACE("colours used 0 means 2^bits; zero resolution becomes 3780");
        BmpSpec s;
        s.bits = 4;
        s.width = 1;
        s.height = 1;
        s.xppm = 0;
        s.yppm = 0;
        s.table.assign(64, 0);
        s.table[4 * 15 + 2] = 200;  // entry 15 red
        s.pixels = {0xF0, 0, 0, 0};
        const TDibImage image = Load(MakeBmp(s));
        EXPECT_EQ(image.ColorsUsed(), 16);
        EXPECT_EQ(image.Header().biXPelsPerMeter, 3780);
        EXPECT_EQ(image.Header().biYPelsPerMeter, 3780);
        EXPECT_EQ(image.ColorTable()[15].rgbRed, 200);
    }
    {
        SCOPED_TRACE("colours used 300: 256 entries read, the rest skipped");
        BmpSpec s;
        s.bits = 8;
        s.width = 1;
        s.height = 1;
        s.clrUsed = 300;
        s.table.assign(1200, 0);
        s.table[4 * 255] = 77;          // entry 255 blue
        s.table[4 * 299] = 99;          // past the kept entries
        s.pixels = {255, 0, 0, 0};
        const TDibImage image = Load(MakeBmp(s));
        EXPECT_EQ(image.ColorsUsed(), 256);
        EXPECT_EQ(image.ColorTable()[255].rgbBlue, 77);
        EXPECT_EQ(image.GetPixels(0, 0), 255);
    }
    {
        SCOPED_TRACE("core header: 3-byte entries, reserved 0, resolution 3780");
        BmpSpec s;
        s.headerSize = 12;
        s.bits = 8;
        s.width = 3;
        s.height = 1;
        for (int i = 0; i < 256; ++i) {
            s.table.push_back(std::uint8_t(i));       // blue
            s.table.push_back(std::uint8_t(255 - i)); // green
            s.table.push_back(7);                     // red
        }
        s.pixels = {0, 1, 255, 0};
        const TDibImage image = Load(MakeBmp(s));
        EXPECT_EQ(image.ColorsUsed(), 256);
        EXPECT_EQ(image.Header().biSize, 40u);
        EXPECT_EQ(image.Header().biXPelsPerMeter, 3780);
        EXPECT_EQ(image.ColorTable()[1], (TRGBQuad{1, 254, 7, 0}));
        EXPECT_EQ(image.ColorTable()[255], (TRGBQuad{255, 0, 7, 0}));
        EXPECT_EQ(image.GetPixels(2, 0), 255);
        // The packed form of the same header: pixels right after the 768-byte table.
        const auto file = MakeBmp(s);
        TDibImage fromBlock;
        fromBlock.LoadFromClipboardFormat(CF_DIB, std::span(file).subspan(14), nullptr);
        EXPECT_EQ(fromBlock.GetPixels(1, 0), 1);
        EXPECT_EQ(fromBlock.GetPixels(2, 0), 255);
    }
}

TEST(BmpRead, LongerHeadersAreReadAsInfoHeaderPlusMasks) {
    for (std::uint32_t size : {52u, 56u, 108u, 124u}) {
        SCOPED_TRACE(size);
        BmpSpec s;
        s.headerSize = size;
        s.bits = 8;
        s.width = 2;
        s.height = 1;
        s.clrUsed = 2;
        s.table = {10, 20, 30, 0, 40, 50, 60, 0};
        s.pixels = {1, 0, 0, 0};
        const TDibImage image = Load(MakeBmp(s));
        EXPECT_EQ(image.Header().biSize, 40u);
        EXPECT_EQ(image.ColorsUsed(), 2);
        EXPECT_EQ(image.ColorTable()[1], (TRGBQuad{40, 50, 60, 0}));
        EXPECT_EQ(image.GetPixels(0, 0), 1);

        // Written back, it is a 40-byte header file.
        TMemoryStream out;
        image.SaveToStream(out);
        EXPECT_EQ(out.Data()[14], 40);
    }
}

TEST(BmpRead, DataOffsetAndGap) {
    BmpSpec s;
    s.bits = 8;
    s.width = 1;
    s.height = 1;
    s.clrUsed = 2;
    s.table = {1, 2, 3, 0, 4, 5, 6, 0};
    s.pixels = {1, 0, 0, 0};
    {
        SCOPED_TRACE("a gap before the data is skipped");
        s.offsetDelta = 10;
        EXPECT_EQ(Load(MakeBmp(s)).GetPixels(0, 0), 1);
    }
    {
        SCOPED_TRACE("an offset inside the colour table is refused");
        s.offsetDelta = -4;
        ExpectFileRefused<EDibImageInvalidDIB>(MakeBmp(s), "TDibImageData.LoadFromFile: bfOffBits is too small");
    }
    {
        SCOPED_TRACE("bit fields: the offset must also cover the masks");
        BmpSpec b;
        b.bits = 16;
        b.width = 1;
        b.height = 1;
        b.compression = BI_BITFIELDS;
        b.masks = {0xF800, 0x07E0, 0x001F};
        b.pixels = Row16({0xFFFF});
        b.offsetDelta = -1;
        ExpectFileRefused<EDibImageInvalidDIB>(MakeBmp(b), "TDibImageData.LoadFromFile: bfOffBits is too small");
    }
}

TEST(BmpRead, TwoFilesBackToBackInOneStream) {
    // Loading stops exactly after the declared data, including bytes declared
    // beyond the rows.
    BmpSpec a;
    a.width = 1;
    a.height = 1;
    a.pixels = {1, 2, 3, 0, 9, 9, 9, 9};  // four bytes past the row
    BmpSpec b = a;
    b.pixels = {4, 5, 6, 0};
    auto bytes = MakeBmp(a);
    const auto second = MakeBmp(b);
    bytes.insert(bytes.end(), second.begin(), second.end());
    TMemoryStream stream(bytes);
    TDibImage first, next;
    first.LoadFromStream(stream);
    next.LoadFromStream(stream);
    EXPECT_EQ(first.GetPixels(0, 0), RGB(3, 2, 1));
    EXPECT_EQ(first.Bits().size(), 4u);
    EXPECT_EQ(next.GetPixels(0, 0), RGB(6, 5, 4));
    EXPECT_EQ(stream.Position(), stream.Size());
}

TEST(BmpRead, SizeFieldBelowDataOffsetStillReadsTheRows) {
    // Some writers store another value in the size field; the rows are read
    // when the stream holds them.
    BmpSpec s;
    s.width = 1;
    s.height = 2;
    s.pixels = {1, 2, 3, 0, 4, 5, 6, 0};
    auto bytes = MakeBmp(s);
    Put32(bytes, 2, 26);
    const TDibImage image = Load(bytes);
    EXPECT_EQ(image.GetPixels(0, 1), RGB(3, 2, 1));
    // But not when the rows are not there.
    bytes.resize(bytes.size() - 1);
    ExpectFileRefused<EReadError>(bytes, "Stream read error");
}

TEST(BmpRead, BadHeaderFieldsAreRefusedWithTheirMessages) {
    struct Case {
        const char* name;
        std::function<void(BmpSpec&)> breakIt;
        const char* message;
    };
    const Case invalidDib[] = {
        {"bit count 2", [](BmpSpec& s) { s.bits = 2; }, "TDibImageData.LoadFromStream: Invalid BitCout"},
        {"bit count 0", [](BmpSpec& s) { s.bits = 0; }, "TDibImageData.LoadFromStream: Invalid BitCout"},
        {"core bit count 16", [](BmpSpec& s) { s.headerSize = 12; s.bits = 16; },
         "TDibImageData.LoadFromStream: Invalid BitCount"},
        {"header size 64", [](BmpSpec& s) { s.headerSize = 64; },
         "TDibImageData.LoadFromStream: Invalid Bitmap Header Size"},
        {"header size 0", [](BmpSpec& s) { s.headerSize = 0; },
         "TDibImageData.LoadFromStream: Invalid Bitmap Header Size"},
        {"width 0", [](BmpSpec& s) { s.width = 0; }, "TDibImageData.LoadFromStream: Invalid Width or Height"},
        {"width -2", [](BmpSpec& s) { s.width = -2; }, "TDibImageData.LoadFromStream: Invalid Width or Height"},
        {"height 0", [](BmpSpec& s) { s.height = 0; }, "TDibImageData.LoadFromStream: Invalid Width or Height"},
        {"core height 0", [](BmpSpec& s) { s.headerSize = 12; s.height = 0; },
         "TDibImageData.LoadFromStream: Invalid Width or Height"},
        // Above 2^28 pixels, and sizes whose byte count overflows 32 bits.
        {"16385 x 16384", [](BmpSpec& s) { s.width = 16385; s.height = 16384; },
         "TDibImageData.LoadFromStream: Invalid Width or Height"},
        {"2^31-1 x 2", [](BmpSpec& s) { s.width = 0x7FFFFFFF; s.height = 2; },
         "TDibImageData.LoadFromStream: Invalid Width or Height"},
        {"2 x -2^31", [](BmpSpec& s) { s.height = std::int32_t(0x80000000u); },
         "TDibImageData.LoadFromStream: Invalid Width or Height"},
        {"32-bit 65536 x 65536", [](BmpSpec& s) { s.bits = 32; s.width = 65536; s.height = 65536; },
         "TDibImageData.LoadFromStream: Invalid Width or Height"},
        {"zero mask", [](BmpSpec& s) { s.bits = 16; s.compression = BI_BITFIELDS; s.masks = {0xF800, 0, 0x1F}; },
         "TDibImageData.LoadFromStream: Invalid Masks"},
        {"16 bits with RLE8 code", [](BmpSpec& s) { s.bits = 16; s.compression = BI_RLE8; },
         "TDibImageData.LoadFromStream: Invalid Masks"},
    };
    for (const auto& c : invalidDib) {
        SCOPED_TRACE(c.name);
        BmpSpec s;
        s.pixels.assign(16, 0);
        c.breakIt(s);
        ExpectFileRefused<EDibImageInvalidDIB>(MakeBmp(s), c.message);
    }

    {
        SCOPED_TRACE("not BM");
        BmpSpec s;
        s.pixels.assign(16, 0);
        auto bytes = MakeBmp(s);
        bytes[1] = 'A';
        ExpectFileRefused<EDibImageInvalidDIBFile>(bytes, "TDibImageData.LoadFromFile: File type is invalid");
    }
    const Case readErrors[] = {
        {"size field past the end", [](BmpSpec& s) { s.sizeDelta = 1; }, "Stream read error"},
        {"size field 4 GB", [](BmpSpec& s) { s.sizeDelta = 0xFFFFFF00; }, "Stream read error"},
        {"rows past the end", [](BmpSpec& s) { s.pixels.resize(15); s.sizeDelta = 0; }, "Stream read error"},
        {"huge colour count", [](BmpSpec& s) { s.bits = 8; s.clrUsed = 0xFF000006; }, "Stream read error"},
        {"RLE with size field below offset", [](BmpSpec& s) { s.bits = 8; s.compression = BI_RLE8; s.sizeDelta = -100; },
         "Stream read error"},
    };
    for (const auto& c : readErrors) {
        SCOPED_TRACE(c.name);
        BmpSpec s;
        s.pixels.assign(16, 0);
        c.breakIt(s);
        ExpectFileRefused<EReadError>(MakeBmp(s), c.message);
    }
}

TEST(BmpRead, EveryPrefixOfAFileIsAReadError) {
    BmpSpec s;
    s.bits = 8;
    s.width = 3;
    s.height = 2;
    s.clrUsed = 3;
    s.table.assign(12, 5);
    s.pixels.assign(8, 1);
    const auto bytes = MakeBmp(s);
    for (std::size_t n = 0; n < bytes.size(); ++n) {
        SCOPED_TRACE(n);
        ExpectFileRefused<EReadError>(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + std::ptrdiff_t(n)),
                                      "Stream read error");
    }
    EXPECT_EQ(Load(bytes).GetPixels(2, 1), 1);
}

TEST(BmpRead, PackedDibFailures) {
    BmpSpec s;
    s.bits = 8;
    s.width = 2;
    s.height = 2;
    s.clrUsed = 2;
    s.table.assign(8, 0);
    s.pixels.assign(8, 1);
    const auto file = MakeBmp(s);
    const std::vector<std::uint8_t> block(file.begin() + 14, file.end());
    auto fromBlock = [](std::vector<std::uint8_t> b, std::uint16_t format = CF_DIB) {
        return [b, format](TDibImage& image) { image.LoadFromClipboardFormat(format, b, nullptr); };
    };
    ExpectRefused<EInvalidGraphic>(fromBlock(block, 2),
                                   "TDibImage.LoadFromClipboardFormat: Invalid Clipboard Format or No Data");
    ExpectRefused<EInvalidGraphic>(fromBlock({}),
                                   "TDibImage.LoadFromClipboardFormat: Invalid Clipboard Format or No Data");
    auto changed = block;
    Put32(changed, 0, 64);
    ExpectRefused<EDibImageInvalidDIB>(fromBlock(changed), "TDibImage.LoadFromClipboardFormat: Invalid Clipboard Data");
    changed = block;
    Put16(changed, 14, 3);
    ExpectRefused<EDibImageInvalidDIB>(fromBlock(changed),
                                       "TDibImageData.LoadFromClipboardFormat: Invalid biBitCount");
    changed = block;
    Put32(changed, 4, 0);
    ExpectRefused<EDibImageInvalidDIB>(fromBlock(changed), "TDibImageData.LoadFromStream: Invalid Width or Height");
    // Every prefix of the block is refused; the whole block loads.
    for (std::size_t n = 1; n < block.size(); ++n) {
        SCOPED_TRACE(n);
        ExpectRefused<EDibImageInvalidDIB>(fromBlock({block.begin(), block.begin() + std::ptrdiff_t(n)}),
                                           "TDibImage.LoadFromClipboardFormat: Invalid Clipboard Data");
    }
    TDibImage image;
    image.LoadFromClipboardFormat(CF_DIB, block, nullptr);
    EXPECT_EQ(image.GetPixels(1, 1), 1);
}

}  // namespace
}  // namespace zelvo
