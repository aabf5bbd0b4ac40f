// The slide show's list: every order on a folder of known names and times,
// random order without repetition, stepping, and the full-screen fit.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <sys/stat.h>
#include <utime.h>

#include "TestSupport.h"
#include "effects/Random.h"
#include "library/FolderPictures.h"
#include "library/SlideShowList.h"

namespace zelvo {
namespace {

namespace fs = std::filesystem;

constexpr const char* kAllPictures = "*.bmp *.dib *.jpg *.jpe *.jpeg *.png *.ico ";

class SlideFolder : public ::testing::Test {
protected:
    void SetUp() override { dir = test::MakeTempDir("slides"); }
    void TearDown() override { fs::remove_all(dir); }

    void Touch(const std::string& name, std::int64_t seconds) {
        std::ofstream(dir / name) << "x";
        struct utimbuf times {};
        times.actime = time_t(seconds);
        times.modtime = time_t(seconds);
        ASSERT_EQ(::utime((dir / name).c_str(), &times), 0);
    }

    std::vector<std::string> Names(const TSlideList& list) {
        std::vector<std::string> names;
        for (const auto& path : list.Files) {
            EXPECT_EQ(path.parent_path(), dir);
            names.push_back(path.filename().string());
        }
        return names;
    }

    fs::path dir;
};

TEST_F(SlideFolder, EveryOrderOnKnownNamesAndTimes) {
    // Names, extensions and times chosen so that the three keys disagree.
    Touch("b.png", 1'000'300);
    Touch("a.jpg", 1'000'200);
    Touch("c.bmp", 1'000'100);
    Touch("D.JPG", 1'000'400);
    Touch("notes.txt", 1'000'000);  // not a picture
    fs::create_directory(dir / "sub.jpg");  // a folder, skipped
    Touch("noext", 1'000'000);

    struct TCase {
        TSlideSortType Order;
        bool Descending;
        std::vector<std::string> Expected;
    };
    const TCase cases[] = {
        // Byte order: upper-case "D" before the lower-case letters.
        {TSlideSortType::Name, false, {"D.JPG", "a.jpg", "b.png", "c.bmp"}},
        {TSlideSortType::Name, true, {"c.bmp", "b.png", "a.jpg", "D.JPG"}},
        // Upper-cased extensions .BMP < .JPG = .JPG < .PNG. The two .JPG
        // files tie; the stable descending sort keeps their listing order
        // and the ascending form is its exact reverse.
        {TSlideSortType::Time, false, {"c.bmp", "a.jpg", "b.png", "D.JPG"}},
        {TSlideSortType::Time, true, {"D.JPG", "b.png", "a.jpg", "c.bmp"}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(int(c.Order) * 10 + c.Descending);
        const TSlideList list = BuildSlideShowList(dir, kAllPictures, c.Order, c.Descending);
        ASSERT_EQ(list.Error, TSlideListError::None);
        EXPECT_EQ(Names(list), c.Expected);
    }

    const TSlideList up = BuildSlideShowList(dir, kAllPictures, TSlideSortType::Type, false);
    const TSlideList down = BuildSlideShowList(dir, kAllPictures, TSlideSortType::Type, true);
    auto upNames = Names(up);
    auto downNames = Names(down);
    ASSERT_EQ(upNames.size(), 4u);
    EXPECT_EQ(upNames.front(), "c.bmp");
    EXPECT_EQ(upNames.back(), "b.png");
    EXPECT_EQ(downNames.front(), "b.png");
    EXPECT_EQ(downNames.back(), "c.bmp");
    std::reverse(downNames.begin(), downNames.end());
    EXPECT_EQ(upNames, downNames);
}

TEST_F(SlideFolder, TrailingSlashAndOnlyTheChosenType) {
    Touch("a.jpg", 10);
    Touch("b.png", 20);
    const TSlideList list = BuildSlideShowList(dir.string() + "/", "*.png ", TSlideSortType::Name, false);
    ASSERT_EQ(list.Error, TSlideListError::None);
    ASSERT_EQ(list.Files.size(), 1u);
    EXPECT_EQ(list.Files[0], dir / "b.png");
}

TEST_F(SlideFolder, Failures) {
    EXPECT_EQ(BuildSlideShowList(dir / "missing", kAllPictures, TSlideSortType::Name, false).Error,
              TSlideListError::FolderMissing);
    EXPECT_EQ(BuildSlideShowList(dir, kAllPictures, TSlideSortType::Name, false).Error, TSlideListError::NoFiles);
    Touch("readme.txt", 1);
    EXPECT_EQ(BuildSlideShowList(dir, kAllPictures, TSlideSortType::Random, false).Error, TSlideListError::NoFiles);
}

TEST_F(SlideFolder, RandomShowsEachFileOnce) {
    for (int i = 0; i < 40; ++i) Touch("p" + std::to_string(i) + ".jpg", 1000 + i);
    for (int run = 0; run < 3; ++run) {
        const TSlideList list = BuildSlideShowList(dir, kAllPictures, TSlideSortType::Random, run == 1);
        ASSERT_EQ(list.Error, TSlideListError::None);
        const auto names = Names(list);
        ASSERT_EQ(names.size(), 40u);
        EXPECT_EQ(std::set<std::string>(names.begin(), names.end()).size(), 40u);
    }
}

TEST(SlideOrder, RandomDrawsFromTheProgramGenerator) {
    // From state 0 the generator gives 134775813 x state + 1; with four
    // records the draws are Random(4), Random(3), Random(2), Random(1).
    std::vector<TSlideFileRecord> records;
    for (const char* name : {"a", "b", "c", "d"}) records.push_back({name, ".JPG", 0});
    effects::SetRandSeed(0);
    std::vector<int> draws;
    for (int n = 4; n >= 1; --n) draws.push_back(effects::Random(n));
    std::vector<std::string> remaining = {"a", "b", "c", "d"};
    std::vector<std::string> expected;
    for (const int d : draws) {
        expected.push_back(remaining[std::size_t(d)]);
        remaining.erase(remaining.begin() + d);
    }
    effects::SetRandSeed(0);
    std::vector<std::string> got;
    for (const auto& r : OrderSlideFiles(records, TSlideSortType::Random, false)) got.push_back(r.Name);
    EXPECT_EQ(got, expected);
}

TEST(SlideSequence, StepsLoopAndEnd) {
    const std::vector<fs::path> files = {"/p/a.jpg", "/p/b.jpg", "/p/c.jpg"};
    for (const bool loop : {false, true}) {
        SCOPED_TRACE(loop);
        TSlideShowSequence show(files, loop);
        EXPECT_EQ(show.Previous(), TSlideShowSequence::TStep::Stay);
        EXPECT_EQ(show.Index(), 0);
        EXPECT_EQ(show.Next(), TSlideShowSequence::TStep::Show);
        EXPECT_EQ(show.Next(), TSlideShowSequence::TStep::Show);
        EXPECT_TRUE(show.AtLast());
        EXPECT_EQ(show.Current(), "/p/c.jpg");
        if (loop) {
            EXPECT_EQ(show.Next(), TSlideShowSequence::TStep::Show);
            EXPECT_EQ(show.Index(), 0);
        } else {
            EXPECT_EQ(show.Next(), TSlideShowSequence::TStep::End);
            EXPECT_EQ(show.Index(), 2);
        }
    }
    TSlideShowSequence empty;
    EXPECT_EQ(empty.Next(), TSlideShowSequence::TStep::End);
    EXPECT_TRUE(empty.Current().empty());
}

TEST(SlideFit, FullScreenPlacement) {
    struct TCase {
        int W, H;
        TRect Expected;
    };
    const TCase cases[] = {
        // 1000 x 1024 / 3000 = 341 (integer); top (768 - 341) / 2 = 213.
        {3000, 1000, Bounds(0, 213, 1024, 341)},
        {800, 600, Bounds(112, 84, 800, 600)},
        // First the width (2000 -> 1024, 3000 -> 1536), then the height
        // (1536 -> 768, 1024 x 768 / 1536 = 512).
        {2000, 3000, Bounds(256, 0, 512, 768)},
        // Both: first the width (2048 -> 1024, 1600 -> 800), then the
        // height (800 -> 768, 1024 x 768 / 800 = 983).
        {2048, 1600, Bounds(20, 0, 983, 768)},
        // A sliver keeps one pixel.
        {10000, 1, Bounds(0, 383, 1024, 1)},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.W) + "x" + std::to_string(c.H));
        EXPECT_EQ(FullScreenViewRect(c.W, c.H, 1024, 768), c.Expected);
    }
}

TEST(FolderPictures, PatternMatch) {
    EXPECT_TRUE(MatchesPatternString("*.bmp *.jpg ", "A.JPG"));
    EXPECT_TRUE(MatchesPatternString("*.bmp *.jpg ", "x.y.bmp"));
    EXPECT_FALSE(MatchesPatternString("*.bmp *.jpeg ", "a.jpe"));  // ".jpe " is not in ".jpeg "
    EXPECT_FALSE(MatchesPatternString("*.bmp ", "bmp"));
    EXPECT_FALSE(MatchesPatternString("*.bmp ", "a."));
}

}  // namespace
}  // namespace zelvo
