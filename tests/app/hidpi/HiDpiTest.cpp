// The picture view and the icons on a scaled screen. CTest runs this
// program twice, with QT_SCALE_FACTOR=2 and =1.5 on the offscreen platform;
// without the variable the tests skip.
//
// At 100 % every device pixel of the view shows one picture pixel; mouse
// points, selections, scroll ranges and the fitted zoom count device
// pixels; icons are drawn from their SVG at the device size.

#include <gtest/gtest.h>

#include <QApplication>
#include <QIcon>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QScrollBar>
#include <QSvgRenderer>

#include <cmath>

#include "AppTestSupport.h"
#include "TestSupport.h"
#include "app/common/Resources.h"
#include "app/window/ZVfrmMain.h"
#include "document/QxImage.h"
#include "platform/Bitmap.h"
#include "view/QxImageView.h"

namespace zelvo {
namespace {

double ScaleFactor() { return qEnvironmentVariable("QT_SCALE_FACTOR").toDouble(); }

#define REQUIRE_SCALED_SCREEN()                                                   \
    if (ScaleFactor() <= 1.0) GTEST_SKIP() << "run with QT_SCALE_FACTOR above 1"

// A 24-bit picture whose pixel (x, y) is RGB(x mod 256, y mod 256, 0x40).
TBitmap Gradient(int width, int height) {
    TBitmap bitmap(width, height, pf24bit);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = bitmap.ScanLine(y);
        for (int x = 0; x < width; ++x) {
            row[3 * x] = 0x40;
            row[3 * x + 1] = std::uint8_t(y);
            row[3 * x + 2] = std::uint8_t(x);
        }
    }
    return bitmap;
}

QRgb GradientRgb(int x, int y) { return qRgb(x & 0xFF, y & 0xFF, 0x40); }

void SendMouse(TQxImageView& view, QEvent::Type type, QPointF pos, Qt::MouseButton button, Qt::MouseButtons buttons) {
    QWidget* target = view.viewport();
    QMouseEvent event(type, pos, target->mapToGlobal(pos), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

void Drag(TQxImageView& view, QPointF from, QPointF to) {
    SendMouse(view, QEvent::MouseMove, from, Qt::NoButton, Qt::NoButton);
    SendMouse(view, QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
    SendMouse(view, QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
    SendMouse(view, QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
}

// The viewport as it is drawn, one image pixel per device pixel.
QImage Drawn(TQxImageView& view) {
    QImage image = view.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    image.setDevicePixelRatio(1.0);
    return image;
}

// Counts the device pixels of the picture's part of `drawn` that are not
// the picture pixel of the same position (scroll position (0, 0), 100 %).
int MismatchedPixels(const QImage& drawn, int pictureW, int pictureH, const TBitmap& picture) {
    int wrong = 0;
    for (int y = 0; y < std::min(drawn.height(), pictureH); ++y)
        for (int x = 0; x < std::min(drawn.width(), pictureW); ++x) {
            const TColor c = picture.PixelColor(x, y);
            if (drawn.pixel(x, y) != qRgb(GetRValue(c), GetGValue(c), GetBValue(c))) ++wrong;
        }
    return wrong;
}

struct TScaledView {
    TQxImage doc;
    TQxImageView view{doc};
    TScaledView(const TBitmap& picture, int width, int height) {
        doc.SetBitmap(picture);
        view.SetDevicePixels(true);
        view.resize(width, height);
        view.show();
        view.Recompute();
    }
};

TEST(HiDpi, OnePicturePixelPerDevicePixelAtActualSize) {
    REQUIRE_SCALED_SCREEN();
    const double scale = ScaleFactor();
    TScaledView f(Gradient(400, 300), 120, 90);
    ASSERT_DOUBLE_EQ(f.view.viewport()->devicePixelRatioF(), scale);
    // The viewport (the view less its scroll bars) in device pixels; it
    // shows that many picture columns, not one per viewport unit.
    const QSize units = f.view.viewport()->size();
    EXPECT_EQ(f.view.ClientWidth(), int(std::ceil(units.width() * scale)));
    EXPECT_EQ(f.view.ClientHeight(), int(std::ceil(units.height() * scale)));
    EXPECT_EQ(f.view.VisW(), f.view.ClientWidth() + 1);
    const QImage drawn = Drawn(f.view);
    ASSERT_GE(drawn.width(), int(std::floor(units.width() * scale)));
    for (int y = 0; y < drawn.height(); y += 7)
        for (int x = 0; x < drawn.width(); ++x) ASSERT_EQ(drawn.pixel(x, y), GradientRgb(x, y)) << x << "," << y;
    EXPECT_EQ(MismatchedPixels(drawn, 400, 300, f.doc.Bitmap()), 0);

    // Without device pixels (a dialog's preview) a picture pixel covers a
    // viewport unit: picture column 10 is drawn at device column 10 x scale.
    f.view.SetDevicePixels(false);
    const QImage preview = Drawn(f.view);
    EXPECT_EQ(f.view.ClientWidth(), f.view.viewport()->width());
    EXPECT_EQ(preview.pixel(int(std::ceil(10 * scale)), 0), GradientRgb(10, 0));
}

TEST(HiDpi, TheMainWindowDrawsTheSampleOneToOne) {
    REQUIRE_SCALED_SCREEN();
    auto form = test::WindowWithSample(300, 200, "hidpi-sample.bmp");
    form->resize(400, 300);
    form->show();
    QApplication::processEvents();
    ASSERT_TRUE(form->View().DevicePixels());
    EXPECT_EQ(form->QxImage1().Zoom(), 100);
    const QImage drawn = Drawn(form->View());
    EXPECT_EQ(MismatchedPixels(drawn, 300, 200, form->QxImage1().Bitmap()), 0);
}

TEST(HiDpi, MousePointsSelectionsAndHandlesCountDevicePixels) {
    REQUIRE_SCALED_SCREEN();
    const double scale = ScaleFactor();
    TScaledView f(Gradient(400, 300), 150, 120);
    QPoint moved;
    QObject::connect(&f.view, &TQxImageView::MouseMoved, [&moved](int x, int y) { moved = QPoint(x, y); });
    const QPointF at(10.5, 20.25);
    SendMouse(f.view, QEvent::MouseMove, at, Qt::NoButton, Qt::NoButton);
    const QPoint device(int(std::floor(10.5 * scale)), int(std::floor(20.25 * scale)));
    EXPECT_EQ(moved, device);
    EXPECT_EQ(f.view.ScreenToPicture(moved), (TPoint{device.x(), device.y()}));
    EXPECT_EQ(f.view.ColorAt(moved), RGB(std::uint8_t(device.x()), std::uint8_t(device.y()), 0x40));

    // Viewport (10, 10)-(50, 40) selects device pixels 10 x scale .. 50 x scale.
    Drag(f.view, QPointF(10, 10), QPointF(50, 40));
    const TRect sel{int(10 * scale), int(10 * scale), int(50 * scale), int(40 * scale)};
    ASSERT_EQ(f.doc.SelectionRect(), sel);
    // Half-way between the handles the frame's top line (a viewport unit
    // thick) is inverted, the device pixel below it is not.
    const QImage drawn = Drawn(f.view);
    const int mid = (sel.Left + sel.Right) / 2;
    const int line = int(std::lround(scale));
    EXPECT_EQ(drawn.pixel(mid, sel.Top), GradientRgb(mid, sel.Top) ^ 0x00FFFFFFu);
    EXPECT_EQ(drawn.pixel(mid, sel.Top + line - 1), GradientRgb(mid, sel.Top + line - 1) ^ 0x00FFFFFFu);
    EXPECT_EQ(drawn.pixel(mid, sel.Top + line), GradientRgb(mid, sel.Top + line));

    // The bottom-right handle reaches 5 viewport units (5 x scale device
    // pixels) past the corner; grabbing it there moves the corner.
    const double reach = std::lround(5 * scale) - 1;
    Drag(f.view, QPointF((sel.Right + reach) / scale, (sel.Bottom + reach) / scale), QPointF(100, 90));
    EXPECT_EQ(f.doc.SelectionRect(), (TRect{sel.Left, sel.Top, int(100 * scale), int(90 * scale)}));
}

TEST(HiDpi, ScrollRangeAndFittedZoomCountDevicePixels) {
    REQUIRE_SCALED_SCREEN();
    const double scale = ScaleFactor();
    TScaledView f(Gradient(1000, 800), 150, 120);
    EXPECT_EQ(f.view.MaxScrollX(), 1000 - f.view.ClientWidth());
    EXPECT_EQ(f.view.horizontalScrollBar()->maximum(), f.view.MaxScrollX());
    EXPECT_EQ(f.view.verticalScrollBar()->maximum(), 800 - f.view.ClientHeight());
    EXPECT_EQ(f.view.verticalScrollBar()->pageStep(), f.view.VisH());
    // Scrolled to the end, the last picture column is the last device
    // column drawn.
    f.view.SetScrollPos(TPoint{f.view.MaxScrollX(), 0});
    EXPECT_EQ(f.view.ScreenToPicture(QPoint(f.view.ClientWidth() - 1, 0)).X, 999);

    TScaledView wide(Gradient(600, 300), 150, 150);
    wide.view.FitToWindow();
    EXPECT_EQ(wide.view.Zoom(), int(150 * scale / 600 * 100));
}

TEST(HiDpi, IconsAreDrawnFromTheirSvgAtTheDeviceSize) {
    REQUIRE_SCALED_SCREEN();
    InitResources();
    const double scale = ScaleFactor();
    const int side = int(std::lround(16 * scale));
    for (const char* name : {"copy", "paste", "zoom", "crop", "undo"}) {
        SCOPED_TRACE(name);
        const QString path = QStringLiteral(":/icons/%1.svg").arg(QLatin1String(name));
        const QPixmap pixmap = QIcon(path).pixmap(QSize(16, 16));
        ASSERT_EQ(pixmap.size(), QSize(side, side));
        EXPECT_DOUBLE_EQ(pixmap.devicePixelRatio(), scale);
        // The same SVG rendered straight at the device size: an icon
        // enlarged from 16 x 16 pixels would differ from it.
        QImage vector(side, side, QImage::Format_ARGB32_Premultiplied);
        vector.fill(Qt::transparent);
        {
            QPainter painter(&vector);
            QSvgRenderer(path).render(&painter);
        }
        const QImage upscaled = QIcon(path).pixmap(QSize(16, 16), 1.0).toImage().scaled(side, side).convertToFormat(
            QImage::Format_ARGB32_Premultiplied);
        const QImage icon = pixmap.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
        int differences = 0, fromSmall = 0;
        for (int y = 0; y < side; ++y)
            for (int x = 0; x < side; ++x) {
                differences += icon.pixel(x, y) != vector.pixel(x, y);
                fromSmall += icon.pixel(x, y) != upscaled.pixel(x, y);
            }
        EXPECT_EQ(differences, 0);
        EXPECT_GT(fromSmall, side);
    }
}

}  // namespace
}  // namespace zelvo
