// The icon reader: hand-made icon files with exact pixels, the drawing rules
// (AND mask then XOR colour; alpha blending), PNG entries, and bad files.
#include <gtest/gtest.h>

#include <cstring>
#include <sys/stat.h>
#include <vector>

#include "IconTestSupport.h"
#include "TestSupport.h"
#include "formats/DibContainer.h"
#include "formats/IconFile.h"
#include "formats/PngImage.h"
#include "image/Exceptions.h"

namespace zelvo {
namespace {

using test::BmpEntry;
using test::Put16;
using test::Put32;
using test::TwoByTwoMono;

// An icon file holding the given images' data, each directory entry saying
// 16 x 16.
std::vector<std::uint8_t> IconFile(const std::vector<std::vector<std::uint8_t>>& images) {
    std::vector<std::uint8_t> f;
    Put16(f, 0);
    Put16(f, 1);
    Put16(f, unsigned(images.size()));
    std::uint32_t offset = std::uint32_t(6 + 16 * images.size());
    for (const auto& image : images) {
        f.insert(f.end(), {16, 16, 0, 0});
        Put16(f, 1);
        Put16(f, 32);
        Put32(f, std::uint32_t(image.size()));
        Put32(f, offset);
        offset += std::uint32_t(image.size());
    }
    for (const auto& image : images) f.insert(f.end(), image.begin(), image.end());
    return f;
}

TDibImage Filled(int w, int h, TColor c) {
    TDibImage p = test::FlatImage24(w, h, c);
    return p;
}

TEST(IconReader, MaskAndColourFollowTheDrawingCall) {
    TAdvancedIcon icon;
    ASSERT_TRUE(icon.LoadFromMemory(IconFile({TwoByTwoMono()})));
    ASSERT_EQ(icon.Count(), 1);
    const TIconImage& image = *icon.Images(0);
    EXPECT_EQ(image.Width(), 2);  // from the image's own header, not the directory's 16
    EXPECT_EQ(image.Height(), 2);
    EXPECT_EQ(image.BitCount(), 1);
    EXPECT_EQ(IconChooserLine(0, image), "  1:   2 x   2   1 bpp");

    // On a (10, 20, 30) picture: left column unmasked shows the colour;
    // right column masked: black colour keeps the picture, white colour
    // inverts it (10 ^ 255 = 245, ...).
    TDibImage target = Filled(2, 2, RGB(10, 20, 30));
    ASSERT_TRUE(image.Draw(target, 0, 0));
    EXPECT_EQ(target.GetPixels(0, 0), RGB(255, 255, 255));
    EXPECT_EQ(target.GetPixels(1, 0), RGB(10, 20, 30));
    EXPECT_EQ(target.GetPixels(0, 1), RGB(0, 0, 0));
    EXPECT_EQ(target.GetPixels(1, 1), RGB(245, 235, 225));
    // Alpha bytes: 0 where the mask is set.
    const TIconPixels& px = image.Pixels();
    EXPECT_FALSE(px.Alpha);
    EXPECT_EQ(px.Bgra[3], 255);
    EXPECT_EQ(px.Bgra[7], 0);

    // Clipping: drawn at (1, -1) only old (0, 1) lands, at (1, 0).
    TDibImage clipped = Filled(2, 2, RGB(1, 2, 3));
    image.Draw(clipped, 1, -1);
    EXPECT_EQ(clipped.GetPixels(1, 0), RGB(0, 0, 0));
    EXPECT_EQ(clipped.GetPixels(0, 0), RGB(1, 2, 3));
    EXPECT_EQ(clipped.GetPixels(1, 1), RGB(1, 2, 3));

    // The document's picture starts black: LoadIconPicture of this image.
    const auto dir = test::MakeTempDir("icon");
    {
        const auto bytes = IconFile({TwoByTwoMono()});
        TFileStream out(dir / "a.ico", TFileStream::Mode::fmCreate);
        out.WriteBuffer(bytes.data(), bytes.size());
    }
    const TDibImage loaded = LoadIconPicture(dir / "a.ico", 0);
    EXPECT_EQ(loaded.BitCount(), 24);
    EXPECT_EQ(loaded.GetPixels(0, 0), RGB(255, 255, 255));
    EXPECT_EQ(loaded.GetPixels(1, 0), RGB(0, 0, 0));
    EXPECT_EQ(loaded.GetPixels(1, 1), RGB(255, 255, 255));  // black inverted
    EXPECT_THROW(LoadIconPicture(dir / "a.ico", 1), EInvalidGraphic);
    std::filesystem::remove_all(dir);
}

TEST(IconReader, AlphaChannelBlendsAndAllZeroAlphaFallsBackToTheMask) {
    // 1 x 2, 32 bits: top (200, 100, 0) alpha 128, bottom (0, 0, 0) alpha 0.
    const std::vector<std::uint8_t> colour = {0, 0, 0, 0, /*top*/ 0, 100, 200, 128};
    const std::vector<std::uint8_t> mask = {0x80, 0, 0, 0, 0, 0, 0, 0};
    TAdvancedIcon icon;
    ASSERT_TRUE(icon.LoadFromMemory(IconFile({BmpEntry(1, 2, 32, {}, colour, mask)})));
    // Over (0, 0, 100): red (200 x 128 + 0 x 127 + 127) / 255 = 100.9 -> 100,
    // green (100 x 128 + 127) / 255 = 50.7 -> 50, blue (100 x 127 + 127) / 255
    // = 50.3 -> 50; alpha 0 leaves the picture.
    TDibImage target = Filled(1, 2, RGB(0, 0, 100));
    icon.Images(0)->Draw(target, 0, 0);
    EXPECT_EQ(target.GetPixels(0, 0), RGB(100, 50, 50));
    EXPECT_EQ(target.GetPixels(0, 1), RGB(0, 0, 100));

    // The same colours with every alpha byte 0: the mask decides (bottom
    // pixel masked, top pixel opaque and drawn as is).
    std::vector<std::uint8_t> noAlpha = colour;
    noAlpha[7] = 0;
    ASSERT_TRUE(icon.LoadFromMemory(IconFile({BmpEntry(1, 2, 32, {}, noAlpha, mask)})));
    TDibImage second = Filled(1, 2, RGB(0, 0, 100));
    icon.Images(0)->Draw(second, 0, 0);
    EXPECT_EQ(second.GetPixels(0, 0), RGB(200, 100, 0));
    EXPECT_EQ(second.GetPixels(0, 1), RGB(0, 0, 100));

    // With alpha in use the mask may be missing; without alpha it may not.
    ASSERT_TRUE(icon.LoadFromMemory(IconFile({BmpEntry(1, 2, 32, {}, colour, {})})));
    EXPECT_NO_THROW(icon.Images(0)->Pixels());
    ASSERT_TRUE(icon.LoadFromMemory(IconFile({BmpEntry(1, 2, 32, {}, noAlpha, {0x80, 0, 0, 0})})));
    EXPECT_THROW(icon.Images(0)->Pixels(), EReadError);
}

TEST(IconReader, SixteenAndTwentyFourBitColours) {
    // 16 bits 5-5-5: 0x7C00 red, 0x03E0 green, 0x001F blue, 0x4210 (16, 16, 16)
    // -> 16 x 255 / 31 = 131.6 -> 132.
    const std::vector<std::uint8_t> c16 = {0x00, 0x7C, 0xE0, 0x03, 0x1F, 0x00, 0x10, 0x42};
    TAdvancedIcon icon;
    ASSERT_TRUE(icon.LoadFromMemory(IconFile({BmpEntry(4, 1, 16, {}, c16, {0, 0, 0, 0})})));
    TDibImage t = Filled(4, 1, 0);
    ASSERT_TRUE(icon.Images(0)->Draw(t, 0, 0));
    EXPECT_EQ(t.GetPixels(0, 0), RGB(255, 0, 0));
    EXPECT_EQ(t.GetPixels(1, 0), RGB(0, 255, 0));
    EXPECT_EQ(t.GetPixels(2, 0), RGB(0, 0, 255));
    EXPECT_EQ(t.GetPixels(3, 0), RGB(132, 132, 132));

    // 24 bits, one pixel (blue 1, green 2, red 3), row padded to 4 bytes.
    ASSERT_TRUE(icon.LoadFromMemory(IconFile({BmpEntry(1, 1, 24, {}, {1, 2, 3, 0}, {0, 0, 0, 0})})));
    TDibImage u = Filled(1, 1, 0);
    icon.Images(0)->Draw(u, 0, 0);
    EXPECT_EQ(u.GetPixels(0, 0), RGB(3, 2, 1));
}

std::vector<std::uint8_t> PngBytes(const TDibContainer& image) {
    TMemoryStream out;
    EncodePng(image, false, out);
    return out.Data();
}

TEST(IconReader, PngEntriesAreDecodedByThePngCodec) {
    // 3 x 1 RGBA: opaque red, half-transparent green, transparent blue.
    TDibContainer rgba;
    rgba.NewImage(3, 1, 32, 0);
    rgba.SetAlpha(true);
    const std::uint8_t px[12] = {0, 0, 255, 255, 0, 255, 0, 128, 255, 0, 0, 0};
    std::memcpy(rgba.ScanLine(0), px, sizeof px);
    TAdvancedIcon icon;
    ASSERT_TRUE(icon.LoadFromMemory(IconFile({PngBytes(rgba)})));
    const TIconImage& image = *icon.Images(0);
    EXPECT_TRUE(image.IsPng());
    EXPECT_EQ(image.Width(), 3);
    EXPECT_EQ(image.Height(), 1);
    EXPECT_EQ(image.BitCount(), 32);
    EXPECT_EQ(std::vector<std::uint8_t>(px, px + 12), image.Pixels().Bgra);
    // Over white: green (255 x 128 + 255 x 127 + 127) / 255 = 255, red and
    // blue (0 + 255 x 127 + 127) / 255 = 127.5 -> 127.
    TDibImage white = Filled(3, 1, RGB(255, 255, 255));
    image.Draw(white, 0, 0);
    EXPECT_EQ(white.GetPixels(0, 0), RGB(255, 0, 0));
    EXPECT_EQ(white.GetPixels(1, 0), RGB(127, 255, 127));
    EXPECT_EQ(white.GetPixels(2, 0), RGB(255, 255, 255));

    // A palette PNG with a transparent entry.
    TDibContainer pal;
    pal.NewImage(2, 1, 8, 2);
    const TRGBQuad entries[2] = {{10, 20, 30, 0}, {40, 50, 60, 0}};
    pal.SetPalette(entries);
    pal.SetAlphaTable({0});
    pal.SetAlpha(true);
    pal.ScanLine(0)[0] = 0;
    pal.ScanLine(0)[1] = 1;
    ASSERT_TRUE(icon.LoadFromMemory(IconFile({PngBytes(pal)})));
    EXPECT_EQ(icon.Images(0)->Pixels().Bgra, (std::vector<std::uint8_t>{10, 20, 30, 0, 40, 50, 60, 255}));
}

TEST(IconReader, PngSignatureIsNeverReadAsABitmapHeader) {
    // A PNG entry whose header claims 65536 x 65536 in 60 bytes: refused
    // before any pixel memory is asked for (its signature read as a bitmap
    // header would give a side of 0x0A1A0A0D).
    TDibContainer one;
    one.NewImage(1, 1, 24, 0);
    std::vector<std::uint8_t> png = PngBytes(one);
    for (std::size_t at : {16u, 20u}) {
        png[at] = 0;
        png[at + 1] = 1;
        png[at + 2] = 0;
        png[at + 3] = 0;
    }
    TAdvancedIcon icon;
    ASSERT_TRUE(icon.LoadFromMemory(IconFile({png})));
    EXPECT_EQ(icon.Images(0)->Width(), 65536);
    EXPECT_THROW(icon.Images(0)->Pixels(), EDibImageInvalidDIBPara);
    TDibImage t = Filled(1, 1, 0);
    EXPECT_FALSE(icon.Images(0)->Draw(t, 0, 0));
}

TEST(IconReader, BadFilesAndEntries) {
    const std::vector<std::uint8_t> good = IconFile({TwoByTwoMono(), TwoByTwoMono()});
    TAdvancedIcon icon;

    auto with = [&](std::size_t at, std::uint8_t value) {
        auto f = good;
        f[at] = value;
        return f;
    };
    // Not icon files: reserved not 0, type not 1, too short for a header.
    EXPECT_FALSE(icon.LoadFromMemory(with(0, 1)));
    EXPECT_EQ(icon.Count(), 0);
    EXPECT_FALSE(icon.LoadFromMemory(with(2, 2)));
    EXPECT_FALSE(icon.LoadFromMemory({0, 0, 1, 0}));
    EXPECT_FALSE(icon.LoadFromMemory({}));

    // No images: a valid icon file with nothing to show.
    EXPECT_TRUE(icon.LoadFromMemory({0, 0, 1, 0, 0, 0}));
    EXPECT_EQ(icon.Count(), 0);
    EXPECT_EQ(icon.Images(0), nullptr);

    // A count beyond the directory keeps the whole entries only.
    auto f = good;
    f[4] = 200;
    f.resize(6 + 16 * 2 + 5);
    ASSERT_TRUE(icon.LoadFromMemory(f));
    EXPECT_EQ(icon.Count(), 2);
    EXPECT_EQ(icon.Images(-1), nullptr);
    EXPECT_EQ(icon.Images(2), nullptr);

    // Entry 0's data offset beyond the file, entry 1's size beyond it: both
    // listed, neither draws; the data kept is what the file holds.
    f = good;
    for (int i = 0; i < 4; ++i) f[6 + 12 + std::size_t(i)] = 0xFF;
    f[6 + 16 + 8 + 3] = 0x7F;
    ASSERT_TRUE(icon.LoadFromMemory(f));
    ASSERT_EQ(icon.Count(), 2);
    EXPECT_TRUE(icon.Images(0)->Data().empty());
    EXPECT_EQ(icon.Images(1)->Data().size(), good.size() - (6 + 32 + TwoByTwoMono().size()));
    TDibImage t = Filled(2, 2, 0);
    EXPECT_FALSE(icon.Images(0)->Draw(t, 0, 0));
    EXPECT_TRUE(icon.Images(1)->Draw(t, 0, 0));  // its own bytes are all there

    // Cut colour bits, an unknown depth, RLE compression, a side of 0.
    auto entry = TwoByTwoMono();
    struct TCase {
        const char* Name;
        std::vector<std::uint8_t> Data;
        bool Short;
    };
    std::vector<TCase> cases;
    cases.push_back({"colour bits cut", std::vector<std::uint8_t>(entry.begin(), entry.begin() + 40 + 8 + 6), true});
    cases.push_back({"mask cut", std::vector<std::uint8_t>(entry.begin(), entry.end() - 1), true});
    auto depth = entry;
    depth[14] = 3;
    cases.push_back({"3 bits", depth, false});
    auto rle = entry;
    rle[16] = 2;
    cases.push_back({"RLE4", rle, false});
    auto zero = entry;
    zero[4] = 0;
    cases.push_back({"width 0", zero, false});
    auto header = entry;
    header[0] = 12;
    cases.push_back({"12-byte header", header, false});
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        ASSERT_TRUE(icon.LoadFromMemory(IconFile({c.Data})));
        if (c.Short)
            EXPECT_THROW(icon.Images(0)->Pixels(), EReadError);
        else
            EXPECT_THROW(icon.Images(0)->Pixels(), EInvalidGraphic);
    }
}

TEST(IconReader, MissingAndSpecialFilesAreRefused) {
    TAdvancedIcon icon;
    EXPECT_THROW(icon.LoadFromFile("/no/such/file.ico"), EFOpenError);
    EXPECT_THROW(icon.LoadFromFile("/dev/null"), EFOpenError);  // not a regular file
    // A pipe is refused before it is opened (opening it would wait).
    const auto dir = test::MakeTempDir("icon-fifo");
    ASSERT_EQ(::mkfifo((dir / "pipe.ico").c_str(), 0600), 0);
    EXPECT_THROW(icon.LoadFromFile(dir / "pipe.ico"), EFOpenError);
    std::filesystem::remove_all(dir);
    EXPECT_TRUE(IsIconSourceExtension(".ico"));
    EXPECT_TRUE(IsIconSourceExtension(".cpl"));
    EXPECT_FALSE(IsIconSourceExtension(".ICO"));  // dispatch extensions are lower case
    EXPECT_FALSE(IsIconSourceExtension(".icl"));
}

}  // namespace
}  // namespace zelvo
