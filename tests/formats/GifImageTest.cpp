// The GIF codec: round trips, the writer's layout, hand-made and broken
// files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "CorpusReference.h"
#include "TestSupport.h"
#include "formats/GifImage.h"
#include "formats/GifLzw.h"
#include "image/ImageLimits.h"

namespace zelvo {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Save(const TDibImage& picture, bool transparent = false, std::uint8_t index = 0, bool interlaced = false) {
    TMemoryStream out;
    SaveGifPicture(picture, out, transparent, index, interlaced);
    return out.Data();
}

TGIFImage Load(const Bytes& data) {
    TMemoryStream in(data);
    TGIFImage gif;
    gif.LoadFromStream(in);
    return gif;
}

// Header of a file with a 2-entry global map: black, white.
Bytes Header(int width, int height, bool globalMap = true) {
    Bytes b = {'G', 'I', 'F', '8', '9', 'a', std::uint8_t(width), std::uint8_t(width >> 8), std::uint8_t(height),
               std::uint8_t(height >> 8), std::uint8_t(globalMap ? 0x80 : 0), 0, 0};
    if (globalMap) b.insert(b.end(), {0, 0, 0, 255, 255, 255});
    return b;
}

void Descriptor(Bytes& b, int left, int top, int width, int height, std::uint8_t packed = 0) {
    b.insert(b.end(), {',', std::uint8_t(left), std::uint8_t(left >> 8), std::uint8_t(top), std::uint8_t(top >> 8),
                       std::uint8_t(width), std::uint8_t(width >> 8), std::uint8_t(height), std::uint8_t(height >> 8),
                       packed});
}

// Image data with our encoder (code size 2).
void Data(Bytes& b, const Bytes& pixels, int width, int height, int colors = 2) {
    TMemoryStream s;
    GifEncodeLzw(s, pixels, width, GifRowOrder(height, false), 2, colors);
    b.insert(b.end(), s.Data().begin(), s.Data().end());
}

// Raw codes packed least significant bit first into one sub-block.
void Codes(Bytes& b, int minSize, const std::vector<std::pair<int, int>>& codes) {
    b.push_back(std::uint8_t(minSize));
    Bytes packed;
    std::uint32_t acc = 0;
    int n = 0;
    for (auto [code, size] : codes) {
        acc |= std::uint32_t(code) << n;
        n += size;
        while (n >= 8) {
            packed.push_back(std::uint8_t(acc));
            acc >>= 8;
            n -= 8;
        }
    }
    if (n > 0) packed.push_back(std::uint8_t(acc));
    b.push_back(std::uint8_t(packed.size()));
    b.insert(b.end(), packed.begin(), packed.end());
    b.push_back(0);
}

struct RoundTrip {
    int bitCount;
    int colors;
    bool interlaced;
    bool transparent;
};

class GifRoundTrip : public testing::TestWithParam<RoundTrip> {};

TEST_P(GifRoundTrip, ColoursSurviveSaveAndLoad) {
    const RoundTrip c = GetParam();
    const TDibImage source = test::NoiseImagePalette(37, 19, c.bitCount, c.colors, 11 + c.bitCount);
    const std::uint8_t index = std::uint8_t(source.GetPixels(3, 4));
    const Bytes file = Save(source, c.transparent, index, c.interlaced);
    const TGIFImage gif = Load(file);
    const TDibImage back = gif.ToDibImage();
    EXPECT_EQ(test::RgbRows(back), test::RgbRows(source));
    EXPECT_EQ(gif.Images.front().Interlaced(), c.interlaced);
    EXPECT_EQ(gif.Images.front().Transparent, c.transparent);
    if (c.transparent) {
        // The transparent entry comes after every colour in use, and
        // exactly the pixels that had the chosen index carry it.
        const std::uint8_t t = gif.Images.front().TransparentIndex();
        const auto& pixels = gif.Images.front().Pixels;
        EXPECT_EQ(*std::max_element(pixels.begin(), pixels.end()), t);
        for (int y = 0; y < source.Height(); ++y)
            for (int x = 0; x < source.Width(); ++x)
                ASSERT_EQ(back.GetPixels(x, y) == t, source.GetPixels(x, y) == index) << x << "," << y;
    }
}

INSTANTIATE_TEST_SUITE_P(Depths, GifRoundTrip,
                         testing::Values(RoundTrip{1, 2, false, false}, RoundTrip{1, 2, true, true},
                                         RoundTrip{4, 16, false, true}, RoundTrip{4, 11, true, false},
                                         RoundTrip{8, 256, false, false}, RoundTrip{8, 256, true, true},
                                         RoundTrip{8, 200, false, true}, RoundTrip{8, 97, true, false}));

TEST(GifWriter, TrueColourPictureWithFewColoursComesBackExactly) {
    TDibImage source = test::NoiseImagePalette(50, 40, 8, 256, 5);
    source.SetPixelFormat(dibPf24Bit);
    EXPECT_EQ(test::RgbRows(Load(Save(source)).ToDibImage()), test::RgbRows(source));
}

TEST(GifWriter, TrueColourPhotoComesBackAsPaletteColours) {
    const TDibImage source = test::NoiseImage24(64, 48, 9);
    const TDibImage reduced = ReduceColors(source, 7, 0, 8);
    EXPECT_EQ(test::RgbRows(Load(Save(source)).ToDibImage()), test::RgbRows(reduced));
}

// Two colours: map of 2 entries, minimum code size 2, version 89a (the
// save adds a graphic control extension), map sorted by use.
TEST(GifWriter, TwoColourFileLayout) {
    TDibImage source = test::NoiseImagePalette(9, 3, 1, 2, 1);
    TRGBQuad table[2] = {{0, 0, 255, 0}, {255, 0, 0, 0}};  // red, blue
    source.SetColorTable(table);
    for (int x = 0; x < 9; ++x)
        for (int y = 0; y < 3; ++y) source.SetPixels(x, y, x == 0 && y == 0 ? 1 : 0);
    const Bytes f = Save(source);
    ASSERT_GT(f.size(), 40u);
    EXPECT_EQ(std::string(f.begin(), f.begin() + 6), "GIF89a");
    EXPECT_EQ(f[10], 0x88);  // global map, sorted, 1 bit
    // Red is used 26 times, blue once: red first.
    EXPECT_EQ(Bytes(f.begin() + 13, f.begin() + 19), (Bytes{255, 0, 0, 0, 0, 255}));
    EXPECT_EQ(Bytes(f.begin() + 19, f.begin() + 27), (Bytes{'!', 0xF9, 4, 0, 0, 0, 0, 0}));
    EXPECT_EQ(f[27], ',');
    EXPECT_EQ(f[36], 0);  // no local map, not interlaced
    EXPECT_EQ(f[37], 2);  // minimum code size
    EXPECT_EQ(f.back(), ';');
}

TEST(GifWriter, TransparencyWithoutPixelsOfThatIndexIsNotWritten) {
    TDibImage source = test::NoiseImagePalette(8, 8, 4, 16, 2);
    for (int x = 0; x < 8; ++x)
        for (int y = 0; y < 8; ++y)
            if (source.GetPixels(x, y) == 15) source.SetPixels(x, y, 0);
    const TGIFImage gif = Load(Save(source, true, 15));
    EXPECT_FALSE(gif.Images.front().Transparent);
    EXPECT_EQ(gif.Images.front().GraphicControl->Packed & 1, 0);
}

TEST(GifWriter, RefusesSidesAboveTheFormatLimit) {
    TDibImage wide;
    wide.ReplaceData(TDibImageData::CreateDIB(65536, 1, 2, 1, false));
    TMemoryStream out;
    EXPECT_THROW(SaveGifPicture(wide, out, false, 0, false), EDibImageInvalidDIBPara);
    EXPECT_TRUE(out.Data().empty());
}

// A long run of one colour fills the table: clear codes and 12-bit codes.
TEST(GifWriter, LargePictureWithFullTablesRoundTrips) {
    const TDibImage source = test::NoiseImagePalette(700, 300, 8, 256, 4);
    EXPECT_EQ(test::RgbRows(Load(Save(source)).ToDibImage()), test::RgbRows(source));
}

// A file object with a global map and one image per entry of `images`
// (each a local map, empty for none, and its pixels, one row).
TGIFImage Made(const std::vector<TQuantColor>& global,
               const std::vector<std::pair<std::vector<TQuantColor>, Bytes>>& images) {
    TGIFImage gif;
    gif.Header.GlobalMap.Colors = global;
    for (const auto& [local, pixels] : images) {
        TGIFSubImage image;
        image.Width = std::uint16_t(pixels.size());
        image.Height = 1;
        image.LocalMap.Colors = local;
        image.Pixels = pixels;
        gif.Images.push_back(image);
        gif.Header.Width = std::max<std::uint16_t>(gif.Header.Width, image.Width);
    }
    gif.Header.Height = 1;
    return gif;
}

TEST(GifWriter, RefusedObjects) {
    const TQuantColor black{0, 0, 0}, white{255, 255, 255};
    const struct {
        const char* Name;
        TGIFImage Gif;
    } cases[] = {
        {"no image: no version", Made({black, white}, {})},
        {"index beyond the map", Made({black, white}, {{{}, {0, 1, 3}}})},
        {"index beyond a local map", Made({black, white, white, white}, {{{black, white}, {2}}})},
    };
    const char* messages[] = {"Unsupported GIF version", "Color not in color table", "Color not in color table"};
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].Name);
        TMemoryStream out;
        try {
            cases[i].Gif.SaveToStream(out);
            ADD_FAILURE() << "written";
        } catch (const GIFException& e) {
            EXPECT_EQ(std::string(e.what()), messages[i]);
        }
    }
}

