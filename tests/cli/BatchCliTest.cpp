// zelvo-cli batch: options, messages, the summary, the exit status and
// several jobs; and apply without undo snapshots.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>

#include <fstream>

#include "CliTestSupport.h"
#include "formats/QxImageIO.h"
#include "image/Stream.h"

namespace zelvo::test {
namespace {

namespace fs = std::filesystem;

class BatchCli : public TCliFolderTest {
protected:
    void SetUp() override {
        TCliFolderTest::SetUp();
        fs::create_directory(dir_ / "in");
        fs::create_directory(dir_ / "out");
    }
    std::string In() const { return Path("in"); }
    std::string Out() const { return Path("out"); }
    void Write(const std::string& name, const TDibImage& picture) {
        bool keyed = false;
        ASSERT_TRUE(WriteDocumentPicture(dir_ / "in" / name, picture, TSaveOptions{}, true, keyed));
    }
    TDibImage ReadOut(const std::string& name) {
        TDibImage picture;
        TPictureFileInfo info;
        EXPECT_TRUE(ReadDocumentPicture(dir_ / "out" / name, true, picture, info)) << name;
        return picture;
    }
};

TEST_F(BatchCli, UsageErrors) {
    const std::vector<std::vector<std::string>> cases = {
        {"batch"},
        {"batch", "only-one"},
        {"batch", "a", "b", "c"},
        {"batch", "a", "b", "--scale", "9"},
        {"batch", "a", "b", "--scale", "1001"},
        {"batch", "a", "b", "--width", "0"},
        {"batch", "a", "b", "--height", "100000"},
        {"batch", "a", "b", "--size", "10"},
        {"batch", "a", "b", "--width", "10", "--scale", "50"},
        {"batch", "a", "b", "--filter", "Gauss"},
        {"batch", "a", "b", "--depth", "16"},
        {"batch", "a", "b", "--filter", "Box", "--depth", "8"},
        {"batch", "a", "b", "--format", "tga"},
        {"batch", "a", "b", "--format", "gif"},
        {"batch", "a", "b", "--input-type", "gif"},
        {"batch", "a", "b", "--input-type", "tiff"},
        {"batch", "a", "b", "--quality", "0"},
        {"batch", "a", "b", "--jobs", "-1"},
        {"batch", "a", "b", "--jobs"},
        {"batch", "a", "b", "--frobnicate"},
        {"batch", "a", "b", "--format", "webp", "--effort", "7"},
        {"batch", "a", "b", "--format", "jxl", "--effort", "0"},
        {"batch", "a", "b", "--format", "avif", "--lossless"},
        {"batch", "a", "b", "--format", "png", "--speed", "3"},
        {"batch", "a", "b", "--format", "tiff", "--compression", "zip"},
        {"batch", "a", "b", "--format", "jxl", "--distance", "0"},
        {"batch", "a", "b", "--format", "jxl", "--distance", "1", "--lossless"},
    };
    for (const auto& args : cases) {
        std::string line;
        for (const auto& a : args) line += a + " ";
        SCOPED_TRACE(line);
        std::string err;
        EXPECT_EQ(RunCli(args, &err), 2);
        EXPECT_NE(err.find("batch --help"), std::string::npos) << err;
    }
    std::string out;
    EXPECT_EQ(RunCli({"batch", "--help"}, nullptr, &out), 0);
    EXPECT_NE(out.find("--jobs N"), std::string::npos);
}

TEST_F(BatchCli, MissingFoldersAndNoPictures) {
    std::string err;
    EXPECT_EQ(RunCli({"batch", Path("none"), Out()}, &err), 1);
    EXPECT_EQ(err, "the input folder does not exist: " + Path("none") + "\n");
    EXPECT_EQ(RunCli({"batch", In(), Path("none")}, &err), 1);
    EXPECT_EQ(err, "the output folder does not exist: " + Path("none") + "\n");
    Write("a.bmp", NoiseImage24(4, 4, 1));
    EXPECT_EQ(RunCli({"batch", In(), Out(), "--input-type", "jpeg"}, &err), 1);
    EXPECT_EQ(err, "no picture files in the input folder: " + In() + "\n");
}

TEST_F(BatchCli, SummaryNamesEverySkippedFile) {
    Write("a.bmp", NoiseImage24(40, 20, 1));
    Write("a.jpg", NoiseImage24(40, 20, 2));
    Write("b.png", NoiseImage24(40, 20, 3));
    Write("c.gif", NoiseImagePalette(40, 20, 8, 50, 4));
    std::ofstream(dir_ / "in" / "d.jpg") << "no picture";
    std::string out, err;
    ASSERT_EQ(RunCli({"batch", In(), Out(), "--format", "png", "--width", "10", "--gif-mode", "--jobs", "1"}, &err,
                     &out),
              0)
        << err;
    // The listing order is the file system's; every line is there once.
    for (const char* line : {"converted: 2\n", "skipped: 3\n", "  a.bmp: a.png would also be written from a.jpg\n",
                             "  a.jpg: a.png would also be written from a.bmp\n", "  d.jpg: cannot be read: ",
                             "failed: 0\n"})
        EXPECT_NE(out.find(line), std::string::npos) << line << " in\n" << out;
    EXPECT_EQ(out.find("interrupted"), std::string::npos);
    // Width 10 of 40 x 20: 10 x 5, by the nearest-pixel stretch.
    const TDibImage b = ReadOut("b.png");
    EXPECT_EQ(b.Width(), 10);
    EXPECT_EQ(b.Height(), 5);
    EXPECT_EQ(ReadOut("c.png").Height(), 5);
    EXPECT_FALSE(fs::exists(dir_ / "out" / "a.png"));
}

TEST_F(BatchCli, SaveFailureGivesStatusOne) {
    Write("a.bmp", NoiseImage24(4, 4, 1));
    Write("b.bmp", NoiseImage24(4, 4, 2));
    fs::create_directory(dir_ / "out" / "a.jpg");
    std::string out;
    EXPECT_EQ(RunCli({"batch", In(), Out(), "--format", "jpg", "--quality", "90"}, nullptr, &out), 1);
    EXPECT_NE(out.find("converted: 1\n"), std::string::npos) << out;
    EXPECT_NE(out.find("failed: 1\n  a.bmp: "), std::string::npos) << out;
    EXPECT_TRUE(fs::exists(dir_ / "out" / "b.jpg"));
}

TEST_F(BatchCli, JobsGiveTheSameBytesAsOneJob) {
    for (int i = 0; i < 6; ++i) Write("p" + std::to_string(i) + ".bmp", NoiseImage24(50 + i, 40, std::uint32_t(i)));
    fs::create_directory(dir_ / "out2");
    const std::vector<std::string> options = {"--format", "png", "--scale", "50", "--filter", "lanczos3",
                                              "--progressive"};
    auto run = [&](const std::string& out, const std::string& jobs) {
        std::vector<std::string> args = {"batch", In(), out, "--jobs", jobs};
        args.insert(args.end(), options.begin(), options.end());
        return RunCli(args);
    };
    ASSERT_EQ(run(Out(), "1"), 0);
    ASSERT_EQ(run(Path("out2"), "4"), 0);
    fs::create_directory(dir_ / "out3");
    ASSERT_EQ(run(Path("out3"), "0"), 0);  // one job per processor
    for (int i = 0; i < 6; ++i) {
        const std::string name = "p" + std::to_string(i) + ".png";
        SCOPED_TRACE(name);
        const auto one = ReadWholeFile(dir_ / "out" / name);
        EXPECT_FALSE(one.empty());
        EXPECT_EQ(one, ReadWholeFile(dir_ / "out2" / name));
        EXPECT_EQ(one, ReadWholeFile(dir_ / "out3" / name));
    }
    EXPECT_EQ(ReadOut("p3.png").Width(), 26);  // 53 x 50 div 100
}

// The writers over outside encoders (some of them threaded themselves)
// give the same files whatever the number of jobs.
TEST_F(BatchCli, EncoderFormatsGiveTheSameBytesForAnyJobCount) {
    for (int i = 0; i < 3; ++i) Write("p" + std::to_string(i) + ".bmp", NoiseImage24(33 + i, 21, std::uint32_t(i)));
    struct TCase {
        std::vector<std::string> Options;
        const char* Extension;
    };
    const TCase cases[] = {{{"--format", "webp", "--quality", "70"}, ".webp"},
                           {{"--format", "webp", "--lossless", "--effort", "6"}, ".webp"},
                           {{"--format", "tiff", "--compression", "deflate"}, ".tif"},
                           {{"--format", "avif", "--speed", "8"}, ".avif"},
                           {{"--format", "heic", "--quality", "50", "--speed", "9"}, ".heic"},
                           {{"--format", "jxl", "--distance", "2.5", "--effort", "3"}, ".jxl"}};
    int run = 0;
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Options[1] + " " + c.Options[2]);
        std::vector<fs::path> folders;
        for (const char* jobs : {"1", "2"}) {
            folders.push_back(dir_ / ("enc" + std::to_string(run++)));
            fs::create_directory(folders.back());
            std::vector<std::string> args = {"batch", In(), folders.back().string(), "--jobs", jobs};
            args.insert(args.end(), c.Options.begin(), c.Options.end());
            std::string err;
            ASSERT_EQ(RunCli(args, &err), 0) << err;
        }
        for (int i = 0; i < 3; ++i) {
            const std::string name = "p" + std::to_string(i) + c.Extension;
            const auto one = ReadWholeFile(folders[0] / name);
            EXPECT_FALSE(one.empty()) << name;
            EXPECT_EQ(one, ReadWholeFile(folders[1] / name)) << name;
        }
    }
}

