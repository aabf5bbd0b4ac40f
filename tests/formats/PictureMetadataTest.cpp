// Metadata through the format dispatch: what a JPEG or PNG save writes back
// of the file a picture was read from, read again with our own readers.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "formats/Exif.h"
#include "formats/JpegImage.h"
#include "formats/PictureMetadata.h"
#include "formats/PngImage.h"
#include "formats/QxImageIO.h"

namespace zelvo {
namespace {

using namespace test;

namespace fs = std::filesystem;

constexpr std::uint32_t kApp1 = 0xE1;
constexpr std::uint32_t kApp2 = 0xE2;

std::uint32_t ChunkType(const char* name) {
    std::uint32_t type = 0;
    for (int i = 0; i < 4; ++i) type = (type << 8) | std::uint8_t(name[i]);
    return type;
}

std::vector<std::uint8_t> ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool StartsWith(const std::vector<std::uint8_t>& data, std::string_view prefix) {
    return data.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), data.begin());
}

struct TRead {
    TDibImage picture;
    TPictureFileInfo info;
};

TRead Read(const fs::path& path) {
    TRead r;
    EXPECT_TRUE(ReadDocumentPicture(path, false, r.picture, r.info)) << path;
    return r;
}

void Write(const fs::path& path, const TDibImage& picture, const TPictureMetadata& metadata) {
    TSaveOptions options;
    options.Quality = 90;
    options.Metadata = &metadata;
    bool colorKeyed = false;
    ASSERT_TRUE(WriteDocumentPicture(path, picture, options, false, colorKeyed));
}

class PictureMetadataTest : public ::testing::Test {
protected:
    void SetUp() override { dir_ = MakeTempDir("metadata"); }
    void TearDown() override { fs::remove_all(dir_); }
    fs::path dir_;
};

// tests/data/exif/metadata.jpg: EXIF (orientation 6, a 356-byte thumbnail),
// XMP (tiff:Orientation 6) and a 150 000-byte profile in three APP2 chunks.
TEST_F(PictureMetadataTest, JpegKeepsExifXmpAndIccWithOrientationOne) {
    const TRead in = Read(TestDataDir() / "exif" / "metadata.jpg");
    const TPictureMetadata& m = in.info.Metadata;
    ASSERT_EQ(m.Source, TMetadataSource::Jpeg);
    EXPECT_EQ(m.Orientation, 6);
    EXPECT_EQ(m.Kinds(), (std::vector<std::string>{"EXIF", "EXIF-thumbnail", "XMP", "ICC"}));

    const fs::path out = dir_ / "out.jpg";
    Write(out, in.picture, m);
    // EXIF right after the start of the file, no JFIF before it.
    const std::vector<std::uint8_t> file = ReadBytes(out);
    ASSERT_GE(file.size(), 4u);
    EXPECT_EQ(file[2], 0xFF);
    EXPECT_EQ(file[3], 0xE1);

    TJpegLoadInfo again;
    LoadJpegPicture(out, TJPEGPerformance::jpBestQuality, &again);
    std::vector<const TMetadataBlock*> exif, xmp, icc;
    for (const TMetadataBlock& b : again.Markers) {
        if (b.Type == kApp1 && StartsWith(b.Data, {"Exif\0\0", 6})) exif.push_back(&b);
        if (b.Type == kApp1 && StartsWith(b.Data, "http://ns.adobe.com/xap/1.0/")) xmp.push_back(&b);
        if (b.Type == kApp2 && StartsWith(b.Data, "ICC_PROFILE")) icc.push_back(&b);
    }
    ASSERT_EQ(exif.size(), 1u);
    ASSERT_EQ(xmp.size(), 1u);
    ASSERT_EQ(icc.size(), 3u);

    // EXIF: the same bytes but for the orientation, which is 1; the picture
    // is unchanged, so the thumbnail stays.
    const TMetadataBlock* originalExif = nullptr;
    std::vector<const TMetadataBlock*> originalIcc;
    const TMetadataBlock* originalXmp = nullptr;
    for (const TMetadataBlock& b : m.Blocks) {
        if (b.Type == kApp1 && StartsWith(b.Data, {"Exif\0\0", 6})) originalExif = &b;
        if (b.Type == kApp1 && StartsWith(b.Data, "http://")) originalXmp = &b;
        if (b.Type == kApp2) originalIcc.push_back(&b);
    }
    ASSERT_TRUE(originalExif && originalXmp);
    const TExifInfo before = ParseExif(ExifTiffData(originalExif->Data));
    const TExifInfo after = ParseExif(ExifTiffData(exif[0]->Data));
    EXPECT_EQ(before.Orientation, 6);
    EXPECT_EQ(after.Orientation, 1);
    EXPECT_TRUE(after.HasThumbnail());
    std::vector<std::uint8_t> expected = originalExif->Data;
    expected[6 + before.OrientationValueOffset] = 0;  // big-endian SHORT 1
    expected[6 + before.OrientationValueOffset + 1] = 1;
    EXPECT_EQ(exif[0]->Data, expected);

    // XMP: the same packet with tiff:Orientation 1.
    std::vector<std::uint8_t> xmpExpected = originalXmp->Data;
    EXPECT_TRUE(ResetXmpOrientation(xmpExpected));
    EXPECT_EQ(xmp[0]->Data, xmpExpected);

    // ICC: all three chunks, byte for byte, in order.
    ASSERT_EQ(originalIcc.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(icc[i]->Data, originalIcc[i]->Data);
        EXPECT_EQ(icc[i]->Data[12], i + 1);  // sequence number
        EXPECT_EQ(icc[i]->Data[13], 3);      // chunk count
    }
}

