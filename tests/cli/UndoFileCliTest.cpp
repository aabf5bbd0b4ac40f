// zelvo-cli and its undo file: a temporary folder that does not exist, an
// undo step that cannot be written (exit 1, nothing saved), a kill in the
// middle of the work, and the stale files of earlier runs.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <fstream>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "CliTestSupport.h"
#include "image/DibImage.h"
#include "platform/TempFile.h"
#include "platform/TempFileTestSupport.h"

namespace zelvo {
namespace {

namespace fs = std::filesystem;
using test::TempNames;

// Starts the real zelvo-cli with `args` and TMPDIR `tmpdir`; with a
// `fileSizeLimit` (RLIMIT_FSIZE, SIGXFSZ ignored) files cannot grow beyond
// it, as on a full disk; standard error goes to `errors` when given.
pid_t Spawn(const std::vector<std::string>& args, const std::string& tmpdir, rlim_t fileSizeLimit = 0,
            const fs::path& errors = {}) {
    const pid_t pid = ::fork();
    if (pid != 0) return pid;
    ::setenv("TMPDIR", tmpdir.c_str(), 1);
    if (fileSizeLimit > 0) {
        ::signal(SIGXFSZ, SIG_IGN);  // kept across exec
        rlimit limit{};
        ::getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = fileSizeLimit;
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) ::_exit(126);
    }
    if (!errors.empty()) {
        const int fd = ::open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (fd < 0 || ::dup2(fd, 2) < 0) ::_exit(126);
    }
    std::vector<char*> argv;
    std::string program = ZELVO_CLI_PROGRAM;
    argv.push_back(program.data());
    std::vector<std::string> words = args;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
}

int Wait(pid_t pid) {
    int status = -1;
    if (::waitpid(pid, &status, 0) != pid) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TDibImage Load(const fs::path& path) {
    TDibImage image;
    image.LoadFromFile(path);
    return image;
}

class UndoFileCliTest : public test::TCliFolderTest {
protected:
    fs::path Picture(const std::string& name, int w, int h) {
        const fs::path path = dir_ / name;
        test::NoiseImage24(w, h, 9).SaveToFile(path);
        return path;
    }
};

// No such folder: the undo file goes to the next one and the script runs.
TEST_F(UndoFileCliTest, MissingTmpdirStillUndoes) {
    const fs::path in = Picture("a.bmp", 33, 21);
    struct TCase {
        std::vector<std::string> Ops;
        bool Original;
    };
    for (const TCase& c : {TCase{{"Negative", "Undo:1"}, true}, TCase{{"Negative", "Negative", "Undo:1"}, false},
                           TCase{{"Negative", "Undo:1", "Redo:1", "Negative"}, true}}) {
        SCOPED_TRACE(c.Ops.front() + " ... " + c.Ops.back());
        fs::remove(dir_ / "b.bmp");
        std::vector<std::string> args = {"apply", in.string(), Path("b.bmp")};
        args.insert(args.end(), c.Ops.begin(), c.Ops.end());
        ASSERT_EQ(Wait(Spawn(args, "/nonexistent")), 0);
        const TDibImage original = Load(in), out = Load(dir_ / "b.bmp");
        if (c.Original) {
            EXPECT_TRUE(test::SamePixels(out, original));
        } else {
            ASSERT_EQ(out.Width(), 33);
            EXPECT_EQ(out.ScanLineRead(0)[0], 255 - original.ScanLineRead(0)[0]);
        }
    }
}

// The undo step of an edit cannot be written (the disk is full for the
// snapshot, which is small enough for the PNG): the run fails with the
// reason and writes nothing, rather than skipping the edit and saving the
// original as if it had been done.
TEST_F(UndoFileCliTest, UnwritableUndoStepFailsTheRun) {
    const fs::path in = dir_ / "flat.bmp";
    test::FlatImage24(300, 300, 0x204060).SaveToFile(in);  // 270 054 bytes as BMP
    for (const std::vector<std::string>& ops : {std::vector<std::string>{"Grayscale", "Undo:1"},
                                                std::vector<std::string>{"Mirror", "Brightness:20", "Undo:1"},
                                                std::vector<std::string>{"Negative", "Undo:1"}}) {
        SCOPED_TRACE(ops.size());
        std::vector<std::string> args = {"apply", in.string(), Path("out.png")};
        args.insert(args.end(), ops.begin(), ops.end());
        EXPECT_EQ(Wait(Spawn(args, dir_.string(), 64 * 1024, dir_ / "stderr.txt")), 1);
        EXPECT_EQ(ReadText(dir_ / "stderr.txt"), "Stream write error\n");
        EXPECT_FALSE(fs::exists(dir_ / "out.png"));
    }
    // With room the same run works.
    ASSERT_EQ(Wait(Spawn({"apply", in.string(), Path("out.png"), "Negative", "Negative", "Undo:1"}, dir_.string())), 0);
    EXPECT_TRUE(fs::exists(dir_ / "out.png"));
}

// Killed in the middle of its work, with its undo file holding snapshots
// (9 000 054 bytes each): nothing of it stays in its temporary folder.
TEST_F(UndoFileCliTest, KilledRunLeavesNoUndoFile) {
    const fs::path in = Picture("big.bmp", 2000, 1500);
    const fs::path tmp = dir_ / "tmp";
    fs::create_directory(tmp);
    const pid_t pid = Spawn({"apply", in.string(), Path("out.bmp"), "--undo-depth", "20", "Negative", "Negative",
                             "Negative", "Negative", "Negative", "Negative", "Negative", "Negative", "Undo:8"},
                            tmp.string());
    ASSERT_GT(pid, 0);
    // Wait until the process has its undo file open in the folder.
    const std::string proc = "/proc/" + std::to_string(pid) + "/fd";
    bool open = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!open && std::chrono::steady_clock::now() < deadline) {
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator(proc, ec)) {
            // The undo file, with a snapshot in it already.
            const std::string target = fs::read_symlink(entry.path(), ec).string();
            if (target.starts_with(tmp.string() + "/") && target.ends_with(" (deleted)") &&
                fs::file_size(entry.path(), ec) > 9000000 && !ec)
                open = true;
        }
        if (!open) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    ::kill(pid, SIGKILL);
    EXPECT_EQ(Wait(pid), 128 + SIGKILL) << "the run ended before it could be killed";
    EXPECT_TRUE(open) << "no undo file in " << tmp;
    EXPECT_TRUE(fs::is_empty(tmp));
    EXPECT_FALSE(fs::exists(dir_ / "out.bmp"));
}

// At its start a run removes what killed runs of older versions left: only
// stale, unlocked files of this user under the exact name.
TEST_F(UndoFileCliTest, StartRemovesStaleUndoFilesOnly) {
    const fs::path in = Picture("a.bmp", 8, 8);
    const fs::path tmp = dir_ / "tmp";
    fs::create_directory(tmp);
    const auto hourAgo = fs::file_time_type::clock::now() - std::chrono::hours(1);
    for (const char* name : {"_ZV00000.tmp", "_ZV00001.tmp", "_ZV0002.tmp", "_ZV00003.tmp.keep"}) {
        std::ofstream(tmp / name) << "left";
        fs::last_write_time(tmp / name, hourAgo);
    }
    std::ofstream(tmp / "_ZV00004.tmp") << "fresh";
    // A living process holds the lock of _ZV00001.tmp.
    test::LockHolder holder(tmp / "_ZV00001.tmp");
    ASSERT_TRUE(holder.Held());

    EXPECT_EQ(Wait(Spawn({"apply", in.string(), Path("b.bmp"), "Negative", "Undo:1"}, tmp.string())), 0);
    holder.Release();
    std::set<std::string> left;
    for (const auto& entry : fs::directory_iterator(tmp)) left.insert(entry.path().filename().string());
    EXPECT_EQ(left, (std::set<std::string>{"_ZV00001.tmp", "_ZV0002.tmp", "_ZV00003.tmp.keep", "_ZV00004.tmp"}));
    EXPECT_TRUE(TempNames(tmp).contains("_ZV00004.tmp"));
}

}  // namespace
}  // namespace zelvo
