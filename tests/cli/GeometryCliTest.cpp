#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "CliTestSupport.h"
#include "TestSupport.h"
#include "cli/Cli.h"
#include "cli/OperationTable.h"
#include "document/QxImage.h"
#include "platform/Clipboard.h"

namespace zelvo {
namespace {

using test::RunCli;

TDibImage Read(const std::filesystem::path& path) {
    TDibImage image;
    image.LoadFromFile(path);
    return image;
}

class GeometryCli : public test::TCliFolderTest {};

// Each geometry row runs by its name; with Undo:1 after it the saved file
// is the input byte for byte, palette pictures included.
TEST_F(GeometryCli, EveryOperationThenUndoGivesTheInputBack) {
    const std::vector<std::string> ops = {
        "Rotate90:1", "Rotate90:0", "RotateAngle:450,1", "RotateAngle:-123,0", "Mirror", "Flip",
        "ShiftImage:10,-3", "AddMargins:1,2,clRed,3,4", "CropRect:20,15,3,2", "StretchResize:50,9",
        "Resample:Lanczos3,20,15", "Resample:1,40,30,0.8",
    };
    test::NoiseImage24(31, 17, 5).SaveToFile(dir_ / "rgb.bmp");
    test::NoiseImagePalette(31, 17, 8, 256, 6).SaveToFile(dir_ / "pal.bmp");
    for (const std::string input : {"rgb.bmp", "pal.bmp"}) {
        for (const std::string& op : ops) {
            SCOPED_TRACE(input + " " + op);
            ASSERT_EQ(RunCli({"apply", Path(input), Path("changed.bmp"), op}), 0);
            EXPECT_NE(ReadWholeFile(Path(input)), ReadWholeFile(Path("changed.bmp")));
            ASSERT_EQ(RunCli({"apply", Path(input), Path("back.bmp"), op, "Undo:1"}), 0);
            EXPECT_EQ(ReadWholeFile(Path(input)), ReadWholeFile(Path("back.bmp")));
        }
    }
    // Trim works on the --select rectangle.
    ASSERT_EQ(RunCli({"apply", Path("rgb.bmp"), Path("trim.bmp"), "--select", "2,3,12,9", "Trim"}), 0);
    const TDibImage trimmed = Read(Path("trim.bmp"));
    EXPECT_EQ(trimmed.Width(), 10);
    EXPECT_EQ(trimmed.Height(), 6);
}

TEST_F(GeometryCli, ResampleTakesTheFilterByNameOrIndexWithOptionalSupport) {
    const TDibImage source = test::NoiseImagePalette(40, 30, 8, 256, 7);
    source.SaveToFile(dir_ / "in.bmp");
    ASSERT_EQ(RunCli({"apply", Path("in.bmp"), Path("named.bmp"), "Resample:Lanczos3,20,15"}), 0);
    ASSERT_EQ(RunCli({"apply", Path("in.bmp"), Path("index.bmp"), "Resample:6,20,15"}), 0);
    ASSERT_EQ(RunCli({"apply", Path("in.bmp"), Path("support.bmp"), "Resample:lanczos3,20,15,3"}), 0);
    const TDibImage named = Read(Path("named.bmp"));
    EXPECT_EQ(named.Width(), 20);
    EXPECT_EQ(named.Height(), 15);
    EXPECT_EQ(named.BitCount(), 24);
    // The filter's own support is 3, so all three give the same picture.
    EXPECT_EQ(ReadWholeFile(Path("named.bmp")), ReadWholeFile(Path("index.bmp")));
    EXPECT_EQ(ReadWholeFile(Path("named.bmp")), ReadWholeFile(Path("support.bmp")));
    ASSERT_EQ(RunCli({"apply", Path("in.bmp"), Path("wide.bmp"), "Resample:Lanczos3,20,15,1"}), 0);  // a cut-off kernel
    EXPECT_NE(ReadWholeFile(Path("named.bmp")), ReadWholeFile(Path("wide.bmp")));

    // Box to the same size gives the picture's colours at 24 bits.
    ASSERT_EQ(RunCli({"apply", Path("in.bmp"), Path("box.bmp"), "Resample:Box,40,30"}), 0);
    TBitmap original;
    original.Assign(source);
    const TDibImage box = Read(Path("box.bmp"));
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) ASSERT_EQ(box.GetPixels(x, y), original.PixelColor(x, y));

