// The recovery file gives back exactly what was written (pixels at every
// depth with their colour table, names, save options, metadata), is
// written through a temporary file with mode 0600, and refuses hostile
// files before allocating anything: truncated, wrong sizes, huge
// dimensions, links, other users' files.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>

#include "TestSupport.h"
#include "document/RecoveryFile.h"
#include "image/Exceptions.h"

namespace zelvo {
namespace {

namespace fs = std::filesystem;
using test::NoiseImage24;
using test::NoiseImagePalette;
using test::SamePixels;

TRecoveryInfo SampleInfo() {
    TRecoveryInfo info;
    info.FileName = "/home/user/写真/scan 1.PNG";
    info.Format = ".png";
    info.SavedTime = 1765260000;
    info.SaveQuality = 73;
    info.SaveTransparent = true;
    info.SaveProgressive = false;
    info.ColorKeyed = true;
    info.TransparentColor = RGB(1, 2, 3);
    info.TransparentIndex = 9;
    info.Metadata.Source = TMetadataSource::Png;
    info.Metadata.Orientation = 6;
    info.Metadata.PictureChanged = true;
    info.Metadata.Blocks = {{0x74455874, {'a', 0, 'b'}}, {0x69434350, std::vector<std::uint8_t>(300, 7)}};
    return info;
}

void PutLE(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint64_t value, int size) {
    for (int i = 0; i < size; ++i) bytes[at + std::size_t(i)] = std::uint8_t(value >> (8 * i));
}

TEST(RecoveryFile, RoundTripKeepsPixelsTableAndInfoAtEveryDepth) {
    struct Case {
        const char* name;
        TDibImage picture;
    };
    // Odd widths leave padding in every row; 700 rows of 1800 bytes make
    // two bands.
    const Case cases[] = {
        {"1-bit", NoiseImagePalette(13, 5, 1, 2, 1)},
        {"4-bit", NoiseImagePalette(7, 9, 4, 11, 2)},
        {"8-bit", NoiseImagePalette(31, 3, 8, 256, 3, true)},
        {"24-bit", NoiseImage24(5, 4, 4)},
        {"24-bit top-down", NoiseImage24(9, 2, 5, true)},
        {"24-bit one pixel", NoiseImage24(1, 1, 6)},
        {"24-bit two bands", NoiseImage24(600, 700, 7)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const TRecoveryInfo info = SampleInfo();
        const std::vector<std::uint8_t> bytes = SerializeRecoveryFile(info, TRecoveryRows::Of(c.picture));
        const TRecoveredPicture back = ParseRecoveryFile(bytes);
        std::string why;
        EXPECT_TRUE(SamePixels(back.Pixels, c.picture, &why)) << why;
        EXPECT_EQ(back.Info.FileName, info.FileName);
        EXPECT_EQ(back.Info.Format, info.Format);
        EXPECT_EQ(back.Info.SavedTime, info.SavedTime);
        EXPECT_EQ(back.Info.SaveQuality, 73);
        EXPECT_TRUE(back.Info.SaveTransparent);
        EXPECT_FALSE(back.Info.SaveProgressive);
        EXPECT_TRUE(back.Info.ColorKeyed);
        EXPECT_EQ(back.Info.TransparentColor, RGB(1, 2, 3));
        EXPECT_EQ(back.Info.TransparentIndex, 9);
        EXPECT_EQ(back.Info.Metadata.Source, TMetadataSource::Png);
        EXPECT_EQ(back.Info.Metadata.Orientation, 6);
        EXPECT_TRUE(back.Info.Metadata.PictureChanged);
        EXPECT_EQ(back.Info.Metadata.Blocks, info.Metadata.Blocks);
    }
}

TEST(RecoveryFile, WritesThroughATemporaryFileWithMode0600AndStopsWhenCancelled) {
    const fs::path dir = test::MakeTempDir("zelvo-recovery-file");
    const fs::path target = dir / "0123456789abcdef.zvr";
    const TDibImage first = NoiseImage24(40, 30, 1);
    std::uint64_t bytes = 0;
    ASSERT_EQ(WriteRecoveryFile(target, SampleInfo(), TRecoveryRows::Of(first), nullptr, &bytes),
              TRecoveryWrite::Written);
    struct stat st {};
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    EXPECT_EQ(std::uint64_t(st.st_size), bytes);
    EXPECT_FALSE(fs::exists(target.string() + ".tmp"));

    // A cancelled write leaves the last file as it was, and no temporary
    // file; a link put in the temporary file's place is not followed.
    const fs::path victim = dir / "victim";
    std::ofstream(victim) << "keep";
    fs::create_symlink(victim, target.string() + ".tmp");
    std::atomic<bool> cancel{true};
    EXPECT_EQ(WriteRecoveryFile(target, SampleInfo(), TRecoveryRows::Of(NoiseImage24(40, 30, 2)), &cancel),
              TRecoveryWrite::Cancelled);
    EXPECT_FALSE(fs::exists(fs::symlink_status(target.string() + ".tmp")));
    EXPECT_TRUE(SamePixels(ReadRecoveryFile(target, ::geteuid()).Pixels, first));
    std::ifstream in(victim);
    std::string kept;
    in >> kept;
    EXPECT_EQ(kept, "keep");
    // A folder that is gone fails without throwing.
    EXPECT_EQ(WriteRecoveryFile(dir / "missing" / "x.zvr", SampleInfo(), TRecoveryRows::Of(first)),
              TRecoveryWrite::Failed);
    fs::remove_all(dir);
}

TEST(RecoveryFile, RefusesHostileBytesBeforeAllocating) {
    const TDibImage picture = NoiseImagePalette(6, 3, 8, 4, 9);
    const std::vector<std::uint8_t> good = SerializeRecoveryFile(SampleInfo(), TRecoveryRows::Of(picture));
    ASSERT_NO_THROW(ParseRecoveryFile(good));
    // The info block starts with the four colours; the bands follow it.
    const std::size_t info = kRecoveryHeaderBytes;
    const std::size_t bands = info + (good[40] | (good[41] << 8) | (good[42] << 16));
    ASSERT_EQ(picture.ColorsUsed(), 4);
    ASSERT_LT(bands, good.size());

    struct Case {
        const char* name;
        std::function<void(std::vector<std::uint8_t>&)> corrupt;
        const char* detail;  // start of Detail(), empty for a read past the end
    };
    const Case cases[] = {
        {"magic", [](auto& b) { b[0] = 'X'; }, "magic"},
        {"version 2", [](auto& b) { PutLE(b, 8, 2, 4); }, "version 2"},
        {"header bytes", [](auto& b) { PutLE(b, 12, 64, 4); }, "header bytes 64"},
        {"16 bits", [](auto& b) { PutLE(b, 32, 16, 2); }, "bit count 16"},
        {"no colours at 8 bits", [](auto& b) { PutLE(b, 34, 0, 2); }, "colours 0 at 8 bits"},
        {"257 colours", [](auto& b) { PutLE(b, 34, 257, 2); }, "colours 257 at 8 bits"},
        {"width 0", [](auto& b) { PutLE(b, 24, 0, 4); }, "width 0"},
        {"100000 x 100000", [](auto& b) { PutLE(b, 24, 100000, 4), PutLE(b, 28, 100000, 4); }, "width 100000"},
        {"16384 x 16384 in a small file",
         [](auto& b) { PutLE(b, 24, 16384, 4), PutLE(b, 28, 16384, 4), PutLE(b, 36, 1, 4), PutLE(b, 44, 16384, 4); },
         "a picture of"},
        {"no rows per band", [](auto& b) { PutLE(b, 36, 0, 4); }, "rows per band 0"},
        {"band larger than the limit", [](auto& b) { PutLE(b, 36, 0x7FFFFFFF, 4); }, "rows per band"},
        {"band count", [](auto& b) { PutLE(b, 44, 2, 4); }, "band count 2"},
        {"info block past the end", [](auto& b) { PutLE(b, 40, 0xFFFFFFF0u, 4); }, "info bytes"},
        {"quality 0", [info](auto& b) { b[info + 16] = 0; }, "quality 0"},
        {"name longer than the block", [info](auto& b) { PutLE(b, info + 16 + 9, 0xFFFF, 4); }, ""},
        {"band length past the end", [bands](auto& b) { PutLE(b, bands, 0xFFFFFF, 4); }, ""},
        {"band bytes changed", [](auto& b) { b[b.size() - 3] ^= 0x55; }, "band 0"},
        {"bytes after the last band", [](auto& b) { b.push_back(0); }, "1 bytes after"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::uint8_t> bytes = good;
        c.corrupt(bytes);
        if (*c.detail == '\0') {
            EXPECT_THROW(ParseRecoveryFile(bytes), EReadError);
            continue;
        }
        try {
            ParseRecoveryFile(bytes);
            ADD_FAILURE() << "accepted";
        } catch (const EInvalidGraphic& e) {
            EXPECT_STREQ(e.what(), "TRecoveryFile.Read: Invalid Recovery File");
            EXPECT_EQ(e.Detail().rfind(c.detail, 0), 0u) << e.Detail();
        }
    }
    // Every prefix of the file is refused.
    for (std::size_t size = 0; size < good.size(); ++size) {
        SCOPED_TRACE(size);
        EXPECT_THROW(ParseRecoveryFile(std::span(good.data(), size)), Exception);
    }
}

TEST(RecoveryFile, ReaderOpensOnlyPlainFilesOfItsUser) {
    const fs::path dir = test::MakeTempDir("zelvo-recovery-open");
    const fs::path file = dir / "a.zvr";
    ASSERT_EQ(WriteRecoveryFile(file, SampleInfo(), TRecoveryRows::Of(NoiseImage24(3, 3, 1))),
              TRecoveryWrite::Written);
    fs::create_symlink(file, dir / "link.zvr");
    fs::create_directory(dir / "folder.zvr");
    const unsigned uid = ::geteuid();
    EXPECT_NO_THROW(ReadRecoveryFile(file, uid));
    struct Case {
        fs::path path;
        unsigned owner;
    };
    for (const Case& c : {Case{dir / "link.zvr", uid}, Case{dir / "folder.zvr", uid}, Case{file, uid + 1},
                          Case{dir / "missing.zvr", uid}}) {
        SCOPED_TRACE(c.path.string());
        try {
            ReadRecoveryFile(c.path, c.owner);
            ADD_FAILURE() << "opened";
        } catch (const EFOpenError& e) {
            EXPECT_EQ(std::string(e.what()), "Cannot open file \"" + c.path.string() + "\"");
        }
    }
    fs::remove_all(dir);
}

}  // namespace
}  // namespace zelvo
