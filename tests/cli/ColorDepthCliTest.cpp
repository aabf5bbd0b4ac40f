// zelvo-cli's ColorDepth row and GIF files in GIF mode.
#include <gtest/gtest.h>

#include "CliTestSupport.h"
#include "image/DibImage.h"

namespace zelvo {
namespace {

using test::RunCli;

class ColorDepthCli : public test::TCliFolderTest {};

TEST_F(ColorDepthCli, ConvertsAndWritesGifInGifMode) {
    const std::string in = Path("in.bmp");
    test::NoiseImage24(20, 10, 5).SaveToFile(in);
    for (const char* depth : {"1", "4", "8", "24", "99"}) {
        SCOPED_TRACE(depth);
        const std::string out = Path(std::string("d") + depth + ".bmp");
        ASSERT_EQ(RunCli({"apply", in, out, std::string("ColorDepth:") + depth}), 0);
        TDibImage back;
        back.LoadFromFile(out);
        EXPECT_EQ(back.BitCount(), depth == std::string("99") ? 1 : std::stoi(depth));
    }
    std::string err;
    EXPECT_EQ(RunCli({"apply", in, Path("x.bmp"), "ColorDepth:2"}, &err), 2);
    EXPECT_NE(err.find("ColorDepth"), std::string::npos);

    // GIF only in GIF mode.
    EXPECT_NE(RunCli({"apply", in, Path("a.gif"), "ColorDepth:8"}), 0);
    ASSERT_EQ(RunCli({"apply", "--gif-mode", in, Path("a.gif"), "ColorDepth:8"}), 0);
    ASSERT_EQ(RunCli({"apply", "--gif-mode", Path("a.gif"), Path("b.bmp")}), 0);
    TDibImage viaGif, direct;
    viaGif.LoadFromFile(Path("b.bmp"));
    direct.LoadFromFile(Path("d8.bmp"));
    EXPECT_EQ(viaGif.Width(), 20);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 20; ++x) {
            const TRGBQuad a = viaGif.ColorTable()[viaGif.GetPixels(x, y)];
            const TRGBQuad b = direct.ColorTable()[direct.GetPixels(x, y)];
            ASSERT_EQ(a, b) << x << "," << y;
        }
}

}  // namespace
}  // namespace zelvo
