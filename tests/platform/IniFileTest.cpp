// The settings file: value forms, byte wrapping, and writes that keep what
// they do not change.

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "TestSupport.h"
#include "platform/IniFile.h"

namespace zelvo {
namespace {

TEST(IniFileTest, IntegerForms) {
    const TIniFile ini = TIniFile::FromText(
        "[S]\n"
        "Dec=42\nNeg=-7\nDollar=$1F\nHex=0x1f\nHexUpper=0X10\nBlank=  12  \nBad=12abc\nEmpty=\n"
        "AllOnes=$FFFFFFFF\nTooBig=4294967296\nSign=+5\n");
    struct TCase {
        const char* Key;
        int Expected;
    };
    const TCase cases[] = {{"Dec", 42},     {"Neg", -7},    {"Dollar", 31},    {"Hex", 31},
                           {"HexUpper", 16}, {"Blank", 12},  {"Bad", 99},       {"Empty", 99},
                           {"AllOnes", -1},  {"TooBig", 99}, {"Missing", 99},   {"Sign", 5}};
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Key);
        EXPECT_EQ(ini.ReadInteger("S", c.Key, 99), c.Expected);
    }
}

TEST(IniFileTest, BytesWrapBooleansAndColours) {
    const TIniFile ini = TIniFile::FromText(
        "[Settings]\nCaptureWait=300\nMinus=-1\nOn=1\nTwo=2\nOff=0\nJunk=yes\n"
        "Back=clBtnShadow\nRgb=$00FF8040\nBadColour=clNoSuchColour\n");
    EXPECT_EQ(ini.ReadByte("Settings", "CaptureWait", 200), 44);  // 300 - 256
    EXPECT_EQ(ini.ReadByte("Settings", "Minus", 200), 255);
    EXPECT_EQ(ini.ReadByte("Settings", "Missing", 200), 200);
    EXPECT_TRUE(ini.ReadBool("Settings", "On", false));
    EXPECT_TRUE(ini.ReadBool("Settings", "Two", false));
    EXPECT_FALSE(ini.ReadBool("Settings", "Off", true));
    EXPECT_TRUE(ini.ReadBool("Settings", "Junk", true));  // malformed: the default
    EXPECT_EQ(ini.ReadColor("Settings", "Back", clBlack), clBtnShadow);
    EXPECT_EQ(ini.ReadColor("Settings", "Rgb", clBlack), RGB(0x40, 0x80, 0xFF));
    EXPECT_EQ(ini.ReadColor("Settings", "BadColour", clNavy), clNavy);
}

TEST(IniFileTest, RangeCheckedReadsFallBackToTheDefault) {
    const TIniFile ini = TIniFile::FromText(
        "[ThumbNail]\nSize=256\nSort=7\nInterval=0\nGood=3\nName=abcdef\nBad=x\n");
    EXPECT_EQ(ini.ReadByteIn("ThumbNail", "Size", 96, 16, 255), 96);  // 256 wraps to 0
    EXPECT_EQ(ini.ReadIntegerIn("ThumbNail", "Sort", 0, 0, 5), 0);
    EXPECT_EQ(ini.ReadIntegerIn("ThumbNail", "Interval", 3, 1, 3600), 3);
    EXPECT_EQ(ini.ReadIntegerIn("ThumbNail", "Good", 1, 0, 5), 3);
    EXPECT_EQ(ini.ReadIntegerIn("ThumbNail", "Bad", 1, 0, 5), 1);
    EXPECT_EQ(ini.ReadIntegerIn("ThumbNail", "Missing", 1, 0, 5), 1);
    EXPECT_EQ(ini.ReadStringIn("ThumbNail", "Name", "dflt", 6), "abcdef");
    EXPECT_EQ(ini.ReadStringIn("ThumbNail", "Name", "dflt", 5), "dflt");
}

TEST(IniFileTest, NamesAreCaseInsensitiveAndFirstKeyWins) {
    const TIniFile ini = TIniFile::FromText("[settings]\nleft=5\nLEFT=6\n[Other]\nLeft=7\n");
    EXPECT_EQ(ini.ReadInteger("Settings", "Left", 0), 5);
    EXPECT_EQ(ini.ReadInteger("OTHER", "left", 0), 7);
    EXPECT_TRUE(ini.SectionExists("SETTINGS"));
    EXPECT_FALSE(ini.SectionExists("Effects"));
}

