// The document opens plug-in formats: the pixels of the TGA and PCX test
// files, the flags a plug-in load sets, and a failed load that keeps the
// picture.

#include <gtest/gtest.h>

#include <fstream>

#include "SpiTestSupport.h"
#include "document/QxImage.h"
#include "formats/PnmCodec.h"
#include "formats/plugin/SPIs.h"

namespace zelvo {
namespace {

namespace fs = std::filesystem;

TEST(PluginDocument, OpensTgaAndPcxLikeBuiltInFormats) {
    TSPIs plugins(false, {});
    plugins.Search((test::PluginDir() / "*.spi").string());
    for (const char* kind : {"tga", "pcx"}) {
        for (const fs::path& file : test::PluginDataFiles(kind)) {
            SCOPED_TRACE(file.filename().string());
            TQxImage doc;
            doc.ColorKeyed = true;
            doc.SaveTransparent = doc.SaveProgressive = true;
            ASSERT_TRUE(doc.LoadDocumentFile(file, false));
            const TDibImage picture = doc.Bitmap().ToDibImage();
            EXPECT_EQ(test::RgbDifference(picture, LoadPnmPictureFile(test::ReferenceOf(file))), "");
            EXPECT_EQ(doc.BitCount(), picture.BitCount());
            EXPECT_FALSE(doc.SaveTransparent);
            EXPECT_FALSE(doc.SaveProgressive);
            EXPECT_TRUE(doc.ColorKeyed);  // kept
            EXPECT_FALSE(doc.Modified());
        }
    }
}

TEST(PluginDocument, FailedPluginLoadKeepsThePicture) {
    const fs::path dir = test::MakeTempDir("plugin-document");
    TSPIs plugins(false, {});
    plugins.Search((test::PluginDir() / "*.spi").string());
    TQxImage doc;
    ASSERT_TRUE(doc.LoadDocumentFile(test::TestDataDir() / "plugins" / "pcx" / "nb-mono.pcx", false));
    EXPECT_EQ(doc.BitCount(), 1);
    std::ofstream(dir / "cut.tga", std::ios::binary) << std::string("\0\0\2\0\0\0\0\0\0\0\0\0\x10\0\x10\0\x18\0", 18);
    std::string failure;
    EXPECT_FALSE(doc.LoadDocumentFile(dir / "cut.tga", false, &failure));
    EXPECT_EQ(failure, "認識できない画像形式です");
    EXPECT_EQ(doc.Bitmap().Width(), 37);
    EXPECT_EQ(doc.BitCount(), 1);
    fs::remove_all(dir);
}

}  // namespace
}  // namespace zelvo
