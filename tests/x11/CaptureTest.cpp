// Screen capture and the root window's background on a virtual X server
// without a window manager (xvfb-run): the test itself plays the window
// manager's part by setting _NET_ACTIVE_WINDOW and _NET_FRAME_EXTENTS.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QPainter>
#include <QWidget>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>

#include "AppTestSupport.h"
#include "ScreenshotSupport.h"
#include "TestSupport.h"
#include "app/devices/Wallpaper.h"
#include "document/QxImage.h"
#include "platform/qt/WinShot.h"
#include "platform/qt/X11RootBackground.h"
#include "platform/qt/X11Windows.h"

namespace zelvo {
namespace {

using test::Settle;

constexpr QRgb kRed = 0xFF0000, kBlue = 0x0000FF, kGreen = 0x00FF00, kYellow = 0xFFFF00;

/// A window painted in two halves: `left` and `right`.
class TPatternWindow : public QWidget {
public:
    TPatternWindow(QRgb left, QRgb right, QSize size) : FLeft(left), FRight(right) {
        setWindowFlag(Qt::FramelessWindowHint);
        setFixedSize(size);
    }
    TXWindow Id() { return TXWindow(winId()); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(0, 0, width() / 2, height(), QColor(FLeft));
        p.fillRect(width() / 2, 0, width() - width() / 2, height(), QColor(FRight));
    }

private:
    QRgb FLeft, FRight;
};

std::unique_ptr<TPatternWindow> ShowPattern(QRgb left, QRgb right, QRect where) {
    auto w = std::make_unique<TPatternWindow>(left, right, where.size());
    w->move(where.topLeft());
    w->show();
    Settle(300);
    return w;
}

/// 0x00BBGGRR of a picture pixel as 0xRRGGBB.
QRgb Rgb(const TDibImage& picture, int x, int y) {
    const TColor c = picture.GetPixels(x, y);
    return QRgb(((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF));
}

void SetRootWindowProperty(const char* name, std::uint32_t type, std::vector<std::uint32_t> values, TXWindow on = 0) {
    xcb_connection_t* c = X11Connection();
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, on ? on : X11Root(), X11Atom(name), type, 32,
                        std::uint32_t(values.size()), values.data());
    xcb_flush(c);
}

void SetActive(TXWindow window) { SetRootWindowProperty("_NET_ACTIVE_WINDOW", XCB_ATOM_WINDOW, {window}); }

TEST(CaptureTest, RunsOnX11) {
    ASSERT_TRUE(ScreenReadable()) << "these tests need the xcb platform and an X server";
    EXPECT_EQ(X11DesktopRect(), QRect(0, 0, 1024, 768));
}

/// A capture without the mouse cursor, as the commands make it.
TWinShot Shot(bool activeWindow = false) {
    TWinShot shot;
    shot.ActiveWindow = activeWindow;
    shot.IncludeMouseCursor = false;
    return shot;
}

TEST(CaptureTest, DesktopShowsAKnownWindow) {
    auto w = ShowPattern(kRed, kBlue, QRect(100, 80, 200, 120));
    const auto shot = Shot().Capture();
    ASSERT_TRUE(shot);
    EXPECT_EQ(shot->Width(), 1024);
    EXPECT_EQ(shot->Height(), 768);
    EXPECT_EQ(shot->BitCount(), 24);
    for (const auto& [x, y, want] : {std::tuple{100, 80, kRed}, {199, 199, kRed}, {200, 80, kBlue}, {299, 199, kBlue}}) {
        SCOPED_TRACE(std::to_string(x) + "," + std::to_string(y));
        EXPECT_EQ(Rgb(*shot, x, y), want);
    }
    EXPECT_NE(Rgb(*shot, 99, 80), kRed);
    EXPECT_NE(Rgb(*shot, 300, 80), kBlue);
}

TEST(CaptureTest, ActiveWindowFollowsTheWindowManagersHint) {
    auto a = ShowPattern(kGreen, kGreen, QRect(300, 200, 160, 100));
    auto b = ShowPattern(kYellow, kYellow, QRect(50, 400, 120, 90));
    TWinShot shot = Shot(true);

    SetActive(b->Id());
    auto picture = shot.Capture();
    ASSERT_TRUE(picture);
    EXPECT_EQ(QSize(picture->Width(), picture->Height()), QSize(120, 90));
    EXPECT_EQ(Rgb(*picture, 0, 0), kYellow);
    EXPECT_EQ(Rgb(*picture, 119, 89), kYellow);

    SetActive(a->Id());
    picture = shot.Capture();
    ASSERT_TRUE(picture);
    EXPECT_EQ(QSize(picture->Width(), picture->Height()), QSize(160, 100));
    EXPECT_EQ(Rgb(*picture, 80, 50), kGreen);

    // A frame around the client area: left 4, right 6, top 20, bottom 8.
    SetRootWindowProperty("_NET_FRAME_EXTENTS", XCB_ATOM_CARDINAL, {4, 6, 20, 8}, a->Id());
    EXPECT_EQ(shot.SourceRect(a->Id()), QRect(296, 180, 170, 128));
    picture = shot.Capture();
    ASSERT_TRUE(picture);
    EXPECT_EQ(QSize(picture->Width(), picture->Height()), QSize(170, 128));
    EXPECT_EQ(Rgb(*picture, 4, 20), kGreen);
    shot.ClientArea = true;
    picture = shot.Capture();
    ASSERT_TRUE(picture);
    EXPECT_EQ(QSize(picture->Width(), picture->Height()), QSize(160, 100));

    // The hint names a window that is not shown: the next one down the
    // stacking order that is (b was shown last, so a lies below it).
    SetActive(b->Id());
    b->hide();
    Settle(200);
    shot.ClientArea = false;
    picture = shot.Capture();
    ASSERT_TRUE(picture);
    EXPECT_EQ(QSize(picture->Width(), picture->Height()), QSize(170, 128));
    SetActive(0);
}

TEST(CaptureTest, WindowPartlyOffTheLeftEdgeIsCapturedFromTheEdge) {
    auto w = ShowPattern(kRed, kBlue, QRect(-50, 300, 200, 100));
    ASSERT_EQ(X11ClientRect(w->Id()), QRect(-50, 300, 200, 100));
    SetActive(w->Id());
    TWinShot shot = Shot(true);
    const auto picture = shot.Capture();
    ASSERT_TRUE(picture);
    // Window columns 50..199 remain: red up to column 99, blue from 100.
    EXPECT_EQ(QSize(picture->Width(), picture->Height()), QSize(150, 100));
    EXPECT_EQ(Rgb(*picture, 0, 0), kRed);
    EXPECT_EQ(Rgb(*picture, 49, 99), kRed);
    EXPECT_EQ(Rgb(*picture, 50, 0), kBlue);
    EXPECT_EQ(Rgb(*picture, 149, 99), kBlue);
    // Wholly off the screen: nothing.
    w->move(-400, 300);
    Settle(200);
    EXPECT_FALSE(shot.Capture().has_value());
    SetActive(0);
}

TEST(CaptureTest, MouseCursorIsDrawnOnlyWhenAsked) {
    auto w = ShowPattern(kGreen, kGreen, QRect(400, 300, 240, 180));
    xcb_connection_t* c = X11Connection();
    xcb_warp_pointer(c, XCB_NONE, X11Root(), 0, 0, 0, 0, 520, 390);
    xcb_flush(c);
    Settle(200);
    auto countGreen = [](const TDibImage& picture) {
        int green = 0;
        for (int y = 300; y < 480; ++y)
            for (int x = 400; x < 640; ++x) green += Rgb(picture, x, y) == kGreen;
        return green;
    };
    TWinShot shot = Shot();
    const auto without = shot.Capture();
    ASSERT_TRUE(without);
    EXPECT_EQ(countGreen(*without), 240 * 180);
    shot.IncludeMouseCursor = true;
    const auto with = shot.Capture();
    ASSERT_TRUE(with);
    const int covered = 240 * 180 - countGreen(*with);
    EXPECT_GT(covered, 20);    // the pointer's shape
    EXPECT_LT(covered, 2000);  // and nothing more
    EXPECT_EQ(Rgb(*with, 400, 300), kGreen);
}

TEST(CaptureTest, CommandHidesTheWindowAndMakesAnUndoStepOnlyWithAPicture) {
    auto pattern = ShowPattern(kRed, kBlue, QRect(100, 80, 200, 120));
    test::WriteSettingsText("[Settings]\nCaptureWait=100\n");
    auto form = test::MakeWindow();
    form->setGeometry(0, 0, 700, 500);  // over the pattern
    form->show();
    Settle(300);
    ASSERT_TRUE(form->Actions.mnuCaptureDesktop->isEnabled());

    form->Actions.mnuCaptureDesktop->trigger();
    EXPECT_TRUE(form->isVisible());
    TQxImage& doc = form->QxImage1();
    ASSERT_FALSE(doc.Empty());
    EXPECT_EQ(doc.Bitmap().Width(), 1024);
    EXPECT_EQ(doc.UndoCount(), 0);
    EXPECT_TRUE(test::UndoCaptions(*form).isEmpty());
    // The main window was out of the way: the pattern is in the picture.
    const TDibImage first = doc.Bitmap().ToDibImage();
    EXPECT_EQ(Rgb(first, 150, 140), kRed);
    EXPECT_EQ(Rgb(first, 250, 140), kBlue);
    EXPECT_TRUE(form->FFileName.empty());

    form->Actions.mnuCaptureDesktop->trigger();
    EXPECT_EQ(doc.UndoCount(), 1);
    EXPECT_EQ(test::UndoCaptions(*form), QStringList{QString::fromUtf8("キャプチャ")});
    EXPECT_TRUE(doc.Modified());
}

TEST(CaptureTest, CaptureWithoutATargetChangesNothing) {
    auto form = test::WindowWithSample(7, 5, "capture-keep.bmp");
    form->show();
    Settle(200);
    SetActive(0);
    const TDibImage before = form->QxImage1().Bitmap().ToDibImage();
    // Only the main window is on the screen, and it is hidden while the
    // active window is looked for.
    form->Actions.mnuCaptureActiveWindow->trigger();
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->QxImage1().UndoCount(), 0);
    EXPECT_TRUE(test::SamePixels(form->QxImage1().Bitmap().ToDibImage(), before));
    EXPECT_TRUE(test::UndoCaptions(*form).isEmpty());
}

TEST(CaptureTest, WaylandSessionDisablesTheCommandsWithAHint) {
    setenv("WAYLAND_DISPLAY", "wayland-0", 1);
    QString why;
    EXPECT_FALSE(ScreenReadable(&why));
    EXPECT_TRUE(why.contains(QStringLiteral("Wayland")));
    auto form = test::WindowWithSample(4, 4, "wayland.bmp");
    EXPECT_FALSE(Shot().Capture().has_value());
    unsetenv("WAYLAND_DISPLAY");
    for (QAction* a : {form->Actions.mnuCaptureDesktop, form->Actions.mnuCaptureActiveWindow,
                       form->Actions.mnuCaptureClientArea}) {
        EXPECT_FALSE(a->isEnabled());
        EXPECT_EQ(a->statusTip(), why);
    }
}

// ---- the root window's background

/// The pixmap _XROOTPMAP_ID names (0 without one).
std::uint32_t RootPixmap() {
    xcb_connection_t* c = X11Connection();
    auto* reply = xcb_get_property_reply(
        c, xcb_get_property(c, 0, X11Root(), X11Atom("_XROOTPMAP_ID"), XCB_ATOM_PIXMAP, 0, 1), nullptr);
    std::uint32_t pixmap = 0;
    if (reply && xcb_get_property_value_length(reply) == 4) std::memcpy(&pixmap, xcb_get_property_value(reply), 4);
    std::free(reply);
    return pixmap;
}

/// A pixmap's size and its pixel (x, y) as 0xRRGGBB; size 0 when it is gone.
std::pair<QSize, QRgb> PixmapPixel(std::uint32_t pixmap, int x, int y) {
    xcb_connection_t* c = X11Connection();
    auto* geometry = xcb_get_geometry_reply(c, xcb_get_geometry(c, pixmap), nullptr);
    if (!geometry) return {QSize(), 0};
    const QSize size(geometry->width, geometry->height);
    std::free(geometry);
    auto* image = xcb_get_image_reply(
        c, xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, pixmap, std::int16_t(x), std::int16_t(y), 1, 1, ~0u), nullptr);
    QRgb pixel = 0;
    if (image) {
        std::uint32_t v = 0;
        std::memcpy(&v, xcb_get_image_data(image), 4);
        pixel = v & 0xFFFFFF;
    }
    std::free(image);
    return {size, pixel};
}

