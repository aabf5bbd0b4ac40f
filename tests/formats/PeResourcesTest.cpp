// Icon groups of hand-made programs: a good resource tree, then trees that
// loop, nest too deep, or point outside the file or its sections.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "IconTestSupport.h"
#include "formats/IconFile.h"
#include "formats/PeResources.h"
#include "image/Exceptions.h"

namespace zelvo {
namespace {

using test::Put16;
using test::Put32;

constexpr std::size_t kSectionFile = 0x200;  // the section's raw data
constexpr std::uint32_t kSectionRva = 0x1000;
constexpr std::size_t kDataAt = 0x200;       // icon and group data, from the section start

// Offsets of the parts of the tree, from the section (= tree root) start.
constexpr std::size_t kRoot = 0x00, kIconType = 0x30, kGroupType = 0x60, kIcon1Lang = 0x90, kIcon2Lang = 0xA8,
                      kGroupLang = 0xC0, kIcon1Data = 0xD8, kIcon2Data = 0xE8, kGroupData = 0xF8;

void Set32(std::vector<std::uint8_t>& f, std::size_t at, std::uint32_t v) { std::memcpy(&f[at], &v, 4); }
void Set16(std::vector<std::uint8_t>& f, std::size_t at, std::uint16_t v) { std::memcpy(&f[at], &v, 2); }

// One directory at `at`: header with `count` numbered entries, then the
// entries (id, target with the directory bit when `dirs`).
void Directory(std::vector<std::uint8_t>& f, std::size_t at, std::vector<std::pair<std::uint32_t, std::uint32_t>> entries,
               bool dirs) {
    Set16(f, kSectionFile + at + 14, std::uint16_t(entries.size()));
    for (std::size_t i = 0; i < entries.size(); ++i) {
        Set32(f, kSectionFile + at + 16 + 8 * i, entries[i].first);
        Set32(f, kSectionFile + at + 20 + 8 * i, entries[i].second | (dirs ? 0x80000000u : 0));
    }
}

// A 32-bit program with one section holding an icon group 5 of two 2 x 2
// icons (ids 1 and 2).
std::vector<std::uint8_t> MakeProgram() {
    const std::vector<std::uint8_t> icon = test::TwoByTwoMono();
    std::vector<std::uint8_t> group;
    Put16(group, 0);
    Put16(group, 1);
    Put16(group, 2);
    for (unsigned id : {1u, 2u}) {
        group.insert(group.end(), {2, 2, 2, 0});
        Put16(group, 1);
        Put16(group, 1);
        Put32(group, std::uint32_t(icon.size()));
        Put16(group, id);
    }
    const std::size_t sectionSize = 0x400;
    std::vector<std::uint8_t> f(kSectionFile + sectionSize, 0);
    f[0] = 'M';
    f[1] = 'Z';
    Set32(f, 0x3C, 0x40);
    std::memcpy(&f[0x40], "PE\0\0", 4);
    Set16(f, 0x44, 0x14C);
    Set16(f, 0x46, 1);      // sections
    Set16(f, 0x54, 224);    // optional header size
    const std::size_t opt = 0x58;
    Set16(f, opt, 0x10B);
    Set32(f, opt + 60, 0x200);  // size of headers
    Set32(f, opt + 92, 16);     // data directories
    Set32(f, opt + 96 + 16, kSectionRva);
    Set32(f, opt + 96 + 20, 0x100);
    const std::size_t section = opt + 224;
    std::memcpy(&f[section], ".rsrc", 5);
    Set32(f, section + 8, sectionSize);
    Set32(f, section + 12, kSectionRva);
    Set32(f, section + 16, sectionSize);
    Set32(f, section + 20, kSectionFile);

    Directory(f, kRoot, {{3, kIconType}, {14, kGroupType}}, true);
    Directory(f, kIconType, {{1, kIcon1Lang}, {2, kIcon2Lang}}, true);
    Directory(f, kGroupType, {{5, kGroupLang}}, true);
    Directory(f, kIcon1Lang, {{0x409, kIcon1Data}}, false);
    Directory(f, kIcon2Lang, {{0x409, kIcon2Data}}, false);
    Directory(f, kGroupLang, {{0x409, kGroupData}}, false);
    const std::size_t icon2At = kDataAt + icon.size(), groupAt = icon2At + icon.size();
    for (auto [entry, at, size] : {std::tuple{kIcon1Data, kDataAt, icon.size()},
                                   std::tuple{kIcon2Data, icon2At, icon.size()},
                                   std::tuple{kGroupData, groupAt, group.size()}}) {
        Set32(f, kSectionFile + entry, std::uint32_t(kSectionRva + at));
        Set32(f, kSectionFile + entry + 4, std::uint32_t(size));
    }
    std::memcpy(&f[kSectionFile + kDataAt], icon.data(), icon.size());
    std::memcpy(&f[kSectionFile + icon2At], icon.data(), icon.size());
    std::memcpy(&f[kSectionFile + groupAt], group.data(), group.size());
    return f;
}

TEST(PeResources, ReadsTheGroupsOfAHandMadeProgram) {
    const auto file = MakeProgram();
    const auto groups = ReadPeIconGroups(file);
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(groups[0].Name, "5");
    ASSERT_EQ(groups[0].Icons.size(), 2u);
    EXPECT_EQ(groups[0].Icons[1].IconId, 2);
    EXPECT_EQ(groups[0].Icons[0].Offset, kSectionFile + kDataAt);

    TAdvancedIcon icon;
    ASSERT_TRUE(icon.LoadFromMemory(file));
    ASSERT_EQ(icon.Count(), 2);
    EXPECT_EQ(icon.Images(1)->Name(), "5/1");
    EXPECT_EQ(icon.IndexOfName("5/1"), 1);
    EXPECT_EQ(icon.IndexOfName("5/2"), -1);
    TDibImage t;
    t.ReplaceData(TDibImageData::CreateDIB(2, 2, 0, 24, false));
    EXPECT_TRUE(icon.Images(0)->Draw(t, 0, 0));
    EXPECT_EQ(t.GetPixels(0, 0), RGB(255, 255, 255));
}

TEST(PeResources, BrokenTreesAreRefusedCleanly) {
    struct TCase {
        const char* Name;
        void (*Break)(std::vector<std::uint8_t>& f);
        std::size_t Images;  // what is left to offer
    };
    const TCase cases[] = {
        {"group type points back at the root",
         [](auto& f) { Set32(f, kSectionFile + kRoot + 28, 0x80000000u | kRoot); }, 0},
        {"icon names point back at their own directory",
         [](auto& f) { Set32(f, kSectionFile + kIconType + 20, 0x80000000u | kIconType); }, 1},
        {"a fourth level under a language",
         [](auto& f) { Set32(f, kSectionFile + kGroupLang + 20, 0x80000000u | kRoot); }, 0},
        {"icon data outside the section",
         [](auto& f) { Set32(f, kSectionFile + kIcon1Data, kSectionRva + 0x3FF); }, 1},
        {"icon data of size 0", [](auto& f) { Set32(f, kSectionFile + kIcon2Data + 4, 0); }, 1},
        {"huge group size", [](auto& f) { Set32(f, kSectionFile + kGroupData + 4, 0xFFFFFFFFu); }, 0},
        {"directory counts far beyond the section",
         [](auto& f) { Set16(f, kSectionFile + kIconType + 12, 0xFFFF); }, 2},
        {"group counts more entries than it holds",
         [](auto& f) { Set16(f, kSectionFile + kDataAt + 2 * test::TwoByTwoMono().size() + 4, 0xFFFF); }, 2},
        {"tree root outside every section", [](auto& f) { Set32(f, 0x58 + 96 + 16, 0x9000); }, 0},
        {"no resource entry", [](auto& f) { Set32(f, 0x58 + 96 + 16, 0); }, 0},
        {"section beyond the file's end", [](auto& f) { Set32(f, 0x58 + 224 + 20, 0x7FFFFFF0); }, 0},
        {"section count 65535", [](auto& f) { Set16(f, 0x46, 0xFFFF); }, 2},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        auto file = MakeProgram();
        c.Break(file);
        std::size_t listed = 0;
        for (const auto& g : ReadPeIconGroups(file)) listed += g.Icons.size();
        EXPECT_EQ(listed, c.Images);
        TAdvancedIcon icon;
        EXPECT_EQ(icon.LoadFromMemory(file), c.Images > 0);
        EXPECT_EQ(std::size_t(icon.Count()), c.Images);
    }
}

TEST(PeResources, HeadersOutsideTheFileAreNotAProgram) {
    auto file = MakeProgram();
    // New header beyond the end: not even recognised as a program.
    auto far = file;
    Set32(far, 0x3C, 0x10000);
    EXPECT_FALSE(IsPeFile(far));
    TAdvancedIcon icon;
    EXPECT_FALSE(icon.LoadFromMemory(far));
    // Cut inside the optional header: recognised, refused.
    file.resize(0x60);
    EXPECT_TRUE(IsPeFile(file));
    EXPECT_THROW(ReadPeIconGroups(file), EInvalidGraphic);
    EXPECT_FALSE(icon.LoadFromMemory(file));
    // An unknown optional header.
    auto odd = MakeProgram();
    Set16(odd, 0x58, 0x107);
    EXPECT_THROW(ReadPeIconGroups(odd), EInvalidGraphic);
}

}  // namespace
}  // namespace zelvo
