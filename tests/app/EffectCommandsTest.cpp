// The effect-menu commands over a real main window: the preview and slide
// types of the neighbourhood filters and the distortion effects open with
// their remembered values (kept inside their ranges whatever the settings
// file holds), OK runs the operation as one undo step with its caption,
// Cancel leaves everything as it was; the spotlight's picked point, the
// block and blind dialogs on the real operations, and the custom filter
// with its settings text and its files.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTimer>

#include <functional>

#include "AppTestSupport.h"
#include "TestSupport.h"
#include "app/dialogs/EffectSettings.h"
#include "app/dialogs/ZVfrmCustomFilter.h"
#include "app/dialogs/ZVfrmPreview.h"
#include "app/dialogs/ZVfrmRegularPreview.h"
#include "app/dialogs/ZVfrmSlide.h"
#include "app/dialogs/ZVfrmSlide2.h"
#include "app/window/CommandTable.h"
#include "app/window/EffectCommands.h"
#include "app/window/ZVfrmMain.h"
#include "document/QxImage.h"
#include "effects/Convolution.h"
#include "effects/Random.h"
#include "view/QxImageView.h"

namespace zelvo {
namespace {

using test::AppTestDir;
using test::MakeWindow;
using test::UndoCaptions;
using test::WriteSampleBmp;
using test::WriteSettingsText;

using TCall = std::function<void(TQxImage& doc)>;

struct TWindow {
    QString Path;
    std::unique_ptr<TZVfrmMain> Form;
};

// The picture a second document holds after `call` on the window's file
// (with the window's background colour): what OK must leave in the window.
TDibImage Expected(const TWindow& w, const TCall& call) {
    TQxImage doc;
    EXPECT_TRUE(doc.LoadDocumentFile(w.Path.toStdString(), false));
    doc.Color = w.Form->QxImage1().Color;
    call(doc);
    return doc.Bitmap().ToDibImage();
}

TWindow Open(int width, int height, const std::string& name) {
    WriteSettingsText("");
    TWindow w{WriteSampleBmp(name, width, height), MakeWindow()};
    EXPECT_TRUE(w.Form->LoadImageFile(w.Path, false));
    return w;
}

QString Text(const char* utf8) { return QString::fromUtf8(utf8); }

// ---------------------------------------------------------------- preview types

struct TPreviewCase {
    TPreviewEffectType Type;
    const char* Caption;
    std::function<void(TEffectSettings&)> Preset;
    int Position;  ///< row 1 as the preset gives it
    TCall Call;    ///< what OK runs for the preset values
    std::function<void(const TEffectSettings&)> Stored;
};

std::vector<TPreviewCase> PreviewCases() {
    using enum TPreviewEffectType;
    return {
        {Emboss, "エンボス",
         [](TEffectSettings& e) {
             e.EmbossLevel = 7;
             e.EmbossColor = true;
             e.EmbossRev = true;
         },
         7, [](TQxImage& d) { d.Emboss(7, true, true); },
         [](const TEffectSettings& e) { EXPECT_EQ(e.EmbossLevel, 7); }},
        {Sharpen, "シャープにする", [](TEffectSettings& e) { e.SharpLevel = 5; }, 5,
         [](TQxImage& d) { d.Sharpen(5); }, [](const TEffectSettings& e) { EXPECT_EQ(e.SharpLevel, 5); }},
        {HighPass, "エッジの強調", [](TEffectSettings& e) { e.HighPassLevel = 6; }, 6,
         [](TQxImage& d) { d.HighPass(6); }, [](const TEffectSettings& e) { EXPECT_EQ(e.HighPassLevel, 6); }},
        {EdgeDetection, "エッジを抽出", [](TEffectSettings& e) { e.EdgeDetectionLevel = 8; }, 8,
         [](TQxImage& d) { d.EdgeDetection(8); },
         [](const TEffectSettings& e) { EXPECT_EQ(e.EdgeDetectionLevel, 8); }},
        // Punch and pinch: one operation with opposite signs.
        {Explode, "パンチ", [](TEffectSettings& e) { e.ExplodeLevel = 30; }, 30, [](TQxImage& d) { d.Explode(-30); },
         [](const TEffectSettings& e) { EXPECT_EQ(e.ExplodeLevel, 30); }},
        {Implode, "つまむ", [](TEffectSettings& e) { e.ImplodeLevel = 40; }, 40, [](TQxImage& d) { d.Explode(40); },
         [](const TEffectSettings& e) { EXPECT_EQ(e.ImplodeLevel, 40); }},
    };
}

TEST(EffectCommands, PreviewTypesOpenWithStoredValuesAndOkRunsOneStep) {
    for (const TPreviewCase& c : PreviewCases()) {
        SCOPED_TRACE(TypeNumber(c.Type));
        TWindow w = Open(40, 30, "preview-types.bmp");
        c.Preset(EffectSettings(*w.Form));
        {
            TZVfrmPreview dialog(*w.Form, *FindPreviewEffect(c.Type));
            EXPECT_EQ(dialog.windowTitle(), Text(c.Caption));
            EXPECT_EQ(dialog.ScrollBars[0]->value(), c.Position);
            EXPECT_EQ(dialog.QxPreview().UndoCount(), 1);  // computed at once
            if (c.Type == TPreviewEffectType::Emboss) {
                EXPECT_EQ(dialog.CheckBox1->text(), Text("色つき"));
                EXPECT_TRUE(dialog.CheckBox1->isChecked());
                EXPECT_EQ(dialog.CheckBox2->text(), Text("凹凸反転"));
                EXPECT_TRUE(dialog.CheckBox2->isChecked());
            } else {
                EXPECT_FALSE(dialog.CheckBox1->isVisibleTo(&dialog));
            }
            dialog.btnOK->click();
        }
        EXPECT_EQ(UndoCaptions(*w.Form), QStringList{Text(c.Caption)});
        EXPECT_EQ(w.Form->QxImage1().UndoCount(), 1);
        EXPECT_TRUE(test::SamePixels(w.Form->QxImage1().Bitmap().Dib(), Expected(w, c.Call)));
        c.Stored(EffectSettings(*w.Form));
        EXPECT_TRUE(w.Form->isEnabled());
    }
}

TEST(EffectCommands, PreviewTypesCancelLeavesPictureHistoryAndSettings) {
    using enum TPreviewEffectType;
    for (TPreviewEffectType type : {Emboss, Sharpen, HighPass, EdgeDetection, Vortex, Explode, Implode, SpotLight}) {
        SCOPED_TRACE(TypeNumber(type));
        TWindow w = Open(24, 20, "preview-cancel.bmp");
        const TDibImage before = w.Form->QxImage1().Bitmap().ToDibImage();
        const TEffectSettings settings = EffectSettings(*w.Form);
        {
            TZVfrmPreview dialog(*w.Form, *FindPreviewEffect(type), TPoint{12, 10});
            dialog.ScrollBars[0]->setValue(dialog.ScrollBars[0]->value() + 3);
            dialog.btnCancel->click();
            EXPECT_EQ(dialog.result(), QDialog::Rejected);
        }
        EXPECT_EQ(w.Form->QxImage1().UndoCount(), 0);
        EXPECT_TRUE(UndoCaptions(*w.Form).isEmpty());
        EXPECT_TRUE(test::SamePixels(w.Form->QxImage1().Bitmap().Dib(), before));
        EXPECT_EQ(EffectSettings(*w.Form).EmbossLevel, settings.EmbossLevel);
        EXPECT_EQ(EffectSettings(*w.Form).ExplodeLevel, settings.ExplodeLevel);
        EXPECT_EQ(EffectSettings(*w.Form).SpotLightSize, settings.SpotLightSize);
    }
}

TEST(EffectCommands, VortexAtZeroTakesNoStepAndRunsWithAnAngle) {
    TWindow w = Open(30, 30, "vortex.bmp");
    {
        TZVfrmPreview dialog(*w.Form, *FindPreviewEffect(TPreviewEffectType::Vortex));
        EXPECT_EQ(dialog.ScrollBars[0]->minimum(), -540);
        EXPECT_EQ(dialog.ScrollBars[0]->tickInterval(), 60);
        dialog.btnOK->click();
    }
    EXPECT_EQ(w.Form->QxImage1().UndoCount(), 0);
    {
        TZVfrmPreview dialog(*w.Form, *FindPreviewEffect(TPreviewEffectType::Vortex));
        dialog.SpinEdits[0]->setValue(-120);
        dialog.btnOK->click();
    }
    EXPECT_EQ(UndoCaptions(*w.Form), QStringList{Text("渦巻き")});
    EXPECT_TRUE(test::SamePixels(w.Form->QxImage1().Bitmap().Dib(),
                                 Expected(w, [](TQxImage& d) { d.Vortex(-120); })));
}

// ---------------------------------------------------------------- spotlight

TEST(EffectCommands, SpotLightPicksItsCentreThenOpensTheDialog) {
    TWindow w = Open(200, 100, "spot.bmp");
    TEffectSettings& settings = EffectSettings(*w.Form);
    settings.SpotLightSize = 40;
    settings.SpotLightDecLevel = 25;
    w.Form->Actions.mnuSpotLight->trigger();
    EXPECT_TRUE(SpotLightPicking(*w.Form));
    EXPECT_TRUE(w.Form->View().PointPicking());
    // The picture commands wait while the point is picked.
    EXPECT_FALSE(w.Form->Actions.mnuEmboss->isEnabled());
    EXPECT_FALSE(w.Form->Actions.mnuSpotLight->isEnabled());

    int opened = 0;
    TPoint center{};
    int scale = 0;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        auto* dialog = dynamic_cast<TZVfrmPreview*>(QApplication::activeModalWidget());
        if (!dialog) return;
        ++opened;
        EXPECT_EQ(dialog->EffectType(), TPreviewEffectType::SpotLight);
        EXPECT_EQ(dialog->ScrollBars[0]->value(), 40);
        EXPECT_EQ(dialog->ScrollBars[1]->value(), 25);
        EXPECT_DOUBLE_EQ(dialog->SpinEdits[1]->value(), 2.5);
        EXPECT_DOUBLE_EQ(dialog->SpinEdits[1]->minimum(), 0.1);
        center = dialog->Center();
        scale = dialog->PreviewScale();
        // Dragging on the thumbnail moves the centre: thumbnail point x
        // 10000 div scale.
        QWidget* viewport = dialog->QxPreviewView().viewport();
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(20, 10), viewport->mapToGlobal(QPointF(20, 10)),
                          Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &press);
        QMouseEvent move(QEvent::MouseMove, QPointF(40, 30), viewport->mapToGlobal(QPointF(40, 30)), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &move);
        QMouseEvent release(QEvent::MouseButtonRelease, QPointF(40, 30), viewport->mapToGlobal(QPointF(40, 30)),
                            Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &release);
        const TPoint dragged = dialog->Center();
        EXPECT_EQ(dragged.X, 40 * 10000 / scale);
        EXPECT_EQ(dragged.Y, 30 * 10000 / scale);
        dialog->btnOK->click();
    });
    closer.start(0);
    emit w.Form->View().SelectPos(150, 60);
    closer.stop();

    EXPECT_EQ(opened, 1);
    EXPECT_EQ(center.X, 150);
    EXPECT_EQ(center.Y, 60);
    EXPECT_EQ(scale, 158 * 10000 / 200);  // the panel's client width over the picture's
    EXPECT_FALSE(SpotLightPicking(*w.Form));
    EXPECT_TRUE(w.Form->Actions.mnuEmboss->isEnabled());
    EXPECT_EQ(UndoCaptions(*w.Form), QStringList{Text("スポットライト")});
    const int cx = 40 * 10000 / scale, cy = 30 * 10000 / scale;
    EXPECT_TRUE(test::SamePixels(w.Form->QxImage1().Bitmap().Dib(),
                                 Expected(w, [&](TQxImage& d) { d.SpotLight(cx, cy, 10 - 2.5, 40); })));
}

