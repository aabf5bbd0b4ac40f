#include <gtest/gtest.h>

#include <fstream>

#include "TestSupport.h"
#include "document/QxImage.h"

namespace zelvo {
namespace {

// A 24-bit picture whose every pixel is (v, v, v).
TDibImage Flat(int w, int h, std::uint8_t v) {
    TDibImage img;
    img.ReplaceData(TDibImageData::CreateDIB(w, h, 0, 24, true));
    for (int y = 0; y < h; ++y) std::fill_n(img.ScanLine(y), w * 3, v);
    return img;
}

std::uint8_t TopLeft(const TQxImage& doc) { return doc.Bitmap().Dib().ScanLineRead(0)[0]; }

// One "edit" that sets every byte of the work image to v.
void Edit(TQxImage& doc, std::uint8_t v) {
    TEditBracket edit(doc, false, true, false);
    ASSERT_TRUE(edit);
    doc.MakeWork24Bit();
    TDibImage& w = *doc.WorkImage();
    for (int y = 0; y < w.Height(); ++y) std::fill_n(w.ScanLine(y), w.Width() * 3, v);
}

TEST(QxUndo, WorkedExampleDepthThree) {
    TQxImage doc;
    doc.SetUndoBuffer(3);
    doc.Bitmap().Assign(Flat(4, 3, 0));  // P0
    doc.ClearUndo();
    Edit(doc, 1);
    Edit(doc, 2);
    EXPECT_EQ(doc.UndoCount(), 2);
    doc.Undo(2);
    EXPECT_EQ(TopLeft(doc), 0);
    EXPECT_EQ(doc.UndoCount(), 0);
    EXPECT_EQ(doc.RedoCount(), 2);
    doc.Redo(1);
    EXPECT_EQ(TopLeft(doc), 1);
    EXPECT_EQ(doc.UndoCount(), 1);
    EXPECT_EQ(doc.RedoCount(), 1);
    Edit(doc, 3);
    EXPECT_EQ(doc.UndoCount(), 2);
    EXPECT_EQ(doc.RedoCount(), 0);
    Edit(doc, 4);
    Edit(doc, 5);
    EXPECT_EQ(doc.UndoCount(), 3);
    doc.Undo(100);  // at most 3 steps: back to P1, P0 was dropped
    EXPECT_EQ(TopLeft(doc), 1);
}

TEST(QxUndo, ClampingAndModifiedFlag) {
    TQxImage doc;
    for (auto [in, want] : {std::pair{0, 1}, {-5, 1}, {1000, 100}, {7, 7}}) {
        doc.SetUndoBuffer(in);
        EXPECT_EQ(doc.UndoBuffer(), want);
    }
    doc.SetUndoBuffer(5);
    doc.Bitmap().Assign(Flat(2, 2, 9));
    doc.SetModified(false);
    Edit(doc, 1);
    doc.Undo(1);
    EXPECT_FALSE(doc.Modified());
    Edit(doc, 1);
    Edit(doc, 2);
    doc.Undo(1);
    EXPECT_TRUE(doc.Modified());
    EXPECT_EQ(TopLeft(doc), 1);
}

TEST(QxBracket, NestedRefusedAndCentredWriteBack) {
    TQxImage doc;
    doc.Bitmap().Assign(Flat(40, 10, 50));
    doc.SetSelectionRect(TRect{10, 2, 20, 8});
    ASSERT_EQ(doc.BeginEdit(true), kEditOpened);
    EXPECT_EQ(doc.BeginEdit(true), kEditBusy);
    EXPECT_EQ(doc.UndoCount(), 1);
    // A result 10 pixels wider than the selection lands 5 pixels further left.
    TDibImage wide = Flat(20, 6, 200);
    doc.WorkImage()->Assign(&wide);
    doc.EndEdit(false, false);
    EXPECT_FALSE(doc.Editing());
    const std::uint8_t* row = doc.Bitmap().Dib().ScanLineRead(2);
    EXPECT_EQ(row[4 * 3], 50);
    EXPECT_EQ(row[5 * 3], 200);
    EXPECT_EQ(row[24 * 3], 200);
    EXPECT_EQ(row[25 * 3], 50);
    EXPECT_EQ(doc.Bitmap().Dib().ScanLineRead(1)[5 * 3], 50);
}

TEST(QxBracket, FailureInsideStillClosesAndPropagates) {
    TQxImage doc;
    doc.Bitmap().Assign(Flat(3, 3, 7));
    EXPECT_THROW(
        {
            TEditBracket edit(doc, false, true, false);
            doc.MakeWork24Bit();
            doc.WorkImage()->ScanLine(0)[0] = 99;
            throw EAbort("stop");
        },
        EAbort);
    EXPECT_FALSE(doc.Editing());
    EXPECT_EQ(TopLeft(doc), 99);  // written back as far as processed
    EXPECT_EQ(doc.UndoCount(), 1);
}

TEST(QxDispatch, SaveAndLoadCases) {
    const auto dir = test::MakeTempDir("qxdispatch");
    TQxImage doc;
    doc.Bitmap().Assign(Flat(5, 4, 33));
    EXPECT_FALSE(doc.SaveDocumentFile(dir / "a.dib", false));
    EXPECT_FALSE(std::filesystem::exists(dir / "a.dib"));
    EXPECT_TRUE(doc.SaveDocumentFile(dir / "A.BMP", false));
    EXPECT_FALSE(doc.Modified());
    TQxImage other;
    EXPECT_TRUE(other.LoadDocumentFile(dir / "A.BMP", false));
    EXPECT_TRUE(test::SamePixels(other.Bitmap().Dib(), doc.Bitmap().Dib()));
    EXPECT_FALSE(other.LoadDocumentFile(dir / "missing.bmp", false));
    {
        std::ofstream(dir / "x.zzz") << "data";
    }
    EXPECT_FALSE(other.LoadDocumentFile(dir / "x.zzz", false));
    // A failed save (folder not writable as a file target) keeps the old file.
    std::filesystem::create_directory(dir / "sub.bmp");
    std::string failure;
    EXPECT_FALSE(doc.SaveDocumentFile(dir / "sub.bmp", false, &failure));
    EXPECT_FALSE(failure.empty());
    EXPECT_TRUE(std::filesystem::is_directory(dir / "sub.bmp"));
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace zelvo
