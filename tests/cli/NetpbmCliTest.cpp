// zelvo-cli with netpbm pictures: decode writes the format its output's
// extension names, apply reads and writes netpbm files through the
// document, and names without a writer are refused.

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "CliTestSupport.h"
#include "TestSupport.h"
#include "cli/Cli.h"
#include "image/Stream.h"

namespace zelvo {
namespace {

namespace fs = std::filesystem;

using test::RunCli;

std::string Text(const fs::path& path) {
    const auto bytes = ReadWholeFile(path);
    return std::string(bytes.begin(), bytes.end());
}

class NetpbmCli : public ::testing::Test {
protected:
    void SetUp() override { dir_ = test::MakeTempDir("clinetpbm"); }
    void TearDown() override { fs::remove_all(dir_); }
    std::string P(const char* name) const { return (dir_ / name).string(); }
    fs::path dir_;
};

TEST_F(NetpbmCli, DecodeWritesTheFormOfTheOutputName) {
    // A 2 x 1 grey picture given as 16-bit PGM: 0x0101 = 257 -> level 1,
    // 0xFFFF -> 255.
    std::ofstream(P("in.pgm"), std::ios::binary) << std::string("P5 2 1 65535\n\x01\x01\xFF\xFF", 17);
    struct TCase {
        const char* Output;
        std::string Expected;
    };
    const TCase cases[] = {
        {"o.pgm", std::string("P5\n2 1\n255\n\x01\xFF", 13)},
        {"o.ppm", std::string("P6\n2 1\n255\n\x01\x01\x01\xFF\xFF\xFF", 17)},
        {"o.pam", std::string("P7\nWIDTH 2\nHEIGHT 1\nDEPTH 3\nMAXVAL 255\nTUPLTYPE RGB\nENDHDR\n\x01\x01\x01\xFF\xFF\xFF",
                              65)},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Output);
        ASSERT_EQ(RunCli({"decode", P("in.pgm"), P(c.Output)}), 0);
        EXPECT_EQ(Text(dir_ / c.Output), c.Expected);
    }
    // A BMP output goes through the BMP writer.
    ASSERT_EQ(RunCli({"decode", P("in.pgm"), P("o.bmp")}), 0);
    EXPECT_EQ(Text(dir_ / "o.bmp").substr(0, 2), "BM");
    std::string err;
    EXPECT_EQ(RunCli({"decode", P("in.pgm"), P("o.dib")}, &err), 1);
    EXPECT_EQ(err, "no writer for this file type: " + P("o.dib") + "\n");
    EXPECT_FALSE(fs::exists(dir_ / "o.dib"));
}

TEST_F(NetpbmCli, ApplyReadsAndWritesNetpbm) {
    const TDibImage picture = test::NoiseImage24(7, 5, 3);
    picture.SaveToFile(dir_ / "in.bmp");
    ASSERT_EQ(RunCli({"apply", P("in.bmp"), P("a.ppm")}), 0);
    ASSERT_EQ(RunCli({"apply", P("a.ppm"), P("b.bmp"), "Mirror", "Mirror"}), 0);
    TDibImage back;
    back.LoadFromFile(dir_ / "b.bmp");
    std::string why;
    EXPECT_TRUE(test::SamePixels(back, picture, &why)) << why;
    // The PAM output of apply and of decode are the same file.
    ASSERT_EQ(RunCli({"apply", P("a.ppm"), P("c.pam")}), 0);
    ASSERT_EQ(RunCli({"decode", P("in.bmp"), P("d.pam")}), 0);
    EXPECT_EQ(Text(dir_ / "c.pam"), Text(dir_ / "d.pam"));
    // A bad netpbm file fails with the reader's message.
    std::ofstream(P("bad.ppm"), std::ios::binary) << "P6 7 5 255\nshort";
    std::string err;
    EXPECT_EQ(RunCli({"apply", P("bad.ppm"), P("e.bmp")}, &err), 1);
    EXPECT_EQ(err, "Stream read error\n");
}

}  // namespace
}  // namespace zelvo