// ---------------------------------------------------------------- slide types

struct TSlideCase {
    TSlideEffectType Type;
    const char* Caption;
    const char* Label;
    std::function<void(TEffectSettings&)> Preset;
    int Position;
    TCall Call;
};

std::vector<TSlideCase> SlideCases() {
    using enum TSlideEffectType;
    return {
        {Noise, "ノイズ付加", "ノイズ量(1～255)",
         [](TEffectSettings& e) {
             e.NoiseLevel = 60;
             e.NoiseColor = true;
         },
         60, [](TQxImage& d) { d.Noise(60, true); }},
        {Spray, "拡散", "拡散レベル(1～255)", [](TEffectSettings& e) { e.SprayLevel = 9; }, 9,
         [](TQxImage& d) { d.Spray(9); }},
        {Button3D, "立体枠をつける", "枠の太さ(1～50)",
         [](TEffectSettings& e) {
             e.ButtonFrame = 4;
             e.ButtonLowered = true;
             e.ButtonSmooth = true;
         },
         4, [](TQxImage& d) { d.Button3D(4, true, true, 2); }},
        {Blur, "ぶれ", "ぶれの大きさ(1～50)", [](TEffectSettings& e) { e.BlurLevel = 3; }, 3,
         [](TQxImage& d) { d.Blur(3); }},
        {Mosaic, "モザイク", "モザイクの大きさ(2～50)", [](TEffectSettings& e) { e.MosaicSize = 6; }, 6,
         [](TQxImage& d) { d.Block(6, 6, false, false, true); }},
        {Wave, "ウェーブ", "大きさ(1～100)", [](TEffectSettings& e) { e.WaveLevel = 4; }, 4,
         [](TQxImage& d) { d.Wave(4, 4, false, 4); }},
        {GaussianBlur, "ガウスぼかし", "ぼかしのレベル(1～10)", [](TEffectSettings& e) { e.GaussianBlurLevel = 2; }, 2,
         [](TQxImage& d) { d.GaussianBlur(2); }},
        {FadeOut, "フェードアウト", "一辺の範囲(2～15)", [](TEffectSettings& e) { e.FadeOutLevel = 7; }, 7,
         [](TQxImage& d) { d.FadeOut(7); }},
        {NoiseReduction, "ノイズ除去", "適用の強さ(1～100)", [](TEffectSettings& e) { e.NoiseReduction = 40; }, 40,
         [](TQxImage& d) { d.NoiseReduction(40, true); }},
        {GlassMosaic, "ガラス処理", "ガラスの処理単位(3～30)",
         [](TEffectSettings& e) {
             e.GlassSize = 5;
             e.YokoGlass = false;
             e.TateGlass = true;
         },
         5, [](TQxImage& d) { d.GlassMosaic(2, 5); }},
        {OilPaint, "オイルペイント", "にじみの強さ(1～5)", [](TEffectSettings& e) { e.OilPaintLevel = 2; }, 2,
         [](TQxImage& d) { d.OilPaint(2); }},
    };
}

