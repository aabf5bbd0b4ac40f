// The EXIF reader, the patcher and the layout for TIFF files on hand-built
// blocks in both byte orders, on hostile variations of them, and on the
// EXIF blocks of the committed test photos.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "formats/Exif.h"
#include "formats/JpegImage.h"
#include "formats/PictureFormats.h"
#include "image/Stream.h"

namespace zelvo {
namespace {

using namespace test;

// A block laid out as cameras write it:
//   0  header, IFD0 at 8
//   8  IFD0: orientation 6, Exif IFD pointer 38; link to IFD1 at 56
//  38  Exif IFD: PixelXDimension (LONG) 35, PixelYDimension (SHORT) 21
//  68  IFD1: thumbnail offset 98, length 4
//  98  the thumbnail FF D8 FF D9, the last bytes of the block
struct TBlock {
    bool bigEndian = false;
    std::vector<std::uint8_t> bytes;

    void Put16(std::size_t at, std::uint32_t v) {
        if (bytes.size() < at + 2) bytes.resize(at + 2);
        bytes[at] = std::uint8_t(bigEndian ? v >> 8 : v);
        bytes[at + 1] = std::uint8_t(bigEndian ? v : v >> 8);
    }
    void Put32(std::size_t at, std::uint32_t v) {
        if (bytes.size() < at + 4) bytes.resize(at + 4);
        for (int i = 0; i < 4; ++i) bytes[at + std::size_t(i)] = std::uint8_t(v >> (bigEndian ? 24 - 8 * i : 8 * i));
    }
    void Raw(std::size_t at, const std::string& text) {
        if (bytes.size() < at + text.size()) bytes.resize(at + text.size());
        std::copy(text.begin(), text.end(), bytes.begin() + std::ptrdiff_t(at));
    }
    void Entry(std::size_t at, std::uint16_t tag, std::uint16_t type, std::uint32_t count, std::uint32_t value) {
        Put16(at, tag);
        Put16(at + 2, type);
        Put32(at + 4, count);
        if (type == 3 && count == 1) {
            Put16(at + 8, value);
            Put16(at + 10, 0);
        } else {
            Put32(at + 8, value);
        }
    }
};

TBlock CameraBlock(bool bigEndian) {
    TBlock b;
    b.bigEndian = bigEndian;
    b.bytes = bigEndian ? std::vector<std::uint8_t>{'M', 'M', 0, 42} : std::vector<std::uint8_t>{'I', 'I', 42, 0};
    b.Put32(4, 8);
    b.Put16(8, 2);
    b.Entry(10, kExifTagOrientation, 3, 1, 6);
    b.Entry(22, kExifTagExifIfd, 4, 1, 38);
    b.Put32(34, 68);
    b.Put16(38, 2);
    b.Entry(40, kExifTagPixelXDimension, 4, 1, 35);
    b.Entry(52, kExifTagPixelYDimension, 3, 1, 21);
    b.Put32(64, 0);
    b.Put16(68, 2);
    b.Entry(70, kExifTagThumbnailOffset, 4, 1, 98);
    b.Entry(82, kExifTagThumbnailLength, 4, 1, 4);
    b.Put32(94, 0);
    b.bytes.insert(b.bytes.end(), {0xFF, 0xD8, 0xFF, 0xD9});
    return b;
}

// A block with values out of line in both IFDs a TIFF file carries:
//   8  IFD0: orientation 6, Exif IFD 68, GPS IFD 156
//  68  Exif IFD, not in tag order: DateTimeOriginal (20 ASCII at 118),
//      ExposureTime (RATIONAL at 110), PixelXDimension (SHORT) 35
// 110  1/60;  118 "2024:05:06 07:08:09"
// 156  GPS IFD: GPSVersionID 2 3 0 0 in the entry, GPSLatitude (3 RATIONAL
//      at 186): 49/1 11/1 4236/100; the block ends at 210
TBlock DirectoriesBlock(bool bigEndian) {
    TBlock b;
    b.bigEndian = bigEndian;
    b.Raw(0, bigEndian ? std::string("MM\0*", 4) : std::string("II*\0", 4));
    b.Put32(4, 8);
    b.Put16(8, 3);
    b.Entry(10, kExifTagOrientation, 3, 1, 6);
    b.Entry(22, kExifTagExifIfd, 4, 1, 68);
    b.Entry(34, kExifTagGpsIfd, 4, 1, 156);
    b.Put16(68, 3);
    b.Entry(70, 0x9003, 2, 20, 118);
    b.Entry(82, 0x829A, 5, 1, 110);
    b.Entry(94, kExifTagPixelXDimension, 3, 1, 35);
    b.Put32(110, 1), b.Put32(114, 60);
    b.Raw(118, std::string("2024:05:06 07:08:09\0", 20));
    b.Put16(156, 2);
    b.Entry(158, 0x0000, 1, 4, 0);
    b.Raw(166, std::string("\2\3\0\0", 4));
    b.Entry(170, 0x0002, 5, 3, 186);
    const std::uint32_t latitude[6] = {49, 1, 11, 1, 4236, 100};
    for (int i = 0; i < 6; ++i) b.Put32(186 + 4 * std::size_t(i), latitude[i]);
    return b;
}

// The tags of the IFD at file offset `ifd` of a TIFF layout (base 8).
std::vector<int> LaidTags(const TExifForTiff& laid, std::uint32_t ifd) {
    auto get16 = [&](std::size_t at) {
        const int a = laid.Bytes.at(at - 8), b = laid.Bytes.at(at - 7);
        return laid.BigEndian ? (a << 8) | b : a | (b << 8);
    };
    std::vector<int> tags;
    for (int i = 0; ifd != 0 && i < get16(ifd); ++i) tags.push_back(get16(ifd + 2 + 12 * std::size_t(i)));
    return tags;
}

class ExifByteOrder : public ::testing::TestWithParam<bool> {};

TEST_P(ExifByteOrder, TiffLayoutCopiesTheDirectoriesAndTheirValues) {
    const TBlock source = DirectoriesBlock(GetParam());
    const TExifForTiff laid = ExifForTiff(source.bytes, 8);
    // At file offset 8: the Exif IFD in tag order (8..50) with the width as
    // a LONG, 1/60 at 50, the date at 58 (to 78); the GPS IFD at 78 (to
    // 108) and the latitude at 108, to 132.
    TBlock file;
    file.bigEndian = GetParam();
    file.bytes.resize(8);
    file.Put16(8, 3);
    file.Entry(10, 0x829A, 5, 1, 50);
    file.Entry(22, 0x9003, 2, 20, 58);
    file.Entry(34, kExifTagPixelXDimension, 4, 1, 35);
    file.Put32(46, 0);
    file.Put32(50, 1), file.Put32(54, 60);
    file.Raw(58, std::string("2024:05:06 07:08:09\0", 20));
    file.Put16(78, 2);
    file.Entry(80, 0x0000, 1, 4, 0);
    file.Raw(88, std::string("\2\3\0\0", 4));
    file.Entry(92, 0x0002, 5, 3, 108);
    file.Put32(104, 0);
    const std::uint32_t latitude[6] = {49, 1, 11, 1, 4236, 100};
    for (int i = 0; i < 6; ++i) file.Put32(108 + 4 * std::size_t(i), latitude[i]);
    EXPECT_EQ(laid.BigEndian, GetParam());
    EXPECT_EQ(laid.Bytes, std::vector<std::uint8_t>(file.bytes.begin() + 8, file.bytes.end()));
    EXPECT_EQ(laid.ExifIfd, 8u);
    EXPECT_EQ(laid.GpsIfd, 78u);
}

TEST_P(ExifByteOrder, ReadsTheFieldsOfACameraBlock) {
    const TBlock b = CameraBlock(GetParam());
    const TExifInfo info = ParseExif(b.bytes);
    ASSERT_TRUE(info.Valid);
    EXPECT_EQ(info.BigEndian, GetParam());
    EXPECT_EQ(info.Orientation, 6);
    EXPECT_EQ(info.OrientationValueOffset, 18u);  // entry at 10, value field at +8
    EXPECT_EQ(info.Ifd0LinkOffset, 34u);
    EXPECT_EQ(info.Ifd1Offset, 68u);
    EXPECT_EQ(info.ThumbnailOffset, 98u);
    EXPECT_EQ(info.ThumbnailLength, 4u);
    EXPECT_EQ(info.PixelXValueOffset, 48u);
    EXPECT_EQ(info.PixelYValueOffset, 60u);
    EXPECT_FALSE(info.PixelXShort);
    EXPECT_TRUE(info.PixelYShort);
    EXPECT_EQ(info.MainDataEnd, 68u);  // the Exif IFD's link ends at 68
}

TEST_P(ExifByteOrder, PatchResetsOrientationAndSizeAndKeepsEveryOtherByte) {
    const TBlock b = CameraBlock(GetParam());
    TExifPatch patch;
    patch.Width = 70000;  // PixelXDimension is a LONG
    patch.Height = 300;
    const std::vector<std::uint8_t> out = PatchExif(b.bytes, patch);
    ASSERT_EQ(out.size(), b.bytes.size());
    TBlock expected = b;
    expected.Put16(18, 1);
    expected.Put32(48, 70000);
    expected.Put16(60, 300);
    EXPECT_EQ(out, expected.bytes);
    const TExifInfo again = ParseExif(out);
    EXPECT_EQ(again.Orientation, 1);
    EXPECT_TRUE(again.HasThumbnail());
}

TEST_P(ExifByteOrder, ASizeAboveAShortLeavesTheShortAlone) {
    const TBlock b = CameraBlock(GetParam());
    TExifPatch patch;
    patch.Width = 5;
    patch.Height = 70000;  // PixelYDimension is a SHORT
    const std::vector<std::uint8_t> out = PatchExif(b.bytes, patch);
    TBlock expected = b;
    expected.Put16(18, 1);
    expected.Put32(48, 5);
    EXPECT_EQ(out, expected.bytes);
}

TEST_P(ExifByteOrder, DroppingTheThumbnailCutsIfd1AndItFromTheEnd) {
    const TBlock b = CameraBlock(GetParam());
    TExifPatch patch;
    patch.ResetOrientation = false;
    patch.DropThumbnail = true;
    const std::vector<std::uint8_t> out = PatchExif(b.bytes, patch);
    // Everything up to IFD1 stays, with IFD0's link cleared.
    ASSERT_EQ(out.size(), 68u);
    TBlock expected = b;
    expected.Put32(34, 0);
    expected.bytes.resize(68);
    EXPECT_EQ(out, expected.bytes);
    const TExifInfo again = ParseExif(out);
    EXPECT_EQ(again.Orientation, 6);
    EXPECT_EQ(again.Ifd1Offset, 0u);
    EXPECT_FALSE(again.HasThumbnail());
}

TEST_P(ExifByteOrder, AThumbnailInTheMiddleIsZeroedInPlace) {
    TBlock b = CameraBlock(GetParam());
    b.bytes.insert(b.bytes.end(), {1, 2, 3, 4});  // data of unknown owner after it
    TExifPatch patch;
    patch.DropThumbnail = true;
    const std::vector<std::uint8_t> out = PatchExif(b.bytes, patch);
    TBlock expected = b;
    expected.Put16(18, 1);
    expected.Put32(34, 0);
    for (std::size_t i = 98; i < 102; ++i) expected.bytes[i] = 0;
    EXPECT_EQ(out, expected.bytes);
}

INSTANTIATE_TEST_SUITE_P(Exif, ExifByteOrder, ::testing::Bool(),
                         [](const auto& param) { return param.param ? std::string("Motorola") : std::string("Intel"); });

// Hostile blocks: each is ignored where it is wrong, nothing is read outside
// the data, and a patch never writes outside it.
struct THostileCase {
    const char* name;
    void (*mutate)(TBlock&);
    bool valid;
    int orientation;
    bool ifd1;
    bool thumbnail;
};

const THostileCase kHostile[] = {
    {"Ifd0OutsideTheData", [](TBlock& b) { b.Put32(4, 5000); }, false, 1, false, false},
    {"Ifd0InTheHeader", [](TBlock& b) { b.Put32(4, 2); }, false, 1, false, false},
    {"BadMagic", [](TBlock& b) { b.Put16(2, 43); }, false, 1, false, false},
    {"Ifd1LoopsBackToIfd0", [](TBlock& b) { b.Put32(34, 8); }, true, 6, false, false},
    {"Ifd1IsTheExifIfd", [](TBlock& b) { b.Put32(34, 38); }, true, 6, false, false},
    {"ExifIfdIsIfd0", [](TBlock& b) { b.Entry(22, kExifTagExifIfd, 4, 1, 8); }, true, 6, true, true},
    {"HugeEntryCount", [](TBlock& b) { b.Put16(8, 0xFFFF); }, true, 6, false, false},
    {"OrientationNine", [](TBlock& b) { b.Entry(10, kExifTagOrientation, 3, 1, 9); }, true, 1, true, true},
    {"OrientationZero", [](TBlock& b) { b.Entry(10, kExifTagOrientation, 3, 1, 0); }, true, 1, true, true},
    {"OrientationAsLong", [](TBlock& b) { b.Entry(10, kExifTagOrientation, 4, 1, 6); }, true, 1, true, true},
    {"OrientationWithHugeCount",
     [](TBlock& b) { b.Entry(10, kExifTagOrientation, 3, 0x80000000u, 6); }, true, 1, true, true},
    {"UnknownType", [](TBlock& b) { b.Entry(10, kExifTagOrientation, 99, 1, 6); }, true, 1, true, true},
    {"ThumbnailOutside", [](TBlock& b) { b.Entry(70, kExifTagThumbnailOffset, 4, 1, 100); }, true, 6, true, false},
    {"ThumbnailLengthHuge",
     [](TBlock& b) { b.Entry(82, kExifTagThumbnailLength, 4, 1, 0xFFFFFFFFu); }, true, 6, true, false},
    {"ThumbnailInTheHeader", [](TBlock& b) { b.Entry(70, kExifTagThumbnailOffset, 4, 1, 0); }, true, 6, true, false},
    {"Ifd1OutsideTheData", [](TBlock& b) { b.Put32(34, 0xFFFFFFF0u); }, true, 6, false, false},
};

class ExifHostile : public ::testing::TestWithParam<THostileCase> {};

TEST_P(ExifHostile, IsIgnoredSafely) {
    const THostileCase& c = GetParam();
    for (bool bigEndian : {false, true}) {
        SCOPED_TRACE(bigEndian ? "Motorola" : "Intel");
        TBlock b = CameraBlock(bigEndian);
        c.mutate(b);
        // An exact-size copy, so a sanitizer run sees any read past the end.
        const std::vector<std::uint8_t> data = b.bytes;
        const TExifInfo info = ParseExif(data);
        EXPECT_EQ(info.Valid, c.valid);
        EXPECT_EQ(info.Orientation, c.orientation);
        EXPECT_EQ(info.Ifd1Offset != 0, c.ifd1);
        EXPECT_EQ(info.HasThumbnail(), c.thumbnail);
        TExifPatch patch;
        patch.DropThumbnail = true;
        patch.Width = 1;
        patch.Height = 1;
        const std::vector<std::uint8_t> out = PatchExif(data, patch);
        EXPECT_LE(out.size(), data.size());
        if (c.valid) {
            EXPECT_EQ(ParseExif(out).Orientation, 1);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Exif, ExifHostile, ::testing::ValuesIn(kHostile),
                         [](const auto& param) { return std::string(param.param.name); });

// Broken parts of DirectoriesBlock are left out of a TIFF layout, the rest
// is carried; a TIFF save given a block with nothing left is the file a
// save without metadata writes.
TEST(Exif, TiffLayoutLeavesOutWhatCannotBeCarried) {
    struct TCase {
        const char* Name;
        void (*Mutate)(TBlock&);
        std::vector<int> Exif, Gps;
    };
    const std::vector<int> exif = {0x829A, 0x9003, 0xA002}, gps = {0x0000, 0x0002};
    const TCase cases[] = {
        {"sound", [](TBlock&) {}, exif, gps},
        {"not a block", [](TBlock& b) { b.Put16(2, 43); }, {}, {}},
        {"cut in ifd0", [](TBlock& b) { b.bytes.resize(30); }, {}, {}},
        {"both ifds outside", [](TBlock& b) { b.Put32(30, 5000), b.Put32(42, 0xFFFFFFF0u); }, {}, {}},
        {"both ifds are ifd0", [](TBlock& b) { b.Put32(30, 8), b.Put32(42, 8); }, {}, {}},
        {"gps ifd is the exif ifd", [](TBlock& b) { b.Put32(42, 68); }, exif, {}},
        {"value outside", [](TBlock& b) { b.Put32(78, 1000); }, {0x829A, 0xA002}, gps},
        {"ifd type", [](TBlock& b) { b.Put16(84, 13); }, {0x9003, 0xA002}, gps},
        {"no values", [](TBlock& b) { b.Put32(162, 0); }, exif, {0x0002}},
        {"offset tag", [](TBlock& b) { b.Put16(70, kExifTagThumbnailOffset); }, {0x829A, 0xA002}, gps},
        {"interoperability ifd", [](TBlock& b) { b.Entry(94, kExifTagInteropIfd, 4, 1, 68); }, {0x829A, 0x9003}, gps},
        {"tag twice", [](TBlock& b) { b.Put16(70, 0x829A); }, {0x829A, 0xA002}, gps},
        // 200 bytes of ExposureTime use up all but 10 of the block's 210.
        {"shared values beyond the block's size",
         [](TBlock& b) { b.Entry(82, 0x829A, 5, 25, 8), b.Entry(70, 0x9003, 2, 200, 8); }, {0x829A, 0xA002},
         {0x0000}},
    };
    const TDibImage picture = NoiseImage24(5, 3, 1);
    auto saveTiff = [&](const TPictureMetadata* metadata) {
        TSaveOptions options;
        options.Metadata = metadata;
        TMemoryStream stream;
        FindPictureFormat(".tif")->Write(picture, stream, options, ".tif");
        return stream.Data();
    };
    const std::vector<std::uint8_t> plain = saveTiff(nullptr);
    for (bool bigEndian : {false, true}) {
        for (const TCase& c : cases) {
            SCOPED_TRACE(std::string(c.Name) + (bigEndian ? " Motorola" : " Intel"));
            TBlock b = DirectoriesBlock(bigEndian);
            c.Mutate(b);
            const TExifForTiff laid = ExifForTiff(std::vector<std::uint8_t>(b.bytes), 8);
            EXPECT_EQ(LaidTags(laid, laid.ExifIfd), c.Exif);
            EXPECT_EQ(LaidTags(laid, laid.GpsIfd), c.Gps);
            TMetadataBlock app1{0xE1, std::vector<std::uint8_t>(kExifSignature, kExifSignature + 6)};
            app1.Data.insert(app1.Data.end(), b.bytes.begin(), b.bytes.end());
            const TPictureMetadata metadata = JpegMetadata({app1});
            if (c.Exif.empty() && c.Gps.empty()) {
                EXPECT_EQ(saveTiff(&metadata), plain);
            }
        }
    }
}

TEST(Exif, EveryPrefixOfABlockIsReadWithoutFault) {
    for (bool bigEndian : {false, true}) {
        const TBlock b = CameraBlock(bigEndian);
        for (std::size_t n = 0; n <= b.bytes.size(); ++n) {
            SCOPED_TRACE(n);
            const std::vector<std::uint8_t> prefix(b.bytes.begin(), b.bytes.begin() + std::ptrdiff_t(n));
            const TExifInfo info = ParseExif(prefix);
            // IFD0's orientation entry is whole from 22 bytes on.
            EXPECT_EQ(info.Orientation, n >= 22 ? 6 : 1);
            EXPECT_EQ(info.HasThumbnail(), n == b.bytes.size());
            TExifPatch patch;
            patch.DropThumbnail = true;
            EXPECT_LE(PatchExif(prefix, patch).size(), prefix.size());
            // The Exif IFD's entries end at 52 and 64.
            const TExifForTiff laid = ExifForTiff(prefix, 8);
            EXPECT_EQ(LaidTags(laid, laid.ExifIfd).size(), n >= 64 ? 2u : n >= 52 ? 1u : 0u);
        }
    }
}

TEST(Exif, PayloadWithoutTheSignatureHasNoTiffData) {
    const std::vector<std::uint8_t> xmp = {'h', 't', 't', 'p', ':', '/', '/'};
    EXPECT_TRUE(ExifTiffData(xmp).empty());
    const std::vector<std::uint8_t> exif = {'E', 'x', 'i', 'f', 0, 0, 'I', 'I'};
    EXPECT_EQ(ExifTiffData(exif).size(), 2u);
}

TEST(Exif, TheCommittedPhotosCarryTheirOrientation) {
    // Written by exiftool (tests/data/exif/make-test-files.sh), big-endian,
    // each with a thumbnail in IFD1.
    for (int n = 1; n <= 8; ++n) {
        SCOPED_TRACE(n);
        TJpegLoadInfo load;
        LoadJpegPicture(TestDataDir() / "exif" / ("orient-" + std::to_string(n) + ".jpg"),
                        TJPEGPerformance::jpBestQuality, &load);
        ASSERT_FALSE(load.Markers.empty());
        const TExifInfo info = ParseExif(ExifTiffData(load.Markers.front().Data));
        EXPECT_TRUE(info.Valid);
        EXPECT_TRUE(info.BigEndian);
        EXPECT_EQ(info.Orientation, n);
        EXPECT_TRUE(info.HasThumbnail());
    }
}

TEST(Exif, XmpOrientationIsResetInBothForms) {
    auto reset = [](std::string text, bool changed) {
        std::vector<std::uint8_t> bytes(text.begin(), text.end());
        EXPECT_EQ(ResetXmpOrientation(bytes), changed) << text;
        return std::string(bytes.begin(), bytes.end());
    };
    EXPECT_EQ(reset("<x tiff:Orientation=\"6\"/>", true), "<x tiff:Orientation=\"1\"/>");
    EXPECT_EQ(reset("<x tiff:Orientation = '8'/>", true), "<x tiff:Orientation = '1'/>");
    EXPECT_EQ(reset("<tiff:Orientation>3</tiff:Orientation>", true), "<tiff:Orientation>1</tiff:Orientation>");
    EXPECT_EQ(reset("<tiff:Orientation>1</tiff:Orientation>", false), "<tiff:Orientation>1</tiff:Orientation>");
    // Not an orientation value: two digits, out of range, or cut off.
    EXPECT_EQ(reset("tiff:Orientation=\"16\"", false), "tiff:Orientation=\"16\"");
    EXPECT_EQ(reset("tiff:Orientation=\"9\"", false), "tiff:Orientation=\"9\"");
    EXPECT_EQ(reset("tiff:Orientation=\"", false), "tiff:Orientation=\"");
    EXPECT_EQ(reset("tiff:Orientation", false), "tiff:Orientation");
}

}  // namespace
}  // namespace zelvo
