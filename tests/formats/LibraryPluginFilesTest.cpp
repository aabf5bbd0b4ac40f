// Our WebP, TIFF, HEIF/AVIF and JPEG XL plug-ins (plugins/webp,
// plugins/tiff, plugins/heif, plugins/jxl over libwebp, libtiff, libheif
// and libjxl) read through the host:
// every file cwebp, img2webp, ImageMagick, tiffcp and heif-enc wrote
// (tests/data/plugins) gives the pixels dwebp, ImageMagick and
// heif-convert read back, alpha included; TIFF's Lab and ICC-tagged CMYK
// come back to the source picture and premultiplied alpha to its colours;
// damaged files, absurd sizes and samples the host cannot keep are refused
// without harm or noise.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>
#include <vector>

#include "PluginFilesFixture.h"
#include "SpiTestSupport.h"
#include "formats/EncoderWriters.h"
#include "formats/PnmCodec.h"
#include "formats/QxImageIO.h"
#include "formats/plugin/SPIs.h"
#include "formats/plugin/SpiBitmap.h"
#include "formats/plugin/DecoderSandbox.h"
#include "formats/plugin/SpiPicture.h"

namespace zelvo {
namespace {

namespace fs = std::filesystem;
using test::Bytes;
using test::ReadBytes;
using test::WriteFile;

fs::path DataFile(const char* name) { return test::TestDataDir() / "plugins" / name; }

// A PAM file with RGB_ALPHA tuples, as dwebp and ImageMagick write it.
struct TRgbaReference {
    int Width = 0, Height = 0;
    Bytes Rgba;  // top row first
};

TRgbaReference LoadRgbaPam(const fs::path& path) {
    const Bytes bytes = ReadBytes(path);
    const std::string text(bytes.begin(), bytes.end());
    const std::size_t end = text.find("ENDHDR\n");
    std::istringstream header(text.substr(0, end));
    TRgbaReference pam;
    int depth = 0, maxval = 0;
    for (std::string key; header >> key;) {
        if (key == "WIDTH") header >> pam.Width;
        if (key == "HEIGHT") header >> pam.Height;
        if (key == "DEPTH") header >> depth;
        if (key == "MAXVAL") header >> maxval;
    }
    EXPECT_EQ(depth, 4) << path;
    EXPECT_EQ(maxval, 255) << path;
    pam.Rgba.assign(bytes.begin() + std::ptrdiff_t(end + 7), bytes.end());
    EXPECT_EQ(pam.Rgba.size(), std::size_t(pam.Width) * std::size_t(pam.Height) * 4) << path;
    return pam;
}

std::int32_t Le32(const std::uint8_t* p) { return std::int32_t(p[0] | p[1] << 8 | p[2] << 16 | std::uint32_t(p[3]) << 24); }

std::int32_t Abort(std::int32_t, std::int32_t, std::intptr_t) { return 1; }

class LibraryPlugins : public test::PluginFilesFixture {
protected:
    // The image reader of `extension`.
    TInSPI* Reader(const std::string& extension) {
        for (TInSPI* reader : plugins_->ImageReaders())
            if (reader->ReadsExtension(extension)) return reader;
        ADD_FAILURE() << "no reader of " << extension;
        return nullptr;
    }
};

TEST_F(LibraryPlugins, LoadAsImageReadersOfTheirExtensions) {
    EXPECT_TRUE(plugins_->SkippedMessages().empty());
    for (const char* ext : {"webp", "WEBP", "tif", "tiff", "TIF", "heic", "heif", "hif", "avif", "jxl", "JXL"})
        EXPECT_TRUE(plugins_->HasFileType(ext)) << ext;
    for (const char* ext : {"webp", "tiff", "heic", "avif", "jxl"}) {
        TInSPI* reader = Reader(ext);
        ASSERT_NE(reader, nullptr);
        EXPECT_EQ(reader->Version(), "00IN");
    }
}

TEST_F(LibraryPlugins, FilesOfOtherToolsGiveTheirPixels) {
    // The depth the host keeps: indices where the file has them, 24 bits
    // for everything else (the host drops alpha).
    auto depthOf = [](const std::string& stem) {
        if (stem.starts_with("bilevel")) return 1;
        if (stem == "grey4" || stem == "pal4") return 4;
        if (stem.starts_with("grey") || stem.starts_with("pal")) return 8;
        return 24;
    };
    struct TKind {
        const char* Name;
        int Files;
    };
    for (const TKind& kind : {TKind{"webp", 6}, TKind{"tiff", 25}, TKind{"heic", 2}, TKind{"avif", 2},
                              TKind{"jxl", 4}}) {
        int files = 0;
        for (const fs::path& file : test::PluginDataFiles(kind.Name)) {
            SCOPED_TRACE(file.filename().string());
            ++files;
            const TDibImage picture = Read(file);
            // 16-bit references are scaled to 8 bits with rounding by the
            // PNM reader, as the plug-in scales.
            const TDibImage reference = LoadPnmPictureFile(test::ReferenceOf(file));
            EXPECT_EQ(test::RgbDifference(picture, reference), "");
            EXPECT_EQ(picture.BitCount(), kind.Name == std::string("tiff") ? depthOf(file.stem().string()) : 24);
        }
        EXPECT_EQ(files, kind.Files) << kind.Name;
    }
}

TEST_F(LibraryPlugins, TiffColoursConvertedComeNearTheirReference) {
    // Lab and CMYK go through lcms2 to sRGB; their reference is the
    // picture they were made from. Lab at 8 bits holds a and b in whole
    // units, which costs a level on average (ImageMagick's own decode of
    // lab8.tiff is 0.6 levels off, libtiff's RGBA interface 4.6); the
    // CMYK files' profile is exact, only JPEG loses. Premultiplied alpha
    // comes out of the colours as ImageMagick takes it out, within a
    // level (rounding of the division).
    struct TCase {
        const char* File;
        const char* Reference;
        double MeanLimit;  // levels per sample
        int MaxLimit;
    };
    const TCase cases[] = {
        {"lab8.tiff", "src/rgb.ppm", 2.0, 32},          {"lab8-planes.tiff", "src/rgb.ppm", 2.0, 32},
        {"lab16.tiff", "src/rgb.ppm", 0.5, 10},         {"cmyk8-icc.tiff", "src/rgb.ppm", 0.0, 0},
        {"cmyk16-icc.tiff", "src/rgb.ppm", 0.0, 0},     {"cmyk8-jpeg-icc.tiff", "src/rgb.ppm", 4.0, 40},
        {"rgba8-associated.tiff", "tiff/colour/rgba8-associated.ref.ppm", 0.5, 1},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.File);
        const TDibImage picture = Read(DataFile("tiff/colour") / c.File);
        const Bytes got = test::RgbBytes(picture);
        const Bytes want = test::RgbBytes(LoadPnmPictureFile(DataFile(c.Reference)));
        ASSERT_EQ(got.size(), want.size());
        double sum = 0;
        int worst = 0;
        for (std::size_t i = 0; i < got.size(); ++i) {
            const int difference = std::abs(int(got[i]) - int(want[i]));
            sum += difference;
            worst = std::max(worst, difference);
        }
        EXPECT_LE(sum / double(got.size()), c.MeanLimit);
        EXPECT_LE(worst, c.MaxLimit);
        EXPECT_EQ(picture.BitCount(), 24);
    }
}

TEST_F(LibraryPlugins, AlphaComesBackBesideTheColours) {
    int files = 0;
    for (const char* kind : {"webp", "tiff", "heic", "avif", "jxl"}) {
        for (const fs::path& file : test::PluginDataFiles(kind)) {
            const fs::path pam = file.parent_path() / (file.stem().string() + ".ref.pam");
            if (!fs::exists(pam)) continue;
            SCOPED_TRACE(file.filename().string());
            ++files;
            const TRgbaReference reference = LoadRgbaPam(pam);
            const Bytes data = ReadBytes(file);
            TInSPI* reader = Reader(kind);
            ASSERT_NE(reader, nullptr);
            TSPIBlocks blocks;
            ASSERT_EQ(reader->GetPicture(data.data(), std::int64_t(data.size()), blocks, nullptr, 0), SPI_OK);
            const auto info = BlockBytes(blocks.Info);
            const auto bits = BlockBytes(blocks.Bits);
            ASSERT_GE(info.size(), 40u);
            EXPECT_EQ(Le32(info.data() + 4), reference.Width);
            EXPECT_EQ(Le32(info.data() + 8), reference.Height);
            EXPECT_EQ(info[14], 32);  // blue, green, red, alpha
            ASSERT_EQ(bits.size(), reference.Rgba.size());
            // Bottom-up rows of 4-byte pixels against the top-down PAM.
            int differences = 0;
            for (int y = 0; y < reference.Height; ++y) {
                for (int x = 0; x < reference.Width; ++x) {
                    const std::uint8_t* got = bits.data() + (std::size_t(reference.Height - 1 - y) * reference.Width + x) * 4;
                    const std::uint8_t* want = reference.Rgba.data() + (std::size_t(y) * reference.Width + x) * 4;
                    if (got[0] != want[2] || got[1] != want[1] || got[2] != want[0] || got[3] != want[3]) ++differences;
                }
            }
            EXPECT_EQ(differences, 0);
            // Not opaque throughout: the alpha is the file's.
            bool translucent = false;
            for (std::size_t i = 3; i < reference.Rgba.size(); i += 4) translucent |= reference.Rgba[i] < 255;
            EXPECT_TRUE(translucent);
        }
    }
    EXPECT_EQ(files, 6);
}

TEST_F(LibraryPlugins, InformationTellsSizeAndDepth) {
    struct TCase {
        const char* File;
        int Depth;
    };
    const TCase cases[] = {{"webp/lossless.webp", 24},       {"webp/alpha-lossy.webp", 32}, {"webp/anim.webp", 24},
                           {"tiff/bilevel-g4.tiff", 1},      {"tiff/pal4.tiff", 4},         {"tiff/grey16-zip.tiff", 8},
                           {"tiff/rgba8-lzw.tiff", 32},      {"tiff/rgb8-ycbcr-jpeg.tiff", 24},
                           {"heic/photo.heic", 24},          {"avif/alpha.avif", 32}};
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.File);
        const Bytes data = ReadBytes(DataFile(c.File));
        TInSPI* reader = Reader(fs::path(c.File).extension().string().substr(1));
        ASSERT_NE(reader, nullptr);
        TSPIPictureInfo info;
        ASSERT_EQ(reader->GetPictureInfo(data.data(), std::int64_t(data.size()), info), SPI_OK);
        EXPECT_EQ(info.Width, 37);
        EXPECT_EQ(info.Height, 23);
        EXPECT_EQ(info.ColorDepth, c.Depth);
    }
}

