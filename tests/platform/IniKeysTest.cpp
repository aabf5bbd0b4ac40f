// Key tables: one table read and written through TKeyReader and
// TKeyWriter, each kind of key with its range rule.

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/IniKeys.h"

namespace zelvo {
namespace {

struct TSample {
    int Plain = 7;
    int Limited = 50;  // 1..100, outside reads as the default
    int Pulled = 50;   // 1..100, outside reads as the nearer end
    std::uint8_t Byte = 8;  // 2..50, outside reads as the default
    std::uint8_t PulledByte = 8;  // 2..50, outside reads as the nearer end
    bool Flag = true;
    TColor Colour = clNavy;
    std::string Name = "none";  // at most 8 bytes
    TPoint Point{1, 2};         // "x;y", both 0..9
    friend bool operator==(const TSample&, const TSample&) = default;
};

std::optional<TPoint> ParsePoint(std::string_view text) {
    if (text.size() != 3 || text[1] != ';' || text[0] < '0' || text[0] > '9' || text[2] < '0' || text[2] > '9')
        return std::nullopt;
    return TPoint{text[0] - '0', text[2] - '0'};
}
std::string FormatPoint(TPoint p) { return std::to_string(p.X) + ";" + std::to_string(p.Y); }

template <class Settings, class Visit>
void EachKey(Settings& s, Visit&& visit) {
    visit(IntKey("Plain", s.Plain));
    visit(IntKey("Limited", s.Limited, 1, 100));
    visit(IntKey("Pulled", s.Pulled, 1, 100, TOutOfRange::Nearer));
    visit(ByteKey("Byte", s.Byte, 2, 50));
    visit(ByteKey("PulledByte", s.PulledByte, 2, 50, TOutOfRange::Nearer));
    visit(BoolKey("Flag", s.Flag));
    visit(ColorKey("Colour", s.Colour));
    visit(StringKey("Name", s.Name, 8));
    visit(TextKey("Point", s.Point, ParsePoint, FormatPoint));
}

TSample Read(const std::string& lines) {
    TSample s;
    EachKey(s, TKeyReader(TIniFile::FromText("[S]\n" + lines), "S"));
    return s;
}

TEST(IniKeysTest, WhatWasWrittenReadsBackUnderTheSameKeys) {
    TSample changed;
    changed.Plain = -3;
    changed.Limited = 1;
    changed.Pulled = 100;
    changed.Byte = 50;
    changed.PulledByte = 2;
    changed.Flag = false;
    changed.Colour = clRed;
    changed.Name = "12345678";
    changed.Point = {9, 0};
    TIniFile ini = TIniFile::FromText("");
    EachKey(changed, TKeyWriter(ini, "S"));
    EXPECT_EQ(ini.Text(),
              "[S]\nPlain=-3\nLimited=1\nPulled=100\nByte=50\nPulledByte=2\nFlag=0\nColour=clRed\nName=12345678\n"
              "Point=9;0\n");
    TSample back;
    EachKey(back, TKeyReader(TIniFile::FromText(ini.Text()), "S"));
    EXPECT_EQ(back, changed);
}

TEST(IniKeysTest, EachKindKeepsItsRangeRule) {
    struct TCase {
        const char* Lines;
        TSample Expected;
    };
    const auto with = [](auto change) {
        TSample s;
        change(s);
        return s;
    };
    const std::vector<TCase> cases = {
        {"", TSample{}},
        // Malformed numbers and colours keep the defaults.
        {"Plain=x\nPulled=?\nColour=clNoSuch\n", TSample{}},
        {"Limited=101\n", TSample{}},
        {"Limited=0x10\n", with([](TSample& s) { s.Limited = 16; })},
        {"Pulled=101\n", with([](TSample& s) { s.Pulled = 100; })},
        {"Pulled=-5\n", with([](TSample& s) { s.Pulled = 1; })},
        // Bytes wrap first: 300 is 44, inside 2..50; 257 is 1, outside.
        {"Byte=300\nPulledByte=300\n", with([](TSample& s) {
             s.Byte = 44;
             s.PulledByte = 44;
         })},
        {"Byte=257\nPulledByte=257\n", with([](TSample& s) { s.PulledByte = 2; })},
        {"Flag=2\n", with([](TSample& s) { s.Flag = true; })},
        {"Flag=0\n", with([](TSample& s) { s.Flag = false; })},
        // Longer than the key allows: the default, not a cut value.
        {"Name=123456789\n", TSample{}},
        {"Point=5;6\n", with([](TSample& s) { s.Point = {5, 6}; })},
        {"Point=5;66\n", TSample{}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Lines);
        EXPECT_EQ(Read(c.Lines), c.Expected);
    }
}

}  // namespace
}  // namespace zelvo
