// The effect dialogs over a real main window: the deferred preview refresh,
// the thumbnail's placement, the neutral values on OK, Cancel, the control
// coupling, the remembered values and the colour-menu commands.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTimer>

#include "AppTestSupport.h"
#include "TestSupport.h"
#include "app/dialogs/EffectSettings.h"
#include "app/common/Settings.h"
#include "app/window/CommandTable.h"
#include "app/window/ToneCommands.h"
#include "app/window/ZVfrmMain.h"
#include "app/dialogs/ZVfrmPreview.h"
#include "app/dialogs/ZVfrmRegularPreview.h"
#include "app/dialogs/ZVfrmSlide.h"
#include "app/dialogs/ZVfrmSlide2.h"
#include "document/QxImage.h"
#include "view/QxImageView.h"
#include "effects/Tone.h"
#include "platform/IniFile.h"

namespace zelvo {
namespace {

using test::MakeWindow;
using test::WriteSampleBmp;

std::unique_ptr<TZVfrmMain> WindowWith(int width, int height, const std::string& name) {
    auto form = MakeWindow();
    EXPECT_TRUE(form->LoadImageFile(WriteSampleBmp(name, width, height), false));
    return form;
}

using test::UndoCaptions;

void SpinTo(TZVfrmPreview& dialog, int row, double value) { dialog.SpinEdits[std::size_t(row)]->setValue(value); }

TEST(EffectDialogs, FastSliderLeavesOnePendingRefreshAndEndsOnTheLastValue) {
    auto form = WindowWith(64, 48, "fast.bmp");
    TZVfrmPreview dialog(*form, *FindPreviewEffect(TPreviewEffectType::Brightness));
    dialog.show();
    const TDibImage thumbnail = dialog.QxPreview().Bitmap().ToDibImage();
    // While the first refresh runs (inside its progress events, as a slider
    // dragged during a long preview would), the value changes five times.
    int moves = 0;
    dialog.QxPreview().OnProgress = [&](TQxImage&, int) {
        if (moves < 5) {
            ++moves;
            SpinTo(dialog, 0, 10 * moves);
            EXPECT_TRUE(dialog.RefreshPending());
        }
    };
    SpinTo(dialog, 0, 1);
    EXPECT_EQ(moves, 5);
    EXPECT_EQ(dialog.RefreshCount(), 1);
    EXPECT_TRUE(dialog.RefreshPending());
    for (int i = 0; i < 20 && dialog.RefreshPending(); ++i) QApplication::processEvents();
    EXPECT_FALSE(dialog.RefreshPending());
    EXPECT_EQ(dialog.RefreshCount(), 2);  // one further refresh for all five changes
    // The preview shows brightness +50 on the unprocessed thumbnail.
    TDibImage expected(thumbnail);
    effects::Brightness(expected, {50});
    EXPECT_TRUE(test::SamePixels(dialog.QxPreview().Bitmap().Dib(), expected));
    EXPECT_EQ(dialog.ScrollBars[0]->value(), 50);
}

TEST(EffectDialogs, WideImageFillsThePanelWidthCentredVertically) {
    auto form = WindowWith(200, 50, "wide.bmp");
    TZVfrmPreview dialog(*form, *FindPreviewEffect(TPreviewEffectType::Brightness));
    const QRect client = dialog.PrevBase->contentsRect();
    const QRect preview = dialog.QxPreviewView().geometry();
    const int height = client.width() / 4;  // Trunc(width / aspect 4)
    EXPECT_EQ(preview.width(), client.width());
    EXPECT_EQ(preview.height(), height);
    EXPECT_EQ(preview.left(), client.left());
    EXPECT_EQ(preview.top(), client.top() + (client.height() - height) / 2);
    EXPECT_EQ(dialog.QxPreview().Bitmap().Width(), client.width());
    EXPECT_EQ(dialog.PreviewScale(), client.width() * 10000 / 200);
    EXPECT_EQ(dialog.QxPreview().UndoCount(), 0);  // neutral start, history cleared

    auto tall = WindowWith(30, 90, "tall.bmp");
    TZVfrmPreview tallDialog(*tall, *FindPreviewEffect(TPreviewEffectType::Brightness));
    const QRect tallPreview = tallDialog.QxPreviewView().geometry();
    EXPECT_EQ(tallPreview.height(), client.height());
    EXPECT_EQ(tallPreview.width(), client.height() / 3);
    EXPECT_EQ(tallPreview.left(), client.left() + (client.width() - client.height() / 3) / 2);
}

TEST(EffectDialogs, SolarizationAtTwoFiftyFiveDoesNothingAndKeepsTheThreshold) {
    auto form = WindowWith(20, 10, "solar.bmp");
    EffectSettings(*form).SolarizationLevel = 77;
    const TDibImage before = form->QxImage1().Bitmap().ToDibImage();
    {
        TZVfrmPreview dialog(*form, *FindPreviewEffect(TPreviewEffectType::Solarization));
        EXPECT_EQ(dialog.ScrollBars[0]->value(), 77);
        EXPECT_EQ(dialog.QxPreview().UndoCount(), 1);  // computed at once
        dialog.ScrollBars[0]->setValue(255);
        dialog.btnOK->click();
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
    }
    EXPECT_EQ(EffectSettings(*form).SolarizationLevel, 77);
    EXPECT_EQ(form->QxImage1().UndoCount(), 0);
    EXPECT_TRUE(UndoCaptions(*form).isEmpty());
    EXPECT_TRUE(test::SamePixels(form->QxImage1().Bitmap().Dib(), before));
    {
        TZVfrmPreview dialog(*form, *FindPreviewEffect(TPreviewEffectType::Solarization));
        dialog.ScrollBars[0]->setValue(100);
        dialog.btnOK->click();
    }
    EXPECT_EQ(EffectSettings(*form).SolarizationLevel, 100);
    EXPECT_EQ(form->QxImage1().UndoCount(), 1);
    EXPECT_EQ(UndoCaptions(*form), QStringList{QString::fromUtf8("ソラリゼーション")});
    TDibImage expected(before);
    effects::Solarization(expected, {100});
    EXPECT_TRUE(test::SamePixels(form->QxImage1().Bitmap().Dib(), expected));
}

TEST(EffectDialogs, CancelChangesNothing) {
    using enum TPreviewEffectType;
    for (TPreviewEffectType type : {Brightness, Contrast, Gamma, RGB, HSV, Monochrome, Posterize, Solarization}) {
        SCOPED_TRACE(TypeNumber(type));
        auto form = WindowWith(16, 12, "cancel.bmp");
        TEffectSettings& settings = EffectSettings(*form);
        settings.PosterizeLevel = 5;
        settings.SolarizationLevel = 99;
        const TDibImage before = form->QxImage1().Bitmap().ToDibImage();
        TZVfrmPreview dialog(*form, *FindPreviewEffect(type));
        dialog.show();
        dialog.ScrollBars[0]->setValue(dialog.ScrollBars[0]->value() + 3);
        dialog.btnCancel->click();
        EXPECT_EQ(dialog.result(), QDialog::Rejected);
        EXPECT_EQ(form->QxImage1().UndoCount(), 0);
        EXPECT_TRUE(UndoCaptions(*form).isEmpty());
        EXPECT_EQ(settings.PosterizeLevel, 5);
        EXPECT_EQ(settings.SolarizationLevel, 99);
        EXPECT_TRUE(test::SamePixels(form->QxImage1().Bitmap().Dib(), before));
    }
}

TEST(EffectDialogs, NeutralValuesOnOkTakeNoStep) {
    using enum TPreviewEffectType;
    for (TPreviewEffectType type : {Brightness, Contrast, Gamma, RGB, HSV}) {
        SCOPED_TRACE(TypeNumber(type));
        auto form = WindowWith(16, 12, "neutral.bmp");
        TZVfrmPreview dialog(*form, *FindPreviewEffect(type));
        dialog.btnOK->click();
        EXPECT_EQ(form->QxImage1().UndoCount(), 0);
        EXPECT_TRUE(UndoCaptions(*form).isEmpty());
    }
    // Two-level and posterize always run.
    for (TPreviewEffectType type : {Monochrome, Posterize}) {
        SCOPED_TRACE(TypeNumber(type));
        auto form = WindowWith(16, 12, "always.bmp");
        TZVfrmPreview dialog(*form, *FindPreviewEffect(type));
        dialog.btnOK->click();
        EXPECT_EQ(form->QxImage1().UndoCount(), 1);
    }
}

TEST(EffectDialogs, TrackAndSpinFollowEachOther) {
    auto form = WindowWith(16, 12, "couple.bmp");
    TZVfrmPreview gamma(*form, *FindPreviewEffect(TPreviewEffectType::Gamma));
    EXPECT_DOUBLE_EQ(gamma.SpinEdits[0]->value(), 1.0);
    EXPECT_EQ(gamma.SpinEdits[0]->decimals(), 2);
    EXPECT_DOUBLE_EQ(gamma.SpinEdits[0]->minimum(), 0.1);
    EXPECT_DOUBLE_EQ(gamma.SpinEdits[0]->maximum(), 5.0);
    gamma.ScrollBars[0]->setValue(250);
    EXPECT_DOUBLE_EQ(gamma.SpinEdits[0]->value(), 2.5);
    EXPECT_EQ(gamma.RefreshCount(), 1);
    gamma.SpinEdits[0]->setValue(1.15);
    EXPECT_EQ(gamma.ScrollBars[0]->value(), 115);
    EXPECT_EQ(gamma.RefreshCount(), 2);
    // Gamma 1.15 on the thumbnail, one step in the preview's history.
    EXPECT_EQ(gamma.QxPreview().UndoCount(), 1);

    TZVfrmPreview hsv(*form, *FindPreviewEffect(TPreviewEffectType::HSV));
    EXPECT_EQ(hsv.windowTitle(), QString::fromUtf8("色相・彩度・明度(HSV)"));
    EXPECT_EQ(hsv.ScrollBars[0]->minimum(), -180);
    EXPECT_EQ(hsv.ScrollBars[0]->tickInterval(), 30);
    EXPECT_EQ(hsv.ScrollBars[1]->pageStep(), 10);
    EXPECT_EQ(hsv.ScrollBars[2]->maximum(), 100);
    EXPECT_FALSE(hsv.CheckBox1->isVisibleTo(&hsv));

    TZVfrmPreview brightness(*form, *FindPreviewEffect(TPreviewEffectType::Brightness));
    EXPECT_FALSE(brightness.ScrollBars[1]->isVisibleTo(&brightness));
    EXPECT_EQ(brightness.Labels[0]->text(), QString::fromUtf8("明るさの設定："));
    EXPECT_EQ(brightness.size(), QSize(446, 226));
    EXPECT_TRUE(brightness.btnOK->isDefault());
}

TEST(EffectDialogs, PosterizeRemembersItsLevelAcrossStarts) {
    auto form = WindowWith(16, 12, "poster.bmp");
    EffectSettings(*form).PosterizeLevel = 4;
    {
        TZVfrmPreview dialog(*form, *FindPreviewEffect(TPreviewEffectType::Posterize));
        EXPECT_EQ(dialog.ScrollBars[0]->value(), 4);
        dialog.ScrollBars[0]->setValue(7);
        dialog.btnOK->click();
    }
    EXPECT_EQ(EffectSettings(*form).PosterizeLevel, 7);
    TIniFile ini(test::AppTestDir() / "effects.ini");
    WriteEffectsSection(*form, ini);
    EXPECT_EQ(ini.ReadInteger("Effects", "PosterizeLevel", 0), 7);
    EXPECT_EQ(ini.ReadString("Effects", "SingleColorScale", ""), "clBlue");
    ini.WriteInteger("Effects", "SolarizationLevel", 300);  // byte field: wraps to 44
    ini.WriteString("Effects", "SingleColorScale", "clRed");
    auto other = MakeWindow();
    ReadEffectsSection(*other, ini);
    EXPECT_EQ(EffectSettings(*other).PosterizeLevel, 7);
    EXPECT_EQ(EffectSettings(*other).SolarizationLevel, 44);
    EXPECT_EQ(EffectSettings(*other).SingleColorScale, clRed);

    // The window writes the section when it closes and the next one reads
    // it when it starts.
    form.reset();
    auto next = MakeWindow();
    EXPECT_EQ(EffectSettings(*next).PosterizeLevel, 7);
}

TEST(EffectDialogs, JpegQualityOnlyStoresTheSetting) {
    auto form = WindowWith(16, 12, "jpeg.bmp");
    form->Options.FJpegQuality = 80;
    TZVfrmSlide dialog(*form, *FindSlideEffect(TSlideEffectType::JpegQuality));
    EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8("JPEG品質"));
    EXPECT_EQ(dialog.SpinEdit1->value(), 80);
    dialog.SpinEdit1->setValue(35);
    EXPECT_EQ(dialog.ScrollBar1->value(), 35);
    dialog.btnOK->click();
    EXPECT_EQ(form->Options.FJpegQuality, 35);
    EXPECT_EQ(form->QxImage1().UndoCount(), 0);
    EXPECT_TRUE(UndoCaptions(*form).isEmpty());
}

// The command opens the slide dialog once (no second wiring opens another
// dialog after it), also without a picture, and only stores the setting.
TEST(EffectDialogs, JpegQualityCommandOpensOneSlideDialog) {
    for (const bool withPicture : {false, true}) {
        SCOPED_TRACE(withPicture);
        auto form = withPicture ? WindowWith(16, 12, "jpegcmd.bmp") : MakeWindow();
        form->Options.FJpegQuality = 80;
        int opened = 0;
        QTimer closer;
        QObject::connect(&closer, &QTimer::timeout, [&] {
            auto* dialog = dynamic_cast<TZVfrmSlide*>(QApplication::activeModalWidget());
            if (!dialog) return;
            ++opened;
            EXPECT_EQ(dialog->EffectType(), TSlideEffectType::JpegQuality);
            dialog->SpinEdit1->setValue(41 + opened);
            dialog->btnOK->click();
        });
        closer.start(0);
        form->Actions.mnuJpegQuality->trigger();
        closer.stop();
        EXPECT_EQ(opened, 1);
        EXPECT_EQ(form->Options.FJpegQuality, 42);
        EXPECT_TRUE(UndoCaptions(*form).isEmpty());
    }
}

TEST(EffectDialogs, BlockDialogFrameFollowsFillAndStoresAllFive) {
    auto form = WindowWith(16, 12, "block.bmp");
    TEffectSettings& settings = EffectSettings(*form);
    settings.BlockFillRect = false;
    settings.BlockFrame = true;
    std::vector<int> got;
    BlockOperation() = [&got](TQxImage&, int w, int h, bool shift, bool frame, bool fill) {
        got = {w, h, shift, frame, fill};
    };
    {
        TZVfrmSlide2 dialog(*form);
        dialog.UndoCaption = UndoCaption(&TMainActions::mnuBlock);
        EXPECT_FALSE(dialog.CheckBox1->isEnabled());  // also when the dialog opens
        dialog.CheckBox3->setChecked(true);
        EXPECT_TRUE(dialog.CheckBox1->isEnabled());
        dialog.SpinEdit1->setValue(20);
        EXPECT_EQ(dialog.ScrollBar1->value(), 20);
        EXPECT_EQ(dialog.ScrollBar2->value(), 8);
        dialog.CheckBox2->setChecked(false);
        dialog.btnOK->click();
    }
    BlockOperation() = nullptr;
    EXPECT_EQ(got, (std::vector<int>{20, 8, 0, 1, 1}));
    EXPECT_EQ(settings.BlockWidth, 20);
    EXPECT_TRUE(settings.BlockFillRect);
    EXPECT_FALSE(settings.BlockShift);
    EXPECT_EQ(UndoCaptions(*form), QStringList{QString::fromUtf8("ブロック")});
}

TEST(EffectDialogs, BlindOverlayHoldsTheVisiblePartWithItsOffsets) {
    auto form = WindowWith(400, 300, "blind.bmp");
    struct Call {
        int width, w, h, dy, dx;
        bool horizontal;
    };
    std::vector<Call> calls;
    BlindOperation() = [&calls](TQxImage& doc, int width, TColor, int dy, int dx, bool horizontal) {
        calls.push_back({width, doc.Bitmap().Width(), doc.Bitmap().Height(), dy, dx, horizontal});
    };
    {
        TZVfrmRegularPreview dialog(*form);
        dialog.UndoCaption = UndoCaption(&TMainActions::mnuBlind);
        ASSERT_FALSE(calls.empty());
        const QSize visible = dialog.SourceView().viewport()->size();
        const Call first = calls.back();
        EXPECT_EQ(first.width, 50);
        EXPECT_EQ(first.w, visible.width());
        EXPECT_EQ(first.h, visible.height());
        // Scrolled to the middle: offsets are half of what does not fit.
        EXPECT_EQ(first.dx, (400 - visible.width()) / 2);
        EXPECT_EQ(first.dy, (300 - visible.height()) / 2);
        EXPECT_TRUE(dialog.OverlayView().isVisibleTo(&dialog));
        dialog.SpinEdit1->setValue(12);
        EXPECT_EQ(dialog.TrackBar1->value(), 12);
        EXPECT_EQ(calls.back().width, 12);
        dialog.ChooseColor = [](TColor& c) {
            c = clRed;
            return true;
        };
        dialog.SwatchClick();
        dialog.Button1->click();
    }
    BlindOperation() = nullptr;
    EXPECT_EQ(EffectSettings(*form).BlindWidth, 12);
    EXPECT_EQ(EffectSettings(*form).BlindColor, clRed);
    EXPECT_EQ(calls.back().dx, 0);  // the document run starts at the origin
    EXPECT_EQ(calls.back().w, 400);
    EXPECT_EQ(UndoCaptions(*form), QStringList{QString::fromUtf8("ブラインド")});
}

TEST(ColourCommands, ImmediateCommandsNameTheirStep) {
    auto form = WindowWith(16, 12, "immediate.bmp");
    const TDibImage before = form->QxImage1().Bitmap().ToDibImage();
    form->Actions.mnuGrayscale->trigger();
    form->Actions.mnuXORConvert->trigger();
    EXPECT_EQ(UndoCaptions(*form),
              (QStringList{QString::fromUtf8("XORカラー変換"), QString::fromUtf8("グレースケール変換")}));
    TDibImage expected(before);
    effects::Grayscale(expected);
    effects::XORConvert(expected);
    EXPECT_TRUE(test::SamePixels(form->QxImage1().Bitmap().Dib(), expected));
    EXPECT_TRUE(form->isEnabled());  // the busy bracket was left
}

TEST(ColourCommands, SingleColourScaleAsksForTheColour) {
    auto form = WindowWith(8, 8, "single.bmp");
    EffectSettings(*form).SingleColorScale = clBlue;
    TColor offered = 0;
    SingleColorDialog() = [&offered](TZVfrmMain&, TColor initial) -> std::optional<TColor> {
        offered = initial;
        return std::nullopt;
    };
    form->Actions.mnuSingleColorScale->trigger();
    EXPECT_EQ(offered, clBlue);
    EXPECT_EQ(form->QxImage1().UndoCount(), 0);
    SingleColorDialog() = [](TZVfrmMain&, TColor) -> std::optional<TColor> { return clWhite; };
    form->Actions.mnuSingleColorScale->trigger();
    EXPECT_EQ(EffectSettings(*form).SingleColorScale, clWhite);
    EXPECT_EQ(UndoCaptions(*form), QStringList{QString::fromUtf8("単色カラースケール")});
    EXPECT_EQ(form->QxImage1().Bitmap().PixelColor(0, 0) & 0xFF, (form->QxImage1().Bitmap().PixelColor(0, 0) >> 8) & 0xFF);
    SingleColorDialog() = [](TZVfrmMain&, TColor) -> std::optional<TColor> { return std::nullopt; };
}

TEST(ColourCommands, InvertingCommandsOnlyForTrueColour) {
    auto form = MakeWindow();
    ASSERT_TRUE(form->LoadImageFile(WriteSampleBmp("eight.bmp", 8, 8, 8), false));
    form->UpdateCommandState();
    const TMainActions& actions = form->Actions;
    for (QAction* a : {actions.mnuNegative, actions.mnuSolarization, actions.mnuSwapRGB, actions.mnuXORConvert})
        EXPECT_FALSE(a->isEnabled()) << a->objectName().toStdString();
    EXPECT_TRUE(actions.mnuGrayscale->isEnabled());
    ASSERT_TRUE(form->LoadImageFile(WriteSampleBmp("true.bmp", 8, 8, 24), false));
    form->UpdateCommandState();
    for (QAction* a : {actions.mnuNegative, actions.mnuSolarization, actions.mnuSwapRGB, actions.mnuXORConvert})
        EXPECT_TRUE(a->isEnabled()) << a->objectName().toStdString();
}

}  // namespace
}  // namespace zelvo