TEST(EffectCommands, SlideTypesOpenWithStoredValuesAndOkRunsOneStep) {
    for (const TSlideCase& c : SlideCases()) {
        SCOPED_TRACE(TypeNumber(c.Type));
        TWindow w = Open(40, 30, "slide-types.bmp");
        c.Preset(EffectSettings(*w.Form));
        // The random effects draw from the process's one generator: both
        // runs start from the same state.
        effects::SetRandSeed(1234);
        {
            TZVfrmSlide dialog(*w.Form, *FindSlideEffect(c.Type));
            EXPECT_EQ(dialog.windowTitle(), Text(c.Caption));
            EXPECT_EQ(dialog.Label1->text(), Text(c.Label));
            EXPECT_EQ(dialog.ScrollBar1->value(), c.Position);
            EXPECT_EQ(dialog.SpinEdit1->value(), c.Position);
            dialog.btnOK->click();
        }
        EXPECT_EQ(UndoCaptions(*w.Form), QStringList{Text(c.Caption)});
        EXPECT_EQ(w.Form->QxImage1().UndoCount(), 1);
        effects::SetRandSeed(1234);
        EXPECT_TRUE(test::SamePixels(w.Form->QxImage1().Bitmap().Dib(), Expected(w, c.Call)));
    }
}