// Patches the 32-bit big-endian width and height `skip` bytes after the
// name of the last `box` (heif-enc codes 64 x 64 and crops: the last
// spatial extent is the picture's).
void PatchBox(Bytes& file, const char* box, std::size_t skip, std::uint32_t width, std::uint32_t height) {
    const auto at = std::find_end(file.begin(), file.end(), box, box + 4);
    ASSERT_NE(at, file.end()) << box;
    std::uint8_t* p = &*at + 4 + skip;
    for (int i = 0; i < 4; ++i) {
        p[i] = std::uint8_t(width >> (24 - 8 * i));
        p[4 + i] = std::uint8_t(height >> (24 - 8 * i));
    }
}

// A little-endian TIFF of one grey strip of `width` x `height` at `bits`
// bits a sample, whose single strip holds `dataBytes` bytes: i x 7 at byte i.
Bytes TinyTiff(std::uint32_t width, std::uint32_t height, std::uint32_t dataBytes, std::uint32_t bits = 8) {
    Bytes out{'I', 'I', 42, 0, 8, 0, 0, 0};
    const std::uint16_t tags[][2] = {{256, 4}, {257, 4}, {258, 3}, {259, 3}, {262, 3},
                                     {273, 4}, {277, 3}, {278, 4}, {279, 4}};
    const std::uint32_t dataOffset = 8 + 2 + 9 * 12 + 4;
    const std::uint32_t values[] = {width, height, bits, 1, 1, dataOffset, 1, height, dataBytes};
    out.push_back(9);
    out.push_back(0);
    for (int i = 0; i < 9; ++i) {
        const std::uint8_t entry[12] = {std::uint8_t(tags[i][0]), std::uint8_t(tags[i][0] >> 8), std::uint8_t(tags[i][1]), 0,
                                        1, 0, 0, 0, std::uint8_t(values[i]), std::uint8_t(values[i] >> 8),
                                        std::uint8_t(values[i] >> 16), std::uint8_t(values[i] >> 24)};
        out.insert(out.end(), entry, entry + 12);
    }
    out.insert(out.end(), 4, 0);
    for (std::uint32_t i = 0; i < dataBytes; ++i) out.push_back(std::uint8_t(i * 7));
    return out;
}

