#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <tuple>
#include <vector>

#include "TestSupport.h"
#include "effects/Resample.h"
#include "reference/GeometryReference.h"
#include "reference/ResampleReference.h"

namespace zelvo::effects {
namespace {

using test::NoiseImage24;
using test::NoiseImagePalette;
using test::SamePixels;

class ResampleFilterTest : public ::testing::TestWithParam<int> {};

INSTANTIATE_TEST_SUITE_P(SevenFilters, ResampleFilterTest, ::testing::Range(0, kResampleFilterCount),
                         [](const auto& param) { return std::string(FilterInfo(TResampleFilter(param.param)).Name); });

// Restores the AVX2 setting when a test ends.
struct Avx2Setting {
    explicit Avx2Setting(bool enabled) : previous(SetResampleAvx2(enabled)) {}
    ~Avx2Setting() { SetResampleAvx2(previous); }
    bool previous;
};

TEST_P(ResampleFilterTest, FastFormEqualsTheLiteralForm) {
    const auto filter = TResampleFilter(GetParam());
    const TFilterInfo& info = FilterInfo(filter);
    struct Case {
        int sw, sh, dw, dh;
        bool topDown;
    };
    // Down, up, mixed, a strip wider than the vertical pass's 256 columns,
    // single rows and columns at either end, an even and an odd number of
    // source rows (the AVX2 form takes rows in pairs), widths that leave
    // every remainder of its four-pixel and thirty-two-value blocks, and a
    // four-to-one reduction with its 25-tap lists.
    const std::vector<Case> cases = {
        {37, 23, 11, 7, false}, {9, 6, 31, 20, true},    {20, 10, 45, 4, false},  {300, 3, 290, 5, true},
        {1, 5, 4, 2, false},    {6, 1, 2, 3, false},     {5, 5, 1, 1, false},     {7, 2, 3, 9, true},
        {2, 2, 3, 1, false},    {613, 41, 1283, 21, false}, {1201, 37, 299, 13, true}, {13, 263, 5, 67, false},
    };
    for (bool avx2 : {true, false}) {
        const Avx2Setting setting(avx2);
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << c.sw << "x" << c.sh << " -> " << c.dw << "x" << c.dh
                                            << (avx2 ? " with AVX2" : " portable"));
            const TDibImage source = NoiseImage24(c.sw, c.sh, unsigned(c.sw * 31 + c.dh), c.topDown);
            const TDibImage fast = Resample(source, filter, c.dw, c.dh, {});
            std::string why;
            EXPECT_TRUE(
                SamePixels(fast, test::ResampleLiteral(source, info.Kernel, info.Support, c.dw, c.dh), &why))
                << why;
        }
    }
}

TEST_P(ResampleFilterTest, OnePixelToThreeByThreeRepeatsThePixel) {
    // scale = 3 / 1; every tap mirrors back to the single pixel. At the
    // centres 0, 1/3 and 2/3 the weights add up to 1 for every filter but
    // Lanczos3, whose sums are 1, 0.99561 and 0.99561: red 200 becomes
    // 199 (199.12) after one pass off the pixel centre and 198 (198.13)
    // after both; green 100 stays (99.56 -> 100), blue 7 stays.
    const auto filter = TResampleFilter(GetParam());
    TDibImage source = NoiseImage24(1, 1, 1);
    source.SetPixels(0, 0, RGB(200, 100, 7));
    const TDibImage result = Resample(source, filter, 3, 3, {});
    ASSERT_EQ(result.Width(), 3);
    ASSERT_EQ(result.Height(), 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x) {
            const int red = filter == rfLanczos3 ? 200 - (x != 0) - (y != 0) : 200;
            EXPECT_EQ(result.GetPixels(x, y), RGB(std::uint8_t(red), 100, 7)) << x << "," << y;
        }
}

TEST_P(ResampleFilterTest, TapsStayInsideTinySources) {
    const TFilterInfo& info = FilterInfo(TResampleFilter(GetParam()));
    for (auto [dst, src] : std::vector<std::pair<int, int>>{{3, 1}, {40, 2}, {2, 40}, {1, 3}, {7, 3}}) {
        const TContributors c = BuildContributors(dst, src, info.Kernel, info.Support);
        ASSERT_EQ(c.Start.size(), std::size_t(dst) + 1);
        for (const auto& tap : c.Taps) {
            EXPECT_GE(tap.Pixel, 0) << dst << " from " << src;
            EXPECT_LT(tap.Pixel, src) << dst << " from " << src;
            EXPECT_NE(tap.Weight, 0.0f);
        }
    }
}

TEST(ResampleTest, BoxToTheSameSizeReproducesThePicture) {
    const TDibImage source = NoiseImage24(57, 31, 3);
    std::string why;
    EXPECT_TRUE(SamePixels(Resample(source, rfBox, 57, 31, {}), source, &why)) << why;
}

