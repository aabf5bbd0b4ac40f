// Selection, floating selection and the other mouse tools of the view,
// driven by synthetic mouse events.

#include <gtest/gtest.h>

#include "ViewTestSupport.h"

namespace zelvo::test {
namespace {

constexpr Qt::MouseButton kLeft = Qt::LeftButton;

TEST(QxImageViewSelection, ClickWithoutMovementLeavesNoSelection) {
    TViewFixture f(GradientBitmap(100, 100), 200, 200);
    int selected = 0;
    QObject::connect(&f.view, &TQxImageView::Selected, [&selected] { ++selected; });
    DragLeft(f.view, QPoint(30, 30), QPoint(30, 30));
    EXPECT_FALSE(f.doc.HasSelection());
    EXPECT_EQ(f.doc.SelectionRect(), (TRect{0, 0, 0, 0}));
    // A drag along one line only is degenerate too.
    DragLeft(f.view, QPoint(30, 30), QPoint(60, 30));
    EXPECT_FALSE(f.doc.HasSelection());
    EXPECT_EQ(selected, 0);
    DragLeft(f.view, QPoint(30, 30), QPoint(60, 31));
    EXPECT_TRUE(f.doc.HasSelection());
    EXPECT_EQ(selected, 1);
}

TEST(QxImageViewSelection, ReversedDragGivesTheSameRectangle) {
    TViewFixture f(GradientBitmap(100, 100), 200, 200);
    DragLeft(f.view, QPoint(10, 20), QPoint(50, 70));
    const TRect forward = f.doc.SelectionRect();
    EXPECT_EQ(forward, (TRect{10, 20, 50, 70}));
    f.doc.ClearSelection();
    DragLeft(f.view, QPoint(50, 70), QPoint(10, 20));
    EXPECT_EQ(f.doc.SelectionRect(), forward);
    // Past the picture's edge the corner is pinned to it.
    f.doc.ClearSelection();
    DragLeft(f.view, QPoint(50, 70), QPoint(150, 120));
    EXPECT_EQ(f.doc.SelectionRect(), (TRect{50, 70, 100, 100}));
}

// At 300 % screen points are lowered to multiples of 3, so both corners are
// whole picture pixels and the frame lies on pixel boundaries. At 250 % the
// step is 2: screen x 5 becomes 4, picture Trunc(4 * 100 / 250) = 1 where the
// unsnapped point would give Trunc(5 * 100 / 250) = 2.
TEST(QxImageViewSelection, SnapsToWholePixelsFromTwoHundredPercent) {
    TViewFixture f(GradientBitmap(100, 100), 300, 300);
    f.view.SetZoom(300);
    DragLeft(f.view, QPoint(10, 10), QPoint(38, 50));
    EXPECT_EQ(f.doc.SelectionRect(), (TRect{3, 3, 12, 16}));
    const QImage shown = Painted(f.view);
    // The frame's right edge is screen column 36 - 1 = 35, the last screen
    // column of picture column 11; column 36 (picture 12) is untouched.
    EXPECT_EQ(shown.pixel(35, 25), Inverted(GradientRgb(11, 8)));
    EXPECT_EQ(shown.pixel(34, 25), GradientRgb(11, 8));
    EXPECT_EQ(shown.pixel(36, 25), GradientRgb(12, 8));
    EXPECT_EQ(f.view.PictureToScreen(TPoint{12, 16}), QPoint(36, 48));

    f.doc.ClearSelection();
    f.view.SetZoom(250);
    DragLeft(f.view, QPoint(40, 40), QPoint(5, 5));
    EXPECT_EQ(f.doc.SelectionRect(), (TRect{1, 1, 16, 16}));
    // 150 %: Zoom div 100 is 1, no snapping; Trunc(5 * 100 / 150) = 3.
    f.doc.ClearSelection();
    f.view.SetZoom(150);
    DragLeft(f.view, QPoint(40, 40), QPoint(5, 5));
    EXPECT_EQ(f.doc.SelectionRect(), (TRect{3, 3, 26, 26}));
}

TEST(QxImageViewSelection, KeyboardMoveAndResizeStayInside) {
    TViewFixture f(GradientBitmap(100, 80), 200, 200);
    struct Case {
        const char* name;
        TRect start;
        bool move;  // MoveSelection, else ResizeSelection
        int dx, dy;
        TRect expected;
    };
    const Case cases[] = {
        {"Ctrl+Left at left 0", {0, 10, 20, 30}, true, -1, 0, {0, 10, 20, 30}},
        {"Ctrl+Right touching the right edge", {80, 10, 100, 30}, true, 1, 0, {80, 10, 100, 30}},
        {"Ctrl+Up at top 0", {5, 0, 20, 30}, true, 0, -1, {5, 0, 20, 30}},
        {"Ctrl+Down", {5, 5, 20, 30}, true, 0, 1, {5, 6, 20, 31}},
        {"Ctrl+Left", {5, 5, 20, 30}, true, -1, 0, {4, 5, 19, 30}},
        {"Shift+Up at height 1", {5, 5, 20, 6}, false, 0, -1, {5, 5, 20, 6}},
        {"Shift+Right at the right edge", {50, 5, 100, 30}, false, 1, 0, {50, 5, 100, 30}},
        {"Shift+Down", {5, 5, 20, 30}, false, 0, 1, {5, 5, 20, 31}},
        {"Shift+Left", {5, 5, 20, 30}, false, -1, 0, {5, 5, 19, 30}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        f.doc.SetSelectionRect(c.start);
        int changes = 0;
        auto connection = QObject::connect(&f.view, &TQxImageView::SelectionChanged, [&changes] { ++changes; });
        if (c.move) f.view.MoveSelection(c.dx, c.dy);
        else f.view.ResizeSelection(c.dx, c.dy);
        QObject::disconnect(connection);
        EXPECT_EQ(f.doc.SelectionRect(), c.expected);
        EXPECT_EQ(changes, c.start == c.expected ? 0 : 1);
        EXPECT_TRUE(f.doc.HasSelection());
    }
    // Without a selection nothing happens.
    f.doc.ClearSelection();
    EXPECT_FALSE(f.doc.MoveSelection(1, 1));
    EXPECT_FALSE(f.doc.ResizeSelection(1, 1));
    EXPECT_FALSE(f.doc.HasSelection());
}

TEST(QxImageViewSelection, SelectAllToggles) {
    TViewFixture f(GradientBitmap(64, 32), 200, 200);
    f.view.SelectAll();
    EXPECT_EQ(f.doc.SelectionRect(), (TRect{0, 0, 64, 32}));
    f.view.SelectAll();
    EXPECT_FALSE(f.doc.HasSelection());
}

TEST(QxImageViewSelection, HandleResizesFromTheOppositeCorner) {
    TViewFixture f(GradientBitmap(100, 100), 200, 200);
    f.doc.SetSelectionRect(TRect{20, 20, 60, 60});
    // The bottom-right zone is R - 5 < x < R + 5: (62, 62) is inside it.
    DragLeft(f.view, QPoint(62, 62), QPoint(80, 90));
    EXPECT_EQ(f.doc.SelectionRect(), (TRect{20, 20, 80, 90}));
    // The top-left zone: L - 4 < x < L + 6; dragging it past the opposite
    // corner flips the rectangle.
    DragLeft(f.view, QPoint(24, 24), QPoint(95, 95));
    EXPECT_EQ(f.doc.SelectionRect(), (TRect{80, 90, 95, 95}));
}

TEST(QxImageViewSelection, ShiftOverASelectionStartsANewOne) {
    TViewFixture f(GradientBitmap(100, 100), 200, 200);
    f.doc.SetSelectionRect(TRect{20, 20, 60, 60});
    SendMouse(f.view, QEvent::MouseMove, QPoint(40, 40), Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(f.doc.Cursor(), crSizeAll);
    SendMouse(f.view, QEvent::MouseMove, QPoint(40, 40), Qt::NoButton, Qt::NoButton, Qt::ShiftModifier);
    EXPECT_EQ(f.doc.Cursor(), crDefault);
    DragLeft(f.view, QPoint(40, 40), QPoint(50, 45), Qt::ShiftModifier);
    EXPECT_FALSE(f.doc.Floating());
    EXPECT_EQ(f.doc.SelectionRect(), (TRect{40, 40, 50, 45}));
}

TEST(QxImageViewSelection, EdgeScrollingWhileSelecting) {
    TViewFixture f(GradientBitmap(1000, 1000), 200, 200);
    const int clientW = f.view.viewport()->width();
    SendMouse(f.view, QEvent::MouseButtonPress, QPoint(50, 50), kLeft, kLeft);
    SendMouse(f.view, QEvent::MouseMove, QPoint(clientW - 2, 60), Qt::NoButton, kLeft);
    EXPECT_EQ(f.view.ScrollPos(), (TPoint{5, 0}));
    SendMouse(f.view, QEvent::MouseMove, QPoint(clientW - 2, 60), Qt::NoButton, kLeft);
    EXPECT_EQ(f.view.ScrollPos(), (TPoint{10, 0}));
    // Back at the left edge it scrolls left by at most 5, never below 0.
    SendMouse(f.view, QEvent::MouseMove, QPoint(2, 60), Qt::NoButton, kLeft);
    EXPECT_EQ(f.view.ScrollPos(), (TPoint{5, 0}));
    SendMouse(f.view, QEvent::MouseMove, QPoint(2, 60), Qt::NoButton, kLeft);
    SendMouse(f.view, QEvent::MouseMove, QPoint(2, 60), Qt::NoButton, kLeft);
    EXPECT_EQ(f.view.ScrollPos(), (TPoint{0, 0}));
    SendMouse(f.view, QEvent::MouseButtonRelease, QPoint(2, 60), kLeft, Qt::NoButton);
    EXPECT_TRUE(f.doc.HasSelection());
}

TEST(QxImageViewTools, RightButtonPans) {
    TViewFixture f(GradientBitmap(1000, 1000), 200, 200);
    SendMouse(f.view, QEvent::MouseButtonPress, QPoint(100, 100), Qt::RightButton, Qt::RightButton);
    EXPECT_EQ(f.doc.Cursor(), crNeko);
    SendMouse(f.view, QEvent::MouseMove, QPoint(60, 80), Qt::NoButton, Qt::RightButton);
    EXPECT_EQ(f.view.ScrollPos(), (TPoint{40, 20}));
    // Dragging further right than the start stops at 0.
    SendMouse(f.view, QEvent::MouseMove, QPoint(150, 150), Qt::NoButton, Qt::RightButton);
    EXPECT_EQ(f.view.ScrollPos(), (TPoint{0, 0}));
    SendMouse(f.view, QEvent::MouseButtonRelease, QPoint(150, 150), Qt::RightButton, Qt::NoButton);
    EXPECT_FALSE(f.view.Panning());
    EXPECT_EQ(f.doc.Cursor(), crDefault);
    EXPECT_FALSE(f.doc.HasSelection());
}

TEST(QxImageViewTools, PointPick) {
    TViewFixture f(GradientBitmap(100, 80), 300, 300);
    std::vector<TPoint> picked;
    QObject::connect(&f.view, &TQxImageView::SelectPos, [&picked](int x, int y) { picked.push_back({x, y}); });
    f.view.StartPointPick();
    SendMouse(f.view, QEvent::MouseMove, QPoint(30, 40), Qt::NoButton, Qt::NoButton);
    const QImage shown = Painted(f.view);
    EXPECT_EQ(shown.pixel(5, 40), Inverted(GradientRgb(5, 40)));   // crosshair row
    EXPECT_EQ(shown.pixel(30, 5), Inverted(GradientRgb(30, 5)));   // crosshair column
    EXPECT_EQ(shown.pixel(30, 40), GradientRgb(30, 40));           // crossing: inverted twice
    SendMouse(f.view, QEvent::MouseButtonPress, QPoint(30, 40), kLeft, kLeft);
    SendMouse(f.view, QEvent::MouseButtonRelease, QPoint(30, 40), kLeft, Qt::NoButton);
    EXPECT_FALSE(f.view.PointPicking());
    // Outside the picture the width (height) stands in.
    f.view.StartPointPick();
    SendMouse(f.view, QEvent::MouseButtonPress, QPoint(250, 20), kLeft, kLeft);
    ASSERT_EQ(picked.size(), 2u);
    EXPECT_EQ(picked[0], (TPoint{30, 40}));
    EXPECT_EQ(picked[1], (TPoint{100, 20}));
    EXPECT_FALSE(f.doc.HasSelection());
}

TEST(QxImageViewTools, ColorPick) {
    TViewFixture f(GradientBitmap(100, 80), 300, 300);
    f.doc.ColorKeyed = true;
    f.view.StartColorPick();
    EXPECT_EQ(f.doc.Cursor(), crSpoit);
    SendMouse(f.view, QEvent::MouseButtonPress, QPoint(7, 9), kLeft, kLeft);
    EXPECT_EQ(f.doc.TransparentColor, RGB(7, 9, 0x40));
    EXPECT_FALSE(f.view.ColorPicking());
    EXPECT_EQ(f.doc.Cursor(), crDefault);
    EXPECT_EQ(f.doc.SavedCursor(), crDefault);

    // A palette picture gives the pixel's index.
    TBitmap palette;
    palette.Assign(NoiseImagePalette(20, 20, 8, 256, 3));
    f.doc.SetBitmap(palette);
    f.doc.ColorKeyed = false;
    f.view.StartColorPick();
    SendMouse(f.view, QEvent::MouseButtonPress, QPoint(4, 5), kLeft, kLeft);
    EXPECT_EQ(f.doc.TransparentIndex, palette.Dib().ScanLineRead(5)[4]);
}

TEST(QxImageViewTools, MouseIgnoredWhileEditingAndInDisplayOnly) {
    TViewFixture f(GradientBitmap(100, 100), 200, 200);
    ASSERT_EQ(f.doc.BeginEdit(false), kEditOpened);
    DragLeft(f.view, QPoint(10, 10), QPoint(50, 50));
    EXPECT_FALSE(f.doc.HasSelection());
    f.doc.EndEdit(false, false);
    f.view.SetDisplayOnly(true);
    DragLeft(f.view, QPoint(10, 10), QPoint(50, 50));
    EXPECT_FALSE(f.doc.HasSelection());
    // Pan-only: the left button drags the picture.
    TViewFixture g(GradientBitmap(1000, 1000), 200, 200);
    g.view.SetDisplayOnly(true, true);
    DragLeft(g.view, QPoint(100, 100), QPoint(70, 90));
    EXPECT_EQ(g.view.ScrollPos(), (TPoint{30, 10}));
    EXPECT_FALSE(g.doc.HasSelection());
}

// ---------------------------------------------------------------------------
// Floating selection
// ---------------------------------------------------------------------------

// Lifts (10, 10)..(30, 30) and drags it by (+40, +5).
void LiftAndDrag(TViewFixture& f) {
    f.doc.SetSelectionRect(TRect{10, 10, 30, 30});
    DragLeft(f.view, QPoint(20, 20), QPoint(60, 25));
    ASSERT_TRUE(f.doc.Floating());
    ASSERT_EQ(f.doc.FloatPos(), (TPoint{50, 15}));
}

TEST(QxImageViewFloating, MoveAppliedLeavesTheColourBehind) {
    TViewFixture f(GradientBitmap(100, 100), 200, 200);
    f.doc.Color = clBlue;
    int moving = 0, moved = 0;
    QObject::connect(&f.view, &TQxImageView::Moving, [&moving] { ++moving; });
    QObject::connect(&f.view, &TQxImageView::Moved, [&moved] { ++moved; });
    LiftAndDrag(f);
    EXPECT_EQ(moving, 1);
    f.view.SetCopyMode(false);
    // While it floats the source area shows the background colour and the
    // picture is untouched.
    const QImage shown = Painted(f.view);
    EXPECT_EQ(shown.pixel(20, 20), qRgb(0, 0, 255));
    EXPECT_EQ(shown.pixel(55, 20), GradientRgb(15, 15));
    EXPECT_EQ(f.doc.Bitmap().PixelColor(55, 20), RGB(55, 20, 0x40));
    const int undoBefore = f.doc.UndoCount();

    f.view.ApplyFloating();
    EXPECT_FALSE(f.doc.Floating());
    EXPECT_EQ(moved, 1);
    EXPECT_EQ(f.doc.SelectionRect(), (TRect{50, 15, 70, 35}));
    EXPECT_EQ(f.doc.Bitmap().PixelColor(50, 15), RGB(10, 10, 0x40));
    EXPECT_EQ(f.doc.Bitmap().PixelColor(69, 34), RGB(29, 29, 0x40));
    EXPECT_EQ(f.doc.Bitmap().PixelColor(12, 25), clBlue);
    EXPECT_EQ(f.doc.Bitmap().PixelColor(30, 30), RGB(30, 30, 0x40));
    EXPECT_TRUE(f.doc.Modified());
    EXPECT_EQ(f.doc.UndoCount(), undoBefore + 1);
    // One undo step brings back the picture and the old selection.
    f.doc.Undo(1);
    EXPECT_EQ(f.doc.Bitmap().PixelColor(12, 25), RGB(12, 25, 0x40));
    EXPECT_EQ(f.doc.Bitmap().PixelColor(55, 20), RGB(55, 20, 0x40));
}

TEST(QxImageViewFloating, CopyAppliedKeepsTheSource) {
    TViewFixture f(GradientBitmap(100, 100), 200, 200);
    f.doc.Color = clBlue;
    f.view.SetCopyMode(true);
    LiftAndDrag(f);
    // Dropping near the right edge: the selection is clamped to the picture.
    DragLeft(f.view, QPoint(55, 20), QPoint(95, 20));
    EXPECT_EQ(f.doc.FloatPos(), (TPoint{90, 15}));
    f.view.ApplyFloating();
    EXPECT_EQ(f.doc.Bitmap().PixelColor(12, 25), RGB(12, 25, 0x40));
    EXPECT_EQ(f.doc.Bitmap().PixelColor(95, 20), RGB(15, 15, 0x40));
    EXPECT_EQ(f.doc.SelectionRect(), (TRect{90, 15, 100, 35}));
}

TEST(QxImageViewFloating, CancelLeavesEverythingAsItWas) {
    TViewFixture f(GradientBitmap(100, 100), 200, 200);
    f.view.SetCopyMode(false);
    const bool modifiedBefore = f.doc.Modified();
    LiftAndDrag(f);
    const int undoBefore = f.doc.UndoCount();
    f.view.CancelFloating();
    EXPECT_FALSE(f.doc.Floating());
    EXPECT_EQ(f.doc.SelectionRect(), (TRect{10, 10, 30, 30}));
    EXPECT_EQ(f.doc.UndoCount(), undoBefore);
    EXPECT_EQ(f.doc.Modified(), modifiedBefore);
    const QImage shown = Painted(f.view);
    EXPECT_EQ(shown.pixel(55, 20), GradientRgb(55, 20));
    EXPECT_EQ(shown.pixel(15, 20), GradientRgb(15, 20));
}

// A palette picture: the lifted pixels keep their colours exactly.
TEST(QxImageViewFloating, PalettePictureLiftsExactColours) {
    TBitmap palette;
    palette.Assign(NoiseImagePalette(40, 40, 8, 16, 5));
    TViewFixture f(palette, 200, 200);
    f.view.SetCopyMode(true);
    f.doc.SetSelectionRect(TRect{0, 0, 20, 20});
    DragLeft(f.view, QPoint(10, 10), QPoint(30, 30));
    ASSERT_TRUE(f.doc.Floating());
    EXPECT_EQ(f.doc.FloatBitmap().BitCount(), 24);
    for (int i = 0; i < 20; ++i) EXPECT_EQ(f.doc.FloatBitmap().PixelColor(i, 19 - i), palette.PixelColor(i, 19 - i));
    f.view.ApplyFloating();
    for (int i = 0; i < 20; ++i) EXPECT_EQ(f.doc.Bitmap().PixelColor(20 + i, 39 - i), palette.PixelColor(i, 19 - i));
}

// Moving pasted pixels with no selection to clear still takes an undo step
// before the picture is written.
TEST(QxImageViewFloating, ApplyWithoutSelectionIsUndoable) {
    TViewFixture f(GradientBitmap(50, 50), 200, 200);
    TBitmap patch(5, 5, pf24bit);
    patch.Canvas().BrushColor = clWhite;
    patch.Canvas().FillRect(TRect{0, 0, 5, 5});
    ASSERT_TRUE(f.doc.StartFloating(patch, TPoint{2, 3}, true));
    f.view.SetCopyMode(false);
    const int undoBefore = f.doc.UndoCount();
    f.view.ApplyFloating();
    EXPECT_EQ(f.doc.UndoCount(), undoBefore + 1);
    EXPECT_EQ(f.doc.Bitmap().PixelColor(2, 3), clWhite);
    EXPECT_EQ(f.doc.Bitmap().BitCount(), 24);
    f.doc.Undo(1);
    EXPECT_EQ(f.doc.Bitmap().PixelColor(2, 3), RGB(2, 3, 0x40));
}

}  // namespace
}  // namespace zelvo::test
