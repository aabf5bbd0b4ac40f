// Every BMP of the shared corpus against the reference decodes: good files
// give the reference pixels, bad files are refused with one of our exception
// types, questionable ones end cleanly either way.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <set>

#include "CorpusReference.h"
#include "TestSupport.h"
#include "image/DibImage.h"
#include "image/DibRle.h"
#include "reference/Sha256.h"

namespace zelvo {
namespace {

struct Outcome {
    bool decoded = false;
    std::string sha;      // RGB rows top-down when decoded
    std::string message;  // what() when refused
    int width = 0, height = 0;
};

// Load (file or packed DIB), decode RLE, expand to RGB.
Outcome Decode(const std::filesystem::path& path) {
    Outcome out;
    try {
        TDibImage image;
        if (path.extension() == ".dib") {
            const auto bytes = ReadWholeFile(path);
            image.LoadFromClipboardFormat(CF_DIB, bytes, nullptr);
        } else {
            image.LoadFromFile(path);
        }
        const TDibPixelFormat format = image.GetPixelFormat();
        if (format == dibPf8BitRLE) image.ReplaceData(Convert8BitRLETo8BitRGB(*image.DibData()));
        if (format == dibPf4BitRLE) image.ReplaceData(Convert4BitRLETo4BitRGB(*image.DibData()));
        out.sha = test::RgbSha256(image);
        out.width = image.Width();
        out.height = image.Height();
        out.decoded = true;
    } catch (const Exception& e) {
        out.message = e.what();
    }
    return out;
}

struct FileRows {
    std::string cls;
    std::set<std::string> shas;
    int width = 0, height = 0;
};

std::map<std::string, FileRows> BmpReference() {
    std::map<std::string, FileRows> files;
    for (const auto& row : test::LoadCorpusReference("bmp/")) {
        auto& f = files[row.file];
        f.cls = row.cls;
        if (row.sha256Rgb != "-") f.shas.insert(row.sha256Rgb);
        f.width = row.width;
        f.height = row.height;
    }
    return files;
}

// Good files whose every peer scales bit-field channels differently from the
// program's rule (channel x 255 div the mask moved to 128..255): 4-bit
// channels, where the peers give 0xF0 or other values for a full 0xF and the
// rule gives 255, and a 17-bit channel, which the rule cuts to its top 8 bits.
// They must decode; their exact values are checked in BmpReadTest.
const std::set<std::string> kPeersScaleOtherwise = {
    "bmp/image-rs/V3_A4_R4_G4_B4.bmp", "bmp/image-rs/V3_A4_R4_G4_B4_Top_Down.bmp",
    "bmp/image-rs/V3_X4_R4_G4_B4.bmp", "bmp/image-rs/V3_X4_R4_G4_B4_Top_Down.bmp",
    "bmp/image-rs/rgba32-61754.bmp",
};

TEST(BmpCorpus, GoodFilesDecodeToReferencePixels) {
    int checked = 0;
    for (const auto& [file, ref] : BmpReference()) {
        if (ref.cls != "good") continue;
        SCOPED_TRACE(file);
        const Outcome out = Decode(test::CorpusDir() / file);
        ASSERT_TRUE(out.decoded) << out.message;
        EXPECT_EQ(out.width, ref.width);
        EXPECT_EQ(out.height, ref.height);
        if (!kPeersScaleOtherwise.count(file)) {
            EXPECT_TRUE(ref.shas.count(out.sha)) << "pixels differ from every reference decode";
        }
        ++checked;
    }
    EXPECT_EQ(checked, 76);
}

// Bad files the reader takes on purpose: their faults lie in fields the
// program ignores (planes, resolution, size image), in palette indices past
// the colour table (read as the zero entries), or they are top-down RLE files,
// whose rows are decoded in stored order like any top-down file.
const std::set<std::string> kBadButRead = {
    "bmp/bmpsuite/b/badbitssize.bmp", "bmp/bmpsuite/b/baddens1.bmp",      "bmp/bmpsuite/b/baddens2.bmp",
    "bmp/bmpsuite/b/badplanes.bmp",   "bmp/bmpsuite/b/pal8badindex.bmp", "bmp/bmpsuite/b/rletopdown.bmp",
};

TEST(BmpCorpus, BadFilesAreRefusedWithTypedExceptions) {
    for (const auto& [file, ref] : BmpReference()) {
        if (ref.cls != "bad") continue;
        SCOPED_TRACE(file);
        const Outcome out = Decode(test::CorpusDir() / file);  // only our exceptions are caught
        if (kBadButRead.count(file)) {
            EXPECT_TRUE(out.decoded) << out.message;
        } else {
            EXPECT_FALSE(out.decoded);
            EXPECT_FALSE(out.message.empty());
        }
    }
}

TEST(BmpCorpus, QuestionableFilesEndCleanly) {
    int decoded = 0, matching = 0, refused = 0;
    for (const auto& [file, ref] : BmpReference()) {
        if (ref.cls != "questionable") continue;
        SCOPED_TRACE(file);
        const Outcome out = Decode(test::CorpusDir() / file);
        if (out.decoded) {
            ++decoded;
            if (ref.shas.count(out.sha)) ++matching;
        } else {
            ++refused;
        }
        std::printf("  %-58s %s\n", file.c_str(),
                    out.decoded ? (ref.shas.count(out.sha) ? "decoded, matches a peer" : "decoded, differs")
                                : ("refused: " + out.message).c_str());
    }
    std::printf("questionable: %d decoded (%d match a peer), %d refused\n", decoded, matching, refused);
    EXPECT_GT(decoded + refused, 0);
}

}  // namespace
}  // namespace zelvo
