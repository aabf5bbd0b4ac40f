// Every icon file and program of the shared corpus against the reference
// decodes: the number of images, each image's size and RGBA pixels, and
// the refusal of the bad files.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "CorpusReference.h"
#include "reference/Sha256.h"
#include "TestSupport.h"
#include "formats/IconFile.h"
#include "formats/PeResources.h"
#include "image/Exceptions.h"

namespace zelvo {
namespace {

using test::CorpusEntry;

// Reference rows by file, then by image id.
std::map<std::string, std::map<std::string, std::vector<CorpusEntry>>> ByFile(const std::string& prefix) {
    std::map<std::string, std::map<std::string, std::vector<CorpusEntry>>> out;
    for (auto& e : test::LoadCorpusReference(prefix)) out[e.file][e.image].push_back(e);
    return out;
}

// Where the peers disagree on 32-bit entries, one takes the alpha channel
// and one only the mask; the alpha channel is what this reader uses, so the
// row to match is the alpha one (it names magick or pillow).
bool MatchesReference(const TIconImage& image, const std::vector<CorpusEntry>& rows, std::string* why) {
    const TIconPixels& px = image.Pixels();
    std::vector<std::uint8_t> rgba = px.Bgra;
    for (std::size_t i = 0; i + 3 < rgba.size(); i += 4) std::swap(rgba[i], rgba[i + 2]);
    const std::string sha = test::Sha256Hex(rgba);
    for (const auto& row : rows) {
        if (row.agreement.find("magick") == std::string::npos && row.agreement.find("pillow") == std::string::npos)
            continue;
        if (px.Width == row.width && px.Height == row.height && sha == row.sha256) return true;
    }
    *why = std::to_string(px.Width) + " x " + std::to_string(px.Height) + " " + sha;
    return false;
}

// Files whose images this reader decodes on purpose although the peers'
// outputs differ from ours.
const std::set<std::string> kOwnColours = {
    // A V5 header with an ICC profile: the peers apply it differently; the
    // colour bits are read as stored.
    "ico/image-rs/bmp_v5_with_icc.ico",
};

TEST(IconCorpus, EveryIconFileListsItsImagesWithTheReferencePixels) {
    const auto files = ByFile("ico/");
    ASSERT_EQ(files.size(), 34u);
    int matched = 0, refused = 0;
    for (const auto& [file, images] : files) {
        SCOPED_TRACE(file);
        const std::string cls = images.begin()->second.front().cls;
        TAdvancedIcon icon;
        ASSERT_TRUE(icon.LoadFromFile(test::CorpusDir() / file));
        // The chooser gets one line per directory entry.
        EXPECT_EQ(icon.Count(), int(images.size()));
        for (const auto& [id, rows] : images) {
            SCOPED_TRACE("image " + id);
            const TIconImage* image = icon.Images(std::stoi(id));
            ASSERT_NE(image, nullptr);
            if (cls == "bad") {
                EXPECT_THROW(LoadIconPicture(test::CorpusDir() / file, std::stoi(id)), Exception);
                ++refused;
                continue;
            }
            EXPECT_EQ(image->Width(), rows.front().width);
            EXPECT_EQ(image->Height(), rows.front().height);
            std::string why;
            if (kOwnColours.count(file)) {
                EXPECT_NO_THROW(image->Pixels());
                continue;
            }
            EXPECT_TRUE(MatchesReference(*image, rows, &why)) << why;
            ++matched;
        }
    }
    EXPECT_EQ(refused, 5);
    EXPECT_EQ(matched, 76);
}

TEST(IconCorpus, EveryProgramListsItsIconsOrIsRefused) {
    const auto files = ByFile("pe/");
    ASSERT_EQ(files.size(), 7u);
    int matched = 0;
    for (const auto& [file, images] : files) {
        SCOPED_TRACE(file);
        const CorpusEntry& first = images.begin()->second.front();
        TAdvancedIcon icon;
        const bool loaded = icon.LoadFromFile(test::CorpusDir() / file);
        if (first.cls == "bad") {
            // No icon group: nothing to offer, and no image to load.
            EXPECT_FALSE(loaded);
            EXPECT_EQ(icon.Count(), 0);
            EXPECT_THROW(LoadIconPicture(test::CorpusDir() / file, 0), EInvalidGraphic);
            continue;
        }
        if (first.agreement == "none") {
            // The hand-made file: an empty resource size and a group entry of
            // zeros; its icon is found through the icon resource itself.
            ASSERT_TRUE(loaded);
            for (int i = 0; i < icon.Count(); ++i) EXPECT_NO_THROW(icon.Images(i)->Pixels());
            continue;
        }
        ASSERT_TRUE(loaded);
        EXPECT_EQ(icon.Count(), int(images.size()));
        for (const auto& [id, rows] : images) {
            SCOPED_TRACE("image " + id);
            const int index = icon.IndexOfName(id);
            ASSERT_GE(index, 0);
            std::string why;
            EXPECT_TRUE(MatchesReference(*icon.Images(index), rows, &why)) << why;
            ++matched;
        }
    }
    EXPECT_EQ(matched, 22);
}

}  // namespace
}  // namespace zelvo
