// Screenshot smoke test: the brightness dialog with its live preview over
// the sample picture, captured from the screen. Runs only when
// ZELVO_SCREENSHOT names the PNG to write (dialog-screenshots.sh sets it
// under Xvfb, with the xcb platform), so the picture can be looked at.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDoubleSpinBox>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <QSlider>

#include <cstdlib>
#include <filesystem>

#include "AppTestSupport.h"
#include "ScreenshotSupport.h"
#include "app/window/ZVfrmMain.h"
#include "app/dialogs/ZVfrmPreview.h"
#include "document/QxImage.h"

namespace zelvo {
namespace {

using test::Settle;

TEST(EffectDialogScreenshot, BrightnessPreviewOverTheSamplePicture) {
    const char* target = std::getenv("ZELVO_SCREENSHOT");
    const char* sample = std::getenv("ZELVO_SAMPLE");
    if (!target || !sample) GTEST_SKIP() << "set ZELVO_SCREENSHOT and ZELVO_SAMPLE";
    auto form = test::MakeWindow();
    form->resize(800, 600);
    form->move(0, 0);
    form->show();
    ASSERT_TRUE(form->LoadImageFile(QString::fromLocal8Bit(sample), false));
    Settle(300);
    TZVfrmPreview dialog(*form, *FindPreviewEffect(TPreviewEffectType::Brightness));
    dialog.show();
    dialog.ScrollBars[0]->setValue(80);
    Settle(500);
    EXPECT_EQ(dialog.QxPreview().UndoCount(), 1);
    const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0);
    ASSERT_TRUE(shot.save(QString::fromLocal8Bit(target), "PNG"));
}

}  // namespace
}  // namespace zelvo
