// The recovery folder tells live editors from dead ones by their locks:
// a live editor's picture is never offered, a dead one's is offered to one
// editor at a time, what is too old goes without asking, and links and
// other users' entries are neither followed nor removed.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <ctime>
#include <filesystem>
#include <fstream>

#include "TestSupport.h"
#include "document/RecoveryFolder.h"
#include "image/Exceptions.h"

namespace zelvo {
namespace {

namespace fs = std::filesystem;
using test::NoiseImage24;
using test::SamePixels;

class RecoveryFolderTest : public ::testing::Test {
protected:
    void SetUp() override { FDir = test::MakeTempDir("zelvo-recovery-folder") / "recovery"; }
    void TearDown() override { fs::remove_all(FDir.parent_path()); }

    // A dead editor's picture: a session that wrote its file and ended.
    fs::path DeadPicture(std::uint32_t seed, std::int64_t savedTime) {
        TRecoverySession session(FDir, Uid());
        TRecoveryInfo info;
        info.FileName = "/pictures/" + std::to_string(seed) + ".bmp";
        info.SavedTime = savedTime;
        EXPECT_EQ(WriteRecoveryFile(session.FilePath(), info, TRecoveryRows::Of(NoiseImage24(4, 3, seed))),
                  TRecoveryWrite::Written);
        return session.FilePath();
    }
    std::vector<TRecoveryOffer> Claim(const std::string& ownName = "ffffffffffffffff") {
        return ClaimDeadRecoveryFiles(FDir, Uid(), ownName, std::time(nullptr));
    }
    static unsigned Uid() { return ::geteuid(); }
    fs::path FDir;
};

TEST_F(RecoveryFolderTest, OffersDeadEditorsOnlyNewestFirstAndOneClaimAtATime) {
    const fs::path older = DeadPicture(1, 1000);
    const fs::path newer = DeadPicture(2, 2000);
    struct stat st {};
    ASSERT_EQ(::stat(FDir.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    // A live editor with a picture of its own.
    TRecoverySession live(FDir, Uid());
    ASSERT_EQ(WriteRecoveryFile(live.FilePath(), {}, TRecoveryRows::Of(NoiseImage24(2, 2, 3))),
              TRecoveryWrite::Written);

    std::vector<TRecoveryOffer> offers = Claim();
    ASSERT_EQ(offers.size(), 2u);
    EXPECT_EQ(offers[0].File, newer);
    EXPECT_EQ(offers[1].File, older);
    EXPECT_TRUE(SamePixels(offers[0].Picture.Pixels, NoiseImage24(4, 3, 2)));
    EXPECT_EQ(offers[0].Picture.Info.FileName, "/pictures/2.bmp");
    // While they are claimed, a second editor starting finds nothing, and
    // its own name is never offered to itself.
    EXPECT_TRUE(Claim().empty());
    EXPECT_TRUE(Claim(live.Name()).empty());

    // Restored: the file becomes the restoring editor's; discarded: gone;
    // left for later: offered again.
    TRecoverySession restorer(FDir, Uid());
    ASSERT_TRUE(AdoptRecoveryOffer(offers[0], restorer));
    EXPECT_FALSE(fs::exists(newer));
    EXPECT_TRUE(fs::exists(restorer.FilePath()));
    DiscardRecoveryOffer(offers[1]);
    EXPECT_FALSE(fs::exists(older));
    EXPECT_TRUE(Claim().empty());

    // Saved or closed: the restorer takes its picture away.
    EXPECT_TRUE(restorer.RemoveFile());
    EXPECT_FALSE(fs::exists(restorer.FilePath()));
}

TEST_F(RecoveryFolderTest, RemovesTooOldFilesAndLeavesLinksAndForeignEntriesAlone) {
    const fs::path old = DeadPicture(1, 1000);
    const fs::path kept = DeadPicture(2, 1000);
    // Written 31 days ago, by the file's time.
    const auto monthAgo = fs::file_time_type::clock::now() - std::chrono::hours(24 * 31);
    fs::last_write_time(old, monthAgo);
    // A link named like a picture, pointing out of the folder; a truncated
    // picture; a stray temporary file of a dead editor.
    const fs::path outside = FDir.parent_path() / "outside.zvr";
    fs::copy_file(kept, outside);
    fs::create_symlink(outside, FDir / "0000000000000001.zvr");
    std::ofstream(FDir / "0000000000000002.zvr") << "ZVRECOV";
    std::ofstream(FDir / "0000000000000003.zvr.tmp") << "partial";

    std::vector<TRecoveryOffer> offers = Claim();
    ASSERT_EQ(offers.size(), 1u);
    EXPECT_EQ(offers[0].File, kept);
    EXPECT_FALSE(fs::exists(old));
    EXPECT_TRUE(fs::is_symlink(FDir / "0000000000000001.zvr"));
    EXPECT_TRUE(fs::exists(outside));
    EXPECT_TRUE(fs::exists(FDir / "0000000000000002.zvr"));
    EXPECT_FALSE(fs::exists(FDir / "0000000000000003.zvr.tmp"));
    offers.clear();

    // Seen as another user's, nothing is offered, claimed or removed.
    fs::last_write_time(kept, monthAgo);
    EXPECT_TRUE(ClaimDeadRecoveryFiles(FDir, Uid() + 1, "ffffffffffffffff", std::time(nullptr)).empty());
    EXPECT_TRUE(fs::exists(kept));
}

TEST_F(RecoveryFolderTest, RefusesAFolderThatIsALinkOrAnotherUsers) {
    const fs::path real = FDir.parent_path() / "elsewhere";
    fs::create_directories(real);
    fs::create_directory_symlink(real, FDir);
    EXPECT_THROW({ TRecoverySession session(FDir, Uid()); }, EFCreateError);
    fs::remove(FDir);
    EXPECT_THROW(PrepareRecoveryFolder(FDir, Uid() + 1), EFCreateError);
    // Our own folder open to others is closed to them.
    fs::permissions(FDir, fs::perms::all);
    PrepareRecoveryFolder(FDir, Uid());
    EXPECT_EQ(fs::status(FDir).permissions(), fs::perms::owner_all);
}

}  // namespace
}  // namespace zelvo