TEST(ResampleTest, BoxReductionAveragesEvenWhereTheBoxCatchesAnExtraPixel) {
    // 1000 -> 500: scale 499/999, so the box spans 999/499 = 2.002 source
    // pixels. At destination 0 (centre 0) it catches pixels -1, 0 and 1
    // (mirrored to 1, 0, 1), each weighted 0.4995: unscaled, a flat 100
    // would give 149.85 -> 150 there and at the last column, 99.9 -> 100
    // elsewhere. 4000 -> 1000 catches five pixels of weight 0.2498 at
    // columns 0, 333, 666 and 999 (250 instead of 200).
    for (auto [sw, dw, level] : std::vector<std::tuple<int, int, int>>{{1000, 500, 100}, {4000, 1000, 200}}) {
        SCOPED_TRACE(testing::Message() << sw << " -> " << dw);
        TDibImage flat = NoiseImage24(sw, 3, 1);
        for (int y = 0; y < 3; ++y)
            std::memset(flat.ScanLine(y), level, std::size_t(sw) * 3);
        const TDibImage result = Resample(flat, rfBox, dw, 2, {});
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < dw; ++x)
                ASSERT_EQ(result.GetPixels(x, y), RGB(level, level, level)) << x << "," << y;
        // Each list sums to 1 (to rounding) with the pixels it caught.
        const TContributors c = BuildContributors(dw, sw, BoxFilter, 0.5f);
        for (int i = 0; i < dw; ++i) {
            float sum = 0;
            for (int t = c.Start[std::size_t(i)]; t < c.Start[std::size_t(i) + 1]; ++t)
                sum += c.Taps[std::size_t(t)].Weight;
            ASSERT_NEAR(sum, 1.0f, 1e-6f) << i;
        }
    }
}

TEST(ResampleTest, Lanczos3OvershootAtASharpEdgeIsClamped) {
    // A black-to-white step magnified three times in a single row: Lanczos3
    // rings below 0 before the step and above 255 after it. Those columns
    // must come out as 0 and 255 (not wrapped round), the others as their
    // rounded sums.
    TDibImage source = NoiseImage24(16, 1, 1);
    for (int x = 0; x < 16; ++x) source.SetPixels(x, 0, x < 8 ? clBlack : clWhite);
    const TDibImage result = Resample(source, rfLanczos3, 46, 1, {});
    const TContributors taps = BuildContributors(46, 16, Lanczos3Filter, 3.0f);
    int under = 0, over = 0;
    for (int i = 0; i < 46; ++i) {
        float sum = 0;
        for (int t = taps.Start[std::size_t(i)]; t < taps.Start[std::size_t(i) + 1]; ++t)
            sum += taps.Taps[std::size_t(t)].Weight * (taps.Taps[std::size_t(t)].Pixel < 8 ? 0.0f : 255.0f);
        const int red = GetRValue(result.GetPixels(i, 0));
        if (sum < -0.5f) {
            ++under;
            EXPECT_EQ(red, 0) << i << ": " << sum;
        } else if (sum > 255.5f) {
            ++over;
            EXPECT_EQ(red, 255) << i << ": " << sum;
        } else {
            EXPECT_NEAR(red, sum, 1.0) << i;
        }
    }
    EXPECT_GE(under, 2);
    EXPECT_GE(over, 2);
}

TEST(ResampleTest, ProgressHalvesBetweenThePasses) {
    std::vector<int> seen;
    Resample(NoiseImage24(4, 4, 2), rfTriangle, 2, 2, [&](int p) { seen.push_back(p); });
    // Four source rows: 25/2, 50/2, 75/2, 100/2; two destination columns:
    // 50 + 50/2, 50 + 100/2.
    EXPECT_EQ(seen, (std::vector<int>{12, 25, 37, 50, 75, 100}));
}

TEST(ResampleTest, PalettePicturesBecome24Bit) {
    const TDibImage source = NoiseImagePalette(12, 9, 8, 50, 4);
    const TDibImage result = Resample(source, rfBox, 12, 9, {});
    EXPECT_EQ(result.PixelFormat(), dibPf24Bit);
    TDibImage expected(source);
    expected.SetPixelFormat(dibPf24Bit);
    EXPECT_TRUE(SamePixels(result, expected));
}

TEST(ResampleTest, OneDestinationPixelAveragesInsteadOfLoopingForever) {
    // DW = 1 would give the scale (1 - 1) / (5 - 1) = 0; it is taken as 1/5,
    // so Box spans five taps of weight 1/5 around column 0 (mirrored).
    TDibImage source = NoiseImage24(5, 1, 1);
    for (int x = 0; x < 5; ++x) source.SetPixels(x, 0, RGB(100, 100, 100));
    const TDibImage result = Resample(source, rfBox, 1, 1, {});
    EXPECT_EQ(result.GetPixels(0, 0), RGB(100, 100, 100));
}

