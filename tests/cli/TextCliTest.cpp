// Text insertion from the command line: the glyphs come as a mask file
// drawn elsewhere (here a plain PBM), everything after that is ours.

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "CliTestSupport.h"
#include "TestSupport.h"
#include "image/DibImage.h"
#include "image/Stream.h"

namespace zelvo {
namespace {

class TextCli : public test::TCliFolderTest {
protected:
    void SetUp() override {
        TCliFolderTest::SetUp();
        // Two ink pixels on a diagonal; in PBM 1 is black.
        std::ofstream(dir_ / "mask.pbm") << "P1\n3 2\n1 0 0\n0 1 0\n";
    }
    TDibImage Read(const std::string& name) {
        TDibImage picture;
        picture.LoadFromFile(dir_ / name);
        return picture;
    }
};

// Box at (2, 1): the 3 x 2 mask grown by frame 1 + padding 1, so 7 x 6,
// the ink at (4, 3) and (5, 4). Opacity 50 over white: black ink 127, the
// red frame (255, 127, 127), the white box 255.
TEST_F(TextCli, MaskDrawnAtTheOffsetWithFrameAndOpacity) {
    test::FlatImage24(12, 9, clWhite).SaveToFile(dir_ / "white.bmp");
    std::string err;
    ASSERT_EQ(test::RunCli({"apply", Path("white.bmp"), Path("out.bmp"),
                            "DrawTextMask:" + Path("mask.pbm") + ",2,1,clBlack,clWhite,0,1,clRed,1,50,0"},
                           &err),
              0)
        << err;
    const TDibImage out = Read("out.bmp");
    EXPECT_EQ(out.GetPixels(4, 3), RGB(127, 127, 127));
    EXPECT_EQ(out.GetPixels(5, 4), RGB(127, 127, 127));
    EXPECT_EQ(out.GetPixels(5, 3), clWhite);
    EXPECT_EQ(out.GetPixels(2, 1), RGB(255, 127, 127));
    EXPECT_EQ(out.GetPixels(8, 6), RGB(255, 127, 127));
    EXPECT_EQ(out.GetPixels(9, 7), clWhite);
    EXPECT_EQ(out.GetPixels(1, 1), clWhite);
}

// Undo:1 after the row gives the input back byte for byte at every depth,
// also with the box hanging off the picture.
TEST_F(TextCli, UndoGivesTheInputBack) {
    test::NoiseImage24(21, 13, 51).SaveToFile(dir_ / "rgb.bmp");
    test::NoiseImagePalette(21, 13, 8, 256, 52).SaveToFile(dir_ / "pal8.bmp");
    test::NoiseImagePalette(21, 13, 4, 16, 53).SaveToFile(dir_ / "pal4.bmp");
    test::NoiseImagePalette(21, 13, 1, 2, 54).SaveToFile(dir_ / "pal1.bmp");
    for (const std::string input : {"rgb.bmp", "pal8.bmp", "pal4.bmp", "pal1.bmp"}) {
        for (const std::string place : {"3,2", "-4,-2", "18,11"}) {
            SCOPED_TRACE(input + " at " + place);
            const std::string row =
                "DrawTextMask:" + Path("mask.pbm") + "," + place + ",clNavy,clYellow,0,2,clRed,3,40,1";
            std::string err;
            ASSERT_EQ(test::RunCli({"apply", Path(input), Path("changed.bmp"), row}, &err), 0) << err;
            EXPECT_NE(ReadWholeFile(Path(input)), ReadWholeFile(Path("changed.bmp")));
            ASSERT_EQ(test::RunCli({"apply", Path(input), Path("back.bmp"), row, "Undo:1"}, &err), 0) << err;
            EXPECT_EQ(ReadWholeFile(Path(input)), ReadWholeFile(Path("back.bmp")));
        }
    }
}

TEST_F(TextCli, OutOfRangeValuesAreUsageErrors) {
    test::FlatImage24(6, 6, clWhite).SaveToFile(dir_ / "white.bmp");
    const std::string mask = "DrawTextMask:" + Path("mask.pbm");
    for (const std::string tail : {",0,0,clBlack,clWhite,0,100,clRed,1,50,0", ",0,0,clBlack,clWhite,0,1,clRed,100,50,0",
                                   ",0,0,clBlack,clWhite,0,1,clRed,1,101,0", ",0,0,clBlack,clWhite,2,1,clRed,1,50,0"}) {
        SCOPED_TRACE(tail);
        std::string err;
        EXPECT_EQ(test::RunCli({"apply", Path("white.bmp"), Path("o.bmp"), mask + tail}, &err), 2);
        EXPECT_FALSE(std::filesystem::exists(dir_ / "o.bmp"));
    }
}

}  // namespace
}  // namespace zelvo