TEST(EffectCommands, SlideTypesCancelLeavesPictureHistoryAndSettings) {
    using enum TSlideEffectType;
    for (TSlideEffectType type :
         {Noise, Spray, Button3D, Blur, Mosaic, Wave, GaussianBlur, FadeOut, NoiseReduction, GlassMosaic, OilPaint}) {
        SCOPED_TRACE(TypeNumber(type));
        TWindow w = Open(24, 20, "slide-cancel.bmp");
        const TDibImage before = w.Form->QxImage1().Bitmap().ToDibImage();
        {
            TZVfrmSlide dialog(*w.Form, *FindSlideEffect(type));
            dialog.ScrollBar1->setValue(dialog.ScrollBar1->minimum() + 1);
            dialog.CheckBox1->setChecked(!dialog.CheckBox1->isChecked());
            dialog.btnCancel->click();
        }
        EXPECT_EQ(w.Form->QxImage1().UndoCount(), 0);
        EXPECT_TRUE(UndoCaptions(*w.Form).isEmpty());
        EXPECT_TRUE(test::SamePixels(w.Form->QxImage1().Bitmap().Dib(), before));
        const TEffectSettings defaults;
        EXPECT_EQ(EffectSettings(*w.Form).NoiseColor, defaults.NoiseColor);
        EXPECT_EQ(EffectSettings(*w.Form).BlurLevel, defaults.BlurLevel);
        EXPECT_EQ(EffectSettings(*w.Form).GlassSize, defaults.GlassSize);
    }
}

