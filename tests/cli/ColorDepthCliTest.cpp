// zelvo-cli's ColorDepth row and GIF files in GIF mode.
#include <gtest/gtest.h>

#include <sstream>

#include "TestSupport.h"
#include "cli/Cli.h"
#include "image/DibImage.h"

namespace zelvo {
namespace {

namespace fs = std::filesystem;

int RunCli(std::vector<std::string> args, std::string* err = nullptr) {
    std::ostringstream out, errors;
    const int rc = cli::Run(args, out, errors);
    if (err) *err = errors.str();
    return rc;
}

TEST(ColorDepthCli, ConvertsAndWritesGifInGifMode) {
    const fs::path dir = test::MakeTempDir("clidepth");
    const fs::path in = dir / "in.bmp";
    test::NoiseImage24(20, 10, 5).SaveToFile(in);
    for (const char* depth : {"1", "4", "8", "24", "99"}) {
        SCOPED_TRACE(depth);
        const std::string out = (dir / (std::string("d") + depth + ".bmp")).string();
        ASSERT_EQ(RunCli({"apply", in.string(), out, std::string("ColorDepth:") + depth}), 0);
        TDibImage back;
        back.LoadFromFile(out);
        EXPECT_EQ(back.BitCount(), depth == std::string("99") ? 1 : std::stoi(depth));
    }
    std::string err;
    EXPECT_EQ(RunCli({"apply", in.string(), (dir / "x.bmp").string(), "ColorDepth:2"}, &err), 2);
    EXPECT_NE(err.find("ColorDepth"), std::string::npos);

    // GIF only in GIF mode.
    EXPECT_NE(RunCli({"apply", in.string(), (dir / "a.gif").string(), "ColorDepth:8"}), 0);
    ASSERT_EQ(RunCli({"apply", "--gif-mode", in.string(), (dir / "a.gif").string(), "ColorDepth:8"}), 0);
    ASSERT_EQ(RunCli({"apply", "--gif-mode", (dir / "a.gif").string(), (dir / "b.bmp").string()}), 0);
    TDibImage viaGif, direct;
    viaGif.LoadFromFile(dir / "b.bmp");
    direct.LoadFromFile(dir / "d8.bmp");
    EXPECT_EQ(viaGif.Width(), 20);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 20; ++x) {
            const TRGBQuad a = viaGif.ColorTable()[viaGif.GetPixels(x, y)];
            const TRGBQuad b = direct.ColorTable()[direct.GetPixels(x, y)];
            ASSERT_EQ(a, b) << x << "," << y;
        }
    fs::remove_all(dir);
}

}  // namespace
}  // namespace zelvo
