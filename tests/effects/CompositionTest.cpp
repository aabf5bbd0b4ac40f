#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestSupport.h"
#include "effects/Composition.h"
#include "image/Exceptions.h"

namespace zelvo {
namespace {

using namespace zelvo::effects;

TDibImage Row(const std::vector<TColor>& colors) {
    TDibImage image;
    image.SetBitCount(24);
    image.SetWidth(int(colors.size()));
    image.SetHeight(1);
    for (int x = 0; x < int(colors.size()); ++x) image.SetPixels(x, 0, colors[std::size_t(x)]);
    return image;
}

struct MergeCase {
    TMergeKind Kind;
    int Transparency;
    std::vector<TColor> Expected;
};

// Work pixels A (100, 50, 200), B (10, 10, 10), C (30, 0, 0) under source
// pixels (60, 120, 30), (20, 20, 20), (0, 0, 30); channel sums A 350 / 210,
// B 30 / 60, C 30 / 30 (a tie).
class MergeKinds : public ::testing::TestWithParam<MergeCase> {};

TEST_P(MergeKinds, HandMadePixels) {
    const MergeCase& c = GetParam();
    TDibImage work = Row({RGB(100, 50, 200), RGB(10, 10, 10), RGB(30, 0, 0)});
    const TDibImage source = Row({RGB(60, 120, 30), RGB(20, 20, 20), RGB(0, 0, 30)});
    Merge(work, source, c.Kind, c.Transparency, {});
    for (int x = 0; x < 3; ++x) {
        SCOPED_TRACE(x);
        EXPECT_EQ(work.GetPixels(x, 0), c.Expected[std::size_t(x)]);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Composition, MergeKinds,
    ::testing::Values(
        // Blend, t = 25: (source x 75 + work x 25) div 100, so A red
        // (4500 + 2500) / 100 = 70, green (9000 + 1250) / 100 = 102, blue
        // (2250 + 5000) / 100 = 72; B (1500 + 250) / 100 = 17; C red 750 / 100
        // = 7, blue 2250 / 100 = 22.
        MergeCase{TMergeKind::Blend, 25, {RGB(70, 102, 72), RGB(17, 17, 17), RGB(7, 0, 22)}},
        // t = 0 copies the source; t = 100 keeps the picture.
        MergeCase{TMergeKind::Blend, 0, {RGB(60, 120, 30), RGB(20, 20, 20), RGB(0, 0, 30)}},
        MergeCase{TMergeKind::Blend, 100, {RGB(100, 50, 200), RGB(10, 10, 10), RGB(30, 0, 0)}},
        // Transparency is limited to 0..100: 250 acts as 100, -7 as 0.
        MergeCase{TMergeKind::Blend, 250, {RGB(100, 50, 200), RGB(10, 10, 10), RGB(30, 0, 0)}},
        MergeCase{TMergeKind::Blend, -7, {RGB(60, 120, 30), RGB(20, 20, 20), RGB(0, 0, 30)}},
        // Lighter: only B's source (60 > 30) wins; the tie at C keeps the work.
        MergeCase{TMergeKind::Lighter, 50, {RGB(100, 50, 200), RGB(20, 20, 20), RGB(30, 0, 0)}},
        // Darker: only A's source (210 < 350) wins.
        MergeCase{TMergeKind::Darker, 50, {RGB(60, 120, 30), RGB(10, 10, 10), RGB(30, 0, 0)}},
        // Add: A (160, 170, 230), B (30, 30, 30), C (30, 0, 30).
        MergeCase{TMergeKind::Add, 0, {RGB(160, 170, 230), RGB(30, 30, 30), RGB(30, 0, 30)}},
        // Subtract: A (40, 50 - 120 -> 0, 170), B all 0, C (30, 0, 0 - 30 -> 0).
        MergeCase{TMergeKind::Subtract, 0, {RGB(40, 0, 170), RGB(0, 0, 0), RGB(30, 0, 0)}}));

TEST(Merge, AddSaturatesAt255) {
    TDibImage work = Row({RGB(200, 250, 128)});
    Merge(work, Row({RGB(100, 5, 127)}), TMergeKind::Add, 0, {});
    EXPECT_EQ(work.GetPixels(0, 0), RGB(255, 255, 255));
}

TEST(Merge, OnlyTheTopLeftOverlapChanges) {
    // A 2 x 2 source on a 4 x 3 picture; then a 6 x 5 source clipped to it.
    TDibImage work = test::FlatImage24(4, 3, RGB(1, 2, 3));
    Merge(work, test::FlatImage24(2, 2, RGB(9, 9, 9)), TMergeKind::Blend, 0, {});
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) {
            SCOPED_TRACE(std::to_string(x) + "," + std::to_string(y));
            EXPECT_EQ(work.GetPixels(x, y), x < 2 && y < 2 ? RGB(9, 9, 9) : RGB(1, 2, 3));
        }
    Merge(work, test::FlatImage24(6, 5, RGB(7, 7, 7)), TMergeKind::Blend, 0, {});
    EXPECT_TRUE(test::SamePixels(work, test::FlatImage24(4, 3, RGB(7, 7, 7))));
}

TEST(Merge, PaletteSourceIsReadThroughItsColours) {
    const TDibImage source = test::NoiseImagePalette(5, 4, 8, 256, 11);
    TDibImage work = test::FlatImage24(5, 4, clBlack);
    Merge(work, source, TMergeKind::Blend, 0, {});
    TDibImage expected(source);
    expected.SetPixelFormat(dibPf24Bit);
    EXPECT_TRUE(test::SamePixels(work, expected));
}

TEST(Merge, UnknownKindIsRefused) {
    TDibImage work = test::FlatImage24(2, 2, clWhite);
    EXPECT_THROW(Merge(work, work, TMergeKind(5), 0, {}), EDibImageInvalidDIBPara);
}

TEST(Combine, WorkedExampleRightWithGapAndNegativeOffset) {
    // 100 x 50 joined by 40 x 80 on the right, gap 10, offset -5: width
    // 100 + 40 + 10 = 150, height max(50, 80) + 5 = 85; the current picture
    // moves down by 5, the other starts at 100 + 10 = 110.
    const TDibImage current = test::FlatImage24(100, 50, clRed);
    const TDibImage other = test::FlatImage24(40, 80, clBlue);
    const TCombineLayout layout = CombineLayout(100, 50, 40, 80, TCombineDirection::Right, -5, 10);
    EXPECT_EQ(layout.Current, (TPoint{0, 5}));
    EXPECT_EQ(layout.Other, (TPoint{110, 0}));
    const TDibImage joined = Combine(current, other, TCombineDirection::Right, -5, 10, clLime);
    ASSERT_EQ(joined.Width(), 150);
    ASSERT_EQ(joined.Height(), 85);
    const std::vector<std::pair<TPoint, TColor>> probes = {
        {{0, 5}, clRed},   {{99, 54}, clRed},    {{0, 4}, clLime},   {{0, 55}, clLime},  {{100, 20}, clLime},
        {{109, 20}, clLime}, {{110, 0}, clBlue}, {{149, 79}, clBlue}, {{110, 80}, clLime}, {{149, 84}, clLime},
    };
    for (const auto& [at, color] : probes) {
        SCOPED_TRACE(std::to_string(at.X) + "," + std::to_string(at.Y));
        EXPECT_EQ(joined.GetPixels(at.X, at.Y), ColorToRGB(color));
    }
}

TEST(Combine, EveryDirectionPlacesBothPictures) {
    // 3 x 2 current, 2 x 4 other, gap 1, offset 2 (moves the other).
    struct Case {
        TCombineDirection Direction;
        int Width, Height;
        TPoint Current, Other;
    };
    const Case cases[] = {
        {TCombineDirection::Left, 6, 6, {3, 0}, {0, 2}},
        {TCombineDirection::Right, 6, 6, {0, 0}, {4, 2}},
        {TCombineDirection::Above, 5, 7, {0, 5}, {2, 0}},
        {TCombineDirection::Below, 5, 7, {0, 0}, {2, 3}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.Direction));
        const TDibImage joined = Combine(test::FlatImage24(3, 2, clRed), test::FlatImage24(2, 4, clBlue),
                                         c.Direction, 2, 1, clWhite);
        ASSERT_EQ(joined.Width(), c.Width);
        ASSERT_EQ(joined.Height(), c.Height);
        EXPECT_EQ(joined.GetPixels(c.Current.X + 2, c.Current.Y + 1), ColorToRGB(clRed));
        EXPECT_EQ(joined.GetPixels(c.Other.X + 1, c.Other.Y + 3), ColorToRGB(clBlue));
        EXPECT_EQ(joined.GetPixels(c.Other.X, c.Other.Y), ColorToRGB(clBlue));
    }
}

TEST(Combine, NegativeGapOverlapsWithTheOtherOnTop) {
    // Gap -2: the other starts at 4 - 2 = 2 and covers columns 2..3 of the
    // current picture; the result is 4 + 3 - 2 = 5 wide.
    const TDibImage joined =
        Combine(test::FlatImage24(4, 1, clRed), test::FlatImage24(3, 1, clBlue), TCombineDirection::Right, 0, -2, clWhite);
    ASSERT_EQ(joined.Width(), 5);
    EXPECT_EQ(joined.GetPixels(1, 0), ColorToRGB(clRed));
    EXPECT_EQ(joined.GetPixels(2, 0), ColorToRGB(clBlue));
    EXPECT_EQ(joined.GetPixels(4, 0), ColorToRGB(clBlue));
}

TEST(Combine, SizesItCannotMakeAreRefused) {
    const TDibImage a = test::FlatImage24(4, 3, clRed);
    const TDibImage b = test::FlatImage24(3, 3, clBlue);
    struct Case {
        TCombineDirection Direction;
        int Offset, Gap;
    };
    const Case cases[] = {
        {TCombineDirection::Right, 0, -7},          // 4 + 3 - 7 = 0 wide
        {TCombineDirection::Left, 0, -99},          // negative width
        {TCombineDirection::Below, 0, -6},          // 0 high
        {TCombineDirection::Right, 0, 1 << 28},     // above the pixel limit
        {TCombineDirection::Above, 2147483647, 0},  // the offset alone is too large
        {TCombineDirection::Right, -2147483647 - 1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(int(c.Direction)) + " " + std::to_string(c.Offset) + " " + std::to_string(c.Gap));
        try {
            (void)Combine(a, b, c.Direction, c.Offset, c.Gap, clWhite);
            ADD_FAILURE() << "not refused";
        } catch (const EDibImageInvalidDIBPara& e) {
            EXPECT_STREQ(e.what(), "TDibImageData.CreateDIB: Invalid Parameters");
        }
    }
}

}  // namespace
}  // namespace zelvo