TEST_F(PictureMetadataTest, JpegOfAChangedPictureDropsTheThumbnailOnly) {
    TRead in = Read(TestDataDir() / "exif" / "metadata.jpg");
    in.info.Metadata.PictureChanged = true;
    const fs::path out = dir_ / "changed.jpg";
    Write(out, in.picture, in.info.Metadata);
    const TPictureMetadata again = [&] {
        TRead r = Read(out);
        return r.info.Metadata;
    }();
    EXPECT_EQ(again.Kinds(), (std::vector<std::string>{"EXIF", "XMP", "ICC"}));
    EXPECT_EQ(again.Orientation, 1);
}

TEST_F(PictureMetadataTest, ExifPixelDimensionsFollowTheSavedSize) {
    // An EXIF block with PixelXDimension and PixelYDimension (LONG), as
    // exiftool writes them.
    std::vector<std::uint8_t> tiff = {'I', 'I', 42, 0, 8, 0, 0, 0,
                                      1, 0, 0x69, 0x87, 4, 0, 1, 0, 0, 0, 26, 0, 0, 0, 0, 0, 0, 0,
                                      2, 0, 2, 0xA0, 4, 0, 1, 0, 0, 0, 35, 0, 0, 0,
                                      3, 0xA0, 4, 0, 1, 0, 0, 0, 21, 0, 0, 0, 0, 0, 0, 0};
    TPictureMetadata m;
    m.Source = TMetadataSource::Jpeg;
    TMetadataBlock block{kApp1, {'E', 'x', 'i', 'f', 0, 0}};
    block.Data.insert(block.Data.end(), tiff.begin(), tiff.end());
    m.Blocks.push_back(block);
    const std::vector<TMetadataBlock> out = JpegMetadataForSave(m, 640, 480);
    ASSERT_EQ(out.size(), 1u);
    const std::vector<std::uint8_t>& d = out[0].Data;
    // The Exif IFD's values at TIFF offsets 36 and 48.
    EXPECT_EQ(d[6 + 36] | (d[6 + 37] << 8), 640);
    EXPECT_EQ(d[6 + 48] | (d[6 + 49] << 8), 480);
}