TEST_F(BatchCli, InputTypeTakesOnlyItsExtensions) {
    Write("a.bmp", NoiseImage24(6, 6, 1));
    Write("b.jpg", NoiseImage24(6, 6, 2));
    Write("c.ppm", NoiseImage24(6, 6, 3));
    std::string out;
    ASSERT_EQ(RunCli({"batch", In(), Out(), "--format", "png", "--input-type", "jpeg"}, nullptr, &out), 0);
    EXPECT_NE(out.find("converted: 1\n"), std::string::npos) << out;
    EXPECT_TRUE(fs::exists(dir_ / "out" / "b.png"));
    // netpbm is not among the dialog's types, so only by name.
    ASSERT_EQ(RunCli({"batch", In(), Out(), "--format", "png"}, nullptr, &out), 0);
    EXPECT_NE(out.find("converted: 2\n"), std::string::npos) << out;
    ASSERT_EQ(RunCli({"batch", In(), Out(), "--format", "png", "--input-type", "netpbm"}, nullptr, &out), 0);
    const TDibImage c = ReadOut("c.png");
    std::string why;
    EXPECT_TRUE(SamePixels(c, NoiseImage24(6, 6, 3), &why)) << why;
}

TEST_F(BatchCli, DepthAndGifOutput) {
    Write("a.bmp", NoiseImage24(16, 16, 1));
    ASSERT_EQ(RunCli({"batch", In(), Out(), "--depth", "4"}), 0);
    EXPECT_EQ(ReadOut("a.bmp").BitCount(), 4);
    ASSERT_EQ(RunCli({"batch", In(), Out(), "--depth", "halftone"}), 0);
    EXPECT_EQ(ReadOut("a.bmp").BitCount(), 1);
    ASSERT_EQ(RunCli({"batch", In(), Out(), "--format", "gif", "--gif-mode"}), 0);
    EXPECT_EQ(ReadOut("a.gif").Width(), 16);
}

