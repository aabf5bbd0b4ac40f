#include <gtest/gtest.h>

#include <vector>

#include "TestSupport.h"
#include "effects/Histogram.h"
#include "reference/HistogramReference.h"

namespace zelvo {
namespace {

using namespace zelvo::effects;

TColor Grey(int c) { return RGB(std::uint8_t(c), std::uint8_t(c), std::uint8_t(c)); }

// A one-column picture of grey levels, one pixel per entry.
TDibImage Column(const std::vector<int>& levels) {
    TDibImage image;
    image.SetBitCount(24);
    image.SetWidth(1);
    image.SetHeight(int(levels.size()));
    for (int y = 0; y < int(levels.size()); ++y) image.SetPixels(0, y, Grey(levels[std::size_t(y)]));
    return image;
}

TEST(Normalize, OnePerCentEndsAndHighEndAt254) {
    // 204 pixels, so the threshold is 204 div 100 = 2: two pixels at 10 and
    // two at 200 are within it, so the ends are 50 and 150. Level 50 -> 0,
    // 150 -> (150 - 50) x 254 div 100 = 254, 100 -> 50 x 254 div 100 = 127,
    // 10 -> 0 (below the low end), 200 -> 255 (above the high end).
    std::vector<int> levels = {10, 10, 200, 200};
    levels.insert(levels.end(), 100, 50);
    levels.insert(levels.end(), 99, 150);
    levels.push_back(100);
    TDibImage image = Column(levels);
    ASSERT_TRUE(Normalize(image, {}));
    const std::vector<std::pair<int, int>> expected = {{0, 0}, {2, 255}, {4, 0}, {104, 254}, {203, 127}};
    for (const auto& [y, value] : expected) {
        SCOPED_TRACE(y);
        EXPECT_EQ(image.GetPixels(0, y), Grey(value));
    }
}

TEST(Normalize, FlatPictureChangesNothing) {
    TDibImage image = test::FlatImage24(7, 5, RGB(90, 40, 200));
    const TDibImage before(test::FlatImage24(7, 5, RGB(90, 40, 200)));
    EXPECT_FALSE(Normalize(image, {}));
    EXPECT_TRUE(test::SamePixels(image, before));
}

TEST(Normalize, ChannelsMapSeparately) {
    // Brightness levels 0 and 100 (ends 0 and 100); the coloured pixel
    // (30, 60, 90) has brightness 60: each channel goes through the table on
    // its own: 30 -> 76, 60 -> 152, 90 -> 228.
    TDibImage image = Column({0, 100, 0, 100});
    image.SetPixels(0, 3, RGB(30, 60, 90));
    ASSERT_TRUE(Normalize(image, {}));
    EXPECT_EQ(image.GetPixels(0, 3), RGB(76, 152, 228));
}

TEST(Equalize, WorkedExample) {
    // Brightness levels 0, 60, 60 and 200: h[0] = 1, h[60] = 2, h[200] = 1,
    // so c[i] is 1 below 60, 3 from 60 to 199 and 4 from 200; cmin = c[0] =
    // 1, span = 4 - 1 = 3 and t[i] = (c[i] - 1) x 255 div 3 is 0 below 60,
    // 170 from 60 to 199 and 255 from 200. Each channel maps on its own:
    // (30, 60, 90) has brightness 60 and becomes (0, 170, 170), (255, 255,
    // 90) has brightness 200 and becomes (255, 255, 170).
    TDibImage image = Column({0, 0, 60, 0});
    image.SetPixels(0, 1, RGB(30, 60, 90));
    image.SetPixels(0, 3, RGB(255, 255, 90));
    Equalize(image, {});
    const TColor expected[] = {RGB(0, 0, 0), RGB(0, 170, 170), RGB(170, 170, 170), RGB(255, 255, 170)};
    for (int y = 0; y < 4; ++y) EXPECT_EQ(image.GetPixels(0, y), expected[y]) << y;
}

TEST(HistogramFastForms, NormalizeAndColourCountMatchLiteralForms) {
    for (std::uint32_t seed = 1; seed <= 6; ++seed) {
        SCOPED_TRACE(seed);
        TDibImage fast = test::NoiseImage24(37 + int(seed), 23, seed);
        // Narrow the levels so that the stretch has work to do.
        for (int y = 0; y < fast.Height(); ++y) {
            std::uint8_t* row = fast.ScanLine(y);
            for (int i = 0; i < fast.Width() * 3; ++i) row[i] = std::uint8_t(60 + row[i] % 90);
        }
        TDibImage literal(fast);
        literal.UniqueDIB();
        EXPECT_EQ(CountColors(fast), test::CountColorsLiteral(fast));
        EXPECT_EQ(Normalize(fast, {}), test::NormalizeLiteral(literal));
        std::string why;
        EXPECT_TRUE(test::SamePixels(fast, literal, &why)) << why;
    }
}

TEST(CountColors, GreyRampSingleColourAndPalette) {
    std::vector<int> levels;
    for (int i = 0; i < 256; ++i) levels.push_back(i);
    EXPECT_EQ(CountColors(Column(levels)), 256);
    EXPECT_EQ(CountColors(test::FlatImage24(40, 30, RGB(1, 2, 3))), 1);
    // A palette picture counts the colours its pixels show.
    const TDibImage palette = test::NoiseImagePalette(50, 40, 8, 256, 3);
    EXPECT_EQ(CountColors(palette), test::CountColorsLiteral(palette));
}

TEST(CountHistogram, CountsBrightnessAndEachChannel) {
    TDibImage image = Column({0, 0, 255});
    image.SetPixels(0, 1, RGB(30, 60, 91));  // brightness 181 div 3 = 60
    THistogram h;
    h.Red[7] = 99;  // cleared by the count
    EXPECT_EQ(CountHistogram(image, h), 3);
    EXPECT_EQ(h.Brightness[0], 1u);
    EXPECT_EQ(h.Brightness[60], 1u);
    EXPECT_EQ(h.Brightness[255], 1u);
    EXPECT_EQ(h.Red[30], 1u);
    EXPECT_EQ(h.Green[60], 1u);
    EXPECT_EQ(h.Blue[91], 1u);
    EXPECT_EQ(h.Red[7], 0u);
    EXPECT_EQ(h.Red[0] + h.Red[30] + h.Red[255], 3u);
}

TEST(HistogramBarHeight, EmptyHistogramDrawsNoBars) {
    // plot 125 high: (125 - 1) / 10 x 5 = 62; the largest count reaches 124.
    EXPECT_EQ(HistogramBarHeight(5, 10, 125), 62);
    EXPECT_EQ(HistogramBarHeight(10, 10, 125), 124);
    EXPECT_EQ(HistogramBarHeight(0, 0, 125), 0);
    EXPECT_EQ(HistogramBarHeight(7, 0, 125), 0);
    EXPECT_EQ(HistogramBarHeight(3, 3, 0), 0);
}

}  // namespace
}  // namespace zelvo
