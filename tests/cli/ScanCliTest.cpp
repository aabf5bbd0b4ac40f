// zelvo-cli scan against SANE's test back end: the sources listed, each
// picture kind saved with the pattern's size and depth and the same pixels
// scanimage gets, no transfer file left, and the usage errors.

#include <gtest/gtest.h>

#include "CliTestSupport.h"
#include "SaneTestSupport.h"
#include "image/DibImage.h"

namespace zelvo {
namespace {

namespace fs = std::filesystem;

class TScanCliTest : public test::TCliFolderTest {
protected:
    void SetUp() override {
        TCliFolderTest::SetUp();
        static const fs::path config = [] {
            const fs::path dir = test::MakeTempDir("zelvo-cli-sane");
            test::UsePrivateSaneConfig(dir);
            return dir;
        }();
        fs::create_directories(dir_ / "tmp");
        setenv("TMPDIR", (dir_ / "tmp").c_str(), 1);
    }
    void TearDown() override {
        unsetenv("TMPDIR");
        TCliFolderTest::TearDown();
    }
};

TEST_F(TScanCliTest, ListsTheSources) {
    std::string out, err;
    ASSERT_EQ(test::RunCli({"scan", "--list"}, &err, &out), 0) << err;
    EXPECT_EQ(out.find("test:0\t"), 0u);
    EXPECT_NE(out.find("\ntest:1\t"), std::string::npos);
}

TEST_F(TScanCliTest, EachKindMatchesScanimage) {
    struct TCase {
        const char* Mode;
        const char* ScanimageMode;
        int BitCount;
    };
    for (const TCase c : {TCase{"colour", "--mode Color --depth 8", 24}, TCase{"grey", "--mode Gray --depth 8", 8},
                          TCase{"lineart", "--mode Gray --depth 1", 1}}) {
        SCOPED_TRACE(c.Mode);
        const std::string output = Path(std::string(c.Mode) + ".bmp");
        std::string err;
        ASSERT_EQ(test::RunCli({"scan", output, "--device", "test:1", "--mode", c.Mode, "--resolution", "60"}, &err), 0)
            << err;
        EXPECT_TRUE(fs::is_empty(dir_ / "tmp"));
        TDibImage picture;
        picture.LoadFromFile(output);
        EXPECT_EQ(picture.BitCount(), c.BitCount);
        const fs::path pnm = dir_ / (std::string(c.Mode) + ".pnm");
        ASSERT_TRUE(test::RunScanimage(std::string("-d test:1 --resolution 60 ") + c.ScanimageMode, pnm));
        const test::TPnmPixels want = test::ReadScanimagePnm(pnm);
        TDibImage asRgb(picture);
        asRgb.SetPixelFormat(dibPf24Bit);
        ASSERT_EQ(picture.Width(), want.Width);
        ASSERT_EQ(picture.Height(), want.Height);
        int wrong = 0;
        for (int y = 0; y < want.Height; ++y)
            for (int x = 0; x < want.Width; ++x) {
                const std::uint8_t* rgb = &want.Rgb[(std::size_t(y) * std::size_t(want.Width) + std::size_t(x)) * 3];
                wrong += asRgb.GetPixels(x, y) != TColor(rgb[0] | (rgb[1] << 8) | (rgb[2] << 16));
            }
        EXPECT_EQ(wrong, 0);
    }
}

TEST_F(TScanCliTest, SavesByExtensionAndReportsFailures) {
    std::string err;
    ASSERT_EQ(test::RunCli({"scan", Path("scan.png"), "--mode", "grey", "--resolution", "20"}, &err), 0) << err;
    EXPECT_GT(fs::file_size(Path("scan.png")), 0u);
    EXPECT_EQ(test::RunCli({"scan", Path("x.bmp"), "--device", "nosuch:0"}, &err), 1);
    EXPECT_EQ(err, "Unable to open default Data Source.\n");
    EXPECT_EQ(test::RunCli({"scan", Path("y.bmp"), "--option", "read-return-value=SANE_STATUS_JAMMED"}, &err), 1);
    EXPECT_EQ(err, "DataSource operation failed\n");
    EXPECT_FALSE(fs::exists(Path("y.bmp")));
    EXPECT_TRUE(fs::is_empty(dir_ / "tmp"));
}

TEST_F(TScanCliTest, UsageErrors) {
    const std::vector<std::vector<std::string>> bad = {
        {"scan"},
        {"scan", "a.bmp", "b.bmp"},
        {"scan", "a.bmp", "--mode", "sepia"},
        {"scan", "a.bmp", "--resolution", "0"},
        {"scan", "a.bmp", "--resolution", "many"},
        {"scan", "a.bmp", "--device"},
        {"scan", "a.bmp", "--option", "novalue"},
        {"scan", "--list", "a.bmp"},
        {"scan", "a.bmp", "--colour"},
    };
    for (const auto& args : bad) {
        std::string err;
        SCOPED_TRACE(args.back());
        EXPECT_EQ(test::RunCli(args, &err), 2);
        EXPECT_NE(err.find("zelvo-cli --help"), std::string::npos) << err;
    }
}

}  // namespace
}  // namespace zelvo
