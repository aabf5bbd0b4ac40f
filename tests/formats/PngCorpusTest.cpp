// Every PngSuite file of the shared corpus against the reference decodes.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "CorpusReference.h"
#include "TestSupport.h"
#include "formats/PngImage.h"

namespace zelvo {
namespace {

using test::CorpusEntry;

// Where the reference peers disagree (16-bit files), the high-byte reduction
// is the row produced by "magick16" and "pillow"; that is the one we match.
const CorpusEntry* PickReference(const std::vector<CorpusEntry>& rows) {
    if (rows.size() == 1) return &rows[0];
    for (const auto& row : rows) {
        if (row.agreement.find("magick16") != std::string::npos || row.agreement.find("pillow") != std::string::npos)
            return &row;
    }
    return &rows[0];
}

// Files the corpus calls bad that this reader loads on purpose: CRCs are
// read but never checked, so a file whose only fault is a CRC loads.
const std::set<std::string> kLoadedDespiteBadCrc = {
    "png/pngsuite/xcsn0g01.png",  // IDAT CRC wrong
    "png/pngsuite/xhdn0g08.png",  // IHDR CRC wrong
};

// The refusal each other bad file gets.
const std::map<std::string, std::string> kRefusals = {
    {"png/pngsuite/xc1n0g08.png", "PNG LoadStream: Error ColorType"},  // colour type 1
    {"png/pngsuite/xc9n2c08.png", "PNG LoadStream: Error ColorType"},  // 9, masked to 1
    {"png/pngsuite/xcrn0g04.png", "PNG LoadStream: Not PNG Format"},   // CR LF mangled
    {"png/pngsuite/xd0n2c08.png", "PNG LoadStream: Error Bitdepth"},   // depth 0
    {"png/pngsuite/xd3n2c08.png", "PNG LoadStream: Error Bitdepth"},   // RGB depth 3
    {"png/pngsuite/xd9n2c08.png", "PNG LoadStream: Error Bitdepth"},   // depth 99
    {"png/pngsuite/xdtn0g01.png", "not next IDAT Chunk"},              // no IDAT at all
    {"png/pngsuite/xlfn0g04.png", "PNG LoadStream: Not PNG Format"},
    {"png/pngsuite/xs1n0g01.png", "PNG LoadStream: Not PNG Format"},
    {"png/pngsuite/xs2n0g01.png", "PNG LoadStream: Not PNG Format"},
    {"png/pngsuite/xs4n0g01.png", "PNG LoadStream: Not PNG Format"},
    {"png/pngsuite/xs7n0g01.png", "PNG LoadStream: Not PNG Format"},
};

TEST(PngCorpus, EveryGoodFileDecodesToTheReferencePixels) {
    std::map<std::string, std::vector<CorpusEntry>> byFile;
    for (auto& e : test::LoadCorpusReference("png/")) byFile[e.file].push_back(e);
    ASSERT_GT(byFile.size(), 150u);
    int checked = 0;
    for (const auto& [file, rows] : byFile) {
        if (rows[0].cls != "good") continue;
        SCOPED_TRACE(file);
        const CorpusEntry& ref = *PickReference(rows);
        TDibImage picture;
        try {
            LoadPngPictureFile(test::CorpusDir() / file, picture);
        } catch (const Exception& e) {
            ADD_FAILURE() << "refused: " << e.what() << " " << e.Detail();
            continue;
        }
        EXPECT_EQ(picture.Width(), ref.width);
        EXPECT_EQ(picture.Height(), ref.height);
        EXPECT_EQ(test::RgbSha256(picture), ref.sha256Rgb);
        ++checked;
    }
    EXPECT_EQ(checked, 161);
}

TEST(PngCorpus, BadFilesAreRefusedWithTheirMessage) {
    std::set<std::string> bad;
    for (auto& e : test::LoadCorpusReference("png/"))
        if (e.cls == "bad") bad.insert(e.file);
    EXPECT_EQ(bad.size(), kRefusals.size() + kLoadedDespiteBadCrc.size());
    for (const auto& file : bad) {
        SCOPED_TRACE(file);
        TDibImage picture;
        if (kLoadedDespiteBadCrc.count(file)) {
            EXPECT_NO_THROW(LoadPngPictureFile(test::CorpusDir() / file, picture));
            EXPECT_EQ(picture.Width(), 32);
            continue;
        }
        auto it = kRefusals.find(file);
        ASSERT_NE(it, kRefusals.end()) << "no expected refusal listed";
        try {
            LoadPngPictureFile(test::CorpusDir() / file, picture);
            ADD_FAILURE() << "loaded";
        } catch (const EPngLoadError& e) {
            EXPECT_EQ(std::string(e.what()), it->second);
        }
        // The picture given in is untouched.
        EXPECT_EQ(picture.Width(), 1);
        EXPECT_EQ(picture.BitCount(), 8);
    }
}

}  // namespace
}  // namespace zelvo