// Entries of one colour merge; beyond 256 colours the rarest go to the kept
// colour whose red + green + blue total is nearest; an index beyond its map
// counts as 0.
TEST(GifColorMapOptimizer, MergesEqualColoursAndRemapsTheRest) {
    const TQuantColor red{200, 0, 0}, blue{0, 0, 90};
    // red at 0 and 2 (twice each, the 5 counts as 0), blue once: red first.
    TGIFImage merged = Made({red, blue, red}, {{{}, {0, 2, 2, 1, 5}}});
    merged.OptimizeColorMaps();
    EXPECT_EQ(merged.Header.GlobalMap.Colors, (std::vector<TQuantColor>{red, blue}));
    EXPECT_TRUE(merged.Header.GlobalMap.Optimized);
    EXPECT_EQ(merged.Images[0].Pixels, (Bytes{0, 0, 0, 1, 0}));

    // The global ramp (i, 0, 0) twice each, totals 0..255; a second image
    // with a local map of two other colours once each: (200, 100, 0), total
    // 300, goes to (255, 0, 0) and (0, 60, 40), total 100, to (100, 0, 0).
    std::vector<TQuantColor> ramp;
    Bytes twice;
    for (int i = 0; i < 256; ++i) {
        ramp.push_back({std::uint8_t(i), 0, 0});
        twice.insert(twice.end(), 2, std::uint8_t(i));
    }
    TGIFImage many = Made(ramp, {{{}, twice}, {{{200, 100, 0}, {0, 60, 40}}, {0, 1}}});
    many.OptimizeColorMaps();
    const std::vector<TQuantColor>& map = many.Header.GlobalMap.Colors;
    ASSERT_EQ(map.size(), 256u);
    EXPECT_TRUE(many.Images[1].LocalMap.Colors.empty());
    for (std::size_t k = 0; k < twice.size(); ++k) ASSERT_EQ(map[many.Images[0].Pixels[k]], ramp[twice[k]]) << k;
    EXPECT_EQ(map[many.Images[1].Pixels[0]], (TQuantColor{255, 0, 0}));
    EXPECT_EQ(map[many.Images[1].Pixels[1]], (TQuantColor{100, 0, 0}));
}