TEST_F(LibraryPlugins, AbsurdSizesAreRefusedBeforeDecoding) {
    // Within the limit the hand-made TIFF reads; 65 536 x 4 097 pixels is
    // just above the host's 2^28 and 70 000 x 70 000 far above it.
    Bytes anim = ReadBytes(DataFile("webp/anim.webp"));
    Bytes heic = ReadBytes(DataFile("heic/photo.heic"));
    // The canvas of an animation: 24-bit sizes minus one after VP8X's
    // flags, little-endian: 20 000 x 20 000.
    {
        const auto at = std::search(anim.begin(), anim.end(), "VP8X", "VP8X" + 4);
        ASSERT_NE(at, anim.end());
        std::uint8_t* p = &*at + 8 + 4;
        for (std::uint32_t value : {19999u, 19999u}) {
            p[0] = std::uint8_t(value);
            p[1] = std::uint8_t(value >> 8);
            p[2] = std::uint8_t(value >> 16);
            p += 3;
        }
    }
    // The picture's spatial extent: version and flags, then width, height.
    PatchBox(heic, "ispe", 4, 20000, 20000);
    struct TCase {
        const char* Name;
        const char* Extension;
        Bytes File;
        bool Reads;
    };
    const TCase cases[] = {
        {"TIFF 3 x 2", "tiff", TinyTiff(3, 2, 6), true},
        {"TIFF 65536 x 4097", "tiff", TinyTiff(65536, 4097, 6), false},
        {"TIFF 70000 x 70000", "tiff", TinyTiff(70000, 70000, 6), false},
        {"TIFF 3 x 2, strip cut short", "tiff", TinyTiff(3, 2, 5), false},
        {"WebP canvas 20000 x 20000", "webp", anim, false},
        {"HEIC 20000 x 20000", "heic", heic, false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TInSPI* reader = Reader(c.Extension);
        ASSERT_NE(reader, nullptr);
        TSPIPictureInfo info;
        const int infoResult = reader->GetPictureInfo(c.File.data(), std::int64_t(c.File.size()), info);
        TSPIBlocks blocks;
        const int result = reader->GetPicture(c.File.data(), std::int64_t(c.File.size()), blocks, nullptr, 0);
        if (c.Reads) {
            EXPECT_EQ(infoResult, SPI_OK);
            ASSERT_EQ(result, SPI_OK);
            const auto bits = BlockBytes(blocks.Bits);
            // Bottom-up rows of 4 bytes: the second row of the file first.
            EXPECT_EQ(Bytes(bits.begin(), bits.end()), (Bytes{21, 28, 35, 0, 0, 7, 14, 0}));
        } else {
            // A strip cut short is seen only when decoding.
            if (std::string(c.Name).find("short") == std::string::npos) {
                EXPECT_NE(infoResult, SPI_OK);
            }
            EXPECT_NE(result, SPI_OK);
            EXPECT_EQ(blocks.Info, nullptr);
            EXPECT_EQ(blocks.Bits, nullptr);
        }
    }
}

TEST_F(LibraryPlugins, GreyStripsGiveTheirRowsBottomUp) {
    // 1-bit rows of 3 pixels: the 5 bits past each row in the file (set in
    // 7, 42, 49) stay out of the picture. A strip of 8 200 x 8 200 (above
    // what is decoded whole) is read row by row.
    struct TCase {
        const char* Name;
        Bytes File;
        std::size_t Stride;
        Bytes Bottom;  // the start of the first bits row (the file's last row)
        Bytes Top;     // the start of the last bits row (the file's first)
    };
    const std::uint32_t big = 8200;
    const TCase cases[] = {
        {"1-bit 3 x 8", TinyTiff(3, 8, 8, 1), 4, {0x20, 0, 0, 0, 0x20, 0, 0, 0, 0x20, 0, 0, 0, 0, 0, 0, 0}, {0, 0, 0, 0}},
        {"8-bit 8200 x 8200", TinyTiff(big, big, big * big), big,
         {std::uint8_t(std::uint64_t(big) * (big - 1) * 7), std::uint8_t((std::uint64_t(big) * (big - 1) + 1) * 7)},
         {0, 7, 14}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TInSPI* reader = Reader("tiff");
        ASSERT_NE(reader, nullptr);
        TSPIBlocks blocks;
        ASSERT_EQ(reader->GetPicture(c.File.data(), std::int64_t(c.File.size()), blocks, nullptr, 0), SPI_OK);
        const auto bits = BlockBytes(blocks.Bits);
        ASSERT_GE(bits.size(), c.Stride * 2);
        EXPECT_EQ(Bytes(bits.begin(), bits.begin() + std::ptrdiff_t(c.Bottom.size())), c.Bottom);
        const auto top = bits.end() - std::ptrdiff_t(c.Stride);
        EXPECT_EQ(Bytes(top, top + std::ptrdiff_t(c.Top.size())), c.Top);
    }
}

TEST_F(LibraryPlugins, SamplesTheHostCannotKeepAreRefused) {
    const Bytes data = ReadBytes(DataFile("tiff/refused/float32.tiff"));
    TInSPI* reader = Reader("tiff");
    ASSERT_NE(reader, nullptr);
    TSPIPictureInfo info;
    EXPECT_EQ(reader->GetPictureInfo(data.data(), std::int64_t(data.size()), info), SPI_UNSUPPORTED);
    TSPIBlocks blocks;
    EXPECT_EQ(reader->GetPicture(data.data(), std::int64_t(data.size()), blocks, nullptr, 0), SPI_UNSUPPORTED);
}

TEST_F(LibraryPlugins, LargeTiffsDecodeOnThreadsToTheirPixels) {
    // Pictures of several strips decode on several threads: every row in
    // its place; spoilt strips or a stop from the host leave nothing.
    struct TCase {
        const char* Name;
        TDibImage Picture;
        TTiffCompression Compression;
        std::size_t Spoilt;  // from this byte on 100 000 bytes of the strips are 0xFF; 0: none
        SpiProgressCallback Progress;
        int Result;
    };
    const TCase cases[] = {
        {"24-bit lzw", test::NoiseImage24(1200, 1000, 3), TTiffCompression::Lzw, 0, nullptr, SPI_OK},
        {"24-bit deflate", test::NoiseImage24(1000, 1201, 4), TTiffCompression::Deflate, 0, nullptr, SPI_OK},
        {"8-bit lzw", test::NoiseImagePalette(1600, 1000, 8, 256, 5), TTiffCompression::Lzw, 0, nullptr, SPI_OK},
        {"24-bit none", test::NoiseImage24(1200, 1000, 6), TTiffCompression::None, 0, nullptr, SPI_OK},
        {"24-bit lzw, spoilt", test::NoiseImage24(1200, 1000, 7), TTiffCompression::Lzw, 2000000, nullptr, SPI_BAD_DATA},
        {"24-bit lzw, stopped", test::NoiseImage24(1200, 1000, 8), TTiffCompression::Lzw, 0, Abort, SPI_ABORTED},
    };
    TInSPI* reader = Reader("tiff");
    ASSERT_NE(reader, nullptr);
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TSaveOptions options;
        options.Encoders.TiffCompression = c.Compression;
        TMemoryStream file;
        SaveTiffPicture(c.Picture, file, options);
        if (c.Spoilt > 0) std::fill_n(file.Data().begin() + std::ptrdiff_t(c.Spoilt), 100000, std::uint8_t(0xFF));
        TSPIBlocks blocks;
        ASSERT_EQ(reader->GetPicture(file.Data().data(), std::int64_t(file.Data().size()), blocks, c.Progress, 0),
                  c.Result);
        if (c.Result != SPI_OK) {
            EXPECT_EQ(blocks.Bits, nullptr);
            continue;
        }
        const auto bits = BlockBytes(blocks.Bits);
        // Both are bottom-up rows padded to 4 bytes.
        const std::size_t stride = (std::size_t(c.Picture.Width()) * std::size_t(c.Picture.BitCount()) + 31) / 32 * 4;
        ASSERT_EQ(bits.size(), stride * std::size_t(c.Picture.Height()));
        for (int y = 0; y < c.Picture.Height(); ++y) {
            const std::uint8_t* want = c.Picture.ScanLineRead(y);
            const std::uint8_t* got = bits.data() + std::size_t(c.Picture.Height() - 1 - y) * stride;
            ASSERT_TRUE(std::equal(want, want + stride, got)) << "row " << y;
        }
    }
}

TEST_F(LibraryPlugins, LargePicturesDecodeOnThreadsInTheDecoderProcess) {
    // The plug-ins that decode on threads, confined in the decoder process
    // with pictures large enough for their threads' heaps to grow and
    // shrink: the pictures they give in process.
    struct TCase {
        const char* File;
        std::function<void(TEncoderOptions&)> Set;
    };
    const TCase cases[] = {
        {"large.tif", [](TEncoderOptions&) {}},
        {"large.jxl", [](TEncoderOptions& o) { o.JxlEffort = 3; }},
        {"large.webp", [](TEncoderOptions&) {}},
    };
    const TDibImage picture = test::NoiseImage24(1000, 750, 9);
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.File);
        TSaveOptions options;
        c.Set(options.Encoders);
        bool keyed = false;
        ASSERT_TRUE(WriteDocumentPicture(dir_ / c.File, picture, options, false, keyed));
        auto read = [&](bool sandboxed) {
            SandboxOptions().Plugins = sandboxed;
            TSPIBitmap bitmap(plugins_.get());
            bitmap.LoadFromFile(dir_ / c.File);
            SandboxOptions().Plugins = false;
            return bitmap.Picture();
        };
        const TDibImage inProcess = read(false);
        TDibImage confined;
        ASSERT_NO_THROW(confined = read(true));
        std::string why;
        EXPECT_TRUE(test::SamePixels(confined, inProcess, &why)) << why;
    }
}

