// Screenshots of the filter and effect dialogs over the sample picture:
// emboss and spotlight with their live thumbnails, mosaic (one slider) and
// the blind's full-scale preview. Runs only when ZELVO_GEOMETRY_SHOTS names
// the folder to write the PNG files to and ZELVO_SAMPLE the picture
// (dialog-screenshots.sh sets both under Xvfb), so they can be looked at.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <QSlider>

#include <cstdlib>

#include "AppTestSupport.h"
#include "ScreenshotSupport.h"
#include "app/dialogs/EffectSettings.h"
#include "app/dialogs/ZVfrmPreview.h"
#include "app/dialogs/ZVfrmRegularPreview.h"
#include "app/dialogs/ZVfrmSlide.h"
#include "app/window/ZVfrmMain.h"
#include "document/QxImage.h"

namespace zelvo {
namespace {

using test::Settle;

class EffectFilterScreenshots : public test::TSampleWindowShots {
protected:
    EffectFilterScreenshots() : TSampleWindowShots(QSize(800, 600)) {}
};

TEST_F(EffectFilterScreenshots, EmbossPreview) {
    TZVfrmPreview dialog(*FForm, *FindPreviewEffect(TPreviewEffectType::Emboss));
    dialog.show();
    dialog.ScrollBars[0]->setValue(15);
    EXPECT_EQ(dialog.QxPreview().UndoCount(), 1);
    Shoot("emboss.png");
}

TEST_F(EffectFilterScreenshots, MosaicSlider) {
    EffectSettings(*FForm).MosaicSize = 12;
    TZVfrmSlide dialog(*FForm, *FindSlideEffect(TSlideEffectType::Mosaic));
    dialog.show();
    Shoot("mosaic.png");
}

TEST_F(EffectFilterScreenshots, SpotLightPreviewAroundThePickedPoint) {
    const int width = FForm->QxImage1().Bitmap().Width();
    const int height = FForm->QxImage1().Bitmap().Height();
    TZVfrmPreview dialog(*FForm, *FindPreviewEffect(TPreviewEffectType::SpotLight), TPoint{width / 3, height / 2});
    dialog.show();
    dialog.ScrollBars[0]->setValue(45);
    Shoot("spotlight.png");
}

TEST_F(EffectFilterScreenshots, BlindFullScalePreview) {
    EffectSettings(*FForm).BlindWidth = 16;
    EffectSettings(*FForm).BlindColor = clNavy;
    TZVfrmRegularPreview dialog(*FForm);
    dialog.show();
    Settle(200);
    dialog.RefreshPreview();
    Shoot("blind.png");
}

}  // namespace
}  // namespace zelvo
