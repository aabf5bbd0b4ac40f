#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CliTestSupport.h"
#include "TestSupport.h"
#include "cli/Cli.h"
#include "effects/Random.h"
#include "image/Stream.h"

namespace zelvo {
namespace {

using test::RunCli;

class ThreadsCli : public test::TCliFolderTest {};

// Every operation that runs in bands writes the same file with one thread
// and with two, from a 24-bit and a palette picture, with and without a
// selection; --threads may stand before the command or among its options.
TEST_F(ThreadsCli, OneAndTwoThreadsWriteTheSameFiles) {
    const std::vector<std::string> ops = {
        "Resample:Lanczos3,131,57", "Resample:Box,40,200", "Resample:Mitchell,611,301,2.5",
        "Convolve3x3:1;-2;1;0.5;4;0.5;1;-2;1,3,1", "Soft", "Sharpen:20", "Emboss:10,1,0", "HighPass:3",
        "EdgeDetection:19", "Median:5", "Median:1", "GaussianBlur:4", "NoiseReduction:40,1", "OilPaint:2",
        "RotateAngle:-333,1", "RotateAngle:900,0", "AdjustHSV:90,30,-20", "ColorDepth:8", "ColorDepth:4",
    };
    test::NoiseImage24(203, 151, 21).SaveToFile(dir_ / "rgb.bmp");
    test::NoiseImagePalette(203, 151, 8, 256, 22).SaveToFile(dir_ / "pal8.bmp");
    for (const std::string input : {"rgb.bmp", "pal8.bmp"}) {
        for (const std::string& op : ops) {
            for (const bool selected : {false, true}) {
                SCOPED_TRACE(input + " " + op + (selected ? " selected" : ""));
                std::vector<std::string> one = {"apply", Path(input), Path("one.png"), "--threads", "1", op};
                std::vector<std::string> two = {"--threads", "2", "apply", Path(input), Path("two.png"), op};
                if (selected) {
                    for (auto* args : {&one, &two}) args->insert(args->end() - 1, {"--select", "17,9,180,140"});
                }
                // Each process starts the generator at 0; these runs share one.
                std::string err;
                effects::SetRandSeed(0);
                ASSERT_EQ(RunCli(one, &err), 0) << err;
                effects::SetRandSeed(0);
                ASSERT_EQ(RunCli(two, &err), 0) << err;
                EXPECT_EQ(ReadWholeFile(Path("one.png")), ReadWholeFile(Path("two.png")));
            }
        }
    }
}

TEST_F(ThreadsCli, ACountOutsideTheRangeIsAUsageError) {
    test::NoiseImage24(8, 8, 1).SaveToFile(dir_ / "in.bmp");
    const std::vector<std::vector<std::string>> bad = {
        {"--threads", "-1", "apply", Path("in.bmp"), Path("out.bmp"), "Soft"},
        {"apply", Path("in.bmp"), Path("out.bmp"), "--threads", "257", "Soft"},
        {"apply", Path("in.bmp"), Path("out.bmp"), "Soft", "--threads", "two"},
        {"apply", Path("in.bmp"), Path("out.bmp"), "Soft", "--threads"},
    };
    for (const auto& args : bad) {
        SCOPED_TRACE(args[0] + " " + args[1]);
        std::string err;
        EXPECT_EQ(RunCli(args, &err), 2);
        EXPECT_NE(err.find("--threads"), std::string::npos) << err;
    }
    EXPECT_EQ(RunCli({"apply", Path("in.bmp"), Path("out.bmp"), "--threads", "0", "Soft"}), 0);
}

}  // namespace
}  // namespace zelvo