    // Usage errors exit 2 and add a hint after the message; failures of the
    // operation itself exit 1 with the message alone.
    struct Bad {
        std::string op;
        std::string message;
        int status;
    };
    const std::vector<Bad> bad = {
        {"Resample:Sinc,20,15", "Resample: unknown value \"Sinc\"", 2},
        {"Resample:7,20,15", "Resample: unknown value \"7\"", 2},
        {"Resample:Box,20", "Resample: expects 3 or 4 argument(s), got 2", 2},
        {"Resample:Box,0,15", "TDibImageData.CreateDIB: Invalid Parameters", 1},
        {"Resample:Box,20,15,-1", "TDibImageData.CreateDIB: Invalid Parameters", 1},
        {"Rotate90:2", "Rotate90: expected 0 or 1, got \"2\"", 2},
        {"AddMargins:1,1,clRed,1,-1", "TDibImageData.CreateDIB: Invalid Parameters", 1},
        {"CopyToClipboard:1", "CopyToClipboard: expects 0 argument(s), got 1", 2},
    };
    for (const Bad& b : bad) {
        SCOPED_TRACE(b.op);
        std::string err;
        EXPECT_EQ(RunCli({"apply", Path("in.bmp"), Path("bad.bmp"), b.op}, &err), b.status);
        if (b.status == 1) {
            EXPECT_EQ(err, b.message + "\n");
        } else {
            EXPECT_EQ(err.rfind(b.message, 0), 0u) << err;
            EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
        }
    }
}

// One apply chain shares zelvo-cli's own clipboard: the selection copied
// comes back as the whole picture, mirrored copies included; a cut leaves
// the background colour behind.
TEST_F(GeometryCli, CopyAndPasteWithinOneChain) {
    const TDibImage source = test::NoiseImage24(40, 30, 21);
    source.SaveToFile(Path("in.bmp"));
    ASSERT_EQ(RunCli({"apply", Path("in.bmp"), Path("pasted.bmp"), "--select", "10,5,26,17", "CopyToClipboard",
                      "Mirror", "PasteFromClipboard"}),
              0);
    TDibImage pasted;
    pasted.LoadFromFile(Path("pasted.bmp"));
    ASSERT_EQ(pasted.Width(), 16);
    ASSERT_EQ(pasted.Height(), 12);
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 16; ++x) ASSERT_EQ(pasted.GetPixels(x, y), source.GetPixels(10 + x, 5 + y));

    ASSERT_EQ(RunCli({"apply", Path("in.bmp"), Path("cut.bmp"), "--select", "0,0,8,4", "--background", "clRed",
                      "CutToClipboard"}),
              0);
    TDibImage cut;
    cut.LoadFromFile(Path("cut.bmp"));
    EXPECT_EQ(cut.GetPixels(0, 0), clRed);
    EXPECT_EQ(cut.GetPixels(7, 3), clRed);
    EXPECT_EQ(cut.GetPixels(8, 0), source.GetPixels(8, 0));
}

// Without an installed clipboard (the engine on its own) the clipboard
// holds nothing and copying to it does nothing.
TEST(HeadlessClipboard, NothingIsThereAndNothingBreaks) {
    ASSERT_EQ(InstalledClipboard(), nullptr);
    TQxImage doc;
    TBitmap picture;
    picture.Assign(test::NoiseImage24(4, 4, 1));
    doc.SetBitmap(picture);
    doc.SetSelectionRect(Rect(0, 0, 2, 2));
    doc.CopyToClipboard();
    EXPECT_EQ(InstalledClipboard(), nullptr);
    EXPECT_FALSE(doc.PasteFromClipboard());
    EXPECT_EQ(doc.UndoCount(), 0);
}

}  // namespace
}  // namespace zelvo
