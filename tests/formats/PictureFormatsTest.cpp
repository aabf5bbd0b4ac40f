// The table of picture formats and what derives from it: the dialogs'
// filters (with captions as the window gives them), plug-in acceptance,
// the dispatch's choice of reader and writer per extension, mode and use,
// and the netpbm row end to end through the dispatch.

#include <gtest/gtest.h>

#include <fstream>
#include <set>

#include "TestSupport.h"
#include "formats/PictureFormats.h"
#include "formats/QxImageIO.h"

namespace zelvo {
namespace {

namespace fs = std::filesystem;

// Captions made from the rows' keys ("<bmp>" in the open dialog, "{bmp}" in
// the save dialog); the window's Japanese captions are checked with the
// window. Icons and PhotoCD have no save entry.
TFilterCaptions Captions() {
    return {"All", [](const TPictureFormat& row) { return "<" + row.Key + ">"; },
            [](const TPictureFormat& row) { return "{" + row.Key + "}"; }};
}

TEST(PictureFormats, EveryExtensionHasOneRow) {
    std::set<std::string> seen;
    for (const TPictureFormat& row : PictureFormats()) {
        SCOPED_TRACE(row.Key);
        EXPECT_FALSE(row.Extensions.empty());
        for (const auto& ext : row.Extensions) {
            EXPECT_TRUE(seen.insert(ext).second) << ext;
            EXPECT_EQ(ext, DispatchExtension("a" + ext));  // lower case, with the dot
            EXPECT_EQ(FindPictureFormat(ext), &row);
        }
        for (const auto& ext : row.WriteExtensions) {
            EXPECT_NE(std::find(row.Extensions.begin(), row.Extensions.end(), ext), row.Extensions.end()) << ext;
        }
    }
    EXPECT_EQ(FindPictureFormat(".tga"), nullptr);
    EXPECT_EQ(FindPictureFormat(""), nullptr);
}

TEST(PictureFormats, FiltersAsTheDialogsShowThem) {
    const TFormatFilters normal = BuildFormatFilters(false, {}, Captions());
    EXPECT_EQ(normal.OpenFilter,
              "All|*.bmp;*.dib;*.jpg;*.jpe;*.jpeg;*.png;*.ico"
              "|<bmp>|*.bmp;*.dib|<jpeg>|*.jpg;*.jpeg;*.jpe|<png>|*.png|<ico>|*.ico");
    // The rows the plug-ins read have save entries only.
    const std::string encoders = "|{webp}|*.webp|{tiff}|*.tif|{avif}|*.avif|{heic}|*.heic|{jxl}|*.jxl";
    EXPECT_EQ(normal.SaveFilter, "{bmp}|*.bmp|{jpeg}|*.jpg|{png}|*.png" + encoders);
    EXPECT_EQ(normal.SaveExtensions,
              (std::vector<std::string>{"bmp", "jpg", "png", "webp", "tif", "avif", "heic", "jxl"}));
    EXPECT_EQ(normal.PatternList[2], "*.jpg *.jpeg *.jpe ");
    EXPECT_EQ(normal.DescriptionList.size(), 5u);

    // GIF mode adds GIF and PhotoCD before the plug-ins; a plug-in that adds
    // nothing new is refused, one with a new extension is appended.
    const TFormatFilters gif =
        BuildFormatFilters(true, {{"*.BMP", "Bitmap plug-in"}, {"*.tif;*.tiff;*.gif", "TIFF"}}, Captions());
    EXPECT_EQ(gif.AllPatterns, "*.bmp;*.dib;*.jpg;*.jpe;*.jpeg;*.png;*.ico;*.gif;*.pcd;*.tif;*.tiff;*.gif");
    EXPECT_EQ(gif.PluginAccepted, (std::vector<bool>{false, true}));
    EXPECT_EQ(gif.OpenFilter.substr(gif.OpenFilter.find("|<ico>")),
              "|<ico>|*.ico|<gif>|*.gif|<pcd>|*.pcd|TIFF|*.tif;*.tiff;*.gif");
    EXPECT_EQ(gif.SaveFilter, "{bmp}|*.bmp|{jpeg}|*.jpg|{png}|*.png|{gif}|*.gif" + encoders);
    EXPECT_EQ(gif.SaveExtensions,
              (std::vector<std::string>{"bmp", "jpg", "png", "gif", "webp", "tif", "avif", "heic", "jxl"}));
    EXPECT_EQ(gif.DescriptionList.back(), "TIFF");
    EXPECT_EQ(gif.PatternList.back(), "*.tif *.tiff *.gif ");

    // Netpbm is reached by name only, and a plug-in may still claim its
    // extensions for the dialogs.
    EXPECT_EQ(normal.AllPatterns.find("pnm"), std::string::npos);
    const TFormatFilters pnmPlugin = BuildFormatFilters(false, {{"*.ppm", "PPM plug-in"}}, Captions());
    EXPECT_EQ(pnmPlugin.PluginAccepted, std::vector<bool>{true});

    // Without captions a row is described by its table entry.
    const TFormatFilters plain = BuildFormatFilters(false, {}, {"All", {}, {}});
    EXPECT_EQ(plain.DescriptionList[1], "Windows bitmap (*.bmp;*.dib)");
}

class DispatchByTable : public ::testing::Test {
protected:
    void SetUp() override { dir_ = test::MakeTempDir("formattable"); }
    void TearDown() override { fs::remove_all(dir_); }
    fs::path dir_;
};

TEST_F(DispatchByTable, WhichUseReadsWhichExtension) {
    // One readable file under each name: a BMP, a PNG, a PPM, a GIF; the names
    // without a reader hold a BMP, which must not be read.
    const TDibImage picture = test::NoiseImage24(5, 4, 3);
    bool keyed = false;
    for (const char* name : {"a.bmp", "a.png", "a.ppm"}) ASSERT_TRUE(WriteDocumentPicture(dir_ / name, picture, {}, false, keyed));
    ASSERT_TRUE(WriteDocumentPicture(dir_ / "a.gif", picture, {}, true, keyed));
    fs::copy_file(dir_ / "a.bmp", dir_ / "a.tif");
    fs::copy_file(test::CorpusDir() / "pcd/pillow/hopper.pcd", dir_ / "a.pcd");
    fs::copy_file(test::CorpusDir() / "ico/pillow/hopper.ico", dir_ / "a.ico");

    struct TCase {
        const char* Name;
        bool Document, DocumentGif, Secondary, SecondaryGif, Preview;
    };
    const TCase cases[] = {
        {"a.bmp", true, true, true, true, true},
        // PNG: native for the document always, for secondary uses only in GIF mode.
        {"a.png", true, true, false, true, true},
        {"a.ppm", true, true, true, true, true},
        // GIF: native in GIF mode only, for every use; outside it the
        // plug-ins' (none here).
        {"a.gif", false, true, false, true, false},
        // PhotoCD: the document reads it in GIF mode only, secondary uses in
        // any mode; the preview follows the document.
        {"a.pcd", false, true, true, true, false},
        // Icons: image 0 everywhere.
        {"a.ico", true, true, true, true, true},
        // No reader: plug-in territory in every mode.
        {"a.tif", false, false, false, false, false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TDibImage out;
        TPictureFileInfo info;
        EXPECT_EQ(ReadDocumentPicture(dir_ / c.Name, false, out, info), c.Document);
        EXPECT_EQ(ReadDocumentPicture(dir_ / c.Name, true, out, info), c.DocumentGif);
        EXPECT_EQ(LoadPictureFile(dir_ / c.Name, out, false), c.Secondary);
        EXPECT_EQ(LoadPictureFile(dir_ / c.Name, out, true), c.SecondaryGif);
        EXPECT_EQ(LoadPreviewPicture(dir_ / c.Name, out, false), c.Preview);
    }
    // A broken file: the document load throws, the quiet loads say false.
    std::ofstream(dir_ / "bad.ppm") << "P6 2 2 255\nxx";
    TDibImage out;
    TPictureFileInfo info;
    EXPECT_THROW(ReadDocumentPicture(dir_ / "bad.ppm", false, out, info), EReadError);
    EXPECT_FALSE(LoadPictureFile(dir_ / "bad.ppm", out, false));
    EXPECT_FALSE(LoadPreviewPicture(dir_ / "bad.ppm", out, false));
}

TEST_F(DispatchByTable, NetpbmNamesPickTheirForm) {
    TDibImage grey = test::NoiseImagePalette(9, 3, 8, 256, 4);
    std::vector<TRGBQuad> ramp(256);
    for (int i = 0; i < 256; ++i) ramp[std::size_t(i)] = TRGBQuad{std::uint8_t(i), std::uint8_t(i), std::uint8_t(i), 0};
    grey.SetColorTable(ramp);
    const std::pair<const char*, const char*> cases[] = {
        {"g.PGM", "P5"}, {"g.ppm", "P6"}, {"g.pam", "P7"}, {"g.pnm", "P5"}, {"g.pbm", "P5"},
    };
    for (const auto& [name, magic] : cases) {
        SCOPED_TRACE(name);
        bool keyed = true;
        ASSERT_TRUE(WriteDocumentPicture(dir_ / name, grey, {}, false, keyed));
        EXPECT_FALSE(keyed);
        const auto bytes = ReadWholeFile(dir_ / name);
        EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 2), magic);
        TDibImage back;
        TPictureFileInfo info;
        info.ColorKeyed = 7;
        ASSERT_TRUE(ReadDocumentPicture(dir_ / name, false, back, info));
        EXPECT_EQ(info.ColorKeyed, 0);
        EXPECT_FALSE(info.Progressive);
        EXPECT_EQ(back.Width(), 9);
        // The level (index of the grey palette, or red of the RGB colour).
        EXPECT_EQ(int(back.GetPixels(4, 1) & 0xFF), int(grey.ColorTable()[grey.GetPixels(4, 1)].rgbRed));
    }
}

// A file whose extension names one format but whose head is another's is
// read by the reader of the format it has, and says which; a file no
// signature matches keeps its extension's reader and message.
TEST_F(DispatchByTable, FilesWhoseExtensionLiesAreReadByTheirSignature) {
    const TDibImage picture = test::NoiseImage24(5, 4, 3);
    bool keyed = false;
    for (const char* name : {"a.png", "a.ppm", "a.jpg", "a.bmp"})
        ASSERT_TRUE(WriteDocumentPicture(dir_ / name, picture, {}, false, keyed));
    ASSERT_TRUE(WriteDocumentPicture(dir_ / "a.gif", picture, {}, true, keyed));
    struct TCase {
        const char* From;
        const char* To;
        bool GifMode;
        const char* Actual;  // nullptr: the extension's reader throws
    };
    const TCase cases[] = {
        {"a.png", "png.jpg", false, "png"},       {"a.jpg", "jpeg.bmp", false, "jpeg"},
        {"a.ppm", "ppm.png", false, "netpbm"},    {"a.bmp", "bmp.ppm", false, "bmp"},
        {"a.gif", "gif.png", true, "gif"},        {"a.gif", "gif.bmp", false, nullptr},
        {"a.bmp", "bmp.bmp", false, ""},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.To);
        if (!fs::exists(dir_ / c.To)) fs::copy_file(dir_ / c.From, dir_ / c.To);
        TDibImage out;
        TPictureFileInfo info;
        if (!c.Actual) {
            EXPECT_THROW(ReadDocumentPicture(dir_ / c.To, c.GifMode, out, info), std::exception);
            continue;
        }
        ASSERT_TRUE(ReadDocumentPicture(dir_ / c.To, c.GifMode, out, info));
        EXPECT_EQ(info.ActualFormat, c.Actual);
        EXPECT_EQ(out.Width(), 5);
    }
    // The PNG reader took the PNG named .jpg with everything it reports.
    TDibImage out;
    TPictureFileInfo info;
    ASSERT_TRUE(ReadDocumentPicture(dir_ / "png.jpg", false, out, info));
    EXPECT_TRUE(test::SamePixels(out, picture));
    EXPECT_EQ(info.ColorKeyed, 1);
    // A text file named .jpg and a WebP named .png without plug-ins keep
    // their extension's message; a BMP named .tif without plug-ins is
    // still nobody's.
    std::ofstream(dir_ / "text.jpg") << "not a picture at all";
    EXPECT_THROW(ReadDocumentPicture(dir_ / "text.jpg", false, out, info), std::exception);
    std::ofstream(dir_ / "webp.png") << "RIFF\x10\0\0\0WEBPVP8L";
    EXPECT_THROW(ReadDocumentPicture(dir_ / "webp.png", false, out, info), std::exception);
    fs::copy_file(dir_ / "a.bmp", dir_ / "bmp.tif");
    EXPECT_FALSE(ReadDocumentPicture(dir_ / "bmp.tif", false, out, info));
}

}  // namespace
}  // namespace zelvo
