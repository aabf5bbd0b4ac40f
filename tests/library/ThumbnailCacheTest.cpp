// The thumbnail cache: the byte layout, a round trip, the files' place, and
// every kind of damaged or hostile pair refused.

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>

#include "TestSupport.h"
#include "image/Stream.h"
#include "library/ThumbnailCache.h"

namespace zelvo {
namespace {

namespace fs = std::filesystem;
using TBytes = std::vector<std::uint8_t>;

TThumbnailCacheData SampleCache(const std::string& folder = "/pictures") {
    TThumbnailCacheData data;
    data.Set.Folder = folder;
    data.Set.ThumbSize = 16;
    data.Set.Images = {test::NoiseImage24(16, 16, 1), test::NoiseImage24(16, 16, 2),
                       test::NoiseImage24(16, 16, 3)};
    // Item order differs from image order, as after a delete.
    data.Set.Items = {{"b.jpg", 1}, {"a.jpg", 0}, {"写真.png", 2}};
    data.Background = RGB(10, 20, 30);
    data.Stamp = "0123456789abcdef";
    return data;
}

void ExpectSame(const TThumbnailCacheData& a, const TThumbnailCacheData& b) {
    EXPECT_EQ(a.Set.Folder, b.Set.Folder);
    EXPECT_EQ(a.Set.ThumbSize, b.Set.ThumbSize);
    EXPECT_EQ(a.Background, b.Background);
    EXPECT_EQ(a.Stamp, b.Stamp);
    ASSERT_EQ(a.Set.Images.size(), b.Set.Images.size());
    for (std::size_t i = 0; i < a.Set.Images.size(); ++i) {
        std::string why;
        EXPECT_TRUE(test::SamePixels(a.Set.Images[i], b.Set.Images[i], &why)) << why;
    }
    ASSERT_EQ(a.Set.Items.size(), b.Set.Items.size());
    for (std::size_t i = 0; i < a.Set.Items.size(); ++i) {
        EXPECT_EQ(a.Set.Items[i].Caption, b.Set.Items[i].Caption);
        EXPECT_EQ(a.Set.Items[i].ImageIndex, b.Set.Items[i].ImageIndex);
    }
}

std::size_t Find(const TBytes& bytes, std::string_view text, std::size_t from = 0) {
    for (std::size_t i = from; i + text.size() <= bytes.size(); ++i)
        if (std::memcmp(bytes.data() + i, text.data(), text.size()) == 0) return i;
    ADD_FAILURE() << "no " << text;
    return 0;
}

void Put32(TBytes& bytes, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes[at + std::size_t(i)] = std::uint8_t(v >> (8 * i));
}
std::uint32_t Get32(const TBytes& bytes, std::size_t at) {
    return std::uint32_t(bytes[at]) | (std::uint32_t(bytes[at + 1]) << 8) | (std::uint32_t(bytes[at + 2]) << 16) |
           (std::uint32_t(bytes[at + 3]) << 24);
}

TEST(ThumbnailCache, HeaderBytes) {
    const TBytes idx = SerializeThumbnailListView(SampleCache(), 0x1234);
    // 0xFF, type 10, "TLISTVIEW\0", flags 0x1030, stream size, "TPF0".
    const TBytes head = {0xFF, 10, 0, 'T', 'L', 'I', 'S', 'T', 'V', 'I', 'E', 'W', 0, 0x30, 0x10};
    ASSERT_GT(idx.size(), head.size() + 8);
    EXPECT_TRUE(std::equal(head.begin(), head.end(), idx.begin()));
    EXPECT_EQ(Get32(idx, 15), idx.size() - 19);
    EXPECT_EQ(std::string(idx.begin() + 19, idx.begin() + 23), "TPF0");
    // Class and component names as length byte and characters.
    EXPECT_EQ(idx[23], 9);
    EXPECT_EQ(std::string(idx.begin() + 24, idx.begin() + 33), "TListView");
    EXPECT_EQ(idx[33], 9);
    EXPECT_EQ(std::string(idx.begin() + 34, idx.begin() + 43), "ListView1");
    // "Tag" 0x1234 is a 2-byte integer (type 3), the smallest that holds it.
    EXPECT_EQ(idx[43], 3);
    EXPECT_EQ(std::string(idx.begin() + 44, idx.begin() + 47), "Tag");
    EXPECT_EQ(idx[47], 3);
    EXPECT_EQ(idx[48], 0x34);
    EXPECT_EQ(idx[49], 0x12);
    // The list ends with two zero bytes: no more properties, no children.
    EXPECT_EQ(idx[idx.size() - 1], 0);
    EXPECT_EQ(idx[idx.size() - 2], 0);

    // The first item of Items.Data: image 1, -1, -1, 0 sub-items, 0, "b.jpg".
    const std::size_t block = Find(idx, "Items.Data") + 10 + 1 + 4;
    EXPECT_EQ(Get32(idx, block), idx.size() - 2 - block);
    EXPECT_EQ(Get32(idx, block + 4), 3u);
    EXPECT_EQ(Get32(idx, block + 8), 1u);
    EXPECT_EQ(Get32(idx, block + 12), 0xFFFFFFFFu);
    EXPECT_EQ(Get32(idx, block + 16), 0xFFFFFFFFu);
    EXPECT_EQ(Get32(idx, block + 20), 0u);
    EXPECT_EQ(Get32(idx, block + 24), 0u);
    EXPECT_EQ(idx[block + 28], 5);

    const TBytes dat = SerializeThumbnailImageList(SampleCache(), 0x1234);
    EXPECT_EQ(std::string(dat.begin() + 3, dat.begin() + 14), std::string("TIMAGELIST\0", 11));
    // Bitmap: "ZTIL", version 1, 16, 16, three images of 16 x 16 x 3 bytes.
    const std::size_t bitmap = Find(dat, "ZTIL");
    EXPECT_EQ(Get32(dat, bitmap - 4), 14u + 3u * 16 * 16 * 3);
    EXPECT_EQ(Get32(dat, bitmap + 10), 3u);
}

TEST(ThumbnailCache, WrittenAndReadBackIdentical) {
    const fs::path dir = test::MakeTempDir("thumbcache");
    const TThumbnailCacheFiles files = ThumbnailCacheFiles("/pictures", dir);
    EXPECT_EQ(files.Dat.filename(), "_THUMB.DAT");
    EXPECT_EQ(files.Idx.filename(), "_THUMB.IDX");
    EXPECT_EQ(files.Dat.parent_path(), files.Idx.parent_path());
    EXPECT_EQ(files.Dat.parent_path().parent_path(), dir);
    // One pair per folder; a trailing "/" names the same folder.
    EXPECT_EQ(ThumbnailCacheFiles("/pictures/", dir).Dat, files.Dat);
    EXPECT_NE(ThumbnailCacheFiles("/pictures2", dir).Dat, files.Dat);

    ASSERT_TRUE(SaveThumbnailCache(files, SampleCache()));
    const auto back = LoadThumbnailCache(files, "/pictures/");
    ASSERT_TRUE(back);
    ExpectSame(*back, SampleCache());
    // Nothing else is left in the folder (no temporary files).
    int entries = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(files.Dat.parent_path())) ++entries;
    EXPECT_EQ(entries, 2);
    // Asked for another folder, the pair is refused.
    EXPECT_FALSE(LoadThumbnailCache(files, "/elsewhere"));
    fs::remove_all(dir);
}

TEST(ThumbnailCache, CacheFolderFollowsXdg) {
    const char* old = std::getenv("XDG_CACHE_HOME");
    const std::string saved = old ? old : "";
    ::setenv("XDG_CACHE_HOME", "/tmp/xdg-cache-test", 1);
    EXPECT_EQ(ThumbnailCacheDirectory(), fs::path("/tmp/xdg-cache-test/zelvo"));
    ::setenv("XDG_CACHE_HOME", "relative", 1);
    EXPECT_NE(ThumbnailCacheDirectory(), fs::path("relative/zelvo"));
    if (old) ::setenv("XDG_CACHE_HOME", saved.c_str(), 1);
    else ::unsetenv("XDG_CACHE_HOME");
}

TEST(ThumbnailCache, PairsNotWrittenTogetherAreRefused) {
    const fs::path dir = test::MakeTempDir("thumbpair");
    const TThumbnailCacheFiles files = ThumbnailCacheFiles("/pictures", dir);
    ASSERT_TRUE(SaveThumbnailCache(files, SampleCache()));
    const TBytes oldIdx = ReadWholeFile(files.Idx);
    ASSERT_TRUE(SaveThumbnailCache(files, SampleCache()));
    // The new .DAT with the .IDX of the write before: tags differ.
    { TFileStream(files.Idx, TFileStream::Mode::fmCreate).Write(oldIdx.data(), oldIdx.size()); }
    EXPECT_FALSE(LoadThumbnailCache(files, "/pictures"));
    fs::remove(files.Idx);
    EXPECT_FALSE(LoadThumbnailCache(files, "/pictures"));
    fs::remove_all(dir);
}

TEST(ThumbnailCache, SaveFailureLeavesNoFiles) {
    const fs::path dir = test::MakeTempDir("thumbfail");
    // A file where the pair's folder should be: nothing can be written.
    const TThumbnailCacheFiles files = ThumbnailCacheFiles("/pictures", dir);
    std::ofstream(files.Dat.parent_path()) << "x";
    EXPECT_FALSE(SaveThumbnailCache(files, SampleCache()));
    EXPECT_FALSE(fs::exists(files.Dat));
    fs::remove_all(dir);
}

struct THostileCase {
    const char* Name;
    bool InDat;  ///< the change is made to the .DAT bytes (else the .IDX)
    std::function<void(TBytes&)> Spoil;
};

/// Renames the first caption (5 bytes, "b.jpg") to `name` of the same length.
std::function<void(TBytes&)> Caption(std::string name) {
    return [name](TBytes& idx) {
        const std::size_t at = Find(idx, "b.jpg");
        std::memcpy(idx.data() + at, name.data(), 5);
    };
}

class ThumbnailCacheHostile : public ::testing::TestWithParam<THostileCase> {};

TEST_P(ThumbnailCacheHostile, Refused) {
    const TThumbnailCacheData sample = SampleCache();
    TBytes dat = SerializeThumbnailImageList(sample, 77);
    TBytes idx = SerializeThumbnailListView(sample, 77);
    ASSERT_NO_THROW(ParseThumbnailCache(dat, idx, "/pictures"));
    GetParam().Spoil(GetParam().InDat ? dat : idx);
    EXPECT_THROW(ParseThumbnailCache(dat, idx, "/pictures"), Exception);
    // Through the files as well: refused, never a crash.
    const fs::path dir = test::MakeTempDir("thumbhostile");
    const TThumbnailCacheFiles files = ThumbnailCacheFiles("/pictures", dir);
    fs::create_directories(files.Dat.parent_path());
    { TFileStream(files.Dat, TFileStream::Mode::fmCreate).Write(dat.data(), dat.size()); }
    { TFileStream(files.Idx, TFileStream::Mode::fmCreate).Write(idx.data(), idx.size()); }
    EXPECT_FALSE(LoadThumbnailCache(files, "/pictures"));
    fs::remove_all(dir);
}

TEST(ThumbnailCacheHostileMessage, InvalidStreamFormat) {
    TBytes dat = SerializeThumbnailImageList(SampleCache(), 1);
    const TBytes idx = SerializeThumbnailListView(SampleCache(), 1);
    dat[0] = 0xFE;
    try {
        ParseThumbnailCache(dat, idx, "/pictures");
        FAIL();
    } catch (const EThumbnailCacheError& e) {
        EXPECT_STREQ(e.what(), "不正なストリーム フォーマット");
    }
}

std::size_t BlockStart(const TBytes& idx) { return Find(idx, "Items.Data") + 10 + 1 + 4; }

const THostileCase kHostile[] = {
    {"FirstByte", true, [](TBytes& b) { b[0] = 0; }},
    {"ResourceType", false, [](TBytes& b) { b[1] = 11; }},
    {"ResourceNameWithoutEnd", false,
     [](TBytes& b) {
         b.resize(12);
         std::fill(b.begin() + 3, b.end(), 'A');
     }},
    {"WrongResourceName", true, [](TBytes& b) { b[4] = 'X'; }},
    {"MemoryFlags", true, [](TBytes& b) { b[14] = 0; }},
    {"StreamSizeTooLarge", false, [](TBytes& b) { Put32(b, 15, Get32(b, 15) + 1); }},
    {"StreamSizeHuge", true, [](TBytes& b) { Put32(b, 16, 0xFFFFFFF0u); }},
    {"StreamSizeTooSmall", false, [](TBytes& b) { Put32(b, 15, Get32(b, 15) - 1); }},
    {"TrailingBytes", false,
     [](TBytes& b) {
         b.push_back(0);
         Put32(b, 15, Get32(b, 15) + 1);
     }},
    {"Truncated", true,
     [](TBytes& b) {
         b.resize(b.size() / 2);
         Put32(b, 16, std::uint32_t(b.size() - 20));
     }},
    {"Signature", false, [](TBytes& b) { b[19] = 'X'; }},
    {"ClassName", false, [](TBytes& b) { b[24] = 'X'; }},
    {"ClassNameLength", false, [](TBytes& b) { b[23] = 200; }},
    {"UnknownValueType", false, [](TBytes& b) { b[47] = 5; }},
    {"ValueTypeBeyondTable", false, [](TBytes& b) { b[47] = 0xEE; }},
    {"TagMismatch", false, [](TBytes& b) { b[48] = 78; }},
    {"TagMissing", true, [](TBytes& b) { b[Find(b, "Tag")] = 'X'; }},
    {"OtherFolder", false, [](TBytes& b) { b[Find(b, "/pictures") + 1] = 'q'; }},
    {"FolderLengthHuge", false, [](TBytes& b) { Put32(b, Find(b, "/pictures") - 4, 0x7FFFFFFF); }},
    {"BinaryLengthHuge", false, [](TBytes& b) { Put32(b, BlockStart(b) - 4, 0xFFFFFFFFu); }},
    {"BitmapMagic", true, [](TBytes& b) { b[Find(b, "ZTIL")] = 'X'; }},
    {"BitmapImageCountTooHigh", true, [](TBytes& b) { Put32(b, Find(b, "ZTIL") + 10, 4); }},
    {"BitmapImageCountHuge", true, [](TBytes& b) { Put32(b, Find(b, "ZTIL") + 10, 0x40000000u); }},
    {"BitmapImageCountTooLow", true, [](TBytes& b) { Put32(b, Find(b, "ZTIL") + 10, 2); }},
    {"BitmapSizeDiffers", true, [](TBytes& b) { b[Find(b, "ZTIL") + 6] = 17; }},
    {"ThumbSizeZero", true,
     [](TBytes& b) {
         b[Find(b, "Height") + 7] = 0;
         b[Find(b, "Width") + 6] = 0;
     }},
    {"ItemBlockTotal", false, [](TBytes& b) { Put32(b, BlockStart(b), Get32(b, BlockStart(b)) + 1); }},
    {"ItemCountTooHigh", false, [](TBytes& b) { Put32(b, BlockStart(b) + 4, 4); }},
    {"ItemCountHuge", false, [](TBytes& b) { Put32(b, BlockStart(b) + 4, 0xFFFFFFFFu); }},
    {"ItemCountTooLow", false, [](TBytes& b) { Put32(b, BlockStart(b) + 4, 2); }},
    {"ImageIndexPastEnd", false, [](TBytes& b) { Put32(b, BlockStart(b) + 8, 3); }},
    {"ImageIndexNegative", false, [](TBytes& b) { Put32(b, BlockStart(b) + 8, 0xFFFFFFFFu); }},
    {"SubItems", false, [](TBytes& b) { Put32(b, BlockStart(b) + 20, 1); }},
    {"StateIndex", false, [](TBytes& b) { Put32(b, BlockStart(b) + 12, 0); }},
    {"CaptionLengthPastEnd", false, [](TBytes& b) { b[BlockStart(b) + 28] = 250; }},
    {"CaptionEmpty", false,
     [](TBytes& b) {
         // "b.jpg" shortened to nothing; the block and stream sizes follow.
         const std::size_t at = BlockStart(b) + 28;
         b[at] = 0;
         b.erase(b.begin() + std::ptrdiff_t(at) + 1, b.begin() + std::ptrdiff_t(at) + 6);
         Put32(b, BlockStart(b), Get32(b, BlockStart(b)) - 5);
         Put32(b, BlockStart(b) - 4, Get32(b, BlockStart(b) - 4) - 5);
         Put32(b, 15, Get32(b, 15) - 5);
     }},
    {"CaptionWithSlash", false, Caption("../x/")},
    {"CaptionPath", false, Caption("a/b.j")},
    {"CaptionWithNul", false, Caption(std::string("a\0b.j", 5))},
    {"CaptionDotDot", false,
     [](TBytes& b) {
         const std::size_t at = BlockStart(b) + 28;
         b[at] = 2;
         b[at + 1] = '.';
         b[at + 2] = '.';
         // Keep the sizes: the three bytes left over become a fake item
         // tail, which the block's end check refuses anyway.
     }},
    {"Children", true, [](TBytes& b) { b[b.size() - 1] = 1; }},
};

INSTANTIATE_TEST_SUITE_P(Cases, ThumbnailCacheHostile, ::testing::ValuesIn(kHostile),
                         [](const auto& test) { return std::string(test.param.Name); });

TEST(ThumbnailCache, DotDotCaptionAloneIsRefused) {
    // A well-formed block whose caption is exactly "..".
    TThumbnailCacheData data = SampleCache();
    data.Set.Items[0].Caption = "..";
    const TBytes dat = SerializeThumbnailImageList(data, 5);
    const TBytes idx = SerializeThumbnailListView(data, 5);
    EXPECT_THROW(ParseThumbnailCache(dat, idx, "/pictures"), EThumbnailCacheError);
    data.Set.Items[0].Caption = ".";
    EXPECT_THROW(ParseThumbnailCache(SerializeThumbnailImageList(data, 5), SerializeThumbnailListView(data, 5),
                                     "/pictures"),
                 EThumbnailCacheError);
}

TEST(ThumbnailCache, EveryPrefixIsRefused) {
    const TBytes dat = SerializeThumbnailImageList(SampleCache(), 9);
    const TBytes idx = SerializeThumbnailListView(SampleCache(), 9);
    for (std::size_t n = 0; n < idx.size(); ++n) {
        const TBytes part(idx.begin(), idx.begin() + std::ptrdiff_t(n));
        EXPECT_THROW(ParseThumbnailCache(dat, part, "/pictures"), Exception) << n;
    }
    for (std::size_t n = 0; n < dat.size(); n += 7) {
        const TBytes part(dat.begin(), dat.begin() + std::ptrdiff_t(n));
        EXPECT_THROW(ParseThumbnailCache(part, idx, "/pictures"), Exception) << n;
    }
}

TEST(ThumbnailCache, FolderStampFollowsTheFiles) {
    const fs::path dir = test::MakeTempDir("thumbstamp");
    std::ofstream(dir / "a.jpg") << "1";
    const std::string first = FolderStamp(dir, "*.jpg ");
    EXPECT_EQ(first.size(), 16u);
    EXPECT_EQ(FolderStamp(dir, "*.jpg "), first);
    std::ofstream(dir / "notes.txt") << "not a picture";
    EXPECT_EQ(FolderStamp(dir, "*.jpg "), first);
    std::ofstream(dir / "b.jpg") << "2";
    EXPECT_NE(FolderStamp(dir, "*.jpg "), first);
    EXPECT_EQ(FolderStamp(dir / "missing", "*.jpg "), "");
    fs::remove_all(dir);
}

}  // namespace
}  // namespace zelvo
