// The PNG row filters and the Adam7 pass layout on their own: worked
// examples, a round trip through every filter, and the refused filter type.

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "formats/PngImage.h"
#include "formats/PngInterlace.h"
#include "formats/PngRowFilters.h"

namespace zelvo::png {
namespace {

// A row buffer with the zero pad in front, as the codec keeps them.
struct TPaddedRow {
    explicit TPaddedRow(std::vector<std::uint8_t> bytes) : Data(kRowPad, 0) {
        Data.insert(Data.end(), bytes.begin(), bytes.end());
    }
    std::uint8_t* Row() { return Data.data() + kRowPad; }
    std::vector<std::uint8_t> Bytes() const { return {Data.begin() + kRowPad, Data.end()}; }
    std::vector<std::uint8_t> Data;
};

TEST(PngRowFilters, PaethPrefersLeftThenUpThenUpperLeft) {
    // p = a + b - c; the neighbour nearest to p wins, ties in that order.
    EXPECT_EQ(Paeth(10, 20, 10), 20);  // p = 20: up is exact
    EXPECT_EQ(Paeth(20, 10, 10), 20);  // p = 20: left is exact
    EXPECT_EQ(Paeth(10, 10, 10), 10);  // all equal
    EXPECT_EQ(Paeth(5, 9, 7), 7);      // p = 7: upper-left is exact
    EXPECT_EQ(Paeth(4, 8, 6), 6);      // p = 6: |p-a| = 2, |p-b| = 2, |p-c| = 0
    EXPECT_EQ(Paeth(3, 5, 4), 4);      // p = 4: upper-left exact
    EXPECT_EQ(Paeth(2, 6, 0), 6);      // p = 8: |8-2| = 6, |8-6| = 2, |8-0| = 8
}

TEST(PngRowFilters, WorkedExampleOfEachFilterOnTwoPixels) {
    // Two 1-byte pixels; previous row {100, 50}, raw row {110, 40}.
    const std::vector<std::uint8_t> prevBytes = {100, 50}, raw = {110, 40};
    TPaddedRow prev(prevBytes), rawRow(raw);
    const struct {
        int Type;
        std::vector<std::uint8_t> Filtered;
    } cases[] = {
        {1, {110, std::uint8_t(40 - 110)}},             // sub: minus left (0, then 110)
        {2, {10, std::uint8_t(40 - 50)}},               // up: minus above
        {3, {60, std::uint8_t(40 - (110 + 50) / 2)}},   // average: (0 + 100) / 2 = 50, then 80
        {4, {10, std::uint8_t(40 - 50)}},               // Paeth: up (100), then p = 60 -> up (50)
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Type);
        std::vector<std::uint8_t> out(2);
        FilterRow(c.Type, rawRow.Row(), prev.Row(), 2, 1, out.data());
        EXPECT_EQ(out, c.Filtered);
        TPaddedRow back(out);
        Unfilter(std::uint8_t(c.Type), back.Row(), prev.Row(), 2, 1);
        EXPECT_EQ(back.Bytes(), raw);
    }
}

TEST(PngRowFilters, EveryFilterRoundTripsRandomRows) {
    std::mt19937 random(7);
    for (const std::size_t bpp : {1u, 3u, 4u, 8u}) {
        for (int type = 0; type <= 4; ++type) {
            SCOPED_TRACE(testing::Message() << "bpp " << bpp << " filter " << type);
            const std::size_t n = bpp * 13;
            std::vector<std::uint8_t> prevBytes(n), raw(n);
            for (auto& b : prevBytes) b = std::uint8_t(random());
            for (auto& b : raw) b = std::uint8_t(random());
            TPaddedRow prev(prevBytes), rawRow(raw);
            std::vector<std::uint8_t> filtered = raw;
            if (type != 0) FilterRow(type, rawRow.Row(), prev.Row(), n, bpp, filtered.data());
            TPaddedRow back(filtered);
            Unfilter(std::uint8_t(type), back.Row(), prev.Row(), n, bpp);
            EXPECT_EQ(back.Bytes(), raw);
        }
    }
}

TEST(PngRowFilters, UnknownFilterTypeIsRefused) {
    TPaddedRow prev({0, 0}), row({1, 2});
    try {
        Unfilter(5, row.Row(), prev.Row(), 2, 1);
        FAIL() << "filter 5 accepted";
    } catch (const EPngLoadError& e) {
        EXPECT_STREQ(e.what(), "PNG LoadStream: not support Filter");
    }
}

TEST(PngRowFilters, RowCostReadsBytesAsSigned) {
    const std::uint8_t row[] = {0, 1, 255, 128, 127};  // 0 + 1 + 1 + 128 + 127
    EXPECT_EQ(RowCost(row, 5), 257u);
}

TEST(PngInterlace, PassSizesOfAFiveByThreePicture) {
    // Adam7 over 5 x 3: columns/rows each pass reaches from its start with
    // its step. Pass 2 (x from 4, y from 0) has 1 x 1; pass 3 (y from 4) is
    // empty and left out; pass 7 (y from 1, step 2) has 5 x 1.
    const std::vector<TPass> passes = MakePasses(5, 3, true, 8);
    struct TSize {
        int X0, Y0, Width, Height;
    };
    const TSize expected[] = {{0, 0, 1, 1}, {4, 0, 1, 1}, {2, 0, 1, 1}, {0, 2, 3, 1}, {1, 0, 2, 2}, {0, 1, 5, 1}};
    ASSERT_EQ(passes.size(), std::size(expected));
    for (std::size_t i = 0; i < passes.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(passes[i].G.X0, expected[i].X0);
        EXPECT_EQ(passes[i].G.Y0, expected[i].Y0);
        EXPECT_EQ(passes[i].Width, expected[i].Width);
        EXPECT_EQ(passes[i].Height, expected[i].Height);
        EXPECT_EQ(passes[i].RowBytes, std::size_t(expected[i].Width));
    }
}

TEST(PngInterlace, OnePassWithoutInterlaceAndPackedRowBytes) {
    const std::vector<TPass> passes = MakePasses(13, 2, false, 1);
    ASSERT_EQ(passes.size(), 1u);
    EXPECT_EQ(passes[0].Width, 13);
    EXPECT_EQ(passes[0].Height, 2);
    EXPECT_EQ(passes[0].RowBytes, 2u);  // 13 bits in 2 bytes
    // A 1 x 1 interlaced picture has only the first pass.
    EXPECT_EQ(MakePasses(1, 1, true, 24).size(), 1u);
}

}  // namespace
}  // namespace zelvo::png
