// PhotoCD reading: sizes per resolution, the colour formulas, the rotation
// and short files.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <vector>

#include "TestSupport.h"
#include "formats/PhotoCd.h"
#include "image/Exceptions.h"

namespace zelvo {
namespace {

// A file of `size` bytes (zero luma, neutral chroma for resolution 0) with
// byte 73 set to `rotateByte`.
std::vector<std::uint8_t> MakePcd(std::size_t size, std::uint8_t rotateByte) {
    std::vector<std::uint8_t> file(size, 0);
    file[73] = rotateByte;
    return file;
}

constexpr std::size_t kRes0End = 0x2000 + 192 * 128 * 3 / 2;

// Fills the resolution-0 data: every luma byte from `luma(x, y)`, C1 and C2
// of each pair of rows from c1(x / 2, y / 2) and c2(...).
template <class L, class C1, class C2>
void FillRes0(std::vector<std::uint8_t>& file, L luma, C1 c1, C2 c2) {
    std::size_t at = 0x2000;
    for (int y = 0; y < 128; y += 2) {
        for (int half = 0; half < 2; ++half)
            for (int x = 0; x < 192; ++x) file[at++] = luma(x, y + half);
        for (int x = 0; x < 96; ++x) file[at++] = c1(x, y / 2);
        for (int x = 0; x < 96; ++x) file[at++] = c2(x, y / 2);
    }
}

TDibImage Read(const std::vector<std::uint8_t>& file, int resolution, TQxPCD* out = nullptr) {
    TQxPCD pcd;
    pcd.SetResolution(resolution);
    TMemoryStream stream(file);
    pcd.LoadFromStream(stream);
    if (out) *out = pcd;
    if (pcd.Empty()) return TDibImage();
    return pcd.Bitmap();
}

TEST(PhotoCd, ColourFormulasOnWorkedValues) {
    auto file = MakePcd(kRes0End, 0);
    // Column pair 0: Y 100, C1 156, C2 137 -> 1.407488 x 100 = 140.7488 -> 141
    // grey. Column pair 1: Y 200, C1 200, C2 100:
    //   red   = 281.4976 + 1.3230336 x -37 = 232.545 -> 233
    //   green = 281.4976 - 0.3954176 x 44 - 0.67392 x -37 = 288.034 -> 255
    //   blue  = 281.4976 + 2.0360448 x 44 = 371.08 -> 255
    // Column pair 2: Y 10, C1 0, C2 255:
    //   red   = 14.07488 + 156.118 = 170.19 -> 170
    //   green = 14.07488 + 61.685 - 79.523 = -3.76 -> 0
    //   blue  = 14.07488 - 317.623 -> 0
    FillRes0(
        file, [](int x, int) { return x < 2 ? 100 : x < 4 ? 200 : 10; },
        [](int x, int) { return x == 0 ? 156 : x == 1 ? 200 : 0; },
        [](int x, int) { return x == 0 ? 137 : x == 1 ? 100 : 255; });
    const TDibImage picture = Read(file, 0);
    ASSERT_EQ(picture.Width(), 192);
    ASSERT_EQ(picture.Height(), 128);
    for (int y : {0, 1, 77, 127}) {
        SCOPED_TRACE(y);
        EXPECT_EQ(picture.GetPixels(0, y), RGB(141, 141, 141));
        EXPECT_EQ(picture.GetPixels(1, y), RGB(141, 141, 141));
        EXPECT_EQ(picture.GetPixels(2, y), RGB(233, 255, 255));
        EXPECT_EQ(picture.GetPixels(5, y), RGB(170, 0, 0));
    }
}

TEST(PhotoCd, RotationTurnsAQuarterClockwise) {
    // The luma encodes the position: Y = x for row 0, 150 for row 1, 0 below.
    auto file = MakePcd(kRes0End, 0x4B);  // 0x4B & 0x3F == 0x0B
    FillRes0(
        file, [](int x, int y) { return y == 0 ? x : y == 1 ? 150 : 0; }, [](int, int) { return 156; },
        [](int, int) { return 137; });
    TQxPCD pcd;
    const TDibImage turned = Read(file, 0, &pcd);
    EXPECT_TRUE(pcd.Rotated());
    ASSERT_EQ(turned.Width(), 128);
    ASSERT_EQ(turned.Height(), 192);
    // Old (x, 0) goes to new column 127, row x; old (x, 1) to column 126.
    // Neutral chroma: grey 1.407488 Y, limited to 255 (Y 150 -> 211.12 -> 211).
    auto grey = [](int y) {
        const int v = std::min(255, int(1.407488 * y + 0.5));
        return RGB(v, v, v);
    };
    for (int x : {0, 1, 100, 191}) {
        SCOPED_TRACE(x);
        EXPECT_EQ(turned.GetPixels(127, x), grey(x));
        EXPECT_EQ(turned.GetPixels(126, x), RGB(211, 211, 211));
        EXPECT_EQ(turned.GetPixels(0, x), RGB(0, 0, 0));
    }
    // Other values of the byte leave the picture upright.
    file[73] = 0x0C;
    EXPECT_EQ(Read(file, 0).Width(), 192);
}

TEST(PhotoCd, ShortFilesReadAsEmpty) {
    struct TCase {
        std::size_t Size;
        int Resolution;
        bool Empty;
    };
    const TCase cases[] = {
        {0, 0, true},                              // nothing
        {128, 0, true},                            // header block ends one byte short
        {0x2000, 0, true},                         // header only
        {kRes0End - 1, 0, true},                   // last chroma byte missing
        {kRes0End, 0, false},                      // exactly resolution 0
        {kRes0End, 1, true},                       // nothing of resolution 1
        {0xB800 + 384 * 256 * 3 / 2, 1, false},
        {0x30000 + 768 * 512 * 3 / 2 - 1, 2, true},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.Size << " bytes, resolution " << c.Resolution);
        TQxPCD pcd;
        int changes = 0;
        pcd.OnChange = [&](void*) { ++changes; };
        pcd.SetResolution(c.Resolution);
        TMemoryStream stream(MakePcd(std::max<std::size_t>(c.Size, 74), 0));
        stream.Data().resize(c.Size);
        pcd.LoadFromStream(stream);
        EXPECT_EQ(pcd.Empty(), c.Empty);
        EXPECT_EQ(changes, 1);
        if (c.Empty) {
            EXPECT_EQ(pcd.Width(), 0);
            TDibImage target;
            EXPECT_THROW(pcd.AssignTo(target), EConvertError);
        }
    }
}

TEST(PhotoCd, ResolutionOutsideTheTableIsIgnored) {
    TQxPCD pcd;
    pcd.SetResolution(1);
    for (int bad : {-1, 3, 4}) pcd.SetResolution(bad);
    EXPECT_EQ(pcd.Resolution(), 1);
}

TEST(PhotoCdCorpus, SampleAtEachResolutionAndHeaderOnlyFile) {
    const auto dir = test::CorpusDir() / "pcd";
    std::array<double, 3> first{};
    for (int resolution = 0; resolution < 3; ++resolution) {
        SCOPED_TRACE(resolution);
        TQxPCD pcd;
        pcd.SetResolution(resolution);
        pcd.LoadFromFile(dir / "pillow/hopper.pcd");
        ASSERT_FALSE(pcd.Empty());
        EXPECT_EQ(pcd.Width(), TQxPCD::kWidths[resolution]);
        EXPECT_EQ(pcd.Height(), TQxPCD::kHeights[resolution]);
        EXPECT_FALSE(pcd.Rotated());
        // The three resolutions show the same picture: the mean of each
        // channel is within 3 of resolution 0's.
        std::array<double, 3> mean{};
        const TDibImage& p = pcd.Bitmap();
        for (int y = 0; y < p.Height(); ++y)
            for (int x = 0; x < p.Width(); ++x)
                for (int c = 0; c < 3; ++c) mean[std::size_t(c)] += p.ScanLineRead(y)[x * 3 + c];
        for (double& m : mean) m /= double(p.Width()) * p.Height();
        if (resolution == 0) first = mean;
        for (std::size_t c = 0; c < 3; ++c) EXPECT_NEAR(mean[c], first[c], 3.0) << "channel " << c;

        TQxPCD headerOnly;
        headerOnly.SetResolution(resolution);
        headerOnly.LoadFromFile(dir / "exiftool/PhotoCD.pcd");
        EXPECT_TRUE(headerOnly.Empty());
    }
    TQxPCD missing;
    EXPECT_THROW(missing.LoadFromFile(dir / "no-such-file.pcd"), EFOpenError);
}

}  // namespace
}  // namespace zelvo
