// Zoom, scrolling, coordinate mapping and painting of the image view.

#include <gtest/gtest.h>

#include <QScrollBar>

#include "ViewTestSupport.h"
#include "view/QxImageViewRender.h"

namespace zelvo::test {
namespace {

TEST(QxImageViewZoom, SetterIgnoresTooSmallAndClampsTooLarge) {
    TViewFixture f(GradientBitmap(50, 50), 200, 200);
    int changes = 0;
    QObject::connect(&f.view, &TQxImageView::ZoomChanged, [&changes](int) { ++changes; });
    f.view.SetZoom(5);
    EXPECT_EQ(f.view.Zoom(), 100);
    f.view.SetZoom(100);  // the current value: no change, no signal
    EXPECT_EQ(changes, 0);
    f.view.SetZoom(7000);
    EXPECT_EQ(f.view.Zoom(), 5000);
    f.view.SetZoom(10);
    EXPECT_EQ(f.view.Zoom(), 10);
    EXPECT_EQ(changes, 2);
}

// 200 % of a 100 x 100 picture in a 300 x 300 client: VisW = 300 * 100 / 200
// + 1 = 151, clamped to the picture's 100; ScreenW = 100 * 200 / 100 = 200.
TEST(QxImageViewZoom, TwoHundredPercentBand) {
    TViewFixture f(GradientBitmap(100, 100), 300, 300);
    f.doc.Color = clRed;
    f.view.SetZoom(200);
    EXPECT_EQ(f.view.VisW(), 100);
    EXPECT_EQ(f.view.VisH(), 100);
    EXPECT_EQ(f.view.ScreenW(), 200);
    EXPECT_EQ(f.view.ScreenH(), 200);
    EXPECT_EQ(f.view.HBarSize(), 0);
    EXPECT_EQ(f.view.VBarSize(), 0);
    EXPECT_FALSE(f.view.horizontalScrollBar()->isVisible());
    const QImage shown = Painted(f.view);
    for (int x : {200, 250, 299}) EXPECT_EQ(shown.pixel(x, 10), qRgb(255, 0, 0)) << x;
    EXPECT_EQ(shown.pixel(10, 250), qRgb(255, 0, 0));
    // Each picture pixel covers 2 x 2 screen pixels.
    EXPECT_EQ(shown.pixel(0, 0), GradientRgb(0, 0));
    EXPECT_EQ(shown.pixel(1, 1), GradientRgb(0, 0));
    EXPECT_EQ(shown.pixel(3, 2), GradientRgb(1, 1));
    EXPECT_EQ(shown.pixel(199, 199), GradientRgb(99, 99));
}

TEST(QxImageViewZoom, FitToWindow) {
    struct Case {
        int picW, picH, viewW, viewH, zoom;
    };
    // 1000 x 500 in 400 x 400: the picture is the wider, 400 / 1000 -> 40 %.
    // 300 x 600 in 400 x 300: the control is the wider, 300 / 600 -> 50 %.
    // 5000 x 100 in 400 x 400: 8 % is below 10, the zoom stays.
    for (const Case c : {Case{1000, 500, 400, 400, 40}, Case{300, 600, 400, 300, 50}, Case{5000, 100, 400, 400, 100}}) {
        SCOPED_TRACE(testing::Message() << c.picW << "x" << c.picH << " in " << c.viewW << "x" << c.viewH);
        TViewFixture f(GradientBitmap(c.picW, c.picH), c.viewW, c.viewH);
        f.view.SetScrollPos(TPoint{20, 20});
        f.view.FitToWindow();
        EXPECT_EQ(f.view.Zoom(), c.zoom);
        EXPECT_EQ(f.view.ScrollPos(), (TPoint{0, 0}));
    }
}

TEST(QxImageViewScroll, LineAndPageStepsArePicturePixels) {
    TViewFixture f(GradientBitmap(1000, 1000), 400, 400);
    f.view.SetZoom(300);
    QScrollBar* bar = f.view.horizontalScrollBar();
    ASSERT_TRUE(bar->isVisible());
    bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(f.view.ScrollPos().X, 10);
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(f.view.ScrollPos().X, 15);
    bar->triggerAction(QAbstractSlider::SliderPageStepSub);
    EXPECT_EQ(f.view.ScrollPos().X, 5);
    bar->triggerAction(QAbstractSlider::SliderPageStepSub);
    EXPECT_EQ(f.view.ScrollPos().X, 0);
    f.view.verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(f.view.ScrollPos(), (TPoint{0, 5}));
}

// The thumb's furthest place and repeated steps both stop where the last
// column is fully in view, and the painted image ends with it.
TEST(QxImageViewScroll, FurthestPositionShowsTheLastColumn) {
    TViewFixture f(GradientBitmap(1000, 300), 400, 400);
    QScrollBar* bar = f.view.horizontalScrollBar();
    const int client = f.view.viewport()->width();
    EXPECT_EQ(f.view.MaxScrollX(), 1000 - client);
    for (int i = 0; i < 200; ++i) bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(f.view.ScrollPos().X, 1000 - client);
    EXPECT_EQ(bar->maximum(), 1000 - client);
    const QImage shown = Painted(f.view);
    EXPECT_EQ(shown.pixel(client - 1, 0), GradientRgb(999, 0));
    bar->triggerAction(QAbstractSlider::SliderToMaximum);
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(f.view.ScrollPos().X, 1000 - client);
}

TEST(QxImageViewScroll, SetterClampsAndBarsFollow) {
    TViewFixture f(GradientBitmap(200, 100), 100, 100);
    f.view.SetScrollPos(TPoint{-5, 500});
    EXPECT_EQ(f.view.ScrollPos(), (TPoint{0, 99}));
    // The width needs the horizontal bar; ScrollY > 0 shows the vertical
    // one whatever the height.
    EXPECT_GT(f.view.VBarSize(), 0);
    EXPECT_GT(f.view.HBarSize(), 0);
    f.view.SetDisplayOnly(true);
    EXPECT_EQ(f.view.HBarSize(), 0);
    EXPECT_EQ(f.view.VBarSize(), 0);
}

TEST(QxImageViewMapping, ScreenAndPicturePoints) {
    TViewFixture f(GradientBitmap(100, 80), 300, 300);
    // 100 %: beyond the right edge is -1, the edge itself is kept.
    EXPECT_EQ(f.view.ScreenToPicture(QPoint(150, 10)), (TPoint{-1, 10}));
    EXPECT_EQ(f.view.ScreenToPicture(QPoint(100, 80)), (TPoint{100, 80}));
    EXPECT_EQ(f.view.ScreenToPicture(QPoint(-1, 81)), (TPoint{-1, -1}));
    f.view.SetZoom(300);
    f.view.SetScrollPos(TPoint{10, 20});
    // x = Trunc(35 * 100 / 300) + 10 = 11 + 10; y = Trunc(2 * 100 / 300) + 20.
    EXPECT_EQ(f.view.ScreenToPicture(QPoint(35, 2)), (TPoint{21, 20}));
    EXPECT_EQ(f.view.PictureToScreen(TPoint{21, 20}), QPoint(33, 0));
    // Left of the view Trunc(-2 * 100 / 300) is 0, so the column is ScrollX.
    EXPECT_EQ(f.view.ScreenToPicture(QPoint(-2, 0)), (TPoint{10, 20}));
    EXPECT_EQ(f.view.ColorAt(QPoint(35, 2)), RGB(21, 20, 0x40));
    EXPECT_EQ(f.view.ColorAt(QPoint(299, 299)), -1);
    EXPECT_EQ(TQxImageView::ColorText(RGB(0xAB, 0x0C, 0xFF)), QStringLiteral("#AB0CFF"));
    EXPECT_TRUE(TQxImageView::ColorText(-1).isEmpty());
}

// Every depth, through the colour table, at several zooms: a painted pixel
// is the picture pixel that the stretch rule picks, column
// ScrollX + x * VisW / ScreenW.
TEST(QxImageViewPaint, NearestPixelAtEveryDepthAndZoom) {
    for (int bitCount : {1, 4, 8, 24}) {
        const TDibImage dib = bitCount == 24 ? NoiseImage24(70, 50, 7) : NoiseImagePalette(70, 50, bitCount, 1 << bitCount, 9);
        TBitmap picture;
        picture.Assign(dib);
        for (int zoom : {10, 37, 100, 150, 300}) {
            SCOPED_TRACE(testing::Message() << bitCount << " bits at " << zoom << "%");
            TViewFixture f(picture, 120, 90);
            f.view.SetZoom(zoom);
            if (zoom > 100) f.view.SetScrollPos(TPoint{3, 2});
            const QImage shown = Painted(f.view);
            const TPoint s = f.view.ScrollPos();
            int checked = 0;
            const int stepX = std::max(1, f.view.ScreenW() / 15);
            const int stepY = std::max(1, f.view.ScreenH() / 11);
            for (int y = 0; y < f.view.ScreenH() && y < shown.height(); y += stepY) {
                for (int x = 0; x < f.view.ScreenW() && x < shown.width(); x += stepX) {
                    const int px = s.X + x * f.view.VisW() / f.view.ScreenW();
                    const int py = s.Y + y * f.view.VisH() / f.view.ScreenH();
                    const TColor c = picture.PixelColor(px, py);
                    ASSERT_EQ(shown.pixel(x, y), qRgb(GetRValue(c), GetGValue(c), GetBValue(c))) << x << "," << y;
                    ++checked;
                }
            }
            EXPECT_GT(checked, 10);
        }
    }
}

// Painting a part gives the same pixels as painting the whole view.
TEST(QxImageViewPaint, PartsMatchTheWhole) {
    TViewFixture f(GradientBitmap(300, 200), 160, 120);
    f.view.SetZoom(37);
    f.doc.SetSelectionRect(TRect{5, 5, 100, 90});
    const QImage whole = Painted(f.view);
    const QRect part(13, 7, 50, 41);
    QImage piece(part.size(), QImage::Format_RGB32);
    f.view.PaintArea(piece, part);
    EXPECT_EQ(piece, whole.copy(part));
}

TEST(QxImageViewPaint, EmptyDocumentIsBackground) {
    App();
    TQxImage doc;
    doc.Color = clBlue;
    TQxImageView view(doc);
    view.resize(50, 40);
    view.show();
    const QImage shown = Painted(view);
    EXPECT_EQ(shown.pixel(0, 0), qRgb(0, 0, 255));
    EXPECT_EQ(shown.pixel(49, 39), qRgb(0, 0, 255));
    EXPECT_EQ(view.ColorAt(QPoint(1, 1)), -1);
}

// The selection frame and handles invert what lies beneath; where the
// frame runs through a handle square the pixel is inverted twice.
TEST(QxImageViewPaint, SelectionFrameAndHandlesInvert) {
    TViewFixture f(GradientBitmap(100, 100), 200, 200);
    f.doc.SetSelectionRect(TRect{10, 10, 60, 60});
    const QImage shown = Painted(f.view);
    EXPECT_EQ(shown.pixel(30, 10), Inverted(GradientRgb(30, 10)));  // top edge
    EXPECT_EQ(shown.pixel(30, 59), Inverted(GradientRgb(30, 59)));  // bottom edge (bottom exclusive)
    EXPECT_EQ(shown.pixel(59, 30), Inverted(GradientRgb(59, 30)));  // right edge
    EXPECT_EQ(shown.pixel(30, 60), GradientRgb(30, 60));            // outside
    EXPECT_EQ(shown.pixel(30, 30), GradientRgb(30, 30));            // inside
    EXPECT_EQ(shown.pixel(12, 12), Inverted(GradientRgb(12, 12)));  // top-left handle only
    EXPECT_EQ(shown.pixel(6, 6), Inverted(GradientRgb(6, 6)));      // handle's first pixel, L - 4
    EXPECT_EQ(shown.pixel(5, 5), GradientRgb(5, 5));
    EXPECT_EQ(shown.pixel(10, 12), GradientRgb(10, 12));            // frame and handle
    EXPECT_EQ(shown.pixel(64, 64), Inverted(GradientRgb(64, 64)));  // bottom-right handle, R + 4
    EXPECT_EQ(shown.pixel(65, 64), GradientRgb(65, 64));
}

// A selection corner 2^27 picture pixels left of the view at 5000 % lies
// 6.7e9 screen pixels away, beyond an int: the frame's edges in view are
// still drawn where they belong and the far handles are not.
TEST(QxImageViewPaint, FarOffFrameAtHighZoom) {
    const int width = 1 << 28;  // the largest picture: 2^28 x 1
    TViewFixture f(TBitmap(width, 1, pf1bit), 200, 100);
    f.view.SetZoom(5000);
    f.view.SetScrollPos(TPoint{width / 2, 0});
    f.doc.SetSelectionRect(TRect{0, 0, width, 1});
    const QImage shown = Painted(f.view);
    const QRgb black = qRgb(0, 0, 0);
    EXPECT_EQ(shown.pixel(100, 0), Inverted(black));   // top edge
    EXPECT_EQ(shown.pixel(100, 49), Inverted(black));  // bottom edge: 1 row is 50 screen rows
    EXPECT_EQ(shown.pixel(100, 20), black);
    EXPECT_EQ(shown.pixel(2, 20), black);              // no left edge or handle in view
}

TEST(QxImageViewRender, StretchWritesOnlyTheAskedPart) {
    App();
    TBitmap picture = GradientBitmap(10, 10);
    QImage out(4, 4, QImage::Format_RGB32);
    out.fill(qRgb(9, 9, 9));
    // Destination 30 x 30 (300 %) at the origin; the area (3, 3)..(5, 5)
    // lands at (1, 1).
    StretchToImage(picture.Dib(), TRect{0, 0, 10, 10}, 30, 30, TScreenOrigin{}, QRect(3, 3, 3, 3), out, QPoint(1, 1));
    EXPECT_EQ(out.pixel(0, 0), qRgb(9, 9, 9));
    EXPECT_EQ(out.pixel(1, 1), GradientRgb(1, 1));
    EXPECT_EQ(out.pixel(3, 3), GradientRgb(1, 1));
    EXPECT_EQ(out.pixel(3, 1), GradientRgb(1, 1));
    // An area hanging over the destination's edge is clipped.
    out.fill(qRgb(9, 9, 9));
    StretchToImage(picture.Dib(), TRect{0, 0, 10, 10}, 10, 10, TScreenOrigin{}, QRect(8, 8, 4, 4), out, QPoint(0, 0));
    EXPECT_EQ(out.pixel(1, 1), GradientRgb(9, 9));
    EXPECT_EQ(out.pixel(2, 2), qRgb(9, 9, 9));
    // A destination whose corner is far off screen (a 2^28 wide stretch
    // placed 2^33 pixels to the left) still picks the right columns:
    // screen x 0 is destination x 2^33, source column 2^33 * 10 / 2^34 = 5.
    out.fill(qRgb(9, 9, 9));
    const std::int64_t far = std::int64_t(1) << 33;
    StretchToImage(picture.Dib(), TRect{0, 0, 10, 10}, far * 2, 10, TScreenOrigin{-far, 0}, QRect(0, 0, 4, 4), out,
                   QPoint(0, 0));
    EXPECT_EQ(out.pixel(0, 0), GradientRgb(5, 0));
    EXPECT_EQ(out.pixel(3, 3), GradientRgb(5, 3));
}

}  // namespace
}  // namespace zelvo::test
