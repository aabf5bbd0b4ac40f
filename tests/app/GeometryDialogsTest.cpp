// The resize, crop-by-coordinates and margin dialogs: the resize dialog's
// aspect coupling and its focus rule, the filter preset, the coordinate
// limits and the refusal of an empty rectangle, and the settings each
// dialog keeps.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

#include "AppTestSupport.h"
#include "TestSupport.h"
#include "app/dialogs/EffectSettings.h"
#include "app/common/Settings.h"
#include "app/dialogs/ZVfrmCustomTrim.h"
#include "app/window/CommandTable.h"
#include "app/window/ZVfrmMain.h"
#include "app/dialogs/ZVfrmResize.h"
#include "app/dialogs/ZVfrmSpacing.h"
#include "document/QxImage.h"
#include "view/QxImageView.h"
#include "platform/IniFile.h"

namespace zelvo {
namespace {


using test::UndoCaptions;
using test::WindowWithSample;


// Gives `widget` the keyboard focus in its shown, active window.
bool Focus(QWidget* widget) {
    widget->window()->activateWindow();
    widget->setFocus(Qt::OtherFocusReason);
    for (int i = 0; i < 10 && !widget->hasFocus(); ++i) QApplication::processEvents();
    return widget->hasFocus();
}

// ------------------------------------------------------------------ resize model

struct TModelCase {
    const char* Name;
    int PictureWidth, PictureHeight;
    bool Keep;
    char Field;  // 'w', 'h', 'x', 'y'
    int Value;
    int Width, Height, RatioX, RatioY;
};

TEST(ResizeModel, EditsCoupleAsTheFocusedFieldDrives) {
    const TModelCase cases[] = {
        // 480 / 640 x 320 + 0.5 = 240.5 -> 240; ratios 320 x 100 div 640 = 50, 240 x 100 div 480 = 50.
        {"width halves", 640, 480, true, 'w', 320, 320, 240, 50, 50},
        // 0.75 x 333 + 0.5 = 250.25 -> 250; 33300 div 640 = 52, 25000 div 480 = 52.
        {"width rounds", 640, 480, true, 'w', 333, 333, 250, 52, 52},
        // 2 / 3 x 5 + 0.5 = 3.83 -> 3; 500 div 3 = 166, 300 div 2 = 150.
        {"thirds truncate", 3, 2, true, 'w', 5, 5, 3, 166, 150},
        // 3 / 2 x 3 + 0.5 = 5.0 -> 5.
        {"height drives width", 3, 2, true, 'h', 3, 5, 3, 166, 150},
        // Without the aspect lock the other side stays; both ratios still follow.
        {"free width", 640, 480, false, 'w', 100, 100, 480, 15, 100},
        // Ratio 50 copied to the other ratio; sizes 640 x 50 div 100, 480 x 50 div 100.
        {"ratio copies", 640, 480, true, 'x', 50, 320, 240, 50, 50},
        {"free ratio", 640, 480, false, 'y', 25, 640, 120, 100, 25},
        // 333 x 33 div 100 = 109.89 -> 109 (div truncates).
        {"ratio truncates", 333, 333, true, 'y', 33, 109, 109, 33, 33},
        // A ratio of 0 would make no picture: the size field's minimum is 1.
        {"ratio zero", 640, 480, true, 'x', 0, 1, 1, 0, 0},
        // A tall picture at the largest width: the height and the ratios
        // stop at their fields' limits instead of overflowing.
        {"limits", 1, 65535, true, 'w', 1000000000, 1000000000, 1000000000, 10000, 10000},
    };
    for (const TModelCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TResizeModel model(c.PictureWidth, c.PictureHeight);
        model.KeepAspect = c.Keep;
        switch (c.Field) {
            case 'w': model.EditWidth(c.Value); break;
            case 'h': model.EditHeight(c.Value); break;
            case 'x': model.EditRatioX(c.Value); break;
            default: model.EditRatioY(c.Value); break;
        }
        EXPECT_EQ(model.Width, c.Width);
        EXPECT_EQ(model.Height, c.Height);
        EXPECT_EQ(model.RatioX, c.RatioX);
        EXPECT_EQ(model.RatioY, c.RatioY);
    }
}

TEST(ResizeModel, FilterItemIsTheLastEntryUnlessTheRememberedOneExists) {
    EXPECT_EQ(ResizeFilterItem(6, 7), 6);
    EXPECT_EQ(ResizeFilterItem(0, 7), 0);
    EXPECT_EQ(ResizeFilterItem(3, 7), 3);
    // A hand-edited 200 names no filter: the list stays on Lanczos3.
    EXPECT_EQ(ResizeFilterItem(200, 7), 6);
    EXPECT_EQ(ResizeFilterItem(-1, 7), 6);
}

// ------------------------------------------------------------------ resize dialog

TEST(ResizeDialog, OpensWithThePictureSizeAndTheRememberedFilter) {
    auto form = WindowWithSample(64, 48, "resize-open.bmp");
    {
        TZVfrmResize dialog(*form);
        EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8("リサイズ"));
        EXPECT_EQ(dialog.LabelSize->text(), QString::fromUtf8("現在のサイズ：64 x 48"));
        EXPECT_EQ(dialog.SpinEditWidth->value(), 64);
        EXPECT_EQ(dialog.SpinEditHeight->value(), 48);
        EXPECT_EQ(dialog.SpinEditRatioX->value(), 100);
        EXPECT_TRUE(dialog.rbSize->isChecked());
        EXPECT_TRUE(dialog.SpinEditWidth->isEnabled());
        EXPECT_FALSE(dialog.SpinEditRatioX->isEnabled());
        EXPECT_TRUE(dialog.cbKeepAspect->isChecked());
        // Defaults: resampling off, Lanczos3.
        EXPECT_FALSE(dialog.cbResample->isChecked());
        EXPECT_FALSE(dialog.cbFilter->isEnabled());
        ASSERT_EQ(dialog.cbFilter->count(), 7);
        EXPECT_EQ(dialog.cbFilter->currentText(), QStringLiteral("Lanczos3"));
        EXPECT_EQ(dialog.cbFilter->itemText(0), QStringLiteral("Box"));
        dialog.cbResample->setChecked(true);
        EXPECT_TRUE(dialog.cbFilter->isEnabled());
    }
    const struct {
        bool Apply;
        int Index;
        int Expected;
    } remembered[] = {{true, 2, 2}, {false, 0, 0}, {true, 200, 6}};
    for (const auto& r : remembered) {
        SCOPED_TRACE(r.Index);
        EffectSettings(*form).ApplyResample = r.Apply;
        EffectSettings(*form).ResampleIndex = std::uint8_t(r.Index);
        TZVfrmResize dialog(*form);
        EXPECT_EQ(dialog.cbResample->isChecked(), r.Apply);
        EXPECT_EQ(dialog.cbFilter->isEnabled(), r.Apply);
        EXPECT_EQ(dialog.cbFilter->currentIndex(), r.Expected);
    }
}

TEST(ResizeDialog, OnlyTheFocusedFieldDrivesTheOthers) {
    auto form = WindowWithSample(640, 480, "resize-focus.bmp");
    TZVfrmResize dialog(*form);
    dialog.show();
    ASSERT_TRUE(Focus(dialog.SpinEditWidth));
    dialog.SpinEditWidth->setValue(320);
    EXPECT_EQ(dialog.SpinEditHeight->value(), 240);
    EXPECT_EQ(dialog.SpinEditRatioX->value(), 50);
    EXPECT_EQ(dialog.SpinEditRatioY->value(), 50);
    // A field without the focus changes alone.
    dialog.SpinEditHeight->setValue(100);
    EXPECT_EQ(dialog.SpinEditWidth->value(), 320);
    EXPECT_EQ(dialog.SpinEditRatioY->value(), 50);

    // By ratio: the size fields are disabled and the focus moves to the
    // first ratio field, which then drives.
    dialog.rbRatio->setChecked(true);
    EXPECT_FALSE(dialog.SpinEditWidth->isEnabled());
    EXPECT_TRUE(dialog.SpinEditRatioX->isEnabled());
    ASSERT_TRUE(Focus(dialog.SpinEditRatioX));
    dialog.SpinEditRatioX->setValue(25);
    EXPECT_EQ(dialog.SpinEditRatioY->value(), 25);
    EXPECT_EQ(dialog.SpinEditWidth->value(), 160);
    EXPECT_EQ(dialog.SpinEditHeight->value(), 120);
    // Without the lock the ratio stays on its own axis.
    dialog.cbKeepAspect->setChecked(false);
    ASSERT_TRUE(Focus(dialog.SpinEditRatioY));
    dialog.SpinEditRatioY->setValue(50);
    EXPECT_EQ(dialog.SpinEditRatioX->value(), 25);
    EXPECT_EQ(dialog.SpinEditWidth->value(), 160);
    EXPECT_EQ(dialog.SpinEditHeight->value(), 240);
    dialog.hide();
}

TEST(ResizeDialog, OkResamplesOrStretchesAndRemembersTheChoice) {
    struct {
        const char* Name;
        int BitCount;
        bool Resample;
        int Filter;
        int ExpectedBits;
    } cases[] = {
        {"Lanczos3 makes 24 bits", 8, true, 6, 24},
        {"stretch keeps 8 bits", 8, false, 6, 8},
        {"Box", 24, true, 0, 24},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        auto form = WindowWithSample(64, 48, "resize-ok.bmp", c.BitCount);
        TZVfrmResize dialog(*form);
        dialog.SetRatioMode(true);
        dialog.cbResample->setChecked(c.Resample);
        dialog.cbFilter->setCurrentIndex(c.Filter);
        dialog.show();
        ASSERT_TRUE(Focus(dialog.SpinEditRatioX));
        dialog.SpinEditRatioX->setValue(50);
        dialog.UndoCaption = UndoCaption(&TMainActions::mnuResize);
        dialog.OkClick();
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_EQ(form->QxImage1().Bitmap().Width(), 32);
        EXPECT_EQ(form->QxImage1().Bitmap().Height(), 24);
        EXPECT_EQ(form->QxImage1().BitCount(), c.ExpectedBits);
        EXPECT_EQ(UndoCaptions(*form), QStringList{QString::fromUtf8("リサイズ")});
        EXPECT_EQ(EffectSettings(*form).ApplyResample, c.Resample);
        EXPECT_EQ(EffectSettings(*form).ResampleIndex, c.Filter);
        // Both reach the settings file when the window writes its settings.
        ASSERT_TRUE(WriteSettings(*form));
        const TIniFile ini(SettingsPath());
        EXPECT_EQ(ini.ReadBool("Effects", "ApplyResample", !c.Resample), c.Resample);
        EXPECT_EQ(ini.ReadInteger("Effects", "ResampleIndex", -1), c.Filter);
        form->QxImage1().Undo(1);
        EXPECT_EQ(form->QxImage1().Bitmap().Width(), 64);
        EXPECT_EQ(form->QxImage1().BitCount(), c.BitCount);
    }
}

TEST(ResizeSettings, DefaultsAreResamplingOffAndLanczos3) {
    TEffectSettings settings;
    ReadEffectSettings(settings, TIniFile::FromText(""));
    EXPECT_FALSE(settings.ApplyResample);
    EXPECT_EQ(settings.ResampleIndex, 6);
    ReadEffectSettings(settings, TIniFile::FromText("[Effects]\nApplyResample=1\nResampleIndex=3\n"));
    EXPECT_TRUE(settings.ApplyResample);
    EXPECT_EQ(settings.ResampleIndex, 3);
}

// ------------------------------------------------------------------ crop by coordinates

TEST(CustomTrimSettings, PointsParseAsACommaListAndWriteAsDecimalPairs) {
    const struct {
        const char* Text;
        TPoint Point;
    } cases[] = {
        {"0,0", {0, 0}},       {"12,34", {12, 34}},  {" 5 , 6 ", {5, 6}}, {"-3,4", {-3, 4}},
        {"1,2,3", {1, 2}},     {"a,9", {0, 9}},      {"7", {0, 0}},       {"", {0, 0}},
        {"$10,0x20", {16, 32}}, {",", {0, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Text);
        EXPECT_EQ(ParseTrimPoint(c.Text), c.Point);
    }
    EXPECT_EQ(FormatTrimPoint({-3, 4}), "-3,4");
    EXPECT_EQ(FormatTrimPoint({10000, 0}), "10000,0");

    const TCustomTrimSettings defaults = ReadCustomTrimSettings(TIniFile::FromText(""));
    EXPECT_EQ(defaults.Point1, (TPoint{0, 0}));
    EXPECT_EQ(defaults.Point2, (TPoint{100, 100}));
    TIniFile ini = TIniFile::FromText("[CustomTrim]\nPoint1=bad\n");
    EXPECT_EQ(ReadCustomTrimSettings(ini).Point1, (TPoint{0, 0}));
    WriteCustomTrimSettings({{12, 34}, {560, 78}}, ini);
    EXPECT_NE(ini.Text().find("Point1=12,34"), std::string::npos);
    EXPECT_NE(ini.Text().find("Point2=560,78"), std::string::npos);
    const TCustomTrimSettings back = ReadCustomTrimSettings(TIniFile::FromText(ini.Text()));
    EXPECT_EQ(back.Point1, (TPoint{12, 34}));
    EXPECT_EQ(back.Point2, (TPoint{560, 78}));
}

TEST(CustomTrimSettings, RectangleIsLimitedToThePictureAndEmptyOnesAreRefused) {
    const struct {
        const char* Name;
        TPoint P1, P2;
        std::optional<TRect> Expected;
    } cases[] = {
        {"whole picture", {0, 0}, {10000, 10000}, TRect{0, 0, 640, 480}},
        {"inside", {10, 20}, {30, 50}, TRect{10, 20, 30, 50}},
        {"right part clamped", {600, 400}, {700, 500}, TRect{600, 400, 640, 480}},
        {"both beyond the right edge", {700, 10}, {800, 20}, std::nullopt},
        {"reversed", {30, 10}, {10, 20}, std::nullopt},
        {"zero width", {10, 10}, {10, 20}, std::nullopt},
        {"zero height", {10, 20}, {30, 20}, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        EXPECT_EQ(LimitTrimRect(c.P1, c.P2, 640, 480), c.Expected);
    }
}

TEST(CustomTrimDialog, RefusesAnEmptyRectangleAndStaysOpen) {
    auto form = WindowWithSample(64, 48, "trim-refuse.bmp");
    const TDibImage before = form->QxImage1().Bitmap().ToDibImage();
    TZVfrmCustomTrim dialog(*form);
    EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8("座標指定切り取り"));
    QStringList messages;
    dialog.ShowStop = [&](const QString& text) { messages << text; };
    dialog.show();
    dialog.SpinEditX1->setValue(50);
    dialog.SpinEditY1->setValue(10);
    dialog.SpinEditX2->setValue(30);
    dialog.SpinEditY2->setValue(20);
    EXPECT_FALSE(dialog.OkClick());
    EXPECT_EQ(messages, QStringList{QString::fromUtf8("指定された座標は有効な矩形範囲ではありません")});
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(form->QxImage1().UndoCount(), 0);
    EXPECT_EQ(form->QxImage1().Bitmap().Width(), 64);
    // Both x beyond the 64-pixel picture: limited to 64 each, so empty too.
    dialog.SpinEditX1->setValue(100);
    dialog.SpinEditX2->setValue(200);
    EXPECT_FALSE(dialog.OkClick());
    EXPECT_EQ(messages.size(), 2);
    dialog.hide();
}

TEST(CustomTrimDialog, TheWholeRangeKeepsTheWholePicture) {
    auto form = WindowWithSample(640, 480, "trim-whole.bmp");
    const TDibImage before = form->QxImage1().Bitmap().ToDibImage();
    TZVfrmCustomTrim dialog(*form);
    dialog.UndoCaption = UndoCaption(&TMainActions::mnuCustomTrim);
    dialog.ShowStop = [](const QString& text) { ADD_FAILURE() << text.toStdString(); };
    dialog.SpinEditX1->setValue(0);
    dialog.SpinEditY1->setValue(0);
    dialog.SpinEditX2->setValue(10000);
    dialog.SpinEditY2->setValue(10000);
    EXPECT_TRUE(dialog.OkClick());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(form->QxImage1().Bitmap().Width(), 640);
    EXPECT_EQ(form->QxImage1().Bitmap().Height(), 480);
    EXPECT_TRUE(test::SamePixels(form->QxImage1().Bitmap().ToDibImage(), before));
    EXPECT_EQ(UndoCaptions(*form), QStringList{QString::fromUtf8("座標指定切り抜き")});
    // The points are kept as typed, for the next picture.
    const TCustomTrimSettings stored = ReadCustomTrimSettings(TIniFile(SettingsPath()));
    EXPECT_EQ(stored.Point2, (TPoint{10000, 10000}));
    // And the next dialog opens with them.
    TZVfrmCustomTrim again(*form);
    EXPECT_EQ(again.SpinEditX2->value(), 10000);
    EXPECT_EQ(again.SpinEditY1->value(), 0);
}

TEST(CustomTrimDialog, PastesTheSelectionAndCropsToTheLimitedRectangle) {
    auto form = WindowWithSample(64, 48, "trim-paste.bmp");
    const TDibImage before = form->QxImage1().Bitmap().ToDibImage();
    {
        TZVfrmCustomTrim dialog(*form);
        EXPECT_FALSE(dialog.btnPasteSelection->isEnabled());
    }
    form->QxImage1().SetSelectionRect(TRect{10, 5, 30, 25});
    TZVfrmCustomTrim dialog(*form);
    ASSERT_TRUE(dialog.btnPasteSelection->isEnabled());
    dialog.btnPasteSelection->click();
    EXPECT_EQ(dialog.Point1(), (TPoint{10, 5}));
    EXPECT_EQ(dialog.Point2(), (TPoint{30, 25}));
    dialog.SpinEditX2->setValue(5000);  // limited to the width, 64
    EXPECT_TRUE(dialog.OkClick());
    ASSERT_EQ(form->QxImage1().Bitmap().Width(), 54);
    ASSERT_EQ(form->QxImage1().Bitmap().Height(), 20);
    const TDibImage& after = form->QxImage1().Bitmap().Dib();
    EXPECT_EQ(after.GetPixels(0, 0), before.GetPixels(10, 5));
    EXPECT_EQ(after.GetPixels(53, 19), before.GetPixels(63, 24));
    EXPECT_FALSE(form->QxImage1().HasSelection());
}

// ------------------------------------------------------------------ margins

TEST(SpacingSettings, DefaultsAndRoundTrip) {
    const TSpacingSettings defaults = ReadSpacingSettings(TIniFile::FromText(""));
    EXPECT_EQ(defaults.Top, 10);
    EXPECT_EQ(defaults.Bottom, 10);
    EXPECT_EQ(defaults.Left, 10);
    EXPECT_EQ(defaults.Right, 10);
    EXPECT_EQ(defaults.Color, clBlack);
    TIniFile ini = TIniFile::FromText("");
    WriteSpacingSettings({1, 2, 4, 3, RGB(0x12, 0x34, 0x56)}, ini);
    EXPECT_NE(ini.Text().find("[Spacing]"), std::string::npos);
    EXPECT_NE(ini.Text().find("Color=$00563412"), std::string::npos);
    const TSpacingSettings back = ReadSpacingSettings(TIniFile::FromText(ini.Text()));
    EXPECT_EQ(back.Top, 1);
    EXPECT_EQ(back.Bottom, 2);
    EXPECT_EQ(back.Left, 4);
    EXPECT_EQ(back.Right, 3);
    EXPECT_EQ(back.Color, RGB(0x12, 0x34, 0x56));
    TIniFile named = TIniFile::FromText("");
    WriteSpacingSettings({}, named);
    EXPECT_NE(named.Text().find("Color=clBlack"), std::string::npos);
}

TEST(SpacingDialog, AddsTheMarginsInTheChosenColourAndStoresThem) {
    auto form = WindowWithSample(10, 10, "spacing.bmp");
    const TDibImage before = form->QxImage1().Bitmap().ToDibImage();
    TZVfrmSpacing dialog(*form);
    dialog.UndoCaption = UndoCaption(&TMainActions::mnuSpacing);
    EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8("余白作成"));
    EXPECT_EQ(dialog.SpinEditTop->value(), 10);
    EXPECT_EQ(dialog.SpinEditTop->maximum(), 999);
    EXPECT_EQ(dialog.Color(), clBlack);
    dialog.SpinEditTop->setValue(1);
    dialog.SpinEditBottom->setValue(2);
    dialog.SpinEditRight->setValue(3);
    dialog.SpinEditLeft->setValue(4);
    const TColor red = RGB(255, 0, 0);
    dialog.ChooseColor = [&](TColor& color) {
        EXPECT_EQ(color, clBlack);  // preset with the swatch's colour
        color = red;
        return true;
    };
    dialog.btnColor->click();
    EXPECT_EQ(dialog.Color(), red);
    dialog.OkClick();
    // 10 + 4 + 3 = 17 wide, 10 + 1 + 2 = 13 high, the picture at (4, 1).
    const TDibImage& after = form->QxImage1().Bitmap().Dib();
    ASSERT_EQ(after.Width(), 17);
    ASSERT_EQ(after.Height(), 13);
    EXPECT_EQ(after.GetPixels(0, 0), red);
    EXPECT_EQ(after.GetPixels(16, 12), red);
    EXPECT_EQ(after.GetPixels(3, 1), red);
    EXPECT_EQ(after.GetPixels(4, 1), before.GetPixels(0, 0));
    EXPECT_EQ(after.GetPixels(13, 10), before.GetPixels(9, 9));
    EXPECT_EQ(after.GetPixels(14, 10), red);
    EXPECT_EQ(UndoCaptions(*form), QStringList{QString::fromUtf8("余白作成")});

    const TSpacingSettings stored = ReadSpacingSettings(TIniFile(SettingsPath()));
    EXPECT_EQ(stored.Top, 1);
    EXPECT_EQ(stored.Left, 4);
    EXPECT_EQ(stored.Color, red);
    TZVfrmSpacing again(*form);
    EXPECT_EQ(again.SpinEditRight->value(), 3);
    EXPECT_EQ(again.Color(), red);
}

}  // namespace
}  // namespace zelvo
