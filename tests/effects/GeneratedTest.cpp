#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "TestSupport.h"
#include "effects/Generated.h"
#include "image/Exceptions.h"
#include "reference/HistogramReference.h"

namespace zelvo {
namespace {

using namespace zelvo::effects;

TColor Grey(int c) { return RGB(std::uint8_t(c), std::uint8_t(c), std::uint8_t(c)); }

TEST(Gradation, BlackToWhiteLeftToRightOn256Columns) {
    // Line k > 1 takes (k - 1) x 255 div 256: columns 0, 1 and 2 are 0,
    // column 3 is 1, column 255 is 254 x 255 div 256 = 253.
    TDibImage work = test::FlatImage24(256, 3, RGB(9, 80, 200));
    Gradation(work, {clBlack, clWhite, 100, kGradationLeftToRight}, {});
    const std::vector<std::pair<int, int>> columns = {{0, 0}, {1, 0}, {2, 0}, {3, 1}, {128, 126}, {255, 253}};
    for (const auto& [x, value] : columns) {
        SCOPED_TRACE(x);
        for (int y = 0; y < 3; ++y) EXPECT_EQ(work.GetPixels(x, y), Grey(value));
    }
}

TEST(Gradation, HalfOpacityBlendsRoundingHalvesToEven) {
    // Over grey 100 at 50 %: column 0 (ramp 0) gives 50; column 255 (ramp
    // 253) gives (5000 + 12650) / 100 = 176.5, which rounds to 176.
    TDibImage work = test::FlatImage24(256, 1, Grey(100));
    Gradation(work, {clBlack, clWhite, 50, kGradationLeftToRight}, {});
    EXPECT_EQ(work.GetPixels(0, 0), Grey(50));
    EXPECT_EQ(work.GetPixels(255, 0), Grey(176));
}

TEST(Gradation, EvenDirectionsExchangeTheColours) {
    // Right to left: the ramp starts with colour 2 on the left.
    TDibImage work = test::FlatImage24(256, 1, clBlack);
    Gradation(work, {clBlack, clWhite, 100, kGradationRightToLeft}, {});
    EXPECT_EQ(work.GetPixels(0, 0), Grey(255));
    EXPECT_EQ(work.GetPixels(255, 0), Grey(255 - 254 * 255 / 256));
}

TEST(GradationFastForms, RampAndBlendMatchTheLiteralForms) {
    const TColor c1 = RGB(250, 10, 128), c2 = RGB(3, 240, 60);
    for (int direction = 1; direction <= 8; ++direction) {
        SCOPED_TRACE(direction);
        std::string why;
        EXPECT_TRUE(test::SamePixels(GradationRamp(c1, c2, direction), test::GradationRampLiteral(c1, c2, direction),
                                     &why))
            << why;
        for (int opacity : {1, 37, 50, 99, 100}) {
            SCOPED_TRACE(opacity);
            TDibImage fast = test::NoiseImage24(97, 61, std::uint32_t(direction * 100 + opacity));
            TDibImage literal(fast);
            literal.UniqueDIB();
            Gradation(fast, {c1, c2, opacity, direction}, {});
            test::GradationLiteral(literal, c1, c2, opacity, direction);
            EXPECT_TRUE(test::SamePixels(fast, literal, &why)) << why;
        }
    }
}

TEST(Gradation, DirectionAndOpacityOutsideTheirRangesAreRefused) {
    TDibImage work = test::FlatImage24(4, 4, clWhite);
    for (const GradationParams& p : {GradationParams{clBlack, clWhite, 50, 0}, GradationParams{clBlack, clWhite, 50, 9},
                                     GradationParams{clBlack, clWhite, 0, 1}, GradationParams{clBlack, clWhite, 101, 1}}) {
        EXPECT_THROW(Gradation(work, p, {}), EDibImageInvalidDIBPara);
    }
    EXPECT_TRUE(test::SamePixels(work, test::FlatImage24(4, 4, clWhite)));
}

struct TextureCase {
    int Level;
    TColor Texture;
    std::vector<std::pair<int, int>> ChannelBeforeAfter;
};

class TextureArithmetic : public ::testing::TestWithParam<TextureCase> {};

TEST_P(TextureArithmetic, DarkensByTheTextureBrightness) {
    const TextureCase& c = GetParam();
    const TDibImage texture = test::FlatImage24(3, 2, c.Texture);
    for (const auto& [before, after] : c.ChannelBeforeAfter) {
        SCOPED_TRACE(before);
        TDibImage work = test::FlatImage24(5, 4, Grey(before));
        Texture(work, texture, {c.Level, 0, 0}, {});
        EXPECT_EQ(work.GetPixels(4, 3), Grey(after));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Generated, TextureArithmetic,
    ::testing::Values(
        // Level 100, black: k = 25500 takes every channel to 0.
        TextureCase{100, clBlack, {{255, 0}, {128, 0}}},
        // Level 1, black: k = 255, (100c - 255) div 100 = c - 3 from 3 up;
        // 3 gives 45 div 100 = 0 and 2 gives -55 div 100 = 0.
        TextureCase{1, clBlack, {{255, 252}, {100, 97}, {4, 1}, {3, 0}, {2, 0}}},
        // White leaves the picture as it was.
        TextureCase{100, clWhite, {{255, 255}, {7, 7}}},
        // Level 50, grey 100: k = 155 x 50 = 7750; 200 -> 12250 div 100 =
        // 122, 77 -> -50 div 100 = 0.
        TextureCase{50, RGB(100, 100, 100), {{200, 122}, {77, 0}}}));

TEST(Texture, TiledFromOffsetsTakenModuloIncludingNegativeOnes) {
    // A 2 x 1 texture: black, white. At level 100 a picture column is black
    // where the tile gives texture column 0.
    TDibImage texture;
    texture.SetBitCount(24);
    texture.SetWidth(2);
    texture.SetHeight(1);
    texture.SetPixels(0, 0, clBlack);
    texture.SetPixels(1, 0, clWhite);
    for (int offsetX : {-3, -1, 0, 1, 5}) {
        SCOPED_TRACE(offsetX);
        TDibImage work = test::FlatImage24(4, 2, clWhite);
        Texture(work, texture, {100, -7, offsetX}, {});
        const int first = ((offsetX % 2) + 2) % 2;
        for (int x = 0; x < 4; ++x) EXPECT_EQ(work.GetPixels(x, 1), (first + x) % 2 == 0 ? Grey(0) : Grey(255));
    }
}

TEST(TextureFastForms, MatchTheLiteralFormOnNoise) {
    for (std::uint32_t seed = 1; seed <= 5; ++seed) {
        SCOPED_TRACE(seed);
        const TDibImage texture = seed % 2 ? test::NoiseImage24(13, 7, seed + 50)
                                           : test::NoiseImagePalette(9, 11, 8, 256, seed + 60);
        const int level = int(seed * 23 % 100) + 1;
        const int offsetY = int(seed) * 17 - 40, offsetX = 35 - int(seed) * 19;
        TDibImage fast = test::NoiseImage24(53, 29, seed);
        TDibImage literal(fast);
        literal.UniqueDIB();
        Texture(fast, texture, {level, offsetY, offsetX}, {});
        test::TextureLiteral(literal, texture, level, offsetY, offsetX);
        std::string why;
        EXPECT_TRUE(test::SamePixels(fast, literal, &why)) << why;
    }
}

TEST(NewImage, SizeDepthAndColour) {
    const TDibImage one = NewImage(1, 1, 24, clWhite);
    EXPECT_EQ(one.Width(), 1);
    EXPECT_EQ(one.GetPixels(0, 0), RGB(255, 255, 255));
    for (int bits : {8, 4, 1}) {
        SCOPED_TRACE(bits);
        TDibImage palette = NewImage(6, 5, bits, clRed);
        EXPECT_EQ(palette.BitCount(), bits);
        palette.SetPixelFormat(dibPf24Bit);
        // A flat colour survives the reduction except in black and white.
        if (bits != 1) {
            EXPECT_TRUE(test::SamePixels(palette, test::FlatImage24(6, 5, RGB(255, 0, 0))));
        }
    }
    for (const auto& [w, h, bits] : {std::tuple{0, 5, 24}, std::tuple{5, -1, 24}, std::tuple{70000, 70000, 24},
                                     std::tuple{5, 5, 16}}) {
        SCOPED_TRACE(std::to_string(w) + " x " + std::to_string(h) + " x " + std::to_string(bits));
        EXPECT_THROW((void)NewImage(w, h, bits, clWhite), EDibImageInvalidDIBPara);
    }
}

}  // namespace
}  // namespace zelvo
