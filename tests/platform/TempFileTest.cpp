// Scratch files (the undo file's storage): no name in any folder, the named
// fallback where the file system has no nameless files, the folder chain,
// and the sweep of stale "_ZV#####.tmp" files.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "image/Exceptions.h"
#include "platform/TempFile.h"
#include "platform/TempFileTestSupport.h"

namespace zelvo {
namespace {

namespace fs = std::filesystem;
using test::NamelessOpenerScope;
using test::NoNamelessFiles;
using test::TempNames;

void WriteText(const fs::path& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// What /proc says the descriptor is open on ("<path> (deleted)" for a file
// whose name is gone, "<folder>/#<inode> (deleted)" for a nameless one).
std::string OpenedAs(int fd) {
    std::error_code ec;
    return fs::read_symlink("/proc/self/fd/" + std::to_string(fd), ec).string();
}

// Sets or clears an environment variable for the life of the object.
class EnvScope {
public:
    EnvScope(const char* name, const std::optional<std::string>& value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        Set(value);
    }
    ~EnvScope() { Set(old_); }

private:
    void Set(const std::optional<std::string>& value) {
        if (value)
            ::setenv(name_, value->c_str(), 1);
        else
            ::unsetenv(name_);
    }
    const char* name_;
    std::optional<std::string> old_;
};

// A file system that is full: nothing can be created in this folder.
fs::path gFullFolder;
int FullFolderOpener(const fs::path& folder) {
    if (folder == gFullFolder) {
        errno = ENOSPC;
        return -1;
    }
    return ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
}

class ScratchFileTest : public ::testing::Test {
protected:
    void SetUp() override { dir_ = test::MakeTempDir("scratch"); }
    void TearDown() override {
        std::error_code ec;
        fs::permissions(dir_ / "ro", fs::perms::owner_all, ec);
        fs::remove_all(dir_);
    }
    fs::path dir_;
};

// Both ways of opening: the file is usable and no name of it is ever seen.
TEST_F(ScratchFileTest, NamelessOrBrieflyNamedFileNeverStaysInTheFolder) {
    for (const bool named : {false, true}) {
        SCOPED_TRACE(named ? "named fallback" : "nameless");
        std::optional<NamelessOpenerScope> opener;
        if (named) opener.emplace(&NoNamelessFiles);
        TScratchFile file = CreateScratchFile({dir_});
        EXPECT_EQ(file.Folder, dir_);
        EXPECT_EQ(file.BriefName, named ? dir_ / "_ZV00000.tmp" : fs::path());
        EXPECT_TRUE(fs::is_empty(dir_));
        struct stat st {};
        ASSERT_EQ(::fstat(file.Stream->Handle(), &st), 0);
        EXPECT_TRUE(S_ISREG(st.st_mode));
        EXPECT_EQ(st.st_mode & 07777, 0600u);
        EXPECT_EQ(st.st_nlink, 0u);
        const std::string where = OpenedAs(file.Stream->Handle());
        EXPECT_TRUE(where.starts_with(dir_.string() + "/")) << where;
        EXPECT_TRUE(where.ends_with(" (deleted)")) << where;

        const std::string text = "snapshot bytes";
        file.Stream->WriteBuffer(text.data(), text.size());
        file.Stream->SetPosition(0);
        std::string back(text.size(), '\0');
        file.Stream->ReadBuffer(back.data(), back.size());
        EXPECT_EQ(back, text);
        // A second file takes the same first free name again: the first
        // one's name is long gone.
        TScratchFile second = CreateScratchFile({dir_});
        EXPECT_EQ(second.BriefName, file.BriefName);
    }
}

// The named fallback never opens, follows or truncates what someone else
// placed under a name: a file, a link to a victim, a dangling link.
TEST_F(ScratchFileTest, NamedFallbackSkipsNamesThatAreTaken) {
    const NamelessOpenerScope opener(&NoNamelessFiles);
    WriteText(dir_ / "_ZV00000.tmp", "someone else's");
    WriteText(dir_ / "victim", "victim");
    fs::create_symlink(dir_ / "victim", dir_ / "_ZV00001.tmp");
    fs::create_symlink(dir_ / "nowhere", dir_ / "_ZV00002.tmp");
    {
        TScratchFile file = CreateScratchFile({dir_});
        EXPECT_EQ(file.BriefName, dir_ / "_ZV00003.tmp");
        EXPECT_EQ(OpenedAs(file.Stream->Handle()), (dir_ / "_ZV00003.tmp").string() + " (deleted)");
        file.Stream->WriteBuffer("xyz", 3);
    }
    EXPECT_EQ(ReadText(dir_ / "_ZV00000.tmp"), "someone else's");
    EXPECT_EQ(ReadText(dir_ / "victim"), "victim");
    EXPECT_TRUE(fs::is_symlink(dir_ / "_ZV00001.tmp"));
    EXPECT_FALSE(fs::exists(dir_ / "nowhere"));
    EXPECT_EQ(TempNames(dir_), (std::set<std::string>{"_ZV00000.tmp", "_ZV00001.tmp", "_ZV00002.tmp"}));
}

// A folder that cannot take the file hands it to the next one, for both
// ways of opening.
TEST_F(ScratchFileTest, UnusableFolderFallsBackToTheNext) {
    const fs::path next = dir_ / "next";
    fs::create_directory(next);
    WriteText(dir_ / "plain-file", "x");
    fs::create_directory(dir_ / "full");
    gFullFolder = dir_ / "full";
    struct TCase {
        const char* Name;
        fs::path Folder;
        TNamelessOpener Opener;
    };
    for (const TCase& c : {TCase{"missing", dir_ / "missing", nullptr},
                           TCase{"missing, named", dir_ / "missing", &NoNamelessFiles},
                           TCase{"not a folder", dir_ / "plain-file", nullptr},
                           TCase{"not a folder, named", dir_ / "plain-file", &NoNamelessFiles},
                           TCase{"full at open", dir_ / "full", &FullFolderOpener}}) {
        SCOPED_TRACE(c.Name);
        const NamelessOpenerScope opener(c.Opener);
        TScratchFile file = CreateScratchFile({c.Folder, next});
        EXPECT_EQ(file.Folder, next);
        EXPECT_TRUE(OpenedAs(file.Stream->Handle()).starts_with(next.string() + "/"));
        EXPECT_TRUE(fs::is_empty(next));
    }
    EXPECT_TRUE(fs::is_empty(dir_ / "full"));
}

// Root writes into any folder, so the read-only case runs as another user.
TEST_F(ScratchFileTest, ReadOnlyFolderFallsBackToTheNext) {
    const fs::path ro = dir_ / "ro", next = dir_ / "next";
    fs::create_directory(ro);
    fs::create_directory(next);
    fs::permissions(dir_, fs::perms::all);
    fs::permissions(next, fs::perms::all);
    fs::permissions(ro, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                            fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(3);
        int status = 0;
        for (const TNamelessOpener opener : {TNamelessOpener(nullptr), &NoNamelessFiles}) {
            SetNamelessOpener(opener);
            try {
                const TScratchFile file = CreateScratchFile({ro, next});
                if (file.Folder != next) status = 1;
            } catch (...) {
                status = 2;
            }
        }
        ::_exit(status);
    }
    int status = -1;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: not the next folder, 2: no file, 3: cannot drop privileges";
    EXPECT_TRUE(fs::is_empty(ro));
    EXPECT_TRUE(fs::is_empty(next));
}

TEST_F(ScratchFileTest, NoFolderTakesItFailsCreation) {
    for (const TNamelessOpener opener : {TNamelessOpener(nullptr), &NoNamelessFiles}) {
        const NamelessOpenerScope scope(opener);
        EXPECT_THROW(CreateScratchFile({dir_ / "missing", dir_ / "also-missing"}), EFCreateError);
        EXPECT_THROW(CreateScratchFile({}), EFCreateError);
    }
}

TEST(ScratchFolders, TmpdirThenVarTmpThenTmpThenTheCache) {
    const EnvScope cache("XDG_CACHE_HOME", "/home/u/cache");
    struct TCase {
        std::optional<std::string> Tmpdir;
        std::vector<fs::path> Folders;
    };
    for (const TCase& c : {TCase{"/scratch", {"/scratch", "/var/tmp", "/tmp", "/home/u/cache/zelvo"}},
                           TCase{std::nullopt, {"/var/tmp", "/tmp", "/home/u/cache/zelvo"}},
                           TCase{"", {"/var/tmp", "/tmp", "/home/u/cache/zelvo"}},
                           TCase{"/tmp/", {"/tmp/", "/var/tmp", "/home/u/cache/zelvo"}},
                           TCase{"/var/tmp", {"/var/tmp", "/tmp", "/home/u/cache/zelvo"}}}) {
        SCOPED_TRACE(c.Tmpdir.value_or("(unset)"));
        const EnvScope tmpdir("TMPDIR", c.Tmpdir);
        EXPECT_EQ(ScratchFolders(), c.Folders);
    }
}

TEST(TempFileName, ExactlyFiveDigits) {
    EXPECT_TRUE(IsTempFileName("_ZV00000.tmp"));
    EXPECT_TRUE(IsTempFileName(TempFileNameFor(99999)));
    for (const char* other : {"_ZV0000.tmp", "_ZV000000.tmp", "_zv00000.tmp", "_ZV00000.TMP", "_ZV0000a.tmp",
                              "_ZV00000.tmpx", "x_ZV00000.tmp", "_ZV-0000.tmp", "_ZV00000tmp", ""})
        EXPECT_FALSE(IsTempFileName(other)) << other;
}

// --- stale files ------------------------------------------------------------------

class StaleTempFileTest : public ScratchFileTest {
protected:
    // A file `name` last written an hour ago.
    fs::path Old(const std::string& name, const std::string& text = "old") {
        const fs::path path = dir_ / name;
        WriteText(path, text);
        fs::last_write_time(path, fs::file_time_type::clock::now() - std::chrono::hours(1));
        return path;
    }
};

TEST_F(StaleTempFileTest, RemovesOnlyOldUnlockedFilesOfThisUserUnderTheExactName) {
    const fs::path stale = Old("_ZV00001.tmp");
    Old("_ZV00099.tmp");  // a second leftover
    WriteText(dir_ / "_ZV00002.tmp", "fresh");  // a scanner's file, read back in a moment
    const fs::path locked = Old("_ZV00003.tmp");
    for (const char* other : {"_ZV1234.tmp", "_ZV123456.tmp", "_zv00004.tmp", "_ZV00005.tmpx", "_ZV0000a.tmp",
                              "x_ZV00006.tmp", "_ZV00007.TMP"})
        Old(other);
    const fs::path victim = Old("victim");
    fs::create_symlink(victim, dir_ / "_ZV00008.tmp");
    fs::create_directory(dir_ / "_ZV00009.tmp");
    fs::create_hard_link(Old("kept-linked"), dir_ / "_ZV00010.tmp");
    ASSERT_EQ(::mkfifo((dir_ / "_ZV00011.tmp").c_str(), 0600), 0);
    const fs::path foreign = Old("_ZV00012.tmp");
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown(foreign.c_str(), 65534, 65534), 0);
    }
    const std::set<std::string> before = TempNames(dir_);