TEST_F(PictureMetadataTest, OnlyAnRgbProfileIsWritten) {
    // Both writers write RGB-based files; a grey or CMYK profile would
    // describe another picture.
    for (const char* space : {"RGB ", "GRAY", "CMYK"}) {
        SCOPED_TRACE(space);
        std::vector<std::uint8_t> chunk = {'I', 'C', 'C', '_', 'P', 'R', 'O', 'F', 'I', 'L', 'E', 0, 1, 1};
        std::vector<std::uint8_t> profile(128, 0);
        std::copy(space, space + 4, profile.begin() + 16);
        chunk.insert(chunk.end(), profile.begin(), profile.end());
        TPictureMetadata m;
        m.Source = TMetadataSource::Jpeg;
        m.Blocks.push_back({kApp2, chunk});
        m.Blocks.push_back({0xFE, {'h', 'i'}});
        const std::vector<TMetadataBlock> out = JpegMetadataForSave(m, 1, 1);
        const bool rgb = std::string(space) == "RGB ";
        ASSERT_EQ(out.size(), rgb ? 2u : 1u);
        EXPECT_EQ(out.back().Type, 0xFEu);  // the comment is kept either way
    }
}

TEST_F(PictureMetadataTest, MetadataStaysWithItsFormat) {
    const TRead jpeg = Read(TestDataDir() / "exif" / "metadata.jpg");
    const fs::path png = dir_ / "from-jpeg.png";
    Write(png, jpeg.picture, jpeg.info.Metadata);
    EXPECT_TRUE(Read(png).info.Metadata.Empty());

    const TRead fromPng = Read(TestDataDir() / "exif" / "metadata.png");
    const fs::path jpg = dir_ / "from-png.jpg";
    Write(jpg, fromPng.picture, fromPng.info.Metadata);
    EXPECT_TRUE(Read(jpg).info.Metadata.Empty());
}

// tests/data/exif/metadata.png: iCCP (RGB stand-in profile), pHYs 3780 x
// 3780 per metre, zTXt, two tEXt and an iTXt with XMP.
TEST_F(PictureMetadataTest, PngKeepsProfileTextAndDensity) {
    const TRead in = Read(TestDataDir() / "exif" / "metadata.png");
    const TPictureMetadata& m = in.info.Metadata;
    ASSERT_EQ(m.Source, TMetadataSource::Png);
    EXPECT_EQ(m.Kinds(), (std::vector<std::string>{"iCCP", "tEXt", "zTXt", "iTXt", "pHYs"}));

    for (bool changed : {false, true}) {
        SCOPED_TRACE(changed);
        TPictureMetadata edited = m;
        edited.PictureChanged = changed;  // a square density stays either way
        const fs::path out = dir_ / "out.png";
        Write(out, in.picture, edited);
        TPngImage png;
        png.LoadFromFile(out);
        EXPECT_EQ(png.KeptChunks(), m.Blocks);
        TDibImage pixels;
        png.AssignTo(pixels);
        EXPECT_TRUE(SamePixels(pixels, in.picture));
        // The profile comes before the image data.
        const std::vector<std::uint8_t> file = ReadBytes(out);
        const auto at = [&](const char* name) {
            return std::search(file.begin(), file.end(), name, name + 4) - file.begin();
        };
        EXPECT_LT(at("iCCP"), at("IDAT"));
        EXPECT_LT(at("pHYs"), at("IDAT"));
    }
}

TEST_F(PictureMetadataTest, PngDensityOfNonSquarePixelsGoesWithAChange) {
    TPictureMetadata m;
    m.Source = TMetadataSource::Png;
    m.Blocks.push_back({ChunkType("pHYs"), {0, 0, 0x0E, 0xC4, 0, 0, 0x07, 0x62, 1}});  // 3780 x 1890
    m.Blocks.push_back({ChunkType("tEXt"), {'a', 0, 'b'}});
    EXPECT_EQ(PngMetadataForSave(m).size(), 2u);
    m.PictureChanged = true;
    const std::vector<TMetadataBlock> out = PngMetadataForSave(m);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].Type, ChunkType("tEXt"));
}

}  // namespace
}  // namespace zelvo
