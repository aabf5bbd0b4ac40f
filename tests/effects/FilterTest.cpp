#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "effects/Blur.h"
#include "effects/Convolution.h"
#include "effects/CustomFilter.h"
#include "effects/RankFilter.h"
#include "image/Exceptions.h"
#include "reference/FilterReference.h"

namespace zelvo {
namespace {

using namespace zelvo::effects;

TColor Grey(int c) { return RGB(std::uint8_t(c), std::uint8_t(c), std::uint8_t(c)); }

// A 24-bit picture of grey levels given row by row from the top.
TDibImage GreyPicture(int width, const std::vector<int>& levels) {
    TDibImage image;
    image.SetBitCount(24);
    image.SetWidth(width);
    image.SetHeight(int(levels.size()) / width);
    for (std::size_t i = 0; i < levels.size(); ++i) image.SetPixels(int(i) % width, int(i) / width, Grey(levels[i]));
    return image;
}

TDibImage Flat(int width, int height, TColor color) { return test::FlatImage24(width, height, color); }

bool AllPixels(const TDibImage& image, TColor color) {
    for (int y = 0; y < image.Height(); ++y)
        for (int x = 0; x < image.Width(); ++x)
            if (image.GetPixels(x, y) != color) return false;
    return true;
}

// --- flat pictures -------------------------------------------------------------

TEST(Convolution, FlatPicturesThroughEveryFilterAndLevel) {
    const TColor colour = RGB(200, 90, 13);
    for (int level = 1; level <= 20; ++level) {
        SCOPED_TRACE("level " + std::to_string(level));
        const auto a = std::uint8_t(level);
        TDibImage image = Flat(5, 4, colour);
        Sharpen(image, {a});
        EXPECT_TRUE(AllPixels(image, colour));
        HighPass(image, {a});
        EXPECT_TRUE(AllPixels(image, colour));  // the kernel sums to its divisor
        Emboss(image, {a, /*Colored=*/true, false});
        EXPECT_TRUE(AllPixels(image, colour));  // no relief is added
        Soft(image);
        EXPECT_TRUE(AllPixels(image, colour));
        TDibImage edges = image;
        EdgeDetection(edges, {a});
        EXPECT_TRUE(AllPixels(edges, clBlack));  // sums to minus its divisor
        TDibImage relief = image;
        Emboss(relief, {a, false, level % 2 == 0});
        EXPECT_TRUE(AllPixels(relief, Grey(128)));
    }
    // The default custom filter sums to its divisor 1.
    TDibImage image = Flat(3, 3, colour);
    Convolve3x3(image, {KernelFromRows({1, -2, 1, -2, 5, -2, 1, -2, 1}), 1, false});
    EXPECT_TRUE(AllPixels(image, colour));
}

TEST(Convolution, OnePixelPictureRepeatsItselfAsEveryNeighbour) {
    TDibImage image = Flat(1, 1, RGB(7, 77, 177));
    Soft(image);
    EXPECT_EQ(image.GetPixels(0, 0), RGB(7, 77, 177));
    Sharpen(image, {20});
    EXPECT_EQ(image.GetPixels(0, 0), RGB(7, 77, 177));
}

// --- worked examples -------------------------------------------------------------

TEST(Convolution, SharpenAtTheBorderAndHalvesToEven) {
    // Level 1: centre 14, four neighbours -1, divisor 10. A 2 x 1 picture
    // (a, b): pixel 0 sees itself above, below and on the left, so
    // s = 14a - 3a - b = 11a - b.
    TDibImage image = GreyPicture(2, {5, 30});
    Sharpen(image, {1});
    EXPECT_EQ(image.GetPixels(0, 0), Grey(2));  // 25 / 10 = 2.5 -> 2
    image = GreyPicture(2, {5, 20});
    Sharpen(image, {1});
    EXPECT_EQ(image.GetPixels(0, 0), Grey(4));  // 35 / 10 = 3.5 -> 4
    // Pixel 1 of (5, 20): 14 x 20 - 3 x 20 - 5 = 215 -> 21.5 -> 22.
    EXPECT_EQ(image.GetPixels(1, 0), Grey(22));

    // A bright centre on 50: the centre gives (14 x 100 - 4 x 50) / 10 = 120,
    // the pixel above it (14 x 50 - 3 x 50 - 100) / 10 = 45.
    image = GreyPicture(3, {50, 50, 50, 50, 100, 50, 50, 50, 50});
    Sharpen(image, {1});
    EXPECT_EQ(image.GetPixels(1, 1), Grey(120));
    EXPECT_EQ(image.GetPixels(1, 0), Grey(45));
    EXPECT_EQ(image.GetPixels(0, 0), Grey(50));
}

TEST(Convolution, EmbossUsesSinglePrecisionTenths) {
    // Row above 0 0 0, row below 1 2 2: the centre gets 128 + 0.1f x 5.
    // 0.1f is slightly above 0.1, so the sum is just above 128.5 and rounds
    // to 129 (a kernel of exact tenths would give 128.5 -> 128).
    const std::vector<int> levels = {0, 0, 0, 9, 9, 9, 1, 2, 2};
    TDibImage image = GreyPicture(3, levels);
    Emboss(image, {1, false, false});
    EXPECT_EQ(image.GetPixels(1, 1), Grey(129));
    // Inverted: 128 - 0.1f x 5, just below 127.5.
    image = GreyPicture(3, levels);
    Emboss(image, {1, false, true});
    EXPECT_EQ(image.GetPixels(1, 1), Grey(127));
    // Coloured: the relief is added to the pixel itself: 9 + 0.5... -> 10.
    image = GreyPicture(3, levels);
    Emboss(image, {1, true, false});
    EXPECT_EQ(image.GetPixels(1, 1), Grey(10));
}

TEST(Convolution, EdgeLevelsBeyondTheDialogAreRefused) {
    // Level 21 would divide by 0 and level 22 by 255 (-1 as a byte).
    for (int level : {0, 21, 22, 255}) {
        SCOPED_TRACE(level);
        TDibImage image = test::NoiseImage24(4, 4, 3);
        const TDibImage before = image;
        try {
            HighPass(image, {std::uint8_t(level)});
            FAIL();
        } catch (const EDibImageInvalidDIBPara& e) {
            EXPECT_STREQ(e.what(), "TDibImageData.CreateDIB: Invalid Parameters");
        }
        EXPECT_THROW(EdgeDetection(image, {std::uint8_t(level)}), EDibImageInvalidDIBPara);
        EXPECT_TRUE(test::SamePixels(image, before));
    }
    // Edge enhancement 20: centre 41, divisor 1; on 100 with a centre 110:
    // 41 x 110 - 40 x 100 = 510 -> 255. Level 10: (51 x 110 - 4000) / 11.
    TDibImage image = GreyPicture(3, {100, 100, 100, 100, 110, 100, 100, 100, 100});
    HighPass(image, {10});
    EXPECT_EQ(image.GetPixels(1, 1), Grey(146));  // 1610 / 11 = 146.4
}

TEST(Convolution, RefusesOtherDepthsAndNonFiniteKernels) {
    TDibImage palette = test::NoiseImagePalette(4, 4, 8, 256, 1);
    try {
        Soft(palette);
        FAIL();
    } catch (const EDibImageBadDIBType& e) {
        EXPECT_STREQ(e.what(), "Convolve3x3: Invalid Bitcount");
    }
    TDibImage image = test::NoiseImage24(3, 3, 1);
    TKernel3x3 k{};
    k[4] = std::numeric_limits<float>::infinity();
    EXPECT_THROW(Convolve3x3(image, {k, 1, false}), EDibImageInvalidDIBPara);
}

TEST(Convolution, ProgressPerRow) {
    TDibImage image = test::NoiseImage24(4, 3, 1);
    std::vector<int> seen;
    Soft(image, {}, [&](int p) { seen.push_back(p); });
    EXPECT_EQ(seen, (std::vector<int>{33, 66, 100}));
}

// --- rank filter -------------------------------------------------------------------

TEST(RankFilter, OrdersByBlueThenGreenThenRed) {
    // Packed value red + green x 256 + blue x 65536: (255, 255, 0) is 65535,
    // (0, 0, 1) is 65536, so the minimum is the yellow, not the near-black.
    TDibImage image = Flat(3, 3, RGB(0, 0, 200));
    image.SetPixels(0, 0, RGB(255, 255, 0));
    image.SetPixels(2, 2, RGB(0, 0, 1));
    image.SetPixels(2, 0, RGB(9, 9, 250));
    const TDibImage original = image;
    struct Case {
        int rank;
        TColor expected;
    } cases[] = {{1, RGB(255, 255, 0)}, {2, RGB(0, 0, 1)}, {5, RGB(0, 0, 200)}, {9, RGB(9, 9, 250)}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rank);
        image = original;
        Median(image, {std::uint8_t(c.rank)});
        EXPECT_EQ(image.GetPixels(1, 1), c.expected);
        // The border keeps its values.
        EXPECT_EQ(image.GetPixels(0, 0), RGB(255, 255, 0));
        EXPECT_EQ(image.GetPixels(2, 2), RGB(0, 0, 1));
    }
    // Ranks outside 1..9 and pictures under 3 x 3 change nothing.
    for (int rank : {0, 10}) {
        image = original;
        Median(image, {std::uint8_t(rank)});
        EXPECT_TRUE(test::SamePixels(image, original));
    }
    TDibImage narrow = test::NoiseImage24(2, 9, 4);
    const TDibImage narrowBefore = narrow;
    Median(narrow, {5});
    EXPECT_TRUE(test::SamePixels(narrow, narrowBefore));
}

TEST(NoiseReduction, LevelOneCountsOnlyExactMatches) {
    TDibImage image = test::NoiseImage24(9, 7, 8);
    const TDibImage before = image;
    NoiseReduction(image, {1, true});
    EXPECT_TRUE(test::SamePixels(image, before));
}

TEST(NoiseReduction, AveragesSimilarNeighboursInPlace) {
    // 1 x 3 grey 10, 12, 40 with level 5: pixel 0 counts 10 and 12 -> 11;
    // pixel 1 then sees 11 (already written), 12 and not 40 -> 11.5 -> 12;
    // pixel 2 counts only itself.
    TDibImage image = GreyPicture(3, {10, 12, 40});
    NoiseReduction(image, {5, false});
    EXPECT_EQ(image.GetPixels(0, 0), Grey(11));
    EXPECT_EQ(image.GetPixels(1, 0), Grey(12));
    EXPECT_EQ(image.GetPixels(2, 0), Grey(40));
}

// --- blurs ----------------------------------------------------------------------

TEST(Blur, DistanceBeyondThePictureChangesNothing) {
    TDibImage image = test::NoiseImage24(6, 5, 2);
    const TDibImage before = image;
    Blur(image, {6});
    EXPECT_TRUE(test::SamePixels(image, before));
}

TEST(Blur, GaussianLevelOneIsOneShakeAtDistanceOne) {
    TDibImage a = test::NoiseImage24(13, 11, 9);
    TDibImage b = a;
    std::vector<int> seen;
    GaussianBlur(a, {1}, [&](int p) { seen.push_back(p); });
    Blur(b, {1});
    EXPECT_TRUE(test::SamePixels(a, b));
    // Two passes of 11 rows: the last report is 100, the first 100 / 22.
    ASSERT_EQ(seen.size(), 22u);
    EXPECT_EQ(seen.front(), 4);
    EXPECT_EQ(seen.back(), 100);
}

TEST(Blur, InPlaceReadsPixelsAlreadyWritten) {
    // 1 x 3 row 0, 0, 200 at distance 1: pixel 0 = (0 + 0 + 0 + 0) >> 2 = 0;
    // pixel 1 = (p0 + p2) x 2 >> 2 = 100; pixel 2 reads the new pixel 1:
    // (100 + 200) x 2 >> 2 = 150.
    TDibImage image = GreyPicture(3, {0, 0, 200});
    Blur(image, {1});
    EXPECT_EQ(image.GetPixels(1, 0), Grey(100));
    EXPECT_EQ(image.GetPixels(2, 0), Grey(150));
}

// --- custom filter files ---------------------------------------------------------------

TEST(CustomFilter, FilesWithBlanksAndLineEndsReadAlike) {
    const TCustomFilter expected{{0, -1, 0, -1, 5, -1, 0, -1, 0}, 1};
    for (const char* text : {"0,-1,0,-1,5,-1,0,-1,0,1", "0,-1,0,-1,5,-1,0,-1,0,1\n", "0,-1,0,-1,5,-1,0,-1,0,1\r\n",
                             " 0 , -1,0,\t-1,+5,-1,0,-1,0, 1 \n"}) {
        SCOPED_TRACE(text);
        const auto filter = ParseCustomFilter(text);
        ASSERT_TRUE(filter.has_value());
        EXPECT_EQ(*filter, expected);
    }
    EXPECT_EQ(FormatCustomFilter(expected), "0,-1,0,-1,5,-1,0,-1,0,1");
    // A tenth item that is not an integer gives the divisor 1; the divisor
    // is limited to the spin edit's 1..255.
    EXPECT_EQ(ParseCustomFilter("1,1,1,1,1,1,1,1,1,nine")->Divisor, 1);
    EXPECT_EQ(ParseCustomFilter("1,1,1,1,1,1,1,1,1,0")->Divisor, 1);
    EXPECT_EQ(ParseCustomFilter("1,1,1,1,1,1,1,1,1,900")->Divisor, 255);
    EXPECT_EQ(ParseCustomFilter("1,1,1,1,1,1,1,1,1,9")->Divisor, 9);
}

TEST(CustomFilter, OtherTextIsRefused) {
    for (const char* text : {"", "\n", "1,2,3", "1,1,1,1,1,1,1,1,1", "1,1,1,1,1,1,1,1,1,1,1", "1,1,1,1,x,1,1,1,1,1",
                             "1,1,1,1,1.5,1,1,1,1,1", "1,1,1,1,,1,1,1,1,1", "1,1,1,1,- 1,1,1,1,1,1", "1,1,1,1,+-1,1,1,1,1,1",
                             "1,1,1,1,99999,1,1,1,1,1", "1 1,1,1,1,1,1,1,1,1,1"}) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(ParseCustomFilter(text).has_value());
    }
}