TEST(EffectCommands, GlassKeepsOneDirectionChecked) {
    TWindow w = Open(24, 20, "glass.bmp");
    TZVfrmSlide dialog(*w.Form, *FindSlideEffect(TSlideEffectType::GlassMosaic));
    ASSERT_TRUE(dialog.CheckBox1->isChecked());
    ASSERT_TRUE(dialog.CheckBox2->isChecked());
    dialog.CheckBox1->setChecked(false);
    dialog.CheckBox2->setChecked(false);
    EXPECT_TRUE(dialog.CheckBox1->isChecked());
    EXPECT_FALSE(dialog.CheckBox2->isChecked());
}

// The fade-out band reaches half the shorter side of the selection; on a
// picture under 4 pixels no band fits, and the range stays 2..2 (it used to
// come out as 2..1) while OK leaves the picture alone.
TEST(EffectCommands, FadeOutRangeFollowsTheSelectionAndNeverInverts) {
    TWindow w = Open(120, 60, "fade.bmp");
    w.Form->QxImage1().SetSelectionRect(TRect{10, 10, 110, 50});  // 100 x 40
    {
        TZVfrmSlide dialog(*w.Form, *FindSlideEffect(TSlideEffectType::FadeOut));
        EXPECT_EQ(dialog.Label1->text(), Text("一辺の範囲(2～20)"));
        EXPECT_EQ(dialog.ScrollBar1->minimum(), 2);
        EXPECT_EQ(dialog.ScrollBar1->maximum(), 20);
    }
    TWindow tiny = Open(3, 3, "fade-tiny.bmp");
    EffectSettings(*tiny.Form).FadeOutLevel = 10;
    const TDibImage before = tiny.Form->QxImage1().Bitmap().ToDibImage();
    {
        TZVfrmSlide dialog(*tiny.Form, *FindSlideEffect(TSlideEffectType::FadeOut));
        EXPECT_EQ(dialog.ScrollBar1->minimum(), 2);
        EXPECT_EQ(dialog.ScrollBar1->maximum(), 2);
        EXPECT_EQ(dialog.SpinEdit1->value(), 2);
        dialog.btnOK->click();
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
    }
    EXPECT_EQ(tiny.Form->QxImage1().UndoCount(), 0);
    EXPECT_TRUE(UndoCaptions(*tiny.Form).isEmpty());
    EXPECT_TRUE(test::SamePixels(tiny.Form->QxImage1().Bitmap().Dib(), before));
}

// Whatever a hand-edited settings file holds, every dialog opens inside its
// ranges and OK runs without refusing its parameters.
TEST(EffectCommands, HandEditedSettingsAreKeptInsideTheRanges) {
    WriteSettingsText(
        "[Effects]\nEmbossLevel=200\nSharpLevel=0\nExplodeLevel=-5\nImplodeLevel=900\nSpotLightSize=500\n"
        "SpotLightDecLevel=0\nBlurLevel=0\nMosaicSize=1\nGaussianBlurLevel=77\nFadeOutLevel=99999\n"
        "NoiseReduction=-1\nGlassSize=100\nYokoGlass=0\nTateGlass=0\nOilPaintLevel=9\nButtonFrame=255\n"
        "WaveLevel=0\nBlockWidth=1\nBlockHeight=200\nBlindWidth=1000\n");
    auto form = MakeWindow();
    const QString path = WriteSampleBmp("edited.bmp", 20, 16);
    ASSERT_TRUE(form->LoadImageFile(path, false));
    struct Want {
        TPreviewEffectType Type;
        std::array<int, 2> Positions;
    };
    using enum TPreviewEffectType;
    for (const Want& want : {Want{Emboss, {20, 0}}, Want{Sharpen, {1, 0}}, Want{Explode, {1, 0}},
                             Want{Implode, {100, 0}}, Want{SpotLight, {100, 1}}}) {
        SCOPED_TRACE(TypeNumber(want.Type));
        TZVfrmPreview dialog(*form, *FindPreviewEffect(want.Type), TPoint{5, 5});
        EXPECT_EQ(dialog.ScrollBars[0]->value(), want.Positions[0]);
        if (want.Type == SpotLight) {
            EXPECT_EQ(dialog.ScrollBars[1]->value(), want.Positions[1]);
        }
        dialog.btnOK->click();
    }
    struct SlideWant {
        TSlideEffectType Type;
        int Position;
    };
    for (const SlideWant& want :
         {SlideWant{TSlideEffectType::Blur, 1}, SlideWant{TSlideEffectType::Mosaic, 2},
          SlideWant{TSlideEffectType::GaussianBlur, 10}, SlideWant{TSlideEffectType::FadeOut, 8},
          SlideWant{TSlideEffectType::NoiseReduction, 1}, SlideWant{TSlideEffectType::GlassMosaic, 30},
          SlideWant{TSlideEffectType::OilPaint, 5}, SlideWant{TSlideEffectType::Button3D, 50},
          SlideWant{TSlideEffectType::Wave, 1}}) {
        SCOPED_TRACE(TypeNumber(want.Type));
        TZVfrmSlide dialog(*form, *FindSlideEffect(want.Type));
        EXPECT_EQ(dialog.ScrollBar1->value(), want.Position);
        if (want.Type == TSlideEffectType::GlassMosaic) {
            EXPECT_TRUE(dialog.CheckBox1->isChecked());  // both off in the file: both on
            EXPECT_TRUE(dialog.CheckBox2->isChecked());
        }
        dialog.btnOK->click();
    }
    {
        TZVfrmSlide2 block(*form);
        EXPECT_EQ(block.ScrollBar1->value(), 2);
        EXPECT_EQ(block.ScrollBar2->value(), 50);
    }
    {
        TZVfrmRegularPreview blind(*form);
        EXPECT_EQ(blind.TrackBar1->value(), 100);
    }
    // Every OK ran as one step: none was refused by its operation.
    EXPECT_EQ(UndoCaptions(*form).size(), 14);
}