TEST(GifReader, FrameSmallerThanTheScreenIsPlacedAtItsOffset) {
    Bytes f = Header(6, 5);
    Descriptor(f, 2, 1, 3, 2);
    Data(f, {1, 0, 1, 1, 1, 0}, 3, 2);
    f.push_back(';');
    const TDibImage picture = Load(f).ToDibImage();
    ASSERT_EQ(picture.Width(), 6);
    ASSERT_EQ(picture.Height(), 5);
    const char* want[5] = {"000000", "001010", "001100", "000000", "000000"};
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 6; ++x) EXPECT_EQ(picture.GetPixels(x, y), TColor(want[y][x] - '0')) << x << "," << y;
}

TEST(GifReader, FramePartlyOutsideTheScreenIsClipped) {
    Bytes f = Header(4, 4);
    Descriptor(f, 3, 3, 3, 3);
    Data(f, Bytes(9, 1), 3, 3);
    f.push_back(';');
    const TDibImage picture = Load(f).ToDibImage();
    EXPECT_EQ(picture.GetPixels(3, 3), 1u);
    EXPECT_EQ(picture.GetPixels(2, 3), 0u);
}

// Codes at size 3: clear 4, end 5. "1, 6" where 6 is the next free code
// (the previous string followed by its first character): 1, 1 1.
TEST(GifReader, CodeEqualToNextFreeRepeatsThePreviousString) {
    Bytes f = Header(3, 1);
    Descriptor(f, 0, 0, 3, 1);
    Codes(f, 2, {{4, 3}, {1, 3}, {6, 3}, {5, 3}});
    f.push_back(';');
    const TDibImage picture = Load(f).ToDibImage();
    for (int x = 0; x < 3; ++x) EXPECT_EQ(picture.GetPixels(x, 0), 1u);
}