TEST(CustomFilter, DefaultFilterKernelLeavesAFlatPicture) {
    TDibImage image = Flat(4, 3, RGB(12, 120, 240));
    Convolve3x3(image, CustomFilterKernel(TCustomFilter{}));
    EXPECT_TRUE(AllPixels(image, RGB(12, 120, 240)));
}

// --- fast forms against the literal forms ---------------------------------------------

struct TestSize {
    int W, H;
};
const TestSize kSizes[] = {{1, 1}, {1, 6}, {7, 1}, {2, 2}, {3, 3}, {31, 17}, {64, 5}, {5, 40}};

TEST(FastForms, ConvolutionMatchesTheLiteralForm) {
    std::vector<Convolve3x3Params> kernels;
    kernels.push_back(SoftKernel());
    for (int level : {1, 7, 20, 255}) kernels.push_back(SharpenKernel({std::uint8_t(level)}));
    for (int level = 1; level <= 20; ++level) {
        kernels.push_back(HighPassKernel({std::uint8_t(level)}));
        kernels.push_back(EdgeDetectionKernel({std::uint8_t(level)}));
        for (int flags = 0; flags < 4; ++flags)
            kernels.push_back(EmbossKernel({std::uint8_t(level), bool(flags & 1), bool(flags & 2)}));
    }
    // Fractions with a divisor, a zero divisor, and entries too far apart
    // for an exact integer sum.
    kernels.push_back({KernelFromRows({0.37f, -1.25f, 0.1f, 3.3f, 1, -0.7f, 0.01f, 0.2f, -2}), 3, true});
    kernels.push_back({KernelFromRows({1, 2, 1, 2, 4, 2, 1, 2, 1}), 0, false});
    kernels.push_back({KernelFromRows({1e-30f, 1, 1e20f, -1e20f, 1, 0, 0, 0, 0.5f}), 7, false});
    kernels.push_back({KernelFromRows({-1, -1, -1, -1, 9, -1, -1, -1, -1}), 255, true});
    std::uint32_t seed = 100;
    for (const TestSize size : kSizes) {
        for (std::size_t i = 0; i < kernels.size(); ++i) {
            SCOPED_TRACE(std::to_string(size.W) + "x" + std::to_string(size.H) + " kernel " + std::to_string(i));
            ++seed;
            TDibImage fast = test::NoiseImage24(size.W, size.H, seed, seed % 2 == 0);
            TDibImage literal = fast;
            Convolve3x3(fast, kernels[i]);
            test::Convolve3x3Literal(literal, kernels[i].Kernel, kernels[i].Divisor, kernels[i].Bias);
            std::string why;
            ASSERT_TRUE(test::SamePixels(fast, literal, &why)) << why;
        }
    }
}

