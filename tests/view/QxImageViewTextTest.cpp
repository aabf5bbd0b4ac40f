// The view in text mode: a click places the text, a drag on its box moves
// it, the cursor tells the box from the rest, and the overlay is painted
// as it will be drawn, at any zoom.

#include <gtest/gtest.h>

#include "BarTextRenderer.h"
#include "ViewTestSupport.h"

namespace zelvo::test {
namespace {

constexpr Qt::MouseButton kLeft = Qt::LeftButton;

// A 100 x 80 gradient in a 200 x 200 view, text mode on, one line "ab" of
// size 10 (a 12 x 5 bar) with frame 1 (red), padding 2 on a white box:
// block 12 x 10, drawn box 18 x 16 (inset 3), hit box 17 x 15
// (k = 1 x 5 div 2 + 2 x 2 = 6, grown by k - 1).
struct TTextViewFixture : TViewFixture {
    TBarTextRenderer renderer;
    TTextRendererInstallation installed{renderer};
    int selectTextPos = 0;
    TTextViewFixture() : TViewFixture(GradientBitmap(100, 80), 200, 200) {
        doc.BeginTextMode();
        TTextFont font;
        font.Size = 10;
        doc.SetTextOverlay(doc.TextPos(), {"ab"}, 100, false, 2, RGB(255, 0, 0), 1, false, clWhite, false, font);
        QObject::connect(&view, &TQxImageView::SelectTextPos, [this] { ++selectTextPos; });
    }
};

TEST(QxImageViewText, ClickPlacesTheTextInsideThePictureOnly) {
    TTextViewFixture f;
    EXPECT_EQ(f.doc.TextPos(), (TPoint{0, 0}));
    // (0, 0) .. hit box (17 x 15): a click at (50, 40) is outside it.
    DragLeft(f.view, QPoint(50, 40), QPoint(50, 40));
    EXPECT_EQ(f.doc.TextPos(), (TPoint{50, 40}));
    EXPECT_EQ(f.selectTextPos, 1);
    EXPECT_FALSE(f.doc.HasSelection());
    // Beyond the picture nothing moves.
    DragLeft(f.view, QPoint(150, 30), QPoint(150, 30));
    EXPECT_EQ(f.doc.TextPos(), (TPoint{50, 40}));
    EXPECT_EQ(f.selectTextPos, 1);
}

TEST(QxImageViewText, DraggingTheBoxMovesItByTheMouse) {
    TTextViewFixture f;
    f.doc.SetTextPos(TPoint{20, 10});
    // The hit box runs to 20 + 12 + 5 = 37 (exclusive) and 10 + 10 + 5 = 25.
    EXPECT_EQ(f.doc.TextHitBox(), Rect(20, 10, 37, 25));
    SendMouse(f.view, QEvent::MouseMove, QPoint(36, 24), Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(f.doc.Cursor(), crSizeAll);
    SendMouse(f.view, QEvent::MouseMove, QPoint(37, 24), Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(f.doc.Cursor(), crFont);
    DragLeft(f.view, QPoint(25, 15), QPoint(60, 45));
    EXPECT_EQ(f.doc.TextPos(), (TPoint{55, 40}));
    EXPECT_FALSE(f.view.TextDragging());
    EXPECT_GE(f.selectTextPos, 1);
    // The text may be dragged partly off the picture.
    DragLeft(f.view, QPoint(60, 45), QPoint(2, 1));
    EXPECT_EQ(f.doc.TextPos(), (TPoint{-3, -4}));
}

// The overlay on the screen: frame, box and bar where the picture will get
// them, at 100 % and at 200 %; nothing once text mode ends.
TEST(QxImageViewText, OverlayIsPaintedWhereItWillBeDrawn) {
    TTextViewFixture f;
    f.doc.SetTextPos(TPoint{10, 20});
    QImage shown = Painted(f.view);
    const QRgb red = qRgb(255, 0, 0), white = qRgb(255, 255, 255), black = qRgb(0, 0, 0);
    EXPECT_EQ(shown.pixel(10, 20), red);                // frame corner
    EXPECT_EQ(shown.pixel(27, 35), red);                // far corner of 18 x 16
    EXPECT_EQ(shown.pixel(28, 36), GradientRgb(28, 36));  // outside
    EXPECT_EQ(shown.pixel(11, 21), white);              // padding
    EXPECT_EQ(shown.pixel(13, 23), black);              // bar from (10 + 3, 20 + 3)
    EXPECT_EQ(shown.pixel(24, 27), black);              // its last pixel (12 x 5)
    EXPECT_EQ(f.doc.Bitmap().PixelColor(13, 23), RGB(13, 23, 0x40));  // the picture is untouched

    f.view.SetZoom(200);
    shown = Painted(f.view);
    EXPECT_EQ(shown.pixel(20, 40), red);
    EXPECT_EQ(shown.pixel(55, 71), red);
    EXPECT_EQ(shown.pixel(26, 46), black);
    EXPECT_EQ(shown.pixel(56, 72), GradientRgb(28, 36));

    f.doc.EndTextMode();
    shown = Painted(f.view);
    EXPECT_EQ(shown.pixel(26, 46), GradientRgb(13, 23));
    // Out of text mode a click selects again.
    DragLeft(f.view, QPoint(10, 10), QPoint(30, 30));
    EXPECT_TRUE(f.doc.HasSelection());
}

}  // namespace
}  // namespace zelvo::test
