// The text block drawn into a picture: box and frame geometry, where the
// glyphs land, the smoothing pass and the opacity blend, on hand-made
// pictures drawn as letters.

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "TestSupport.h"
#include "effects/TextBlock.h"
#include "image/Exceptions.h"

namespace zelvo {
namespace {

using namespace zelvo::effects;

constexpr TColor kGrey = RGB(128, 128, 128);
constexpr TColor kRed = RGB(255, 0, 0);

const std::map<char, TColor>& Palette() {
    static const std::map<char, TColor> colors = {
        {'G', kGrey}, {'W', clWhite}, {'K', clBlack}, {'R', kRed}};
    return colors;
}

// A mask from rows of '#' (ink) and '.' (paper).
TDibImage Mask(const std::vector<std::string>& rows) {
    TDibImage mask;
    mask.SetBitCount(24);
    mask.SetWidth(int(rows[0].size()));
    mask.SetHeight(int(rows.size()));
    for (int y = 0; y < int(rows.size()); ++y)
        for (int x = 0; x < int(rows[0].size()); ++x)
            mask.SetPixels(x, y, rows[std::size_t(y)][std::size_t(x)] == '#' ? clBlack : clWhite);
    return mask;
}

// The picture as rows of letters of Palette(); '?' for other colours.
std::vector<std::string> Art(const TDibImage& picture) {
    std::vector<std::string> rows;
    for (int y = 0; y < picture.Height(); ++y) {
        std::string row;
        for (int x = 0; x < picture.Width(); ++x) {
            char letter = '?';
            for (const auto& [c, color] : Palette())
                if (picture.GetPixels(x, y) == color) letter = c;
            row += letter;
        }
        rows.push_back(row);
    }
    return rows;
}

struct BoxCase {
    const char* Name;
    int Width, Height;
    std::vector<std::string> MaskRows;
    TextBlockParams Params;
    std::vector<std::string> Expected;
};

TextBlockParams Params(int left, int top, int frameWidth, int padding, bool transparent) {
    TextBlockParams p;
    p.Left = left;
    p.Top = top;
    p.TextColor = clBlack;
    p.BackColor = clWhite;
    p.FrameColor = kRed;
    p.FrameWidth = frameWidth;
    p.Padding = padding;
    p.Transparent = transparent;
    return p;
}

class TextBox : public ::testing::TestWithParam<BoxCase> {};

TEST_P(TextBox, BoxFrameAndGlyphsLandWhereExpected) {
    const BoxCase& c = GetParam();
    TDibImage work = test::FlatImage24(c.Width, c.Height, kGrey);
    DrawTextBlock(work, Mask(c.MaskRows), c.Params);
    EXPECT_EQ(Art(work), c.Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Geometry, TextBox,
    ::testing::Values(
        // Mask 2 x 1 grown by frame 1 + padding 1: a 6 x 5 box at (2, 1),
        // the ink 2 pixels in at (4, 3).
        BoxCase{"FrameAndPadding", 10, 8, {"#."}, Params(2, 1, 1, 1, false),
                {"GGGGGGGGGG", "GGRRRRRRGG", "GGRWWWWRGG", "GGRWKWWRGG", "GGRWWWWRGG", "GGRRRRRRGG",
                 "GGGGGGGGGG", "GGGGGGGGGG"}},
        // Transparent: a 2-pixel frame around the untouched middle.
        BoxCase{"TransparentKeepsTheMiddle", 8, 8, {"..", ".."}, Params(1, 1, 2, 0, true),
                {"GGGGGGGG", "GRRRRRRG", "GRRRRRRG", "GRRGGRRG", "GRRGGRRG", "GRRRRRRG", "GRRRRRRG", "GGGGGGGG"}},
        // No frame and transparent: only the glyphs.
        BoxCase{"NoFrameTransparentDrawsOnlyInk", 5, 4, {"#.", ".#"}, Params(1, 0, 0, 1, true),
                {"GGGGG", "GGKGG", "GGGKG", "GGGGG"}},
        // No frame, not transparent: the box in the background colour.
        BoxCase{"NoFrameFillsTheBox", 6, 4, {"#."}, Params(1, 1, 0, 1, false),
                {"GGGGGG", "GWWWWG", "GWKWWG", "GWWWWG"}},
        // A box hanging over the top-left corner is cut off there.
        BoxCase{"CutOffAtTheCorner", 6, 5, {"#."}, Params(-2, -1, 1, 1, false),
                {"WWWRGG", "KWWRGG", "WWWRGG", "RRRRGG", "GGGGGG"}}),
    [](const ::testing::TestParamInfo<BoxCase>& param) { return std::string(param.param.Name); });

// Opacity 50 over white: black text and frame become 127, the white box
// stays 255, and pixels outside the box are never touched.
TEST(TextBlock, OpacityFiftyOverWhite) {
    TDibImage work = test::FlatImage24(8, 6, clWhite);
    TextBlockParams p = Params(1, 0, 1, 1, false);
    p.FrameColor = clBlack;
    p.Opacity = 50;
    DrawTextBlock(work, Mask({"#."}), p);
    const TColor grey = RGB(127, 127, 127);
    EXPECT_EQ(work.GetPixels(3, 2), grey);           // the ink at (1 + 2, 0 + 2)
    EXPECT_EQ(work.GetPixels(1, 0), grey);           // frame
    EXPECT_EQ(work.GetPixels(6, 4), grey);           // frame, far corner of the 6 x 5 box
    EXPECT_EQ(work.GetPixels(4, 2), clWhite);        // background
    EXPECT_EQ(work.GetPixels(0, 0), clWhite);        // outside
    EXPECT_EQ(work.GetPixels(7, 5), clWhite);        // outside
}

// Red text at opacity 30 over (200, 100, 50): (30 x 255 + 70 x 200) div 100
// = 216, (0 + 70 x 100) div 100 = 70, (0 + 70 x 50) div 100 = 35.
TEST(TextBlock, OpacityBlendsEachChannelWithTheOldPixel) {
    TDibImage work = test::FlatImage24(3, 3, RGB(200, 100, 50));
    TextBlockParams p = Params(0, 0, 0, 1, true);
    p.TextColor = kRed;
    p.Opacity = 30;
    DrawTextBlock(work, Mask({"#"}), p);
    EXPECT_EQ(work.GetPixels(1, 1), RGB(216, 70, 35));
    EXPECT_EQ(work.GetPixels(0, 0), RGB(200, 100, 50));
}

// Smoothing of a 4 x 4 lower triangle of ink (box = mask, no frame, no
// padding) at (1, 1) on white; box pixels (1..2, 1..2) are visited row by
// row, each reading its neighbours as they stand:
//  (1,1): L ink, R paper, U paper, D ink, 3 ink: (0+0+255+255+0) div 5 = 102
//  (2,1): 2 ink:          (255+102+255+255+0) div 5 = 173
//  (1,2): left and right both ink: unchanged
//  (2,2): 3 ink:          (0+0+255+173+0) div 5 = 85
TEST(TextBlock, SmoothingWorkedExample) {
    TDibImage work = test::FlatImage24(6, 6, clWhite);
    TextBlockParams p = Params(1, 1, 0, 0, false);
    p.AntiAlias = true;
    DrawTextBlock(work, Mask({"#...", "##..", "###.", "####"}), p);
    const std::vector<std::vector<int>> expected = {
        {255, 255, 255, 255, 255, 255}, {255, 0, 255, 255, 255, 255}, {255, 0, 102, 173, 255, 255},
        {255, 0, 0, 85, 255, 255},      {255, 0, 0, 0, 0, 255},       {255, 255, 255, 255, 255, 255}};
    for (int y = 0; y < 6; ++y) {
        for (int x = 0; x < 6; ++x) {
            SCOPED_TRACE(std::to_string(x) + ", " + std::to_string(y));
            const std::uint8_t v = std::uint8_t(expected[std::size_t(y)][std::size_t(x)]);
            EXPECT_EQ(work.GetPixels(x, y), RGB(v, v, v));
        }
    }
}

// The smoothing stays inside the box even where the picture goes on
// beyond it: ink touching the box's last row and column changes nothing
// on the box's edge or outside it.
TEST(TextBlock, SmoothingStaysInsideTheBoxOnALargerPicture) {
    const TDibImage picture = test::NoiseImage24(20, 16, 7);
    const std::vector<std::string> rows = {"...#", "..##", ".###", "####"};
    for (const auto& [left, top] : {std::pair{3, 2}, std::pair{16, 12}, std::pair{0, 0}}) {
        SCOPED_TRACE(std::to_string(left) + ", " + std::to_string(top));
        TextBlockParams p = Params(left, top, 0, 0, true);
        TDibImage plain(picture);
        plain.UniqueDIB();
        DrawTextBlock(plain, Mask(rows), p);
        p.AntiAlias = true;
        TDibImage smooth(picture);
        smooth.UniqueDIB();
        DrawTextBlock(smooth, Mask(rows), p);
        int changed = 0;
        for (int y = 0; y < picture.Height(); ++y) {
            for (int x = 0; x < picture.Width(); ++x) {
                const bool interior = x >= left + 1 && x <= left + 2 && y >= top + 1 && y <= top + 2;
                if (!interior) EXPECT_EQ(smooth.GetPixels(x, y), plain.GetPixels(x, y)) << x << ", " << y;
                else changed += smooth.GetPixels(x, y) != plain.GetPixels(x, y);
            }
        }
        EXPECT_GT(changed, 0);
    }
}

// A box whose top lies above the picture is drawn cut off and not
// smoothed at all; one that starts on the first column still is.
TEST(TextBlock, NoSmoothingWhenTheBoxStartsAboveThePicture) {
    const std::vector<std::string> rows = {"#...", "##..", "###.", "####"};
    for (const auto& [top, smoothed] : {std::pair{-1, false}, std::pair{0, true}}) {
        SCOPED_TRACE(top);
        TDibImage plain = test::FlatImage24(8, 8, clWhite);
        TDibImage smooth = test::FlatImage24(8, 8, clWhite);
        TextBlockParams p = Params(0, top, 0, 0, false);
        DrawTextBlock(plain, Mask(rows), p);
        p.AntiAlias = true;
        DrawTextBlock(smooth, Mask(rows), p);
        std::string why;
        EXPECT_EQ(!test::SamePixels(plain, smooth, &why), smoothed) << why;
    }
}

// The preview of a palette picture: the part under the box in its table's
// colours with the block drawn over it; nothing for a box off the picture.
TEST(TextBlock, PreviewOfAPalettePicture) {
    const TDibImage picture = test::NoiseImagePalette(9, 7, 4, 16, 21);
    TDibImage preview;
    TRect area;
    TextBlockParams p = Params(-1, 2, 0, 1, true);
    ASSERT_TRUE(TextBlockPreview(picture, Mask({"#.", ".."}), p, preview, area));
    EXPECT_EQ(area, Rect(0, 2, 3, 6));  // box 4 x 4 from (-1, 2)
    EXPECT_EQ(preview.BitCount(), 24);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 3; ++x) {
            const TRGBQuad q = picture.ColorTable()[picture.GetPixels(x, y + 2)];
            const TColor expected = x == 0 && y == 1 ? clBlack : RGB(q.rgbRed, q.rgbGreen, q.rgbBlue);
            EXPECT_EQ(preview.GetPixels(x, y), expected) << x << ", " << y;
        }
    }
    p.Left = 9;
    EXPECT_FALSE(TextBlockPreview(picture, Mask({"#"}), p, preview, area));
}

TEST(TextBlock, RefusesBadValuesBeforeDrawing) {
    const TDibImage picture = test::FlatImage24(6, 6, kGrey);
    for (const auto& [frame, padding, opacity] :
         {std::tuple{100, 0, 100}, std::tuple{-1, 0, 100}, std::tuple{0, 100, 100}, std::tuple{0, -1, 100},
          std::tuple{0, 0, 101}, std::tuple{0, 0, -1}}) {
        SCOPED_TRACE(std::to_string(frame) + " " + std::to_string(padding) + " " + std::to_string(opacity));
        TDibImage work(picture);
        TextBlockParams p = Params(0, 0, frame, padding, false);
        p.Opacity = opacity;
        try {
            DrawTextBlock(work, Mask({"#"}), p);
            ADD_FAILURE() << "no exception";
        } catch (const EDibImageInvalidDIBPara& e) {
            EXPECT_STREQ(e.what(), "TDibImageData.CreateDIB: Invalid Parameters");
        }
        EXPECT_TRUE(test::SamePixels(work, picture));
    }
    TDibImage palette = test::NoiseImagePalette(4, 4, 8, 256, 1);
    EXPECT_THROW(DrawTextBlock(palette, Mask({"#"}), Params(0, 0, 1, 1, false)), EDibImageBadDIBType);
}

}  // namespace
}  // namespace zelvo
