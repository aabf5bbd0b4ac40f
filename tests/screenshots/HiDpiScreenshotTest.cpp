// The main window on a screen scaled to 200 % (QT_SCALE_FACTOR=2 under
// Xvfb): the sample picture at 100 %, photographed from the X server, must
// show one picture pixel per device pixel. Writes the whole screen and an
// eight-times enlarged crop of the picture's top-left corner (each screen
// pixel an 8 x 8 block, so single pixels can be seen), then compares every
// screen pixel of the view with the sample. Runs only when
// ZELVO_GEOMETRY_SHOTS, ZELVO_SAMPLE and QT_SCALE_FACTOR are set.

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>

#include <cmath>

#include "ScreenshotSupport.h"
#include "app/window/ZVfrmMain.h"
#include "document/QxImage.h"
#include "view/QxImageView.h"

namespace zelvo {
namespace {

class THiDpiScreenshots : public test::TSampleWindowShots {
protected:
    THiDpiScreenshots() : TSampleWindowShots(QSize(620, 500)) {}
    void SetUp() override {
        if (qEnvironmentVariable("QT_SCALE_FACTOR").toDouble() <= 1.0) GTEST_SKIP() << "set QT_SCALE_FACTOR";
        TSampleWindowShots::SetUp();
    }
};

TEST_F(THiDpiScreenshots, SampleAtActualSize) {
    TQxImageView& view = FForm->View();
    ASSERT_EQ(FForm->QxImage1().Zoom(), 100);
    const double scale = view.viewport()->devicePixelRatioF();
    ASSERT_DOUBLE_EQ(scale, qEnvironmentVariable("QT_SCALE_FACTOR").toDouble());
    Shoot("1-hidpi-sample-100.png");

    QImage screen = QGuiApplication::primaryScreen()->grabWindow(0).toImage().convertToFormat(QImage::Format_RGB32);
    screen.setDevicePixelRatio(1.0);
    const QPoint origin = view.viewport()->mapToGlobal(QPoint(0, 0));
    const QPoint device(int(std::lround(origin.x() * scale)), int(std::lround(origin.y() * scale)));
    const TBitmap& picture = FForm->QxImage1().Bitmap();
    const int width = std::min(picture.Width(), view.ClientWidth());
    const int height = std::min(picture.Height(), view.ClientHeight());
    ASSERT_GT(width, 100);
    ASSERT_GT(height, 100);
    int wrong = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const TColor c = picture.PixelColor(x, y);
            if (screen.pixel(device.x() + x, device.y() + y) != qRgb(GetRValue(c), GetGValue(c), GetBValue(c))) ++wrong;
        }
    EXPECT_EQ(wrong, 0) << "of " << width << " x " << height << " device pixels at " << device.x() << ","
                        << device.y();

    const QImage crop = screen.copy(device.x(), device.y(), 80, 60);
    ASSERT_TRUE(crop.scaled(640, 480, Qt::IgnoreAspectRatio, Qt::FastTransformation)
                    .save(FFolder + QStringLiteral("/2-hidpi-corner-8x.png"), "PNG"));
}

}  // namespace
}  // namespace zelvo
