// Thumbnails: placement in the square, thin pictures, JPEG at a reduced
// scale, case-insensitive order and the build loop.

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "formats/JpegImage.h"
#include "image/DibImage.h"
#include "image/RowBands.h"
#include "library/Thumbnails.h"

namespace zelvo {
namespace {

namespace fs = std::filesystem;

// The colour of pixel (x, y) of a 24-bit picture as 0x00BBGGRR.
TColor At(const TDibImage& image, int x, int y) { return image.GetPixels(x, y); }

TEST(Thumbnail, PlacementInTheSquare) {
    struct TCase {
        int W, H;
        int ExpectW, ExpectH;
    };
    const TCase cases[] = {
        {40, 30, 40, 30},  // not enlarged; drawn at (12, 17)
        {640, 480, 64, 48},
        {480, 640, 48, 64},
        {10000, 1, 64, 1},  // round(64 / 10000) = 0, kept at 1
        {1, 10000, 1, 64},
        {65, 64, 64, 63},   // round(64 x 64 / 65 = 63.0)
        {64, 64, 64, 64},
        {100, 3, 64, 2},    // round(1.92)
    };
    const TColor white = RGB(255, 255, 255);
    const TColor red = RGB(255, 0, 0);
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.W) + "x" + std::to_string(c.H));
        const TPoint size = ThumbnailPictureSize(c.W, c.H, 64);
        EXPECT_EQ(size, (TPoint{c.ExpectW, c.ExpectH}));
        const TDibImage thumb = MakeThumbnail(test::FlatImage24(c.W, c.H, red), 64, white);
        ASSERT_EQ(thumb.Width(), 64);
        ASSERT_EQ(thumb.Height(), 64);
        ASSERT_EQ(thumb.BitCount(), 24);
        const int left = (64 - c.ExpectW) / 2;
        const int top = (64 - c.ExpectH) / 2;
        // Inside the picture red, one pixel outside on every side the
        // background (where the square has room).
        EXPECT_EQ(At(thumb, left, top), red);
        EXPECT_EQ(At(thumb, left + c.ExpectW - 1, top + c.ExpectH - 1), red);
        if (left > 0) { EXPECT_EQ(At(thumb, left - 1, top), white); }
        if (top > 0) { EXPECT_EQ(At(thumb, left, top - 1), white); }
        if (left + c.ExpectW < 64) { EXPECT_EQ(At(thumb, left + c.ExpectW, top), white); }
        if (top + c.ExpectH < 64) { EXPECT_EQ(At(thumb, left, top + c.ExpectH), white); }
    }
}

TEST(Thumbnail, Forty_by_thirty_sits_at_twelve_seventeen) {
    // (64 - 40) / 2 = 12, (64 - 30) / 2 = 17.
    TDibImage picture = test::FlatImage24(40, 30, RGB(0, 0, 255));
    picture.SetPixels(0, 0, RGB(0, 255, 0));
    const TDibImage thumb = MakeThumbnail(picture, 64, clBlack);
    EXPECT_EQ(At(thumb, 12, 17), RGB(0, 255, 0));
    EXPECT_EQ(At(thumb, 11, 17), RGB(0, 0, 0));
    EXPECT_EQ(At(thumb, 12, 16), RGB(0, 0, 0));
    EXPECT_EQ(At(thumb, 51, 46), RGB(0, 0, 255));
    EXPECT_EQ(At(thumb, 52, 46), RGB(0, 0, 0));
    EXPECT_EQ(At(thumb, 51, 47), RGB(0, 0, 0));
}

TEST(Thumbnail, PalettePictureKeepsItsColours) {
    // A 2 x 1 picture of palette indices 0 and 1 shrinks nowhere; the
    // square is 24-bit with the palette colours looked up.
    TDibImage picture = test::NoiseImagePalette(2, 1, 8, 2, 1);
    const TRGBQuad* table = picture.ColorTable();
    const TDibImage thumb = MakeThumbnail(picture, 16, clWhite);
    for (int x = 0; x < 2; ++x) {
        const TRGBQuad q = table[picture.GetPixels(x, 0)];
        EXPECT_EQ(At(thumb, 7 + x, 7), RGB(q.rgbRed, q.rgbGreen, q.rgbBlue));
    }
}

TEST(Thumbnail, NamesSortIgnoringCase) {
    std::vector<std::string> names = {"c.jpg", "B.jpg", "a.jpg", "A.jpg", "_x.bmp", "Z.png"};
    SortNamesIgnoringCase(names);
    // Compared lower-cased: '_' (0x5F) before 'a' (0x61); "A.jpg" and
    // "a.jpg" tie and keep byte order.
    EXPECT_EQ(names, (std::vector<std::string>{"_x.bmp", "A.jpg", "a.jpg", "B.jpg", "c.jpg", "Z.png"}));
}

