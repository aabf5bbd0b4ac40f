#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "TestSupport.h"
#include "effects/Geometry.h"
#include "reference/GeometryReference.h"

namespace zelvo::effects {
namespace {

using test::NoiseImage24;
using test::NoiseImagePalette;
using test::PixelValue;
using test::SamePixels;

// A picture of any depth filled with seeded noise.
TDibImage Noise(int width, int height, int bits, std::uint32_t seed, bool topDown = false) {
    if (bits == 24) return NoiseImage24(width, height, seed, topDown);
    return NoiseImagePalette(width, height, bits, 1 << std::min(bits, 8), seed, topDown);
}

struct DepthCase {
    int bits;
    int width;
    int height;
    bool topDown;
};

class GeometryDepthTest : public ::testing::TestWithParam<DepthCase> {};

// Odd sizes put pixels in partly used bytes; the larger ones cross the
// tiles and bands of the fast forms.
INSTANTIATE_TEST_SUITE_P(AllDepths, GeometryDepthTest,
                         ::testing::Values(DepthCase{1, 13, 7, false}, DepthCase{1, 70, 33, true},
                                           DepthCase{4, 9, 5, false}, DepthCase{4, 67, 45, true},
                                           DepthCase{8, 3, 2, false}, DepthCase{8, 131, 70, true},
                                           DepthCase{24, 5, 3, true}, DepthCase{24, 129, 66, false},
                                           DepthCase{24, 1100, 3, false}, DepthCase{8, 45, 530, true},
                                           DepthCase{8, 1037, 35, false}, DepthCase{24, 37, 1030, false},
                                           DepthCase{24, 517, 71, true}, DepthCase{24, 6, 4, false},
                                           DepthCase{8, 16, 16, false}));

// Restores the block-form setting when a test ends.
struct SimdSetting {
    explicit SimdSetting(bool enabled) : previous(SetGeometrySimd(enabled)) {}
    ~SimdSetting() { SetGeometrySimd(previous); }
    bool previous;
};

TEST_P(GeometryDepthTest, QuarterTurnsMirrorFlipAndShiftMatchTheLiteralForms) {
    const auto [bits, w, h, topDown] = GetParam();
    const TDibImage source = Noise(w, h, bits, 7u + unsigned(w), topDown);
    std::string why;

    // The block forms (16 x 16 and 4 x 4 blocks in bands of 512 rows, mirror
    // blocks of 16 pixels) and the plain loops.
    for (bool simd : {true, false}) {
        SCOPED_TRACE(simd ? "blocks" : "plain loops");
        const SimdSetting setting(simd);
        for (bool clockwise : {true, false}) {
            SCOPED_TRACE(clockwise ? "clockwise" : "counter-clockwise");
            const TDibImage turned = Rotate90(source, clockwise, {});
            EXPECT_EQ(turned.Width(), h);
            EXPECT_EQ(turned.Height(), w);
            EXPECT_TRUE(SamePixels(turned, test::Rotate90Literal(source, clockwise), &why)) << why;
        }
        TDibImage work(source);
        Mirror(work, {});
        EXPECT_TRUE(SamePixels(work, test::MirrorLiteral(source), &why)) << why;
        Mirror(work, {});
        EXPECT_TRUE(SamePixels(work, source, &why)) << "mirror twice: " << why;
    }
    {
        TDibImage work(source);
        Flip(work, {});
        EXPECT_TRUE(SamePixels(work, test::FlipLiteral(source), &why)) << why;
    }
    for (auto [dx, dy] : std::vector<std::pair<int, int>>{{1, 0}, {-3, 2}, {w - 1, -(h - 1)}, {w * 2 + 5, h * 3}}) {
        SCOPED_TRACE(testing::Message() << "shift " << dx << "," << dy);
        TDibImage work(source);
        ShiftImage(work, dx, dy);
        EXPECT_TRUE(SamePixels(work, test::ShiftLiteral(source, dx, dy), &why)) << why;
    }
    // The source the operations read is never changed (copy-on-write).
    EXPECT_TRUE(SamePixels(source, Noise(w, h, bits, 7u + unsigned(w), topDown), &why)) << why;
}

TEST(Rotate90Test, ClockwiseThreeByTwoPutsTopLeftAtTopRight) {
    // Source (indices):  1 2 3      clockwise:  4 1      counter-clockwise:  3 6
    //                    4 5 6                  5 2                          2 5
    //                                           6 3                          1 4
    TDibImage source = NoiseImagePalette(3, 2, 8, 16, 1);
    for (int i = 0; i < 6; ++i) source.SetPixels(i % 3, i / 3, i + 1);
    const TDibImage cw = Rotate90(source, true, {});
    const TDibImage ccw = Rotate90(source, false, {});
    const std::vector<int> expectCw{4, 1, 5, 2, 6, 3}, expectCcw{3, 6, 2, 5, 1, 4};
    ASSERT_EQ(cw.Width(), 2);
    ASSERT_EQ(cw.Height(), 3);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(cw.GetPixels(i % 2, i / 2), expectCw[std::size_t(i)]) << i;
        EXPECT_EQ(ccw.GetPixels(i % 2, i / 2), expectCcw[std::size_t(i)]) << i;
    }
    // Depth and colour table stay.
    EXPECT_EQ(cw.PixelFormat(), dibPf8Bit);
    EXPECT_EQ(cw.ColorsUsed(), 16);
    EXPECT_EQ(0, std::memcmp(cw.ColorTable(), source.ColorTable(), 16 * sizeof(TRGBQuad)));
}

TEST(GeometryPaletteTest, OneAndFourBitPicturesKeepDepthAndPalette) {
    for (int bits : {1, 4, 8}) {
        SCOPED_TRACE(bits);
        const TDibImage source = Noise(11, 6, bits, 3);
        TDibImage mirrored(source), flipped(source);
        Mirror(mirrored, {});
        Flip(flipped, {});
        for (const TDibImage* result : {&mirrored, &flipped}) {
            EXPECT_EQ(result->BitCount(), bits);
            EXPECT_EQ(result->ColorsUsed(), source.ColorsUsed());
            EXPECT_EQ(0, std::memcmp(result->ColorTable(), source.ColorTable(),
                                     std::size_t(source.ColorsUsed()) * sizeof(TRGBQuad)));
        }
        const TDibImage turned = Rotate90(source, true, {});
        EXPECT_EQ(turned.BitCount(), bits);
        EXPECT_EQ(0, std::memcmp(turned.ColorTable(), source.ColorTable(),
                                 std::size_t(source.ColorsUsed()) * sizeof(TRGBQuad)));
    }
}

TEST(GeometryRleTest, RleSourcesAreDecodedInTheirOwnDepth) {
    // A flat 8-bit picture codes well as RLE8.
    TDibImage source = NoiseImagePalette(40, 10, 8, 4, 9);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 40; ++x) source.SetPixels(x, y, x < 20 ? 1 : 2);
    TDibImage rle(source);
    rle.SetPixelFormat(dibPf8BitRLE);
    ASSERT_EQ(rle.PixelFormat(), dibPf8BitRLE);
    TDibImage mirrored(rle);
    Mirror(mirrored, {});
    std::string why;
    EXPECT_TRUE(SamePixels(mirrored, test::MirrorLiteral(source), &why)) << why;
    EXPECT_TRUE(SamePixels(Rotate90(rle, true, {}), test::Rotate90Literal(source, true), &why)) << why;
}