TEST_F(LibraryPlugins, AnAbortStopsTheDecoderAndLeavesNothing) {
    for (const char* name : {"webp/lossy.webp", "webp/anim.webp", "tiff/rgb8-tiled-planes.tiff",
                             "tiff/rgb8-ycbcr-jpeg.tiff", "heic/photo.heic", "avif/photo.avif"}) {
        SCOPED_TRACE(name);
        const Bytes data = ReadBytes(DataFile(name));
        TInSPI* reader = Reader(fs::path(name).extension().string().substr(1));
        ASSERT_NE(reader, nullptr);
        TSPIBlocks blocks;
        EXPECT_EQ(reader->GetPicture(data.data(), std::int64_t(data.size()), blocks, Abort, 0), SPI_ABORTED);
        EXPECT_EQ(blocks.Info, nullptr);
        EXPECT_EQ(blocks.Bits, nullptr);
    }
}

TEST_F(LibraryPlugins, DamagedFilesAreRefusedAtEveryLengthWithoutAWord) {
    // Every prefix of each file: refused, never a crash, and nothing on
    // standard error (libtiff's handlers are the plug-in's).
    for (const char* name : {"webp/lossy.webp", "webp/alpha-lossless.webp", "webp/anim.webp", "tiff/rgb8-tiled-zip.tiff",
                             "tiff/grey16-tiled-lzw.tiff", "tiff/rgb8-planes-lzw.tiff", "tiff/bilevel-g4.tiff",
                             "tiff/rgb8-ycbcr-jpeg.tiff", "heic/alpha.heic", "avif/photo.avif"}) {
        SCOPED_TRACE(name);
        const Bytes whole = ReadBytes(DataFile(name));
        const fs::path cut = dir_ / fs::path(name).filename();
        int refused = 0;
        testing::internal::CaptureStderr();
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
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
        EXPECT_GT(refused, 10);
    }
}

}  // namespace
}  // namespace zelvo