TEST(ResampleTest, BadSizesSupportsAndFiltersAreRefusedBeforeWork) {
    const TDibImage source = NoiseImage24(4, 4, 1);
    int calls = 0;
    auto count = [&](int) { ++calls; };
    auto expectRefused = [&](auto&& call) {
        try {
            call();
            ADD_FAILURE() << "not refused";
        } catch (const EDibImageInvalidDIBPara& e) {
            EXPECT_STREQ(e.what(), "TDibImageData.CreateDIB: Invalid Parameters");
        }
    };
    expectRefused([&] { Resample(source, rfBox, 0, 4, count); });
    expectRefused([&] { Resample(source, rfBox, 4, -1, count); });
    expectRefused([&] { Resample(source, rfBox, 100000, 100000, count); });
    expectRefused([&] { Resample(source, rfBox, 4, 4, 0.0f, count); });
    expectRefused([&] { Resample(source, rfBox, 4, 4, std::numeric_limits<float>::quiet_NaN(), count); });
    expectRefused([&] { Resample(source, TResampleFilter(7), 4, 4, count); });
    expectRefused([&] { StretchResize(source, 0, 3); });
    EXPECT_EQ(calls, 0);
}

TEST(FilterTableTest, NamesOrderAndKernelEdges) {
    const char* names[] = {"Box", "Hermite", "Triangle", "Bell", "Mitchell", "BSpline", "Lanczos3"};
    const float supports[] = {0.5f, 1, 1, 1.5f, 2, 2, 3};
    for (int i = 0; i < kResampleFilterCount; ++i) {
        EXPECT_STREQ(FilterInfo(TResampleFilter(i)).Name, names[i]);
        EXPECT_EQ(FilterInfo(TResampleFilter(i)).Support, supports[i]);
        EXPECT_EQ(FilterFromName(names[i]), TResampleFilter(i));
    }
    EXPECT_EQ(FilterFromName("lanczos3"), rfLanczos3);
    EXPECT_EQ(FilterFromName("Lanczos"), std::nullopt);
    EXPECT_EQ(kDefaultResampleFilter, 6);
    // The box is closed on the right only, so a tap half-way between two
    // pixels belongs to exactly one of them.
    EXPECT_EQ(BoxFilter(0.5f), 1.0f);
    EXPECT_EQ(BoxFilter(-0.5f), 0.0f);
    // Worked values: Mitchell(0) = (16/3) / 6, Mitchell(1) = (7 - 12 + 16/3) / 6
    // = 1/18; B-spline(0) = 2/3; Lanczos3(0.5) = (2/pi) x sin(pi/6)/(pi/6).
    EXPECT_NEAR(MitchellFilter(0), 8.0 / 9.0, 1e-6);
    EXPECT_NEAR(MitchellFilter(1), 1.0 / 18.0, 1e-6);
    EXPECT_NEAR(MitchellFilter(2), 0.0, 1e-6);
    EXPECT_NEAR(BSplineFilter(0), 2.0 / 3.0, 1e-6);
    EXPECT_NEAR(Lanczos3Filter(0.5f), 2 / M_PI * 0.5 / (M_PI / 6), 1e-6);
    EXPECT_EQ(Lanczos3Filter(3.0f), 0.0f);
    EXPECT_NEAR(BellFilter(0.5f), 0.5, 1e-6);
    EXPECT_NEAR(HermiteFilter(0.5f), 0.5, 1e-6);
}

TEST(StretchResizeTest, NearestColumnsAndRowsKeepThePalette) {
    TDibImage source = NoiseImagePalette(4, 1, 8, 16, 2);
    for (int x = 0; x < 4; ++x) source.SetPixels(x, 0, x + 1);
    const TDibImage half = StretchResize(source, 2, 1);
    EXPECT_EQ(half.GetPixels(0, 0), 1);
    EXPECT_EQ(half.GetPixels(1, 0), 3);
    // x * 4 div 6 = 0, 0, 1, 2, 2, 3.
    const TDibImage wide = StretchResize(source, 6, 2);
    const int expected[] = {1, 1, 2, 3, 3, 4};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 6; ++x) EXPECT_EQ(wide.GetPixels(x, y), expected[x]);
    EXPECT_EQ(wide.PixelFormat(), dibPf8Bit);
    EXPECT_EQ(0, std::memcmp(wide.ColorTable(), source.ColorTable(), 16 * sizeof(TRGBQuad)));

    for (int bits : {1, 4, 24}) {
        SCOPED_TRACE(bits);
        const TDibImage s = bits == 24 ? NoiseImage24(13, 7, 5) : NoiseImagePalette(13, 7, bits, 1 << bits, 5);
        const TDibImage r = StretchResize(s, 29, 4);
        ASSERT_EQ(r.BitCount(), bits);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 29; ++x)
                ASSERT_EQ(test::PixelValue(r, x, y), test::PixelValue(s, x * 13 / 29, y * 7 / 4)) << x << "," << y;
    }
}

}  // namespace
}  // namespace zelvo::effects