TEST(GeometryProgressTest, ReportsFollowRowsAndColumns) {
    const TDibImage source = NoiseImage24(5, 4, 2);
    std::vector<int> seen;
    auto record = [&](int p) { seen.push_back(p); };
    Rotate90(source, true, record);
    EXPECT_EQ(seen, (std::vector<int>{25, 50, 75, 100}));
    seen.clear();
    TDibImage work(source);
    // Width 5: columns 0, 1, 2 are swapped: 40, 80 and 120 limited to 100.
    Mirror(work, record);
    EXPECT_EQ(seen, (std::vector<int>{40, 80, 100}));
    seen.clear();
    Flip(work, record);
    EXPECT_EQ(seen, (std::vector<int>{20, 40, 60, 80, 100}));
}

TEST(FlipTest, OddHeightKeepsTheMiddleRow) {
    const TDibImage source = NoiseImage24(6, 5, 4);
    TDibImage work(source);
    Flip(work, {});
    EXPECT_EQ(0, std::memcmp(work.ScanLineRead(2), source.ScanLineRead(2), 18));
    EXPECT_EQ(0, std::memcmp(work.ScanLineRead(0), source.ScanLineRead(4), 18));
}

TEST(ShiftImageTest, TenPixelsRightWrapsTheLastColumnsToTheLeft) {
    TDibImage work = NoiseImage24(100, 3, 5);
    const TDibImage source(work);
    ShiftImage(work, 10, 0);
    for (int y = 0; y < 3; ++y) {
        EXPECT_EQ(work.GetPixels(10, y), source.GetPixels(0, y));
        EXPECT_EQ(work.GetPixels(5, y), source.GetPixels(95, y));
        EXPECT_EQ(work.GetPixels(99, y), source.GetPixels(89, y));
    }
    // A whole turn changes nothing.
    TDibImage same(source);
    ShiftImage(same, 100, -3);
    EXPECT_TRUE(SamePixels(same, source));
}