TEST(FastForms, BlursMatchTheLiteralForm) {
    std::uint32_t seed = 500;
    for (const TestSize size : kSizes) {
        for (int n : {1, 2, 3, 5, 10, 40}) {
            SCOPED_TRACE(std::to_string(size.W) + "x" + std::to_string(size.H) + " n " + std::to_string(n));
            TDibImage fast = test::NoiseImage24(size.W, size.H, ++seed);
            TDibImage literal = fast;
            GaussianBlur(fast, {std::uint8_t(n)});
            test::GaussianBlurLiteral(literal, n);
            ASSERT_TRUE(test::SamePixels(fast, literal));
            Blur(fast, {n});
            test::BlurLiteral(literal, n);
            ASSERT_TRUE(test::SamePixels(fast, literal));
        }
    }
}

TEST(FastForms, MedianMatchesTheLiteralFormAtEveryRank) {
    std::uint32_t seed = 900;
    for (const TestSize size : kSizes) {
        for (int rank = 1; rank <= 9; ++rank) {
            SCOPED_TRACE(std::to_string(size.W) + "x" + std::to_string(size.H) + " rank " + std::to_string(rank));
            // Few distinct levels, so that equal values occur often.
            TDibImage fast = test::NoiseImage24(size.W, size.H, ++seed);
            for (int y = 0; y < size.H; ++y) {
                std::uint8_t* row = fast.ScanLine(y);
                for (int i = 0; i < size.W * 3; ++i) row[i] = std::uint8_t(row[i] & 0xC1);
            }
            TDibImage literal = fast;
            Median(fast, {std::uint8_t(rank)});
            test::MedianLiteral(literal, rank);
            ASSERT_TRUE(test::SamePixels(fast, literal));
            // In place, as the oil paint runs it.
            RankInPlace(fast, rank, {});
            test::RankInPlaceLiteral(literal, rank);
            ASSERT_TRUE(test::SamePixels(fast, literal));
        }
    }
}

}  // namespace
}  // namespace zelvo