    // Another process holds the lock of one old file.
    test::LockHolder holder(locked);
    ASSERT_TRUE(holder.Held());

    EXPECT_EQ(RemoveStaleTempFiles(dir_), root ? 2 : 3);
    std::set<std::string> expected = before;
    expected.erase("_ZV00001.tmp");
    expected.erase("_ZV00099.tmp");
    if (!root) expected.erase("_ZV00012.tmp");  // ours after all: no other user to give it to
    EXPECT_EQ(TempNames(dir_), expected);
    EXPECT_FALSE(fs::exists(stale));
    EXPECT_EQ(ReadText(locked), "old");
    EXPECT_EQ(ReadText(victim), "old");
    EXPECT_TRUE(fs::is_symlink(dir_ / "_ZV00008.tmp"));
    EXPECT_TRUE(fs::is_directory(dir_ / "_ZV00009.tmp"));
    EXPECT_EQ(ReadText(dir_ / "kept-linked"), "old");
    for (const char* other : {"_ZV1234.tmp", "_ZV123456.tmp", "_zv00004.tmp", "_ZV00005.tmpx", "_ZV0000a.tmp",
                              "x_ZV00006.tmp", "_ZV00007.TMP"})
        EXPECT_TRUE(fs::exists(dir_ / other)) << other;

