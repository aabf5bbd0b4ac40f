// zelvo-cli thumbnail: the file managers' thumbnails, their size, their
// Thumb::URI and Thumb::MTime keys, and what is refused.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sys/stat.h>

#include "CliTestSupport.h"
#include "formats/PngImage.h"
#include "library/DesktopThumbnail.h"

namespace zelvo {
namespace {

using test::RunCli;

std::string Corpus(const char* file) { return (test::CorpusDir() / file).string(); }

std::string FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class ThumbnailCli : public test::TCliFolderTest {};

TEST(DesktopThumbnail, FileUriEncodesAllButUnreservedBytesAndSlashes) {
    EXPECT_EQ(FileUri("/tmp/a b/x.png"), "file:///tmp/a%20b/x.png");
    EXPECT_EQ(FileUri("/p/\xC3\xA4#%?.PCD"), "file:///p/%C3%A4%23%25%3F.PCD");
    EXPECT_EQ(FileUri("/a-b_c.d~e"), "file:///a-b_c.d~e");
}

TEST_F(ThumbnailCli, FitsTheSquareAndCarriesTheUriAndTime) {
    const std::string wide = Path("wide picture.bmp");
    test::FlatImage24(300, 150, 0x204080).SaveToFile(wide);
    struct TCase {
        std::string Input;
        std::string Size;
        int Width, Height;
    };
    const TCase cases[] = {
        {wide, "128", 128, 64},
        {wide, "300", 300, 150},
        {wide, "1024", 300, 150},  // never enlarged
        // PhotoCD is read without --gif-mode; icons and programs give their largest image.
        {Corpus("pcd/pillow/hopper.pcd"), "256", 256, 171},
        {Corpus("pcd/pillow/hopper.pcd"), "100", 100, 67},
        {Corpus("ico/image-rs/smile.ico"), "128", 32, 32},
        {Corpus("ico/image-rs/smile.ico"), "16", 16, 16},
        {Corpus("pe/wine/hh.exe"), "256", 256, 256},
        {Corpus("pe/wine/hh.exe"), "48", 48, 48},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Input + " " + c.Size);
        const std::string out = Path("thumb.png");
        std::string err;
        ASSERT_EQ(RunCli({"thumbnail", "--size", c.Size, c.Input, out}, &err), 0) << err;
        TDibImage picture;
        ASSERT_NO_THROW(LoadPngPictureFile(out, picture));
        EXPECT_EQ(picture.Width(), c.Width);
        EXPECT_EQ(picture.Height(), c.Height);
        struct stat status {};
        ASSERT_EQ(::stat(c.Input.c_str(), &status), 0);
        const std::string bytes = FileBytes(out);
        const std::string uri = FileUri(std::filesystem::absolute(c.Input).lexically_normal());
        EXPECT_NE(bytes.find(std::string("tEXtThumb::URI") + '\0' + uri), std::string::npos);
        EXPECT_NE(bytes.find(std::string("tEXtThumb::MTime") + '\0' + std::to_string(status.st_mtime)),
                  std::string::npos);
    }
    // A flat picture stays flat through the filter.
    ASSERT_EQ(RunCli({"thumbnail", "--size", "100", wide, Path("flat.png")}), 0);
    TDibImage flat;
    ASSERT_NO_THROW(LoadPngPictureFile(Path("flat.png"), flat));
    for (const auto& [x, y] : {std::pair(0, 0), std::pair(99, 49), std::pair(50, 25)})
        EXPECT_EQ(flat.GetPixels(x, y), 0x204080) << x << "," << y;
}

TEST_F(ThumbnailCli, RefusesBadArgumentsAndUnreadablePictures) {
    const std::string text = Path("notes.png");
    std::ofstream(text) << "not a picture";
    const std::string bmp = Path("in.bmp");
    test::FlatImage24(8, 8, 0).SaveToFile(bmp);
    struct TCase {
        std::vector<std::string> Args;
        int Status;
    };
    const TCase cases[] = {
        {{"thumbnail", bmp, Path("out.png")}, 2},
        {{"thumbnail", "--size", "0", bmp, Path("out.png")}, 2},
        {{"thumbnail", "--size", "1025", bmp, Path("out.png")}, 2},
        {{"thumbnail", "--size", "big", bmp, Path("out.png")}, 2},
        {{"thumbnail", "--size", "64", bmp}, 2},
        {{"thumbnail", "--size", "64", "--gif-mode", bmp, Path("out.png")}, 2},
        {{"thumbnail", "--size", "64", text, Path("out.png")}, 1},
        {{"thumbnail", "--size", "64", Path("missing.bmp"), Path("out.png")}, 1},
        {{"thumbnail", "--size", "64", test::CorpusDir().string(), Path("out.png")}, 1},
        {{"thumbnail", "--size", "64", bmp, Path("no/such/folder/out.png")}, 1},
    };
    for (const TCase& c : cases) {
        std::string trace;
        for (const auto& a : c.Args) trace += a + " ";
        SCOPED_TRACE(trace);
        std::string err;
        EXPECT_EQ(RunCli(c.Args, &err), c.Status);
        EXPECT_FALSE(err.empty());
        EXPECT_FALSE(std::filesystem::exists(Path("out.png")));
    }
}

}  // namespace
}  // namespace zelvo
