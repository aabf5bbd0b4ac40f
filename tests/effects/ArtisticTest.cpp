#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "TestSupport.h"
#include "effects/Artistic.h"
#include "effects/Blur.h"
#include "effects/Distort.h"
#include "effects/Random.h"
#include "effects/Rounding.h"
#include "image/Exceptions.h"

namespace zelvo {
namespace {

using namespace zelvo::effects;

TColor Grey(int c) { return RGB(std::uint8_t(c), std::uint8_t(c), std::uint8_t(c)); }

TDibImage Flat(int width, int height, TColor color) { return test::FlatImage24(width, height, color); }

// The colours of a palette picture as a 24-bit picture.
TDibImage Expand(const TDibImage& palette) {
    TDibImage rgb = Flat(palette.Width(), palette.Height(), clBlack);
    const TRGBQuad* table = palette.ColorTable();
    for (int y = 0; y < palette.Height(); ++y)
        for (int x = 0; x < palette.Width(); ++x) {
            const TRGBQuad& q = table[palette.GetPixels(x, y)];
            rgb.SetPixels(x, y, RGB(q.rgbRed, q.rgbGreen, q.rgbBlue));
        }
    return rgb;
}

// --- random generator ----------------------------------------------------------------

TEST(Random, SequenceFromStateZero) {
    SetRandSeed(0);
    // state 1, then 134775814, 3698175007, ...: Random(n) = state x n shr 32.
    EXPECT_EQ(Random(100), 0);
    EXPECT_EQ(Random(100), 3);
    EXPECT_EQ(Random(100), 86);
    EXPECT_EQ(Random(0), 0);  // advances all the same
    EXPECT_EQ(RandSeed(), 870078620u);
    EXPECT_EQ(Random(7), 1);
    EXPECT_EQ(Random(255), 171);
    EXPECT_EQ(RandSeed(), 2884733762u);
}

// --- own-format effects at every depth -------------------------------------------------

// Spray, wave, glass and punch/pinch move whole pixel values: run on a
// palette picture they keep its depth and colour table, and its colours
// are those of the same run on the 24-bit picture of the same colours.
TEST(OwnFormat, EveryDepthMovesTheSameColoursAsTwentyFourBits) {
    struct Op {
        std::string name;
        std::function<void(TDibImage&)> run;
    };
    const std::vector<Op> ops = {
        {"Spray 9", [](TDibImage& i) { Spray(i, {9}); }},
        {"Wave 3", [](TDibImage& i) { Wave(i, {3, 3, false, 3}); }},
        {"Wave wrap", [](TDibImage& i) { Wave(i, {2, 5, true, 40}); }},
        {"Glass 0", [](TDibImage& i) { GlassMosaic(i, {0, 4}); }},
        {"Glass 2", [](TDibImage& i) { GlassMosaic(i, {2, 3}); }},
        {"Punch", [](TDibImage& i) { Explode(i, {-60}); }},
        {"Pinch", [](TDibImage& i) { Explode(i, {100}); }},
    };
    for (int bits : {1, 4, 8, 24}) {
        for (const Op& op : ops) {
            SCOPED_TRACE(op.name + " at " + std::to_string(bits) + " bits");
            TDibImage own = bits == 24 ? test::NoiseImage24(23, 17, 40) : test::NoiseImagePalette(23, 17, bits, 1 << bits, 40);
            TDibImage rgb = bits == 24 ? own : Expand(own);
            SetRandSeed(77);
            op.run(own);
            SetRandSeed(77);
            op.run(rgb);
            ASSERT_EQ(own.BitCount(), bits);
            EXPECT_TRUE(test::SamePixels(bits == 24 ? own : Expand(own), rgb));
        }
    }
}

TEST(OwnFormat, NeutralLevelsChangeNothing) {
    for (int bits : {1, 4, 8, 24}) {
        SCOPED_TRACE(bits);
        TDibImage image = bits == 24 ? test::NoiseImage24(9, 8, 1) : test::NoiseImagePalette(9, 8, bits, 1 << bits, 1);
        const TDibImage before = image;
        Spray(image, {1});  // c is always 0
        Wave(image, {0, 5, false, 9});
        Explode(image, {0});
        GlassMosaic(image, {0, 1});  // a band of one row would never advance
        GlassMosaic(image, {0, 0});
        EXPECT_TRUE(test::SamePixels(image, before));
    }
}

TEST(GlassMosaic, OnlyWholeBandsShortOfTheEdgeAreTurned) {
    // Size 8 on 16 rows: band 0 is turned, except that its middle rows 3
    // and 4 are exchanged twice and keep their order; band 8 would reach
    // the edge.
    TDibImage image = test::NoiseImage24(3, 16, 2);
    const TDibImage before = image;
    std::vector<int> seen;
    GlassMosaic(image, {1, 8}, [&](int p) { seen.push_back(p); });
    for (int y = 0; y < 16; ++y) {
        const int from = y < 8 && y != 3 && y != 4 ? 7 - y : y;
        for (int x = 0; x < 3; ++x) EXPECT_EQ(image.GetPixels(x, y), before.GetPixels(x, from)) << x << "," << y;
    }
    EXPECT_EQ(seen, std::vector<int>{56});  // (0 + 8 + 1) x 100 div 16
}

TEST(Wave, EachPixelTakesTheRoundedSineSource) {
    // Period 1, amplitude 1: pixel (x, y) reads (Round(sin y + x), Round(y + sin x)).
    TDibImage image = test::NoiseImage24(5, 4, 3);
    const TDibImage before = image;
    Wave(image, {1, 1, false, 1});
    // (1, 0): source (1, Round(0 + 0.84)) = (1, 1); (0, 2): (Round(0.91), 2) = (1, 2).
    EXPECT_EQ(image.GetPixels(1, 0), before.GetPixels(1, 1));
    EXPECT_EQ(image.GetPixels(0, 2), before.GetPixels(1, 2));
    // (0, 0): source (0, 0) itself.
    EXPECT_EQ(image.GetPixels(0, 0), before.GetPixels(0, 0));
}

// --- 24-bit effects ---------------------------------------------------------------------

TEST(Noise, LevelOneChangesNothingAndNoiseIsReproducible) {
    TDibImage image = test::NoiseImage24(8, 6, 4);
    const TDibImage before = image;
    Noise(image, {1, true});
    EXPECT_TRUE(test::SamePixels(image, before));
    TDibImage a = before, b = before;
    SetRandSeed(5);
    Noise(a, {40, false});
    SetRandSeed(5);
    Noise(b, {40, false});
    EXPECT_TRUE(test::SamePixels(a, b));
    EXPECT_FALSE(test::SamePixels(a, before));
    // Without colour one value goes to all three channels.
    TDibImage grey = Flat(6, 6, Grey(100));
    Noise(grey, {50, false});
    for (int x = 0; x < 6; ++x) {
        const TColor c = grey.GetPixels(x, 3);
        EXPECT_EQ(GetRValue(c), GetGValue(c));
        EXPECT_EQ(GetGValue(c), GetBValue(c));
    }
}

TEST(Block, MosaicAveragesWholeBlocksAndLeavesTheRest) {
    // Size 8 on 20 x 20: four 8 x 8 blocks, each filled with its mean and
    // lightened by 30 along its first row and column; the last 4 columns
    // and rows stay.
    TDibImage image = test::NoiseImage24(20, 20, 6);
    const TDibImage before = image;
    Block(image, {8, 8, false, false, true});
    for (int by = 0; by < 2; ++by)
        for (int bx = 0; bx < 2; ++bx) {
            int sum[3] = {0, 0, 0};
            for (int y = 0; y < 8; ++y)
                for (int x = 0; x < 8; ++x) {
                    const TColor c = before.GetPixels(bx * 8 + x, by * 8 + y);
                    sum[0] += GetRValue(c), sum[1] += GetGValue(c), sum[2] += GetBValue(c);
                }
            // A mean of 64 values is a multiple of 1/64: a half is possible.
            const TColor mean = RGB(ClampRound(sum[0] / 64.0L), ClampRound(sum[1] / 64.0L), ClampRound(sum[2] / 64.0L));
            const TColor light = RGB(std::uint8_t(std::min(255, GetRValue(mean) + 30)),
                                     std::uint8_t(std::min(255, GetGValue(mean) + 30)),
                                     std::uint8_t(std::min(255, GetBValue(mean) + 30)));
            for (int y = 0; y < 8; ++y)
                for (int x = 0; x < 8; ++x)
                    ASSERT_EQ(image.GetPixels(bx * 8 + x, by * 8 + y), x == 0 || y == 0 ? light : mean) << x << "," << y;
        }
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x)
            if (x >= 16 || y >= 16) {
                ASSERT_EQ(image.GetPixels(x, y), before.GetPixels(x, y));
            }
}

TEST(Block, EdgesAndStaggeredRows) {
    // Flat 100, blocks 4 x 2, fill and frame: each block's last row and last
    // column get -30.
    TDibImage image = Flat(8, 4, Grey(100));
    Block(image, {4, 2, false, true, true});
    EXPECT_EQ(image.GetPixels(0, 0), Grey(100));
    EXPECT_EQ(image.GetPixels(3, 0), Grey(70));
    EXPECT_EQ(image.GetPixels(0, 1), Grey(70));
    EXPECT_EQ(image.GetPixels(3, 1), Grey(70));  // the corner once
    // Without frame lines: first row and first column +30.
    image = Flat(8, 4, Grey(100));
    Block(image, {4, 2, false, false, true});
    EXPECT_EQ(image.GetPixels(0, 0), Grey(130));
    EXPECT_EQ(image.GetPixels(1, 1), Grey(100));
    EXPECT_EQ(image.GetPixels(4, 1), Grey(130));
    // Offset: the second block row starts with a block of 2, so column 1 is
    // a last column there and column 3 is not.
    image = Flat(8, 4, Grey(100));
    Block(image, {4, 2, true, true, true});
    EXPECT_EQ(image.GetPixels(1, 2), Grey(70));
    EXPECT_EQ(image.GetPixels(3, 2), Grey(100));
    EXPECT_EQ(image.GetPixels(7, 2), Grey(70));
}

TEST(Button3D, FrameDeltas) {
    struct Case {
        bool sunken, smooth;
        TFrameDeltas d;
    } cases[] = {{false, false, {64, 83, -63, -82}},
                 {false, true, {64, 83, -105, -136}},
                 {true, false, {-63, -82, 64, 83}},
                 {true, true, {-105, -136, 64, 83}}};
    for (const Case& c : cases) {
        const TFrameDeltas d = Button3DDeltas({2, c.sunken, c.smooth, 2});
        EXPECT_EQ(d.Left, c.d.Left);
        EXPECT_EQ(d.Top, c.d.Top);
        EXPECT_EQ(d.Right, c.d.Right);
        EXPECT_EQ(d.Bottom, c.d.Bottom);
    }
    // Strength is limited to 1..5: 9 gives base 160, 0 gives 32.
    EXPECT_EQ(Button3DDeltas({2, false, false, 9}).Left, 160);
    EXPECT_EQ(Button3DDeltas({2, false, false, 0}).Left, 32);
}

TEST(Button3D, MitredPartsOnAFlatPicture) {
    TDibImage image = Flat(10, 10, Grey(100));
    Button3D(image, {2, false, false, 2});
    EXPECT_EQ(image.GetPixels(5, 0), Grey(183));  // top band
    EXPECT_EQ(image.GetPixels(0, 0), Grey(183));  // the corner belongs to the top band
    EXPECT_EQ(image.GetPixels(0, 1), Grey(164));  // left part of a top row
    EXPECT_EQ(image.GetPixels(9, 1), Grey(37));   // right part of a top row
    EXPECT_EQ(image.GetPixels(0, 5), Grey(164));  // left strip
    EXPECT_EQ(image.GetPixels(8, 5), Grey(37));   // right strip
    EXPECT_EQ(image.GetPixels(5, 9), Grey(18));   // bottom band
    EXPECT_EQ(image.GetPixels(0, 9), Grey(164));  // at the bottom the corner is a side part
    EXPECT_EQ(image.GetPixels(5, 5), Grey(100));
    // Smooth: the delta fades with the distance d: delta - d x delta div n.
    image = Flat(10, 10, Grey(100));
    Button3D(image, {2, false, true, 2});
    EXPECT_EQ(image.GetPixels(1, 5), Grey(132));  // 64 - 64 div 2
    EXPECT_EQ(image.GetPixels(8, 5), Grey(47));   // -105 - (-105 div 2) = -53
}

TEST(Button3D, FramesWiderThanHalfThePictureStayInside) {
    for (int width : {6, 7, 30}) {
        SCOPED_TRACE(width);
        TDibImage image = Flat(11, 7, Grey(100));
        Button3D(image, {width, false, false, 2});
        // Every pixel belongs to one part and was changed exactly once.
        for (int y = 0; y < 7; ++y)
            for (int x = 0; x < 11; ++x) {
                const int v = GetRValue(image.GetPixels(x, y));
                EXPECT_TRUE(v == 183 || v == 164 || v == 37 || v == 18) << x << "," << y << " " << v;
            }
        TDibImage faded = Flat(11, 7, Grey(100));
        FadeOut(faded, {width, clWhite});
    }
}

TEST(FadeOut, BorderValues) {
    // Width 10 on 30 x 20 towards white: the left column and top row are
    // white; the right column and bottom row (except its leftmost pixel,
    // which belongs to the left part) are 10 % picture, 90 % white.
    TDibImage image = Flat(30, 20, RGB(0, 100, 200));
    FadeOut(image, {10, clWhite});
    const TColor tenth = RGB(229, 239, 249);  // (10 c + 90 x 255) div 100
    for (int y = 0; y < 20; ++y) EXPECT_EQ(image.GetPixels(0, y), clWhite) << y;
    for (int x = 0; x < 30; ++x) EXPECT_EQ(image.GetPixels(x, 0), clWhite) << x;
    for (int y = 1; y < 20; ++y) EXPECT_EQ(image.GetPixels(29, y), tenth) << y;
    for (int x = 1; x < 29; ++x) EXPECT_EQ(image.GetPixels(x, 19), tenth) << x;
    EXPECT_EQ(image.GetPixels(15, 10), RGB(0, 100, 200));
    // Five pixels in: weight 50.
    EXPECT_EQ(image.GetPixels(5, 10), RGB(127, 177, 227));
}

TEST(Scetch, FlatPictureTurnsWhite) {
    TDibImage image = Flat(7, 5, RGB(30, 60, 90));
    Scetch(image);
    EXPECT_EQ(image.GetPixels(3, 2), clWhite);
    EXPECT_EQ(image.GetPixels(0, 0), clWhite);
}

TEST(OilPaint, FlatPictureStaysAndProgressCountsBothSteps) {
    TDibImage image = Flat(6, 5, RGB(30, 60, 90));
    std::vector<int> seen;
    OilPaint(image, {2}, [&](int p) { seen.push_back(p); });
    EXPECT_EQ(image.GetPixels(3, 2), RGB(30, 60, 90));
    // Per pass 5 diffusion rows and 3 inner rank rows, over 2 x 2 x 5.
    ASSERT_EQ(seen.size(), 16u);
    EXPECT_EQ(seen[0], 5);
    EXPECT_EQ(seen.back(), 80);
}

// A 4 x 3 picture from its rows of colours.
TDibImage Picture4x3(const std::vector<TColor>& colours) {
    TDibImage image = Flat(4, 3, clBlack);
    for (int i = 0; i < 12; ++i) image.SetPixels(i % 4, i / 4, colours[std::size_t(i)]);
    return image;
}

// The scattering effects from state 12345, worked out from the generator:
// the states are 1655067934, 1242767767, ... and Random(n) = state x n shr
// 32. Each pixel draws c, then d = Random(2c), e = Random(2c), and takes
// the pixel at (x + c - d, y + c - e) when that is inside.
TEST(Scatter, FirstDrawsFromAFixedState) {
    // Every pixel its own colour: red 10 + 40x, green 20 + 60y.
    std::vector<TColor> unique;
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) unique.push_back(RGB(10 + 40 * x, 20 + 60 * y, 5));
    auto u = [&](int x, int y) { return unique[std::size_t(y * 4 + x)]; };
    // Greys of brightness 100 104 110 118 / 102 108 116 126 / 106 114 124
    // 200; (1, 1) is (100, 108, 116), brightness 108.
    std::vector<TColor> greys;
    for (int v : {100, 104, 110, 118, 102, 108, 116, 126, 106, 114, 124, 200}) greys.push_back(Grey(v));
    greys[5] = RGB(100, 108, 116);
    const struct {
        const char* Name;
        std::vector<TColor> Source;
        std::function<void(TDibImage&)> Run;
        std::vector<TColor> Expected;
    } cases[] = {
        // Level 3, from a copy. Row 0: (c, d, e) = (1, 0, 0) -> (1, 1);
        // (1, 1, 0) -> (1, 1); (1, 0, 0) -> (3, 1); (2, 3, 1) -> (2, 1).
        // Row 1: (0, 0, 0); (1, 1, 1) -> itself; (2, 3, 0) -> (1, 3),
        // outside; (0, 0, 0). Row 2: only (2, 2) draws (2, 0, 3) -> (4, 1),
        // outside.
        {"diffusion", unique, [](TDibImage& i) { Spray(i, {3}); },
         {u(1, 1), u(1, 1), u(3, 1), u(2, 1), u(0, 1), u(1, 1), u(2, 1), u(3, 1), u(0, 2), u(1, 2), u(2, 2),
          u(3, 2)}},
        // Edges v = 255 - 3 x |Avg(x + 1, y + 1) - Avg(x - 1, y - 1)|, the
        // neighbours limited to the picture: (0, 0): |108 - 100| = 8 -> 231;
        // (1, 0): |116 - 100| -> 207; (2, 0): |126 - 104| -> 189; (3, 0):
        // |126 - 110| -> 207; row 1: 213, 183, |200 - 104| = 96 -> 0, 0;
        // row 2: 219, 189, |200 - 108| -> 0, |200 - 116| = 84 -> 3. Then in
        // place with c = Random(3) and the same draws as above: (0, 0) and
        // (1, 0) take (1, 1) = 183, (2, 0) takes (3, 1) = 0, (3, 0) takes
        // (2, 1) = 0.
        {"pencil sketch", greys, [](TDibImage& i) { Scetch(i); },
         {Grey(183), Grey(183), Grey(0), Grey(0), Grey(213), Grey(183), Grey(0), Grey(0), Grey(219), Grey(189),
          Grey(0), Grey(3)}},
        // One pass, c = Random(2): (1, 0) <- (1, 1), (3, 0) <- (3, 1),
        // (2, 1) <- (2, 2), (2, 2) <- (3, 2), in place. Then the 5th of the
        // nine packed values (blue equal, so by green, then red) in place:
        // (1, 1) keeps u(1, 1); (2, 1), seeing it, takes u(3, 1).
        {"oil paint", unique, [](TDibImage& i) { OilPaint(i, {1}); },
         {u(0, 0), u(1, 1), u(2, 0), u(3, 1), u(0, 1), u(1, 1), u(3, 1), u(3, 1), u(0, 2), u(1, 2), u(3, 2),
          u(3, 2)}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TDibImage image = Picture4x3(c.Source);
        SetRandSeed(12345);
        c.Run(image);
        for (int i = 0; i < 12; ++i)
            EXPECT_EQ(image.GetPixels(i % 4, i / 4), c.Expected[std::size_t(i)]) << "(" << i % 4 << ", " << i / 4 << ")";
    }
}

TEST(Vortex, CornersStayAndTinyPicturesAreLeftAlone) {
    TDibImage image = test::NoiseImage24(9, 7, 11);
    const TDibImage before = image;
    Vortex(image, {540});
    for (const auto& [x, y] : std::vector<std::pair<int, int>>{{0, 0}, {8, 0}, {0, 6}, {8, 6}})
        EXPECT_EQ(image.GetPixels(x, y), before.GetPixels(x, y));
    EXPECT_EQ(image.GetPixels(4, 3), before.GetPixels(4, 3));  // the centre, r = 0
    EXPECT_FALSE(test::SamePixels(image, before));
    for (const auto& [w, h] : std::vector<std::pair<int, int>>{{1, 1}, {1, 9}, {9, 1}}) {
        TDibImage tiny = test::NoiseImage24(w, h, 12);
        const TDibImage tinyBefore = tiny;
        Vortex(tiny, {300});
        EXPECT_TRUE(test::SamePixels(tiny, tinyBefore));
    }
}

TEST(Explode, PixelsOutsideTheCentralCircleStay) {
    for (int strength : {-100, -7, 3, 100}) {
        for (const auto& [w, h] : std::vector<std::pair<int, int>>{{20, 20}, {30, 14}, {14, 30}}) {
            SCOPED_TRACE(std::to_string(strength) + " " + std::to_string(w) + "x" + std::to_string(h));
            TDibImage image = test::NoiseImage24(w, h, 13);
            const TDibImage before = image;
            Explode(image, {strength});
            const double k = w > h ? double(w) / h : double(h) / w;
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    const double ox = x - w / 2.0, oy = k * (y - h / 2.0);
                    if (ox * ox + oy * oy >= (w / 2.0) * (w / 2.0)) {
                        ASSERT_EQ(image.GetPixels(x, y), before.GetPixels(x, y)) << x << "," << y;
                    }
                }
            EXPECT_EQ(image.GetPixels(w / 2, h / 2), before.GetPixels(w / 2, h / 2));
        }
    }
}