TEST(IniFileTest, WritesKeepUnknownKeysSectionsAndComments) {
    TIniFile ini = TIniFile::FromText(
        "; written by hand\n"
        "[Settings]\n"
        "Left=10\n"
        "OldKey=keep me\n"
        "\n"
        "[Toolbar1]\n"
        "# a comment\n"
        "Rev=2\n");
    ini.WriteInteger("settings", "left", 25);
    ini.WriteString("Settings", "LastDirectory", "/home/u/写真");
    ini.WriteColor("Settings", "BackgroundColor", clBtnShadow);
    ini.WriteBool("Effects", "NoiseColor", true);
    EXPECT_EQ(ini.Text(),
              "; written by hand\n"
              "[Settings]\n"
              "Left=25\n"
              "OldKey=keep me\n"
              "LastDirectory=/home/u/写真\n"
              "BackgroundColor=clBtnShadow\n"
              "\n"
              "[Toolbar1]\n"
              "# a comment\n"
              "Rev=2\n"
              "\n"
              "[Effects]\n"
              "NoiseColor=1\n");
}

TEST(IniFileTest, ValuesCannotBreakIntoNewLines) {
    TIniFile ini = TIniFile::FromText("");
    ini.WriteString("S", "Text", "first\n[Evil]\nKey=1");
    const TIniFile back = TIniFile::FromText(ini.Text());
    EXPECT_FALSE(back.SectionExists("Evil"));
    EXPECT_EQ(back.ReadString("S", "Text", ""), "first [Evil] Key=1");
}

TEST(IniFileTest, LongStringsAreCutAtACharacterBoundary) {
    std::string value(2046, 'a');
    value += "写";  // three bytes crossing the 2047-byte limit
    const TIniFile ini = TIniFile::FromText("[S]\nK=" + value + "\n");
    EXPECT_EQ(ini.ReadString("S", "K", ""), std::string(2046, 'a'));
}

TEST(IniFileTest, UpdateFileRoundTripsThroughDisk) {
    const auto dir = test::MakeTempDir("ini");
    const auto path = dir / "sub" / "Zelvo.ini";
    {
        TIniFile ini(path);
        EXPECT_FALSE(ini.SectionExists("Settings"));
        ini.WriteInteger("Settings", "Width", 640);
        ASSERT_TRUE(ini.UpdateFile());
    }
    TIniFile again(path);
    EXPECT_EQ(again.ReadInteger("Settings", "Width", 0), 640);
    // Windows line ends read the same.
    {
        std::ofstream out(path, std::ios::binary);
        out << "[Settings]\r\nWidth=800\r\n";
    }
    EXPECT_EQ(TIniFile(path).ReadInteger("Settings", "Width", 0), 800);
    // A folder in the way of the file: the write fails and says so.
    const auto blocked = dir / "blocked.ini";
    std::filesystem::create_directories(blocked / "x");
    TIniFile cannot(blocked);
    cannot.WriteInteger("S", "K", 1);
    EXPECT_FALSE(cannot.UpdateFile());
    std::filesystem::remove_all(dir);
}

TEST(IniFileTest, ConfigFolderFollowsXdg) {
    const char* old = std::getenv("XDG_CONFIG_HOME");
    const std::string saved = old ? old : "";
    const char* oldHome = std::getenv("HOME");
    const std::string savedHome = oldHome ? oldHome : "";
    setenv("XDG_CONFIG_HOME", "/tmp/cfg", 1);
    EXPECT_EQ(SettingsFilePath(), std::filesystem::path("/tmp/cfg/zelvo/Zelvo.ini"));
    setenv("XDG_CONFIG_HOME", "relative/path", 1);  // ignored: not absolute
    setenv("HOME", "/home/someone", 1);
    EXPECT_EQ(SettingsFilePath(), std::filesystem::path("/home/someone/.config/zelvo/Zelvo.ini"));
    if (old) setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
    else unsetenv("XDG_CONFIG_HOME");
    if (oldHome) setenv("HOME", savedHome.c_str(), 1);
}

}  // namespace
}  // namespace zelvo