// ---------------------------------------------------------------- block, blind, immediate

TEST(EffectCommands, BlockAndBlindRunTheRealOperations) {
    TWindow w = Open(48, 36, "block-blind.bmp");
    TEffectSettings& settings = EffectSettings(*w.Form);
    settings.BlockWidth = 10;
    settings.BlockHeight = 6;
    {
        TZVfrmSlide2 dialog(*w.Form);
        dialog.UndoCaption = UndoCaption(&TMainActions::mnuBlock);
        dialog.CheckBox2->setChecked(false);
        dialog.btnOK->click();
    }
    const TDibImage blocked = Expected(w, [](TQxImage& d) { d.Block(10, 6, false, true, true); });
    EXPECT_TRUE(test::SamePixels(w.Form->QxImage1().Bitmap().Dib(), blocked));
    settings.BlindWidth = 4;
    settings.BlindHorz = false;
    {
        TZVfrmRegularPreview dialog(*w.Form);
        dialog.UndoCaption = UndoCaption(&TMainActions::mnuBlind);
        dialog.SetColor(clRed);
        dialog.Button1->click();
    }
    EXPECT_EQ(UndoCaptions(*w.Form), (QStringList{Text("ブラインド"), Text("ブロック")}));
    EXPECT_EQ(settings.BlindColor, clRed);
    EXPECT_TRUE(test::SamePixels(w.Form->QxImage1().Bitmap().Dib(), Expected(w, [](TQxImage& d) {
                                     d.Block(10, 6, false, true, true);
                                     d.Blind(4, clRed, 0, 0, false);
                                 })));
    EXPECT_TRUE(w.Form->isEnabled());
}

TEST(EffectCommands, ImmediateFiltersNameTheirSteps) {
    TWindow w = Open(20, 16, "immediate-filters.bmp");
    const TMainActions& a = w.Form->Actions;
    effects::SetRandSeed(99);
    for (QAction* action : {a.mnuSoft, a.mnuMedianLow, a.mnuMedianAve, a.mnuMedianHigh, a.mnuScetch}) action->trigger();
    EXPECT_EQ(UndoCaptions(*w.Form), (QStringList{Text("鉛筆画"), Text("最大濃度抽出"), Text("中間濃度抽出"),
                                                  Text("最小濃度抽出"), Text("ソフトにする")}));
    effects::SetRandSeed(99);
    EXPECT_TRUE(test::SamePixels(w.Form->QxImage1().Bitmap().Dib(), Expected(w, [](TQxImage& d) {
                                     d.Soft();
                                     d.Median(1);
                                     d.Median(5);
                                     d.Median(9);
                                     d.Scetch();
                                 })));
}

