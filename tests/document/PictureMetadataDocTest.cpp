// The document's picture metadata: JPEGs open turned by their EXIF
// orientation, and a save writes back what stays true of the picture.
#include <gtest/gtest.h>

#include <string>

#include "TestSupport.h"
#include "document/PictureOrientation.h"
#include "document/QxImage.h"
#include "formats/Exif.h"
#include "formats/JpegImage.h"
#include "formats/PnmCodec.h"

namespace zelvo {
namespace {

using namespace test;

namespace fs = std::filesystem;

fs::path ExifData(const std::string& name) { return TestDataDir() / "exif" / name; }

// The references are ImageMagick's `convert orient-N.jpg -auto-orient
// orient-N.ppm` of the same files (tests/data/exif/make-test-files.sh):
// the same decoder settings, then the turn, so the pixels must match
// exactly.
class OrientationTest : public ::testing::TestWithParam<int> {};

TEST_P(OrientationTest, OpensWithThePixelsOfAutoOrient) {
    const int n = GetParam();
    TQxImage doc;
    ASSERT_TRUE(doc.LoadDocumentFile(ExifData("orient-" + std::to_string(n) + ".jpg"), false));
    const TDibImage reference = LoadPnmPictureFile(ExifData("orient-" + std::to_string(n) + ".ppm"));
    const TDibImage opened = doc.Bitmap().ToDibImage();
    // 35 x 21 stored; orientations 5 to 8 stand it on its side.
    EXPECT_EQ(opened.Width(), n >= 5 ? 21 : 35);
    EXPECT_EQ(opened.Height(), n >= 5 ? 35 : 21);
    std::string why;
    EXPECT_TRUE(SamePixels(opened, reference, &why)) << why;
    EXPECT_EQ(doc.Metadata().Orientation, n);
    EXPECT_FALSE(doc.Modified());
}

TEST_P(OrientationTest, SwitchedOffKeepsTheStoredRows) {
    const int n = GetParam();
    TQxImage doc;
    doc.AutoOrient = false;
    ASSERT_TRUE(doc.LoadDocumentFile(ExifData("orient-" + std::to_string(n) + ".jpg"), false));
    // Orientation 1's reference is the stored picture itself.
    const TDibImage stored = LoadPnmPictureFile(ExifData("orient-1.ppm"));
    std::string why;
    EXPECT_TRUE(SamePixels(doc.Bitmap().ToDibImage(), stored, &why)) << why;
    // Turning it afterwards gives what opening turned gives.
    const TDibImage reference = LoadPnmPictureFile(ExifData("orient-" + std::to_string(n) + ".ppm"));
    EXPECT_TRUE(SamePixels(OrientPicture(stored, n), reference, &why)) << why;
}

INSTANTIATE_TEST_SUITE_P(Exif, OrientationTest, ::testing::Range(1, 9));

TEST(PictureOrientation, PalettePicturesKeepDepthAndColours) {
    const TDibImage stored = NoiseImagePalette(5, 3, 8, 16, 7);
    for (int n = 1; n <= 8; ++n) {
        SCOPED_TRACE(n);
        const TDibImage turned = OrientPicture(stored, n);
        EXPECT_EQ(turned.BitCount(), 8);
        EXPECT_EQ(turned.Width(), n >= 5 ? 3 : 5);
        // Stored (x, y) = (4, 0), the right end of the top row, lands where
        // the orientation says: e.g. 6 (clockwise) puts the top row on the
        // right side, running down, so (4, 0) goes to (2, 4).
        const int expectX[9] = {0, 4, 0, 0, 4, 0, 2, 2, 0};
        const int expectY[9] = {0, 0, 0, 2, 2, 4, 4, 0, 0};
        EXPECT_EQ(turned.ScanLineRead(expectY[n])[expectX[n]], stored.ScanLineRead(0)[4]);
    }
}

class DocumentMetadataTest : public ::testing::Test {
protected:
    void SetUp() override { dir_ = MakeTempDir("docmeta"); }
    void TearDown() override { fs::remove_all(dir_); }

