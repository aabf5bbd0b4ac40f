// Storage, geometry and pixel access of TDibImage.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "image/DibImage.h"
#include "image/ImageLimits.h"

namespace zelvo {
namespace {

TEST(DibImageCore, NewImageIsOneByOneEightBitBlack) {
    TDibImage image;
    EXPECT_EQ(image.Width(), 1);
    EXPECT_EQ(image.Height(), 1);
    EXPECT_EQ(image.BitCount(), 8);
    EXPECT_EQ(image.PixelFormat(), dibPf8Bit);
    EXPECT_FALSE(image.Empty());
    EXPECT_EQ(image.ColorsUsed(), 256);
    EXPECT_EQ(image.GetPixels(0, 0), 0);
    EXPECT_EQ(image.Header().biXPelsPerMeter, 3780);
    EXPECT_EQ(image.ColorTable()[255], (TRGBQuad{0, 0, 0, 0}));
}

TEST(DibImageCore, SettingSizeReplacesStorageOnlyWhenChanged) {
    TDibImage image;
    image.SetBitCount(24);
    image.SetWidth(4);
    image.SetPixels(1, 0, RGB(1, 2, 3));
    int changes = 0;
    image.OnChange = [&](void*) { ++changes; };
    image.SetWidth(4);
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(image.GetPixels(1, 0), RGB(1, 2, 3));
    image.SetWidth(5);
    EXPECT_EQ(changes, 1);
    for (int x = 0; x < 5; ++x) EXPECT_EQ(image.GetPixels(x, 0), 0);
    EXPECT_THROW(image.SetWidth(0), EDibImageInvalidDIBPara);
    try {
        image.SetHeight(0);
        FAIL();
    } catch (const EDibImageInvalidDIBPara& e) {
        EXPECT_STREQ(e.what(), "TDibImage.SetWidth: Invalid Height");
    }
    try {
        image.SetBitCount(16);
        FAIL();
    } catch (const EDibImageInvalidDIBPara& e) {
        EXPECT_STREQ(e.what(), "TDibImage.SetBitCount: Invalid BitCount");
    }
}

TEST(DibImageCore, ScanLineZeroIsTopRowInEitherOrder) {
    for (const int sign : {1, -1}) {
        SCOPED_TRACE(sign);
        TDibImage image;
        image.SetBitCount(8);
        image.SetWidth(3);
        image.SetHeight(10 * sign);
        EXPECT_EQ(image.Height(), 10);
        image.ScanLine(0)[0] = 42;
        const std::uint8_t* bits = image.Bits().data();
        const int stride = image.RowBytes();
        EXPECT_EQ(stride, 4);
        // Top-down: row 0 is the first stored row; bottom-up: the last one.
        EXPECT_EQ(bits[sign < 0 ? 0 : 9 * stride], 42);
    }
}

TEST(DibImageCore, AssignSharesStorageUntilWritten) {
    TDibImage a = test::NoiseImage24(5, 4, 7);
    TDibImage b;
    b.Assign(&a);
    EXPECT_EQ(a.DibData(), b.DibData());
    const TColor before = a.GetPixels(2, 2);
    b.SetPixels(2, 2, before ^ 0xFFFFFF);
    EXPECT_NE(a.DibData(), b.DibData());
    EXPECT_EQ(a.GetPixels(2, 2), before);
    EXPECT_EQ(b.GetPixels(2, 2), before ^ 0xFFFFFF);
}

TEST(DibImageCore, PixelAccessAtEveryDepth) {
    // 1-bit: x = 9 is bit 0x40 of byte 1; 4-bit: x = 3 is the low nibble of byte 1.
    TDibImage one;
    one.SetBitCount(1);
    one.SetWidth(12);
    one.ScanLine(0)[1] = 0x40;
    EXPECT_EQ(one.GetPixels(9, 0), 1);
    EXPECT_EQ(one.GetPixels(8, 0), 0);
    TDibImage four;
    four.SetBitCount(4);
    four.SetWidth(5);
    four.ScanLine(0)[1] = 0x5A;
    EXPECT_EQ(four.GetPixels(2, 0), 5);
    EXPECT_EQ(four.GetPixels(3, 0), 10);
    // Writing an index changes only its own bits of the shared byte.
    four.SetPixels(2, 0, 12);
    EXPECT_EQ(four.ScanLineRead(0)[1], 0xCA);
    four.SetPixels(3, 0, 1);
    EXPECT_EQ(four.ScanLineRead(0)[1], 0xC1);
    EXPECT_THROW(four.SetPixels(0, 0, 16), EDibImagePixelPositionRange);
    one.SetPixels(8, 0, 1);
    one.SetPixels(9, 0, 0);
    EXPECT_EQ(one.ScanLineRead(0)[1], 0x80);
    EXPECT_THROW(one.SetPixels(0, 0, 2), EDibImagePixelPositionRange);
    TDibImage eight;
    EXPECT_THROW(eight.SetPixels(0, 0, 256), EDibImagePixelPositionRange);
    try {
        eight.GetPixels(1, 0);
        FAIL();
    } catch (const EDibImagePixelPositionRange& e) {
        EXPECT_STREQ(e.what(), "TDibImage.GetPixels: Pixel Position is Out of Range");
    }
    try {
        eight.ScanLine(1);
        FAIL();
    } catch (const EDibImagePixelPositionRange& e) {
        EXPECT_STREQ(e.what(), "TDibImage.GetScanLine: y is Out of Range");
    }
    TDibImage rgb;
    rgb.SetBitCount(24);
    EXPECT_THROW(rgb.SetPixels(0, 0, -1), EDibImagePixelPositionRange);
    rgb.SetPixels(0, 0, RGB(10, 20, 30));
    // Stored blue, green, red.
    EXPECT_EQ(rgb.ScanLineRead(0)[0], 30);
    EXPECT_EQ(rgb.ScanLineRead(0)[2], 10);
}

TEST(DibImageCore, PaletteRoundTripAndInvalidPalette) {
    TDibImage image;
    auto palette = std::make_shared<TLogPalette>();
    palette->Entries = {{255, 0, 0, 0}, {0, 255, 0, 0}, {0, 0, 255, 0}};
    image.SetPalette(palette);
    EXPECT_EQ(image.ColorsUsed(), 3);
    EXPECT_EQ(image.ColorTable()[0], (TRGBQuad{0, 0, 255, 0}));
    EXPECT_EQ(image.GetPalette(), palette);
    EXPECT_THROW(image.SetPalette(std::make_shared<TLogPalette>()), EDibImageInvalidPalette);
    image.SetPalette(nullptr);
    EXPECT_EQ(image.ColorsUsed(), 0);
    EXPECT_EQ(image.GetPalette(), nullptr);
    image.HalftoneMode = 1;
    EXPECT_EQ(image.GetPalette()->Entries.size(), 215u);
    // Red level 5, green level 6, blue level 4 is entry 5 x 35 + 6 x 5 + 4 = 209.
    EXPECT_EQ(image.GetPalette()->Entries[209], (TPaletteEntry{255, 255, 255, 0}));
    EXPECT_EQ(image.GetPalette()->Entries[214], (TPaletteEntry{128, 128, 128, 0}));
}

TEST(DibImageCore, AbsurdSizesAreRefusedBeforeAllocation) {
    EXPECT_TRUE(ImageSizeAllowed(16384, 16384));
    EXPECT_FALSE(ImageSizeAllowed(16385, 16384));
    EXPECT_FALSE(ImageSizeAllowed(0x7FFFFFFF, 2));
    TDibImage image;
    EXPECT_THROW(image.SetWidth(1 << 29), EDibImageInvalidDIBPara);
    EXPECT_EQ(image.Width(), 1);
}

TEST(DibImageCore, HeapAndMappedStorageBehaveAlike) {
    const bool saved = DefaultUseFMO();
    SetDefaultUseFMO(false);
    TDibImage heap;
    EXPECT_FALSE(heap.GetUseFMO());
    heap.SetBitCount(24);  // inherits the heap kind
    EXPECT_FALSE(heap.GetUseFMO());
    SetDefaultUseFMO(saved);
    TDibImage mapped;
    EXPECT_TRUE(mapped.GetUseFMO());
}

}  // namespace
}  // namespace zelvo

#include "reference/Sha256.h"

namespace zelvo {
namespace {

TEST(TestSupport, Sha256KnownDigests) {
    EXPECT_EQ(test::Sha256Hex({}), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    const std::string abc = "abc";
    EXPECT_EQ(test::Sha256Hex({reinterpret_cast<const std::uint8_t*>(abc.data()), abc.size()}),
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    const std::string long56 = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";
    EXPECT_EQ(test::Sha256Hex({reinterpret_cast<const std::uint8_t*>(long56.data()), long56.size()}),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
}

}  // namespace
}  // namespace zelvo