TEST(RootBackgroundTest, SetTiledOrCentredAndRemove) {
    // 3 x 2: top row red, green, blue; bottom row yellow.
    TDibImage picture = test::FlatImage24(3, 2, 0x00FFFF);
    picture.SetPixels(0, 0, 0x0000FF);
    picture.SetPixels(1, 0, 0x00FF00);
    picture.SetPixels(2, 0, 0xFF0000);

    ASSERT_TRUE(SetRootBackground(picture, true));
    const std::uint32_t tiled = RootPixmap();
    ASSERT_NE(tiled, 0u);
    EXPECT_EQ(PixmapPixel(tiled, 0, 0), std::pair(QSize(3, 2), kRed));
    EXPECT_EQ(PixmapPixel(tiled, 2, 0).second, kBlue);
    EXPECT_EQ(PixmapPixel(tiled, 1, 1).second, kYellow);

    ASSERT_TRUE(SetRootBackground(picture, false));
    const std::uint32_t centred = RootPixmap();
    ASSERT_NE(centred, tiled);
    // The first pixmap is freed with its retained connection.
    EXPECT_FALSE(PixmapPixel(tiled, 0, 0).first.isValid());
    // Centred on 1024 x 768: the picture's top-left at (510, 383).
    EXPECT_EQ(PixmapPixel(centred, 510, 383), std::pair(QSize(1024, 768), kRed));
    EXPECT_EQ(PixmapPixel(centred, 512, 384).second, kYellow);
    EXPECT_EQ(PixmapPixel(centred, 509, 383).second, 0u);  // black around it

    ASSERT_TRUE(ClearRootBackground());
    EXPECT_EQ(RootPixmap(), 0u);
    EXPECT_FALSE(PixmapPixel(centred, 0, 0).first.isValid());
}

TEST(RootBackgroundTest, WallpaperCommandWithoutADesktopSetsTheRootWindow) {
    unsetenv("XDG_CURRENT_DESKTOP");
    setenv("XDG_DATA_HOME", (test::AppTestDir() / "data").c_str(), 1);
    auto form = test::WindowWithSample(16, 8, "root-wall.bmp");
    form->Actions.mnuWallPaperTile->trigger();
    const std::uint32_t pixmap = RootPixmap();
    ASSERT_NE(pixmap, 0u);
    EXPECT_EQ(PixmapPixel(pixmap, 0, 0).first, QSize(16, 8));
    // Setting the same file again still changes the desktop.
    form->Actions.mnuWallPaperCenter->trigger();
    EXPECT_NE(RootPixmap(), pixmap);
    EXPECT_EQ(PixmapPixel(RootPixmap(), 0, 0).first, QSize(1024, 768));
    form->Actions.mnuClearWallpaper->trigger();
    EXPECT_EQ(RootPixmap(), 0u);
    unsetenv("XDG_DATA_HOME");
}

}  // namespace
}  // namespace zelvo