TEST(SpotLight, CentreKeepsAndBeyondTheRadiusIsBlack) {
    // Size 50 on 41 x 11: R = Trunc(50 x 41 / 100 + 0.5) = 21. Fall-off 1:
    // a pixel at distance 20 loses (20/21)^2 x 255 = 231.29: 255 -> 24.
    TDibImage image = Flat(41, 11, Grey(255));
    SpotLight(image, {20, 5, 1, 50});
    EXPECT_EQ(image.GetPixels(20, 5), Grey(255));
    EXPECT_EQ(image.GetPixels(0, 5), Grey(24));
    EXPECT_EQ(image.GetPixels(40, 5), Grey(24));
    // R = 25 on 50 x 3: distance 25 is black, 24 loses 0.9216 x 255 = 235.008.
    TDibImage wide = Flat(50, 3, Grey(250));
    SpotLight(wide, {0, 1, 1, 50});
    EXPECT_EQ(wide.GetPixels(25, 1), clBlack);
    EXPECT_EQ(wide.GetPixels(24, 1), Grey(15));
    // A fall-off outside 0..10 changes nothing.
    TDibImage same = test::NoiseImage24(5, 5, 1);
    const TDibImage before = same;
    SpotLight(same, {2, 2, 10.5, 10});
    SpotLight(same, {2, 2, -1, 10});
    EXPECT_TRUE(test::SamePixels(same, before));
}

