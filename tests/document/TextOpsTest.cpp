// The document's text tool with a renderer of plain bars instead of
// glyphs: the derived sizes, where lines go in both writing directions,
// the boxes the view uses, and drawing into pictures of every depth.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "BarTextRenderer.h"
#include "EffectOpsSupport.h"
#include "TestSupport.h"
#include "document/QxImage.h"
#include "image/Exceptions.h"
#include "image/Stream.h"
#include "platform/TextRendering.h"

namespace zelvo {
namespace {

TTextFont Font(int size, TColor color = clBlack) {
    TTextFont font;
    font.Name = "bars";
    font.Size = size;
    font.Color = color;
    return font;
}

bool Ink(const TDibImage& mask, int x, int y) { return mask.GetPixels(x, y) == 0; }

class TextOps : public ::testing::Test {
protected:
    // Sets the overlay with everything but the varying parts at plain values.
    void Set(TPoint pos, const std::vector<std::string>& lines, int frameWidth = 1, int padding = 3,
             bool vertical = false, int opacity = 100, bool antiAlias = false, bool transparent = false) {
        doc_.SetTextOverlay(pos, lines, opacity, antiAlias, padding, RGB(255, 0, 0), frameWidth, vertical, clWhite,
                            transparent, Font(10));
    }
    test::TBarTextRenderer renderer_;
    TTextRendererInstallation installed_{renderer_};
    TQxImage doc_;
};

TEST_F(TextOps, HorizontalLinesStackDownwards) {
    test::LoadPicture(doc_, test::FlatImage24(60, 40, clWhite));
    Set(TPoint{2, 3}, {"a", "abc"});
    const TTextOverlay& t = doc_.TextOverlay();
    EXPECT_EQ(t.LineHeight, 10);
    EXPECT_EQ(t.BlockWidth, 18);   // the widest line
    EXPECT_EQ(t.BlockHeight, 20);  // two lines
    ASSERT_TRUE(t.HasMask);
    EXPECT_EQ(t.Mask.Width(), 18);
    EXPECT_TRUE(Ink(t.Mask, 5, 4));    // first line: 6 wide from row 0
    EXPECT_FALSE(Ink(t.Mask, 6, 4));
    EXPECT_TRUE(Ink(t.Mask, 17, 10));  // second line: 18 wide from row 10
    EXPECT_FALSE(Ink(t.Mask, 17, 5));
}

// Vertical writing: the first line is the rightmost column, each reading
// from the top.
TEST_F(TextOps, VerticalLinesRunFromRightToLeft) {
    test::LoadPicture(doc_, test::FlatImage24(60, 40, clWhite));
    Set(TPoint{0, 0}, {"a", "abc"}, 1, 3, /*vertical=*/true);
    const TTextOverlay& t = doc_.TextOverlay();
    EXPECT_EQ(t.BlockWidth, 20);   // two columns
    EXPECT_EQ(t.BlockHeight, 18);  // the longest line
    ASSERT_TRUE(t.HasMask);
    // First line "a": the right column, 6 rows long.
    EXPECT_TRUE(Ink(t.Mask, 19, 0));
    EXPECT_TRUE(Ink(t.Mask, 15, 5));
    EXPECT_FALSE(Ink(t.Mask, 17, 6));
    // Second line "abc": the left column, 18 rows long.
    EXPECT_TRUE(Ink(t.Mask, 9, 17));
    EXPECT_FALSE(Ink(t.Mask, 4, 17));
}

// The drawn box grows the block by frame + padding on each side; the box
// the mouse grabs by k - 1, k = frame x 5 div 2 + 2 x padding.
TEST_F(TextOps, DrawnBoxAndHitBox) {
    test::LoadPicture(doc_, test::FlatImage24(60, 40, clWhite));
    struct Case {
        int Frame, Padding, Drawn, Hit;
    };
    for (const Case c : {Case{1, 3, 8, 7}, Case{4, 1, 10, 11}, Case{0, 0, 0, -1}, Case{99, 99, 396, 444}}) {
        SCOPED_TRACE(std::to_string(c.Frame) + " " + std::to_string(c.Padding));
        Set(TPoint{5, 7}, {"abc", "a"}, c.Frame, c.Padding);  // block 18 x 20
        EXPECT_EQ(doc_.TextBlockRect(), Rect(5, 7, 5 + 18 + c.Drawn, 7 + 20 + c.Drawn));
        EXPECT_EQ(doc_.TextHitBox(), Rect(5, 7, 5 + 18 + c.Hit, 7 + 20 + c.Hit));
    }
    // Values beyond the window's ranges are limited.
    doc_.SetTextOverlay(TPoint{}, {"a"}, 120, false, -3, clBlack, 150, false, clWhite, false, Font(10));
    EXPECT_EQ(doc_.TextOverlay().Opacity, 100);
    EXPECT_EQ(doc_.TextOverlay().Padding, 0);
    EXPECT_EQ(doc_.TextOverlay().FrameWidth, 99);
}

// Opacity 50, red frame 1, padding 3 over white: the bar's pixels
// (black) give 127, the frame (255, 0, 0) gives (255, 127, 127), the box
// stays white. One undo step gives the picture back byte for byte.
TEST_F(TextOps, ApplyDrawsAtTheOffsetWithOpacityAndUndoes) {
    const TDibImage picture = test::FlatImage24(60, 40, clWhite);
    test::LoadPicture(doc_, picture);
    doc_.SetSelectionRect(Rect(0, 0, 3, 3));  // ignored
    Set(TPoint{10, 5}, {"ab"}, 1, 3, false, 50);
    ASSERT_TRUE(doc_.ApplyText());
    EXPECT_FALSE(doc_.HasTextOverlay());
    EXPECT_EQ(doc_.UndoCount(), 1);
    const TBitmap& b = doc_.Bitmap();
    EXPECT_EQ(b.PixelColor(14, 9), RGB(127, 127, 127));   // bar's first pixel at (10 + 4, 5 + 4)
    EXPECT_EQ(b.PixelColor(25, 13), RGB(127, 127, 127));  // its last: 12 x 5
    EXPECT_EQ(b.PixelColor(26, 9), clWhite);
    EXPECT_EQ(b.PixelColor(10, 5), RGB(255, 127, 127));   // frame, top-left
    EXPECT_EQ(b.PixelColor(29, 22), RGB(255, 127, 127));  // frame, bottom-right of 20 x 18
    EXPECT_EQ(b.PixelColor(30, 23), clWhite);             // outside
    EXPECT_EQ(b.PixelColor(9, 4), clWhite);

    std::vector<std::uint8_t> before, after;
    {
        TMemoryStream s;
        picture.SaveToStream(s);
        before = s.Data();
    }
    doc_.Undo(1);
    {
        TMemoryStream s;
        doc_.Bitmap().Dib().SaveToStream(s);
        after = s.Data();
    }
    EXPECT_EQ(before, after);
}

// On a palette picture the text goes on at full opacity and unsmoothed,
// and the picture keeps its depth.
TEST_F(TextOps, PalettePicturesGetNeitherOpacityNorSmoothing) {
    TDibImage grey = test::NoiseImagePalette(60, 40, 8, 256, 3);
    grey.SetColorTable(GreyColorTable(256));
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 60; ++x) grey.SetPixels(x, y, 255);
    test::LoadPicture(doc_, grey);
    Set(TPoint{10, 5}, {"ab"}, 1, 3, false, 50, /*antiAlias=*/true);
    ASSERT_TRUE(doc_.ApplyText());
    EXPECT_EQ(doc_.BitCount(), 8);
    EXPECT_EQ(doc_.Bitmap().PixelColor(14, 9), clBlack);
    EXPECT_EQ(doc_.Bitmap().PixelColor(10, 5), RGB(255, 0, 0));