// Every command of the effect menu (and its toolbar button, the same
// action) is wired and enabled with a picture, and does nothing without.
TEST(EffectCommands, EffectMenuCommandsAreWiredAndEnabled) {
    TWindow w = Open(16, 12, "wired.bmp");
    const TMainActions& a = w.Form->Actions;
    const QList<QAction*> commands = {
        a.mnuSoft,      a.mnuSharpen,  a.mnuEmboss,  a.mnuHighPass,   a.mnuEdgeDetection, a.mnuGaussianBlur,
        a.mnuBlur,      a.mnuButton3D, a.mnuSpray,   a.mnuNoise,      a.mnuWave,          a.mnuMosaic,
        a.mnuBlock,     a.mnuFadeOut,  a.mnuGlassMosaic, a.mnuScetch, a.mnuOilPaint,      a.mnuVortex,
        a.mnuExplode,   a.mnuImplode,  a.mnuSpotLight, a.mnuBlind,    a.mnuCustomFilter,  a.mnuNoiseReduction,
        a.mnuMedianLow, a.mnuMedianAve, a.mnuMedianHigh};
    for (QAction* action : commands) {
        SCOPED_TRACE(action->objectName().toStdString());
        EXPECT_TRUE(action->isEnabled());
    }
    auto empty = MakeWindow();
    empty->Actions.mnuSoft->trigger();
    empty->Actions.mnuSpotLight->trigger();
    EXPECT_FALSE(SpotLightPicking(*empty));
    EXPECT_TRUE(UndoCaptions(*empty).isEmpty());
}

// ---------------------------------------------------------------- custom filter

QString Entries(const TZVfrmCustomFilter& dialog) {
    QStringList out;
    for (const QLineEdit* edit : dialog.Edits) out << edit->text();
    out << QString::number(dialog.SpinEdit1->value());
    return out.join(QLatin1Char(','));
}

TEST(CustomFilter, OpensWithTheSettingAndFillsWhatItLacksWithDefaults) {
    struct Case {
        const char* Setting;
        const char* Shown;
    };
    for (const Case& c : {Case{"0,0,0,0,2,0,0,0,0,2", "0,0,0,0,2,0,0,0,0,2"},
                          Case{"3,3", "3,3,1,-2,5,-2,1,-2,1,1"},
                          Case{"1,1,1,1,1,1,1,1,1,x", "1,1,1,1,1,1,1,1,1,1"},
                          Case{"1,1,1,1,1,1,1,1,1,900", "1,1,1,1,1,1,1,1,1,255"}}) {
        SCOPED_TRACE(c.Setting);
        WriteSettingsText(std::string("[Effects]\nCustomFilter=") + c.Setting + "\n");
        auto form = MakeWindow();
        TZVfrmCustomFilter dialog(*form);
        EXPECT_EQ(Entries(dialog), QString::fromLatin1(c.Shown));
    }
    WriteSettingsText("");
    auto form = MakeWindow();
    TZVfrmCustomFilter dialog(*form);
    EXPECT_EQ(Entries(dialog), QStringLiteral("1,-2,1,-2,5,-2,1,-2,1,1"));
    EXPECT_EQ(dialog.windowTitle(), Text("カスタムフィルタ"));
}

TEST(CustomFilter, OkRunsTheKernelAsOneStepAndRemembersIt) {
    TWindow w = Open(24, 18, "custom.bmp");
    {
        TZVfrmCustomFilter dialog(*w.Form);
        dialog.UndoCaption = UndoCaption(&TMainActions::mnuCustomFilter);
        const int entries[9] = {0, 1, 0, 1, 4, 1, 0, 1, 0};
        for (int i = 0; i < 9; ++i) dialog.Edits[std::size_t(i)]->setText(QString::number(entries[i]));
        dialog.SpinEdit1->setValue(8);
        dialog.btnOk->click();
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
    }
    EXPECT_EQ(UndoCaptions(*w.Form), QStringList{Text("カスタムフィルタ")});
    // Rows as they lie on the picture; the kernel is stored column by
    // column, which this symmetric kernel does not tell apart, so check the
    // orientation with the next one.
    const effects::TKernel3x3 plus = effects::KernelFromRows({0, 1, 0, 1, 4, 1, 0, 1, 0});
    EXPECT_TRUE(test::SamePixels(w.Form->QxImage1().Bitmap().Dib(),
                                 Expected(w, [&](TQxImage& d) { d.Convolve3x3(plus, 8, false); })));
    EXPECT_NE(test::ReadSettingsText().find("CustomFilter=0,1,0,1,4,1,0,1,0,8"), std::string::npos);
    // The next dialog opens with it.
    TZVfrmCustomFilter again(*w.Form);
    EXPECT_EQ(Entries(again), QStringLiteral("0,1,0,1,4,1,0,1,0,8"));
}

