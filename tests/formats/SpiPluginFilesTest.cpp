// Our TGA and PCX plug-ins (plugins/) read through the host: every file
// ImageMagick and netpbm wrote (tests/data/plugins) gives the pixels those
// tools read back, and the hand-made greyscale PCX its own; hand-made TGA
// files cover 15 and 16-bit pixels and the right-hand origin; damaged
// files are refused without harm.

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <vector>

#include "PluginFilesFixture.h"
#include "SpiTestSupport.h"
#include "formats/PnmCodec.h"
#include "formats/QxImageIO.h"
#include "formats/plugin/SPIs.h"
#include "formats/plugin/SpiBitmap.h"

namespace zelvo {
namespace {

namespace fs = std::filesystem;
using test::Bytes;
using test::ReadBytes;
using test::WriteFile;

class OurPlugins : public test::PluginFilesFixture {};

TEST_F(OurPlugins, AllLoadAsImageReaders) {
    // TGA and PCX, and WebP, TIFF, HEIF/AVIF and JPEG XL
    // (LibraryPluginFilesTest).
    ASSERT_EQ(plugins_->Count(), 6);
    EXPECT_TRUE(plugins_->SkippedMessages().empty());
    for (const char* ext : {"tga", "TGA", "tpic", "pcx", "pcc"}) EXPECT_TRUE(plugins_->HasFileType(ext)) << ext;
    EXPECT_EQ(plugins_->ImageReaders().size(), 6u);
}

TEST_F(OurPlugins, FilesOfOtherToolsGiveTheirPixels) {
    struct TDepth {
        const char* Stem;
        int BitCount;
    };
    // The depth each kind of file comes back at.
    const TDepth depths[] = {{"im-cmap-none", 8}, {"im-grey-rle", 8},   {"im-rgb32-rle", 24}, {"nb-cmap16-rle", 8},
                             {"nb-mono-norle", 8}, {"nb-rgb-rle", 24},  {"nb-mono", 1},       {"nb-planes4", 4},
                             {"nb-packed2", 4},   {"nb-planes3", 4},    {"nb-pal8", 8},       {"im-rgb24-none", 24},
                             // 8-bit grey without a palette, 0x0C where one would start: a grey ramp
                             {"grey8", 8}};
    int files = 0;
    for (const char* kind : {"tga", "pcx"}) {
        for (const fs::path& file : test::PluginDataFiles(kind)) {
            SCOPED_TRACE(file.filename().string());
            ++files;
            const TDibImage picture = Read(file);
            const TDibImage reference = LoadPnmPictureFile(test::ReferenceOf(file));
            EXPECT_EQ(test::RgbDifference(picture, reference), "");
            for (const TDepth& d : depths) {
                if (file.stem() == d.Stem) {
                    EXPECT_EQ(picture.BitCount(), d.BitCount);
                }
            }
        }
    }
    EXPECT_EQ(files, 18 + 15);
}

// A TGA file: header fields, then `data`.
Bytes Tga(int type, int width, int height, int bits, int descriptor, const Bytes& data, const Bytes& map = {},
          int mapLength = 0, int mapBits = 0) {
    Bytes out{0, std::uint8_t(map.empty() ? 0 : 1), std::uint8_t(type), 0, 0, std::uint8_t(mapLength),
              std::uint8_t(mapLength >> 8), std::uint8_t(mapBits), 0, 0, 0, 0, std::uint8_t(width), 0,
              std::uint8_t(height), 0, std::uint8_t(bits), std::uint8_t(descriptor)};
    out.insert(out.end(), map.begin(), map.end());
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

TEST_F(OurPlugins, HandMadeTgaPixels) {
    // 15 and 16-bit pixels are 5-5-5, little-endian; a channel c becomes
    // (c x 255 + 15) / 31: 31 -> 255, 16 -> 132, 1 -> 8, 3 -> 25.
    // 0x7C00 red, 0x03E0 green, 0x001F blue, 0x4210 = (16, 16, 16),
    // 0x0C61 = (3, 3, 1).
    const Bytes pixels16{0x00, 0x7C, 0xE0, 0x03, 0x1F, 0x00, 0x10, 0x42, 0x61, 0x0C, 0x00, 0x80};
    struct TCase {
        const char* Name;
        Bytes File;
        Bytes Rgb;  // top row first
    };
    // 3 x 2 pictures: file rows are bottom-up unless bit 5 of the
    // descriptor is set; bit 4 stores each row right to left.
    const TCase cases[] = {
        {"16 bits, bottom-left", Tga(2, 3, 2, 16, 0, pixels16),
         {132, 132, 132, 25, 25, 8, 0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255}},
        {"15 bits, top-left", Tga(2, 3, 2, 15, 0x20, pixels16),
         {255, 0, 0, 0, 255, 0, 0, 0, 255, 132, 132, 132, 25, 25, 8, 0, 0, 0}},
        {"16 bits, top-right", Tga(2, 3, 2, 16, 0x30, pixels16),
         {0, 0, 255, 0, 255, 0, 255, 0, 0, 0, 0, 0, 25, 25, 8, 132, 132, 132}},
        // RLE 24 bits: a run of 2 (0x81) then 4 raw pixels (0x03) over the
        // row boundary, bottom-right origin.
        {"RLE 24 bits, bottom-right",
         Tga(10, 3, 2, 24, 0x10, {0x81, 1, 2, 3, 0x03, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}),
         {15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 3, 2, 1}},
        // Colour map of 2 entries starting at index 0, 24 bits each.
        {"colour-mapped RLE", Tga(9, 3, 2, 8, 0x20, {0x85, 1}, {10, 20, 30, 40, 50, 60}, 2, 24),
         {60, 50, 40, 60, 50, 40, 60, 50, 40, 60, 50, 40, 60, 50, 40, 60, 50, 40}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        WriteFile(dir_ / "hand.tga", c.File);
        EXPECT_EQ(test::RgbBytes(Read(dir_ / "hand.tga")), c.Rgb);
    }
}

TEST_F(OurPlugins, DamagedFilesAreRefusedAtEveryLength) {
    // Every prefix of a run-length TGA and PCX file: refused, never a crash
    // (the host runs them under the sanitizers in the sanitizer build).
    for (const char* name : {"tga/nb-cmap-rle.tga", "tga/im-rgb32-rle.tga", "pcx/nb-pal8.pcx", "pcx/nb-planes4.pcx"}) {
        SCOPED_TRACE(name);
        const Bytes whole = ReadBytes(test::TestDataDir() / "plugins" / name);
        const fs::path cut = dir_ / fs::path(name).filename();
        int refused = 0;
        for (std::size_t length = 0; length < whole.size(); length += 1 + length / 8) {
            WriteFile(cut, Bytes(whole.begin(), whole.begin() + std::ptrdiff_t(length)));
            TDibImage picture;
            TPictureFileInfo info;
            try {
                ReadDocumentPicture(cut, false, picture, info);
            } catch (const EInvalidGraphic& e) {
                EXPECT_STREQ(e.what(), "認識できない画像形式です");
                ++refused;
            }
        }
        EXPECT_GT(refused, 10);
    }
}

TEST_F(OurPlugins, HeadersThatMakeNoSenseAreNotClaimed) {
    const TSPI* tga = nullptr;
    const TSPI* pcx = nullptr;
    for (int i = 0; i < plugins_->Count(); ++i) {
        if (plugins_->Item(i).ReadsExtension("tga")) tga = &plugins_->Item(i);
        if (plugins_->Item(i).ReadsExtension("pcx")) pcx = &plugins_->Item(i);
    }
    ASSERT_TRUE(tga && pcx);
    auto supports = [](const TSPI* plugin, Bytes head) {
        head.resize(SPI_HEAD_BYTES, 0);
        return static_cast<const TLoaderSPI*>(plugin)->IsSupported("x", head.data());
    };
    EXPECT_TRUE(supports(tga, Tga(2, 1, 1, 24, 0, {})));
    EXPECT_FALSE(supports(tga, Tga(2, 0, 1, 24, 0, {})));   // no width
    EXPECT_FALSE(supports(tga, Tga(2, 1, 1, 12, 0, {})));   // no such depth
    EXPECT_FALSE(supports(tga, Tga(1, 1, 1, 8, 0, {})));    // colour-mapped without a map
    EXPECT_FALSE(supports(tga, Tga(4, 1, 1, 8, 0, {})));    // no such type
    EXPECT_FALSE(supports(tga, Tga(2, 1, 1, 24, 0xC0, {}))); // interleaved
    Bytes pcxHead(128, 0);
    pcxHead[0] = 0x0A;
    pcxHead[1] = 5;
    pcxHead[2] = 1;
    pcxHead[3] = 8;
    pcxHead[65] = 1;
    pcxHead[66] = 1;  // 1 byte per line, picture 1 x 1
    EXPECT_TRUE(supports(pcx, pcxHead));
    pcxHead[8] = 1;  // 2 pixels wide: the line is too short
    EXPECT_FALSE(supports(pcx, pcxHead));
    pcxHead[8] = 0;
    pcxHead[3] = 3;  // 3 bits in one plane
    EXPECT_FALSE(supports(pcx, pcxHead));
    pcxHead[3] = 8;
    pcxHead[0] = 0x0B;
    EXPECT_FALSE(supports(pcx, pcxHead));
}

}  // namespace
}  // namespace zelvo
