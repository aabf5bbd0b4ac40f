// Icons and PhotoCD files opened as the document.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "TestSupport.h"
#include "document/QxImage.h"
#include "formats/IconFile.h"
#include "formats/QxImageIO.h"

namespace zelvo {
namespace {

namespace fs = std::filesystem;

fs::path Corpus(const char* file) { return test::CorpusDir() / file; }

TEST(IconDocument, IconsOpenAsUnmodified24BitPictures) {
    TQxImage doc;
    doc.SaveProgressive = true;
    doc.SaveTransparent = true;
    std::string failure = "unset";
    ASSERT_TRUE(doc.LoadDocumentFile(Corpus("ico/pillow/hopper.ico"), false, &failure));
    EXPECT_TRUE(failure.empty());
    EXPECT_EQ(doc.Bitmap().Width(), 16);
    EXPECT_EQ(doc.Bitmap().Dib().BitCount(), 24);
    EXPECT_FALSE(doc.Modified());
    EXPECT_FALSE(doc.SaveProgressive);
    EXPECT_FALSE(doc.SaveTransparent);
    // The same pixels as the reader draws them.
    EXPECT_TRUE(test::SamePixels(doc.Bitmap().Dib(), LoadIconPicture(Corpus("ico/pillow/hopper.ico"), 0)));

    // Any image of a program by its index.
    ASSERT_TRUE(doc.LoadDocumentIcon(Corpus("pe/wine/hh.exe"), 3));
    EXPECT_EQ(doc.Bitmap().Width(), 48);
}

TEST(IconDocument, NothingToOpenKeepsThePicture) {
    const fs::path dir = test::MakeTempDir("icon-doc");
    // A valid icon file without images.
    {
        std::ofstream(dir / "empty.ico", std::ios::binary).write("\0\0\1\0\0\0", 6);
    }
    TQxImage doc;
    ASSERT_TRUE(doc.LoadDocumentIcon(Corpus("ico/image-rs/smile.ico"), 1));
    struct TCase {
        fs::path Path;
        int Index;
        bool Reported;  // a message for the caller
    };
    const TCase cases[] = {
        {Corpus("ico/image-rs/smile.ico"), 2, false},   // beyond the list
        {Corpus("ico/image-rs/smile.ico"), -1, false},
        {dir / "empty.ico", 0, false},                  // no images
        {Corpus("pe/exiftool/EXE.exe"), 0, false},      // a program without icons
        {Corpus("pcd/pillow/hopper.pcd"), 0, false},    // not an icon source
        {Corpus("ico/image-rs/bad/Bad_smile-incorrect-image-length.ico"), 0, true},  // data cut short
        {Corpus("ico/pillow/decompression_bomb.ico"), 0, true},  // 65535 x 65535 in 176 bytes
        {dir / "missing.ico", 0, true},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Path.string() + " " + std::to_string(c.Index));
        std::string failure = "unset";
        EXPECT_FALSE(doc.LoadDocumentIcon(c.Path, c.Index, &failure));
        EXPECT_EQ(failure.empty(), !c.Reported) << failure;
        EXPECT_EQ(doc.Bitmap().Width(), 16);
    }
    fs::remove_all(dir);
}

TEST(IconDocument, PhotoCdOpensAtTheLargestResolutionInGifModeOnly) {
    TQxImage doc;
    EXPECT_FALSE(doc.LoadDocumentFile(Corpus("pcd/pillow/hopper.pcd"), false));
    ASSERT_TRUE(doc.LoadDocumentFile(Corpus("pcd/pillow/hopper.pcd"), true));
    EXPECT_EQ(doc.Bitmap().Width(), 768);
    EXPECT_EQ(doc.Bitmap().Height(), 512);
    EXPECT_FALSE(doc.ColorKeyed);
    // The header-only file: a failed load that says why; the picture stays.
    std::string failure;
    EXPECT_FALSE(doc.LoadDocumentFile(Corpus("pcd/exiftool/PhotoCD.pcd"), true, &failure));
    EXPECT_EQ(failure, "Stream read error");
    EXPECT_EQ(doc.Bitmap().Width(), 768);
    // Secondary loads read resolution 0 in any mode.
    TDibImage small;
    ASSERT_TRUE(LoadPictureFile(Corpus("pcd/pillow/hopper.pcd"), small, false));
    EXPECT_EQ(small.Width(), 192);
    EXPECT_EQ(small.Height(), 128);
    EXPECT_FALSE(LoadPictureFile(Corpus("pcd/exiftool/PhotoCD.pcd"), small, true));
}

}  // namespace
}  // namespace zelvo
