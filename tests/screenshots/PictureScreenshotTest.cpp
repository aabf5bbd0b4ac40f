// Screenshots of the picture commands over the sample picture: the
// histogram window, the merge dialog and a merge-pasted picture being
// placed, the combine dialog and its result, the gradation dialog and its
// result, and the texture dialog with its full-scale preview. Runs only
// when ZELVO_GEOMETRY_SHOTS names the folder to write the PNG files to and
// ZELVO_SAMPLE the picture (dialog-screenshots.sh sets both under Xvfb), so
// they can be looked at.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>

#include "AppTestSupport.h"
#include "PictureDialogsSupport.h"
#include "ScreenshotSupport.h"
#include "TestSupport.h"
#include "app/dialogs/TextureFolder.h"
#include "app/dialogs/ZVfrmCombine.h"
#include "app/dialogs/ZVfrmGradation.h"
#include "app/dialogs/ZVfrmHistgram.h"
#include "app/dialogs/ZVfrmMerge.h"
#include "app/dialogs/ZVfrmTexture.h"
#include "app/window/PictureCommands.h"
#include "app/window/ZVfrmMain.h"
#include "document/QxImage.h"
#include "platform/Clipboard.h"
#include "view/QxImageView.h"

namespace zelvo {
namespace {

using test::Settle;

class TPictureScreenshots : public test::TSampleWindowShots {};

TEST_F(TPictureScreenshots, HistogramWindow) {
    TZVfrmHistgram window(FForm->QxImage1(), FForm.get());
    window.move(560, 80);
    window.show();
    window.ShowLevel(128);
    Shoot("1-histogram-brightness.png");
    window.ComboBox1->setCurrentIndex(3);
    window.ShowLevel(200);
    Shoot("2-histogram-blue.png");
}

TEST_F(TPictureScreenshots, MergeDialogAndMergePaste) {
    {
        TZVfrmMerge dialog(*FForm);
        dialog.move(500, 100);
        dialog.Edit1->setText(FSample);
        dialog.chkNormal->click();
        dialog.TrackBar1->setValue(40);
        dialog.show();
        Shoot("3-merge-dialog.png");
    }
    // A 160 x 120 noise picture floats at the scroll position and is moved
    // to (200, 150) before the shot.
    TDibImage part = test::NoiseImage24(160, 120, 5);
    ASSERT_TRUE(InstalledClipboard()->PutDib(part));
    MergePasteClick(*FForm);
    ASSERT_TRUE(FForm->QxImage1().Floating());
    FForm->QxImage1().SetFloatPos(TPoint{200, 150});
    Shoot("4-merge-paste-floating.png");
}

TEST_F(TPictureScreenshots, CombineDialogAndResult) {
    {
        const test::TScriptedDialogs script([this](QDialog& d) {
            auto& dialog = dynamic_cast<TZVfrmCombine&>(d);
            dialog.move(500, 100);
            dialog.Edit1->setText(FSample);
            dialog.SetItemIndex(3);
            dialog.SpinEdit1->setValue(10);
            dialog.SpinEdit2->setValue(-30);
            dialog.show();
            Shoot("5-combine-dialog.png");
            EXPECT_TRUE(dialog.OkClick());
            return dialog.result();
        });
        CombineClick(*FForm);
    }
    EXPECT_EQ(FForm->QxImage1().Bitmap().Width(), 640 + 640 + 10);
    FForm->View().FitToWindow();
    Shoot("6-combined.png");
}

TEST_F(TPictureScreenshots, GradationDialogAndResult) {
    {
        const test::TScriptedDialogs script([this](QDialog& d) {
            auto& dialog = dynamic_cast<TZVfrmGradation&>(d);
            dialog.move(500, 100);
            dialog.SetColor1(RGB(255, 140, 0));
            dialog.SetColor2(RGB(20, 0, 120));
            dialog.SpinEdit1->setValue(60);
            dialog.ComboBox1->setCurrentIndex(4);
            dialog.show();
            Shoot("7-gradation-dialog.png");
            dialog.OkClick();
            return dialog.result();
        });
        GradationClick(*FForm);
    }
    Shoot("8-gradation.png");
}

TEST_F(TPictureScreenshots, TextureDialog) {
    // The textures shipped in the repository.
    SetTextureFolders({QString::fromStdString(test::ShippedTextureFolder().string())});
    FForm->QxImage1().SetSelectionRect(TRect{100, 80, 500, 400});
    TZVfrmTexture dialog(*FForm);
    dialog.move(500, 100);
    dialog.show();
    ASSERT_GT(dialog.ComboBox1->count(), 0);
    dialog.ComboBox1->setCurrentIndex(dialog.ComboBox1->count() - 1);
    dialog.SpinEdit1->setValue(80);
    dialog.RefreshPreview();
    Shoot("9-texture-dialog.png");
    SetTextureFolders({});
}

}  // namespace
}  // namespace zelvo
