// The home trash: where a file goes, its record, names already taken, and
// what is refused.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "TestSupport.h"
#include "platform/Trash.h"

namespace zelvo {
namespace {

namespace fs = std::filesystem;

std::string Read(const fs::path& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(Trash, MovesTheFileWithARecord) {
    const fs::path dir = test::MakeTempDir("trash");
    setenv("XDG_DATA_HOME", (dir / "data").c_str(), 1);
    EXPECT_EQ(HomeTrashDirectory(), dir / "data" / "Trash");
    const fs::path pictures = dir / "my pictures";
    fs::create_directories(pictures);
    std::ofstream(pictures / "a b.jpg") << "one";
    fs::path moved;
    ASSERT_TRUE(MoveToTrash(pictures / "a b.jpg", &moved));
    EXPECT_FALSE(fs::exists(pictures / "a b.jpg"));
    EXPECT_EQ(moved, dir / "data" / "Trash" / "files" / "a b.jpg");
    EXPECT_EQ(Read(moved), "one");
    const std::string record = Read(dir / "data" / "Trash" / "info" / "a b.jpg.trashinfo");
    EXPECT_EQ(record.rfind("[Trash Info]\nPath=", 0), 0u) << record;
    // Blanks are percent-encoded, slashes kept.
    EXPECT_NE(record.find("/my%20pictures/a%20b.jpg\n"), std::string::npos) << record;
    EXPECT_NE(record.find("\nDeletionDate=20"), std::string::npos) << record;

    // The same name again: "a b.jpg.2".
    std::ofstream(pictures / "a b.jpg") << "two";
    ASSERT_TRUE(MoveToTrash(pictures / "a b.jpg", &moved));
    EXPECT_EQ(moved.filename(), "a b.jpg.2");
    EXPECT_EQ(Read(moved), "two");
    EXPECT_TRUE(fs::exists(dir / "data" / "Trash" / "info" / "a b.jpg.2.trashinfo"));

    // Refused: a folder, a missing file. Nothing is left behind.
    EXPECT_FALSE(MoveToTrash(pictures));
    EXPECT_FALSE(MoveToTrash(pictures / "missing.jpg"));
    EXPECT_TRUE(fs::is_directory(pictures));
    int records = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir / "data" / "Trash" / "info")) ++records;
    EXPECT_EQ(records, 2);
    unsetenv("XDG_DATA_HOME");
    fs::remove_all(dir);
}

TEST(Trash, RelativeXdgFallsBackToHome) {
    setenv("XDG_DATA_HOME", "relative/data", 1);
    const char* home = std::getenv("HOME");
    ASSERT_NE(home, nullptr);
    EXPECT_EQ(HomeTrashDirectory(), fs::path(home) / ".local" / "share" / "Trash");
    unsetenv("XDG_DATA_HOME");
}

}  // namespace
}  // namespace zelvo
