#include <gtest/gtest.h>

#include <sstream>

#include "CliTestSupport.h"
#include "TestSupport.h"
#include "cli/Cli.h"
#include "image/Stream.h"

namespace zelvo {
namespace {

using test::RunCli;

TEST(Cli, ApplyThenUndoGivesTheInputBitForBit) {
    const auto dir = test::MakeTempDir("cliapply");
    const auto in = dir / "in.bmp";
    test::NoiseImage24(31, 17, 5).SaveToFile(in);
    ASSERT_EQ(RunCli({"apply", in.string(), (dir / "out.bmp").string(), "Equalize", "Undo:1"}), 0);
    EXPECT_EQ(ReadWholeFile(in), ReadWholeFile(dir / "out.bmp"));
    ASSERT_EQ(RunCli({"apply", in.string(), (dir / "eq.bmp").string(), "--select", "2,2,10,10", "Equalize"}), 0);
    EXPECT_NE(ReadWholeFile(in), ReadWholeFile(dir / "eq.bmp"));
    std::string err;
    EXPECT_EQ(RunCli({"apply", in.string(), (dir / "x.bmp").string(), "NoSuchOp"}, &err), 2);
    EXPECT_NE(err.find("NoSuchOp"), std::string::npos);
    EXPECT_EQ(RunCli({"apply", in.string(), (dir / "x.bmp").string(), "Undo:a"}), 2);
    std::filesystem::remove_all(dir);
}

TEST(Cli, DecodeWritesPamAndReportsFailures) {
    const auto dir = test::MakeTempDir("clidecode");
    const auto in = dir / "in.bmp";
    TDibImage img = test::NoiseImage24(2, 1, 9);
    img.SaveToFile(in);
    ASSERT_EQ(RunCli({"decode", in.string(), (dir / "o.pam").string()}), 0);
    const auto pam = ReadWholeFile(dir / "o.pam");
    const std::string header = "P7\nWIDTH 2\nHEIGHT 1\nDEPTH 3\nMAXVAL 255\nTUPLTYPE RGB\nENDHDR\n";
    ASSERT_EQ(pam.size(), header.size() + 6);
    EXPECT_EQ(std::string(pam.begin(), pam.begin() + long(header.size())), header);
    const TColor first = img.GetPixels(0, 0);
    EXPECT_EQ(pam[header.size()], GetRValue(first));
    EXPECT_EQ(pam[header.size() + 2], GetBValue(first));
    // A truncated file fails with the reader's message.
    auto bytes = ReadWholeFile(in);
    bytes.resize(30);
    {
        TFileStream bad(dir / "bad.bmp", TFileStream::Mode::fmCreate);
        bad.WriteBuffer(bytes.data(), bytes.size());
    }
    std::string err;
    EXPECT_EQ(RunCli({"decode", (dir / "bad.bmp").string(), (dir / "b.pam").string()}, &err), 1);
    EXPECT_FALSE(err.empty());
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace zelvo