    // The same on a 24-bit picture is blended and smoothed.
    TQxImage rgb;
    test::LoadPicture(rgb, test::FlatImage24(60, 40, clWhite));
    rgb.SetTextOverlay(TPoint{10, 5}, {"ab"}, 50, true, 3, RGB(255, 0, 0), 1, false, clWhite, false, Font(10));
    ASSERT_TRUE(rgb.ApplyText());
    EXPECT_EQ(rgb.Bitmap().PixelColor(15, 10), RGB(127, 127, 127));
}

TEST_F(TextOps, NothingIsDrawnWithoutGlyphsOrWhileAnEditIsOpen) {
    const TDibImage picture = test::NoiseImage24(30, 20, 9);
    test::LoadPicture(doc_, picture);
    // No lines, or only empty ones: no glyphs, nothing to draw.
    for (const std::vector<std::string>& lines : {std::vector<std::string>{}, std::vector<std::string>{"", ""}}) {
        Set(TPoint{1, 1}, lines);
        EXPECT_TRUE(doc_.HasTextOverlay());
        EXPECT_FALSE(doc_.TextOverlay().HasMask);
        EXPECT_FALSE(doc_.ApplyText());
    }
    // An edit already open: the overlay goes, nothing is drawn.
    Set(TPoint{1, 1}, {"x"});
    ASSERT_EQ(doc_.BeginEdit(false), kEditOpened);
    EXPECT_FALSE(doc_.ApplyText());
    EXPECT_FALSE(doc_.HasTextOverlay());
    doc_.EndEdit(false, false);
    doc_.ClearUndo();
    // No renderer: an overlay without glyphs.
    TTextRenderer* const previous = InstallTextRenderer(nullptr);
    Set(TPoint{1, 1}, {"x"});
    EXPECT_FALSE(doc_.TextOverlay().HasMask);
    EXPECT_FALSE(doc_.ApplyText());
    InstallTextRenderer(previous);
    EXPECT_EQ(doc_.UndoCount(), 0);
    EXPECT_TRUE(test::SamePixels(doc_.Bitmap().Dib(), picture));
}

TEST_F(TextOps, TextModeStartsAtTheScrollPositionWithTheTextCursor) {
    test::LoadPicture(doc_, test::FlatImage24(60, 40, clWhite));
    doc_.SetScrollPos(TPoint{12, 8});
    doc_.BeginTextMode();
    EXPECT_TRUE(doc_.TextMode());
    EXPECT_EQ(doc_.TextPos(), (TPoint{12, 8}));
    EXPECT_EQ(doc_.Cursor(), crFont);
    Set(doc_.TextPos(), {"a"});
    doc_.SetTextPos(TPoint{-3, 4});
    EXPECT_EQ(doc_.TextBlockRect().Left, -3);
    doc_.EndTextMode();
    EXPECT_FALSE(doc_.TextMode());
    EXPECT_FALSE(doc_.HasTextOverlay());
    EXPECT_EQ(doc_.Cursor(), crDefault);
    EXPECT_EQ(doc_.SavedCursor(), crDefault);
}

// What the view shows is what OK draws: the preview equals the applied
// picture over the box, also where the box is cut off by the picture's
// edges, with smoothing and opacity.
TEST_F(TextOps, PreviewEqualsTheAppliedPictureUnderTheBox) {
    const TDibImage picture = test::NoiseImage24(50, 30, 11);
    for (const TPoint pos : {TPoint{6, 4}, TPoint{-7, -3}, TPoint{30, 18}, TPoint{0, 0}}) {
        SCOPED_TRACE(std::to_string(pos.X) + ", " + std::to_string(pos.Y));
        TQxImage doc;
        test::LoadPicture(doc, picture);
        doc.SetTextOverlay(pos, {"abc", "a", "ab"}, 60, true, 2, clBlue, 2, false, clYellow, false, Font(10));
        TDibImage preview;
        TRect area;
        ASSERT_TRUE(doc.TextPreview(preview, area));
        const TRect box = doc.TextBlockRect();
        EXPECT_EQ(area, Rect(std::max(box.Left, 0), std::max(box.Top, 0), std::min(box.Right, 50),
                             std::min(box.Bottom, 30)));
        ASSERT_TRUE(doc.ApplyText());
        for (int y = 0; y < area.Height(); ++y)
            for (int x = 0; x < area.Width(); ++x)
                ASSERT_EQ(preview.GetPixels(x, y), doc.Bitmap().PixelColor(area.Left + x, area.Top + y))
                    << x << ", " << y;
    }
    // A box entirely off the picture has no preview.
    TQxImage doc;
    test::LoadPicture(doc, picture);
    doc.SetTextOverlay(TPoint{60, 2}, {"a"}, 100, false, 0, clBlue, 0, false, clYellow, false, Font(10));
    TDibImage preview;
    TRect area;
    EXPECT_FALSE(doc.TextPreview(preview, area));
}

// The command line's way in draws the same pixels from the same mask.
TEST_F(TextOps, DrawTextMaskMatchesApplyText) {
    const TDibImage picture = test::NoiseImage24(50, 30, 12);
    test::LoadPicture(doc_, picture);
    doc_.SetTextOverlay(TPoint{4, 3}, {"abcd", "ab"}, 70, true, 2, clBlue, 3, true, clYellow, false, Font(12));
    TBitmap mask;
    mask.Assign(doc_.TextOverlay().Mask);
    ASSERT_TRUE(doc_.ApplyText());

    TQxImage other;
    test::LoadPicture(other, picture);
    other.DrawTextMask(mask, 4, 3, clBlack, clYellow, false, 3, clBlue, 2, 70, true);
    EXPECT_EQ(other.UndoCount(), 1);
    std::string why;
    EXPECT_TRUE(test::SamePixels(other.Bitmap().Dib(), doc_.Bitmap().Dib(), &why)) << why;

    // Values outside their ranges are refused before any undo step.
    TQxImage refused;
    test::LoadPicture(refused, picture);
    EXPECT_THROW(refused.DrawTextMask(mask, 0, 0, clBlack, clWhite, false, 100, clBlack, 0, 100, false),
                 EDibImageInvalidDIBPara);
    EXPECT_THROW(refused.DrawTextMask(mask, 0, 0, clBlack, clWhite, false, 0, clBlack, 0, 101, false),
                 EDibImageInvalidDIBPara);
    EXPECT_EQ(refused.UndoCount(), 0);
}

}  // namespace
}  // namespace zelvo
