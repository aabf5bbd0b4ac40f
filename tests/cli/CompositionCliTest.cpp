#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "CliTestSupport.h"
#include "TestSupport.h"
#include "cli/Cli.h"
#include "cli/OperationTable.h"
#include "image/Stream.h"

namespace zelvo {
namespace {

// The output comes first here: the queries print what the tests read.
int RunCli(std::vector<std::string> args, std::string* out = nullptr, std::string* err = nullptr) {
    return test::RunCli(std::move(args), err, out);
}

class CompositionCli : public test::TCliFolderTest {
protected:
    void SetUp() override {
        TCliFolderTest::SetUp();
        test::NoiseImage24(23, 17, 41).SaveToFile(dir_ / "other.bmp");
        test::NoiseImagePalette(9, 7, 4, 16, 42).SaveToFile(dir_ / "texture.bmp");
    }
};

// Each row runs by its name with the picture arguments as files; Undo:1
// after it gives the input back byte for byte, at every depth.
TEST_F(CompositionCli, EveryOperationThenUndoGivesTheInputBack) {
    const std::string other = Path("other.bmp"), texture = Path("texture.bmp");
    const std::vector<std::vector<std::string>> chains = {
        {"Normalize"},
        {"Equalize"},
        {"Merge:" + other + ",0,30"},
        {"Merge:" + other + ",1,0"},
        {"Merge:" + other + ",2,0"},
        {"Merge:" + other + ",3,0"},
        {"Merge:" + other + ",4,0"},
        {"Combine:" + other + ",0,3,2"},
        {"Combine:" + other + ",1,-5,10"},
        {"Combine:" + other + ",2,-1,-4"},
        {"Combine:" + other + ",3,7,0"},
        {"Gradation:clNavy,clWhite,50,1"},
        {"Gradation:clRed,$00112233,100,8"},
        {"Texture:" + texture + ",50,-3,4"},
        // A flipped copy of the picture (the flip itself undone) pasted
        // over it.
        {"Flip", "CopyToClipboard", "Undo:1", "MergePaste", "ApplyFloating"},
    };
    test::NoiseImage24(41, 23, 43).SaveToFile(dir_ / "rgb.bmp");
    test::NoiseImagePalette(41, 23, 8, 256, 44).SaveToFile(dir_ / "pal8.bmp");
    test::NoiseImagePalette(41, 23, 1, 2, 45).SaveToFile(dir_ / "pal1.bmp");
    for (const std::string input : {"rgb.bmp", "pal8.bmp", "pal1.bmp"}) {
        for (const auto& chain : chains) {
            SCOPED_TRACE(input + " " + chain.front());
            std::vector<std::string> args = {"apply", Path(input), Path("changed.bmp")};
            args.insert(args.end(), chain.begin(), chain.end());
            std::string err;
            ASSERT_EQ(RunCli(args, nullptr, &err), 0) << err;
            EXPECT_NE(ReadWholeFile(Path(input)), ReadWholeFile(Path("changed.bmp")));
            args = {"apply", Path(input), Path("back.bmp"), "--select", "3,2,30,20"};
            args.insert(args.end(), chain.begin(), chain.end());
            args.push_back("Undo:1");
            ASSERT_EQ(RunCli(args, nullptr, &err), 0) << err;
            EXPECT_EQ(ReadWholeFile(Path(input)), ReadWholeFile(Path("back.bmp")));
        }
    }
}

TEST_F(CompositionCli, CombineWorkedExampleAndNewImage) {
    test::FlatImage24(100, 50, RGB(255, 0, 0)).SaveToFile(dir_ / "a.bmp");
    test::FlatImage24(40, 80, RGB(0, 0, 255)).SaveToFile(dir_ / "b.bmp");
    ASSERT_EQ(RunCli({"apply", Path("a.bmp"), Path("joined.bmp"), "--background", "clWhite",
                      "Combine:" + Path("b.bmp") + ",1,-5,10"}),
              0);
    std::string out;
    ASSERT_EQ(RunCli({"info", Path("joined.bmp")}, &out), 0);
    EXPECT_NE(out.find("width: 150\nheight: 85\n"), std::string::npos) << out;
    // Red, blue and the white background.
    EXPECT_NE(out.find("colors: 3\n"), std::string::npos) << out;

    ASSERT_EQ(RunCli({"apply", Path("a.bmp"), Path("new.bmp"), "NewImage:7,3,8,clLime"}), 0);
    ASSERT_EQ(RunCli({"info", Path("new.bmp")}, &out), 0);
    EXPECT_NE(out.find("width: 7\nheight: 3\nbitcount: 8\n"), std::string::npos) << out;
    EXPECT_NE(out.find("colors: 1\n"), std::string::npos) << out;
}

TEST_F(CompositionCli, HistogramCommandListsEveryLevel) {
    test::FlatImage24(5, 4, RGB(30, 60, 91)).SaveToFile(dir_ / "flat.bmp");
    std::string out;
    ASSERT_EQ(RunCli({"histogram", Path("flat.bmp")}, &out), 0);
    EXPECT_EQ(out.rfind("pixels: 20\ncolors: 1\nlevel brightness red green blue\n0 0 0 0 0\n", 0), 0u) << out;
    // Level 60: brightness (181 div 3) and green; level 30 red; 91 blue.
    EXPECT_NE(out.find("\n60 20 0 20 0\n"), std::string::npos);
    EXPECT_NE(out.find("\n30 0 20 0 0\n"), std::string::npos);
    EXPECT_NE(out.find("\n91 0 0 0 20\n"), std::string::npos);
}

TEST_F(CompositionCli, PictureArgumentsAndRangesAreChecked) {
    std::string err;
    EXPECT_EQ(RunCli({"apply", Path("other.bmp"), Path("o.bmp"), "Merge:" + Path("missing.png") + ",0,0"}, nullptr,
                     &err),
              1);
    EXPECT_NE(err.find("cannot read the picture"), std::string::npos) << err;
    EXPECT_EQ(RunCli({"apply", Path("other.bmp"), Path("o.bmp"), "Texture:" + Path("texture.bmp") + ",0,0,0"}, nullptr,
                     &err),
              2);
    EXPECT_EQ(RunCli({"apply", Path("other.bmp"), Path("o.bmp"), "NewImage:0,5,24,clWhite"}, nullptr, &err), 2);
    // A combined size that cannot exist fails the command and writes nothing.
    EXPECT_EQ(RunCli({"apply", Path("other.bmp"), Path("o.bmp"), "Combine:" + Path("other.bmp") + ",1,0,-46"}, nullptr,
                     &err),
              1);
    EXPECT_FALSE(std::filesystem::exists(dir_ / "o.bmp"));
    const cli::TOperation* merge = cli::FindOperation("Merge");
    ASSERT_NE(merge, nullptr);
    EXPECT_EQ(merge->Arguments[0].Type, "picture file");
}

}  // namespace
}  // namespace zelvo