TEST(RotateAngleTest, QuarterAndHalfTurnsEqualTheExactTurns) {
    const TDibImage source = NoiseImage24(4, 2, 11);
    RotateAngleParams params;
    params.AngleTenths = 900;
    const TDibImage cw = RotateAngle(source, params, {});
    ASSERT_EQ(cw.Width(), 2);
    ASSERT_EQ(cw.Height(), 4);
    std::string why;
    EXPECT_TRUE(SamePixels(cw, Rotate90(source, true, {}), &why)) << why;
    params.AngleTenths = -900;
    EXPECT_TRUE(SamePixels(RotateAngle(source, params, {}), Rotate90(source, false, {}), &why)) << why;

    const TDibImage odd = NoiseImage24(7, 5, 12);
    params.AngleTenths = 1800;
    TDibImage halfTurn(odd);
    Mirror(halfTurn, {});
    Flip(halfTurn, {});
    EXPECT_TRUE(SamePixels(RotateAngle(odd, params, {}), halfTurn, &why)) << why;
    params.AngleTenths = 0;
    EXPECT_TRUE(SamePixels(RotateAngle(odd, params, {}), odd, &why)) << why;
}

TEST(RotateAngleTest, FortyFiveDegreesEnlargesAndFillsTheCornersWithTheBackground) {
    const TDibImage source = NoiseImage24(100, 100, 13);
    RotateAngleParams params;
    params.AngleTenths = 450;
    params.Background = clBtnFace;  // resolved to the theme's RGB value
    const TDibImage turned = RotateAngle(source, params, {});
    // 100 cos 45 + 100 sin 45 = 141.42 -> 141.
    ASSERT_EQ(turned.Width(), 141);
    ASSERT_EQ(turned.Height(), 141);
    const TColor bg = ColorToRGB(clBtnFace);
    for (auto [x, y] : std::vector<std::pair<int, int>>{{0, 0}, {140, 0}, {0, 140}, {140, 140}, {10, 10}})
        EXPECT_EQ(turned.GetPixels(x, y), bg) << x << "," << y;
    std::string why;
    EXPECT_TRUE(SamePixels(turned, test::RotateAngleLiteral(source, 450, [&] {
                               TDibImage start = test::BlankLike(turned, 141, 141);
                               for (int y = 0; y < 141; ++y)
                                   for (int x = 0; x < 141; ++x) start.SetPixels(x, y, bg);
                               return start;
                           }()),
                           &why))
        << why;
}

TEST(RotateAngleTest, StartContentStaysOutsideTheTurnedSource) {
    const TDibImage source = NoiseImage24(30, 20, 14);
    for (int angle : {300, -1234, 1799, 37}) {
        SCOPED_TRACE(angle);
        const TSize size = RotatedSize(30, 20, angle, true);
        const TDibImage start = NoiseImage24(size.Width, size.Height, 15);
        RotateAngleParams params;
        params.AngleTenths = angle;
        params.StartContent = &start;
        std::string why;
        EXPECT_TRUE(SamePixels(RotateAngle(source, params, {}), test::RotateAngleLiteral(source, angle, start), &why))
            << why;
        // Without enlarging the destination keeps the source size.
        const TDibImage same = NoiseImage24(30, 20, 16);
        params.Enlarge = false;
        params.StartContent = &same;
        EXPECT_TRUE(SamePixels(RotateAngle(source, params, {}), test::RotateAngleLiteral(source, angle, same), &why))
            << why;
        // A start picture of the wrong size is refused.
        const TDibImage wrong = NoiseImage24(5, 5, 17);
        params.StartContent = &wrong;
        EXPECT_THROW(RotateAngle(source, params, {}), EDibImageInvalidDIBPara);
    }
}

