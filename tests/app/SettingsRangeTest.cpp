// Every section the main window and its own dialogs keep: each key written
// and read back with a value other than its default, and each value read
// outside its range falling back to the default.

#include <gtest/gtest.h>

#include <QAction>
#include <QCoreApplication>

#include <functional>
#include <string>

#include "AppTestSupport.h"
#include "app/common/Settings.h"
#include "app/dialogs/EffectSettings.h"
#include "app/dialogs/ZVfrmCustomFilter.h"
#include "app/dialogs/ZVfrmCustomTrim.h"
#include "app/dialogs/ZVfrmSpacing.h"
#include "app/window/ZVfrmMain.h"
#include "document/QxImage.h"
#include "platform/IniFile.h"

namespace zelvo {
namespace {

using test::MakeWindow;
using test::WriteSettingsText;

// ---------------------------------------------------------------- Settings

TEST(SettingsSection, EveryKeyRoundTripsThroughTheFile) {
    WriteSettingsText("[Settings]\nGIFMode=1\n");
    {
        auto form = MakeWindow();
        form->move(33, 44);
        form->resize(640, 480);
        form->SetBackgroundColor(RGB(1, 2, 3));
        form->SetUndoBuffer(7);
        form->Options.FCaptureWait = 150;
        form->Options.FJpegQuality = 61;
        form->SetStatusBarShown(false);
        form->Options.FUseSusiePlugin = false;
        form->Options.FLastDirectory = QString::fromUtf8("/tmp/写真");
        form->Options.FSaveFileExt = 3;  // the GIF entry, offered in GIF mode
        form->Options.FOpenPreview = false;
        ASSERT_TRUE(WriteSettings(*form));
    }
    auto form = MakeWindow();
    EXPECT_EQ(form->pos(), QPoint(33, 44));
    EXPECT_EQ(form->size(), QSize(640, 480));
    EXPECT_EQ(form->BackgroundColor(), RGB(1, 2, 3));
    EXPECT_EQ(form->QxImage1().UndoBuffer(), 7);
    EXPECT_EQ(form->Options.FCaptureWait, 150);
    EXPECT_EQ(form->Options.FJpegQuality, 61);
    EXPECT_FALSE(form->Actions.mnuShowStatusBar->isChecked());
    EXPECT_FALSE(form->Options.FUseSusiePlugin);
    EXPECT_TRUE(form->Options.FGIFMode);
    EXPECT_EQ(form->Options.FLastDirectory, QString::fromUtf8("/tmp/写真"));
    EXPECT_EQ(form->Options.FSaveFileExt, 3);
    EXPECT_FALSE(form->Options.FOpenPreview);
}

TEST(SettingsSection, ValuesOutsideTheirRangesReadAsTheDefaults) {
    const std::string longPath = "/" + std::string(TIniFile::kMaxStringLength, 'a');
    struct TCase {
        std::string Text;
        std::function<void(TZVfrmMain&)> Check;
    };
    const TCase cases[] = {
        {"JpegQuality=0", [](TZVfrmMain& f) { EXPECT_EQ(f.Options.FJpegQuality, 80); }},
        {"JpegQuality=101", [](TZVfrmMain& f) { EXPECT_EQ(f.Options.FJpegQuality, 80); }},
        {"JpegQuality=100", [](TZVfrmMain& f) { EXPECT_EQ(f.Options.FJpegQuality, 100); }},
        {"JpegQuality=1", [](TZVfrmMain& f) { EXPECT_EQ(f.Options.FJpegQuality, 1); }},
        // A byte field wraps first: 257 is 1, inside the range.
        {"JpegQuality=257", [](TZVfrmMain& f) { EXPECT_EQ(f.Options.FJpegQuality, 1); }},
        {"JpegQuality=256", [](TZVfrmMain& f) { EXPECT_EQ(f.Options.FJpegQuality, 80); }},
        {"UndoBuffer=0", [](TZVfrmMain& f) { EXPECT_EQ(f.QxImage1().UndoBuffer(), 16); }},
        {"UndoBuffer=-5", [](TZVfrmMain& f) { EXPECT_EQ(f.QxImage1().UndoBuffer(), 16); }},
        {"UndoBuffer=101", [](TZVfrmMain& f) { EXPECT_EQ(f.QxImage1().UndoBuffer(), 16); }},
        {"UndoBuffer=100", [](TZVfrmMain& f) { EXPECT_EQ(f.QxImage1().UndoBuffer(), 100); }},
        // Without GIF mode the save dialog has eight entries (BMP, JPEG,
        // PNG, WebP, TIFF, AVIF, HEIC, JPEG XL); GIF mode puts GIF fourth.
        {"SaveFileExt=8", [](TZVfrmMain& f) { EXPECT_EQ(f.Options.FSaveFileExt, 0); }},
        {"SaveFileExt=-1", [](TZVfrmMain& f) { EXPECT_EQ(f.Options.FSaveFileExt, 0); }},
        {"SaveFileExt=7", [](TZVfrmMain& f) { EXPECT_EQ(f.Options.FSaveFileExt, 7); }},
        {"GIFMode=1\nSaveFileExt=8", [](TZVfrmMain& f) { EXPECT_EQ(f.Options.FSaveFileExt, 8); }},
        {"GIFMode=1\nSaveFileExt=9", [](TZVfrmMain& f) { EXPECT_EQ(f.Options.FSaveFileExt, 0); }},
        {"Width=0\nHeight=-20", [](TZVfrmMain& f) { EXPECT_EQ(f.size(), QSize(550, 450)); }},
        {"Width=40000\nHeight=32768", [](TZVfrmMain& f) { EXPECT_EQ(f.size(), QSize(550, 450)); }},
        {"Left=-40000\nTop=99999", [](TZVfrmMain& f) { EXPECT_EQ(f.pos(), QPoint(10, 10)); }},
        {"Left=-20\nTop=-30", [](TZVfrmMain& f) { EXPECT_EQ(f.pos(), QPoint(-20, -30)); }},
        {"LastDirectory=" + longPath,
         [](TZVfrmMain& f) { EXPECT_EQ(f.Options.FLastDirectory, QCoreApplication::applicationDirPath()); }},
        {"LastDirectory=" + longPath.substr(1),
         [](TZVfrmMain& f) { EXPECT_EQ(f.Options.FLastDirectory.size(), qsizetype(TIniFile::kMaxStringLength)); }},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Text.substr(0, 40));
        WriteSettingsText("[Settings]\n" + c.Text + "\n");
        auto form = MakeWindow();
        c.Check(*form);
    }
}

// ---------------------------------------------------------------- Effects

TEST(EffectsSection, EveryKeyRoundTripsWithANonDefaultValue) {
    TEffectSettings changed;
    changed.BlurLevel = 9;
    changed.NoiseLevel = 201;
    changed.NoiseColor = true;
    changed.SprayLevel = 3;
    changed.ButtonFrame = 49;
    changed.ButtonLowered = true;
    changed.ButtonSmooth = true;
    changed.WaveLevel = 100;
    changed.MosaicSize = 2;
    changed.ApplyResample = true;
    changed.ResampleIndex = 0;
    changed.MergeType = 2;
    changed.MergeAlphaChannel = 75;
    changed.BlockWidth = 50;
    changed.BlockHeight = 3;
    changed.BlockFillRect = false;
    changed.BlockFrame = false;
    changed.BlockShift = false;
    changed.GaussianBlurLevel = 10;
    changed.PosterizeLevel = 16;
    changed.SolarizationLevel = 0;
    changed.EmbossLevel = 20;
    changed.EmbossColor = true;
    changed.EmbossRev = true;
    changed.SharpLevel = 1;
    changed.FadeOutLevel = 300;
    changed.HighPassLevel = 2;
    changed.EdgeDetectionLevel = 19;
    changed.NoiseReduction = 100;
    changed.SingleColorScale = RGB(9, 8, 7);
    changed.GlassSize = 30;
    changed.YokoGlass = false;
    changed.TateGlass = false;
    changed.OilPaintLevel = 5;
    changed.ImplodeLevel = 1;
    changed.ExplodeLevel = 100;
    changed.SpotLightSize = 99;
    changed.SpotLightDecLevel = 1;
    changed.BlindWidth = 2;
    changed.BlindHorz = false;
    changed.BlindColor = clNavy;
    ASSERT_FALSE(changed == TEffectSettings{});

    TIniFile ini = TIniFile::FromText("");
    WriteEffectSettings(changed, ini);
    TEffectSettings back;
    ReadEffectSettings(back, TIniFile::FromText(ini.Text()));
    EXPECT_TRUE(back == changed) << ini.Text();
    // Booleans as 1/0, colours by name where they have one.
    EXPECT_EQ(ini.ReadString("Effects", "BlockFillRect", ""), "0");
    EXPECT_EQ(ini.ReadString("Effects", "BlindColor", ""), "clNavy");

    // The window writes what it read.
    WriteSettingsText(ini.Text());
    {
        auto form = MakeWindow();
        EXPECT_TRUE(EffectSettings(*form) == changed);
        test::WriteSettingsText("");
        ASSERT_TRUE(WriteSettings(*form));
    }
    TEffectSettings again;
    ReadEffectSettings(again, TIniFile(SettingsPath()));
    EXPECT_TRUE(again == changed);
}

// Reads "Key=value" alone and gives back what the writer then stores for
// the key, so each case sees exactly the value its field took.
int ReadBack(const std::string& key, const std::string& value) {
    TEffectSettings settings;
    ReadEffectSettings(settings, TIniFile::FromText("[Effects]\n" + key + "=" + value + "\n"));
    TIniFile out = TIniFile::FromText("");
    WriteEffectSettings(settings, out);
    return out.ReadInteger("Effects", key, -99999);
}

TEST(EffectsSection, EachRangedKeyIsPulledIntoItsDialogsRange) {
    struct TRange {
        const char* Key;
        int Lo, Hi, Default;
        bool Byte;
    };
    // The ranges of the effect dialogs' sliders.
    const TRange ranges[] = {
        {"BlurLevel", 1, 50, 1, true},          {"NoiseLevel", 1, 255, 100, true},
        {"SprayLevel", 1, 255, 100, true},      {"ButtonFrame", 1, 50, 6, true},
        {"WaveLevel", 1, 100, 3, true},         {"MosaicSize", 2, 50, 8, true},
        {"ResampleIndex", 0, 6, 6, true},       {"BlockWidth", 2, 50, 16, true},
        {"BlockHeight", 2, 50, 8, true},        {"GaussianBlurLevel", 1, 10, 3, true},
        {"PosterizeLevel", 2, 16, 4, true},     {"EmbossLevel", 1, 20, 10, true},
        {"SharpLevel", 1, 20, 10, true},        {"FadeOutLevel", 2, 8192, 10, false},
        {"HighPassLevel", 1, 20, 10, true},     {"EdgeDetectionLevel", 1, 20, 10, true},
        {"NoiseReduction", 1, 100, 15, false},  {"GlassSize", 3, 30, 8, false},
        {"OilPaintLevel", 1, 5, 3, false},      {"ImplodeLevel", 1, 100, 50, false},
        {"ExplodeLevel", 1, 100, 50, false},    {"SpotLightSize", 1, 100, 30, false},
        {"SpotLightDecLevel", 1, 99, 50, false}, {"BlindWidth", 2, 100, 50, false},
    };
    for (const TRange& r : ranges) {
        SCOPED_TRACE(r.Key);
        EXPECT_EQ(ReadBack(r.Key, std::to_string(r.Lo)), r.Lo);
        EXPECT_EQ(ReadBack(r.Key, std::to_string(r.Hi)), r.Hi);
        EXPECT_EQ(ReadBack(r.Key, "junk"), r.Default);
        if (r.Lo > 0) {
            EXPECT_EQ(ReadBack(r.Key, std::to_string(r.Lo - 1)), r.Lo);
        }
        if (r.Hi < 255) {
            EXPECT_EQ(ReadBack(r.Key, std::to_string(r.Hi + 1)), r.Hi);
        }
        if (r.Byte) {
            // The byte wraps first: 256 + Lo is Lo, 256 is 0, -1 is 255.
            EXPECT_EQ(ReadBack(r.Key, std::to_string(256 + r.Lo)), r.Lo);
            EXPECT_EQ(ReadBack(r.Key, "256"), r.Lo);
            EXPECT_EQ(ReadBack(r.Key, "-1"), r.Hi);
        } else {
            EXPECT_EQ(ReadBack(r.Key, "-100000"), r.Lo);
            EXPECT_EQ(ReadBack(r.Key, "2147483647"), r.Hi);
        }
    }
    // The solarization threshold takes any byte: 0..255 are all thresholds.
    EXPECT_EQ(ReadBack("SolarizationLevel", "0"), 0);
    EXPECT_EQ(ReadBack("SolarizationLevel", "255"), 255);
}

// ---------------------------------------------------------------- dialogs' sections

TEST(DialogSections, MarginsOutsideTheFieldsReadAsTheDefault) {
    const TSpacingSettings s = ReadSpacingSettings(
        TIniFile::FromText("[Spacing]\nTop=1000\nBottom=-1\nLeft=999\nRight=0\n"));
    EXPECT_EQ(s.Top, 10);
    EXPECT_EQ(s.Bottom, 10);
    EXPECT_EQ(s.Left, 999);
    EXPECT_EQ(s.Right, 0);
}

TEST(DialogSections, CropPointsOutsideTheFieldsReadAsTheDefault) {
    struct TCase {
        const char* Text;
        TPoint Point1, Point2;
    };
    const TCase cases[] = {
        {"Point1=10000,10000\nPoint2=0,0", {10000, 10000}, {0, 0}},
        {"Point1=10001,5\nPoint2=5,10001", {0, 0}, {100, 100}},
        {"Point1=-1,0\nPoint2=3,-2", {0, 0}, {100, 100}},
        // Not a point at all: the comma-list rule gives (0, 0), which is in range.
        {"Point1=7\nPoint2=x", {0, 0}, {0, 0}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Text);
        const TCustomTrimSettings s =
            ReadCustomTrimSettings(TIniFile::FromText(std::string("[CustomTrim]\n") + c.Text + "\n"));
        EXPECT_EQ(s.Point1, c.Point1);
        EXPECT_EQ(s.Point2, c.Point2);
    }
    const std::string tooLong = "1," + std::string(TIniFile::kMaxStringLength, '2');
    EXPECT_EQ(ReadCustomTrimSettings(TIniFile::FromText("[CustomTrim]\nPoint2=" + tooLong + "\n")).Point2,
              (TPoint{100, 100}));
}

TEST(DialogSections, AnOverlongCustomFilterIsNotCutIntoAnotherFilter) {
    // Cut at the read limit it would still read, as a kernel of ones with
    // the divisor 0 limited to 1; it reads as the default filter instead.
    const std::string padded = "1,1,1,1,1,1,1,1,1," + std::string(TIniFile::kMaxStringLength, '0') + "9";
    WriteSettingsText("[Effects]\nCustomFilter=" + padded + "\n");
    auto form = MakeWindow();
    TZVfrmCustomFilter dialog(*form);
    EXPECT_TRUE(dialog.Filter() == effects::TCustomFilter{});
}

}  // namespace
}  // namespace zelvo