// A script without Undo or Redo writes no snapshots: with files limited to
// 4 KiB, a 100 x 100 picture (30 000 bytes a snapshot) can still be cropped
// and saved small, while a script that undoes needs the snapshot and fails.
TEST(CliApply, KeepsNoUndoSnapshotsWithoutUndoOrRedo) {
    const auto dir = MakeTempDir("cli-apply-undo");
    const auto in = dir / "in.bmp";
    NoiseImage24(100, 100, 3).SaveToFile(in);
    const std::string out = (dir / "out.bmp").string();

    struct rlimit old {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    struct sigaction ignore {}, oldAction {};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGXFSZ, &ignore, &oldAction);
    struct rlimit small = old;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const int plain = RunCli({"apply", in.string(), out, "--select", "0,0,4,4", "Negative", "Trim"});
    std::string err;
    const int undoing = RunCli({"apply", in.string(), out, "--select", "0,0,4,4", "Negative", "Undo:1", "Trim"}, &err);
    ::setrlimit(RLIMIT_FSIZE, &old);
    ::sigaction(SIGXFSZ, &oldAction, nullptr);

    EXPECT_EQ(plain, 0);
    EXPECT_EQ(undoing, 1) << err;
    fs::remove_all(dir);
}

}  // namespace
}  // namespace zelvo::test
