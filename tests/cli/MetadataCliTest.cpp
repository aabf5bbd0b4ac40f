// zelvo-cli info's orientation and metadata lines, and apply keeping a
// photo's EXIF.
#include <gtest/gtest.h>

#include <string>

#include "CliTestSupport.h"

namespace zelvo {
namespace {

using namespace test;

using test::RunCli;

std::string ExifFile(const std::string& name) { return (TestDataDir() / "exif" / name).string(); }

std::string InfoTail(const std::string& file) {
    std::string out, err;
    EXPECT_EQ(RunCli({"info", file}, &err, &out), 0) << err;
    // The new lines come after the colour count.
    const std::size_t colors = out.find("colors: ");
    return colors == std::string::npos ? out : out.substr(out.find('\n', colors) + 1);
}

TEST(MetadataCli, InfoPrintsOrientationAndMetadataLast) {
    std::string out;
    ASSERT_EQ(RunCli({"info", ExifFile("orient-6.jpg")}, nullptr, &out), 0);
    // The size is the turned one; the old lines keep their order.
    EXPECT_EQ(out.rfind("width: 21\nheight: 35\nbitcount: 24\n", 0), 0u) << out;
    EXPECT_EQ(InfoTail(ExifFile("orient-6.jpg")), "orientation: 6\nmetadata: EXIF EXIF-thumbnail\n");
    EXPECT_EQ(InfoTail(ExifFile("metadata.jpg")), "orientation: 6\nmetadata: EXIF EXIF-thumbnail XMP ICC\n");
    EXPECT_EQ(InfoTail(ExifFile("metadata.png")), "orientation: 1\nmetadata: iCCP tEXt zTXt iTXt pHYs\n");
    EXPECT_EQ(InfoTail((CorpusDir() / "bmp" / "bmpsuite" / "g" / "rgb24.bmp").string()),
              "orientation: 1\nmetadata: none\n");
}

class MetadataCliFolder : public test::TCliFolderTest {};

TEST_F(MetadataCliFolder, ApplyKeepsExifWithOrientationOne) {
    const std::string out = Path("bright.jpg");
    ASSERT_EQ(RunCli({"apply", ExifFile("metadata.jpg"), out, "Brightness:20"}), 0);
    EXPECT_EQ(InfoTail(out), "orientation: 1\nmetadata: EXIF XMP ICC\n");
}

}  // namespace
}  // namespace zelvo