TEST(Thumbnail, JpegDecodedAtAReducedScale) {
    const fs::path dir = test::MakeTempDir("thumbjpeg");
    const fs::path path = dir / "big.jpg";
    SaveJpegPicture(test::FlatImage24(1000, 600, RGB(200, 100, 50)), path, 90, false);
    struct TCase {
        int Size;
        int ExpectWidth;  // ceil(1000 / 2^k) for the smallest scale still >= Size
    };
    for (const TCase c : {TCase{64, 125}, TCase{128, 250}, TCase{200, 250}, TCase{255, 500}}) {
        SCOPED_TRACE(c.Size);
        TDibImage picture;
        ASSERT_TRUE(LoadThumbnailSource(path, c.Size, false, picture));
        EXPECT_EQ(picture.Width(), c.ExpectWidth);
        const TDibImage thumb = MakeThumbnail(picture, c.Size, clWhite);
        const TPoint size = ThumbnailPictureSize(1000, 600, c.Size);
        // The picture covers exactly the rows the full-size shrink would.
        const int top = (c.Size - size.Y) / 2;
        EXPECT_NEAR(int(GetRValue(At(thumb, c.Size / 2, top))), 200, 4);
        if (top > 0) { EXPECT_EQ(At(thumb, c.Size / 2, top - 1), RGB(255, 255, 255)); }
    }
    TDibImage untouched = test::FlatImage24(3, 3, 0);
    std::filesystem::resize_file(path, 100);
    EXPECT_FALSE(LoadThumbnailSource(path, 64, false, untouched));
    EXPECT_EQ(untouched.Width(), 3);
    fs::remove_all(dir);
}

TEST(Thumbnail, BuildSkipsUnreadableAndStops) {
    const fs::path dir = test::MakeTempDir("thumbbuild");
    test::FlatImage24(20, 10, RGB(1, 2, 3)).SaveToFile(dir / "a.bmp");
    std::ofstream(dir / "b.bmp") << "not a picture";
    test::FlatImage24(10, 20, RGB(4, 5, 6)).SaveToFile(dir / "c.bmp");
    const std::vector<std::string> names = {"a.bmp", "b.bmp", "c.bmp"};
    std::vector<std::string> seen;
    const TThumbnailSet set = BuildThumbnails(dir.string() + "/", names, 32, clWhite, false,
                                              [&](int i, int n, const std::string& name) {
                                                  EXPECT_EQ(n, 3);
                                                  EXPECT_EQ(i, int(seen.size()));
                                                  seen.push_back(name);
                                                  return true;
                                              });
    EXPECT_EQ(seen, names);
    EXPECT_EQ(set.Folder, dir);
    ASSERT_EQ(set.Items.size(), 2u);
    EXPECT_EQ(set.Items[0].Caption, "a.bmp");
    EXPECT_EQ(set.Items[1].Caption, "c.bmp");
    EXPECT_EQ(set.Items[1].ImageIndex, 1);
    EXPECT_EQ(At(set.Images[1], 16, 16), RGB(4, 5, 6));

    int loads = 0;
    const TThumbnailSet stopped = BuildThumbnails(
        dir, names, 32, clWhite, false, [](int i, int, const std::string&) { return i < 1; },
        [&](const fs::path& p, int size, bool gif, TDibImage& picture) {
            ++loads;
            return LoadThumbnailSource(p, size, gif, picture);
        });
    EXPECT_EQ(loads, 1);
    EXPECT_EQ(stopped.Items.size(), 1u);
    fs::remove_all(dir);
}

TEST(Thumbnail, BuildGivesTheSameSetOnEveryThreadCount) {
    const fs::path dir = test::MakeTempDir("thumbthreads");
    std::vector<std::string> names;
    for (int i = 0; i < 11; ++i) {
        const std::string name = "p" + std::to_string(10 + i) + (i % 3 == 0 ? ".jpg" : ".bmp");
        const TDibImage picture = test::NoiseImage24(50 + 9 * i, 70 - 3 * i, std::uint32_t(i));
        if (i == 4) std::ofstream(dir / name) << "not a picture";
        else if (i % 3 == 0) SaveJpegPicture(picture, dir / name, 80, false);
        else picture.SaveToFile(dir / name);
        names.push_back(name);
    }
    SetWorkerThreads(1);
    const TThumbnailSet one = BuildThumbnails(dir, names, 32, clWhite, false, {});
    ASSERT_EQ(one.Items.size(), 10u);
    for (int threads : {2, 3, 7}) {
        SCOPED_TRACE(std::to_string(threads) + " threads");
        SetWorkerThreads(threads);
        std::vector<int> steps;
        std::atomic<int> loads{0};
        auto countingLoader = [&](const fs::path& p, int size, bool gif, TDibImage& picture) {
            ++loads;
            return LoadThumbnailSource(p, size, gif, picture);
        };
        const TThumbnailSet many = BuildThumbnails(
            dir, names, 32, clWhite, false,
            [&](int i, int, const std::string&) {
                steps.push_back(i);
                return true;
            },
            countingLoader);
        EXPECT_EQ(steps, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
        EXPECT_EQ(loads, 11);
        ASSERT_EQ(many.Items.size(), one.Items.size());
        for (std::size_t i = 0; i < one.Items.size(); ++i) {
            EXPECT_EQ(many.Items[i].Caption, one.Items[i].Caption);
            EXPECT_EQ(many.Items[i].ImageIndex, int(i));
            std::string why;
            EXPECT_TRUE(test::SamePixels(many.Images[i], one.Images[i], &why)) << i << ": " << why;
        }
        // A stop at the fourth file: no file after it was read.
        loads = 0;
        const TThumbnailSet stopped = BuildThumbnails(
            dir, names, 32, clWhite, false, [](int i, int, const std::string&) { return i < 3; }, countingLoader);
        EXPECT_EQ(loads, 3);
        EXPECT_EQ(stopped.Items.size(), 3u);
    }
    SetWorkerThreads(0);
    fs::remove_all(dir);
}

}  // namespace
}  // namespace zelvo
