#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "CliTestSupport.h"
#include "TestSupport.h"
#include "cli/Cli.h"
#include "cli/OperationTable.h"

namespace zelvo {
namespace {

using test::RunCli;

class EffectsCli : public test::TCliFolderTest {};

// Every filter and effect row runs by its name; with Undo:1 after it the
// saved file is the input byte for byte, at every depth.
TEST_F(EffectsCli, EveryOperationThenUndoGivesTheInputBack) {
    const std::vector<std::string> ops = {
        "Convolve3x3:0;-1;0;-1;5;-1;0;-1;0,1,0", "Soft", "Sharpen:10", "Emboss:10,0,1", "HighPass:20",
        "EdgeDetection:1", "GaussianBlur:5", "Median:1", "Median:5", "Median:9", "NoiseReduction:100,1", "Blur:3",
        "Button3D:6,1,1,2", "Spray:100", "Noise:100,1", "Wave:3,3,0,3", "Wave:5,7,1,30", "Block:16,8,1,1,1",
        "Mosaic:8", "FadeOut:5", "GlassMosaic:0,8", "Scetch", "OilPaint:3", "Vortex:-540", "Explode:-50",
        "Explode:100", "SpotLight:15,10,5,30", "Blind:5,clRed,0,0,1",
    };
    test::NoiseImage24(41, 23, 5).SaveToFile(dir_ / "rgb.bmp");
    test::NoiseImagePalette(41, 23, 8, 256, 6).SaveToFile(dir_ / "pal8.bmp");
    test::NoiseImagePalette(41, 23, 4, 16, 7).SaveToFile(dir_ / "pal4.bmp");
    test::NoiseImagePalette(41, 23, 1, 2, 8).SaveToFile(dir_ / "pal1.bmp");
    for (const std::string input : {"rgb.bmp", "pal8.bmp", "pal4.bmp", "pal1.bmp"}) {
        for (const std::string& op : ops) {
            SCOPED_TRACE(input + " " + op);
            std::string err;
            ASSERT_EQ(RunCli({"apply", Path(input), Path("changed.bmp"), op}, &err), 0) << err;
            if (input == "rgb.bmp") {
                EXPECT_NE(ReadWholeFile(Path(input)), ReadWholeFile(Path("changed.bmp")));
            }
            ASSERT_EQ(RunCli({"apply", Path(input), Path("back.bmp"), "--select", "3,2,30,20", op, "Undo:1"}), 0);
            EXPECT_EQ(ReadWholeFile(Path(input)), ReadWholeFile(Path("back.bmp")));
        }
    }
}

TEST_F(EffectsCli, ParametersOutsideTheDialogRangesAreRefused) {
    test::NoiseImage24(20, 16, 9).SaveToFile(dir_ / "in.bmp");
    const std::string invalid = "TDibImageData.CreateDIB: Invalid Parameters";
    struct Bad {
        std::string op;
        std::string message;
        int status;
    };
    // Values outside a range the table states are usage errors (exit 2, a
    // hint follows the message); ranges that depend on the picture are the
    // document's to refuse (exit 1, the message alone).
    const std::vector<Bad> bad = {
        {"HighPass:21", "HighPass: value out of range 1..20: \"21\"", 2},
        {"EdgeDetection:40", "EdgeDetection: value out of range 1..20: \"40\"", 2},
        {"Sharpen:21", "Sharpen: value out of range 0..20: \"21\"", 2},
        {"GaussianBlur:11", "GaussianBlur: value out of range 0..10: \"11\"", 2},
        {"GlassMosaic:0,1", "GlassMosaic: value out of range 3..30: \"1\"", 2},
        {"FadeOut:9", invalid, 1},  // half of the 16-row side is 8
        {"Explode:0", invalid, 1},
        {"Convolve3x3:1;2;3,1,0", "Convolve3x3: unknown value \"1;2;3\"", 2},
        {"Convolve3x3:1;1;1;1;1;1;1;1;x,1,0", "Convolve3x3: unknown value \"1;1;1;1;1;1;1;1;x\"", 2},
        {"Convolve3x3:1;1;1;1;1;1;1;1;1,256,0", "Convolve3x3: value out of range 0..255: \"256\"", 2},
        {"Median", "Median: expects 1 argument(s), got 0", 2},
    };
    for (const Bad& b : bad) {
        SCOPED_TRACE(b.op);
        std::string err;
        EXPECT_EQ(RunCli({"apply", Path("in.bmp"), Path("bad.bmp"), b.op}, &err), b.status);
        if (b.status == 1)
            EXPECT_EQ(err, b.message + "\n");
        else
            EXPECT_EQ(err.rfind(b.message + " (", 0), 0u) << err;
        EXPECT_FALSE(std::filesystem::exists(Path("bad.bmp")));
    }
}

TEST_F(EffectsCli, KernelIsGivenRowByRow) {
    // A kernel taking the pixel to the right is a shift left by one pixel
    // (the last column repeats).
    const TDibImage source = test::NoiseImage24(9, 4, 10);
    source.SaveToFile(dir_ / "in.bmp");
    ASSERT_EQ(RunCli({"apply", Path("in.bmp"), Path("out.bmp"), "Convolve3x3:0;0;0;0;0;1;0;0;0,1,0"}), 0);
    TDibImage out;
    out.LoadFromFile(Path("out.bmp"));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 9; ++x) EXPECT_EQ(out.GetPixels(x, y), source.GetPixels(std::min(x + 1, 8), y));
}

}  // namespace
}  // namespace zelvo
