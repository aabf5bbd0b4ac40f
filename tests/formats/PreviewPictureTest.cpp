// The open dialog's preview loads: the JPEG scale for a box, the reduced
// decode with the file's full size, the other rows at full size, and what
// is never read (pipes, folders).

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <climits>
#include <filesystem>
#include <fstream>
#include <thread>

#include "TestSupport.h"
#include "formats/JpegImage.h"
#include "formats/PngImage.h"
#include "formats/QxImageIO.h"
#include "image/Exceptions.h"
#include "image/ReadCancel.h"
#include "image/Stream.h"

namespace zelvo {
namespace {

namespace fs = std::filesystem;

TEST(PreviewJpegScale, SmallestScaleThatStillFillsTheFittedPicture) {
    struct TCase {
        int Width, Height, BoxWidth, BoxHeight;
        TJPEGScale Scale;
    };
    const TCase cases[] = {
        // 1600 / 8 = 200 >= 142: an eighth still covers a 142-pixel box.
        {1600, 1200, 142, 142, TJPEGScale::jsEighth},
        // 8 x 201 > 1600 and 8 x 151 > 1200; 4 x 201 <= 1600.
        {1600, 1200, 201, 151, TJPEGScale::jsQuarter},
        {1600, 1200, 400, 400, TJPEGScale::jsQuarter},
        {1600, 1200, 401, 301, TJPEGScale::jsHalf},
        {1600, 1200, 801, 601, TJPEGScale::jsFullSize},
        // Fits the box: shown unscaled, so decoded at full size.
        {100, 80, 142, 142, TJPEGScale::jsFullSize},
        // A tall picture fills the box's height: the height decides.
        {100, 2000, 142, 142, TJPEGScale::jsEighth},
        {0, 0, 142, 142, TJPEGScale::jsFullSize},
        {1600, 1200, 0, 0, TJPEGScale::jsFullSize},
        // 8 x 300 000 000 overflows 32 bits; in 64 it is above INT_MAX.
        {INT_MAX, 1, 300000000, 1000, TJPEGScale::jsQuarter},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.Width << "x" << c.Height << " in " << c.BoxWidth << "x"
                                          << c.BoxHeight);
        EXPECT_EQ(PreviewJpegScale(c.Width, c.Height, c.BoxWidth, c.BoxHeight), c.Scale);
    }
}

class PreviewLoad : public ::testing::Test {
protected:
    void SetUp() override { dir_ = test::MakeTempDir("zelvo-preview"); }
    void TearDown() override { fs::remove_all(dir_); }
    fs::path dir_;
};

TEST_F(PreviewLoad, JpegDecodesReducedAndReportsTheFileSize) {
    // A flat grey picture: every scale must give the same grey.
    const TDibImage flat = test::FlatImage24(1600, 1200, RGB(100, 120, 140));
    SaveJpegPicture(flat, dir_ / "big.jpg", 90, false);

    struct TCase {
        int BoxWidth, BoxHeight, DecodedWidth, DecodedHeight;
    };
    for (const TCase& c : {TCase{142, 142, 200, 150}, TCase{400, 300, 400, 300}, TCase{0, 0, 1600, 1200}}) {
        SCOPED_TRACE(c.BoxWidth);
        TPreviewPicture preview;
        ASSERT_TRUE(LoadPreviewPicture(dir_ / "big.jpg", false, c.BoxWidth, c.BoxHeight, preview));
        EXPECT_EQ(preview.Width, 1600);
        EXPECT_EQ(preview.Height, 1200);
        EXPECT_EQ(preview.Picture.Width(), c.DecodedWidth);
        EXPECT_EQ(preview.Picture.Height(), c.DecodedHeight);
        EXPECT_EQ(preview.Picture.BitCount(), 24);
        const std::uint8_t* row = preview.Picture.ScanLine(c.DecodedHeight / 2);
        const int x = c.DecodedWidth / 2;
        EXPECT_NEAR(row[3 * x + 0], 140, 2);  // blue
        EXPECT_NEAR(row[3 * x + 1], 120, 2);
        EXPECT_NEAR(row[3 * x + 2], 100, 2);
    }
}

TEST_F(PreviewLoad, OtherRowsReadAtFullSizeAndGifOnlyInGifMode) {
    const TDibImage picture = test::NoiseImagePalette(30, 20, 8, 200, 5);
    bool keyed = false;
    for (const char* name : {"a.bmp", "a.png"}) ASSERT_TRUE(WriteDocumentPicture(dir_ / name, picture, {}, false, keyed));
    ASSERT_TRUE(WriteDocumentPicture(dir_ / "a.gif", picture, {}, true, keyed));
    for (const char* name : {"a.bmp", "a.png", "a.gif"}) {
        SCOPED_TRACE(name);
        const bool gifOnly = std::string(name) == "a.gif";
        TPreviewPicture preview;
        EXPECT_EQ(LoadPreviewPicture(dir_ / name, false, 10, 10, preview), !gifOnly);
        ASSERT_TRUE(LoadPreviewPicture(dir_ / name, true, 10, 10, preview));
        EXPECT_EQ(preview.Width, 30);
        EXPECT_EQ(preview.Height, 20);
        EXPECT_EQ(preview.Picture.Width(), 30);
    }
    TPreviewPicture bmp;
    ASSERT_TRUE(LoadPreviewPicture(dir_ / "a.bmp", false, 10, 10, bmp));
    std::string why;
    EXPECT_TRUE(test::SamePixels(bmp.Picture, picture, &why)) << why;
}

TEST_F(PreviewLoad, ReadsOnlyRegularFiles) {
    // A pipe named like a picture would block the reader for good; a folder
    // named like one is no picture either.
    ASSERT_EQ(::mkfifo((dir_ / "pipe.bmp").c_str(), 0600), 0);
    fs::create_directory(dir_ / "folder.jpg");
    const auto start = std::chrono::steady_clock::now();
    TPreviewPicture preview;
    preview.Width = 7;
    EXPECT_FALSE(LoadPreviewPicture(dir_ / "pipe.bmp", false, 10, 10, preview));
    EXPECT_FALSE(LoadPreviewPicture(dir_ / "folder.jpg", false, 10, 10, preview));
    EXPECT_FALSE(LoadPreviewPicture(dir_ / "missing.png", false, 10, 10, preview));
    // Thumbnails, textures and batch input read through the same guard.
    TDibImage picture;
    EXPECT_FALSE(LoadPictureFile(dir_ / "pipe.bmp", picture, false));
    EXPECT_FALSE(LoadPictureFile(dir_ / "folder.jpg", picture, false));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_EQ(preview.Width, 7);  // untouched

    // A link to a regular file is read like the file.
    test::FlatImage24(3, 2, clRed).SaveToFile(dir_ / "real.bmp");
    fs::create_symlink(dir_ / "real.bmp", dir_ / "link.bmp");
    EXPECT_TRUE(LoadPreviewPicture(dir_ / "link.bmp", false, 10, 10, preview));
    EXPECT_EQ(preview.Width, 3);
}

TEST_F(PreviewLoad, ACancelledScopeStopsTheReadsOfItsThreadOnly) {
    const TDibImage picture = test::NoiseImage24(40, 30, 9);
    bool keyed = false;
    const char* names[] = {"a.bmp", "a.png", "a.jpg", "a.gif", "a.ppm"};
    for (const char* name : names) ASSERT_TRUE(WriteDocumentPicture(dir_ / name, picture, {}, true, keyed));
    TMemoryStream png(ReadWholeFile(dir_ / "a.png"));
    std::atomic<bool> cancel{false};
    TPreviewPicture preview;
    {
        const TReadCancelScope scope(cancel);
        for (const char* name : names) EXPECT_TRUE(LoadPreviewPicture(dir_ / name, true, 10, 10, preview)) << name;
        cancel = true;
        for (const char* name : names) EXPECT_FALSE(LoadPreviewPicture(dir_ / name, true, 10, 10, preview)) << name;
        // A picture in memory reads no file: its rows stop it.
        EXPECT_THROW(DecodePng(png), EAbort);
        bool other = false;
        std::thread([&] { other = LoadPreviewPicture(dir_ / "a.png", true, 10, 10, preview); }).join();
        EXPECT_TRUE(other);
    }
    EXPECT_TRUE(LoadPreviewPicture(dir_ / "a.png", true, 10, 10, preview));
}

TEST_F(PreviewLoad, DamagedFilesGiveNoPreview) {
    std::ofstream(dir_ / "bad.jpg", std::ios::binary) << "\xFF\xD8\xFF\xE0 not really";
    std::ofstream(dir_ / "bad.png", std::ios::binary) << "\x89PNG\r\n\x1a\n";
    TPreviewPicture preview;
    EXPECT_FALSE(LoadPreviewPicture(dir_ / "bad.jpg", false, 142, 142, preview));
    EXPECT_FALSE(LoadPreviewPicture(dir_ / "bad.png", false, 142, 142, preview));
    EXPECT_EQ(preview.Width, 0);
}

}  // namespace
}  // namespace zelvo
