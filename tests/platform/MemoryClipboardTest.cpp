// The in-process clipboard of zelvo-cli and the engine tests: the packed DIB
// comes back bit for bit, damaged bytes are refused, and installing is
// undone in order.

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "image/Exceptions.h"
#include "platform/MemoryClipboard.h"

namespace zelvo {
namespace {

std::vector<std::uint8_t> PackedDib(const TDibImage& image) {
    std::uint16_t format = 0;
    HPALETTE palette;
    return image.SaveToClipboardFormat(format, palette);
}

TEST(MemoryClipboard, PackedDibComesBackInItsOwnDepthAndCompression) {
    TDibImage mono = test::NoiseImagePalette(21, 9, 1, 2, 5);
    const TRGBQuad table[2] = {{10, 20, 30, 0}, {200, 150, 100, 0}};
    mono.SetColorTable(table);
    TDibImage runs = test::NoiseImagePalette(40, 6, 8, 256, 3);
    for (int y = 0; y < runs.Height(); ++y) std::memset(runs.ScanLine(y), y * 7, std::size_t(runs.RowBytes()));
    runs.SetPixelFormat(dibPf8BitRLE);
    const std::pair<const char*, TDibImage> cases[] = {
        {"1 bit, own colour table", mono},
        {"4 bits", test::NoiseImagePalette(37, 5, 4, 16, 2)},
        {"RLE8", runs},
        {"24 bits top-down", test::NoiseImage24(37, 5, 5, true)},
    };
    TMemoryClipboard clipboard;
    for (const auto& [name, image] : cases) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(clipboard.PutDib(image));
        EXPECT_TRUE(clipboard.HasDib());
        EXPECT_TRUE(clipboard.HasBitmap());
        EXPECT_EQ(clipboard.PackedDib(), PackedDib(image));
        TDibImage back;
        ASSERT_TRUE(clipboard.GetDib(back));
        EXPECT_EQ(back.PixelFormat(), image.PixelFormat());
        EXPECT_EQ(PackedDib(back), PackedDib(image));
    }
    // It offers DIBs only.
    TDibImage untouched = test::NoiseImage24(2, 2, 1);
    EXPECT_FALSE(clipboard.GetPicture(untouched));
    EXPECT_EQ(untouched.Width(), 2);
}

TEST(MemoryClipboard, DamagedBytesAreRefusedAndEmptyHoldsNothing) {
    TMemoryClipboard clipboard;
    const TDibImage before = test::NoiseImage24(3, 3, 10);
    TDibImage target = before;
    EXPECT_FALSE(clipboard.HasBitmap());
    EXPECT_FALSE(clipboard.GetDib(target));

    // A header size that is neither 40 nor 12.
    clipboard.SetPackedDib({0x05, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 24, 0});
    try {
        clipboard.GetDib(target);
        ADD_FAILURE() << "no exception";
    } catch (const EDibImageInvalidDIB& e) {
        EXPECT_STREQ(e.what(), "TDibImage.LoadFromClipboardFormat: Invalid Clipboard Data");
    }
    std::string why;
    EXPECT_TRUE(test::SamePixels(target, before, &why)) << why;

    clipboard.PutDib(before);
    clipboard.Clear();
    EXPECT_FALSE(clipboard.HasDib());
    EXPECT_FALSE(clipboard.GetDib(target));
}

TEST(MemoryClipboard, InstallationsNestAndPutBackTheOneBefore) {
    ASSERT_EQ(InstalledClipboard(), nullptr);
    TMemoryClipboard outer, inner;
    {
        const TClipboardInstallation first(outer);
        EXPECT_EQ(InstalledClipboard(), &outer);
        {
            const TClipboardInstallation second(inner);
            EXPECT_EQ(InstalledClipboard(), &inner);
        }
        EXPECT_EQ(InstalledClipboard(), &outer);
    }
    EXPECT_EQ(InstalledClipboard(), nullptr);
}

}  // namespace
}  // namespace zelvo
