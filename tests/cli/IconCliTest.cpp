// zelvo-cli on icons, programs and PhotoCD files: --image picks the image
// or resolution.
#include <gtest/gtest.h>

#include "CliTestSupport.h"
#include "document/QxImage.h"
#include "formats/IconFile.h"
#include "formats/PnmCodec.h"

namespace zelvo {
namespace {

using test::RunCli;

std::string Corpus(const char* file) { return (test::CorpusDir() / file).string(); }

class IconCli : public test::TCliFolderTest {};

TEST_F(IconCli, ImageOptionPicksTheImage) {
    struct TCase {
        std::vector<std::string> Args;
        int Status;
        const char* Size;  // "width: W\nheight: H" on success
    };
    const TCase cases[] = {
        {{"info", Corpus("ico/image-rs/smile.ico")}, 0, "width: 32\nheight: 32\n"},
        {{"info", "--image", "1", Corpus("ico/image-rs/smile.ico")}, 0, "width: 16\nheight: 16\n"},
        {{"info", "--image", "2", Corpus("ico/image-rs/smile.ico")}, 1, ""},
        {{"info", "--image", "-1", Corpus("ico/image-rs/smile.ico")}, 2, ""},
        {{"info", "--image", "101/3", Corpus("pe/wine/hh.exe")}, 0, "width: 48\nheight: 48\n"},
        {{"info", "--image", "9", Corpus("pe/wine/hh.exe")}, 0, "width: 16\nheight: 16\n"},
        {{"info", "--image", "101/10", Corpus("pe/wine/hh.exe")}, 1, ""},
        {{"info", Corpus("pe/exiftool/EXE.exe")}, 1, ""},
        {{"info", Corpus("ico/pillow/decompression_bomb.ico")}, 1, ""},
        // PhotoCD: the document's resolution in GIF mode, any with --image.
        {{"info", Corpus("pcd/pillow/hopper.pcd")}, 1, ""},
        {{"info", "--gif-mode", Corpus("pcd/pillow/hopper.pcd")}, 0, "width: 768\nheight: 512\n"},
        {{"info", "--image", "0", Corpus("pcd/pillow/hopper.pcd")}, 0, "width: 192\nheight: 128\n"},
        {{"info", "--image", "1", Corpus("pcd/pillow/hopper.pcd")}, 0, "width: 384\nheight: 256\n"},
        {{"info", "--image", "3", Corpus("pcd/pillow/hopper.pcd")}, 2, ""},
        {{"info", "--image", "0", Corpus("pcd/exiftool/PhotoCD.pcd")}, 1, ""},
        {{"info", "--gif-mode", Corpus("pcd/exiftool/PhotoCD.pcd")}, 1, ""},
        // --image means nothing for other pictures; --rgba only to standard output.
        {{"info", "--image", "0", Corpus("bmp/pillow/hopper.bmp")}, 2, ""},
        {{"decode", "--rgba", Corpus("ico/image-rs/smile.ico"), "x.ppm"}, 2, ""},
        {{"rgb", "--rgba", Corpus("ico/image-rs/smile.ico")}, 2, ""},
    };
    for (const TCase& c : cases) {
        std::string trace;
        for (const auto& a : c.Args) trace += a + " ";
        SCOPED_TRACE(trace);
        std::string err, out;
        EXPECT_EQ(RunCli(c.Args, &err, &out), c.Status) << err;
        if (c.Status == 0) {
            EXPECT_EQ(out.substr(0, std::string(c.Size).size()), c.Size);
        } else {
            EXPECT_FALSE(err.empty());
        }
    }
}

TEST_F(IconCli, DecodeWritesTheDrawnImage) {
    ASSERT_EQ(RunCli({"decode", "--image", "1/2", Corpus("pe/wine/iexplore.exe"), Path("i.ppm")}), 0);
    const TDibImage written = LoadPnmPictureFile(Path("i.ppm"));
    TAdvancedIcon icon;
    ASSERT_TRUE(icon.LoadFromFile(Corpus("pe/wine/iexplore.exe")));
    const TDibImage drawn = RenderIconPicture(*icon.Images(icon.IndexOfName("1/2")));
    EXPECT_EQ(written.Width(), 32);
    EXPECT_TRUE(test::SamePixels(written, drawn));
}

}  // namespace
}  // namespace zelvo
