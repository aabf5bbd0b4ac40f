// The settings sections of the new-picture, gradation and texture dialogs
// and the merge keys of section "Effects": each value written and read back,
// and values outside their ranges (a dialog section's read as the default,
// the merge keys pulled into theirs).

#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "app/dialogs/EffectSettings.h"
#include "app/dialogs/ZVfrmGradation.h"
#include "app/dialogs/ZVfrmNew.h"
#include "app/dialogs/ZVfrmTexture.h"
#include "platform/IniFile.h"

namespace zelvo {
namespace {

TEST(PictureSettings, WrittenValuesReadBack) {
    TIniFile ini = TIniFile::FromText("");
    WriteNewImageSettings({1, 9999, RGB(1, 2, 3)}, ini);
    WriteGradationSettings({clRed, RGB(9, 8, 7), 7, 100}, ini);
    WriteTextureSettings({12, 1}, ini);
    TEffectSettings effects;
    effects.MergeType = 5;
    effects.MergeAlphaChannel = 0;
    WriteEffectSettings(effects, ini);

    const TIniFile back = TIniFile::FromText(ini.Text());
    const TNewImageSettings n = ReadNewImageSettings(back);
    EXPECT_EQ(n.Width, 1);
    EXPECT_EQ(n.Height, 9999);
    EXPECT_EQ(n.BGColor, RGB(1, 2, 3));
    const TGradationSettings g = ReadGradationSettings(back);
    EXPECT_EQ(g.Color1, clRed);
    EXPECT_EQ(g.Color2, RGB(9, 8, 7));
    EXPECT_EQ(g.Direction, 7);
    EXPECT_EQ(g.AlphaChannel, 100);
    const TTextureSettings t = ReadTextureSettings(back);
    EXPECT_EQ(t.ItemIndex, 12);
    EXPECT_EQ(t.Level, 1);
    TEffectSettings e;
    ReadEffectSettings(e, back);
    EXPECT_EQ(e.MergeType, 5);
    EXPECT_EQ(e.MergeAlphaChannel, 0);
    // Key names as the file keeps them.
    EXPECT_EQ(back.ReadString("NewImage", "BGColor", ""), "$00030201");
    EXPECT_EQ(back.ReadString("Gradation", "Color1", ""), "clRed");
    EXPECT_EQ(back.ReadString("Texture", "ItemIndex", ""), "12");
}

TEST(PictureSettings, DefaultsWithoutTheSections) {
    const TIniFile empty = TIniFile::FromText("");
    const TNewImageSettings n = ReadNewImageSettings(empty);
    EXPECT_EQ(n.Width, 100);
    EXPECT_EQ(n.Height, 100);
    EXPECT_EQ(n.BGColor, clWhite);
    const TGradationSettings g = ReadGradationSettings(empty);
    EXPECT_EQ(g.Color1, clNavy);
    EXPECT_EQ(g.Color2, clBlack);
    EXPECT_EQ(g.Direction, 0);
    EXPECT_EQ(g.AlphaChannel, 50);
    const TTextureSettings t = ReadTextureSettings(empty);
    EXPECT_EQ(t.ItemIndex, 0);
    EXPECT_EQ(t.Level, 50);
    TEffectSettings e;
    ReadEffectSettings(e, empty);
    EXPECT_EQ(e.MergeType, 0);
    EXPECT_EQ(e.MergeAlphaChannel, 50);
}

// One key at a time set to `text`; `expected` is what the reader returns.
struct TClampCase {
    const char* Section;
    const char* Key;
    const char* Text;
    int Expected;
};

int ReadOne(const TIniFile& ini, const TClampCase& c) {
    const std::string section = c.Section, key = c.Key;
    if (section == "NewImage") {
        const TNewImageSettings s = ReadNewImageSettings(ini);
        return key == "Width" ? s.Width : s.Height;
    }
    if (section == "Gradation") {
        const TGradationSettings s = ReadGradationSettings(ini);
        return key == "Direction" ? s.Direction : s.AlphaChannel;
    }
    if (section == "Texture") {
        const TTextureSettings s = ReadTextureSettings(ini);
        return key == "ItemIndex" ? s.ItemIndex : s.Level;
    }
    TEffectSettings s;
    ReadEffectSettings(s, ini);
    return key == "MergeType" ? s.MergeType : s.MergeAlphaChannel;
}

TEST(PictureSettings, ValuesOutsideTheirRanges) {
    const TClampCase cases[] = {
        {"NewImage", "Width", "0", 100},
        {"NewImage", "Width", "10000", 100},
        {"NewImage", "Width", "9999", 9999},
        {"NewImage", "Height", "-5", 100},
        {"NewImage", "Height", "$10", 16},
        {"NewImage", "Height", "tall", 100},
        {"Gradation", "Direction", "8", 0},
        {"Gradation", "Direction", "-1", 0},
        {"Gradation", "Direction", "3", 3},
        {"Gradation", "AlphaChannel", "0", 50},
        {"Gradation", "AlphaChannel", "101", 50},
        {"Gradation", "AlphaChannel", "1", 1},
        {"Texture", "ItemIndex", "-1", 0},
        {"Texture", "ItemIndex", "2147483647", INT_MAX},  // beyond the list: the dialog takes the first
        {"Texture", "Level", "0", 50},
        {"Texture", "Level", "250", 50},
        {"Texture", "Level", "100", 100},
        // Section "Effects" pulls a value beyond its dialog's range to the
        // nearer end; a malformed one reads as the default.
        {"Effects", "MergeType", "6", 5},
        {"Effects", "MergeType", "262", 5},  // a byte: 262 wraps to 6
        {"Effects", "MergeType", "four", 0},
        {"Effects", "MergeAlphaChannel", "101", 100},
        {"Effects", "MergeAlphaChannel", "300", 44},  // 300 wraps to 44
        {"Effects", "MergeAlphaChannel", "0", 0},
    };
    for (const TClampCase& c : cases) {
        SCOPED_TRACE(std::string(c.Section) + "." + c.Key + "=" + c.Text);
        const TIniFile ini =
            TIniFile::FromText("[" + std::string(c.Section) + "]\n" + c.Key + "=" + c.Text + "\n");
        EXPECT_EQ(ReadOne(ini, c), c.Expected);
    }
}

}  // namespace
}  // namespace zelvo
