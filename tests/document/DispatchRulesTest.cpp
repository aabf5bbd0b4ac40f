// Loading and saving the document by extension: RLE-coded BMP files, case of
// extensions, refused save targets, failed saves that keep the old file,
// missing and unreadable files, and what a load resets.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>
#include <iterator>
#include <vector>

#include "TestSupport.h"
#include "UndoTestSupport.h"
#include "document/QxImage.h"

namespace zelvo {
namespace {

namespace fs = std::filesystem;
using test::FileSizeLimit;
using test::Flat;

std::vector<std::uint8_t> Bytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::uint32_t Le32At(const std::vector<std::uint8_t>& b, std::size_t at) {
    return std::uint32_t(b[at]) | std::uint32_t(b[at + 1]) << 8 | std::uint32_t(b[at + 2]) << 16 |
           std::uint32_t(b[at + 3]) << 24;
}

// The compression field of a BMP file (file header 14 bytes + 16).
std::uint32_t CompressionOf(const fs::path& path) { return Le32At(Bytes(path), 30); }

// A palette picture of horizontal runs of 16 pixels over `colors` seeded
// entries: RLE codes it much shorter than its rows.
TDibImage Banded(int bits, int colors) {
    TDibImage img = test::NoiseImagePalette(70, 9, bits, colors, 17);
    for (int y = 0; y < img.Height(); ++y) {
        std::uint8_t* row = img.ScanLine(y);
        std::fill_n(row, img.RowBytes(), std::uint8_t(0));
        for (int x = 0; x < img.Width(); ++x) {
            const unsigned index = unsigned((x / 16 + y) % colors);
            if (bits == 8) row[x] = std::uint8_t(index);
            else row[x / 2] = std::uint8_t(row[x / 2] | (x % 2 ? index : index << 4));
        }
    }
    return img;
}

class DispatchTest : public ::testing::Test {
protected:
    void SetUp() override { dir_ = test::MakeTempDir("dispatch"); }
    void TearDown() override { fs::remove_all(dir_); }
    fs::path dir_;
};

TEST_F(DispatchTest, RleCompressRoundTripsBitIdentical) {
    struct TCase {
        const char* Name;
        TDibImage Picture;
        std::uint32_t Compression;  // as written
    };
    const TCase cases[] = {
        {"4-bit bands", Banded(4, 16), BI_RLE4},
        {"8-bit bands", Banded(8, 200), BI_RLE8},
        // Noise codes longer than its rows: written uncompressed.
        {"8-bit noise", test::NoiseImagePalette(33, 7, 8, 256, 3), BI_RGB},
        {"24-bit", test::NoiseImage24(9, 5, 4), BI_RGB},
        {"1-bit", test::NoiseImagePalette(17, 3, 1, 2, 5), BI_RGB},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TQxImage doc;
        doc.RLECompress = true;
        doc.Bitmap().Assign(c.Picture);
        const fs::path file = dir_ / "rle.bmp";
        ASSERT_TRUE(doc.SaveDocumentFile(file, false));
        EXPECT_EQ(CompressionOf(file), c.Compression);
        // The document's own picture stays plain.
        EXPECT_EQ(doc.Bitmap().Dib().Header().biCompression, BI_RGB);

        TQxImage back;
        ASSERT_TRUE(back.LoadDocumentFile(file, false));
        EXPECT_EQ(back.Bitmap().Dib().Header().biCompression, BI_RGB);  // decoded when placed
        EXPECT_EQ(back.BitCount(), c.Picture.BitCount());
        std::string why;
        EXPECT_TRUE(test::SamePixels(back.Bitmap().Dib(), c.Picture, &why)) << why;
    }
}

TEST_F(DispatchTest, ExtensionsCompareLowerCased) {
    const TDibImage picture = test::NoiseImage24(6, 4, 8);
    TQxImage doc;
    doc.Bitmap().Assign(picture);
    for (const char* name : {"UP.BMP", "Mixed.Bmp", "two.dots.png.bmp", "P.PNG"}) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(doc.SaveDocumentFile(dir_ / name, false));
        TQxImage back;
        ASSERT_TRUE(back.LoadDocumentFile(dir_ / name, false));
        EXPECT_TRUE(test::SamePixels(back.Bitmap().Dib(), picture));
    }
    // The last dot decides: a BMP file under a name containing ".png".
    EXPECT_EQ(Bytes(dir_ / "two.dots.png.bmp")[0], 'B');
    // A BMP file named .DIB is read as a BMP file.
    fs::copy_file(dir_ / "UP.BMP", dir_ / "COPY.DIB");
    TQxImage dib;
    ASSERT_TRUE(dib.LoadDocumentFile(dir_ / "COPY.DIB", false));
    EXPECT_TRUE(test::SamePixels(dib.Bitmap().Dib(), picture));
    // PNG sets ColorKeyed; BMP clears it.
    ASSERT_TRUE(doc.SaveDocumentFile(dir_ / "k.png", false));
    EXPECT_TRUE(doc.ColorKeyed);
    ASSERT_TRUE(doc.SaveDocumentFile(dir_ / "k.bmp", false));
    EXPECT_FALSE(doc.ColorKeyed);
}

TEST_F(DispatchTest, SaveWithoutAWriterWritesNothing) {
    TQxImage doc;
    doc.Bitmap().Assign(Flat(3, 3, 9));
    for (const char* name : {"a.dib", "A.DIB", "a.ico", "a.pcd", "a.gif", "a.zzz", "noextension", "trailingdot."}) {
        SCOPED_TRACE(name);
        std::string failure = "unset";
        EXPECT_FALSE(doc.SaveDocumentFile(dir_ / name, false, &failure));
        EXPECT_TRUE(failure.empty());  // nothing for the caller to report
        EXPECT_FALSE(fs::exists(dir_ / name));
    }
    // An existing file under such a name is left alone.
    std::ofstream(dir_ / "keep.dib") << "old";
    EXPECT_FALSE(doc.SaveDocumentFile(dir_ / "keep.dib", false));
    EXPECT_EQ(fs::file_size(dir_ / "keep.dib"), 3u);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
}

TEST_F(DispatchTest, FailedSaveKeepsTheOldFile) {
    TQxImage doc;
    doc.Bitmap().Assign(Flat(2, 2, 5));
    const fs::path file = dir_ / "picture.bmp";
    ASSERT_TRUE(doc.SaveDocumentFile(file, false));
    ASSERT_EQ(::chmod(file.c_str(), 0640), 0);
    const std::vector<std::uint8_t> old = Bytes(file);

    // A larger picture on a disk that fills up halfway through the rows.
    doc.Bitmap().Assign(test::NoiseImage24(100, 100, 6));
    doc.SetModified(false);
    bool saved = true;
    std::string failure;
    {
        FileSizeLimit limit(4096);
        if (!limit.Active()) GTEST_SKIP() << "cannot limit file sizes";
        saved = doc.SaveDocumentFile(file, false, &failure);
    }
    EXPECT_FALSE(saved);
    EXPECT_EQ(failure, kSWriteError);
    EXPECT_TRUE(doc.Modified());
    EXPECT_EQ(Bytes(file), old);
    // No temporary file is left behind.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);

    // With space again the file is replaced and keeps its permissions.
    ASSERT_TRUE(doc.SaveDocumentFile(file, false));
    EXPECT_FALSE(doc.Modified());
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    TQxImage back;
    ASSERT_TRUE(back.LoadDocumentFile(file, false));
    EXPECT_TRUE(test::SamePixels(back.Bitmap().Dib(), doc.Bitmap().Dib()));
}

TEST_F(DispatchTest, MissingOrUnreadableFileKeepsTheDocument) {
    TQxImage doc;
    doc.SetUndoBuffer(3);
    doc.Bitmap().Assign(Flat(4, 4, 1));
    {
        TEditBracket edit(doc, false, true, false);
    }
    doc.SetSelectionRect(TRect{1, 1, 3, 3});
    std::ofstream(dir_ / "short.bmp", std::ios::binary) << "BM\x10";
    std::ofstream(dir_ / "wrong.bmp", std::ios::binary) << std::string(64, 'x');
    std::ofstream(dir_ / "text.png", std::ios::binary) << "not a png file";
    struct TCase {
        const char* Name;
        bool ExpectMessage;  // a reader ran and failed
    };
    for (const TCase c : {TCase{"missing.bmp", false}, TCase{"MISSING.PNG", false}, TCase{"short.bmp", true},
                          TCase{"wrong.bmp", true}, TCase{"text.png", true}}) {
        SCOPED_TRACE(c.Name);
        std::string failure;
        EXPECT_FALSE(doc.LoadDocumentFile(dir_ / c.Name, false, &failure));
        EXPECT_EQ(!failure.empty(), c.ExpectMessage) << failure;
        EXPECT_EQ(doc.Bitmap().Width(), 4);
        EXPECT_EQ(doc.UndoCount(), 1);
        EXPECT_TRUE(doc.Modified());
        EXPECT_EQ(doc.SelectionRect(), (TRect{1, 1, 3, 3}));
    }
    std::string failure;
    EXPECT_FALSE(doc.LoadDocumentFile(dir_ / "wrong.bmp", false, &failure));
    EXPECT_EQ(failure, "TDibImageData.LoadFromFile: File type is invalid");
}

TEST_F(DispatchTest, LoadResetsHistorySelectionAndScrolling) {
    TQxImage source;
    source.Bitmap().Assign(Banded(8, 40));
    source.RLECompress = true;
    ASSERT_TRUE(source.SaveDocumentFile(dir_ / "rle8.bmp", false));

    TQxImage doc;
    doc.SetUndoBuffer(4);
    doc.Bitmap().Assign(Flat(5, 5, 0));
    {
        TEditBracket edit(doc, false, true, false);
    }
    doc.SetSelectionRect(TRect{0, 0, 2, 2});
    doc.SetScrollPos(TPoint{3, 3});
    std::vector<std::pair<int, int>> events;
    doc.OnChangeCanUndo = [&](TQxImage&, int u, int r) { events.emplace_back(u, r); };

    ASSERT_TRUE(doc.LoadDocumentFile(dir_ / "rle8.bmp", false));
    EXPECT_FALSE(doc.Modified());
    EXPECT_EQ(doc.BitCount(), 8);
    EXPECT_EQ(doc.UndoCount(), 0);
    EXPECT_EQ(doc.RedoCount(), 0);
    EXPECT_EQ(events, (std::vector<std::pair<int, int>>{{0, 0}}));
    EXPECT_FALSE(doc.HasSelection());
    EXPECT_EQ(doc.ScrollPos(), (TPoint{0, 0}));
    EXPECT_EQ(fs::file_size(doc.UndoFileName()), 0u);
    EXPECT_FALSE(doc.SaveTransparent);
    EXPECT_FALSE(doc.SaveProgressive);
    EXPECT_FALSE(doc.ColorKeyed);

    // One edit and one undo after a load: not modified; two edits: modified.
    {
        TEditBracket edit(doc, false, true, false);
    }
    doc.Undo(1);
    EXPECT_FALSE(doc.Modified());
    {
        TEditBracket edit(doc, false, true, false);
    }
    {
        TEditBracket edit(doc, false, true, false);
    }
    doc.Undo(1);
    EXPECT_TRUE(doc.Modified());
}

}  // namespace
}  // namespace zelvo