TEST(RotateAngleTest, PalettePicturesComeBackAt24Bits) {
    const TDibImage source = NoiseImagePalette(9, 4, 4, 16, 3);
    RotateAngleParams params;
    params.AngleTenths = 900;
    const TDibImage turned = RotateAngle(source, params, {});
    EXPECT_EQ(turned.PixelFormat(), dibPf24Bit);
    TDibImage expected = Rotate90(source, true, {});
    expected.SetPixelFormat(dibPf24Bit);
    EXPECT_TRUE(SamePixels(turned, expected));
}

TEST(AddMarginsTest, MarginsOfOneTwoThreeFourAroundTenByTen) {
    const TDibImage source = NoiseImagePalette(10, 10, 8, 200, 21);
    MarginParams params{1, 2, 4, 3, clBlue};  // top, bottom, left, right
    const TDibImage result = AddMargins(source, params, {});
    ASSERT_EQ(result.Width(), 17);   // 10 + 4 + 3
    ASSERT_EQ(result.Height(), 13);  // 10 + 1 + 2
    EXPECT_EQ(result.PixelFormat(), dibPf24Bit);
    TDibImage expanded(source);
    expanded.SetPixelFormat(dibPf24Bit);
    for (int y = 0; y < 13; ++y)
        for (int x = 0; x < 17; ++x) {
            const bool inside = x >= 4 && x < 14 && y >= 1 && y < 11;
            EXPECT_EQ(result.GetPixels(x, y), inside ? expanded.GetPixels(x - 4, y - 1) : clBlue) << x << "," << y;
        }
    EXPECT_THROW(AddMargins(source, MarginParams{-1, 0, 0, 0, clBlack}, {}), EDibImageInvalidDIBPara);
    EXPECT_THROW(AddMargins(source, MarginParams{70000, 0, 70000, 0, clBlack}, {}), EDibImageInvalidDIBPara);
}

TEST(CropTest, CoordinatesAreOrderedAndLimitedToThePicture) {
    EXPECT_EQ(ClampCropRect({0, 0}, {10000, 10000}, 640, 480), Rect(0, 0, 640, 480));
    EXPECT_EQ(ClampCropRect({300, 200}, {-5, 10}, 640, 480), Rect(0, 10, 300, 200));
    EXPECT_TRUE(ClampCropRect({700, 10}, {900, 20}, 640, 480).IsEmpty());
}

TEST(CropTest, CropKeepsDepthAndReadsUnalignedColumns) {
    for (int bits : {1, 4, 8, 24}) {
        SCOPED_TRACE(bits);
        const TDibImage source = Noise(23, 9, bits, 31);
        // Corners given in reverse order; column 3 is inside a byte for 1
        // and 4 bits.
        const TDibImage crop = CropRect(source, Rect(20, 8, 3, 2));
        ASSERT_EQ(crop.Width(), 17);
        ASSERT_EQ(crop.Height(), 6);
        EXPECT_EQ(crop.BitCount(), bits);
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 17; ++x) ASSERT_EQ(PixelValue(crop, x, y), PixelValue(source, x + 3, y + 2));
        // Outside the picture the crop is 0.
        const TDibImage outside = CropRect(source, Rect(20, 7, 26, 10));
        EXPECT_EQ(PixelValue(outside, 2, 1), PixelValue(source, 22, 8));
        EXPECT_EQ(PixelValue(outside, 3, 1), 0u);
        EXPECT_EQ(PixelValue(outside, 0, 2), 0u);
    }
    EXPECT_THROW(CropRect(NoiseImage24(4, 4, 1), Rect(2, 0, 2, 4)), EDibImageInvalidDIBPara);
}

}  // namespace
}  // namespace zelvo::effects
