// BMP files written by another program: ImageMagick's RLE8 files, whose
// runs cover the row padding (tests/data/bmp-rle-peer/README.md), decode to
// exactly the pixels ImageMagick itself reads from them.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sstream>

#include "CorpusReference.h"
#include "TestSupport.h"
#include "image/DibImage.h"

namespace zelvo {
namespace {

struct TPpm {
    int Width = 0;
    int Height = 0;
    std::vector<std::uint8_t> Rgb;  ///< rows top-down
};

// A binary PPM (P6, maxval 255) as ImageMagick writes it.
TPpm ReadPpm(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    int maxval = 0;
    TPpm ppm;
    in >> magic >> ppm.Width >> ppm.Height >> maxval;
    in.get();  // the one whitespace byte before the samples
    if (magic != "P6" || maxval != 255) throw std::runtime_error("not an 8-bit P6 file: " + path.string());
    ppm.Rgb.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return ppm;
}

class TPeerRle8 : public ::testing::TestWithParam<const char*> {};

TEST_P(TPeerRle8, DecodesToThePeersOwnPixels) {
    const auto dir = test::TestDataDir() / "bmp-rle-peer";
    const std::string stem = GetParam();
    const TPpm expected = ReadPpm(dir / (stem + ".ppm"));
    TDibImage image;
    image.LoadFromFile(dir / (stem + ".bmp"));
    EXPECT_EQ(image.PixelFormat(), dibPf8BitRLE);
    image.SetPixelFormat(dibPf8Bit);
    ASSERT_EQ(image.Width(), expected.Width);
    ASSERT_EQ(image.Height(), expected.Height);
    const auto rgb = test::RgbRows(image);
    ASSERT_EQ(rgb.size(), expected.Rgb.size());
    for (std::size_t i = 0; i < rgb.size(); ++i) {
        const int x = int(i / 3) % expected.Width, y = int(i / 3) / expected.Width;
        ASSERT_EQ(rgb[i], expected.Rgb[i]) << "pixel (" << x << ", " << y << ") channel " << i % 3;
    }
}

// Widths 61, 62 and 63 code every row as 64 pixels, 29 as 32 and 33 as 36;
// 64 needs no padding and shows the files are read the same way otherwise.
INSTANTIATE_TEST_SUITE_P(ImageMagick, TPeerRle8,
                         ::testing::Values("photo-61", "photo-62", "photo-63", "photo-64", "bands-29", "bands-33"));

}  // namespace
}  // namespace zelvo