TEST(Blind, WidthTwoAlternatesUnchangedAndHalfRows) {
    TDibImage image = Flat(4, 4, RGB(200, 100, 0));
    Blind(image, {2, clWhite, 0, 0, true});
    // w = ClampRound(127.5) = 128: (127 c + 128 x 255) / 255.
    // Red 58040 / 255 = 227.6, green 45340 / 255 = 177.8, blue 128.
    const TColor half = RGB(228, 178, 128);
    for (int x = 0; x < 4; ++x) {
        EXPECT_EQ(image.GetPixels(x, 0), RGB(200, 100, 0));
        EXPECT_EQ(image.GetPixels(x, 1), half);
        EXPECT_EQ(image.GetPixels(x, 2), RGB(200, 100, 0));
        EXPECT_EQ(image.GetPixels(x, 3), half);
    }
    // Vertical with an x offset of 1: column 0 is a half column.
    image = Flat(4, 2, RGB(200, 100, 0));
    Blind(image, {2, clWhite, 0, 1, false});
    EXPECT_EQ(image.GetPixels(0, 1), half);
    EXPECT_EQ(image.GetPixels(1, 1), RGB(200, 100, 0));
    EXPECT_THROW(Blind(image, {2, clWhite, -1, 0, true}), EDibImageInvalidDIBPara);
}

}  // namespace
}  // namespace zelvo
