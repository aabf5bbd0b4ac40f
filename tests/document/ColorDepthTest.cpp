// The colour-depth change and GIF files through the document.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "CorpusReference.h"
#include "TestSupport.h"
#include "document/QxImage.h"

namespace zelvo {
namespace {

namespace fs = std::filesystem;

// Means: (128,128,128) 128 -> white; (127,127,127) 127 -> black;
// (255,0,129) 384/3 = 128 -> white; (255,0,128) 383/3 = 127 -> black.
TEST(ColorDepth, OneBitThresholdIsMean128) {
    TDibImage picture = test::FlatImage24(4, 1, 0);
    picture.SetPixels(0, 0, RGB(128, 128, 128));
    picture.SetPixels(1, 0, RGB(127, 127, 127));
    picture.SetPixels(2, 0, RGB(255, 0, 129));
    picture.SetPixels(3, 0, RGB(255, 0, 128));
    TQxImage doc;
    doc.Bitmap().Assign(picture);
    doc.ColorDepth(TColorDepth::Bits1);
    const TDibImage out = doc.Bitmap().ToDibImage();
    ASSERT_EQ(out.BitCount(), 1);
    EXPECT_EQ(doc.BitCount(), 1);
    const std::uint8_t want[4] = {255, 0, 255, 0};
    const std::vector<std::uint8_t> rgb = test::RgbRows(out);
    for (int x = 0; x < 4; ++x) {
        for (int c = 0; c < 3; ++c) EXPECT_EQ(rgb[std::size_t(x * 3 + c)], want[x]) << x;
    }
}

TEST(ColorDepth, EachTargetIsOneUndoableEdit) {
    const TDibImage source = test::NoiseImagePalette(30, 20, 8, 12, 3);
    TDibImage as24(source);
    as24.SetPixelFormat(dibPf24Bit);
    const struct {
        TColorDepth Depth;
        int Bits;
    } cases[] = {{TColorDepth::Bits8, 8}, {TColorDepth::Bits4, 4}, {TColorDepth::HalftoneBW, 1}, {TColorDepth::Bits1, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.Depth));
        TQxImage doc;
        doc.Bitmap().Assign(as24);
        doc.ColorDepth(c.Depth);
        EXPECT_EQ(doc.Bitmap().ToDibImage().BitCount(), c.Bits);
        EXPECT_EQ(doc.BitCount(), c.Bits);
        EXPECT_EQ(doc.UndoCount(), 1);
        doc.Undo(1);
        EXPECT_EQ(test::RgbRows(doc.Bitmap().ToDibImage()), test::RgbRows(as24));
    }
    // Back to 24 bits keeps the colours of the 4-bit picture.
    TQxImage doc;
    doc.Bitmap().Assign(as24);
    doc.ColorDepth(TColorDepth::Bits4);
    const std::vector<std::uint8_t> fourBit = test::RgbRows(doc.Bitmap().ToDibImage());
    doc.ColorDepth(TColorDepth::Bits24);
    EXPECT_EQ(doc.BitCount(), 24);
    EXPECT_EQ(test::RgbRows(doc.Bitmap().ToDibImage()), fourBit);
}

class GifDocumentTest : public ::testing::Test {
protected:
    void SetUp() override { dir_ = test::MakeTempDir("gifdoc"); }
    void TearDown() override { fs::remove_all(dir_); }
    fs::path dir_;
};

TEST_F(GifDocumentTest, SaveAndLoadCarryTransparencyAndInterlace) {
    const TDibImage source = test::NoiseImagePalette(25, 14, 8, 40, 2);
    TQxImage doc;
    doc.Bitmap().Assign(source);
    doc.SaveTransparent = true;
    doc.SaveProgressive = true;
    doc.TransparentIndex = std::uint8_t(source.GetPixels(0, 0));
    const fs::path file = dir_ / "a.GIF";
    ASSERT_TRUE(doc.SaveDocumentFile(file, true));
    EXPECT_FALSE(doc.ColorKeyed);

    TQxImage back;
    back.ColorKeyed = true;
    ASSERT_TRUE(back.LoadDocumentFile(file, true));
    EXPECT_TRUE(back.SaveTransparent);
    EXPECT_TRUE(back.SaveProgressive);
    EXPECT_FALSE(back.ColorKeyed);
    const TDibImage loaded = back.Bitmap().ToDibImage();
    for (int y = 0; y < source.Height(); ++y)
        for (int x = 0; x < source.Width(); ++x)
            ASSERT_EQ(loaded.GetPixels(x, y) == back.TransparentIndex, source.GetPixels(x, y) == doc.TransparentIndex);
    EXPECT_EQ(test::RgbRows(loaded), test::RgbRows(source));

    // Outside GIF mode the file is neither read nor written natively.
    TQxImage other;
    EXPECT_FALSE(other.LoadDocumentFile(file, false));
    EXPECT_FALSE(doc.SaveDocumentFile(dir_ / "b.gif", false));
}

TEST_F(GifDocumentTest, TooWideSaveFailsAndKeepsTheOldFile) {
    TQxImage doc;
    doc.Bitmap().Assign(test::NoiseImagePalette(5, 5, 4, 16, 1));
    const fs::path file = dir_ / "a.gif";
    ASSERT_TRUE(doc.SaveDocumentFile(file, true));
    std::ifstream in(file, std::ios::binary);
    const std::vector<char> old{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};

    TDibImage wide;
    wide.ReplaceData(TDibImageData::CreateDIB(70000, 2, 2, 1, false));
    doc.Bitmap().Assign(wide);
    std::string failure;
    EXPECT_FALSE(doc.SaveDocumentFile(file, true, &failure));
    EXPECT_FALSE(failure.empty());
    std::ifstream again(file, std::ios::binary);
    EXPECT_EQ(std::vector<char>(std::istreambuf_iterator<char>(again), std::istreambuf_iterator<char>()), old);
}

}  // namespace
}  // namespace zelvo