// A code beyond the next free one (7 when 6 is next), or a table code
// straight after a clear, stops decoding; the pixels so far stay.
TEST(GifReader, UndecodableCodesKeepThePixelsSoFar) {
    const struct {
        std::vector<std::pair<int, int>> Codes;
        int Decoded;
    } cases[] = {{{{4, 3}, {1, 3}, {7, 3}, {1, 3}}, 1}, {{{4, 3}, {1, 3}, {1, 3}, {4, 3}, {6, 3}, {1, 3}}, 2}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Decoded);
        Bytes f = Header(2, 2);
        Descriptor(f, 0, 0, 2, 2);
        Codes(f, 2, c.Codes);
        f.push_back(';');
        const TDibImage picture = Load(f).ToDibImage();
        for (int i = 0; i < 4; ++i) EXPECT_EQ(picture.GetPixels(i % 2, i / 2), i < c.Decoded ? 1u : 0u) << i;
    }
}

TEST(GifReader, TruncatedFileKeepsTheDecodedRows) {
    TDibImage source = test::NoiseImagePalette(40, 40, 8, 256, 8);
    const Bytes full = Save(source, false, 0, true);
    const TDibImage whole = Load(full).ToDibImage();
    const Bytes cut(full.begin(), full.begin() + std::ptrdiff_t(full.size() * 2 / 3));
    const TDibImage part = Load(cut).ToDibImage();
    // Interlaced: the first pass (rows 0, 8, ...) is complete; the last
    // row is from the fourth pass and still index 0.
    for (int y = 0; y < 40; y += 8) EXPECT_EQ(std::memcmp(part.ScanLineRead(y), whole.ScanLineRead(y), 40), 0) << y;
    EXPECT_EQ(part.ScanLineRead(39)[39], 0);
}

TEST(GifReader, GraphicControlExtensionIsReadByItsBlockLength) {
    // A block of 5 bytes (one more than usual) must not shift the image.
    Bytes f = Header(2, 1);
    f.insert(f.end(), {'!', 0xF9, 5, 1, 0, 0, 1, 0xAA, 0});
    Descriptor(f, 0, 0, 2, 1);
    Data(f, {0, 1}, 2, 1);
    f.push_back(';');
    const TGIFImage gif = Load(f);
    EXPECT_TRUE(gif.Images.front().Transparent);
    EXPECT_EQ(gif.Images.front().TransparentIndex(), 1);
    EXPECT_EQ(gif.ToDibImage().GetPixels(1, 0), 1u);
}

TEST(GifReader, IndicesBeyondTheMapGetBlackPaletteEntries) {
    Bytes f = Header(3, 1, /*globalMap=*/false);
    Descriptor(f, 0, 0, 3, 1);
    Data(f, {0, 1, 3}, 3, 1, 4);
    f.push_back(';');
    const TDibImage picture = Load(f).ToDibImage();
    EXPECT_EQ(picture.ColorsUsed(), 256);
    EXPECT_EQ(picture.GetPixels(2, 0), 3u);
    EXPECT_EQ(picture.ColorTable()[3], TRGBQuad{});
}

TEST(GifReader, OnlyTheFirstImageIsDecoded) {
    Bytes f = Header(2, 1);
    Descriptor(f, 0, 0, 2, 1);
    Data(f, {1, 0}, 2, 1);
    Descriptor(f, 0, 0, 60000, 60000);  // skipped by its sub-blocks
    Data(f, {0, 0}, 2, 1);
    f.push_back(';');
    const TGIFImage gif = Load(f);
    ASSERT_EQ(gif.Images.size(), 2u);
    EXPECT_TRUE(gif.Images[1].Pixels.empty());
    EXPECT_EQ(gif.ToDibImage().GetPixels(0, 0), 1u);
}

TEST(GifReader, FileCutInTheSecondImageKeepsTheFirst) {
    Bytes f = Header(2, 1);
    Descriptor(f, 0, 0, 2, 1);
    Data(f, {1, 0}, 2, 1);
    f.insert(f.end(), {',', 0, 0, 0});  // cut inside the next descriptor
    const TGIFImage gif = Load(f);
    ASSERT_EQ(gif.Images.size(), 1u);
    EXPECT_EQ(gif.ToDibImage().GetPixels(0, 0), 1u);
}