    static TExifInfo ExifOfFile(const fs::path& path) {
        TJpegLoadInfo info;
        LoadJpegPicture(path, TJPEGPerformance::jpBestQuality, &info);
        for (const TMetadataBlock& b : info.Markers) {
            const auto tiff = ExifTiffData(b.Data);
            if (b.Type == 0xE1 && !tiff.empty()) return ParseExif(tiff);
        }
        return {};
    }
    fs::path dir_;
};

TEST_F(DocumentMetadataTest, ABrightnessChangeKeepsExifWithOrientationOne) {
    TQxImage doc;
    ASSERT_TRUE(doc.LoadDocumentFile(ExifData("orient-6.jpg"), false));
    doc.Brightness(20);
    const fs::path out = dir_ / "brighter.jpg";
    ASSERT_TRUE(doc.SaveDocumentFile(out, false));
    const TExifInfo exif = ExifOfFile(out);
    ASSERT_TRUE(exif.Valid);
    EXPECT_EQ(exif.Orientation, 1);
    // The pixels changed: the camera's thumbnail is gone.
    EXPECT_FALSE(exif.HasThumbnail());
    // The saved file opens the way it was shown: upright, 21 x 35.
    TQxImage again;
    ASSERT_TRUE(again.LoadDocumentFile(out, false));
    EXPECT_EQ(again.Bitmap().Width(), 21);
    EXPECT_EQ(again.Bitmap().Height(), 35);
}

TEST_F(DocumentMetadataTest, AnUnchangedPictureKeepsItsThumbnail) {
    TQxImage doc;
    ASSERT_TRUE(doc.LoadDocumentFile(ExifData("orient-3.jpg"), false));
    const fs::path out = dir_ / "same.jpg";
    ASSERT_TRUE(doc.SaveDocumentFile(out, false));
    const TExifInfo exif = ExifOfFile(out);
    EXPECT_EQ(exif.Orientation, 1);
    EXPECT_TRUE(exif.HasThumbnail());
}

TEST_F(DocumentMetadataTest, ACropKeepsExifButNotTheThumbnail) {
    TQxImage doc;
    ASSERT_TRUE(doc.LoadDocumentFile(ExifData("metadata.jpg"), false));
    doc.CropRect(2, 3, 12, 20);
    const fs::path out = dir_ / "crop.jpg";
    ASSERT_TRUE(doc.SaveDocumentFile(out, false));
    TQxImage again;
    ASSERT_TRUE(again.LoadDocumentFile(out, false));
    EXPECT_EQ(again.Metadata().Kinds(), (std::vector<std::string>{"EXIF", "XMP", "ICC"}));
    EXPECT_EQ(again.Metadata().Orientation, 1);
    EXPECT_EQ(again.Bitmap().Width(), 10);
    EXPECT_EQ(again.Bitmap().Height(), 17);
    // Undoing the crop does not bring a thumbnail back: the snapshots hold
    // pixels only, so the document cannot know the pixels are the camera's.
    doc.Undo(1);
    ASSERT_TRUE(doc.SaveDocumentFile(out, false));
    EXPECT_FALSE(ExifOfFile(out).HasThumbnail());
}

TEST_F(DocumentMetadataTest, APictureFromElsewhereCarriesNoMetadata) {
    TQxImage doc;
    ASSERT_TRUE(doc.LoadDocumentFile(ExifData("metadata.jpg"), false));
    EXPECT_FALSE(doc.Metadata().Empty());
    doc.NewImage(8, 8, 24, clWhite);
    EXPECT_TRUE(doc.Metadata().Empty());
    const fs::path out = dir_ / "new.jpg";
    ASSERT_TRUE(doc.SaveDocumentFile(out, false));
    EXPECT_FALSE(ExifOfFile(out).Valid);
}

TEST_F(DocumentMetadataTest, PngChunksSurviveAnEdit) {
    TQxImage doc;
    ASSERT_TRUE(doc.LoadDocumentFile(ExifData("metadata.png"), false));
    const TPictureMetadata before = doc.Metadata();
    doc.Brightness(-10);
    const fs::path out = dir_ / "edited.png";
    ASSERT_TRUE(doc.SaveDocumentFile(out, false));
    TQxImage again;
    ASSERT_TRUE(again.LoadDocumentFile(out, false));
    EXPECT_EQ(again.Metadata().Blocks, before.Blocks);
}

}  // namespace
}  // namespace zelvo