    // Once its process is gone the lock is too, and so is the file.
    holder.Release();
    EXPECT_EQ(RemoveStaleTempFiles(dir_), 1);
    EXPECT_FALSE(fs::exists(locked));
    // Age: the fresh file goes only when nothing younger is spared.
    EXPECT_TRUE(fs::exists(dir_ / "_ZV00002.tmp"));
    EXPECT_EQ(RemoveStaleTempFiles(dir_, std::chrono::seconds(0)), 1);
    EXPECT_FALSE(fs::exists(dir_ / "_ZV00002.tmp"));
}

TEST_F(StaleTempFileTest, MissingFolderRemovesNothing) {
    EXPECT_EQ(RemoveStaleTempFiles(dir_ / "missing"), 0);
    EXPECT_EQ(RemoveStaleTempFiles(Old("_ZV00000.tmp")), 0);  // not a folder
}

// The scanner's named file holds its lock while its stream is open, so a
// sweep with no age limit leaves it alone too.
TEST_F(StaleTempFileTest, OpenNamedTempFileIsNeverSwept) {
    const EnvScope tmpdir("TMPDIR", dir_.string());
    TTempFile file = CreateTempFile();
    EXPECT_EQ(file.Path, dir_ / "_ZV00000.tmp");
    EXPECT_EQ(RemoveStaleTempFiles(dir_, std::chrono::seconds(0)), 0);
    EXPECT_TRUE(fs::exists(file.Path));
    file.Stream.reset();
    EXPECT_EQ(RemoveStaleTempFiles(dir_, std::chrono::seconds(0)), 1);
}

}  // namespace
}  // namespace zelvo