TEST(CustomFilter, OrientationOfTheRows) {
    TWindow w = Open(16, 12, "custom-rows.bmp");
    {
        TZVfrmCustomFilter dialog(*w.Form);
        // Only the pixel above counts: each pixel takes the value of the one
        // above it (the top row repeats itself).
        for (int i = 0; i < 9; ++i) dialog.Edits[std::size_t(i)]->setText(i == 1 ? "1" : "0");
        dialog.SpinEdit1->setValue(1);
        dialog.btnOk->click();
    }
    const TDibImage before = Expected(w, [](TQxImage&) {});
    const TDibImage& after = w.Form->QxImage1().Bitmap().Dib();
    for (int y = 1; y < 12; ++y)
        for (int x = 0; x < 16; ++x) ASSERT_EQ(after.GetPixels(x, y), before.GetPixels(x, y - 1)) << x << "," << y;
}

TEST(CustomFilter, EditWithoutAnIntegerStopsOk) {
    TWindow w = Open(16, 12, "custom-bad.bmp");
    WriteSettingsText("[Effects]\nCustomFilter=1,1,1,1,1,1,1,1,1,9\n");
    const TDibImage before = w.Form->QxImage1().Bitmap().ToDibImage();
    TZVfrmCustomFilter dialog(*w.Form);
    dialog.show();
    QStringList errors;
    dialog.ErrorHook = [&errors](const QString& message) { errors << message; };
    dialog.Edits[4]->setText(QStringLiteral("1.5"));
    dialog.btnOk->click();
    EXPECT_EQ(errors, QStringList{QStringLiteral("'1.5' is not a valid integer value")});
    EXPECT_TRUE(dialog.isVisible());  // still open
    EXPECT_TRUE(UndoCaptions(*w.Form).isEmpty());
    EXPECT_TRUE(test::SamePixels(w.Form->QxImage1().Bitmap().Dib(), before));
    EXPECT_NE(test::ReadSettingsText().find("CustomFilter=1,1,1,1,1,1,1,1,1,9"), std::string::npos);
}

TEST(CustomFilter, SaveAndLoadRoundTripAndABadFileIsRefused) {
    TWindow w = Open(16, 12, "custom-file.bmp");
    const TDibImage before = w.Form->QxImage1().Bitmap().ToDibImage();
    TZVfrmCustomFilter dialog(*w.Form);
    QStringList errors;
    dialog.ErrorHook = [&errors](const QString& message) { errors << message; };
    const QString saved = QString::fromStdString((AppTestDir() / "round.flt").string());
    dialog.SetFilter({{-1, 0, 1, -2, 0, 2, -1, 0, 1}, 3});
    dialog.Edits[0]->setText(QStringLiteral(" -1"));  // normalised on saving
    dialog.SaveFileHook = [&saved] { return saved; };
    dialog.btnSaveFilter->click();
    QFile file(saved);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("-1,0,1,-2,0,2,-1,0,1,3\n"));
    file.close();

    dialog.SetFilter({});
    dialog.OpenFileHook = [&saved] { return saved; };
    dialog.btnLoadFilter->click();
    EXPECT_EQ(Entries(dialog), QStringLiteral("-1,0,1,-2,0,2,-1,0,1,3"));
    EXPECT_TRUE(errors.isEmpty());

    // Files that do not hold exactly ten values (or hold something that is
    // no integer among the nine) change nothing.
    int index = 0;
    for (const char* text : {"1,2,3", "1,2,3,4,5,6,7,8,9,10,11", "a,0,0,0,1,0,0,0,0,1", ""}) {
        SCOPED_TRACE(text);
        const QString bad = QString::fromStdString((AppTestDir() / ("bad" + std::to_string(index++) + ".flt")).string());
        QFile out(bad);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(text);
        out.close();
        dialog.OpenFileHook = [&bad] { return bad; };
        dialog.btnLoadFilter->click();
        EXPECT_EQ(errors.size(), index);
        EXPECT_EQ(errors.value(index - 1), Text("カスタムフィルタが読み込めません"));
        EXPECT_EQ(Entries(dialog), QStringLiteral("-1,0,1,-2,0,2,-1,0,1,3"));
    }
    // A file that cannot be opened is refused the same way.
    dialog.OpenFileHook = [] { return QStringLiteral("/nonexistent/folder/x.flt"); };
    EXPECT_FALSE(dialog.LoadClick());
    EXPECT_EQ(errors.size(), index + 1);
    // The picture and its history never moved.
    EXPECT_TRUE(UndoCaptions(*w.Form).isEmpty());
    EXPECT_TRUE(test::SamePixels(w.Form->QxImage1().Bitmap().Dib(), before));
}

}  // namespace
}  // namespace zelvo
