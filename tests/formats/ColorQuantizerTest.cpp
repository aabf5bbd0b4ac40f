// The octree quantizer, the cached nearest-colour lookup and the reduction
// the GIF writer uses.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "formats/ColorQuantizer.h"
#include "image/RowBands.h"

namespace zelvo {
namespace {

TEST(ColorQuantizer, OneColourGivesThatEntryAndBlackPadding) {
    const TDibImage picture = test::FlatImage24(7, 5, 0x00306090);  // red 0x90, green 0x60, blue 0x30
    const std::vector<TQuantColor> palette = OptimizedPalette(picture, 256, 8);
    ASSERT_EQ(palette.size(), 256u);
    EXPECT_EQ(palette[0], (TQuantColor{0x90, 0x60, 0x30}));
    for (std::size_t i = 1; i < palette.size(); ++i) ASSERT_EQ(palette[i], TQuantColor{}) << i;
}

// Three colours into two leaves: every level-7 .. level-1 node has one child,
// so each merge frees no leaf until the root takes all three:
// mean of black, white and blue = (255/3, 255/3, 510/3) = (85, 85, 170).
TEST(ColorQuantizer, ReducesDeepestMostRecentNodesFirst) {
    TColorQuantizer q(2, 8);
    q.AddColor(0, 0, 0);
    q.AddColor(255, 255, 255);
    EXPECT_EQ(q.LeafCount(), 2);
    q.AddColor(0, 0, 255);
    EXPECT_EQ(q.LeafCount(), 1);
    EXPECT_EQ(q.Palette(), (std::vector<TQuantColor>{{85, 85, 170}, {0, 0, 0}}));
}

// 16 843 010 x 255 is above 2^32: 32-bit sums would wrap and give a dark
// mean.
TEST(ColorQuantizer, SumsDoNotOverflowOnLargePictures) {
    TColorQuantizer q(256, 8);
    for (int i = 0; i < 16843010; ++i) q.AddColor(255, 200, 1);
    EXPECT_EQ(q.Palette()[0], (TQuantColor{255, 200, 1}));
}

TEST(ColorQuantizer, PictureWithFewColoursKeepsEveryColourExactly) {
    const TDibImage source = test::NoiseImagePalette(61, 37, 8, 256, 7);
    TDibImage as24(source);
    as24.SetPixelFormat(dibPf24Bit);
    const TDibImage reduced = ReduceColors(as24, 7, 0, 8);
    ASSERT_EQ(reduced.BitCount(), 8);
    for (int y = 0; y < source.Height(); ++y) {
        for (int x = 0; x < source.Width(); ++x) {
            const TRGBQuad want = source.ColorTable()[source.GetPixels(x, y)];
            const TRGBQuad got = reduced.ColorTable()[reduced.GetPixels(x, y)];
            ASSERT_EQ(got, want) << x << "," << y;
        }
    }
}

// (10,10,10) and (12,12,12) share the 15-bit cell (1,1,1); both are in the
// palette, so each must keep its own entry.
TEST(FastColorLookup, PaletteColoursSharingACellKeepTheirEntries) {
    TFastColorLookup lookup({{10, 10, 10}, {12, 12, 12}});
    EXPECT_EQ(lookup.Lookup(12, 12, 12), 1);
    EXPECT_EQ(lookup.Lookup(10, 10, 10), 0);
}

// Other colours go through the cell cache: the first colour to reach a cell
// decides it. (15,15,15) is nearest to entry 1 (distance 15 against 45) and
// fills cell (1,1,1); (8,8,8), nearer to entry 0 (24 against 36), then gets
// the cached entry 1.
TEST(FastColorLookup, FirstColourToReachACellDecidesIt) {
    TFastColorLookup lookup({{0, 0, 0}, {20, 20, 20}});
    EXPECT_EQ(lookup.Lookup(15, 15, 15), 1);
    EXPECT_EQ(lookup.Lookup(8, 8, 8), 1);
    TFastColorLookup fresh({{0, 0, 0}, {20, 20, 20}});
    EXPECT_EQ(fresh.Lookup(8, 8, 8), 0);
    // Ties go to the first entry: (10,10,10) is 30 from both.
    TFastColorLookup tie({{0, 0, 0}, {20, 20, 20}});
    EXPECT_EQ(tie.Lookup(10, 10, 10), 0);
}

// Odd rows run right to left: in row 1 the rightmost pixel reaches the cell
// first. The lookup is made from the palette the reduction itself builds,
// so the expected indices come from replaying the walk in that order.
TEST(ColorQuantizer, ReductionWalksRowsInSerpentineOrder) {
    const TDibImage source = test::NoiseImage24(40, 9, 3);
    const TDibImage reduced = ReduceColors(source, 7, 0, 4);
    std::vector<TQuantColor> palette;
    for (int i = 0; i < 16; ++i) {
        const TRGBQuad q = reduced.ColorTable()[i];
        palette.push_back({q.rgbRed, q.rgbGreen, q.rgbBlue});
    }
    EXPECT_EQ(palette, OptimizedPalette(source, 16, 8));
    TFastColorLookup lookup(palette);
    for (int y = 0; y < source.Height(); ++y) {
        for (int i = 0; i < source.Width(); ++i) {
            const int x = y % 2 == 0 ? i : source.Width() - 1 - i;
            const TColor c = source.GetPixels(x, y);
            ASSERT_EQ(int(reduced.GetPixels(x, y)), lookup.Lookup(GetRValue(c), GetGValue(c), GetBValue(c)))
                << x << "," << y;
        }
    }
}

TEST(ColorQuantizer, ReductionGivesTheSerpentineBytesOnEveryThreadCount) {
    struct TCase {
        int Width, Height, Bits;
    };
    const TCase cases[] = {{1, 1, 8}, {9, 1, 8}, {1, 9, 2}, {37, 23, 4}, {301, 157, 8}, {640, 480, 8}, {640, 480, 1}};
    for (const TCase& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.Width << "x" << c.Height << " at " << c.Bits << " bits");
        // Noise, with every third row a copy of the row above shifted by one
        // pixel, so that many cells meet several colours in both directions.
        TDibImage source = test::NoiseImage24(c.Width, c.Height, std::uint32_t(c.Width * 7 + c.Bits));
        for (int y = 3; y < c.Height; y += 3)
            for (int x = 1; x < c.Width; ++x) source.SetPixels(x, y, source.GetPixels(x - 1, y - 1));
        const std::vector<TQuantColor> palette = OptimizedPalette(source, 1 << c.Bits, 8);
        // The walk itself, one pixel at a time.
        TFastColorLookup lookup(palette);
        std::vector<std::uint8_t> walked(std::size_t(c.Width) * std::size_t(c.Height));
        for (int y = 0; y < c.Height; ++y) {
            for (int i = 0; i < c.Width; ++i) {
                const int x = y % 2 == 0 ? i : c.Width - 1 - i;
                const TColor color = source.GetPixels(x, y);
                walked[std::size_t(y) * std::size_t(c.Width) + std::size_t(x)] =
                    std::uint8_t(lookup.Lookup(GetRValue(color), GetGValue(color), GetBValue(color)));
            }
        }
        for (int threads : {1, 2, 3, 7}) {
            SCOPED_TRACE(std::to_string(threads) + " threads");
            SetWorkerThreads(threads);
            const TDibImage reduced = ReduceColors(source, 7, 0, c.Bits);
            int differing = 0;
            for (int y = 0; y < c.Height; ++y)
                for (int x = 0; x < c.Width; ++x)
                    differing += reduced.ScanLineRead(y)[x] != walked[std::size_t(y) * std::size_t(c.Width) + std::size_t(x)];
            EXPECT_EQ(differing, 0);
        }
        SetWorkerThreads(0);
    }
    // The larger pictures do depend on the order: a walk from the bottom row
    // up decides some cells otherwise.
    const TDibImage source = test::NoiseImage24(640, 480, 640 * 7 + 8);
    const std::vector<TQuantColor> palette = OptimizedPalette(source, 256, 8);
    TFastColorLookup forward(palette), backward(palette);
    int differing = 0;
    for (int y = 0; y < 480; ++y) {
        for (int x = 0; x < 640; ++x) {
            const TColor a = source.GetPixels(x, y), b = source.GetPixels(639 - x, 479 - y);
            forward.Lookup(GetRValue(a), GetGValue(a), GetBValue(a));
            backward.Lookup(GetRValue(b), GetGValue(b), GetBValue(b));
        }
    }
    for (int y = 0; y < 480; ++y) {
        for (int x = 0; x < 640; ++x) {
            const TColor a = source.GetPixels(x, y);
            differing += forward.Lookup(GetRValue(a), GetGValue(a), GetBValue(a)) !=
                         backward.Lookup(GetRValue(a), GetGValue(a), GetBValue(a));
        }
    }
    EXPECT_GT(differing, 0);
}

TEST(ColorQuantizer, FixedPaletteRoundsEachChannelToItsLevel) {
    TDibImage source = test::FlatImage24(3, 1, 0);
    source.SetPixels(0, 0, RGB(47, 48, 255));  // levels 0, 1, 5: index 0*36 + 1*6 + 5
    source.SetPixels(1, 0, RGB(99, 100, 0));   // levels 2 (102/51), 2 (103/51), 0
    source.SetPixels(2, 0, RGB(255, 255, 255));
    const TDibImage reduced = ReduceColors(source, 6, 0, 8);
    EXPECT_EQ(reduced.ColorsUsed(), 216);
    EXPECT_EQ(reduced.GetPixels(0, 0), 11u);
    EXPECT_EQ(reduced.GetPixels(1, 0), 2u * 36 + 2 * 6);
    EXPECT_EQ(reduced.GetPixels(2, 0), 215u);
    EXPECT_EQ(ReduceColors(source, 0, 0, 8).BitCount(), 24);
}

}  // namespace
}  // namespace zelvo
