// The document's copy, paste, cut and delete over an in-process clipboard
// (the system clipboard's own tests are in tests/platform/qt).

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "TestSupport.h"
#include "document/QxImage.h"
#include "image/DibImageCanvas.h"
#include "platform/MemoryClipboard.h"

namespace zelvo {
namespace {

void Load(TQxImage& doc, const TDibImage& picture) {
    TBitmap bitmap;
    bitmap.Assign(picture);
    doc.SetBitmap(bitmap);
    doc.SetModified(false);
    doc.ClearUndo();
}

TDibImage Picture(const TQxImage& doc) { return doc.Bitmap().ToDibImage(); }

void ExpectSame(const TDibImage& a, const TDibImage& b) {
    std::string why;
    EXPECT_TRUE(test::SamePixels(a, b, &why)) << why;
}

// The bit count and compression fields of the packed DIB on the clipboard.
struct DibFields {
    int BitCount = 0;
    std::uint32_t Compression = 0;
};
DibFields ClipboardDibFields(const TMemoryClipboard& clipboard) {
    const std::vector<std::uint8_t>& data = clipboard.PackedDib();
    DibFields fields;
    if (data.size() < 40) return fields;
    const std::uint8_t* p = data.data();
    fields.BitCount = p[14] | (p[15] << 8);
    fields.Compression = std::uint32_t(p[16] | (p[17] << 8) | (p[18] << 16) | (p[19] << 24));
    return fields;
}

// A palette picture of long runs, which RLE coding makes smaller.
TDibImage Runs(int bits) {
    TDibImage image = test::NoiseImagePalette(48, 8, bits, 1 << bits, 2);
    for (int y = 0; y < image.Height(); ++y)
        std::memset(image.ScanLine(y), bits == 8 ? y * 9 : 0x11 * (y % 8), std::size_t(image.RowBytes()));
    return image;
}

// Every test runs with its own clipboard installed for the document.
class ClipboardOps : public ::testing::Test {
protected:
    TMemoryClipboard clipboard;
    TClipboardInstallation installed{clipboard};
};

TEST_F(ClipboardOps, CopyWithRleRequestCodesOnlyWhereItHelps) {
    struct Case {
        const char* name;
        TDibImage picture;
        int bits;
        std::uint32_t compression;
    };
    const Case cases[] = {
        {"24-bit: always uncompressed", test::NoiseImage24(20, 10, 1), 24, BI_RGB},
        {"8-bit noise: coding fails, copied uncompressed", test::NoiseImagePalette(64, 16, 8, 256, 2), 8, BI_RGB},
        {"8-bit runs", Runs(8), 8, BI_RLE8},
        {"4-bit runs", Runs(4), 4, BI_RLE4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TQxImage doc;
        Load(doc, c.picture);
        doc.RLECompress = true;
        clipboard.Clear();
        doc.CopyToClipboard();
        const DibFields fields = ClipboardDibFields(clipboard);
        EXPECT_EQ(fields.BitCount, c.bits);
        EXPECT_EQ(fields.Compression, c.compression);
        EXPECT_TRUE(clipboard.HasBitmap());
        // Pasting gives the picture back, decoded.
        TQxImage other;
        Load(other, test::NoiseImage24(3, 3, 3));
        ASSERT_TRUE(other.PasteFromClipboard());
        ExpectSame(Picture(other), c.picture);
        EXPECT_FALSE(doc.Modified());
        EXPECT_EQ(doc.UndoCount(), 0);
    }
}

TEST_F(ClipboardOps, CopyOfASelectionKeepsDepthAndPalette) {
    const TDibImage picture = test::NoiseImagePalette(30, 20, 4, 16, 4);
    TQxImage doc;
    Load(doc, picture);
    doc.SetSelectionRect(Rect(3, 5, 13, 9));
    doc.CopyToClipboard();
    TDibImage copied;
    ASSERT_TRUE(clipboard.GetDib(copied));
    ASSERT_EQ(copied.BitCount(), 4);
    ASSERT_EQ(copied.Width(), 10);
    ASSERT_EQ(copied.Height(), 4);
    EXPECT_EQ(0, std::memcmp(copied.ColorTable(), picture.ColorTable(), 16 * 4));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 10; ++x) ASSERT_EQ(copied.GetPixels(x, y), picture.GetPixels(x + 3, y + 5));
}

TEST_F(ClipboardOps, PasteOfAOneBitDibKeepsItsPaletteAndUndoes) {
    TDibImage mono = test::NoiseImagePalette(21, 9, 1, 2, 5);
    const TRGBQuad table[2] = {{10, 20, 30, 0}, {200, 150, 100, 0}};
    mono.SetColorTable(table);
    ASSERT_TRUE(clipboard.PutDib(mono));

    const TDibImage before = test::NoiseImage24(7, 5, 6);
    TQxImage doc;
    Load(doc, before);
    doc.SetSelectionRect(Rect(1, 1, 3, 3));
    doc.SetScrollPos(TPoint{2, 2});
    ASSERT_TRUE(doc.PasteFromClipboard());
    EXPECT_EQ(doc.BitCount(), 1);
    ExpectSame(Picture(doc), mono);
    EXPECT_FALSE(doc.HasSelection());
    EXPECT_EQ(doc.ScrollPos(), (TPoint{0, 0}));
    EXPECT_TRUE(doc.Modified());
    EXPECT_EQ(doc.UndoCount(), 1);
    doc.Undo(1);
    ExpectSame(Picture(doc), before);
    EXPECT_EQ(doc.SelectionRect(), Rect(1, 1, 3, 3));
}

// A clipboard that offers another program's picture, already made 24 bits
// as the system clipboard hands it over.
class OtherProgramsClipboard : public TMemoryClipboard {
public:
    explicit OtherProgramsClipboard(TDibImage picture) : picture_(std::move(picture)) {}
    bool HasBitmap() const override { return true; }
    bool GetPicture(TDibImage& picture) const override {
        picture = picture_;
        return true;
    }

private:
    TDibImage picture_;
};

TEST_F(ClipboardOps, PasteOfAnotherProgramsImageGivesTwentyFourBits) {
    TDibImage image = test::NoiseImage24(100, 50, 13);
    TDibImageCanvas(image).FillRect(TRect{0, 0, 100, 50}, RGB(1, 2, 3));
    image.SetPixels(99, 49, RGB(250, 128, 4));
    OtherProgramsClipboard other(image);
    const TClipboardInstallation otherInstalled(other);
    TQxImage doc;  // pasting also works into an empty document
    ASSERT_TRUE(doc.PasteFromClipboard());
    ASSERT_EQ(doc.Bitmap().Width(), 100);
    ASSERT_EQ(doc.Bitmap().Height(), 50);
    EXPECT_EQ(doc.BitCount(), 24);
    EXPECT_EQ(doc.Bitmap().PixelColor(0, 0), RGB(1, 2, 3));
    EXPECT_EQ(doc.Bitmap().PixelColor(99, 49), RGB(250, 128, 4));  // the last row and column are covered

    // A DIB on the same clipboard comes first, in its own depth.
    const TDibImage mono = test::NoiseImagePalette(6, 4, 1, 2, 14);
    other.PutDib(mono);
    ASSERT_TRUE(doc.PasteFromClipboard());
    ExpectSame(Picture(doc), mono);
}

TEST_F(ClipboardOps, PasteWithoutAPictureChangesNothing) {
    const TDibImage before = test::NoiseImage24(5, 4, 7);
    TQxImage doc;
    Load(doc, before);
    doc.SetSelectionRect(Rect(0, 0, 2, 2));
    for (int kind = 0; kind < 3; ++kind) {
        SCOPED_TRACE(kind);
        if (kind == 0) clipboard.Clear();
        // No clipboard at all, as in a program that installs none.
        TClipboard* const previous = kind == 1 ? InstallClipboard(nullptr) : nullptr;
        if (kind == 2) {
            // Damaged DIB data: reading fails, the paste reports false.
            clipboard.SetPackedDib(std::vector<std::uint8_t>(60, 0x07));
        }
        EXPECT_FALSE(doc.PasteFromClipboard());
        if (kind == 1) InstallClipboard(previous);
        ExpectSame(Picture(doc), before);
        EXPECT_TRUE(doc.HasSelection());
        EXPECT_FALSE(doc.Modified());
        EXPECT_EQ(doc.UndoCount(), 0);
        EXPECT_FALSE(doc.Editing());
        EXPECT_EQ(doc.Cursor(), crDefault);
    }
}

TEST_F(ClipboardOps, CutWithoutASelectionChangesNothing) {
    const TDibImage marker = test::NoiseImagePalette(4, 4, 8, 10, 8);
    ASSERT_TRUE(clipboard.PutDib(marker));
    const TDibImage before = test::NoiseImage24(9, 6, 9);
    TQxImage doc;
    Load(doc, before);
    doc.CutToClipboard();
    ExpectSame(Picture(doc), before);
    EXPECT_EQ(doc.UndoCount(), 0);
    TDibImage still;
    ASSERT_TRUE(clipboard.GetDib(still));
    ExpectSame(still, marker);

    TQxImage empty;
    empty.CopyToClipboard();
    empty.DeleteSelection();
    ASSERT_TRUE(clipboard.GetDib(still));
    ExpectSame(still, marker);
}

TEST_F(ClipboardOps, CutCopiesTheSelectionThenFillsItWithTheBackground) {
    const TDibImage before = test::NoiseImage24(9, 6, 10);
    TQxImage doc;
    Load(doc, before);
    doc.Color = clFuchsia;
    doc.SetSelectionRect(Rect(2, 1, 6, 4));
    doc.CutToClipboard();
    TDibImage cut;
    ASSERT_TRUE(clipboard.GetDib(cut));
    ASSERT_EQ(cut.Width(), 4);
    ASSERT_EQ(cut.Height(), 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) EXPECT_EQ(cut.GetPixels(x, y), before.GetPixels(x + 2, y + 1));
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 9; ++x) {
            const bool inside = x >= 2 && x < 6 && y >= 1 && y < 4;
            ASSERT_EQ(doc.Bitmap().PixelColor(x, y), inside ? clFuchsia : before.GetPixels(x, y)) << x << "," << y;
        }
    EXPECT_EQ(doc.UndoCount(), 1);
}

TEST_F(ClipboardOps, DeleteFillsWithTheBackgroundAndKeepsThePaletteDepth) {
    // A system colour is resolved to its RGB value.
    TQxImage doc;
    const TDibImage rgb = test::NoiseImage24(8, 8, 11);
    Load(doc, rgb);
    doc.Color = clGray;
    doc.DeleteSelection();  // no selection: nothing
    EXPECT_EQ(doc.UndoCount(), 0);
    doc.SetSelectionRect(Rect(0, 0, 3, 2));
    doc.DeleteSelection();
    EXPECT_EQ(doc.Bitmap().PixelColor(2, 1), ColorToRGB(clGray));
    EXPECT_EQ(doc.Bitmap().PixelColor(3, 1), rgb.GetPixels(3, 1));

    // A palette picture keeps its depth and colour table: the fill takes
    // the table entry nearest to the colour (least squared distance).
    const TDibImage palette = test::NoiseImagePalette(8, 8, 8, 4, 12);
    Load(doc, palette);
    doc.Color = clLime;
    doc.SetSelectionRect(Rect(2, 2, 5, 6));
    doc.DeleteSelection();
    EXPECT_EQ(doc.BitCount(), 8);
    int nearest = 0;
    long best = -1;
    for (int i = 0; i < palette.ColorsUsed(); ++i) {
        const TRGBQuad& q = palette.ColorTable()[i];
        const long d = long(q.rgbRed) * q.rgbRed + long(255 - q.rgbGreen) * (255 - q.rgbGreen) +
                       long(q.rgbBlue) * q.rgbBlue;
        if (best < 0 || d < best) {
            best = d;
            nearest = i;
        }
    }
    const TDibImage out = Picture(doc);
    EXPECT_EQ(0, std::memcmp(out.ColorTable(), palette.ColorTable(), std::size_t(palette.ColorsUsed()) * 4));
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            const bool inside = x >= 2 && x < 5 && y >= 2 && y < 6;
            ASSERT_EQ(out.GetPixels(x, y), inside ? TColor(nearest) : palette.GetPixels(x, y)) << x << "," << y;
        }
    doc.Undo(1);
    ExpectSame(Picture(doc), palette);
}

}  // namespace
}  // namespace zelvo
