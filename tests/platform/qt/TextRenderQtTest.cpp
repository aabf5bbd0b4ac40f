// The text tool's renderer over Qt: glyphs without grey edges, lines where
// the document asks for them in both writing directions, sizes at 96 dots
// per inch. (The application object comes from QtClipboardTest.cpp's
// environment.)

#include <gtest/gtest.h>

#include <QFontDatabase>

#include <algorithm>
#include <string>

#include "image/Exceptions.h"
#include "platform/TextRendering.h"
#include "platform/qt/TextRenderQt.h"

namespace zelvo {
namespace {

TTextFont Face(int size) {
    TTextFont font;
    font.Name = kDefaultTextFace;
    font.Size = size;
    return font;
}

// The ink's bounding box, or an empty rectangle.
TRect InkBounds(const TDibImage& mask) {
    TRect r{mask.Width(), mask.Height(), 0, 0};
    for (int y = 0; y < mask.Height(); ++y) {
        const std::uint8_t* row = mask.ScanLineRead(y);
        for (int x = 0; x < mask.Width(); ++x) {
            if (row[x] == 255) continue;
            r.Left = std::min(r.Left, x);
            r.Top = std::min(r.Top, y);
            r.Right = std::max(r.Right, x + 1);
            r.Bottom = std::max(r.Bottom, y + 1);
        }
    }
    return r;
}

TEST(TextRenderQt, TheDefaultJapaneseFaceIsInstalled) {
    EXPECT_TRUE(TQtTextRenderer::FontFamilies().contains(QString::fromLatin1(kDefaultTextFace)));
    EXPECT_EQ(TQtTextRenderer::InstalledFace(QStringLiteral("No Such Face 12345")),
              TQtTextRenderer::FontFamilies().value(0));
}

// 10 pt at 96 dpi is 13 pixels, 12 pt 16, 72 pt 96.
TEST(TextRenderQt, PointsMapAt96Dpi) {
    EXPECT_EQ(PointsToPixels(10), 13);
    EXPECT_EQ(PointsToPixels(12), 16);
    EXPECT_EQ(PointsToPixels(72), 96);
    EXPECT_EQ(TQtTextRenderer::ToQFont(Face(72)).pixelSize(), 96);
    const TQtTextRenderer renderer;
    const int small = renderer.LineHeight(Face(12));
    const int large = renderer.LineHeight(Face(24));
    EXPECT_GE(small, 16);
    EXPECT_NEAR(large, 2 * small, 2);
    EXPECT_GT(renderer.TextWidth(Face(12), "文字入れ"), renderer.TextWidth(Face(12), "文字"));
}

// Every mask pixel is paper (255) or ink (0): no grey edges from Qt, also
// for bold, italic and underlined text.
TEST(TextRenderQt, GlyphsHaveNoGreyEdges) {
    const TQtTextRenderer renderer;
    TTextFont font = Face(20);
    font.Bold = font.Italic = font.UnderLine = true;
    const std::string line = "Zelvo 文字入れ Ag";
    TDibImage mask = NewTextMask(renderer.TextWidth(font, line) + 4, renderer.LineHeight(font));
    renderer.DrawLine(mask, font, 0, 0, line, false);
    int ink = 0;
    for (int y = 0; y < mask.Height(); ++y) {
        for (int x = 0; x < mask.Width(); ++x) {
            const int v = mask.ScanLineRead(y)[x];
            ASSERT_TRUE(v == 0 || v == 255) << x << ", " << y << ": " << v;
            ink += v == 0;
        }
    }
    EXPECT_GT(ink, 100);
}

// Horizontal: the ink lies in the line's cell from (x, y). Vertical: in the
// column left of x, reading downwards from y, the line's length long.
TEST(TextRenderQt, LinesLandInTheirCells) {
    const TQtTextRenderer renderer;
    const TTextFont font = Face(16);
    const std::string line = "文字入れ";
    const int lh = renderer.LineHeight(font);
    const int width = renderer.TextWidth(font, line);

    TDibImage across = NewTextMask(width + 40, 3 * lh);
    renderer.DrawLine(across, font, 20, lh, line, false);
    const TRect h = InkBounds(across);
    EXPECT_GE(h.Left, 20);
    EXPECT_LE(h.Right, 20 + width);
    EXPECT_GE(h.Top, lh);
    EXPECT_LE(h.Bottom, 2 * lh);
    EXPECT_GT(h.Width(), width / 2);

    TDibImage down = NewTextMask(3 * lh, width + 40);
    renderer.DrawLine(down, font, 2 * lh, 20, line, true);
    const TRect v = InkBounds(down);
    EXPECT_GE(v.Left, lh);
    EXPECT_LE(v.Right, 2 * lh);
    EXPECT_GE(v.Top, 20);
    EXPECT_LE(v.Bottom, 20 + width);
    EXPECT_GT(v.Height(), width / 2);
}

// A bottom-up mask gets the same ink as a top-down one; other depths are
// refused.
TEST(TextRenderQt, BottomUpMasksAndBadDepths) {
    const TQtTextRenderer renderer;
    const TTextFont font = Face(14);
    TDibImage topDown = NewTextMask(80, 24);
    TDibImage bottomUp;
    bottomUp.SetBitCount(8);
    bottomUp.SetWidth(80);
    bottomUp.SetHeight(24);
    for (int y = 0; y < 24; ++y) std::fill_n(bottomUp.ScanLine(y), 80, std::uint8_t(255));
    renderer.DrawLine(topDown, font, 2, 1, "Abc", false);
    renderer.DrawLine(bottomUp, font, 2, 1, "Abc", false);
    for (int y = 0; y < 24; ++y)
        ASSERT_TRUE(std::equal(topDown.ScanLineRead(y), topDown.ScanLineRead(y) + 80, bottomUp.ScanLineRead(y))) << y;
    TDibImage rgb;
    rgb.SetBitCount(24);
    EXPECT_THROW(renderer.DrawLine(rgb, font, 0, 0, "A", false), EDibImageBadDIBType);
}

}  // namespace
}  // namespace zelvo
