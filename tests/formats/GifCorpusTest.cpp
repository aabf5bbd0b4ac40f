// Every GIF of the shared corpus against the reference decodes (first
// frame).
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "CorpusReference.h"
#include "TestSupport.h"
#include "formats/GifImage.h"

namespace zelvo {
namespace {

using test::CorpusEntry;

TDibImage Decode(const std::string& file) {
    TGIFImage gif;
    gif.LoadFromFile(test::CorpusDir() / file);
    return gif.ToDibImage();
}

TEST(GifCorpus, EveryGoodFileDecodesToTheReferencePixels) {
    std::map<std::string, std::vector<CorpusEntry>> byFile;
    for (auto& e : test::LoadCorpusReference("gif/")) byFile[e.file].push_back(e);
    int checked = 0;
    std::vector<std::string> mismatched;
    for (const auto& [file, rows] : byFile) {
        if (rows[0].cls != "good") continue;
        SCOPED_TRACE(file);
        TDibImage picture;
        try {
            picture = Decode(file);
        } catch (const Exception& e) {
            ADD_FAILURE() << "refused: " << e.what() << " " << e.Detail();
            continue;
        }
        bool any = false;
        for (const CorpusEntry& ref : rows) {
            any = any || (picture.Width() == ref.width && picture.Height() == ref.height &&
                          test::RgbSha256(picture) == ref.sha256Rgb);
        }
        if (!any) mismatched.push_back(file);
        ++checked;
    }
    EXPECT_EQ(checked, 49);
    // The first frame of this file is smaller than the screen and runs past
    // its bottom edge: the screen around it keeps palette index 0, where the
    // reference decoders show the frame's transparent background.
    EXPECT_EQ(mismatched, std::vector<std::string>{"gif/image-rs/large-gif-anim-combine.gif"});
}

TEST(GifCorpus, BadFilesAreRefusedAndQuestionableOnesDoNotCrash) {
    for (auto& e : test::LoadCorpusReference("gif/")) {
        if (e.cls == "good") continue;
        SCOPED_TRACE(e.file);
        if (e.cls == "bad") {
            EXPECT_THROW(Decode(e.file), Exception);
            continue;
        }
        try {
            const TDibImage picture = Decode(e.file);
            EXPECT_GT(picture.Width(), 0);
        } catch (const Exception&) {
        }
    }
}

}  // namespace
}  // namespace zelvo