struct BadFile {
    const char* name;
    Bytes data;
    const char* message;
};

Bytes WithCodeSize(int size) {
    Bytes f = Header(2, 1);
    Descriptor(f, 0, 0, 2, 1);
    f.insert(f.end(), {std::uint8_t(size), 1, 0, 0, ';'});
    return f;
}

Bytes Huge(int screen, int frame) {
    Bytes f = Header(screen, screen);
    Descriptor(f, 0, 0, frame, frame);
    f.insert(f.end(), {2, 0, ';'});
    return f;
}

TEST(GifReader, BadFilesAreRefused) {
    const char* para = "TDibImageData.CreateDIB: Invalid Parameters";
    const std::vector<BadFile> cases = {
        {"not a GIF", {'P', 'N', 'G', '8', '9', 'a', 0, 0, 0, 0, 0, 0, 0}, "Invalid GIF signature"},
        {"code size 1", WithCodeSize(1), para},
        {"code size 12", WithCodeSize(12), para},
        {"65535 x 65535 screen", Huge(65535, 1), para},
        {"65535 x 65535 frame", Huge(100, 65535), para},
        {"0 x 0 screen", Huge(0, 1), para},
        {"header only", Header(2, 2), kSReadError},
        {"trailer but no image", [] { Bytes f = Header(2, 2); f.push_back(';'); return f; }(), kSReadError},
        {"unknown block", [] { Bytes f = Header(2, 2); f.push_back('x'); return f; }(), kSReadError},
        {"zeros to the end", [] { Bytes f = Header(2, 2); f.insert(f.end(), 50, 0); return f; }(), kSReadError},
        {"unknown extension", [] { Bytes f = Header(2, 2); f.insert(f.end(), {'!', 0x33, 0}); return f; }(),
         "Unknown extension type"},
        {"cut in the descriptor", [] { Bytes f = Header(2, 2); f.insert(f.end(), {',', 0, 0}); return f; }(),
         kSReadError},
    };
    for (const BadFile& c : cases) {
        SCOPED_TRACE(c.name);
        TMemoryStream in(c.data);
        TGIFImage gif;
        try {
            gif.LoadFromStream(in);
            ADD_FAILURE() << "loaded";
        } catch (const Exception& e) {
            EXPECT_EQ(std::string(e.what()), c.message);
        }
        EXPECT_EQ(in.Position(), 0);
    }
}

// Every prefix of a small file either loads or is refused with one of the
// codec's own exceptions.
TEST(GifReader, EveryPrefixIsHandled) {
    const Bytes file = Save(test::NoiseImagePalette(13, 7, 4, 16, 3), true, 2, true);
    for (std::size_t n = 0; n < file.size(); ++n) {
        SCOPED_TRACE(n);
        TMemoryStream in(Bytes(file.begin(), file.begin() + std::ptrdiff_t(n)));
        TGIFImage gif;
        try {
            gif.LoadFromStream(in);
            const TDibImage picture = gif.ToDibImage();
            EXPECT_EQ(picture.Width(), 13);
        } catch (const Exception&) {
        }
    }
}


// The transparent-colour pick reads an index off the picture's GIF form;
// once the save has made the octree reduction the default, that index is
// the one the save turns transparent, also for a 24-bit picture.
TEST(GifPaletteForm, PickedIndexIsTheOneTheSaveMakesTransparent) {
    TDibImage photo = test::NoiseImagePalette(30, 20, 8, 50, 6);
    photo.SetPixelFormat(dibPf24Bit);
    (void)Save(photo);  // the first save sets the octree default
    EXPECT_EQ(GIFDefaultReduction().Method, 7);
    const TDibImage form = GifPaletteForm(photo);
    ASSERT_EQ(form.BitCount(), 8);
    const std::uint8_t picked = std::uint8_t(form.GetPixels(5, 7));
    const TGIFImage gif = Load(Save(photo, true, picked));
    const TDibImage back = gif.ToDibImage();
    const std::uint8_t t = gif.Images.front().TransparentIndex();
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 30; ++x)
            ASSERT_EQ(back.GetPixels(x, y) == t, photo.GetPixels(x, y) == photo.GetPixels(5, 7)) << x << "," << y;
    // Palette pictures are their own GIF form.
    const TDibImage four = test::NoiseImagePalette(9, 9, 4, 16, 1);
    EXPECT_TRUE(test::SamePixels(GifPaletteForm(four), four));
}

}  // namespace
}  // namespace zelvo
