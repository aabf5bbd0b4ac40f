// The wheel (Ctrl + wheel zooms around the mouse, the plain wheel scrolls)
// and the drag of the picture out of the view, driven by synthetic events.

#include <gtest/gtest.h>

#include <QDir>
#include <QDrag>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QScrollBar>
#include <QUrl>
#include <QWheelEvent>

#include <memory>

#include "ViewTestSupport.h"
#include "formats/PngImage.h"
#include "image/Stream.h"

namespace zelvo::test {
namespace {

void SendWheel(TQxImageView& view, QPoint pos, int angle, Qt::KeyboardModifiers modifiers) {
    QWidget* target = view.viewport();
    QWheelEvent event(QPointF(pos), QPointF(target->mapToGlobal(pos)), QPoint(), QPoint(0, angle), Qt::NoButton,
                      modifiers, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(target, &event);
}

TEST(QxImageViewWheel, ZoomStepsGoUpAndDownFromAnyZoom) {
    struct TCase {
        int Zoom, Steps, Expected;
    };
    for (const TCase& c : {TCase{100, 1, 150}, TCase{100, -1, 75}, TCase{100, 3, 300}, TCase{100, -4, 10},
                           TCase{37, 1, 50}, TCase{37, -1, 25},  // a fitted zoom between two steps
                           TCase{1000, 1, 1000}, TCase{10, -1, 10}, TCase{5000, -1, 1000}, TCase{12, 0, 12},
                           TCase{800, 9, 1000}, TCase{150, -9, 10}}) {
        SCOPED_TRACE(testing::Message() << c.Zoom << " by " << c.Steps);
        EXPECT_EQ(TQxImageView::NextZoomStep(c.Zoom, c.Steps), c.Expected);
    }
}

// A 1000 x 800 picture in a 300 x 300 view at 100 %, mouse at (150, 120):
// one notch up gives 150 %, and the pixel (150, 120) stays under the mouse
// with ScrollPos = (150 - 150 * 100 / 150, 120 - 120 * 100 / 150) = (50, 40).
TEST(QxImageViewWheel, CtrlWheelZoomsAroundTheMouse) {
    TViewFixture f(GradientBitmap(1000, 800), 300, 300);
    std::vector<int> zooms;
    QObject::connect(&f.view, &TQxImageView::ZoomChanged, [&zooms](int zoom) { zooms.push_back(zoom); });
    const QPoint mouse(150, 120);
    SendWheel(f.view, mouse, 120, Qt::ControlModifier);
    EXPECT_EQ(f.view.Zoom(), 150);
    EXPECT_EQ(f.view.ScrollPos(), (TPoint{50, 40}));
    EXPECT_EQ(f.view.ScreenToPicture(mouse), (TPoint{150, 120}));
    EXPECT_EQ(f.view.horizontalScrollBar()->value(), 50);

    // Up to the last step and one notch beyond it, then back down: the
    // pixel stays under the mouse wherever the scroll range allows it.
    const int expectedUp[] = {200, 300, 400, 600, 800, 1000, 1000};
    for (int expected : expectedUp) {
        SendWheel(f.view, mouse, 120, Qt::ControlModifier);
        SCOPED_TRACE(expected);
        EXPECT_EQ(f.view.Zoom(), expected);
        EXPECT_EQ(f.view.ScreenToPicture(mouse), (TPoint{150, 120}));
    }
    const int expectedDown[] = {800, 600, 400, 300, 200, 150, 100};
    for (int expected : expectedDown) {
        SendWheel(f.view, mouse, -120, Qt::ControlModifier);
        SCOPED_TRACE(expected);
        EXPECT_EQ(f.view.Zoom(), expected);
        EXPECT_EQ(f.view.ScreenToPicture(mouse), (TPoint{150, 120}));
    }
    // Below 100 % the scroll position would have to be negative: it stops
    // at 0 (150 - 150 * 100 / 75 = -50).
    SendWheel(f.view, mouse, -120, Qt::ControlModifier);
    EXPECT_EQ(f.view.Zoom(), 75);
    EXPECT_EQ(f.view.ScrollPos(), (TPoint{0, 0}));
    EXPECT_EQ(zooms, (std::vector<int>{150, 200, 300, 400, 600, 800, 1000, 800, 600, 400, 300, 200, 150, 100, 75}));
}

TEST(QxImageViewWheel, ZoomingNearTheFarCornerKeepsTheScrollInRange) {
    // Mouse at the bottom-right of a view scrolled to the end: zooming out
    // cannot keep the pixel there, the scroll position stops at its maximum.
    TViewFixture f(GradientBitmap(400, 300), 200, 200);
    f.view.SetZoom(200);
    f.view.SetScrollPos(TPoint{f.view.MaxScrollX(), f.view.MaxScrollY()});
    SendWheel(f.view, QPoint(190, 190), -120, Qt::ControlModifier);
    EXPECT_EQ(f.view.Zoom(), 150);
    EXPECT_EQ(f.view.ScrollPos(), (TPoint{f.view.MaxScrollX(), f.view.MaxScrollY()}));
    EXPECT_EQ(f.view.MaxScrollX(), 400 - f.view.ClientWidth() * 100 / 150);  // the bars take their part
}

TEST(QxImageViewWheel, NotchPartsAddUpAndTurningBackDropsThem) {
    TViewFixture f(GradientBitmap(500, 500), 200, 200);
    SendWheel(f.view, QPoint(50, 50), 60, Qt::ControlModifier);
    EXPECT_EQ(f.view.Zoom(), 100);
    SendWheel(f.view, QPoint(50, 50), 60, Qt::ControlModifier);
    EXPECT_EQ(f.view.Zoom(), 150);
    // Half a notch up, then half a notch down: nothing.
    SendWheel(f.view, QPoint(50, 50), 60, Qt::ControlModifier);
    SendWheel(f.view, QPoint(50, 50), -60, Qt::ControlModifier);
    EXPECT_EQ(f.view.Zoom(), 150);
    // Two notches in one event are two steps.
    SendWheel(f.view, QPoint(50, 50), -240, Qt::ControlModifier);
    EXPECT_EQ(f.view.Zoom(), 75);
}

TEST(QxImageViewWheel, PlainWheelScrollsAndPreviewsDoNotZoom) {
    TViewFixture f(GradientBitmap(500, 800), 200, 200);
    SendWheel(f.view, QPoint(50, 50), -120, Qt::NoModifier);
    EXPECT_EQ(f.view.Zoom(), 100);
    EXPECT_GT(f.view.ScrollPos().Y, 0);
    EXPECT_EQ(f.view.ScrollPos().X, 0);

    f.view.SetDisplayOnly(true);
    SendWheel(f.view, QPoint(50, 50), 120, Qt::ControlModifier);
    EXPECT_EQ(f.view.Zoom(), 100);
    f.view.SetDisplayOnly(false);
    f.view.SetSlideShow(true);
    SendWheel(f.view, QPoint(50, 50), 120, Qt::ControlModifier);
    EXPECT_EQ(f.view.Zoom(), 100);
    f.view.SetSlideShow(false);
    SendWheel(f.view, QPoint(50, 50), 120, Qt::ControlModifier);
    EXPECT_EQ(f.view.Zoom(), 150);
}

// ---------------------------------------------------------------------------

struct TDragCapture {
    int Count = 0;
    QStringList Formats;
    QByteArray Png;
    QList<QUrl> Urls;
    bool HasPixmap = false;
    void Hook(TQxImageView& view) {
        view.DragExecHook = [this](QDrag& drag) {
            ++Count;
            Formats = drag.mimeData()->formats();
            Png = drag.mimeData()->data(QStringLiteral("image/png"));
            Urls = drag.mimeData()->urls();
            HasPixmap = !drag.pixmap().isNull();
        };
    }
};

TDibImage DecodePngBytes(const QByteArray& bytes) {
    TMemoryStream stream(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
    TDibImage picture;
    LoadPngPicture(stream, picture);
    return picture;
}

QByteArray FileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST(QxImageViewDragOut, CtrlDragOffersTheSelectionAsPngDataAndFile) {
    TViewFixture f(GradientBitmap(60, 40), 200, 200);
    DragLeft(f.view, QPoint(10, 5), QPoint(30, 25));
    ASSERT_EQ(f.doc.SelectionRect(), (TRect{10, 5, 30, 25}));
    TDragCapture capture;
    capture.Hook(f.view);
    DragLeft(f.view, QPoint(15, 10), QPoint(40, 30), Qt::ControlModifier);
    ASSERT_EQ(capture.Count, 1);
    // The selection is neither lifted nor changed.
    EXPECT_EQ(f.doc.SelectionRect(), (TRect{10, 5, 30, 25}));
    EXPECT_FALSE(f.doc.Floating());
    EXPECT_TRUE(capture.Formats.contains(QStringLiteral("image/png")));
    EXPECT_TRUE(capture.Formats.contains(QStringLiteral("text/uri-list")));
    EXPECT_TRUE(capture.HasPixmap);

    const TDibImage png = DecodePngBytes(capture.Png);
    ASSERT_EQ(png.Width(), 20);
    ASSERT_EQ(png.Height(), 20);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x)
            ASSERT_EQ(png.GetPixels(x, y), f.doc.Bitmap().PixelColor(10 + x, 5 + y)) << x << "," << y;

    ASSERT_EQ(capture.Urls.size(), 1);
    const QString file = capture.Urls.first().toLocalFile();
    EXPECT_EQ(QFileInfo(file).fileName(), QStringLiteral("picture.png"));
    EXPECT_EQ(FileBytes(file), capture.Png);
}

TEST(QxImageViewDragOut, WholePictureWithoutSelectionAndEarlierFilesGo) {
    auto doc = std::make_unique<TQxImage>();
    App();
    doc->SetBitmap(GradientBitmap(30, 20));
    auto view = std::make_unique<TQxImageView>(*doc);
    view->resize(100, 100);
    view->show();
    TDragCapture capture;
    capture.Hook(*view);
    DragLeft(*view, QPoint(5, 5), QPoint(25, 25), Qt::ControlModifier);
    ASSERT_EQ(capture.Count, 1);
    EXPECT_FALSE(doc->HasSelection());
    const TDibImage png = DecodePngBytes(capture.Png);
    EXPECT_EQ(png.Width(), 30);
    EXPECT_EQ(png.Height(), 20);
    EXPECT_EQ(png.GetPixels(29, 19), doc->Bitmap().PixelColor(29, 19));
    const QString first = capture.Urls.value(0).toLocalFile();
    ASSERT_TRUE(QFileInfo::exists(first));

    // The next drag removes the file of the one before.
    view->SetDragFileStem(QStringLiteral("holiday"));
    DragLeft(*view, QPoint(5, 5), QPoint(25, 25), Qt::ControlModifier);
    ASSERT_EQ(capture.Count, 2);
    const QString second = capture.Urls.value(0).toLocalFile();
    EXPECT_EQ(QFileInfo(second).fileName(), QStringLiteral("holiday.png"));
    EXPECT_FALSE(QFileInfo::exists(first));
    EXPECT_TRUE(QFileInfo::exists(second));
    const QString folder = QFileInfo(second).absolutePath();
    EXPECT_TRUE(QFileInfo(folder).fileName().startsWith(QStringLiteral("zelvo-drag-")));

    // The folder goes with the view.
    view.reset();
    EXPECT_FALSE(QFileInfo::exists(second));
    EXPECT_FALSE(QFileInfo::exists(folder));
}

TEST(QxImageViewDragOut, CtrlClickAndOtherModesDoNotDrag) {
    TViewFixture f(GradientBitmap(60, 40), 200, 200);
    DragLeft(f.view, QPoint(10, 5), QPoint(30, 25));
    TDragCapture capture;
    capture.Hook(f.view);
    // A Ctrl + click, or a move shorter than the drag distance, does nothing.
    DragLeft(f.view, QPoint(15, 10), QPoint(15, 10), Qt::ControlModifier);
    DragLeft(f.view, QPoint(15, 10), QPoint(17, 11), Qt::ControlModifier);
    EXPECT_EQ(capture.Count, 0);
    EXPECT_EQ(f.doc.SelectionRect(), (TRect{10, 5, 30, 25}));
    EXPECT_FALSE(f.doc.Floating());
    // A plain drag still selects; in point-pick mode the click picks.
    DragLeft(f.view, QPoint(40, 20), QPoint(50, 35));
    EXPECT_EQ(f.doc.SelectionRect(), (TRect{40, 20, 50, 35}));
    int picked = 0;
    QObject::connect(&f.view, &TQxImageView::SelectPos, [&picked](int, int) { ++picked; });
    f.view.StartPointPick();
    DragLeft(f.view, QPoint(5, 5), QPoint(30, 30), Qt::ControlModifier);
    EXPECT_EQ(picked, 1);
    EXPECT_EQ(capture.Count, 0);
    // A display-only view never drags.
    f.view.SetDisplayOnly(true);
    DragLeft(f.view, QPoint(5, 5), QPoint(30, 30), Qt::ControlModifier);
    EXPECT_EQ(capture.Count, 0);
}

}  // namespace
}  // namespace zelvo::test
